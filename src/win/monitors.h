// The desktop's monitors, behind a seam so tests can place points and
// windows on made-up monitors.
#pragma once

#include <windows.h>

#include <vector>

#include "win/monitors_layout.h"

class MonitorSeam {
 public:
  virtual ~MonitorSeam() = default;
  // MonitorFromPoint with MONITOR_DEFAULTTONULL finds a monitor.
  virtual bool IsOnMonitor(POINT point) const = 0;
  // The work area of the monitor nearest the point (MONITOR_DEFAULTTONEAREST,
  // GetMonitorInfoW); false when either call fails.
  virtual bool NearestWorkArea(POINT point, RECT& workArea) const = 0;
  // The work area of the monitor the window is on (MonitorFromWindow,
  // MONITOR_DEFAULTTONEAREST); false when it cannot be had.
  virtual bool WindowWorkArea(HWND window, RECT& workArea) const = 0;
  // Where the cursor was when the message being handled was posted
  // (GetMessagePos): for a dialog that a command opens, the point where the
  // command was chosen.
  virtual POINT CommandPoint() const = 0;
  // Every monitor's rectangle as a per-monitor aware thread sees it
  // (physical pixels) and as this program sees it; empty when they cannot
  // be had.
  virtual std::vector<MonitorRects> Monitors() const = 0;

  // A point in physical pixels (the shell's anchor of the icon) in this
  // program's coordinates, mapped on its monitor by the monitors' two
  // rectangles; no window needs to cover it. Where the monitors cannot be
  // had, CommandPoint() stands in.
  POINT PhysicalToLogical(POINT physical) const;

  // Where the command being handled was chosen: the icon's anchor while a
  // command of a keyboard menu runs (the cursor may be on another monitor
  // altogether), else CommandPoint().
  POINT ChosenPoint() const;

  // Sets the anchor ChosenPoint gives, for every seam, for one scope.
  class KeyboardCommand {
   public:
    explicit KeyboardCommand(POINT anchor);
    ~KeyboardCommand();
    KeyboardCommand(const KeyboardCommand&) = delete;
    KeyboardCommand& operator=(const KeyboardCommand&) = delete;

   private:
    const POINT* previous_;
    POINT anchor_;
  };
};

// The monitors of the desktop.
const MonitorSeam& SystemMonitors();
