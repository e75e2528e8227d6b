#include "shell/main_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <utility>

#include "resource.h"
#include "data/help_page.h"
#include "data/tracker.h"
#include "report/page_geometry.h"
#include "shell/about_dlg.h"
#include "shell/edit_dlg.h"
#include "win/centre.h"
#include "win/module.h"
#include "win/system_time.h"

static_assert(kFirstItemCommand == IDM_FIRST_ITEM && kLastItemCommand == IDM_LAST_ITEM,
              "the menu's item ids are the tracker's");

const wchar_t kReportTitle[] = L"Dorvane レポート";
const char16_t kIdleTip[] = u"Dorvane";

namespace {
constexpr char16_t kTrayIconFailed[] = u"通知領域にアイコンを登録できませんでした。";
constexpr wchar_t kTimeTab[] = L"時刻";
constexpr wchar_t kStaticsTab[] = L"集計";
constexpr wchar_t kDocumentName[] = L"Dorvane";
constexpr wchar_t kPrintToFile[] = L"FILE:";
constexpr int kTimePage = 0;
constexpr int kStaticsPage = 1;

// Appends a tab whose item data is its page's window.
void AppendTab(HWND tab, const wchar_t* text, HWND page) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = const_cast<wchar_t*>(text);
  item.lParam = reinterpret_cast<LPARAM>(page);
  const LRESULT count = ::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
  ::SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(&item));
}
}  // namespace

void InsertItemEntries(HMENU popup, const ItemCatalogue& catalogue) {
  for (int j = 0; j < catalogue.Count(); ++j) {
    const Text& name = catalogue.Name(j);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
    item.fType = MFT_STRING;
    item.fState = MFS_ENABLED | MFS_UNCHECKED;  // the running item is not marked
    item.wID = static_cast<UINT>(kFirstItemCommand + j);
    item.dwTypeData = const_cast<wchar_t*>(WStr(name));
    ::InsertMenuItemW(popup, static_cast<UINT>(j), TRUE, &item);
  }
}

CMainDlg::CMainDlg(ActivityData& data, Notifier& notifier)
    : CMainDlg(data, notifier, SystemTray(), SystemMonitors(), SystemLocalTime) {}

CMainDlg::CMainDlg(ActivityData& data, Notifier& notifier, TrayShell& tray,
                   const MonitorSeam& monitors, Clock clock)
    : CModelessDialog(IDD_REPORT),
      data_(data),
      notifier_(notifier),
      clock_(std::move(clock)),
      trayIcon_(tray, monitors),
      timeChart_(data, reportDate_),
      staticsChart_(data, reportDate_) {}

CMainDlg::~CMainDlg() {
  if (IsWindow()) DestroyWindow();
}

bool CMainDlg::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) {
  switch (msg) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_DESTROY:
      result = OnDestroy();
      return true;
    case kTrayNotifyMessage:
      result = OnTrayNotify(lParam);
      return true;
    case WM_ENDSESSION:
      // The user signs out or shuts down: the process ends after this.
      if (wParam) SaveUnsavedChanges();
      result = 0;
      return true;
    case WM_COMMAND:
      // Any notification code: a menu (0), an accelerator (1) or a button.
      result = 0;
      return OnCommand(LOWORD(wParam));
    case WM_NOTIFY:
      return lParam && OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    default:
      result = 0;
      return trayIcon_.ProcessWindowMessage(msg, wParam);
  }
}

bool CMainDlg::OnCommand(UINT id) {
  if (id >= IDM_FIRST_ITEM && id <= IDM_LAST_ITEM) {
    OnItem(id);
    return true;
  }
  switch (id) {
    case IDOK:  // 閉じる, and Enter through the default button
      OnCloseReport();
      return true;
    case IDM_EXIT:
      OnExit();
      return true;
    case IDM_CONF:
      OnSettings();
      return true;
    case IDM_EDIT:
      OnEditor();
      return true;
    case IDM_REPORT:
      OnOpenReport();
      return true;
    case IDM_HELP:
      OnHelp();
      return true;
    case IDC_REPORT_PRINT:
      OnPrint();
      return true;
    case IDC_REPORT_PREVWEEK:
      OnPrevWeek();
      return true;
    case IDC_REPORT_NEXTWEEK:
      OnNextWeek();
      return true;
    case IDM_ABOUT:
      OnAbout();
      return true;
    default:
      // IDCANCEL (Esc, the close box, WM_CLOSE) is not ours: the report
      // stays open and only 閉じる hides it.
      return false;
  }
}

bool CMainDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom == IDC_REPORT_TAB && header.code == TCN_SELCHANGING) {
    result = OnTabSelChanging();  // 0: the change is allowed
    return true;
  }
  if (header.idFrom == IDC_REPORT_TAB && header.code == TCN_SELCHANGE) {
    result = OnTabSelChange();
    return true;
  }
  if (header.idFrom == IDC_REPORT_DATEPICK && header.code == DTN_DATETIMECHANGE) {
    result = OnDateChange();
    return true;
  }
  return false;
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg) { return ::IsDialogMessageW(hwnd_, msg); }

bool CMainDlg::OnIdle() { return false; }

LRESULT CMainDlg::OnInitDialog() {
  CenterWindow(hwnd_);

  HINSTANCE instance = TheModule().ResourceInstance();
  auto loadIcon = [instance](int cx, int cy) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_DORVANE), IMAGE_ICON,
                                           ::GetSystemMetrics(cx), ::GetSystemMetrics(cy), 0));
  };
  bigIcon_.Reset(loadIcon(SM_CXICON, SM_CYICON));
  smallIcon_.Reset(loadIcon(SM_CXSMICON, SM_CYSMICON));
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));

  if (CMessageLoop* loop = TheModule().GetMessageLoop()) {
    loop->AddMessageFilter(this);
    loop->AddIdleHandler(this);
  }

  AddTrayIcon();

  InitReportTabs();
  InitPrintSettings();
  return TRUE;
}

LRESULT CMainDlg::OnDestroy() {
  trayIcon_.Remove();
  if (CMessageLoop* loop = TheModule().GetMessageLoop()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  return 0;
}

void CMainDlg::InitReportTabs() {
  tab_ = GetDlgItem(IDC_REPORT_TAB);
  timeChart_.SubclassWindow(GetDlgItem(IDC_REPORT_TIME));
  staticsChart_.SubclassWindow(GetDlgItem(IDC_REPORT_STATICS));
  // Tab index 0 is the time chart and 1 the totals: printing goes by index.
  AppendTab(tab_, kTimeTab, timeChart_.Hwnd());
  AppendTab(tab_, kStaticsTab, staticsChart_.Hwnd());
  staticsChart_.ShowWindow(SW_HIDE);
  if (HWND page = SelectedPage()) {
    ::ShowWindow(page, SW_SHOW);
    ::SetFocus(page);
  }
  // Created at start-up, the picker holds today: the report first shows the
  // weeks of the start-up date.
  datePicker_ = GetDlgItem(IDC_REPORT_DATEPICK);
  ReadReportDate();
}

// The default printer in landscape; without one the settings stay empty and
// the print dialog starts from whatever the system offers.
void CMainDlg::InitPrintSettings() {
  printer_.OpenDefault();
  printSettings_.CopyFrom(printer_);
  DEVMODEW* settings = printSettings_.Get();
  // dmFields stays as the printer gave it.
  if (settings && settings->dmSize >= offsetof(DEVMODEW, dmOrientation) + sizeof(short)) {
    settings->dmOrientation = DMORIENT_LANDSCAPE;
  }
}

HWND CMainDlg::SelectedPage() const {
  const LRESULT selected = ::SendMessageW(tab_, TCM_GETCURSEL, 0, 0);
  if (selected < 0) return nullptr;
  TCITEMW item{};
  item.mask = TCIF_PARAM;
  if (!::SendMessageW(tab_, TCM_GETITEMW, static_cast<WPARAM>(selected),
                      reinterpret_cast<LPARAM>(&item))) {
    return nullptr;
  }
  return reinterpret_cast<HWND>(item.lParam);
}

LRESULT CMainDlg::OnTabSelChanging() {
  if (HWND page = SelectedPage()) ::ShowWindow(page, SW_HIDE);
  return 0;
}

LRESULT CMainDlg::OnTabSelChange() {
  // A page that becomes visible repaints itself whole.
  if (HWND page = SelectedPage()) {
    ::ShowWindow(page, SW_SHOW);
    ::SetFocus(page);
  }
  return 0;
}

void CMainDlg::ReadReportDate() {
  SYSTEMTIME picked{};
  if (::SendMessageW(datePicker_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&picked)) !=
      GDT_VALID) {
    return;
  }
  reportDate_ = FromSystemTime(picked);
}

void CMainDlg::InvalidatePages() {
  ::InvalidateRect(timeChart_.Hwnd(), nullptr, TRUE);
  ::InvalidateRect(staticsChart_.Hwnd(), nullptr, TRUE);
}

LRESULT CMainDlg::OnDateChange() {
  ReadReportDate();
  InvalidatePages();
  return 0;
}

void CMainDlg::MoveReportWeek(int days) {
  ReadReportDate();
  // The weekday stays; month and year follow.
  AddDays(reportDate_, days);
  SYSTEMTIME picked = ToSystemTime(reportDate_);
  ::SendMessageW(datePicker_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&picked));
  InvalidatePages();
}

void CMainDlg::OnPrevWeek() { MoveReportWeek(-7); }
void CMainDlg::OnNextWeek() { MoveReportWeek(+7); }

void CMainDlg::AddTrayIcon() {
  // An interval restored from the record file names its item from the start.
  const Text tip = data_.currentActivity.empty() ? Text(kIdleTip) : data_.currentActivity;
  trayIcon_.Add(hwnd_, kTrayNotifyMessage, bigIcon_.Get(), tip, [this] { OnNoNotificationArea(); });
}

void CMainDlg::OnNoNotificationArea() {
  notifier_.Show(kTrayIconFailed, Text(), MessageIcon::Warning);
  // Having written nothing, as every change is saved when it is made.
  DestroyWindow();
  ::PostQuitMessage(0);
}

LRESULT CMainDlg::OnTrayNotify(LPARAM lParam) {
  switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
      TrackMenu(IDM_LEFTMENU, true);
      break;
    case WM_RBUTTONDOWN:
      TrackMenu(IDM_RIGHTMENU, false);
      break;
    default:
      break;
  }
  return 0;
}

void CMainDlg::TrackMenu(int menuId, bool withItems) {
  if (windowShowing_) return;
  OwnedMenu menu(::LoadMenuW(TheModule().ResourceInstance(), MAKEINTRESOURCEW(menuId)));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu.Get(), 0);
  if (!popup) return;
  if (withItems) InsertItemEntries(popup, data_.catalogue);
  // The chosen command comes back as WM_COMMAND through the command table.
  trayIcon_.TrackMenu(popup);
}

// ---- commands ----

void CMainDlg::OnExit() {
  SaveUnsavedChanges();
  // The window goes first (OnDestroy removes the icon); the quit message's
  // value becomes the process exit code.
  DestroyWindow();
  ::PostQuitMessage(IDM_EXIT);
}

// Every change is saved when it is made; one whose save failed (a file held
// by another program) is tried once more before the program ends. A failure
// then shows its message like any other.
void CMainDlg::SaveUnsavedChanges() {
  if (data_.catalogue.Unsaved()) data_.catalogue.Save(data_.ws);
  if (data_.store.Unsaved()) data_.store.Save();
}

void CMainDlg::OnItem(UINT id) {
  OnItemCommand(data_, static_cast<int>(id), clock_, [this](const Text& tip) { SetTrayTip(tip); });
}

void CMainDlg::OnOpenReport() {
  windowShowing_ = true;
  ShowWindow(SW_SHOW);
}

void CMainDlg::OnCloseReport() {
  ShowWindow(SW_HIDE);
  windowShowing_ = false;
}

INT_PTR CMainDlg::ShowModal(CModalDialog& dialog) {
  ShowingScope showing(windowShowing_);
  return dialog.DoModal(::GetActiveWindow());
}

// The three dialogs of the command menu, each shown through ShowModal, which
// keeps WindowShowing set while it is open.
void CMainDlg::OnSettings() {
  CConfDlg dialog(data_, customColours_);
  ShowModal(dialog);
}

void CMainDlg::OnEditor() {
  CEditDlg dialog(data_, [this](const Text& tip) { SetTrayTip(tip); });
  ShowModal(dialog);
}

void CMainDlg::OnAbout() {
  // A box that cannot be created returns at once; WindowShowing is cleared
  // all the same.
  CAboutDlg about;
  ShowModal(about);
}

// Opens the help page of the working directory in the program the system
// associates with it. The page is the user's document: it is not read or
// checked here, and a failure is only reported.
void CMainDlg::OnHelp() {
  Text path = HelpPagePath(data_.ws.directory);
  HINSTANCE opened =
      ::ShellExecuteW(hwnd_, L"open", WStr(path), nullptr, nullptr, SW_SHOWDEFAULT);
  HelpFailure failure;
  if (HelpOpenFailed(reinterpret_cast<INT_PTR>(opened), failure)) {
    notifier_.Show(failure.text, failure.caption, MessageIcon::None);
  }
}

// Prints the shown tab on one page. Nothing here is shown to the user when
// it fails: the print dialog and the spooler speak for themselves.
void CMainDlg::OnPrint() {
  CPrintDialog dialog;
  // Either block may be null: the dialog then starts from the system's
  // default printer.
  dialog.SetStart(printSettings_.CopyOut(), printer_.MakeDevNames());
  if (!dialog.DoModal(::GetActiveWindow())) return;

  const PRINTDLGW& chosen = dialog.Result();
  if (chosen.hDevMode) {
    LockedGlobal<DEVMODEW> mode(chosen.hDevMode);
    printSettings_.CopyFrom(mode.Get());
  }
  printer_.Close();
  {
    LockedGlobal<DEVNAMES> names(chosen.hDevNames);
    if (names.Get()) {
      const wchar_t* name = reinterpret_cast<const wchar_t*>(names.Get()) + names.Get()->wDeviceOffset;
      printer_.Open(name, printSettings_.Get());
    }
  }

  printRun_.docInfo = DOCINFOW{};
  printRun_.docInfo.cbSize = sizeof(printRun_.docInfo);
  printRun_.docInfo.lpszDocName = kDocumentName;
  // The spooler asks for the file's name.
  printRun_.docInfo.lpszOutput = (chosen.Flags & PD_PRINTTOFILE) ? kPrintToFile : nullptr;
  printRun_.pageSource = this;
  printRun_.firstPage = 0;
  printRun_.lastPage = 0;
  printRun_.printer = printer_.Handle();
  printRun_.defaultDeviceMode = printSettings_.Get();
  printRun_.Run();
}

bool CMainDlg::DrawPage(UINT page, HDC dc) {
  if (page != 0) return false;
  const int pageWidth = ::GetDeviceCaps(dc, HORZRES);
  const int pageHeight = ::GetDeviceCaps(dc, VERTRES);
  const LRESULT selected = ::SendMessageW(tab_, TCM_GETCURSEL, 0, 0);
  const CReportPage* chart = nullptr;
  if (selected == kTimePage) chart = &timeChart_;
  if (selected == kStaticsPage) chart = &staticsChart_;
  if (!chart) return true;  // no tab selected: a blank page

  RECT client{};
  ::GetClientRect(chart->Hwnd(), &client);
  const PageGeometry g =
      FitPage(pageWidth, pageHeight, client.right - client.left, client.bottom - client.top);
  if (g.blank) return true;  // a window without area has no scale
  if (selected == kTimePage) {
    timeChart_.DrawChart(dc, g.scale, g.x0, g.y0);
  } else {
    const POINT origin{g.x0, g.y0};
    staticsChart_.DrawChart(dc, g.scale, &origin);
  }
  return true;
}
