#include "win/folder_watch.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/fake_notifications.h"
#include "support/temp_dir.h"
#include "support/win32_messages.h"

namespace {

// Writing a file into the folder reaches the loop as a call on the loop's
// own thread.
TEST(FolderWatch, TheSystemsNotificationReachesTheLoopOnItsThread) {
  DrainMessages();
  TempDir dir;
  CMessageLoop loop;
  CFolderWatch watch;
  DWORD calledOn = 0;
  ASSERT_TRUE(watch.Start(&loop, dir.Path(), [&] {
    calledOn = ::GetCurrentThreadId();
    ::PostQuitMessage(1);
  }));
  EXPECT_TRUE(watch.Active());
  std::thread writer([&] { WriteBytes(dir.File(u"data.csv"), "x"); });
  EXPECT_EQ(loop.Run(), 1);
  writer.join();
  EXPECT_EQ(calledOn, ::GetCurrentThreadId());
  watch.Stop();
  EXPECT_FALSE(watch.Active());
}

// Each signal is armed again (FindNextChangeNotification) before it is told,
// so the next change signals too; one that cannot be armed again (the folder
// went away) ends the watch quietly, and the change that came is still told.
TEST(FolderWatch, EachChangeIsToldOnceAndTheWatchArmedAgainOrEndedWhenItCannotBe) {
  for (const bool failNext : {false, true}) {
    SCOPED_TRACE(failNext ? "cannot be armed again" : "armed again");
    DrainMessages();
    FakeNotifications notifications;
    notifications.failNext = failNext;
    CMessageLoop loop;
    CFolderWatch watch(notifications);
    int changes = 0;
    ASSERT_TRUE(watch.Start(&loop, u"C:\\w", [&] { ::PostQuitMessage(++changes); }));
    HANDLE handle = notifications.event;
    for (int round = 1; round <= (failNext ? 1 : 2); ++round) {
      notifications.Signal();
      EXPECT_EQ(loop.Run(), round);
      EXPECT_EQ(notifications.nexts, round);
      if (!failNext) {
        EXPECT_EQ(::WaitForSingleObject(handle, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "armed again";
      }
    }
    EXPECT_EQ(watch.Active(), !failNext);
    if (!failNext) watch.Stop();
    EXPECT_EQ(notifications.closes, 1);
    EXPECT_FALSE(loop.RemoveWaitHandle(handle)) << "out of the loop's wait, before it was closed";
  }
}

TEST(FolderWatch, AFolderThatCannotBeWatchedGivesNoWatchAndNoWait) {
  FakeNotifications notifications;
  notifications.refuse = true;
  CMessageLoop loop;
  CFolderWatch watch(notifications);
  EXPECT_FALSE(watch.Start(&loop, u"\\\\server\\share", [] {}));
  EXPECT_FALSE(watch.Active());
  EXPECT_EQ(notifications.folders, std::vector<Text>{u"\\\\server\\share"});
  // The real call too, on a folder that is not there.
  CFolderWatch real;
  EXPECT_FALSE(real.Start(&loop, u"C:\\no-such-folder-of-dorvane", [] {}));
  EXPECT_FALSE(real.Active());
}

}  // namespace
