// Window centring, used by every dialog when it opens.
#pragma once

#include <windows.h>

// Where a window of the size of `window` goes when centred over `over` and
// kept inside `workArea`: left = centre x - width / 2 and top likewise, both
// halves truncated toward zero; a window past the left (top) edge of the
// work area moves to that edge, otherwise one past the right (bottom) edge
// moves back to end there. Only the top-left corner is returned.
POINT CenteredPosition(const RECT& window, const RECT& over, const RECT& workArea);

// Centres a top-level window over its owner (GetParent) when the owner is
// visible and not minimised, otherwise over the desktop work area, keeps it
// inside the work area, and moves it there without resizing, re-ordering or
// activating it.
bool CenterWindow(HWND hwnd);
