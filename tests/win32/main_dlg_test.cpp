#include "shell/main_dlg.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/help_page.h"
#include "resource.h"
#include "support/dates.h"
#include "support/memory_files.h"
#include "support/modal_spy.h"
#include "support/recording_notifier.h"
#include "support/shell_fakes.h"
#include "support/win32_messages.h"
#include "win/module.h"

namespace {

// ---- seams ----

LocalDateTime FixedNow() { return DTW(2024, 5, 14, 2, 9, 30); }

// A CMainDlg on fakes, with the thread's message loop registered as at
// start-up, and `items` in the catalogue.
class MainDlgTest : public ::testing::Test {
 protected:
  MainDlgTest() : registration_(&loop_), data_(Workspace{u"C:\\dorvane-test", files_, notifier_}) {}

  void SetUp() override { DrainMessages(); }

  void AddItems(int count) {
    for (int j = 0; j < ItemCatalogue::kMaxSlots; ++j) data_.catalogue.AddSlot(0x0000FF + j, 1);
    const char16_t* names[] = {u"仕事", u"会議", u"読書"};
    for (int j = 0; j < count; ++j) {
      data_.catalogue.AddName(j < 3 ? Text(names[j]) : u"item" + TextFromUtf8(std::to_string(j)));
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

  CMessageLoop loop_;
  MessageLoopRegistration registration_;
  FakeTray tray_;
  RecordingNotifier notifier_;
  FakeMonitors monitors_;
  MemoryFileSystem files_;
  ActivityData data_;
  std::unique_ptr<CMainDlg> dialog_;
};

// ---- the notification icon ----

TEST_F(MainDlgTest, InitDialogRegistersTheIconWithItsFixedDescription) {
  HWND hwnd = Create();
  EXPECT_FALSE(::IsWindowVisible(hwnd)) << "created hidden";
  ASSERT_EQ(tray_.Messages(), std::vector<DWORD>{NIM_ADD});
  const NOTIFYICONDATAW& nid = tray_.calls[0].data;
  EXPECT_EQ(nid.cbSize, 936u);
  EXPECT_EQ(nid.hWnd, hwnd);
  EXPECT_EQ(nid.uID, 0u);
  EXPECT_EQ(nid.uFlags, 7u) << "NIF_MESSAGE | NIF_ICON | NIF_TIP";
  EXPECT_EQ(nid.uCallbackMessage, 1025u);
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
  ASSERT_EQ(tray_.calls.size(), 1u);
  EXPECT_EQ(tray_.calls[0].Tip(), L"会議");
}

TEST_F(MainDlgTest, TimeOutsAreRetriedOnceASecondUntilTheShellAnswers) {
  // Timed out, the modify fails too, then the second add succeeds.
  tray_.script = {{false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT}, {true, 0}};
  Create();
  EXPECT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD}));
  EXPECT_EQ(tray_.waits, std::vector<DWORD>{1000});
  EXPECT_TRUE(Dialog().HasTrayIcon());
  EXPECT_TRUE(notifier_.shown.empty());
  for (const TrayCall& call : tray_.calls) {
    EXPECT_EQ(call.data.uFlags, 7u);
    EXPECT_EQ(call.Tip(), L"Dorvane");
  }
}

TEST_F(MainDlgTest, AModifyThatSucceedsAfterATimeOutMeansTheIconIsThere) {
  tray_.script = {{false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT},
                  {true, 0}};
  Create();
  EXPECT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY}));
  EXPECT_EQ(tray_.waits.size(), 1u);
  EXPECT_TRUE(Dialog().HasTrayIcon());
}

// Before the taskbar exists (a start at sign-in) the shell refuses the icon.
TEST_F(MainDlgTest, AnyOtherFailureWaitsAMinuteForANotificationAreaThenWarnsOnceAndEnds) {
  struct Case {
    const char* what;
    std::deque<std::pair<bool, DWORD>> script;
    std::vector<DWORD> messages;
    size_t waits;
  };
  const Case cases[] = {
      {"refused at once", {{false, ERROR_ACCESS_DENIED}}, {NIM_ADD}, 0},
      {"failed without an error", {{false, ERROR_SUCCESS}}, {NIM_ADD}, 0},
      {"refused after a time-out",
       {{false, ERROR_TIMEOUT}, {false, ERROR_TIMEOUT}, {false, ERROR_FILE_NOT_FOUND}},
       {NIM_ADD, NIM_MODIFY, NIM_ADD},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTray tray;
    RecordingNotifier notifier;
    tray.script = c.script;
    CMainDlg dialog(data_, notifier, tray, monitors_, FixedNow);
    HWND hwnd = dialog.Create(nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(dialog.HasTrayIcon());
    std::vector<DWORD> sent;
    for (const TrayCall& call : tray.calls) sent.push_back(call.message);
    EXPECT_EQ(sent, c.messages);
    EXPECT_EQ(tray.waits.size(), c.waits);
    EXPECT_TRUE(notifier.shown.empty()) << "no word while the notification area may still come";
    EXPECT_EQ(tray.timers, (std::map<UINT_PTR, DWORD>{{tray.lastTimer, 60000}}));
    EXPECT_EQ(PumpUntilIdle(), -1) << "the program keeps running, hidden";
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    ::SendMessageW(hwnd, WM_TIMER, tray.lastTimer, 0);
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, u"通知領域にアイコンを登録できませんでした。");
    EXPECT_EQ(notifier.shown[0].caption, u"") << "the system's default caption";
    EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(PumpUntilIdle(), 0) << "ends as a start without an icon always did";
  }
  EXPECT_TRUE(files_.files.empty());
}

const UINT kTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");

TEST_F(MainDlgTest, ANotificationAreaThatComesLaterGetsTheIconAndEndsTheWait) {
  data_.currentActivity = u"仕事";
  tray_.script = {{false, ERROR_FILE_NOT_FOUND}, {false, ERROR_FILE_NOT_FOUND}};
  HWND hwnd = Create();
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  EXPECT_FALSE(Dialog().HasTrayIcon()) << "that one refused too: the wait goes on";
  EXPECT_EQ(tray_.timers.size(), 1u);

  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  EXPECT_TRUE(Dialog().HasTrayIcon());
  EXPECT_TRUE(tray_.timers.empty());
  ASSERT_EQ(tray_.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_ADD}));
  EXPECT_EQ(0, std::memcmp(&tray_.calls[2].data, &tray_.calls[0].data, sizeof(NOTIFYICONDATAW)));
  EXPECT_EQ(tray_.calls[2].Tip(), L"仕事");

  // A tick already queued when the wait ended.
  ::SendMessageW(hwnd, WM_TIMER, tray_.lastTimer, 0);
  EXPECT_TRUE(notifier_.shown.empty());
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_EQ(PumpUntilIdle(), -1);
}

// Explorer restarted: the new shell knows no icon.
TEST_F(MainDlgTest, TaskbarCreatedAddsTheIconAgainWithTheTooltipOfNow) {
  AddItems(2);
  HWND hwnd = Create();
  Command(IDM_FIRST_ITEM + 1);
  ::SendMessageW(hwnd, kTaskbarCreated, 0, 0);
  ASSERT_EQ(tray_.calls.back().message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(0, std::memcmp(&tray_.calls.back().data, &tray_.calls[0].data,
                           offsetof(NOTIFYICONDATAW, szTip)))
      << "the description of the first add";
  EXPECT_EQ(tray_.calls.back().Tip(), L"会議");
  EXPECT_TRUE(tray_.timers.empty()) << "no wait was started";
}

TEST_F(MainDlgTest, TheTooltipChangesAloneAndLongTextsAreCutSafely) {
  HWND hwnd = Create();
  Dialog().SetTrayTip(u"読書");
  ASSERT_EQ(tray_.calls.size(), 2u);
  const TrayCall& tip = tray_.calls[1];
  EXPECT_EQ(tip.message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(tip.data.uFlags, static_cast<UINT>(NIF_TIP));
  EXPECT_EQ(tip.data.hWnd, hwnd);
  EXPECT_EQ(tip.data.uID, 0u);
  EXPECT_EQ(tip.data.cbSize, 936u);
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
  ASSERT_NE(dialog.Create(nullptr), nullptr);
  ::SendMessageW(dialog.Hwnd(), WM_COMMAND, IDM_REPORT, 0);
  EXPECT_EQ(openings, 0);
}

// ---- the command table ----

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

  Command(IDOK);
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

// A pick and a settings change whose saves found their files held: one
// message each, the content in the pending files, and later picks of the
// same hold show nothing. The end of the session shows nothing either: it
// writes nothing while the files are still held, and waits one patience
// for both files in all when a hold began too late to be seen. A tick of
// the catch-up timer never waits, and once the files are free it puts them
// in place. 終了 while held ends with no message; the pending file has it.
TEST_F(MainDlgTest, HeldFilesAreCaughtUpQuietlyByTheTimerTheEndOfTheSessionAndExit) {
  const Text csv = u"C:\\dorvane-test\\data.csv";
  const Text ini = u"C:\\dorvane-test\\Dorvane.ini";
  const std::string work = "\x8e\x64\x8e\x96", meeting = "\x89\xef\x8b\x63";  // 仕事, 会議
  AddItems(2);
  HWND hwnd = Create();
  files_.held = {csv, ini};
  Command(IDM_FIRST_ITEM);
  Command(IDM_FIRST_ITEM + 1);
  data_.catalogue.Save(data_.ws);  // as the settings dialog does
  EXPECT_EQ(notifier_.Texts(), (std::vector<Text>{u"ファイルを開けませんでした\r\n" + csv,
                                                  u"ファイルを開けませんでした\r\n" + ini}));
  EXPECT_NE(files_.files[csv + u".~pending"].find(meeting), std::string::npos);
  EXPECT_TRUE(files_.files.count(ini + u".~pending"));

  const unsigned before = files_.waited;
  ::SendMessageW(hwnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(files_.waited, before);
  files_.holdsUnseen = true;
  ::SendMessageW(hwnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(files_.waited - before, 2000u) << "one patience for both files";
  ::SendMessageW(hwnd, WM_TIMER, 2, 0);
  EXPECT_EQ(files_.waited - before, 2000u) << "a tick never waits";
  EXPECT_EQ(notifier_.shown.size(), 2u);
  EXPECT_FALSE(files_.files.count(csv));

  files_.held.clear();
  ::SendMessageW(hwnd, WM_TIMER, 2, 0);
  EXPECT_NE(files_.files[csv].find(meeting), std::string::npos);
  EXPECT_TRUE(files_.files.count(ini));
  EXPECT_FALSE(files_.files.count(csv + u".~pending"));
  EXPECT_FALSE(files_.files.count(ini + u".~pending"));

  files_.held = {csv};
  Command(IDM_FIRST_ITEM);  // a new hold: its first failure is reported
  Command(IDM_EXIT);
  EXPECT_EQ(PumpUntilIdle(), 32774);
  EXPECT_EQ(notifier_.shown.size(), 3u);
  EXPECT_NE(files_.files[csv + u".~pending"].find(work), std::string::npos);
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
  EXPECT_EQ(tray_.calls.back().data.uFlags, static_cast<UINT>(NIF_TIP));
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

// Watches TrackPopupMenu from inside its modal loop: notes the popup handed
// to the owner in WM_INITMENUPOPUP, then a timer reads the open menu and the
// menu window's position and closes it.
class MenuSpy {
 public:
  MenuSpy() {
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

  bool opened = false;
  std::vector<MenuEntry> entries;
  RECT menuRect{};

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && instance_ && cwp->message == WM_INITMENUPOPUP) {
      instance_->popup_ = reinterpret_cast<HMENU>(cwp->wParam);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuSpy* self = instance_;
    if (!self || self->opened) return;
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
    ::EndMenu();
  }

  static MenuSpy* instance_;
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
  POINT cursor_{200, 150};
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

}  // namespace
