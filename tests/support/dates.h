// Dates for tests: a LocalDateTime from its fields, and a pinned time zone.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "base/datetime.h"

// Pins the local time zone for one test (native only: Wine's C runtime
// misreads TZ). Restores the previous zone afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
#ifndef _WIN32
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
#else
    (void)zone;
#endif
  }
  ~ScopedTimeZone() {
#ifndef _WIN32
    if (had_) setenv("TZ", old_.c_str(), 1); else unsetenv("TZ");
    tzset();
#endif
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

// Skips the current test under Wine, where TZ cannot be pinned.
#ifdef _WIN32
#define SKIP_UNLESS_ZONES_CAN_BE_PINNED() GTEST_SKIP() << "time zones are pinned natively only"
#else
#define SKIP_UNLESS_ZONES_CAN_BE_PINNED() (void)0
#endif

inline LocalDateTime DT(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  LocalDateTime t;
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  return t;
}

// DT with the weekday filled in, as the clock and the date picker give it.
inline LocalDateTime DTW(int y, int mo, int d, int weekday, int h = 0, int mi = 0) {
  LocalDateTime t = DT(y, mo, d, h, mi);
  t.wDayOfWeek = static_cast<uint16_t>(weekday);
  return t;
}

inline LocalDateTime WithMs(LocalDateTime t, int ms) {
  t.wMilliseconds = static_cast<uint16_t>(ms);
  return t;
}
