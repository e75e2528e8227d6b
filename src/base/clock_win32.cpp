#include <windows.h>

#include "base/clock.h"
#include "base/system_time_win32.h"

static_assert(sizeof(SYSTEMTIME) == sizeof(LocalDateTime), "LocalDateTime mirrors SYSTEMTIME");

LocalDateTime SystemLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return FromSystemTime(now);
}
