// Keeps the tray menu's x on a monitor, behind a seam so tests can place
// the point on or off made-up monitors.
#pragma once

#include <windows.h>

class MonitorSeam {
 public:
  virtual ~MonitorSeam() = default;
  // MonitorFromPoint with MONITOR_DEFAULTTONULL finds a monitor.
  virtual bool IsOnMonitor(POINT point) const = 0;
  // The work area of the monitor nearest the point (MONITOR_DEFAULTTONEAREST,
  // GetMonitorInfoW); false when either call fails.
  virtual bool NearestWorkArea(POINT point, RECT& workArea) const = 0;
};

// The monitors of the desktop.
const MonitorSeam& SystemMonitors();

// x itself when (x, y) lies on a monitor; otherwise x moved into the nearest
// monitor's work area (its left edge when x lies left of it, its right edge
// when x lies right of it), or x when no work area can be had. y only picks
// the monitor: the menu's y is never changed.
int ClampToWorkArea(int x, int y, const MonitorSeam& monitors);
