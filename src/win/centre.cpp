#include "win/centre.h"

POINT CenteredPosition(const RECT& window, const RECT& over, const RECT& workArea) {
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  // Integer division truncates toward zero, also for negative coordinates
  // (a monitor left of the primary one).
  LONG left = (over.left + over.right) / 2 - width / 2;
  LONG top = (over.top + over.bottom) / 2 - height / 2;
  if (left < workArea.left) {
    left = workArea.left;
  } else if (left + width > workArea.right) {
    left = workArea.right - width;
  }
  if (top < workArea.top) {
    top = workArea.top;
  } else if (top + height > workArea.bottom) {
    top = workArea.bottom - height;
  }
  return POINT{left, top};
}

bool CenterWindow(HWND hwnd) {
  RECT window;
  if (!::GetWindowRect(hwnd, &window)) return false;
  RECT workArea;
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0)) return false;
  // A hidden owner (the report window while it is closed) or a minimised one
  // (whose rectangle sits off-screen) is no place to centre over: the box
  // would open where the user cannot see it.
  RECT over = workArea;
  HWND owner = ::GetParent(hwnd);
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    if (!::GetWindowRect(owner, &over)) over = workArea;
  }
  POINT at = CenteredPosition(window, over, workArea);
  return ::SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}
