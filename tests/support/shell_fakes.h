// The seams CMainDlg is built on, faked: the shell's notification area and
// the monitors.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "shell/tray_icon.h"
#include "shell/work_area.h"

struct TrayCall {
  DWORD message;
  NOTIFYICONDATAW data;
  std::wstring Tip() const { return data.szTip; }
};

// Records every description sent to the shell; answers from a script of
// (success, error) pairs, then succeeds.
class FakeTray : public TrayShell {
 public:
  bool NotifyIcon(DWORD message, const NOTIFYICONDATAW& data) override {
    calls.push_back(TrayCall{message, data});
    if (script.empty()) return true;
    auto [ok, error] = script.front();
    script.pop_front();
    if (!ok) lastError_ = error;
    return ok;
  }
  DWORD LastError() const override { return lastError_; }
  void Wait(DWORD milliseconds) override { waits.push_back(milliseconds); }
  void AllowMessage(HWND window, UINT message) override { allowed.emplace_back(window, message); }
  DWORD AreaWaitMilliseconds() const override { return areaWait; }
  DWORD AreaRetryMilliseconds() const override { return areaRetry; }

  std::vector<DWORD> Messages() const {
    std::vector<DWORD> m;
    for (const TrayCall& c : calls) m.push_back(c.message);
    return m;
  }

  std::deque<std::pair<bool, DWORD>> script;
  std::vector<TrayCall> calls;
  std::vector<DWORD> waits;
  std::vector<std::pair<HWND, UINT>> allowed;
  // The real timers run; a test that lets them end sets short ones.
  DWORD areaWait = 60000;
  DWORD areaRetry = 60000;

 private:
  DWORD lastError_ = ERROR_SUCCESS;
};

// One monitor: every point lies on it unless told otherwise.
class FakeMonitors : public MonitorSeam {
 public:
  bool IsOnMonitor(POINT) const override { return onMonitor; }
  bool NearestWorkArea(POINT, RECT& work) const override {
    work = workArea;
    return true;
  }
  bool WindowWorkArea(HWND, RECT& work) const override { return NearestWorkArea(POINT{}, work); }
  POINT CommandPoint() const override { return POINT{}; }
  // A 1024 x 768 monitor of the program's pixels on a display scaled to
  // `percent`. Its physical rectangle is its own scaled about its corner, as
  // Windows virtualizes GetMonitorInfoW for a thread unaware of DPI
  // (Microsoft's "High DPI Desktop Application Development on Windows").
  std::vector<MonitorRects> Monitors() const override {
    return {MonitorRects{ScreenRect{0, 0, ::MulDiv(1024, percent, 100), ::MulDiv(768, percent, 100)},
                         ScreenRect{0, 0, 1024, 768}}};
  }
  bool onMonitor = true;
  int percent = 100;
  RECT workArea{300, 0, 900, 700};
};

// Made-up monitors with their work areas, and where the last command was chosen.
class MadeUpMonitors : public MonitorSeam {
 public:
  // A monitor's bounds and work area as the program sees them; the display
  // is scaled to `percent` about the bounds' corner (see FakeMonitors).
  struct Monitor {
    RECT bounds, work;
    int percent = 100;
  };
  explicit MadeUpMonitors(std::vector<Monitor> monitors) : monitors_(std::move(monitors)) {}
  bool IsOnMonitor(POINT p) const override {
    for (const Monitor& m : monitors_) {
      if (::PtInRect(&m.bounds, p)) return true;
    }
    return false;
  }
  bool NearestWorkArea(POINT p, RECT& work) const override {
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
  bool WindowWorkArea(HWND window, RECT& work) const override {
    RECT r;
    if (!::GetWindowRect(window, &r)) return false;
    return NearestWorkArea(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, work);
  }
  POINT CommandPoint() const override { return commandPoint; }
  std::vector<MonitorRects> Monitors() const override {
    std::vector<MonitorRects> rects;
    for (const Monitor& m : monitors_) {
      const RECT& b = m.bounds;
      rects.push_back(MonitorRects{
          ScreenRect{b.left, b.top, b.left + ::MulDiv(b.right - b.left, m.percent, 100),
                     b.top + ::MulDiv(b.bottom - b.top, m.percent, 100)},
          ScreenRect{b.left, b.top, b.right, b.bottom}});
    }
    return rects;
  }

  bool failNearest = false;
  POINT commandPoint{0, 0};

 private:
  std::vector<Monitor> monitors_;
};

// Two monitors side by side, [0 .. 1024) x [0 .. 768) and the secondary
// [1024 .. 2304) x [0 .. 1024); each work area leaves out a task bar.
inline constexpr RECT kPrimaryWork{40, 0, 1024, 740}, kSecondaryWork{1024, 0, 2200, 1024};
inline MadeUpMonitors TwoMonitors() {
  return MadeUpMonitors(
      {{RECT{0, 0, 1024, 768}, kPrimaryWork}, {RECT{1024, 0, 2304, 1024}, kSecondaryWork}});
}
