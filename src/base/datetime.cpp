#include "base/datetime.h"

#include <ctime>

namespace {

// The C library's local-time conversion on 64-bit time values.
int64_t MakeLocal(std::tm& tm) {
#ifdef _WIN32
  return static_cast<int64_t>(_mktime64(&tm));
#else
  // A clock time of the repeated autumn hour happens twice. glibc resolves it
  // by the reading its previous conversion used, so the same fields would give
  // two instants within one run, depending on what was converted before.
  // The standard-time reading is taken whenever both exist: one fixed
  // choice, so that every operation reads the hour alike.
  const time_t guessed = std::mktime(&tm);
  if (guessed == static_cast<time_t>(-1) || tm.tm_isdst <= 0) return static_cast<int64_t>(guessed);
  std::tm standard = tm;
  standard.tm_isdst = 0;
  const time_t other = std::mktime(&standard);
  const bool sameClock = standard.tm_isdst == 0 && standard.tm_year == tm.tm_year &&
                         standard.tm_yday == tm.tm_yday && standard.tm_hour == tm.tm_hour &&
                         standard.tm_min == tm.tm_min && standard.tm_sec == tm.tm_sec;
  if (other == static_cast<time_t>(-1) || !sameClock) return static_cast<int64_t>(guessed);
  tm = standard;
  return static_cast<int64_t>(other);
#endif
}

bool BreakLocal(int64_t seconds, std::tm& out) {
#ifdef _WIN32
  __time64_t t = seconds;
  return _localtime64_s(&out, &t) == 0;
#else
  time_t t = static_cast<time_t>(seconds);
  return localtime_r(&t, &out) != nullptr;
#endif
}

std::tm ToTm(const LocalDateTime& t, int dayOffset) {
  std::tm tm{};
  tm.tm_year = t.wYear - 1900;
  tm.tm_mon = t.wMonth - 1;
  tm.tm_mday = t.wDay + dayOffset;
  tm.tm_hour = t.wHour;
  tm.tm_min = t.wMinute;
  tm.tm_sec = t.wSecond;
  tm.tm_isdst = -1;  // the conversion decides daylight saving
  return tm;
}

bool ToLocalDateTime(int64_t seconds, LocalDateTime& out) {
  std::tm tm{};
  if (!BreakLocal(seconds, tm)) return false;
  out.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
  out.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
  out.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
  out.wDay = static_cast<uint16_t>(tm.tm_mday);
  out.wHour = static_cast<uint16_t>(tm.tm_hour);
  out.wMinute = static_cast<uint16_t>(tm.tm_min);
  out.wSecond = static_cast<uint16_t>(tm.tm_sec);
  out.wMilliseconds = 0;
  return true;
}

}  // namespace

uint32_t EarlierThan::DateKeyAfter(const LocalDateTime& t, int n) {
  unsigned y = t.wYear, m = t.wMonth;
  int d = t.wDay + n;
  if (d < 1) {
    if (--m == 0) {
      m = 12;
      --y;
    }
    d += static_cast<int>(DaysInMonth(y, m));
  } else if (d > static_cast<int>(DaysInMonth(y, m))) {
    d -= static_cast<int>(DaysInMonth(y, m));
    if (++m == 13) {
      m = 1;
      ++y;
    }
  }
  return DateKey(y, m, static_cast<unsigned>(d));
}

EarlierThan::EarlierThan(const LocalDateTime& limit) : limitSeconds_(ToEpochSeconds(limit)) {
  // Away from the ends of the years, so that the dates around it are clock
  // dates too.
  if (IsOnItsDate(limit) && limit.wYear > kFirstYear && limit.wYear < kLastYear) {
    twoDaysBefore_ = DateKeyAfter(limit, -2);
    twoDaysAfter_ = DateKeyAfter(limit, 2);
  }
}

bool operator==(const LocalDateTime& a, const LocalDateTime& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek &&
         a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute &&
         a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

int64_t ToEpochSeconds(const LocalDateTime& t) {
  std::tm tm = ToTm(t, 0);
  return MakeLocal(tm);
}

LocalDateTime FromEpochSeconds(int64_t seconds) {
  LocalDateTime out;
  ToLocalDateTime(seconds, out);
  return out;
}

void AddDays(LocalDateTime& t, int n) {
  std::tm tm = ToTm(t, n);
  LocalDateTime moved;
  // Outside the range the C library can convert (before 1970 on Win32) the
  // date stays as it was rather than turning into zeros.
  if (!ToLocalDateTime(MakeLocal(tm), moved)) return;
  moved.wMilliseconds = t.wMilliseconds;
  t = moved;
}

double SecondsBetween(const LocalDateTime& a, const LocalDateTime& b) {
  return static_cast<double>(ToEpochSeconds(b) - ToEpochSeconds(a));
}

bool IsEarlier(const LocalDateTime& a, const LocalDateTime& b) {
  return ToEpochSeconds(a) < ToEpochSeconds(b);
}

bool IsSameMoment(const LocalDateTime& a, const LocalDateTime& b) {
  return ToEpochSeconds(a) == ToEpochSeconds(b);
}
