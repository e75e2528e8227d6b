// Window centring, used by every dialog when it opens.
#pragma once

#include <windows.h>

#include "win/monitors.h"

// Where a window of the size of `window` goes when centred over `over` and
// kept inside `workArea`: left = centre x - width / 2 and top likewise, both
// halves truncated toward zero; a window past the left (top) edge of the
// work area moves to that edge, otherwise one past the right (bottom) edge
// moves back to end there. Only the top-left corner is returned.
POINT CenteredPosition(const RECT& window, const RECT& over, const RECT& workArea);

// Centres a top-level window over its visible owner (GetParent) and keeps it
// inside the work area of the owner's monitor; over a minimised owner it
// goes in the middle of that work area. Without a visible owner (the hidden
// report window) it goes in the middle of the work area of the monitor
// where the command that opens it was chosen (the icon's, for a command of
// a keyboard menu). It moves the window without
// resizing, re-ordering or activating it. The primary monitor's work area
// stands in when no monitor's can be had.
bool CenterWindow(HWND hwnd, const MonitorSeam& monitors = SystemMonitors());

// Centres a window without an owner on the monitor where the command was
// chosen, unless it lies on that monitor already (where the user put it, it
// stays).
bool CenterOnCommandMonitor(HWND hwnd, const MonitorSeam& monitors);
