#include "win/monitors.h"

#include <initializer_list>

namespace {

// The anchor of the keyboard command that is running, if one is. One
// thread: no command runs on another.
const POINT* keyboardAnchor = nullptr;

using PointFn = BOOL(WINAPI*)(HWND, LPPOINT);

// Looked up, not imported: Vista has only the first, 8.1 and later the
// second, and there the first no longer converts.
PointFn FindConversion(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<PointFn>(
                      reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                : nullptr;
}

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
  POINT PhysicalToLogical(HWND window, POINT physical) const override {
    static const PointFn perMonitor = FindConversion("PhysicalToLogicalPointForPerMonitorDPI");
    static const PointFn systemWide = FindConversion("PhysicalToLogicalPoint");
    for (PointFn convert : {perMonitor, systemWide}) {
      POINT point = physical;
      if (convert && convert(window, &point)) return point;
    }
    return physical;
  }
};

}  // namespace

POINT MonitorSeam::ChosenPoint() const {
  return keyboardAnchor ? *keyboardAnchor : CommandPoint();
}

MonitorSeam::KeyboardCommand::KeyboardCommand(POINT anchor)
    : previous_(keyboardAnchor), anchor_(anchor) {
  keyboardAnchor = &anchor_;
}

MonitorSeam::KeyboardCommand::~KeyboardCommand() { keyboardAnchor = previous_; }

const MonitorSeam& SystemMonitors() {
  static const DesktopMonitors monitors;
  return monitors;
}
