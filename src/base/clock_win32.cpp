#include <windows.h>

#include "base/clock.h"
#include "win/system_time.h"

static_assert(sizeof(SYSTEMTIME) == sizeof(LocalDateTime), "LocalDateTime mirrors SYSTEMTIME");

LocalDateTime SystemLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return FromSystemTime(now);
}
