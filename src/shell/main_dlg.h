// CMainDlg: the report window (dialog 129, created hidden), the owner of the
// notification icon and its two menus, and the command table through which
// every menu command and report button arrives. One object lives for the
// whole run.
#pragma once

#include <windows.h>

#include "base/clock.h"
#include "base/notifier.h"
#include "data/activity_data.h"
#include "shell/conf_dlg.h"
#include "report/win32/printing.h"
#include "report/win32/report_charts.h"
#include "shell/tray_shell.h"
#include "shell/work_area.h"
#include "win/handles.h"
#include "win/message_loop.h"
#include "win/window.h"

// The icon's callback message; lParam carries the mouse message.
constexpr UINT kTrayNotifyMessage = WM_USER + 1;
static_assert(kTrayNotifyMessage == 1025, "the tray callback message is fixed");

// The report window's title: also the program's identity on the desktop.
extern const wchar_t kReportTitle[];
// The tooltip while nothing is timed.
extern const char16_t kIdleTip[];

// Inserts item j of the catalogue at position j of the popup (before the
// separator), with command id 40001 + j, enabled and unchecked.
void InsertItemEntries(HMENU popup, const ItemCatalogue& catalogue);

class CMainDlg : public CModelessDialog,
                 public CMessageFilter,
                 public CIdleHandler,
                 public CPrintJobInfo {
 public:
  // The desktop's tray and monitors and the local clock.
  CMainDlg(ActivityData& data, Notifier& notifier);
  // Seams for tests.
  CMainDlg(ActivityData& data, Notifier& notifier, TrayShell& tray,
           const MonitorSeam& monitors, Clock clock);
  // Destroys a window still alive, so that OnDestroy removes the icon and
  // the loop registrations.
  ~CMainDlg() override;

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  bool OnIdle() override;

  // Registers the icon; retries once a second while the shell times out.
  // Any other failure warns the user once and returns false.
  bool AddTrayIcon();
  void SetTrayTip(const Text& text);
  void RemoveTrayIcon();
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);

  // False when the icon could not be registered: the user has no way to
  // reach the program, and start-up ends it.
  bool HasTrayIcon() const { return trayIconAdded_; }
  // Set while the report or a modal dialog of the command menu is showing;
  // the icon then opens no menu.
  bool WindowShowing() const { return windowShowing_; }

  // The date last read from the report's date picker: the charts show its
  // week and the week after.
  const LocalDateTime& ReportDate() const { return reportDate_; }
  const CReportTime& TimeChart() const { return timeChart_; }
  const CReportStatics& StaticsChart() const { return staticsChart_; }

  // The print run's page source: page 0 is the selected tab's chart, scaled
  // up by the largest whole factor that fits the printable area, centred.
  bool DrawPage(UINT page, HDC dc) override;
  bool IsPageValid(UINT page) override { return page == 0; }
  // The printer and settings the next Print starts from (null when none).
  HANDLE Printer() const { return printer_.Handle(); }
  const DEVMODEW* PrintSettings() const { return printSettings_.Get(); }
  // The last print job as it was set up.
  const CPrintRun& LastPrintRun() const { return printRun_; }

 private:
  // Sets WindowShowing for one scope: the time a modal dialog is open.
  class ShowingScope {
   public:
    explicit ShowingScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~ShowingScope() { flag_ = false; }
    ShowingScope(const ShowingScope&) = delete;
    ShowingScope& operator=(const ShowingScope&) = delete;

   private:
    bool& flag_;
  };

  LRESULT OnInitDialog();
  LRESULT OnDestroy();
  bool OnCommand(UINT id);
  bool OnNotify(const NMHDR& header, LRESULT& result);

  // Hooks of OnInitDialog, in this order after the icon is registered.
  void InitReportTabs();
  void InitPrintSettings();

  // The command table's handlers.
  void OnExit();
  void SaveUnsavedChanges();
  void OnItem(UINT id);
  void OnOpenReport();
  void OnCloseReport();
  void OnSettings();
  void OnEditor();
  void OnAbout();
  void OnHelp();
  void OnPrint();
  void OnPrevWeek();
  void OnNextWeek();

  // The report's tabs and date picker.
  LRESULT OnTabSelChanging();
  LRESULT OnTabSelChange();
  LRESULT OnDateChange();
  // The page of the selected tab (its item data), or null.
  HWND SelectedPage() const;
  void ReadReportDate();
  void MoveReportWeek(int days);
  void InvalidatePages();

  // Shows a modal dialog owned by the active window with WindowShowing set.
  INT_PTR ShowModal(CModalDialog& dialog);

  void TrackMenu(int menuId, bool withItems);
  NOTIFYICONDATAW IconDescription(HWND window, UINT flags) const;

  ActivityData& data_;
  Notifier& notifier_;
  TrayShell& tray_;
  const MonitorSeam& monitors_;
  Clock clock_;

  OwnedIcon bigIcon_;
  OwnedIcon smallIcon_;
  HWND iconWindow_ = nullptr;  // the window the icon was added under
  HICON trayIcon_ = nullptr;   // the big icon, owned by bigIcon_
  bool trayIconAdded_ = false;
  bool windowShowing_ = false;
  // The colour dialog's custom colours, kept for the run.
  CustomColours customColours_ = WhiteCustomColours();

  // The report. ReportDate is process-wide like WindowShowing and lives
  // beside it for the whole run; the pages read it at every paint.
  LocalDateTime reportDate_;
  HWND tab_ = nullptr;
  HWND datePicker_ = nullptr;
  CReportTime timeChart_;
  CReportStatics staticsChart_;

  // Printing: kept for the whole run, never written to disk.
  CPrinterConnection printer_;
  CDeviceModeCopy printSettings_;
  CPrintRun printRun_;
};
