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

TEST(SingleInstance, OnlyADialogWithTheReportTitleCounts) {
  // Hidden, of any program; a folder window of that title is no copy.
  struct Case {
    const wchar_t* windowClass;
    bool counts;
  } cases[] = {{L"#32770", true}, {L"STATIC", false}, {L"CabinetWClass", false}};
  WNDCLASSW folder{};
  folder.lpfnWndProc = ::DefWindowProcW;
  folder.lpszClassName = L"CabinetWClass";
  ::RegisterClassW(&folder);
  for (const Case& c : cases) {
    HWND window = ::CreateWindowExW(0, c.windowClass, kReportTitle, WS_POPUP, 0, 0, 10, 10,
                                    nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr) << c.windowClass;
    OwnedKernelHandle mutex;
    EXPECT_EQ(AnotherCopyRunning(mutex), c.counts) << c.windowClass;
    EXPECT_EQ(static_cast<bool>(mutex), !c.counts) << c.windowClass;
    ::DestroyWindow(window);
    mutex.Reset();
    EXPECT_FALSE(AnotherCopyRunning(mutex)) << "once the window is gone";
  }
  ::UnregisterClassW(L"CabinetWClass", nullptr);
}

}  // namespace
