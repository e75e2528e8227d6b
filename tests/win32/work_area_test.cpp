#include "shell/work_area.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Made-up monitors: a list of monitor rectangles with their work areas.
class FakeMonitors : public MonitorSeam {
 public:
  struct Monitor {
    RECT bounds, work;
  };
  explicit FakeMonitors(std::vector<Monitor> monitors) : monitors_(std::move(monitors)) {}
  bool IsOnMonitor(POINT p) const override {
    ++calls;
    for (const Monitor& m : monitors_) {
      if (::PtInRect(&m.bounds, p)) return true;
    }
    return false;
  }
  bool NearestWorkArea(POINT p, RECT& work) const override {
    ++calls;
    if (failNearest || monitors_.empty()) return false;
    // Nearest by distance to the bounds, as MONITOR_DEFAULTTONEAREST does.
    long best = -1;
    for (const Monitor& m : monitors_) {
      long dx = p.x < m.bounds.left ? m.bounds.left - p.x : p.x >= m.bounds.right ? p.x - m.bounds.right + 1 : 0;
      long dy = p.y < m.bounds.top ? m.bounds.top - p.y : p.y >= m.bounds.bottom ? p.y - m.bounds.bottom + 1 : 0;
      long d = dx * dx + dy * dy;
      if (best < 0 || d < best) {
        best = d;
        work = m.work;
      }
    }
    return true;
  }
  bool failNearest = false;
  mutable int calls = 0;

 private:
  std::vector<Monitor> monitors_;
};

// Two monitors side by side; each work area leaves out a task bar.
//   primary   [0 .. 1024) x [0 .. 768), work [40 .. 1024) x [0 .. 740)
//   secondary [1024 .. 2304) x [0 .. 1024), work [1024 .. 2200) x [0 .. 1024)
FakeMonitors TwoMonitors() {
  return FakeMonitors({{RECT{0, 0, 1024, 768}, RECT{40, 0, 1024, 740}},
                       {RECT{1024, 0, 2304, 1024}, RECT{1024, 0, 2200, 1024}}});
}

TEST(ClampToWorkArea, APointOnAMonitorKeepsItsX) {
  FakeMonitors monitors = TwoMonitors();
  EXPECT_EQ(ClampToWorkArea(500, 300, monitors), 500);
  EXPECT_EQ(ClampToWorkArea(10, 300, monitors), 10) << "on the monitor, over its task bar";
  EXPECT_EQ(ClampToWorkArea(2250, 1000, monitors), 2250);
}

TEST(ClampToWorkArea, APointOffEveryMonitorMovesIntoTheNearestWorkArea) {
  FakeMonitors monitors = TwoMonitors();
  EXPECT_EQ(ClampToWorkArea(-300, 300, monitors), 40) << "left of the primary";
  EXPECT_EQ(ClampToWorkArea(-1, 300, monitors), 40);
  EXPECT_EQ(ClampToWorkArea(2400, 100, monitors), 2200) << "right of the secondary";
  EXPECT_EQ(ClampToWorkArea(2304, 100, monitors), 2200) << "first pixel past it";
  // Below the primary but within its columns: off every monitor, x inside
  // the nearest work area's span, so it stays; y is never the caller's to change.
  EXPECT_EQ(ClampToWorkArea(500, 900, monitors), 500);
}

TEST(ClampToWorkArea, KeepsXWhenNoWorkAreaCanBeHad) {
  FakeMonitors monitors = TwoMonitors();
  monitors.failNearest = true;
  EXPECT_EQ(ClampToWorkArea(-300, 300, monitors), -300);
  FakeMonitors none({});
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
