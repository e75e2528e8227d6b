// A calendar date and clock time in local time, with the eight 16-bit fields
// of the platform's SYSTEMTIME in the same order, so the two convert by copy.
// Every operation goes through the C library's local-time conversion on
// 64-bit time values and lets it decide daylight saving (tm_isdst = -1);
// milliseconds and the day of week never take part.
#pragma once

#include <cstdint>

struct LocalDateTime {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;
  uint16_t wDayOfWeek = 0;  // 0 = Sunday
  uint16_t wDay = 0;
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
};
static_assert(sizeof(LocalDateTime) == 16, "layout of SYSTEMTIME");

// Field by field, all eight fields.
bool operator==(const LocalDateTime& a, const LocalDateTime& b);
inline bool operator!=(const LocalDateTime& a, const LocalDateTime& b) { return !(a == b); }

// Seconds since 1970-01-01 00:00 UTC of the local time given by year, month,
// day, hour, minute and second; out-of-range fields are normalised
// (hour 24 is midnight at the end of the day).
int64_t ToEpochSeconds(const LocalDateTime& t);

// The local time of an epoch second, with the day of week filled in and
// milliseconds 0.
LocalDateTime FromEpochSeconds(int64_t seconds);

// Moves t by n calendar days (day + n, same clock time as the conversion
// gives it back); month and year roll over; milliseconds are kept.
void AddDays(LocalDateTime& t, int n);

// b - a in seconds, negative when b lies before a.
double SecondsBetween(const LocalDateTime& a, const LocalDateTime& b);

// a strictly before b.
bool IsEarlier(const LocalDateTime& a, const LocalDateTime& b);

// IsEarlier(t, limit) for many t against one limit, at the cost of comparing
// dates wherever the dates decide. No zone has moved its clocks by more than
// a day at once, so a clock time two or more dates away from the limit lies
// before or after it whatever the time of day and the daylight saving. Only
// a time within a day of the limit, or one whose fields do not name a time
// on their own date (hour 24, day 0, a year the conversion cannot take),
// goes through the conversion.
class EarlierThan {
 public:
  explicit EarlierThan(const LocalDateTime& limit);

  // Inline: a walk over a long history calls it once a record.
  bool operator()(const LocalDateTime& t) const {
    if (IsOnItsDate(t)) {
      const uint32_t date = DateKey(t.wYear, t.wMonth, t.wDay);
      if (date <= twoDaysBefore_) return true;
      if (date >= twoDaysAfter_) return false;
    }
    return ToEpochSeconds(t) < limitSeconds_;
  }

 private:
  // The years every platform's conversion takes (Win32's ends before 1970 in
  // zones east of UTC, and after 3000).
  static constexpr unsigned kFirstYear = 1971;
  static constexpr unsigned kLastYear = 2999;
  static constexpr uint32_t kSecondsPerDay = 86400;

  // Year << 16 | month << 8 | day orders the dates a clock shows as the
  // calendar does.
  static uint32_t DateKey(unsigned y, unsigned m, unsigned d) { return y << 16 | m << 8 | d; }

  static unsigned DaysInMonth(unsigned y, unsigned m) {
    static constexpr unsigned char kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
  }

  // A date that exists in a year every conversion takes, and a time of day
  // that lies within it (fields beyond their range, such as minute 70 at
  // 10:00, are normalised within the day too).
  static bool IsOnItsDate(const LocalDateTime& t) {
    const uint32_t secondOfDay = t.wHour * 3600u + t.wMinute * 60u + t.wSecond;
    if ((t.wYear - kFirstYear > kLastYear - kFirstYear) | (t.wMonth - 1u >= 12u) |
        (secondOfDay >= kSecondsPerDay)) {
      return false;
    }
    return t.wDay >= 1 && (t.wDay <= 28 || t.wDay <= DaysInMonth(t.wYear, t.wMonth));
  }

  // The date n days (-2 to 2) from a date that exists.
  static uint32_t DateKeyAfter(const LocalDateTime& t, int n);

  int64_t limitSeconds_;
  // The dates two days before and after the limit. When the limit's own
  // fields do not name a time on its date, no date decides.
  uint32_t twoDaysBefore_ = 0;
  uint32_t twoDaysAfter_ = UINT32_MAX;
};

// a and b denote the same second.
bool IsSameMoment(const LocalDateTime& a, const LocalDateTime& b);

// Same year, month and day; nothing else compared.
inline bool IsSameDate(const LocalDateTime& a, const LocalDateTime& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

// Same year, month, day, hour and minute: what the record file can tell apart.
inline bool IsSameMinute(const LocalDateTime& a, const LocalDateTime& b) {
  return IsSameDate(a, b) && a.wHour == b.wHour && a.wMinute == b.wMinute;
}
