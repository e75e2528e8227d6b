#include "shell/work_area.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/shell_fakes.h"

namespace {

TEST(ClampToWorkArea, APointOnAMonitorKeepsItsX) {
  MadeUpMonitors monitors = TwoMonitors();
  EXPECT_EQ(ClampToWorkArea(500, 300, monitors), 500);
  EXPECT_EQ(ClampToWorkArea(10, 300, monitors), 10) << "on the monitor, over its task bar";
  EXPECT_EQ(ClampToWorkArea(2250, 1000, monitors), 2250);
}

TEST(ClampToWorkArea, APointOffEveryMonitorMovesIntoTheNearestWorkArea) {
  MadeUpMonitors monitors = TwoMonitors();
  EXPECT_EQ(ClampToWorkArea(-300, 300, monitors), 40) << "left of the primary";
  EXPECT_EQ(ClampToWorkArea(-1, 300, monitors), 40);
  EXPECT_EQ(ClampToWorkArea(2400, 100, monitors), 2200) << "right of the secondary";
  EXPECT_EQ(ClampToWorkArea(2304, 100, monitors), 2200) << "first pixel past it";
  // Below the primary but within its columns: off every monitor, x inside
  // the nearest work area's span, so it stays; y is never the caller's to change.
  EXPECT_EQ(ClampToWorkArea(500, 900, monitors), 500);
}

TEST(ClampToWorkArea, KeepsXWhenNoWorkAreaCanBeHad) {
  MadeUpMonitors monitors = TwoMonitors();
  monitors.failNearest = true;
  EXPECT_EQ(ClampToWorkArea(-300, 300, monitors), -300);
  MadeUpMonitors none({});
  EXPECT_EQ(ClampToWorkArea(-300, 300, none), -300);
}

TEST(ClampToWorkArea, OnTheDesktopsOwnMonitors) {
  RECT work{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const MonitorSeam& monitors = SystemMonitors();
  EXPECT_EQ(ClampToWorkArea(work.left + 5, work.top + 5, monitors), work.left + 5);
  EXPECT_EQ(ClampToWorkArea(-30000, work.top + 5, monitors), work.left);
  int screenRight = ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  EXPECT_EQ(ClampToWorkArea(screenRight + 30000, work.top + 5, monitors), work.right);
}

}  // namespace

namespace {

// Wine does not scale: both views of each monitor agree, and the mapping
// leaves a point on a monitor where it is and brings one off them all onto
// the nearest.
TEST(DesktopMonitors, GiveEveryMonitorInBothViews) {
  const MonitorSeam& monitors = SystemMonitors();
  const std::vector<MonitorRects> rects = monitors.Monitors();
  ASSERT_EQ(rects.size(), static_cast<size_t>(::GetSystemMetrics(SM_CMONITORS)));
  for (const MonitorRects& m : rects) {
    EXPECT_EQ(m.physical.right - m.physical.left, m.logical.right - m.logical.left);
    EXPECT_EQ(m.physical.left, m.logical.left);
  }
  RECT work{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const POINT on = monitors.PhysicalToLogical(POINT{work.left + 5, work.top + 7});
  EXPECT_EQ(on.x, work.left + 5);
  EXPECT_EQ(on.y, work.top + 7);
  const POINT off = monitors.PhysicalToLogical(POINT{-30000, work.top + 7});
  EXPECT_EQ(off.x, ::GetSystemMetrics(SM_XVIRTUALSCREEN));
}

}  // namespace
