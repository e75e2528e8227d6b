#include "win/monitors.h"

namespace {

// The anchor of the keyboard command that is running, if one is. One
// thread: no command runs on another.
const POINT* keyboardAnchor = nullptr;

ScreenRect ToScreen(const RECT& r) { return ScreenRect{r.left, r.top, r.right, r.bottom}; }

struct FoundMonitor {
  HMONITOR handle;
  RECT rect;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT rect, LPARAM found) {
  reinterpret_cast<std::vector<FoundMonitor>*>(found)->push_back(FoundMonitor{monitor, *rect});
  return TRUE;
}

// In the coordinates of the calling thread's DPI awareness.
std::vector<FoundMonitor> EnumerateMonitors() {
  std::vector<FoundMonitor> found;
  if (!::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&found))) {
    found.clear();
  }
  return found;
}

using SetThreadContextFn = HANDLE(WINAPI*)(HANDLE);
// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE, a pseudo-handle.
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

// Windows 10 1607 and later: a thread switched to per-monitor awareness sees
// each monitor in physical pixels, and the same monitor's handle then gives
// the program's own rectangle. Looked up, not imported: the program runs on
// older Windows too.
std::vector<MonitorRects> PerMonitorRects() {
  static const auto setContext = [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<SetThreadContextFn>(reinterpret_cast<void*>(
                        ::GetProcAddress(user32, "SetThreadDpiAwarenessContext")))
                  : nullptr;
  }();
  if (!setContext) return {};
  const HANDLE previous = setContext(kPerMonitorAware);
  if (!previous) return {};
  const std::vector<FoundMonitor> physical = EnumerateMonitors();
  // Back at once: every window the thread creates takes its awareness.
  setContext(previous);
  std::vector<MonitorRects> monitors;
  for (const FoundMonitor& m : physical) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(m.handle, &info)) return {};
    monitors.push_back(MonitorRects{ToScreen(m.rect), ToScreen(info.rcMonitor)});
  }
  return monitors;
}

// Older Windows scale for the whole system, not by monitor; the display
// mode of each monitor's device still gives its position and size in
// physical pixels.
std::vector<MonitorRects> DisplayModeRects() {
  std::vector<MonitorRects> monitors;
  for (const FoundMonitor& m : EnumerateMonitors()) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(m.handle, &info)) return {};
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    if (!::EnumDisplaySettingsExW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode, 0)) return {};
    const LONG x = mode.dmPosition.x;
    const LONG y = mode.dmPosition.y;
    const RECT physical{x, y, x + static_cast<LONG>(mode.dmPelsWidth),
                        y + static_cast<LONG>(mode.dmPelsHeight)};
    monitors.push_back(MonitorRects{ToScreen(physical), ToScreen(info.rcMonitor)});
  }
  return monitors;
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
  std::vector<MonitorRects> Monitors() const override {
    std::vector<MonitorRects> monitors = PerMonitorRects();
    return monitors.empty() ? DisplayModeRects() : monitors;
  }
};

}  // namespace

POINT MonitorSeam::PhysicalToLogical(POINT physical) const {
  const std::vector<MonitorRects> monitors = Monitors();
  if (monitors.empty()) return CommandPoint();
  const MappedPoint mapped = MapToLogical(monitors, ScreenPoint{physical.x, physical.y});
  return POINT{mapped.point.x, mapped.point.y};
}

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
