#include <time.h>

#include "base/clock.h"

LocalDateTime SystemLocalTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // localtime_r, as every other conversion to local time.
  LocalDateTime out = FromEpochSeconds(static_cast<int64_t>(now.tv_sec));
  out.wMilliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
  return out;
}
