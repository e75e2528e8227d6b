#include "shell/main_dlg.h"

#include <optional>
#include <utility>

#include "resource.h"
#include "data/tracker.h"
#include "shell/messages.h"
#include "win/centre.h"
#include "win/module.h"

const wchar_t kReportTitle[] = L"Dorvane レポート";

void InsertItemEntries(HMENU popup, const ItemCatalogue& catalogue) {
  for (int j = 0; j < catalogue.Count(); ++j) {
    const Text& name = catalogue.Name(j);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
    item.fType = MFT_STRING;
    item.fState = MFS_ENABLED | MFS_UNCHECKED;  // the running item is not marked
    item.wID = static_cast<UINT>(IDM_FIRST_ITEM + j);
    item.dwTypeData = const_cast<wchar_t*>(WStr(name));
    ::InsertMenuItemW(popup, static_cast<UINT>(j), TRUE, &item);
  }
}

CMainDlg::CMainDlg(ActivityData& data, Notifier& notifier)
    : CMainDlg(data, notifier, SystemTray(), SystemMonitors(), SystemLocalTime) {}

CMainDlg::CMainDlg(ActivityData& data, Notifier& notifier, TrayShell& tray,
                   const MonitorSeam& monitors, Clock clock,
                   CReportPrinter::DefaultOpener openPrinter,
                   ChangeNotifications& notifications)
    : CModelessDialog(IDD_REPORT),
      data_(data),
      notifier_(notifier),
      clock_(std::move(clock)),
      monitors_(monitors),
      trayIcon_(tray, monitors),
      saves_(data),
      watch_(data, notifications),
      report_(data),
      printer_(std::move(openPrinter)) {}

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
      result = OnTrayNotify(wParam, lParam);
      return true;
    case WM_QUERYENDSESSION:
      // Windows asks whether the session may end: false holds it up.
      result = saves_.OnQueryEndSession() ? TRUE : FALSE;
      return true;
    case WM_ENDSESSION:
      // The user signs out or shuts down: the process ends after this.
      if (wParam) saves_.OnEndSession();
      result = 0;
      return true;
    case WM_TIMER:
      if (!saves_.OnTimer(wParam) && !watch_.OnTimer(wParam)) break;
      result = 0;
      return true;
    case WM_COMMAND: {
      // Any notification code: a menu (0), an accelerator (1) or a button.
      result = 0;
      std::optional<MonitorSeam::KeyboardCommand> onIconsMonitor;
      if (keyboardCommand_ && keyboardCommand_->id == LOWORD(wParam)) {
        onIconsMonitor.emplace(keyboardCommand_->anchor);
      }
      keyboardCommand_.reset();
      const bool handled = OnCommand(LOWORD(wParam));
      // The help page opens in another program, which keeps the focus.
      if (onIconsMonitor && LOWORD(wParam) != IDM_HELP) trayIcon_.AfterKeyboardCommand(windowShowing_);
      if (std::exchange(menuOpen_, false)) watch_.Resume();
      return handled;
    }
    case WM_NOTIFY:
      return lParam && report_.OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    default:
      break;
  }
  result = 0;
  return trayIcon_.ProcessWindowMessage(msg, wParam);
}

bool CMainDlg::OnCommand(UINT id) {
  if (id >= IDM_FIRST_ITEM && id <= IDM_LAST_ITEM) {
    OnItemCommand(id);
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
      report_.MoveWeek(-7);
      return true;
    case IDC_REPORT_NEXTWEEK:
      report_.MoveWeek(+7);
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

BOOL CMainDlg::PreTranslateMessage(MSG* msg) { return ::IsDialogMessageW(hwnd_, msg); }

// The saves of whatever the messages did (a pick, the editor, the settings)
// are over: the sign-out's reason follows what they left unsaved.
bool CMainDlg::OnIdle() {
  saves_.UpdateBlockReason();
  return false;
}

LRESULT CMainDlg::OnInitDialog() {
  CenterWindow(hwnd_, monitors_);

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

  report_.Attach(GetDlgItem(IDC_REPORT_TAB), GetDlgItem(IDC_REPORT_TIME),
                 GetDlgItem(IDC_REPORT_STATICS), GetDlgItem(IDC_REPORT_DATEPICK));
  // A start that found a pending file brings the files up to date.
  saves_.Attach(hwnd_);
  watch_.Attach(hwnd_, TheModule().GetMessageLoop(), [this] { return !modalOpen_ && !menuOpen_; },
                [this] { FollowEdit(); });
  return TRUE;
}

LRESULT CMainDlg::OnDestroy() {
  saves_.Detach();
  watch_.Detach();
  trayIcon_.Remove();
  if (CMessageLoop* loop = TheModule().GetMessageLoop()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  return 0;
}

void CMainDlg::AddTrayIcon() {
  // An interval restored from the record file names its item from the start.
  trayIcon_.Add(hwnd_, kTrayNotifyMessage, bigIcon_.Get(), TrayTip(data_.currentActivity), [this] { OnNoNotificationArea(); });
}

void CMainDlg::OnNoNotificationArea() {
  // Ending now would destroy the owner of the open dialog under the user's
  // hands: the end comes when it closes.
  if (modalOpen_) {
    endAfterModal_ = true;
    return;
  }
  // The icon can also be lost in the middle of a run (a shell that
  // restarted and refused it): a change whose save failed is tried once
  // more, and one that no file holds ends as 終了 ends it, asked first;
  // いいえ keeps the program running and offering its icon.
  notifier_.Show(kTrayIconFailed.text, kTrayIconFailed.caption, kTrayIconFailed.icon);
  if (!saves_.ConfirmExit()) {
    AddTrayIcon();
    return;
  }
  DestroyWindow();
  ::PostQuitMessage(0);
}

LRESULT CMainDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  const TrayRequest request = trayIcon_.Decode(wParam, lParam);
  if (request.menu == TrayRequest::kNone) return 0;
  if (windowShowing_) {
    trayIcon_.BringForward();
    return 0;
  }
  TrackMenu(request);
  return 0;
}

void CMainDlg::TrackMenu(const TrayRequest& request) {
  const bool items = request.menu == TrayRequest::kItems;
  OwnedMenu menu(::LoadMenuW(TheModule().ResourceInstance(),
                             MAKEINTRESOURCEW(items ? IDM_LEFTMENU : IDM_RIGHTMENU)));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu.Get(), 0);
  if (!popup) return;
  if (items) {
    if (watch_.LookBeforeShowing()) FollowEdit();
    InsertItemEntries(popup, data_.catalogue);
  }
  menuOpen_ = true;
  const UINT command = trayIcon_.TrackMenu(popup, request);
  if (command == 0) {
    menuOpen_ = false;
    watch_.Resume();
    return;
  }
  // Posted, as a menu that does not return its command posts it: the
  // command runs from the loop, after the shell's notification is answered.
  keyboardCommand_.reset();
  if (request.keyboard) keyboardCommand_ = KeyboardChoice{command, request.anchor};
  ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// ---- commands ----

// 終了 asks first only when a change is held by no file.
void CMainDlg::OnExit() {
  if (!saves_.ConfirmExit()) return;
  // The window goes first (OnDestroy removes the icon); the quit message's
  // value becomes the process exit code.
  DestroyWindow();
  ::PostQuitMessage(IDM_EXIT);
}

void CMainDlg::TakeInEdits() {
  if (::TakeInEdits(data_)) SetTrayTip(TrayTip(data_.currentActivity));
}

void CMainDlg::FollowEdit() {
  SetTrayTip(TrayTip(data_.currentActivity));
  if (::IsWindowVisible(hwnd_)) ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CMainDlg::OnItemCommand(UINT id) {
  PickItem(data_, static_cast<int>(id - IDM_FIRST_ITEM), clock_,
           [this](const Text& running) { SetTrayTip(TrayTip(running)); });
}

void CMainDlg::OnOpenReport() {
  if (watch_.LookBeforeShowing()) FollowEdit();
  windowShowing_ = true;
  // On the monitor where レポート was chosen, as the other dialogs.
  if (!::IsWindowVisible(hwnd_)) CenterOnCommandMonitor(hwnd_, monitors_);
  ShowWindow(SW_SHOW);
}

void CMainDlg::OnCloseReport() {
  // Cleared first: hiding the active window activates another, possibly in
  // another process, and while it waits on that the thread takes in messages
  // sent to it, the icon's among them. The report is already hidden then,
  // so a gesture on the icon must open its menu.
  windowShowing_ = false;
  ShowWindow(SW_HIDE);
  trayIcon_.WindowClosed();
}
