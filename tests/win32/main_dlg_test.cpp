#include "shell/main_dlg.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/help_page.h"
#include "data/tracker.h"
#include "resource.h"
#include "shell/message_box_notifier.h"
#include "support/dates.h"
#include "support/fake_notifications.h"
#include "support/ini_by_hand.h"
#include "support/main_dlg_fixture.h"
#include "support/memory_files.h"
#include "support/modal_spy.h"
#include "support/recording_notifier.h"
#include "support/records.h"
#include "support/shell_fakes.h"
#include "support/win32_messages.h"
#include "win/centre.h"
#include "win/list_view.h"
#include "win/module.h"

namespace {

// ---- seams ----

LocalDateTime FixedNow() { return DTW(2024, 5, 14, 2, 9, 30); }
const Text kCsv = u"C:\\dorvane-test\\data.csv";
const Text kIni = u"C:\\dorvane-test\\Dorvane.ini";

// A CMainDlg on fakes, with `items` in the catalogue.
class MainDlgTest : public MainDlgFixture {
 protected:
  MainDlgTest() : MainDlgFixture(u"C:\\dorvane-test") {}
  void AddItems(int count) { AddItems(data_, count); }
  static void AddItems(ActivityData& data, int count) {
    for (int j = 0; j < ItemCatalogue::kMaxSlots; ++j) data.catalogue.AddSlot(0x0000FF + j, 1);
    const char16_t* names[] = {u"仕事", u"会議", u"読書"};
    for (int j = 0; j < count; ++j) {
      data.catalogue.AddName(j < 3 ? Text(names[j]) : u"item" + TextFromUtf8(std::to_string(j)));
    }
  }

  CMainDlg& Dialog() {
    if (!dialog_) {
      dialog_ = std::make_unique<CMainDlg>(data_, notifier_, tray_, monitors_, FixedNow);
    }
    return *dialog_;
  }

  HWND Create() {
    HWND hwnd = Dialog().Create(nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }

  LRESULT Command(UINT id) { return ::SendMessageW(Dialog().Hwnd(), WM_COMMAND, id, 0); }
};

// ---- the notification icon ----

const UINT kTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
constexpr UINT kAddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;

// Whether the wait for a notification area runs: its timer is ended by the
// check and started again as it was.
bool WaitRuns(HWND hwnd, const FakeTray& tray) {
  if (!::KillTimer(hwnd, CTrayIcon::kAreaWaitTimer)) return false;
  ::SetTimer(hwnd, CTrayIcon::kAreaWaitTimer, tray.areaWait, nullptr);
  return true;
}

TEST_F(MainDlgTest, InitDialogRegistersTheIconWithItsFixedDescriptionAndVersion4) {
  HWND hwnd = Create();
  EXPECT_FALSE(::IsWindowVisible(hwnd)) << "created hidden";
  ASSERT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
  const NOTIFYICONDATAW& nid = tray_.calls[0].data;
  for (const TrayCall& call : tray_.calls) {
    EXPECT_EQ(call.data.cbSize, 956u) << "the layout since Vista";
    EXPECT_EQ(call.data.hWnd, hwnd);
    EXPECT_EQ(call.data.uID, 0u);
  }
  EXPECT_EQ(nid.uFlags, 0x87u) << "NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP";
  EXPECT_EQ(nid.uCallbackMessage, 1025u);
  EXPECT_EQ(tray_.calls[1].data.uVersion, 4u);
  EXPECT_EQ(tray_.allowed, (std::vector<std::pair<HWND, UINT>>{{hwnd, kTaskbarCreated}}))
      << "TaskbarCreated passes privilege isolation";
  EXPECT_EQ(SystemTray().AreaWaitMilliseconds(), 60000u);
  EXPECT_NE(nid.hIcon, nullptr);
  EXPECT_EQ(tray_.calls[0].Tip(), L"Dorvane");
  EXPECT_TRUE(Dialog().HasTrayIcon());
  EXPECT_TRUE(notifier_.shown.empty());

  EXPECT_EQ(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(nid.hIcon))
      << "the tray shows the window's big icon";
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
  wchar_t title[64] = {};
  ::GetWindowTextW(hwnd, title, 64);
  EXPECT_STREQ(title, kReportTitle);
}

TEST_F(MainDlgTest, ARestoredRunningItemNamesTheIconFromTheStart) {
  data_.currentActivity = u"会議";
  Create();
  ASSERT_EQ(tray_.calls.size(), 2u);
  EXPECT_EQ(tray_.calls[0].Tip(), L"会議");
}

TEST_F(MainDlgTest, TimeOutsAreRetriedOnceASecondUntilTheShellAnswers) {
  // Timed out, the modify fails too, then the second add succeeds.
  tray_.script = {{false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT}, {true, 0}};
  Create();
  EXPECT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_SETVERSION}));
  EXPECT_EQ(tray_.waits, std::vector<DWORD>{1000});
  EXPECT_TRUE(Dialog().HasTrayIcon());
  EXPECT_TRUE(notifier_.shown.empty());
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(tray_.calls[i].data.uFlags, kAddFlags);
    EXPECT_EQ(tray_.calls[i].Tip(), L"Dorvane");
  }
}

TEST_F(MainDlgTest, AModifyThatSucceedsAfterATimeOutMeansTheIconIsThere) {
  tray_.script = {{false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT},
                  {true, 0}};
  Create();
  EXPECT_EQ(tray_.Messages(),
            (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY, NIM_SETVERSION}));
  EXPECT_EQ(tray_.waits.size(), 1u);
  EXPECT_TRUE(Dialog().HasTrayIcon());
}

// Before the taskbar exists (a start at sign-in) the shell refuses the icon;
// a hung one times out on every call.
TEST_F(MainDlgTest, AnyOtherFailureWaitsAMinuteForANotificationAreaThenWarnsOnceAndEnds) {
  const std::pair<bool, DWORD> timeOut{false, ERROR_TIMEOUT}, refused{false, ERROR_FILE_NOT_FOUND};
  struct Case {
    const char* what;
    std::deque<std::pair<bool, DWORD>> script;
    size_t waits;
  };
  const Case cases[] = {
      {"refused at once", {{false, ERROR_ACCESS_DENIED}, {false, ERROR_ACCESS_DENIED}}, 0},
      {"failed without an error", {{false, ERROR_SUCCESS}, {false, ERROR_SUCCESS}}, 0},
      {"refused after a time-out", {timeOut, timeOut, refused, refused}, 1},
      {"timed out three seconds long", std::deque<std::pair<bool, DWORD>>(8, timeOut), 3},
  };
  // The wait ends on a timer: its box comes above the program in front.
  struct WithStyles : RecordingNotifier {
    void Show(const Text& text, const Text& caption, MessageIcon icon) override {
      styles.push_back(UnaskedBoxes::Style());
      RecordingNotifier::Show(text, caption, icon);
    }
    std::vector<unsigned> styles;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTray tray;
    WithStyles notifier;
    tray.script = c.script;
    tray.areaWait = 50;
    CMainDlg dialog(data_, notifier, tray, monitors_, FixedNow);
    HWND hwnd = dialog.Create(nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(dialog.HasTrayIcon());
    std::vector<DWORD> sent;  // an add and a modify before each wait and after the last
    for (size_t i = 0; i <= c.waits; ++i) sent.insert(sent.end(), {NIM_ADD, NIM_MODIFY});
    EXPECT_EQ(tray.Messages(), sent);
    EXPECT_EQ(tray.waits, std::vector<DWORD>(c.waits, 1000));
    EXPECT_TRUE(notifier.shown.empty()) << "no word while the notification area may still come";
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_FALSE(::IsWindowVisible(hwnd)) << "the program keeps running, hidden";

    const int quit = PumpUntilIdle([&] { return !notifier.shown.empty(); }, 5000);
    ASSERT_EQ(notifier.shown.size(), 1u) << "the wait's timer never ended";
    EXPECT_EQ(notifier.shown[0].text, u"通知領域にアイコンを登録できませんでした。");
    EXPECT_EQ(notifier.shown[0].caption, u"") << "the system's default caption";
    EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(notifier.styles, std::vector<unsigned>{MB_TOPMOST | MB_SETFOREGROUND});
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(quit, 0) << "ends as a start without an icon always did";
  }
  EXPECT_TRUE(files_.files.empty());
}

TEST_F(MainDlgTest, ANotificationAreaThatComesLaterGetsTheIconAndEndsTheWait) {
  data_.currentActivity = u"仕事";
  tray_.script = std::deque<std::pair<bool, DWORD>>(4, {false, ERROR_FILE_NOT_FOUND});
  HWND hwnd = Create();
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  EXPECT_FALSE(Dialog().HasTrayIcon()) << "that one refused too: the wait goes on";
  EXPECT_TRUE(WaitRuns(hwnd, tray_));

  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  EXPECT_TRUE(Dialog().HasTrayIcon());
  EXPECT_FALSE(WaitRuns(hwnd, tray_)) << "the wait ended";
  ASSERT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY,
                                                  NIM_ADD, NIM_SETVERSION}));
  EXPECT_EQ(0, std::memcmp(&tray_.calls[4].data, &tray_.calls[0].data, sizeof(NOTIFYICONDATAW)));
  EXPECT_EQ(tray_.calls[4].Tip(), L"仕事");

  // A tick already queued when the wait ended.
  ::SendMessageW(hwnd, WM_TIMER, CTrayIcon::kAreaWaitTimer, 0);
  EXPECT_TRUE(notifier_.shown.empty());
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_EQ(PumpUntilIdle(), -1);
}

// Explorer restarted: the new shell knows no icon.
TEST_F(MainDlgTest, TaskbarCreatedAddsTheIconAgainWithTheTooltipOfNow) {
  AddItems(2);
  HWND hwnd = Create();
  Command(IDM_FIRST_ITEM + 1);
  const size_t before = tray_.calls.size();
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  ASSERT_EQ(tray_.calls.size(), before + 2);
  const TrayCall& add = tray_.calls[before];
  ASSERT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(0, std::memcmp(&add.data, &tray_.calls[0].data, offsetof(NOTIFYICONDATAW, szTip)))
      << "the description of the first add";
  EXPECT_EQ(add.Tip(), L"会議");
  EXPECT_EQ(tray_.calls.back().message, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(tray_.calls.back().data.uVersion, 4u);
  EXPECT_FALSE(WaitRuns(hwnd, tray_)) << "no wait was started";
}

// After a DPI change or a Remote Desktop reconnection the shell announces
// itself with the icon still there, and refuses to add it twice.
TEST_F(MainDlgTest, TaskbarCreatedWhileTheIconExistsModifiesIt) {
  AddItems(2);
  HWND hwnd = Create();
  Command(IDM_FIRST_ITEM);
  const size_t before = tray_.calls.size();
  tray_.script = {{false, ERROR_SUCCESS}};
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  ASSERT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_MODIFY, NIM_ADD,
                                                  NIM_MODIFY, NIM_SETVERSION}));
  const TrayCall& modify = tray_.calls[before + 1];
  EXPECT_EQ(0, std::memcmp(&modify.data, &tray_.calls[before].data, sizeof(NOTIFYICONDATAW)));
  EXPECT_EQ(modify.data.uFlags, kAddFlags);
  EXPECT_EQ(modify.Tip(), L"仕事") << "the tooltip of now";
  EXPECT_TRUE(Dialog().HasTrayIcon());
  EXPECT_FALSE(WaitRuns(hwnd, tray_));
}

// Explorer restarted and the new shell refused the icon: the wait of a
// start before the taskbar, and a change whose save failed is saved at the end.
TEST_F(MainDlgTest, AFailedReAddWaitsForTheNotificationAreaAgain) {
  AddItems(2);
  tray_.areaWait = 50;
  HWND hwnd = Create();
  files_.held = {kCsv};
  Command(IDM_FIRST_ITEM);
  files_.held.clear();
  notifier_.shown.clear();
  tray_.script = {{false, ERROR_FILE_NOT_FOUND}, {false, ERROR_FILE_NOT_FOUND}};
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  EXPECT_FALSE(Dialog().HasTrayIcon());
  EXPECT_TRUE(notifier_.shown.empty());

  PumpUntilIdle([&] { return !notifier_.shown.empty(); }, 5000);
  ASSERT_FALSE(notifier_.shown.empty());
  EXPECT_EQ(notifier_.shown[0].text, u"通知領域にアイコンを登録できませんでした。");
  EXPECT_TRUE(files_.files.count(kCsv)) << "the pick is saved";
  EXPECT_FALSE(::IsWindow(hwnd));
}

// The end without a notification area is 終了's: a change that no file
// holds is asked about first, and いいえ keeps the program running and
// offering its icon; once a file holds the change, the next end asks nothing.
TEST_F(MainDlgTest, AnEndWithoutANotificationAreaAsksAboutAChangeThatNoFileHolds) {
  AddItems(1);
  tray_.areaWait = 50;
  HWND hwnd = Create();
  files_.held = {kCsv, kCsv + u".~pending"};
  Command(IDM_FIRST_ITEM);
  notifier_.shown.clear();
  tray_.script = std::deque<std::pair<bool, DWORD>>(100, {false, ERROR_FILE_NOT_FOUND});
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  int asked = 0;
  {
    ModalSpy no(L"警告", [&](HWND box) {
      ++asked;
      ::PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    PumpUntilIdle([&] { return asked > 0; }, 5000);
  }
  ASSERT_EQ(asked, 1);
  EXPECT_EQ(notifier_.Texts(), std::vector<Text>{u"通知領域にアイコンを登録できませんでした。"});
  EXPECT_TRUE(::IsWindow(hwnd)) << "いいえ keeps the program running";
  EXPECT_TRUE(WaitRuns(hwnd, tray_)) << "and waiting for a notification area";

  files_.held = {kCsv};  // the pending file can be written again
  ::SendMessageW(hwnd, WM_TIMER, SavePolicy::kCatchUpTimer, 0);
  PumpUntilIdle([&] { return !::IsWindow(hwnd); }, 5000);
  EXPECT_FALSE(::IsWindow(hwnd)) << "the pending file holds the change: no question";
  EXPECT_EQ(asked, 1);
}

// A refused icon is offered again; a shell that times out is not waited on.
TEST_F(MainDlgTest, ARefusedIconIsOfferedAgainDuringTheWait) {
  const std::pair<bool, DWORD> refused{false, ERROR_FILE_NOT_FOUND}, timeOut{false, ERROR_TIMEOUT};
  tray_.script = {refused, refused, timeOut, timeOut};
  tray_.areaRetry = 20;
  HWND hwnd = Create();
  PumpUntilIdle([&] { return Dialog().HasTrayIcon(); }, 5000);
  EXPECT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY,
                                                  NIM_ADD, NIM_SETVERSION}));
  EXPECT_TRUE(tray_.waits.empty());
  EXPECT_FALSE(WaitRuns(hwnd, tray_));
  EXPECT_FALSE(::KillTimer(hwnd, CTrayIcon::kAreaRetryTimer)) << "the offers ended";
}

// A wait that runs out under the About box ends the program when it closes.
TEST_F(MainDlgTest, AWaitThatRunsOutUnderADialogEndsWhenTheDialogCloses) {
  tray_.script = std::deque<std::pair<bool, DWORD>>(100, {false, ERROR_FILE_NOT_FOUND});
  HWND hwnd = Create();
  bool aliveUnderTheBox = false;
  ModalSpy about(L"Dorvane About", [&](HWND) {
    ::SendMessageW(hwnd, WM_TIMER, CTrayIcon::kAreaWaitTimer, 0);
    PumpUntilIdle();
    aliveUnderTheBox = ::IsWindow(hwnd) && notifier_.shown.empty();
  }, ModalSpy::kCancelAfter);
  Command(IDM_ABOUT);
  EXPECT_TRUE(about.Acted() && aliveUnderTheBox);
  EXPECT_EQ(notifier_.shown.size(), 1u) << "the usual warning";
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(MainDlgTest, TheTooltipChangesAloneAndLongTextsAreCutSafely) {
  HWND hwnd = Create();
  Dialog().SetTrayTip(u"読書");
  ASSERT_EQ(tray_.calls.size(), 3u);
  const TrayCall& tip = tray_.calls[2];
  EXPECT_EQ(tip.message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(tip.data.uFlags, static_cast<UINT>(NIF_TIP | NIF_SHOWTIP))
      << "under version 4 the shell shows the standard tooltip only when asked";
  EXPECT_EQ(tip.data.hWnd, hwnd);
  EXPECT_EQ(tip.data.uID, 0u);
  EXPECT_EQ(tip.data.cbSize, 956u);
  EXPECT_EQ(tip.Tip(), L"読書");

  Dialog().SetTrayTip(Text(200, u'a'));
  EXPECT_EQ(tray_.calls.back().Tip(), std::wstring(127, L'a'));
  Dialog().SetTrayTip(Text(127, u'b'));
  EXPECT_EQ(tray_.calls.back().Tip(), std::wstring(127, L'b')) << "127 units fit whole";
  // A character outside the basic plane across the cut goes whole.
  Dialog().SetTrayTip(Text(126, u'c') + u"\U0001F600" + u"d");
  EXPECT_EQ(tray_.calls.back().Tip(), std::wstring(126, L'c'));
  Dialog().SetTrayTip(Text(125, u'c') + u"\U0001F600" + u"d");
  EXPECT_EQ(tray_.calls.back().Tip(), std::wstring(125, L'c') + L"\U0001F600");
}

TEST(CopyTip, NeverOverrunsTheFieldOrSplitsAPair) {
  wchar_t field[8];
  for (wchar_t& c : field) c = L'#';
  CopyTip(u"abcdefghij", field, 5);
  EXPECT_STREQ(field, L"abcd");
  EXPECT_EQ(field[5], L'#');
  CopyTip(u"abc\U0001F600", field, 5);
  EXPECT_STREQ(field, L"abc") << "the pair would end at unit 5, one past the room";
  CopyTip(u"", field, 5);
  EXPECT_STREQ(field, L"");
  CopyTip(u"\U0001F600", field, 2);
  EXPECT_STREQ(field, L"");
}

TEST_F(MainDlgTest, DestroyingTheWindowRemovesTheIconAndTheLoopRegistrations) {
  HWND hwnd = Create();
  // Last registered filter first: the dialog is asked before this one.
  struct Sentinel : CIdleHandler {
    bool OnIdle() override { return ++calls, true; }
    int calls = 0;
  } sentinel;
  loop_.AddIdleHandler(&sentinel);
  EXPECT_FALSE(loop_.OnIdle(0)) << "the dialog's idle handler is done at once";
  EXPECT_EQ(sentinel.calls, 0) << "and it was registered before the sentinel";

  Dialog().DestroyWindow();
  ASSERT_EQ(tray_.calls.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(tray_.calls.back().data.hWnd, hwnd) << "the window the icon was added under";
  EXPECT_EQ(tray_.calls.back().data.uID, 0u);
  EXPECT_EQ(tray_.calls.back().data.uFlags, 0u);
  EXPECT_FALSE(loop_.RemoveMessageFilter(&Dialog()));
  EXPECT_FALSE(loop_.RemoveIdleHandler(&Dialog()));
  EXPECT_TRUE(loop_.OnIdle(0));
  loop_.RemoveIdleHandler(&sentinel);
}

// A default printer that is off stalls its opening for seconds: start-up
// leaves it to the first 印刷.
TEST_F(MainDlgTest, StartUpOpensNoPrinter) {
  int openings = 0;
  CMainDlg dialog(data_, notifier_, tray_, monitors_, FixedNow, [&openings](CPrinterConnection&) {
    ++openings;
    return false;
  });
  HWND report = dialog.Create(nullptr);
  ASSERT_NE(report, nullptr);
  ::SendMessageW(report, WM_COMMAND, IDM_REPORT, 0);
  EXPECT_EQ(openings, 0);

  // The system's print dialog, or its box when there is no printer.
  ModalSpy printDialog([report](HWND hwnd) {
    wchar_t name[16] = {};
    ::GetClassNameW(hwnd, name, 16);
    return hwnd != report && lstrcmpW(name, L"#32770") == 0;
  }, [](HWND hwnd) { ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0); });
  ::SendMessageW(report, WM_COMMAND, IDC_REPORT_PRINT, 0);
  EXPECT_TRUE(printDialog.Acted());
  EXPECT_EQ(openings, 1);
}

// Two made-up monitors: the report opens on the one where レポート was
// chosen, and where the user put it on that monitor it stays.
TEST_F(MainDlgTest, TheReportOpensOnTheMonitorWhereItWasChosen) {
  MadeUpMonitors monitors = TwoMonitors();
  CMainDlg dialog(data_, notifier_, tray_, monitors, FixedNow);
  HWND report = dialog.Create(nullptr);
  ASSERT_NE(report, nullptr);
  auto openAt = [&](POINT chosen, const RECT* centredOn, POINT at, const char* what) {
    ::SendMessageW(report, WM_COMMAND, IDOK, 0);
    monitors.commandPoint = chosen;
    ::SendMessageW(report, WM_COMMAND, IDM_REPORT, 0);
    RECT r{};
    ::GetWindowRect(report, &r);
    if (centredOn) at = CenteredPosition(r, *centredOn, *centredOn);
    EXPECT_EQ(r.left, at.x) << what;
    EXPECT_EQ(r.top, at.y) << what;
  };
  openAt(POINT{1500, 500}, &kSecondaryWork, POINT{}, "centred on the secondary");
  ::SetWindowPos(report, nullptr, 1100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  openAt(POINT{2000, 900}, nullptr, POINT{1100, 50}, "moved by the user on this monitor");
  openAt(POINT{500, 300}, &kPrimaryWork, POINT{}, "centred on the primary");
}

// ---- the command table ----

// What WindowShowing said when the report was told it hides (WM_SHOWWINDOW).
const CMainDlg* g_hiding = nullptr;
bool g_showingWhileHiding = true;
LRESULT CALLBACK NoteShowingWhileHiding(int code, WPARAM wParam, LPARAM lParam) {
  const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && cwp->message == WM_SHOWWINDOW && !cwp->wParam)
    g_showingWhileHiding = g_hiding->WindowShowing();
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainDlgTest, TheReportOpensFromTheMenuAndOnlyCloseHidesIt) {
  HWND hwnd = Create();
  EXPECT_FALSE(Dialog().WindowShowing());
  Command(IDM_REPORT);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  EXPECT_TRUE(Dialog().WindowShowing());

  Command(IDCANCEL);
  ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindowVisible(hwnd)) << "Esc and the close box leave the report open";
  EXPECT_TRUE(Dialog().WindowShowing());

  // The hide can take in the icon's message, sent from another thread.
  g_hiding = &Dialog();
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, NoteShowingWhileHiding, nullptr, ::GetCurrentThreadId());
  Command(IDOK);
  ::UnhookWindowsHookEx(hook);
  EXPECT_FALSE(g_showingWhileHiding) << "the report still counted as showing while it hid";
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(Dialog().WindowShowing());
  EXPECT_TRUE(::IsWindow(hwnd)) << "hidden, not destroyed";
}

TEST_F(MainDlgTest, EnterInTheReportReachesCloseThroughTheLoopsFilter) {
  HWND hwnd = Create();
  Command(IDM_REPORT);
  // Focus on a control that is not a push button: Enter then means the
  // default button, 閉じる.
  HWND tab = ::GetDlgItem(hwnd, IDC_REPORT_TAB);
  ASSERT_NE(tab, nullptr);
  ::SetFocus(tab);
  MSG msg{};
  msg.hwnd = tab;
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_RETURN;
  EXPECT_TRUE(loop_.PreTranslateMessage(&msg)) << "IsDialogMessageW took it";
  PumpUntilIdle();
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(Dialog().WindowShowing());
}

TEST_F(MainDlgTest, ExitDestroysTheWindowAndQuitsWithItsOwnId) {
  HWND hwnd = Create();
  Command(IDM_EXIT);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(tray_.calls.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(PumpUntilIdle(), 32774);
  EXPECT_TRUE(files_.files.empty()) << "nothing is written at exit";
}

// Whether the catch-up timer runs (the check ends it, then starts it again).
bool CatchUpRuns(HWND hwnd) {
  if (!::KillTimer(hwnd, SavePolicy::kCatchUpTimer)) return false;
  ::SetTimer(hwnd, SavePolicy::kCatchUpTimer, SavePolicy::kCatchUpMilliseconds, nullptr);
  return true;
}

// How a held change is made: by the menu, by the editor (no command), by the
// settings dialog, or found pending at start.
enum class HeldChange { kItem, kItemsAndSettings, kEditor, kSettings, kItemCaughtUpThenItem, kAdopted };
enum class Then { kTimer, kEndSession, kSignOut, kExit };
struct HoldCase {
  const char* name;
  std::vector<Text> held;  // while the change is made
  HeldChange change;
  std::vector<Text> heldThen;
  bool savesFail;  // every quiet save tries, and fails: the holds began after it looked
  std::vector<Then> then;
  std::vector<Text> boxes;
  std::vector<std::pair<Text, const char*>> files;  // nullptr: absent; "": present; else part of it
  Text asked;  // 終了's question, which a sign-out's block reason comes with
};

// Held saves go to pending files with one box per hold; the catch-up timer
// ends each hold quietly, the end of the session waits for none (the pending
// file has the change), and only a change no file holds is asked about at
// 終了 (No the default) and holds up a sign-out (a reason, no box).
TEST_F(MainDlgTest, HeldFilesAreCaughtUpQuietlyAndOnlyAChangeNoFileHoldsIsAskedAboutOrBlocksTheSignOut) {
  const char *work = "\x8e\x64\x8e\x96", *meeting = "\x89\xef\x8b\x63";  // 仕事, 会議
  const Text pending = kCsv + u".~pending", iniPending = kIni + u".~pending";
  const Text cannotOpen = u"ファイルを開けませんでした\r\n", openCsv = cannotOpen + kCsv, openIni = cannotOpen + kIni;
  using C = HeldChange;
  using T = Then;
  const std::vector<Text> both{kCsv, kIni}, bothBoxes{openCsv, openIni};
  const HoldCase cases[] = {
      {"the end of the session waits for no hold it sees", both, C::kItemsAndSettings, both, false,
       {T::kEndSession}, bothBoxes, {{pending, meeting}, {iniPending, ""}}, {}},
      {"nor for holds it cannot see, nor does a tick", both, C::kItemsAndSettings, both, true,
       {T::kSignOut, T::kEndSession, T::kTimer}, bothBoxes,
       {{kCsv, nullptr}, {pending, meeting}, {iniPending, ""}}, {}},
      {"the timer catches up every file", both, C::kItemsAndSettings, {}, false, {T::kTimer}, bothBoxes,
       {{kCsv, meeting}, {kIni, ""}, {pending, nullptr}, {iniPending, nullptr}}, {}},
      {"a new hold after a catch-up has its own box; exit keeps it pending", {kCsv}, C::kItemCaughtUpThenItem,
       {kCsv}, false, {T::kExit}, {openCsv, openCsv}, {{pending, work}}, {}},
      {"the editor's change starts the timer", {kCsv}, C::kEditor, {}, false, {T::kTimer}, {openCsv},
       {{kCsv, work}}, {}},
      {"the settings start the timer", {kIni}, C::kSettings, {}, false, {T::kTimer}, {openIni}, {{kIni, ""}}, {}},
      {"a change no file holds blocks the sign-out and 終了 asks", {kCsv, pending}, C::kItem, {kCsv, pending}, false,
       {T::kSignOut, T::kExit}, {openCsv}, {},
       openCsv + u"\r\n終了すると、保存できなかった変更は失われます。終了しますか?"},
      {"once the pending file holds it nothing blocks or asks", {kCsv, pending}, C::kItem, {kCsv}, false,
       {T::kTimer, T::kSignOut, T::kExit}, {openCsv}, {{pending, work}}, {}},
      {"a hold adopted at start shows no box at any quiet save", {kCsv}, C::kAdopted, {kCsv}, true,
       {T::kTimer, T::kSignOut, T::kEndSession, T::kExit}, {}, {}, {}},
  };
  for (const HoldCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    RecordingNotifier notifier;
    ActivityData data(Workspace{u"C:\\dorvane-test", files, notifier});
    CMainDlg dialog(data, notifier, tray_, monitors_, FixedNow);
    if (c.change == HeldChange::kAdopted) {
      files.files[pending] = "A,2010/04/05 09:05,2010/04/05 10:30\r\n";
      // Based on no data.csv, as the first start's pick leaves it.
      files.files[kCsv + u".~base"] = "Dorvane pending base 1\r\nexists=0\r\n";
      files.held = {kCsv};
      data.store.Load();
    }
    AddItems(data, 2);
    HWND hwnd = dialog.Create(nullptr);
    auto command = [&](UINT id) { ::SendMessageW(hwnd, WM_COMMAND, id, 0); };
    auto timer = [&] { ::SendMessageW(hwnd, WM_TIMER, SavePolicy::kCatchUpTimer, 0); };
    files.held = std::set<Text>(c.held.begin(), c.held.end());
    switch (c.change) {
      case HeldChange::kItemCaughtUpThenItem:
        command(IDM_FIRST_ITEM + 1);
        files.held.clear();
        timer();
        EXPECT_FALSE(CatchUpRuns(hwnd)) << "it ends when all is saved";
        files.held = {kCsv};
        [[fallthrough]];
      case HeldChange::kItem: command(IDM_FIRST_ITEM); break;
      case HeldChange::kItemsAndSettings: command(IDM_FIRST_ITEM), command(IDM_FIRST_ITEM + 1); [[fallthrough]];
      case HeldChange::kSettings: data.catalogue.Save(data.ws); break;  // as the settings dialog does
      case HeldChange::kEditor: PickItem(data, 0, FixedNow, nullptr); break;
      case HeldChange::kAdopted: break;
    }
    EXPECT_TRUE(CatchUpRuns(hwnd));
    loop_.OnIdle(0);  // the loop's queue has emptied: a reason stands from now
    files.held = std::set<Text>(c.heldThen.begin(), c.heldThen.end());
    files.holdsUnseen = c.savesFail;
    const unsigned waited = files.waited;
    const Text reason = c.asked.empty() ? Text() : u"Dorvane: 変更を保存できません";
    Text asked;
    bool exited = false;
    for (Then then : c.then) {
      if (then == Then::kTimer) timer();
      if (then == Then::kEndSession) ::SendMessageW(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
      if (then == Then::kSignOut) {
        EXPECT_EQ(dialog.Saves().SignOutReason(), reason);
        EXPECT_EQ(::SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), reason.empty());
        EXPECT_EQ(dialog.Saves().SignOutReason(), reason);
      }
      EXPECT_TRUE(then == Then::kExit || files.waited == waited) << "no wait for a hold";
      if (then != Then::kExit) continue;
      auto isDefault = [](HWND box, int id) {
        return (::GetWindowLongW(::GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      };
      ModalSpy spy(L"警告", [&](HWND box) {
        wchar_t text[512] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 512);
        asked = FromWStr(text);
        EXPECT_TRUE(isDefault(box, IDNO) && !isDefault(box, IDYES));
        ::PostMessageW(box, WM_COMMAND, IDNO, 0);
      });
      command(IDM_EXIT);
      exited = !spy.Acted();
    }
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(::IsWindow(hwnd), !exited);
    EXPECT_EQ(exited ? PumpUntilIdle() : 32774, 32774);
    EXPECT_EQ(CatchUpRuns(hwnd), !exited && !c.heldThen.empty());
    ::DestroyWindow(hwnd);
    PumpUntilIdle();
    EXPECT_EQ(notifier.Texts(), c.boxes);
    for (const auto& [file, part] : c.files) {
      SCOPED_TRACE(TextToUtf8(file));
      EXPECT_EQ(files.files.count(file), part ? 1u : 0u);
      EXPECT_NE(part ? files.files[file].find(part) : 0, std::string::npos);
    }
    EXPECT_EQ(data.store.Unsaved(), !c.heldThen.empty());
  }
}

// The catch-up timer's box comes while the user works in another program:
// above it (a click's box comes with the program in front anyway).
TEST_F(MainDlgTest, ABoxTheCatchUpTimerBringsComesAboveTheOtherWindows) {
  struct StyleOfEachReport : DataReporter {
    void Report(const DataReport& report) override {
      seen.emplace_back(report.event, UnaskedBoxes::Style());
    }
    std::vector<std::pair<DataEvent, unsigned>> seen;
  } reports;
  ActivityData data(Workspace{u"C:\\dorvane-test", files_, reports});
  data.catalogue.AddSlot(0x0000FF, 1);
  data.catalogue.AddName(u"仕事");
  CMainDlg dialog(data, notifier_, tray_, monitors_, FixedNow);
  HWND hwnd = dialog.Create(nullptr);
  files_.held = {kCsv};
  ::SendMessageW(hwnd, WM_COMMAND, IDM_FIRST_ITEM, 0);
  files_.files[kCsv] = "X,2010/04/05 09:05,2010/04/05 10:30\r\n";  // another program saved meanwhile
  files_.held.clear();
  ::SendMessageW(hwnd, WM_TIMER, SavePolicy::kCatchUpTimer, 0);
  using Seen = std::pair<DataEvent, unsigned>;
  EXPECT_EQ(reports.seen, (std::vector<Seen>{{DataEvent::kCannotOpenFile, 0u},
                                             {DataEvent::kChangedElsewhere, MB_TOPMOST | MB_SETFOREGROUND}}));
  EXPECT_EQ(UnaskedBoxes::Style(), 0u) << "only while the timer runs";
}

// Settings and About are worked from inside their loops further down.
TEST_F(MainDlgTest, TheEditorOpensWithWindowShowingSetAndClearsItWhenItReturns) {
  HWND hwnd = Create();
  bool showingWhileOpen = false;
  ModalSpy editor(L"Dorvane 編集", [&](HWND dialog) {
    showingWhileOpen = Dialog().WindowShowing();
    ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }, ModalSpy::kCancelAfter);
  Command(IDM_EDIT);
  EXPECT_TRUE(showingWhileOpen);
  EXPECT_FALSE(Dialog().WindowShowing());
  EXPECT_FALSE(::IsWindowVisible(hwnd));
}

// The open-file dialog of 編集's import and export, worked from a thread
// timer (its loop runs inside the editor's): it browses elsewhere, which
// makes that folder the process's current directory, then is cancelled.
struct FileDialogBrowse {
  static BOOL CALLBACK Find(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {}, caption[64] = {};
    ::GetClassNameW(hwnd, name, 16);
    ::GetWindowTextW(hwnd, caption, 64);
    if (::IsWindowVisible(hwnd) && lstrcmpW(name, L"#32770") == 0 &&
        lstrcmpW(caption, L"Dorvane 編集") != 0) {
      *reinterpret_cast<HWND*>(found) = hwnd;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !::IsWindowEnabled(dialog)) return;
    browsed += ::SetCurrentDirectoryW(elsewhere) ? 1 : 0;
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  static inline int browsed = 0;
  static inline const wchar_t* elsewhere = nullptr;
};

// Browsing in the open-file dialog changes the process's current directory
// (OFN_NOCHANGEDIR does not stop it for that dialog): import and export put
// it back, or the folder browsed to (a USB stick) could not be ejected.
TEST_F(MainDlgTest, ImportAndExportPutTheCurrentDirectoryBack) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
  const Text before = CurrentDirectory();
  ASSERT_NE(FromWStr(temp), before + u"\\");
  FileDialogBrowse::elsewhere = temp;
  FileDialogBrowse::browsed = 0;
  Create();
  std::vector<Text> after;
  ModalSpy editor(L"Dorvane 編集", [&](HWND dialog) {
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, FileDialogBrowse::Tick);
    for (int button : {IDC_EDIT_IMPORT, IDC_EDIT_EXPORT}) {
      ::SendMessageW(::GetDlgItem(dialog, button), BM_CLICK, 0, 0);
      after.push_back(CurrentDirectory());
    }
    ::KillTimer(nullptr, timer);
  }, ModalSpy::kCancelAfter);
  Command(IDM_EDIT);
  EXPECT_EQ(FileDialogBrowse::browsed, 2) << "both open the dialog";
  EXPECT_EQ(after, (std::vector<Text>{before, before}));
  ::SetCurrentDirectoryW(WStr(before));
}

// Enter on a row: NM_RETURN, then an LVN_ITEMACTIVATE that under Wine is a
// bare NMHDR, so what follows it in memory is not the row (Wine's own list
// view, then the same pair made here with a wrong row behind the header).
// A click's activation names its row.
TEST_F(MainDlgTest, TheEditorLoadsTheFocusedRowOnEnterAndTheNamedRowOnAClick) {
  AddItems(1);
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  for (int hour : {9, 11}) {
    data_.store.Append(Rec(u"仕事", DT(now.wYear, now.wMonth, now.wDay, hour),
                           DT(now.wYear, now.wMonth, now.wDay, hour + 1)));
  }
  Create();
  enum Gesture { kEnterKey, kEnterNotes, kClickNote };
  struct Case {
    Gesture gesture;
    const char* what;
    int loaded;
  } cases[] = {{kEnterKey, "Enter", 1}, {kEnterNotes, "NM_RETURN, bare activation", 1},
               {kClickNote, "a click", 0}};
  for (const Case& c : cases) {
    int selected = -2;
    bool changeEnabled = false;
    ModalSpy editor(L"Dorvane 編集", [&](HWND dialog) {
      HWND list = ::GetDlgItem(dialog, IDC_EDIT_DATALIST);
      LVITEMW focus{};
      focus.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
      focus.state = LVIS_FOCUSED;
      ::SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&focus));
      NMITEMACTIVATE note{};
      note.hdr = NMHDR{list, IDC_EDIT_DATALIST, static_cast<UINT>(NM_RETURN)};
      auto notify = [&] {
        ::SendMessageW(dialog, WM_NOTIFY, IDC_EDIT_DATALIST, reinterpret_cast<LPARAM>(&note));
      };
      if (c.gesture == kEnterKey) ::SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
      if (c.gesture == kEnterNotes) notify();
      note.hdr.code = static_cast<UINT>(LVN_ITEMACTIVATE);
      note.iItem = 0;  // a click's row, or the bytes after a bare NMHDR
      if (c.gesture != kEnterKey) notify();
      selected = list_view::SelectedRow(list);
      changeEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_EDIT_CHANGE));
    }, ModalSpy::kCancelAfter);
    Command(IDM_EDIT);
    ASSERT_TRUE(editor.Acted());
    EXPECT_EQ(selected, c.loaded) << c.what;
    EXPECT_TRUE(changeEnabled) << c.what << ": the row was loaded";
  }
}

TEST_F(MainDlgTest, SettingsShowTheCatalogueWithWindowShowingSetWhileOpen) {
  AddItems(2);
  HWND hwnd = Create();
  bool showingWhileOpen = false;
  int rows = -1;
  ModalSpy settings(L"Dorvane 設定", [&](HWND dialog) {
    showingWhileOpen = Dialog().WindowShowing();
    rows = static_cast<int>(::SendDlgItemMessageW(dialog, IDC_CONF_DATALIST, LVM_GETITEMCOUNT, 0, 0));
    ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }, ModalSpy::kCancelAfter);
  Command(IDM_CONF);
  ASSERT_TRUE(settings.Acted());
  EXPECT_TRUE(showingWhileOpen);
  EXPECT_EQ(ItemCatalogue::kMaxSlots, rows);
  EXPECT_FALSE(Dialog().WindowShowing());
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_TRUE(files_.files.empty()) << "opening and closing saves nothing";
}

TEST_F(MainDlgTest, ItemCommandsReachTheTrackerAndItsTooltip) {
  AddItems(2);
  Create();
  Command(IDM_FIRST_ITEM + 1);
  EXPECT_EQ(data_.currentActivity, u"会議");
  ASSERT_EQ(tray_.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(tray_.calls.back().data.uFlags, static_cast<UINT>(NIF_TIP | NIF_SHOWTIP));
  EXPECT_EQ(tray_.calls.back().Tip(), L"会議");
  EXPECT_EQ(data_.store.Count(), 1);
  EXPECT_EQ(data_.store.At(0).start, FixedNow()) << "the tracker got the dialog's clock";

  Command(IDM_FIRST_ITEM + 1);
  EXPECT_EQ(data_.currentActivity, u"");
  EXPECT_EQ(tray_.calls.back().Tip(), L"Dorvane");

  size_t sent = tray_.calls.size();
  Command(IDM_LAST_ITEM + 1);
  EXPECT_EQ(tray_.calls.size(), sent) << "40021 is not an item command";
  EXPECT_EQ(data_.currentActivity, u"");
}

// ---- the menus ----

struct MenuEntry {
  UINT id;
  std::wstring text;
  UINT type;
  UINT state;
};

// Watches TrackPopupMenu from inside its modal loop: notes the popups handed
// to the owner in WM_INITMENUPOPUP, then a timer reads the open menu and the
// menu window's position, runs `whileOpen` and closes it.
class MenuSpy {
 public:
  explicit MenuSpy(std::function<void()> whileOpen = nullptr) : whileOpen_(std::move(whileOpen)) {
    instance_ = this;
    hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, ::GetCurrentThreadId());
    timer_ = ::SetTimer(nullptr, 0, 30, Tick);
  }
  ~MenuSpy() {
    ::KillTimer(nullptr, timer_);
    ::UnhookWindowsHookEx(hook_);
    instance_ = nullptr;
  }
  MenuSpy(const MenuSpy&) = delete;
  MenuSpy& operator=(const MenuSpy&) = delete;

  bool leaveOpen = false;  // left to the keys `whileOpen` posts
  bool opened = false;
  int popups = 0;
  std::vector<MenuEntry> entries;
  RECT menuRect{};

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && instance_ && cwp->message == WM_INITMENUPOPUP) {
      instance_->popup_ = reinterpret_cast<HMENU>(cwp->wParam);
      ++instance_->popups;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuSpy* self = instance_;
    if (!self) return;
    // A second menu, opened inside the first one's loop, is ended at once
    // (popups counts it) so that it cannot hang the test.
    if (self->opened) {
      ::EndMenu();
      return;
    }
    HWND menuWindow = ::FindWindowW(L"#32768", nullptr);
    if (!self->popup_ || !menuWindow || !::IsWindowVisible(menuWindow)) {
      // A menu that opened but cannot be read must not hang the test.
      if (self->popup_ && ++self->idleTicks_ > 100) ::EndMenu();
      return;
    }
    self->opened = true;
    ::GetWindowRect(menuWindow, &self->menuRect);
    int count = ::GetMenuItemCount(self->popup_);
    for (int i = 0; i < count; ++i) {
      wchar_t text[64] = {};
      MENUITEMINFOW info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = 64;
      ::GetMenuItemInfoW(self->popup_, static_cast<UINT>(i), TRUE, &info);
      self->entries.push_back(MenuEntry{info.wID, text, info.fType, info.fState});
    }
    if (self->whileOpen_) self->whileOpen_();
    if (!self->leaveOpen) ::EndMenu();
  }

  static MenuSpy* instance_;
  std::function<void()> whileOpen_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  HMENU popup_ = nullptr;
  int idleTicks_ = 0;
};
MenuSpy* MenuSpy::instance_ = nullptr;

class TrayMenuTest : public MainDlgTest {
 protected:
  void Press(UINT mouseMessage, MenuSpy& spy) {
    ::SetCursorPos(cursor_.x, cursor_.y);
    ::SendMessageW(Dialog().Hwnd(), kTrayNotifyMessage, 0, mouseMessage);
    (void)spy;
  }
  // As the shell sends it under version 4: the anchor in wParam, the event
  // and the icon id in lParam.
  void Notify(UINT event) {
    ::SetCursorPos(cursor_.x, cursor_.y);
    ::SendMessageW(Dialog().Hwnd(), kTrayNotifyMessage,
                   MAKEWPARAM(static_cast<WORD>(anchor_.x), static_cast<WORD>(anchor_.y)),
                   MAKELPARAM(event, 0));
  }
  POINT cursor_{200, 150};
  POINT anchor_{260, 130};
};

void ExpectItemEntries(const std::vector<MenuEntry>& entries, int items,
                       const std::vector<std::wstring>& firstNames) {
  ASSERT_EQ(entries.size(), static_cast<size_t>(items + 2));
  for (int j = 0; j < items; ++j) {
    EXPECT_EQ(entries[j].id, static_cast<UINT>(40001 + j));
    EXPECT_EQ(entries[j].type, static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(entries[j].state & (MFS_GRAYED | MFS_CHECKED), 0u) << "enabled and unchecked";
    if (j < static_cast<int>(firstNames.size())) {
      EXPECT_EQ(entries[j].text, firstNames[j]);
    }
  }
  EXPECT_EQ(entries[items].type & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
  EXPECT_EQ(entries[items + 1].id, 32774u);
  EXPECT_EQ(entries[items + 1].text, L"終了(&X)");
}

TEST_F(TrayMenuTest, TheLeftButtonOpensTheItemsAboveExit) {
  AddItems(3);
  data_.currentActivity = u"会議";  // the running item is not marked
  Create();
  MenuSpy spy;
  Press(WM_LBUTTONDOWN, spy);
  ASSERT_TRUE(spy.opened);
  ExpectItemEntries(spy.entries, 3, {L"仕事", L"会議", L"読書"});
  EXPECT_EQ(spy.menuRect.left, cursor_.x);
  EXPECT_EQ(spy.menuRect.top, cursor_.y);
}

TEST_F(TrayMenuTest, TheItemMenuWithNoItemsAndWithAllEighteen) {
  {
    SCOPED_TRACE("no items");
    Create();
    MenuSpy spy;
    Press(WM_LBUTTONDOWN, spy);
    ASSERT_TRUE(spy.opened);
    ExpectItemEntries(spy.entries, 0, {});
  }
  {
    SCOPED_TRACE("18 items");
    AddItems(18);
    MenuSpy spy;
    Press(WM_LBUTTONDOWN, spy);
    ASSERT_TRUE(spy.opened);
    ExpectItemEntries(spy.entries, 18, {L"仕事", L"会議", L"読書", L"item3"});
    EXPECT_EQ(spy.entries[17].id, 40018u);
  }
}

TEST_F(TrayMenuTest, TheRightButtonOpensTheCommands) {
  AddItems(2);
  Create();
  MenuSpy spy;
  Press(WM_RBUTTONDOWN, spy);
  ASSERT_TRUE(spy.opened);
  const std::vector<std::pair<UINT, std::wstring>> expected = {
      {32778, L"レポート(&R)"}, {32775, L"設定(&C)"}, {32776, L"編集(&E)"},
      {32779, L"ヘルプ(&H)"},   {57664, L"&About"}};
  ASSERT_EQ(spy.entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(spy.entries[i].id, expected[i].first);
    EXPECT_EQ(spy.entries[i].text, expected[i].second);
  }
}

TEST_F(TrayMenuTest, APressOffEveryMonitorOpensTheMenuInsideTheWorkArea) {
  Create();
  monitors_.onMonitor = false;  // the fake's work area begins at x = 300
  MenuSpy spy;
  Press(WM_RBUTTONDOWN, spy);
  ASSERT_TRUE(spy.opened);
  EXPECT_EQ(spy.menuRect.left, 300);
  EXPECT_EQ(spy.menuRect.top, cursor_.y) << "y is never moved";
}

// Windows wants a message to the owner after TrackPopupMenu, or the next
// menu can close at once.
TEST_F(TrayMenuTest, EveryMenuIsFollowedByAMessageToTheWindow) {
  HWND hwnd = Create();
  for (UINT button : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
    DrainMessages();
    MenuSpy spy;
    Press(button, spy);
    ASSERT_TRUE(spy.opened);
    bool nullPosted = false;
    MSG msg;
    while (::PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) nullPosted |= msg.message == WM_NULL;
    EXPECT_TRUE(nullPosted) << std::hex << button;
  }
}

TEST_F(TrayMenuTest, OtherMouseMessagesAndAShowingWindowOpenNoMenu) {
  AddItems(1);
  Create();
  for (UINT m : {WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                 WM_MOUSEMOVE}) {
    MenuSpy spy;
    Press(m, spy);
    EXPECT_FALSE(spy.opened) << std::hex << m;
  }
  Command(IDM_REPORT);
  for (UINT m : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
    MenuSpy spy;
    Press(m, spy);
    EXPECT_FALSE(spy.opened) << "while the report shows: " << std::hex << m;
  }
  Command(IDOK);
  MenuSpy spy;
  Press(WM_LBUTTONDOWN, spy);
  EXPECT_TRUE(spy.opened) << "after 閉じる the menus work again";
}

void CALLBACK EndMenuTick(HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); }

// A menu of the icon left open past the double-click time; what it chose.
UINT TrackALongMenu(CTrayIcon& icon) {
  HMENU popup = ::CreatePopupMenu();
  ::AppendMenuW(popup, MF_STRING, 1, L"x");
  const UINT_PTR end = ::SetTimer(nullptr, 0, ::GetDoubleClickTime() + 100, EndMenuTick);
  const UINT chosen = icon.TrackMenu(popup, TrayRequest{});
  ::KillTimer(nullptr, end);
  ::DestroyMenu(popup);
  return chosen;
}

// Windows sends both the mouse messages and the version-4 notifications
// for one click, and Enter on the icon sends NIN_KEYSELECT twice.
TEST(TrayIconDecode, EachGestureAsksForOneMenu) {
  constexpr UINT kLongMenu = WM_APP;  // not a message: TrackALongMenu
  struct Case {
    const char* what;
    std::vector<UINT> events;
    std::vector<TrayRequest::Menu> menus;
  };
  const auto none = TrayRequest::kNone, items = TrayRequest::kItems,
             commands = TrayRequest::kCommands;
  const Case cases[] = {
      {"right click", {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, {commands, none, none}},
      {"left click", {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT}, {items, none, none}},
      {"Enter", {NIN_KEYSELECT, NIN_KEYSELECT}, {items, none}},
      {"Space, then the menu key", {NIN_KEYSELECT, WM_CONTEXTMENU}, {items, commands}},
      {"the menu key twice", {WM_CONTEXTMENU, WM_CONTEXTMENU}, {commands, commands}},
      {"a left click, then Enter", {WM_LBUTTONDOWN, NIN_SELECT, NIN_KEYSELECT}, {items, none, items}},
      {"a right click whose menu stayed open long",
       {WM_RBUTTONDOWN, kLongMenu, WM_CONTEXTMENU}, {commands, none, none}},
      {"double clicks and moves",
       {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MOUSEMOVE, WM_MBUTTONDOWN, NIN_POPUPOPEN},
       {none, none, none, none, none}},
  };
  FakeTray tray;
  FakeMonitors monitors;
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CTrayIcon icon(tray, monitors);
    icon.Add(owner, kTrayNotifyMessage, nullptr, u"", nullptr);
    std::vector<TrayRequest::Menu> menus;
    for (UINT event : c.events) {
      menus.push_back(event != kLongMenu ? icon.Decode(0, MAKELPARAM(event, 0)).menu
                                         : TrackALongMenu(icon) == 0 ? none : items);
    }
    EXPECT_EQ(menus, c.menus);
  }
  ::DestroyWindow(owner);

  // Left of the primary one, at 125%: physically [-1280, 0) x [-100, 860).
  const MadeUpMonitors leftAndPrimary({{RECT{-1280, -100, -256, 668}, RECT{}, 125},
                                       {RECT{0, 0, 1024, 768}, RECT{}}});
  CTrayIcon icon(tray, leftAndPrimary);
  const TrayRequest key = icon.Decode(MAKEWPARAM(-1200, -30), MAKELPARAM(NIN_KEYSELECT, 0));
  EXPECT_TRUE(key.keyboard);
  EXPECT_EQ(key.anchor.x, -1280 + 64) << "a monitor left of the primary one";
  EXPECT_EQ(key.anchor.y, -100 + 56);
  EXPECT_FALSE(icon.Decode(0, WM_RBUTTONDOWN).keyboard) << "the bare mouse message of version 0";
  EXPECT_EQ(icon.Decode(0, WM_RBUTTONDOWN).menu, TrayRequest::kCommands);
  EXPECT_EQ(icon.Decode(0, NIN_KEYSELECT).menu, TrayRequest::kItems);
  ::Sleep(::GetDoubleClickTime() + 50);
  EXPECT_EQ(icon.Decode(0, NIN_KEYSELECT).menu, TrayRequest::kItems)
      << "Space again after the double-click time";
}

TEST_F(TrayMenuTest, KeysOpenTheMenusAtTheAnchorAndGiveTheFocusBackToTheIcon) {
  AddItems(2);
  HWND hwnd = Create();
  // At 150% the shell's anchor (390, 195) is the program's (260, 130).
  monitors_.percent = 150;
  anchor_ = POINT{390, 195};
  for (auto [event, entries] : {std::pair<UINT, size_t>{NIN_KEYSELECT, 4}, {WM_CONTEXTMENU, 5}}) {
    SCOPED_TRACE(event);
    MenuSpy spy;
    Notify(event);
    ASSERT_TRUE(spy.opened);
    EXPECT_EQ(spy.entries.size(), entries);
    EXPECT_EQ(spy.menuRect.left, 260) << "at the anchor, not at the cursor";
    EXPECT_EQ(spy.menuRect.top, 130);
    const TrayCall& focus = tray_.calls.back();
    ASSERT_EQ(focus.message, static_cast<DWORD>(NIM_SETFOCUS));
    EXPECT_EQ(focus.data.hWnd, hwnd);
    EXPECT_EQ(focus.data.uID, 0u);
  }
}

// A keyboard pick of an item gives the focus back to the icon; レポート leaves
// it to the report, which opens on the icon's monitor, not the cursor's, and
// gives it back at 閉じる; a dialog gives it back when it closes.
TEST_F(MainDlgTest, AKeyboardCommandGivesTheFocusBackToTheIconWhenWhatItOpenedCloses) {
  AddItems(2);
  MadeUpMonitors monitors = TwoMonitors();
  monitors.commandPoint = POINT{500, 300};
  CMainDlg dialog(data_, notifier_, tray_, monitors, FixedNow);
  HWND hwnd = dialog.Create(nullptr);
  auto pick = [&](UINT event, int downs) {
    MenuSpy spy([downs] {
      HWND menu = ::FindWindowW(L"#32768", nullptr);
      for (int i = 0; i < downs; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
      ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    spy.leaveOpen = true;
    ::SendMessageW(hwnd, kTrayNotifyMessage, MAKEWPARAM(1500, 500), MAKELPARAM(event, 0));
    PumpUntilIdle();
    return spy.opened;
  };
  ASSERT_TRUE(pick(NIN_KEYSELECT, 1));
  ASSERT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_MODIFY, NIM_SETFOCUS}));
  EXPECT_EQ(tray_.calls[2].Tip(), L"仕事") << "the pick came through the command table";

  const size_t before = tray_.calls.size();
  ASSERT_TRUE(pick(WM_CONTEXTMENU, 1));
  EXPECT_TRUE(dialog.WindowShowing()) << "レポート";
  EXPECT_EQ(tray_.calls.size(), before) << "no focus to the icon under the report";
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, CenteredPosition(r, kSecondaryWork, kSecondaryWork).x) << "on the icon's monitor";
  ::SendMessageW(hwnd, WM_COMMAND, IDOK, 0);  // 閉じる
  EXPECT_EQ(tray_.Messages().back(), static_cast<DWORD>(NIM_SETFOCUS)) << "the report gave it back";

  // A dialog gives it back when it closes, not before.
  size_t whileOpen = 0;
  ModalSpy about(L"Dorvane About", [&](HWND) { whileOpen = tray_.calls.size(); },
                 ModalSpy::kCancelAfter);
  const size_t beforeAbout = tray_.calls.size();
  ASSERT_TRUE(pick(WM_CONTEXTMENU, 5));
  ASSERT_TRUE(about.Acted());
  EXPECT_EQ(whileOpen, beforeAbout);
  EXPECT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_MODIFY, NIM_SETFOCUS,
                                                  NIM_SETFOCUS, NIM_SETFOCUS}));
}

TEST_F(TrayMenuTest, NotificationsWhileAMenuIsOpenAreIgnored) {
  Create();
  MenuSpy spy([this] {
    for (UINT event : {WM_CONTEXTMENU, NIN_KEYSELECT, WM_LBUTTONDOWN}) Notify(event);
  });
  Notify(WM_RBUTTONDOWN);
  ASSERT_TRUE(spy.opened);
  EXPECT_EQ(spy.popups, 1);
  EXPECT_NE(tray_.calls.back().message, static_cast<DWORD>(NIM_SETFOCUS));
}

// The dialogs have no taskbar button: one behind other windows is found from
// the icon.
TEST_F(TrayMenuTest, ABlockedGestureBringsTheWindowTheUserWasInForward) {
  HWND hwnd = Create();
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  Command(IDM_REPORT);
  ::ShowWindow(hwnd, SW_MINIMIZE);
  ::SetForegroundWindow(other);
  MenuSpy menu;
  Notify(WM_LBUTTONDOWN);
  EXPECT_FALSE(menu.opened);
  EXPECT_FALSE(::IsIconic(hwnd)) << "the report, restored";
  EXPECT_EQ(::GetForegroundWindow(), hwnd);

  HWND about = nullptr, foreground = nullptr;
  bool opened = true;
  ModalSpy spy(L"Dorvane About", [&](HWND dialog) {
    about = dialog;
    ::SetForegroundWindow(other);
    MenuSpy aboutMenu;
    Notify(NIN_KEYSELECT);
    opened = aboutMenu.opened;
    foreground = ::GetForegroundWindow();
  }, ModalSpy::kCancelAfter);
  Command(IDOK);
  ::SetForegroundWindow(hwnd);  // hidden, as a menu of the icon leaves it
  Command(IDM_ABOUT);
  ASSERT_TRUE(spy.Acted());
  EXPECT_FALSE(opened);
  EXPECT_EQ(foreground, about) << "the report's last active popup";
  ::DestroyWindow(other);
}

// ---- help and About ----

TEST_F(MainDlgTest, HelpWithNoHelpPageShowsTheShellsFailureWithoutAnOwner) {
  Create();
  // The fixture's working directory does not exist. Whether the platform
  // calls that a missing file or a missing path, the message is the table's
  // for the code it gives.
  Text path = HelpPagePath(data_.ws.directory);
  INT_PTR code = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", WStr(path), nullptr, nullptr, SW_SHOWDEFAULT));
  ASSERT_TRUE(code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) << code;
  MessageText expected;
  ASSERT_TRUE(HelpOpenFailed(code, expected));

  EXPECT_EQ(Command(IDM_HELP), 0);
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text, expected.text);
  EXPECT_EQ(notifier_.shown[0].caption, u"エラー");
  EXPECT_EQ(notifier_.shown[0].icon, MessageIcon::None);
  EXPECT_FALSE(Dialog().WindowShowing()) << "the help box has no owner and blocks no menu";
  EXPECT_TRUE(files_.files.empty()) << "help touches no data";
}

TEST_F(TrayMenuTest, WhileAboutIsOpenTheMenusStayClosedAndOpenAgainAfterwards) {
  AddItems(2);
  Create();
  struct Way {
    const char* what;
    void (*close)(HWND);
  };
  const Way ways[] = {
      {"OK", [](HWND d) { ::SendMessageW(::GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }},
      {"Escape", [](HWND) { ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"the close box", [](HWND d) { ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    bool showing = false;
    bool leftOpened = true, rightOpened = true;
    ModalSpy about(L"Dorvane About", [&](HWND d) {
      showing = Dialog().WindowShowing();
      {
        MenuSpy spy;
        Press(WM_LBUTTONDOWN, spy);
        leftOpened = spy.opened;
      }
      {
        MenuSpy spy;
        Press(WM_RBUTTONDOWN, spy);
        rightOpened = spy.opened;
      }
      way.close(d);
    });
    EXPECT_EQ(Command(IDM_ABOUT), 0);
    ASSERT_TRUE(about.Acted()) << "the About box never showed";
    EXPECT_FALSE(about.Forced());
    EXPECT_TRUE(showing);
    EXPECT_FALSE(leftOpened);
    EXPECT_FALSE(rightOpened);
    EXPECT_FALSE(Dialog().WindowShowing());

    MenuSpy spy;
    Press(WM_RBUTTONDOWN, spy);
    EXPECT_TRUE(spy.opened) << "the menus open again after the box closed";
  }
}

// ---- the watch on the working folder ----

class WatchTest : public TrayMenuTest {
 protected:
  ~WatchTest() override { dialog_.reset(); }  // its watch closes the fake's handle
  HWND CreateWatching() {
    dialog_ = std::make_unique<CMainDlg>(data_, notifier_, tray_, monitors_, FixedNow,
                                         CReportPrinter::SpoolerDefault, notifications_);
    return Create();
  }
  // The folder changed: the loop serves the notification, which starts the
  // quiet timer.
  void FolderChanged() {
    notifications_.onNext = [] { ::PostQuitMessage(0); };
    notifications_.Signal();
    loop_.Run();
  }
  // The quiet timer runs out (sent, not waited for).
  void Settled() { ::SendMessageW(Dialog().Hwnd(), WM_TIMER, CFileWatch::kQuietTimer, 0); }
  void SaveByHand(const Text& path, const std::string& bytes) {
    files_.files[path] = bytes;
    files_.writes[path] = ++files_.clock;
  }
  std::vector<std::wstring> ItemMenu() {
    MenuSpy spy;
    Press(WM_LBUTTONDOWN, spy);
    std::vector<std::wstring> names;
    for (const MenuEntry& e : spy.entries) {
      if (e.id >= IDM_FIRST_ITEM && e.id <= IDM_LAST_ITEM) names.push_back(e.text);
    }
    return names;
  }

  FakeNotifications notifications_;
};

TEST_F(WatchTest, AnEditSavedByHandIsFollowedOnceTheFolderSettlesAndATouchIsNot) {
  AddItems(2);
  HWND hwnd = CreateWatching();
  ASSERT_TRUE(Dialog().Watch().Watching());
  EXPECT_EQ(notifications_.folders, std::vector<Text>{u"C:\\dorvane-test"});
  SaveByHand(kCsv, "ABC,2024/05/14 09:00,2024/05/14 09:00\r\n");
  FolderChanged();
  EXPECT_EQ(data_.currentActivity, u"") << "not before the folder settled";
  EXPECT_TRUE(::KillTimer(hwnd, CFileWatch::kQuietTimer)) << "the quiet timer runs";
  Settled();
  EXPECT_EQ(data_.currentActivity, u"ABC");
  EXPECT_EQ(tray_.calls.back().Tip(), L"ABC");

  const size_t calls = tray_.calls.size();
  files_.writes[kCsv] = ++files_.clock;  // the same bytes saved again
  FolderChanged();
  Settled();
  EXPECT_EQ(tray_.calls.size(), calls);
  EXPECT_TRUE(notifier_.shown.empty());
}

TEST_F(WatchTest, TheItemMenuShowsWhatTheWatchTookInAndDoesNotLookItself) {
  AddItems(2);
  CreateWatching();
  SaveByHand(kIni, IniByHand({u"読書", u"仕事", u"会議"}));
  EXPECT_EQ(ItemMenu(), (std::vector<std::wstring>{L"仕事", L"会議"})) << "the menu does not read the disk";
  FolderChanged();
  Settled();
  EXPECT_EQ(ItemMenu(), (std::vector<std::wstring>{L"読書", L"仕事", L"会議"}));
}

// A report on the screen draws what was taken in.
TEST_F(WatchTest, AnOpenReportIsRedrawnWithTheEdit) {
  AddItems(1);
  HWND hwnd = CreateWatching();
  Command(IDM_REPORT);
  ASSERT_TRUE(::IsWindowVisible(hwnd));
  HWND chart = ::GetDlgItem(hwnd, IDC_REPORT_TIME);
  ::UpdateWindow(hwnd);
  ASSERT_FALSE(::GetUpdateRect(chart, nullptr, FALSE));
  SaveByHand(kCsv, "ABC,2024/05/14 09:00,2024/05/14 09:00\r\n");
  FolderChanged();
  ::UpdateWindow(hwnd);
  Settled();
  EXPECT_TRUE(::GetUpdateRect(chart, nullptr, FALSE));
}

// Where the folder cannot be watched (some network shares), the item menu
// looks at Dorvane.ini before it is built.
TEST_F(WatchTest, WithoutAWatchTheItemMenuLooksBeforeItIsBuilt) {
  AddItems(2);
  notifications_.refuse = true;
  CreateWatching();
  EXPECT_FALSE(Dialog().Watch().Watching());
  SaveByHand(kIni, IniByHand({u"読書"}));
  EXPECT_EQ(ItemMenu(), std::vector<std::wstring>{L"読書"});
}

// The item menu's commands are positions in the catalogue it showed: an edit
// that settles while it is open is taken in after the chosen command ran.
TEST_F(WatchTest, ALookWhileTheItemMenuIsOpenWaitsForTheChosenCommand) {
  AddItems(3);
  HWND hwnd = CreateWatching();
  Text firstWhileOpen;
  MenuSpy spy([&] {
    SaveByHand(kIni, IniByHand({u"読書", u"仕事"}));
    Settled();
    firstWhileOpen = data_.catalogue.Name(0);
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  });
  spy.leaveOpen = true;
  ::SendMessageW(hwnd, kTrayNotifyMessage, 0, WM_LBUTTONDOWN);
  PumpUntilIdle();
  ASSERT_TRUE(spy.opened);
  EXPECT_EQ(firstWhileOpen, u"仕事");
  EXPECT_EQ(data_.currentActivity, u"仕事") << "the entry chosen, not the edit's first item";
  EXPECT_EQ(data_.catalogue.Name(0), u"読書") << "the edit, once the command ran";
}

TEST_F(WatchTest, ALookWhileADialogIsOpenWaitsUntilItCloses) {
  AddItems(2);
  CreateWatching();
  int rowsWhileOpen = -1;
  ModalSpy settings(L"Dorvane 設定", [&](HWND dialog) {
    SaveByHand(kIni, IniByHand({u"読書"}));
    Settled();
    rowsWhileOpen = data_.catalogue.Count();
    ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }, ModalSpy::kCancelAfter);
  Command(IDM_CONF);
  ASSERT_TRUE(settings.Acted());
  EXPECT_EQ(rowsWhileOpen, 2);
  EXPECT_EQ(data_.catalogue.Count(), 1);
}

// An edit of data.csv saved elsewhere while the editor is open: 追加 and 変更
// apply nothing, save nothing, and the list shows the edit.
TEST_F(MainDlgTest, TheEditorShowsAnEditMadeElsewhereInsteadOfApplyingAnOperation) {
  AddItems(1);
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  data_.store.Append(Rec(u"仕事", DT(now.wYear, now.wMonth, now.wDay, 9), DT(now.wYear, now.wMonth, now.wDay, 10)));
  ASSERT_TRUE(data_.store.Save());
  char day[16];
  wsprintfA(day, "%04u/%02u/%02u", now.wYear, now.wMonth, now.wDay);
  auto record = [&day](int hour) {
    char line[64];
    wsprintfA(line, "X,%s %02d:00,%s %02d:00\r\n", day, hour, day, hour + 1);
    return std::string(line);
  };
  Create();
  std::string edit = record(9);
  int hour = 11;
  for (UINT button : {IDC_EDIT_ADD, IDC_EDIT_CHANGE}) {
    SCOPED_TRACE(button);
    edit += record(hour++);
    int rows = -1;
    ModalSpy editor(L"Dorvane 編集", [&](HWND dialog) {
      HWND list = ::GetDlgItem(dialog, IDC_EDIT_DATALIST);
      LVITEMW select{};
      select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
      ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
      ::SendDlgItemMessageW(dialog, IDC_EDIT_ITEM, CB_SETCURSEL, 0, 0);
      files_.files[kCsv] = edit;
      files_.writes[kCsv] = ++files_.clock;
      ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
      rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    }, ModalSpy::kCancelAfter);
    Command(IDM_EDIT);
    ASSERT_TRUE(editor.Acted());
    EXPECT_EQ(data_.store.Count(), rows) << "the list shows the edit";
    EXPECT_EQ(files_.files[kCsv], edit) << "nothing applied";
  }
}

}  // namespace
