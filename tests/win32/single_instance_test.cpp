#include "app/single_instance.h"

#include <gtest/gtest.h>

#include "shell/main_dlg.h"

namespace {

TEST(SingleInstance, TheSessionMutexLetsOnlyTheFirstCopyPass) {
  OwnedKernelHandle first;
  ASSERT_FALSE(AnotherCopyRunning(first));
  EXPECT_TRUE(first) << "the first copy holds the mutex for its run";

  // A copy started at the same moment: no window yet, but the mutex exists.
  OwnedKernelHandle second;
  EXPECT_TRUE(AnotherCopyRunning(second));
  EXPECT_FALSE(second) << "the refused copy keeps nothing open";

  first.Reset();
  OwnedKernelHandle later;
  EXPECT_FALSE(AnotherCopyRunning(later)) << "once the first copy has ended";
}

TEST(SingleInstance, AnyTopLevelWindowWithTheReportTitleCounts) {
  // Hidden, of another class, of any program.
  HWND stranger = ::CreateWindowExW(0, L"STATIC", kReportTitle, WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, nullptr, nullptr);
  ASSERT_NE(stranger, nullptr);
  OwnedKernelHandle mutex;
  EXPECT_TRUE(AnotherCopyRunning(mutex));
  EXPECT_FALSE(mutex);
  ::DestroyWindow(stranger);
  EXPECT_FALSE(AnotherCopyRunning(mutex));
}

}  // namespace
