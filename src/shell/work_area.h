// Keeps the tray menu's x on a monitor, behind a seam so tests can place
// the point on or off made-up monitors.
#pragma once

#include <windows.h>

#include "win/monitors.h"

// x itself when (x, y) lies on a monitor; otherwise x moved into the nearest
// monitor's work area (its left edge when x lies left of it, its right edge
// when x lies right of it), or x when no work area can be had. y only picks
// the monitor: the menu's y is never changed.
int ClampToWorkArea(int x, int y, const MonitorSeam& monitors);
