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

namespace {

// Each dialog goes on the monitor the user is working on: a window opened
// from the report on a second monitor must not jump to the primary one.
bool WorkAreaFor(HWND owner, const MonitorSeam& monitors, RECT& workArea) {
  if (owner ? monitors.WindowWorkArea(owner, workArea)
            : monitors.NearestWorkArea(monitors.ChosenPoint(), workArea)) {
    return true;
  }
  return ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0) != FALSE;
}

}  // namespace

bool CenterWindow(HWND hwnd, const MonitorSeam& monitors) {
  RECT window;
  if (!::GetWindowRect(hwnd, &window)) return false;
  // A hidden owner (the report window while it is closed) tells nothing of
  // where the user is; the command's point does.
  HWND owner = ::GetParent(hwnd);
  if (owner && !::IsWindowVisible(owner)) owner = nullptr;
  RECT workArea;
  if (!WorkAreaFor(owner, monitors, workArea)) return false;
  // A minimised owner's rectangle sits off-screen, where the user could not
  // see the box: it goes in the middle of its monitor's work area instead.
  RECT over = workArea;
  if (owner && !::IsIconic(owner)) {
    if (!::GetWindowRect(owner, &over)) over = workArea;
  }
  POINT at = CenteredPosition(window, over, workArea);
  return ::SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool CenterOnCommandMonitor(HWND hwnd, const MonitorSeam& monitors) {
  RECT own;
  RECT commands;
  if (monitors.WindowWorkArea(hwnd, own) &&
      monitors.NearestWorkArea(monitors.ChosenPoint(), commands) && ::EqualRect(&own, &commands)) {
    return true;
  }
  return CenterWindow(hwnd, monitors);
}
