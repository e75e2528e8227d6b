// Where a point given in physical pixels lies in this program's coordinates.
// The shell is per-monitor aware and gives the icon's anchor in physical
// pixels; this program declares no DPI awareness, so Windows scales each
// monitor for it by that monitor's factor, about the monitor's own corner.
// The two views of one monitor are its two rectangles; a point maps from one
// to the other in proportion. Portable arithmetic: rectangles in, a point out.
#pragma once

#include <cstdint>
#include <vector>

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// Left and top inside, right and bottom just outside, as RECT.
struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// One monitor as a per-monitor aware thread sees it and as this program does.
struct MonitorRects {
  ScreenRect physical;
  ScreenRect logical;
};

struct MappedPoint {
  // The monitor the point was mapped on (its index); -1 when there is none.
  int monitor = -1;
  ScreenPoint point;
};

// The monitor whose physical rectangle holds the point, else the nearest one
// (by the distance to its rectangle, as MONITOR_DEFAULTTONEAREST chooses;
// the first of equals). -1 for no monitors.
int MonitorOfPhysicalPoint(const std::vector<MonitorRects>& monitors, ScreenPoint physical);

// The point on its monitor (above), mapped from the physical rectangle into
// the logical one in proportion, rounded to the nearest pixel, and kept
// inside it: a point off every monitor lands on the nearest one's edge.
// With no monitors, the point itself and monitor -1.
MappedPoint MapToLogical(const std::vector<MonitorRects>& monitors, ScreenPoint physical);
