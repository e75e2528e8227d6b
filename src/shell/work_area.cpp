#include "shell/work_area.h"

int ClampToWorkArea(int x, int y, const MonitorSeam& monitors) {
  const POINT point{x, y};
  if (monitors.IsOnMonitor(point)) return x;
  RECT work;
  if (!monitors.NearestWorkArea(point, work)) return x;
  if (x < work.left) return work.left;
  if (x > work.right) return work.right;
  return x;
}
