#include "win/monitors_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One 1920 x 1080 panel as this program sees it at each scale: Windows
// divides its size by the factor (1097 x 617 at 175%).
MonitorRects Panel(int32_t logicalWidth, int32_t logicalHeight) {
  return MonitorRects{ScreenRect{0, 0, 1920, 1080}, ScreenRect{0, 0, logicalWidth, logicalHeight}};
}

// A 2560 x 1440 primary at 150% with a 1920 x 1080 one at 100% to its left,
// bottoms aligned; each is scaled about its own corner, so the program's
// rectangles leave a gap the physical ones do not have.
const std::vector<MonitorRects> kWideAndLeft = {
    {ScreenRect{0, 0, 2560, 1440}, ScreenRect{0, 0, 1707, 960}},
    {ScreenRect{-1920, 360, 0, 1440}, ScreenRect{-1920, 360, 0, 1440}},
};
// A 1920 x 1080 primary at 100% with the same panel at 125% to its right.
const std::vector<MonitorRects> kPlainAndRight = {
    {ScreenRect{0, 0, 1920, 1080}, ScreenRect{0, 0, 1920, 1080}},
    {ScreenRect{1920, 0, 3840, 1080}, ScreenRect{1920, 0, 3456, 864}},
};

TEST(MonitorsLayout, APhysicalPointMapsOnItsMonitorInProportion) {
  struct Case {
    const char* what;
    std::vector<MonitorRects> monitors;
    ScreenPoint physical;
    int monitor;
    ScreenPoint logical;
  };
  const Case cases[] = {
      {"100%: unchanged", {Panel(1920, 1080)}, {1800, 1050}, 0, {1800, 1050}},
      {"125%", {Panel(1536, 864)}, {1800, 1050}, 0, {1440, 840}},
      {"150%", {Panel(1280, 720)}, {1800, 1050}, 0, {1200, 700}},
      {"175%: rounded to the nearest pixel", {Panel(1097, 617)}, {1800, 1050}, 0, {1028, 600}},
      {"150%: the last pixel stays on the monitor", {Panel(1280, 720)}, {1919, 1079}, 0, {1279, 719}},
      {"150%: the first pixel", {Panel(1280, 720)}, {0, 0}, 0, {0, 0}},
      {"two scales: on the 150% primary", kWideAndLeft, {2500, 1400}, 0, {1667, 933}},
      {"two scales: on the 100% one left of it", kWideAndLeft, {-100, 1400}, 1, {-100, 1400}},
      {"two scales: on the 125% one right of it", kPlainAndRight, {3760, 1050}, 1, {3392, 840}},
      {"two scales: on the 100% primary", kPlainAndRight, {1900, 10}, 0, {1900, 10}},
      {"off every monitor, right: the nearest one's edge", kWideAndLeft, {3000, 500}, 0, {1706, 333}},
      {"off every monitor, above the left one", kWideAndLeft, {-500, 100}, 1, {-500, 360}},
      {"off every monitor, below both: the nearer", kPlainAndRight, {2000, 1500}, 1, {1984, 863}},
      {"no monitors: the point as given", {}, {-5, 7}, -1, {-5, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const MappedPoint mapped = MapToLogical(c.monitors, c.physical);
    EXPECT_EQ((std::vector<int32_t>{mapped.monitor, mapped.point.x, mapped.point.y}),
              (std::vector<int32_t>{c.monitor, c.logical.x, c.logical.y}));
  }
}

}  // namespace
