#include "base/datetime.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "base/clock.h"
#include "support/dates.h"

namespace {

// The date part and weekday of t, for messages.
std::string Show(const LocalDateTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u(%u) %02u:%02u:%02u.%03u", t.wYear,
                t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond,
                t.wMilliseconds);
  return buffer;
}

// t with its day of week filled in, as AddDays leaves it.
LocalDateTime Normalised(LocalDateTime t) {
  AddDays(t, 0);
  return t;
}

}  // namespace

TEST(AddDays, YearsLeapDaysAndCenturiesWithTheWeekdayFilledIn) {
  struct Case {
    LocalDateTime from;
    int days;
    LocalDateTime to;
    int weekday;
  };
  const Case cases[] = {
      {DT(2009, 12, 31, 10, 20, 30), 1, DT(2010, 1, 1, 10, 20, 30), 5},  // into a new year
      {DT(2010, 1, 1, 10, 20, 30), -5, DT(2009, 12, 27, 10, 20, 30), 0},
      {DT(2012, 2, 28, 12), 1, DT(2012, 2, 29, 12), 3},   // leap year
      {DT(2012, 2, 29, 12), 1, DT(2012, 3, 1, 12), 4},
      {DT(2011, 2, 28, 12), 1, DT(2011, 3, 1, 12), 2},    // common year
      {DT(2100, 2, 28, 12), 1, DT(2100, 3, 1, 12), 1},    // century, not a leap year
      {DT(2000, 2, 28, 12), 1, DT(2000, 2, 29, 12), 2},   // 400th year, a leap year
      {DT(2012, 3, 1, 0, 0, 59), -1, DT(2012, 2, 29, 0, 0, 59), 3},
      {DT(2010, 1, 3), -7, DT(2009, 12, 27), 0},           // week back over the year
      {DT(2010, 12, 31, 23, 59, 59), 1, DT(2011, 1, 1, 23, 59, 59), 6},
      {DT(2010, 1, 31), 30, DT(2010, 3, 2), 2},
  };
  for (const Case& c : cases) {
    LocalDateTime t = c.from;
    t.wMilliseconds = 250;
    AddDays(t, c.days);
    LocalDateTime expected = c.to;
    expected.wDayOfWeek = static_cast<uint16_t>(c.weekday);
    expected.wMilliseconds = 250;
    EXPECT_EQ(t, expected) << Show(c.from) << " + " << c.days << " gave " << Show(t);
  }
}

TEST(AddDays, BackByTheWeekdayGivesTheSunday) {
  // 2010-12-26 is a Sunday; every day of that week and the next, taken back
  // by its own weekday, lands on the Sunday that starts its week.
  for (int i = 0; i < 14; ++i) {
    LocalDateTime day = DT(2010, 12, 26, 15, 40);
    AddDays(day, i);
    LocalDateTime sunday = day;
    AddDays(sunday, -day.wDayOfWeek);
    LocalDateTime expected = DT(2010, 12, 26, 15, 40);
    AddDays(expected, i / 7 * 7);
    EXPECT_EQ(sunday, expected) << Show(day);
    EXPECT_EQ(sunday.wDayOfWeek, 0) << Show(day);
  }
}

TEST(AddDays, KeepsTheClockTimeAcrossBothChangesInBerlin) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  ScopedTimeZone zone("Europe/Berlin");
  // The instants the clocks changed: 03:00 summer time and 03:00 winter
  // time (both 01:00 UTC).
  const int64_t spring = ToEpochSeconds(DT(2010, 3, 28, 3));
  const int64_t autumn = ToEpochSeconds(DT(2010, 10, 31, 3));
  for (int hour : {0, 1, 12, 23}) {
    LocalDateTime t = Normalised(DT(2010, 3, 20, hour, 15));
    for (int day = 0; day < 240; ++day) {  // through 28 March and 31 October
      const LocalDateTime before = t;
      AddDays(t, 1);
      EXPECT_EQ(t.wHour, hour) << Show(t);
      EXPECT_EQ(t.wMinute, 15) << Show(t);
      EXPECT_EQ(t.wDayOfWeek, (before.wDayOfWeek + 1) % 7) << Show(t);
      const int64_t from = ToEpochSeconds(before);
      const int64_t to = ToEpochSeconds(t);
      double expected = 86400.0;
      if (from < spring && spring <= to) expected -= 3600;
      if (from < autumn && autumn <= to) expected += 3600;
      EXPECT_EQ(SecondsBetween(before, t), expected) << Show(t);
    }
  }
  LocalDateTime t = DT(2010, 3, 20, 12);
  AddDays(t, 14);
  EXPECT_EQ(t, Normalised(DT(2010, 4, 3, 12)));
  EXPECT_EQ(SecondsBetween(DT(2010, 3, 20, 12), t), 14 * 86400.0 - 3600);
  AddDays(t, 210);
  EXPECT_EQ(t, Normalised(DT(2010, 10, 30, 12)));
  AddDays(t, 2);
  EXPECT_EQ(SecondsBetween(DT(2010, 10, 30, 12), t), 2 * 86400.0 + 3600);
}

TEST(AddDays, TheMissingHourOfSpringNormalisesLikeEveryOtherConversion) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  ScopedTimeZone zone("Europe/Berlin");
  // 02:30 on 2010-03-28 never happened: the clocks went from 02:00 to 03:00.
  const LocalDateTime gap = DT(2010, 3, 28, 2, 30);
  LocalDateTime moved = DT(2010, 3, 27, 2, 30);
  moved.wMilliseconds = 500;
  AddDays(moved, 1);
  EXPECT_EQ(moved.wMilliseconds, 500);
  EXPECT_TRUE(IsSameDate(moved, gap)) << Show(moved);
  // The clock time comes back from the conversion: a time that exists.
  EXPECT_TRUE(moved.wHour == 1 || moved.wHour == 3) << Show(moved);
  EXPECT_EQ(moved.wMinute, 30);
  // Every operation reads the gap the same way.
  EXPECT_TRUE(IsSameMoment(gap, moved));
  LocalDateTime direct = FromEpochSeconds(ToEpochSeconds(gap));
  direct.wMilliseconds = 500;
  EXPECT_EQ(moved, direct);
  EXPECT_EQ(SecondsBetween(DT(2010, 3, 28, 1, 59), DT(2010, 3, 28, 3, 0)), 60.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 3, 28), DT(2010, 3, 28, 24)), 23 * 3600.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 10, 31), DT(2010, 10, 31, 24)), 25 * 3600.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 3, 28), DT(2010, 3, 29)), 23 * 3600.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 10, 31), DT(2010, 11, 1)), 25 * 3600.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 11, 1), DT(2010, 10, 31)), -25 * 3600.0);
}

TEST(DateOperations, TokyoHasNoDaylightSaving) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  ScopedTimeZone zone("Asia/Tokyo");
  // 2010-01-01 09:00 in Tokyo is 2010-01-01 00:00 UTC.
  EXPECT_EQ(ToEpochSeconds(DT(2010, 1, 1, 9)), 1262304000);
  EXPECT_EQ(FromEpochSeconds(1262304000), Normalised(DT(2010, 1, 1, 9)));
  EXPECT_EQ(SecondsBetween(DT(2010, 3, 28), DT(2010, 3, 29)), 86400.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 10, 31), DT(2010, 11, 1)), 86400.0);
  LocalDateTime t = DT(2010, 1, 1, 2, 30);
  AddDays(t, 365);
  EXPECT_EQ(t, Normalised(DT(2011, 1, 1, 2, 30)));
  EXPECT_EQ(SecondsBetween(DT(2010, 1, 1, 2, 30), t), 365 * 86400.0);
}

TEST(DateOperations, ZoneDecidesTheInstant) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  int64_t tokyo, berlin;
  {
    ScopedTimeZone zone("Asia/Tokyo");
    tokyo = ToEpochSeconds(DT(2010, 7, 1, 12));
  }
  {
    ScopedTimeZone zone("Europe/Berlin");
    berlin = ToEpochSeconds(DT(2010, 7, 1, 12));
  }
  EXPECT_EQ(berlin - tokyo, 7 * 3600);  // +09:00 against +02:00 in summer
}

TEST(DateOperations, WeekdayAndMillisecondsPlayNoPartAndIsEarlierIsStrict) {
  LocalDateTime a = DT(2010, 4, 5, 9, 5, 40);
  LocalDateTime b = a;
  b.wDayOfWeek = 6;  // wrong on purpose
  b.wMilliseconds = 999;
  EXPECT_TRUE(IsSameMoment(a, b));
  EXPECT_EQ(SecondsBetween(a, b), 0.0);
  EXPECT_FALSE(IsEarlier(a, b));
  EXPECT_FALSE(IsEarlier(b, a));
  b.wSecond = 41;
  EXPECT_TRUE(IsEarlier(a, b));
  EXPECT_FALSE(IsEarlier(b, a));
  // Hour 24 is midnight at the end of the day.
  EXPECT_TRUE(IsSameMoment(DT(2010, 4, 5, 24), DT(2010, 4, 6)));
  EXPECT_TRUE(IsEarlier(DT(2010, 4, 5, 23, 59, 59), DT(2010, 4, 5, 24)));
}

TEST(SystemLocalTime, AgreesWithTheSystemClock) {
  const int64_t before = static_cast<int64_t>(std::time(nullptr));
  const LocalDateTime now = SystemLocalTime();
  const int64_t after = static_cast<int64_t>(std::time(nullptr));
  EXPECT_GE(now.wYear, 2024);
  EXPECT_LT(now.wMilliseconds, 1000);
  // The local fields denote the instant the C library's clock gives.
  const int64_t seconds = ToEpochSeconds(now);
  EXPECT_GE(seconds, before - 1) << Show(now);
  EXPECT_LE(seconds, after + 1) << Show(now);
  EXPECT_EQ(now.wDayOfWeek, Normalised(now).wDayOfWeek) << Show(now);
}

TEST(AddDays, ADateTheLibraryCannotConvertStaysAsItWas) {
  // The Win32 C runtime converts nothing before 1970; glibc does. Either way
  // the date must not turn into zeros.
  LocalDateTime t = DT(1960, 6, 15, 12, 30);
  AddDays(t, 1);
  EXPECT_EQ(t.wYear, 1960) << Show(t);
  EXPECT_EQ(t.wMonth, 6) << Show(t);
  EXPECT_TRUE(t.wDay == 16 || t.wDay == 15) << Show(t);
  EXPECT_EQ(t.wHour, 12) << Show(t);
  EXPECT_EQ(t.wMinute, 30) << Show(t);
}
