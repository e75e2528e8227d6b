// CMainDlg: the report window (dialog 129, created hidden), the owner of the
// notification icon and its two menus, and the command table through which
// every menu command and report button arrives. One object lives for the
// whole run.
#pragma once

#include <windows.h>

#include <optional>

#include "base/clock.h"
#include "base/notifier.h"
#include "data/activity_data.h"
#include "shell/conf_dlg.h"
#include "shell/file_watch.h"
#include "shell/save_policy.h"
#include "report/win32/report_printer.h"
#include "report/win32/report_view.h"
#include "shell/tray_icon.h"
#include "shell/work_area.h"
#include "win/handles.h"
#include "win/message_loop.h"
#include "win/window.h"

// The icon's callback message; the low word of lParam carries the event,
// wParam the anchor point.
constexpr UINT kTrayNotifyMessage = WM_USER + 1;
static_assert(kTrayNotifyMessage == 1025, "the tray callback message is fixed");

// The report window's title: also the program's identity on the desktop.
extern const wchar_t kReportTitle[];

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
           const MonitorSeam& monitors, Clock clock,
           CReportPrinter::DefaultOpener openPrinter = CReportPrinter::SpoolerDefault,
           ChangeNotifications& notifications = SystemChangeNotifications());
  // Destroys a window still alive, so that OnDestroy removes the icon and
  // the loop registrations.
  ~CMainDlg() override;

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  bool OnIdle() override;

  void SetTrayTip(const Text& text) { trayIcon_.SetTip(text); }
  // False while the icon is not registered: the window waits hidden for a
  // notification area, and ends the program when none comes.
  bool HasTrayIcon() const { return trayIcon_.Added(); }
  // Set while the report or a modal dialog of the command menu is showing;
  // the icon then opens no menu but brings that window forward.
  bool WindowShowing() const { return windowShowing_; }
  const SavePolicy& Saves() const { return saves_; }
  const CFileWatch& Watch() const { return watch_; }

  // The date last read from the report's date picker: the charts show its
  // week and the week after.
  const LocalDateTime& ReportDate() const { return report_.ReportDate(); }
  const CReportTime& TimeChart() const { return report_.TimeChart(); }
  const CReportStatics& StaticsChart() const { return report_.StaticsChart(); }

  // The print run's page source: page 0 is the selected tab's chart, scaled
  // up by the largest whole factor that fits the printable area, centred.
  bool DrawPage(UINT page, HDC dc) override;
  bool IsPageValid(UINT page) override { return page == 0; }

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
  // Adds the icon with the window's big icon.
  void AddTrayIcon();
  // No notification area within the wait: nothing can reach the program.
  void OnNoNotificationArea();
  // A gesture on the icon opens its menu, or while a window is showing
  // brings that window forward.
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
  bool OnCommand(UINT id);

  // The command table's handlers.
  void OnExit();
  // Before a dialog that changes the files opens: what other programs saved
  // is taken in, and the tooltip names the running item it holds.
  void TakeInEdits();
  // An edit the watch took in: the tooltip and a report on the screen
  // follow it.
  void FollowEdit();
  // Item j's command (IDM_FIRST_ITEM + j) picks item j.
  void OnItemCommand(UINT id);
  void OnOpenReport();
  void OnCloseReport();
  void OnSettings();
  void OnEditor();
  void OnAbout();
  void OnHelp();
  void OnPrint();

  // Shows a modal dialog owned by the active window with WindowShowing set.
  INT_PTR ShowModal(CModalDialog& dialog);

  // Opens the request's menu from the resources, the item menu with the
  // catalogue's items, and runs the chosen command through the command
  // table; the dialogs of a keyboard menu's command open on the icon's
  // monitor.
  void TrackMenu(const TrayRequest& request);

  ActivityData& data_;
  Notifier& notifier_;
  Clock clock_;
  const MonitorSeam& monitors_;
  CTrayIcon trayIcon_;

  OwnedIcon bigIcon_;
  OwnedIcon smallIcon_;
  bool windowShowing_ = false;
  // The command a keyboard menu posted, and the icon's anchor it was chosen
  // at: the dialogs it opens go on that monitor.
  struct KeyboardChoice {
    UINT id;
    POINT anchor;
  };
  std::optional<KeyboardChoice> keyboardCommand_;
  // A modal dialog of the command menu is open; the program is to end when
  // it closes.
  bool modalOpen_ = false;
  bool endAfterModal_ = false;
  // From the item menu's opening until the command chosen in it has run:
  // its ids are positions in the catalogue it showed.
  bool menuOpen_ = false;
  SavePolicy saves_;
  CFileWatch watch_;
  // The colour dialog's custom colours, kept for the run.
  CustomColours customColours_ = WhiteCustomColours();

  // The report's pages and date, and its printer: both kept for the whole
  // run, like WindowShowing.
  CReportView report_;
  CReportPrinter printer_;
};
