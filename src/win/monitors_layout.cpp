#include "win/monitors_layout.h"

#include <algorithm>

namespace {

int64_t Distance(int32_t p, int32_t from, int32_t to) {
  if (p < from) return int64_t{from} - p;
  if (p >= to) return int64_t{p} - to + 1;
  return 0;
}

// One coordinate, from the span [pFrom, pTo) into [lFrom, lTo).
int32_t Scale(int32_t p, int32_t pFrom, int32_t pTo, int32_t lFrom, int32_t lTo) {
  const int64_t pSpan = int64_t{pTo} - pFrom;
  const int64_t lSpan = int64_t{lTo} - lFrom;
  if (pSpan <= 0 || lSpan <= 0) return lFrom;
  const int64_t offset = std::clamp<int64_t>(int64_t{p} - pFrom, 0, pSpan - 1);
  // Rounded half up (the offset is never negative), as MulDiv rounds.
  const int64_t scaled = (offset * lSpan * 2 + pSpan) / (pSpan * 2);
  return static_cast<int32_t>(lFrom + std::min(scaled, lSpan - 1));
}

}  // namespace

int MonitorOfPhysicalPoint(const std::vector<MonitorRects>& monitors, ScreenPoint physical) {
  int best = -1;
  int64_t bestDistance = 0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const ScreenRect& r = monitors[i].physical;
    const int64_t dx = Distance(physical.x, r.left, r.right);
    const int64_t dy = Distance(physical.y, r.top, r.bottom);
    const int64_t d = dx * dx + dy * dy;
    if (best < 0 || d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  return best;
}

MappedPoint MapToLogical(const std::vector<MonitorRects>& monitors, ScreenPoint physical) {
  MappedPoint mapped;
  mapped.monitor = MonitorOfPhysicalPoint(monitors, physical);
  if (mapped.monitor < 0) {
    mapped.point = physical;
    return mapped;
  }
  const MonitorRects& m = monitors[static_cast<size_t>(mapped.monitor)];
  mapped.point.x = Scale(physical.x, m.physical.left, m.physical.right, m.logical.left, m.logical.right);
  mapped.point.y = Scale(physical.y, m.physical.top, m.physical.bottom, m.logical.top, m.logical.bottom);
  return mapped;
}
