#include "base/datetime.h"

#include "test_support.h"

TEST(AddDays, RollsOverMonthAndYearAndFillsWeekday) {
  LocalDateTime t = DT(2009, 12, 31, 10, 20, 30);
  t.wMilliseconds = 123;
  AddDays(t, 1);
  EXPECT_EQ(t.wYear, 2010);
  EXPECT_EQ(t.wMonth, 1);
  EXPECT_EQ(t.wDay, 1);
  EXPECT_EQ(t.wDayOfWeek, 5);  // Friday
  EXPECT_EQ(t.wHour, 10);
  EXPECT_EQ(t.wMilliseconds, 123);
  AddDays(t, -5);
  EXPECT_EQ(t.wDay, 27);
  EXPECT_EQ(t.wMonth, 12);
  EXPECT_EQ(t.wDayOfWeek, 0);  // Sunday
}

TEST(SecondsBetween, DaylightSavingDaysInBerlin) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  ScopedTimeZone zone("Europe/Berlin");
  EXPECT_EQ(SecondsBetween(DT(2010, 3, 28), DT(2010, 3, 29)), 23 * 3600.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 10, 31), DT(2010, 11, 1)), 25 * 3600.0);
  EXPECT_EQ(SecondsBetween(DT(2010, 11, 1), DT(2010, 10, 31)), -25 * 3600.0);
}

TEST(IsEarlier, StrictAndIgnoresMilliseconds) {
  LocalDateTime a = DT(2010, 4, 5, 9, 5, 40);
  LocalDateTime b = a;
  b.wMilliseconds = 999;
  EXPECT_FALSE(IsEarlier(a, b));
  EXPECT_TRUE(IsSameMoment(a, b));
  b.wSecond = 41;
  EXPECT_TRUE(IsEarlier(a, b));
  EXPECT_FALSE(IsEarlier(b, a));
}
