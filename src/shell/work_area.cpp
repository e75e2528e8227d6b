#include "shell/work_area.h"

namespace {
class DesktopMonitors : public MonitorSeam {
 public:
  bool IsOnMonitor(POINT point) const override {
    return ::MonitorFromPoint(point, MONITOR_DEFAULTTONULL) != nullptr;
  }
  bool NearestWorkArea(POINT point, RECT& workArea) const override {
    HMONITOR monitor = ::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
    if (!monitor) return false;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(monitor, &info)) return false;
    workArea = info.rcWork;
    return true;
  }
};
}  // namespace

const MonitorSeam& SystemMonitors() {
  static const DesktopMonitors monitors;
  return monitors;
}

int ClampToWorkArea(int x, int y, const MonitorSeam& monitors) {
  const POINT point{x, y};
  if (monitors.IsOnMonitor(point)) return x;
  RECT work;
  if (!monitors.NearestWorkArea(point, work)) return x;
  if (x < work.left) return work.left;
  if (x > work.right) return work.right;
  return x;
}
