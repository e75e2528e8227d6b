#include <windows.h>

#include "base/clock.h"

static_assert(sizeof(SYSTEMTIME) == sizeof(LocalDateTime), "LocalDateTime mirrors SYSTEMTIME");

LocalDateTime SystemLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  LocalDateTime out;
  out.wYear = now.wYear;
  out.wMonth = now.wMonth;
  out.wDayOfWeek = now.wDayOfWeek;
  out.wDay = now.wDay;
  out.wHour = now.wHour;
  out.wMinute = now.wMinute;
  out.wSecond = now.wSecond;
  out.wMilliseconds = now.wMilliseconds;
  return out;
}
