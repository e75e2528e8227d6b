#include "win/message_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/win32_messages.h"
#include "win/module.h"

namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kTaken = WM_APP + 2;

// A filter that writes its name into a shared log and takes the messages
// it is told to take; `onCall` lets a test change the loop from inside.
class LoggingFilter : public CMessageFilter {
 public:
  LoggingFilter(std::string name, std::vector<std::string>& log, UINT takes = 0)
      : name_(std::move(name)), log_(log), takes_(takes) {}
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message >= WM_APP) log_.push_back(name_ + ":" + std::to_string(msg->message - WM_APP));
    if (onCall) onCall();
    return msg->message == takes_;
  }
  std::function<void()> onCall;

 private:
  std::string name_;
  std::vector<std::string>& log_;
  UINT takes_;
};

TEST(MessageLoop, FiltersAreAskedLastRegisteredFirstAndATakerEndsTheChain) {
  DrainMessages();
  std::vector<std::string> log;
  LoggingFilter first("first", log);
  LoggingFilter second("second", log, kTaken);
  LoggingFilter third("third", log);
  CMessageLoop loop;
  loop.AddMessageFilter(&first);
  loop.AddMessageFilter(&second);
  loop.AddMessageFilter(&third);
  ::PostThreadMessageW(::GetCurrentThreadId(), kProbe, 0, 0);
  ::PostThreadMessageW(::GetCurrentThreadId(), kTaken, 0, 0);
  ::PostQuitMessage(77);

  EXPECT_EQ(loop.Run(), 77);
  EXPECT_EQ(log, (std::vector<std::string>{"third:1", "second:1", "first:1",  // nobody took it
                                          "third:2", "second:2"}));            // second took it
}

TEST(MessageLoop, AFilterMayRemoveFiltersWhileItRuns) {
  std::vector<std::string> log;
  LoggingFilter a("a", log), b("b", log), c("c", log);
  CMessageLoop loop;
  loop.AddMessageFilter(&a);
  loop.AddMessageFilter(&b);
  loop.AddMessageFilter(&c);
  MSG msg{};
  msg.message = kProbe;

  // b removes itself: a is still asked, nobody twice.
  b.onCall = [&] { loop.RemoveMessageFilter(&b); };
  EXPECT_FALSE(loop.PreTranslateMessage(&msg));
  EXPECT_EQ(log, (std::vector<std::string>{"c:1", "b:1", "a:1"}));

  // c removes a, which has not been asked yet: a is not asked.
  log.clear();
  c.onCall = [&] { loop.RemoveMessageFilter(&a); };
  EXPECT_FALSE(loop.PreTranslateMessage(&msg));
  EXPECT_EQ(log, (std::vector<std::string>{"c:1"}));
  EXPECT_FALSE(loop.RemoveMessageFilter(&a));
}

class ScriptedIdle : public CIdleHandler {
 public:
  explicit ScriptedIdle(std::function<bool(int call)> script) : script_(std::move(script)) {}
  bool OnIdle() override { return script_(calls_++); }
  int calls() const { return calls_; }

 private:
  std::function<bool(int)> script_;
  int calls_ = 0;
};

// Records the running count the loop passes to each idle round, in the same
// log as the messages a filter sees.
class RecordingLoop : public CMessageLoop {
 public:
  explicit RecordingLoop(std::vector<std::string>& log) : log_(log) {}
  bool OnIdle(int idleCount) override {
    log_.push_back("idle" + std::to_string(idleCount));
    return CMessageLoop::OnIdle(idleCount);
  }

 private:
  std::vector<std::string>& log_;
};

class MessageNameFilter : public CMessageFilter {
 public:
  explicit MessageNameFilter(std::vector<std::string>& log) : log_(log) {}
  BOOL PreTranslateMessage(MSG* msg) override {
    char name[16];
    wsprintfA(name, "msg%X", msg->message);
    log_.push_back(name);
    return FALSE;
  }

 private:
  std::vector<std::string>& log_;
};

TEST(MessageLoop, IdleRunsUntilAHandlerIsDoneAndOnlyRealMessagesRearmIt) {
  DrainMessages();
  std::vector<std::string> log;
  RecordingLoop loop(log);
  MessageNameFilter filter(log);
  loop.AddMessageFilter(&filter);
  const DWORD thread = ::GetCurrentThreadId();
  ScriptedIdle idle([&](int call) {
    switch (call) {
      case 0:
        return true;  // more to do: asked again at once
      case 1:
        // Mouse moves, paints and the caret timer must not wake idle
        // processing; the probe must.
        for (UINT m : {UINT{WM_MOUSEMOVE}, UINT{WM_NCMOUSEMOVE}, UINT{WM_PAINT}, 0x0118u, kProbe}) {
          ::PostThreadMessageW(thread, m, 0, 0);
        }
        return false;
      default:
        ::PostQuitMessage(3);
        return false;
    }
  });
  loop.AddIdleHandler(&idle);

  EXPECT_EQ(loop.Run(), 3);
  EXPECT_EQ(idle.calls(), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"idle0", "idle1", "msg200", "msgA0", "msgF", "msg118",
                                          "msg8001", "idle0"}));
}

// A paint arrives only when the queue is empty, so whether it arms idle
// processing shows: the timer 50 ms later must be the next thing the loop sees.
TEST(MessageLoop, APaintDoesNotWakeIdleProcessingButATimerDoes) {
  DrainMessages();
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                                  nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ::UpdateWindow(window);
  DrainMessages();
  std::vector<std::string> log;
  RecordingLoop loop(log);
  MessageNameFilter filter(log);
  loop.AddMessageFilter(&filter);
  UINT_PTR timer = 0;
  ScriptedIdle idle([&](int call) {
    if (call == 0) {
      ::InvalidateRect(window, nullptr, TRUE);
      timer = ::SetTimer(window, 1, 50, nullptr);
      return false;
    }
    ::KillTimer(window, timer);
    ::PostQuitMessage(4);
    return false;
  });
  loop.AddIdleHandler(&idle);

  EXPECT_EQ(loop.Run(), 4);
  EXPECT_EQ(log, (std::vector<std::string>{"idle0", "msgF", "msg113", "idle0"}));
  ::DestroyWindow(window);
}

TEST(MessageLoop, AnIdleRoundStopsAtTheFirstHandlerThatIsDone) {
  CMessageLoop loop;
  EXPECT_FALSE(loop.OnIdle(0)) << "no handler: nothing to do, no busy loop";

  ScriptedIdle busy([](int) { return true; });
  ScriptedIdle done([](int) { return false; });
  ScriptedIdle last([](int) { return true; });
  loop.AddIdleHandler(&busy);
  loop.AddIdleHandler(&last);
  EXPECT_TRUE(loop.OnIdle(0));
  EXPECT_EQ(busy.calls(), 1);
  EXPECT_EQ(last.calls(), 1);

  loop.RemoveIdleHandler(&last);
  loop.AddIdleHandler(&done);
  loop.AddIdleHandler(&last);
  EXPECT_FALSE(loop.OnIdle(1));
  EXPECT_EQ(busy.calls(), 2);
  EXPECT_EQ(done.calls(), 1);
  EXPECT_EQ(last.calls(), 1) << "handlers after the one that is done are not asked";
}

TEST(MessageLoop, AnIdleHandlerMayRemoveItselfWithoutSkippingTheNext) {
  CMessageLoop loop;
  ScriptedIdle* selfRef = nullptr;
  ScriptedIdle leaving([&](int) {
    loop.RemoveIdleHandler(selfRef);
    return true;
  });
  selfRef = &leaving;
  ScriptedIdle next([](int) { return true; });
  loop.AddIdleHandler(&leaving);
  loop.AddIdleHandler(&next);
  EXPECT_TRUE(loop.OnIdle(0));
  EXPECT_EQ(next.calls(), 1);
  EXPECT_TRUE(loop.OnIdle(1));
  EXPECT_EQ(leaving.calls(), 1);
  EXPECT_EQ(next.calls(), 2);
}

TEST(MessageLoop, IdleMessages) {
  struct Case {
    UINT message;
    bool rearms;
  };
  for (Case c : {Case{WM_MOUSEMOVE, false}, Case{WM_NCMOUSEMOVE, false}, Case{WM_PAINT, false},
                 Case{0x0118, false}, Case{WM_TIMER, true}, Case{WM_KEYDOWN, true},
                 Case{WM_LBUTTONDOWN, true}, Case{WM_COMMAND, true}, Case{WM_NULL, true}}) {
    MSG msg{};
    msg.message = c.message;
    EXPECT_EQ(CMessageLoop::IsIdleMessage(msg), c.rearms) << std::hex << c.message;
  }
}

// ---- handles waited on beside the messages ----

// Logs each signal and resets the event, or, told so, leaves it signalled.
class EventHandler : public CWaitHandler {
 public:
  EventHandler(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  void OnSignalled(HANDLE handle) override {
    log_.push_back(name_);
    if (!staySignalled) ::ResetEvent(handle);
    if (onCall) onCall();
  }
  bool staySignalled = false;
  std::function<void()> onCall;

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

struct OwnedEvent {
  OwnedEvent() : handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~OwnedEvent() { ::CloseHandle(handle); }
  HANDLE handle;
};

TEST(MessageLoop, ASignalledHandleIsServedBetweenMessagesOnTheLoopsThread) {
  DrainMessages();
  std::vector<std::string> log;
  CMessageLoop loop;
  MessageNameFilter filter(log);
  loop.AddMessageFilter(&filter);
  OwnedEvent a, b;
  EventHandler onA("a", log), onB("b", log);
  ASSERT_TRUE(loop.AddWaitHandle(a.handle, &onA));
  ASSERT_TRUE(loop.AddWaitHandle(b.handle, &onB));
  EXPECT_FALSE(loop.AddWaitHandle(a.handle, &onB)) << "one handler per handle";
  const DWORD thread = ::GetCurrentThreadId();
  DWORD servedOn = 0;
  onB.onCall = [&] {
    servedOn = ::GetCurrentThreadId();
    ::PostThreadMessageW(thread, kProbe, 0, 0);
  };
  onA.onCall = [&] { ::PostQuitMessage(5); };
  // Another thread signals b while the loop waits with an empty queue; the
  // posted probe then signals a.
  std::thread signaller([&] { ::SetEvent(b.handle); });
  ScriptedIdle idle([&](int) { return false; });
  loop.AddIdleHandler(&idle);
  LoggingFilter setA("setA", log);
  setA.onCall = [&] { ::SetEvent(a.handle); };
  loop.AddMessageFilter(&setA);

  EXPECT_EQ(loop.Run(), 5);
  signaller.join();
  EXPECT_EQ(servedOn, thread);
  EXPECT_EQ(log, (std::vector<std::string>{"b", "setA:1", "msg8001", "a"}));
  EXPECT_TRUE(loop.RemoveWaitHandle(a.handle));
  EXPECT_FALSE(loop.RemoveWaitHandle(a.handle));
}

TEST(MessageLoop, AHandleThatStaysSignalledDoesNotStarveTheQueue) {
  DrainMessages();
  std::vector<std::string> log;
  CMessageLoop loop;
  OwnedEvent stuck;
  EventHandler handler("signal", log);
  handler.staySignalled = true;
  int served = 0;
  handler.onCall = [&] {
    if (++served == 3) ::PostQuitMessage(6);
  };
  ASSERT_TRUE(loop.AddWaitHandle(stuck.handle, &handler));
  ::SetEvent(stuck.handle);
  ::PostThreadMessageW(::GetCurrentThreadId(), kProbe, 0, 0);
  LoggingFilter filter("filter", log);
  loop.AddMessageFilter(&filter);

  EXPECT_EQ(loop.Run(), 6);
  EXPECT_EQ(log, (std::vector<std::string>{"filter:1", "signal", "signal", "signal"}));
}

TEST(MessageLoop, AMessageSentFromAnotherThreadIsHandledWhileTheLoopWaits) {
  DrainMessages();
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  CMessageLoop loop;
  OwnedEvent idle;
  std::vector<std::string> log;
  EventHandler handler("signal", log);
  ASSERT_TRUE(loop.AddWaitHandle(idle.handle, &handler));
  const DWORD thread = ::GetCurrentThreadId();
  // SendMessageW returns only once the loop's thread has handled it: a wait
  // that slept through sent messages would hang here.
  std::thread sender([&] {
    ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"sent"));
    ::PostThreadMessageW(thread, WM_QUIT, 7, 0);
  });
  EXPECT_EQ(loop.Run(), 7);
  sender.join();
  wchar_t text[8] = L"";
  ::GetWindowTextW(window, text, 8);
  EXPECT_STREQ(text, L"sent");
  EXPECT_TRUE(log.empty());
  ::DestroyWindow(window);
}

TEST(AppModule, KeepsOneLoopPerThread) {
  CMessageLoop mine, theirs, another;
  ASSERT_EQ(TheModule().GetMessageLoop(), nullptr);
  {
    MessageLoopRegistration registration(&mine);
    EXPECT_EQ(TheModule().GetMessageLoop(), &mine);
    EXPECT_FALSE(TheModule().AddMessageLoop(&another)) << "one loop per thread";
    EXPECT_EQ(TheModule().GetMessageLoop(), &mine);

    HANDLE registered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE checked = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD otherThread = 0;
    CMessageLoop* seenThere = &another;
    std::thread worker([&] {
      otherThread = ::GetCurrentThreadId();
      seenThere = TheModule().GetMessageLoop();
      TheModule().AddMessageLoop(&theirs);
      ::SetEvent(registered);
      ::WaitForSingleObject(checked, INFINITE);
      TheModule().RemoveMessageLoop();
    });
    ::WaitForSingleObject(registered, INFINITE);
    EXPECT_EQ(seenThere, nullptr) << "a thread sees only its own loop";
    EXPECT_EQ(TheModule().GetMessageLoop(otherThread), &theirs);
    EXPECT_EQ(TheModule().GetMessageLoop(), &mine);
    ::SetEvent(checked);
    worker.join();
    EXPECT_EQ(TheModule().GetMessageLoop(otherThread), nullptr);
    EXPECT_EQ(TheModule().GetMessageLoop(), &mine) << "removal is per thread";
    ::CloseHandle(registered);
    ::CloseHandle(checked);
  }
  EXPECT_EQ(TheModule().GetMessageLoop(), nullptr);
}

}  // namespace
