#include "win/monitors.h"

namespace {

bool WorkAreaOf(HMONITOR monitor, RECT& workArea) {
  if (!monitor) return false;
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(monitor, &info)) return false;
  workArea = info.rcWork;
  return true;
}

class DesktopMonitors : public MonitorSeam {
 public:
  bool IsOnMonitor(POINT point) const override {
    return ::MonitorFromPoint(point, MONITOR_DEFAULTTONULL) != nullptr;
  }
  bool NearestWorkArea(POINT point, RECT& workArea) const override {
    return WorkAreaOf(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), workArea);
  }
  bool WindowWorkArea(HWND window, RECT& workArea) const override {
    return WorkAreaOf(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), workArea);
  }
  POINT CommandPoint() const override {
    // Signed: a monitor left of or above the primary one has negative
    // coordinates.
    const DWORD position = ::GetMessagePos();
    return POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  }
};

}  // namespace

const MonitorSeam& SystemMonitors() {
  static const DesktopMonitors monitors;
  return monitors;
}
