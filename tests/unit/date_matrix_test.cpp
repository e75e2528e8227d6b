// The date operations, the report pages and the tracker under three zones:
// two with daylight saving that changes at different hours (Berlin at 02:00
// and 03:00, New York at 02:00 both ways) and one without (Tokyo). Native
// only: Wine's C runtime cannot be given a zone.
//
//   spring day   00:00 ... 01:59 | 03:00 ...        23 hours
//   autumn day   00:00 ... hh:59 | hh:00 ... hh:59 | ...   25 hours
//                          (the hour hh is lived twice)
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chart_test_support.h"
#include "data/activity_data.h"
#include "data/tracker.h"
#include "report/chart_layout.h"
#include "support/dates.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"

namespace {

struct Zone {
  const char* name;
  LocalDateTime spring;  // the day without the hour `missing`
  int missing;
  LocalDateTime autumn;  // the day with the hour `repeated` twice
  int repeated;
};

// Tokyo keeps the Berlin dates as ordinary days, so every case runs in each
// zone and Tokyo shows what the same records give without a change.
const Zone kZones[] = {
    {"Europe/Berlin", DT(2010, 3, 28), 2, DT(2010, 10, 31), 2},
    {"America/New_York", DT(2010, 3, 14), 2, DT(2010, 11, 7), 1},
    {"Asia/Tokyo", DT(2010, 3, 28), 2, DT(2010, 10, 31), 2},
};

bool HasDaylightSaving(const Zone& z) { return std::string(z.name) != "Asia/Tokyo"; }

LocalDateTime On(const LocalDateTime& day, int h, int mi = 0) {
  return DT(day.wYear, day.wMonth, day.wDay, h, mi);
}

LocalDateTime DaysAfter(LocalDateTime day, int n) {
  AddDays(day, n);
  return day;
}

// The picked date at a clock time, with its weekday, as the date picker
// hands it over.
LocalDateTime Picked(const LocalDateTime& day, int h, int mi = 0) {
  LocalDateTime t = On(day, h, mi);
  AddDays(t, 0);
  return t;
}

// The row of the report page that shows `day`, or -1.
int RowOf(const ChartPage& page, const LocalDateTime& day) {
  for (size_t i = 0; i < page.rows.size(); ++i) {
    if (page.rows[i].label.text == FakeLabel(Picked(day, 12))) return static_cast<int>(i);
  }
  return -1;
}

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr double kHour = 3600.0;

TEST(DateMatrix, ChangeDaysLastTwentyThreeAndTwentyFiveHours) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  for (const Zone& z : kZones) {
    SCOPED_TRACE(z.name);
    ScopedTimeZone zone(z.name);
    const double change = HasDaylightSaving(z) ? kHour : 0.0;
    EXPECT_EQ(SecondsBetween(On(z.spring, 0), On(z.spring, 24)), 24 * kHour - change);
    EXPECT_EQ(SecondsBetween(On(z.autumn, 0), On(z.autumn, 24)), 24 * kHour + change);
    // Midnight exists on both days, so a day step keeps it.
    EXPECT_EQ(DaysAfter(Picked(z.spring, 0), 1), Picked(DaysAfter(z.spring, 1), 0));
    EXPECT_EQ(DaysAfter(Picked(z.autumn, 0), -1), Picked(DaysAfter(z.autumn, -1), 0));
    // Across the missing hour a minute takes a minute, or an hour and one.
    EXPECT_EQ(SecondsBetween(On(z.spring, z.missing - 1, 59), On(z.spring, z.missing + 1)),
              60.0 + kHour - change);
  }
}

TEST(DateMatrix, ClockTimeOfTheMissingHourMovesOnByTheChange) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  for (const Zone& z : kZones) {
    SCOPED_TRACE(z.name);
    ScopedTimeZone zone(z.name);
    LocalDateTime t = Picked(DaysAfter(z.spring, -1), z.missing, 30);
    AddDays(t, 1);
    // The same date, and a clock time that exists: the one an hour on where
    // the hour is missing.
    EXPECT_TRUE(IsSameDate(t, z.spring));
    EXPECT_EQ(t.wHour, HasDaylightSaving(z) ? z.missing + 1 : z.missing);
    EXPECT_EQ(t.wMinute, 30);
    // Every operation reads the missing time as that same instant.
    EXPECT_TRUE(IsSameMoment(On(z.spring, z.missing, 30), t));
    EXPECT_EQ(SecondsBetween(On(z.spring, z.missing, 30), On(z.spring, z.missing + 1, 30)),
              HasDaylightSaving(z) ? 0.0 : kHour);
  }
}

// A clock time of the repeated hour names two instants. Whichever the
// conversion takes, it must take it every time: the same record cannot count
// an hour more or less depending on which record the report looked at just
// before it.
TEST(DateMatrix, RepeatedHourIsOneInstantWhateverWasConvertedBefore) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  for (const Zone& z : kZones) {
    SCOPED_TRACE(z.name);
    ScopedTimeZone zone(z.name);
    const LocalDateTime twice = On(z.autumn, z.repeated, 30);
    const LocalDateTime summer = DT(2010, 7, 1, 12);
    const LocalDateTime winter = DT(2010, 12, 1, 12);
    ToEpochSeconds(summer);
    const int64_t afterSummer = ToEpochSeconds(twice);
    ToEpochSeconds(winter);
    const int64_t afterWinter = ToEpochSeconds(twice);
    EXPECT_EQ(afterSummer, afterWinter);
    ToEpochSeconds(summer);
    const double fromMidnightAfterSummer = SecondsBetween(On(z.autumn, 0), twice);
    ToEpochSeconds(winter);
    const double fromMidnightAfterWinter = SecondsBetween(On(z.autumn, 0), twice);
    EXPECT_EQ(fromMidnightAfterSummer, fromMidnightAfterWinter);
    // One of the two readings, and the day still adds up.
    const double clock = (z.repeated + 0.5) * kHour;
    const double change = HasDaylightSaving(z) ? kHour : 0.0;
    EXPECT_TRUE(fromMidnightAfterSummer == clock || fromMidnightAfterSummer == clock + change)
        << fromMidnightAfterSummer;
    EXPECT_EQ(fromMidnightAfterSummer + SecondsBetween(twice, On(z.autumn, 24)), 24 * kHour + change);
    // Within the repeated hour, times keep their order and distance.
    EXPECT_EQ(SecondsBetween(On(z.autumn, z.repeated, 10), On(z.autumn, z.repeated, 50)), 2400.0);
    EXPECT_TRUE(IsEarlier(On(z.autumn, z.repeated, 10), On(z.autumn, z.repeated, 11)));
  }
}

// The two report pages on the change days: bars stand where the clock says,
// totals count the time that passed.
//
//   spring   A 00:30 - 04:00     B whole day, from the day before
//   autumn   A 00:30 - 04:00     B within the repeated hour, :10 - :50
TEST(DateMatrix, ReportRowsAndTotalsOnChangeDays) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}, {"B", kGreen, 1}});
  for (const Zone& z : kZones) {
    SCOPED_TRACE(z.name);
    ScopedTimeZone zone(z.name);
    const double change = HasDaylightSaving(z) ? kHour : 0.0;
    for (int hour : {0, z.missing, 12, 23}) {  // the clock time of the picked date
      SCOPED_TRACE(hour);
      {
        const std::vector<ActivityRecord> records = {
            Rec("A", On(z.spring, 0, 30), On(z.spring, 4)),
            Rec("B", On(DaysAfter(z.spring, -1), 12), On(DaysAfter(z.spring, 1), 12))};
        const ChartPage bars = Page(DrawDayBars, Picked(z.spring, hour), catalogue, records);
        const ChartPage totals = Page(DrawDayTotals, Picked(z.spring, hour), catalogue, records);
        const int row = RowOf(bars, z.spring);
        ASSERT_GE(row, 0);
        EXPECT_EQ(RowOf(totals, z.spring), row);
        // 00:30 is 7 units, 04:00 is 56; B covers the band.
        EXPECT_EQ(Spans(bars.rows[static_cast<size_t>(row)], RowX0(row)),
                  (std::vector<Span>{{7, 56, kRed}, {0, 336, kGreen}}));
        // B 23 h = 322 units first, then A 2.5 h = 35 units.
        const int b = static_cast<int>((24 * kHour - change) / kHour * 14);
        const int a = static_cast<int>((3.5 * kHour - change) / kHour * 14);
        EXPECT_EQ(Spans(totals.rows[static_cast<size_t>(row)], RowX0(row)),
                  (std::vector<Span>{{0, b, kGreen}, {b, b + a, kRed}}));
      }
      {
        const std::vector<ActivityRecord> records = {
            Rec("A", On(z.autumn, 0, 30), On(z.autumn, 4)),
            Rec("B", On(z.autumn, z.repeated, 10), On(z.autumn, z.repeated, 50))};
        const ChartPage bars = Page(DrawDayBars, Picked(z.autumn, hour), catalogue, records);
        const ChartPage totals = Page(DrawDayTotals, Picked(z.autumn, hour), catalogue, records);
        const int row = RowOf(bars, z.autumn);
        ASSERT_GE(row, 0);
        const int b0 = z.repeated * 14 + 2, b1 = z.repeated * 14 + 11;  // :10 and :50
        EXPECT_EQ(Spans(bars.rows[static_cast<size_t>(row)], RowX0(row)),
                  (std::vector<Span>{{7, 56, kRed}, {b0, b1, kGreen}}));
        // A 4.5 h = 63 units, then B 40 minutes = 9 units.
        const int a = static_cast<int>((3.5 * kHour + change) / kHour * 14);
        EXPECT_EQ(Spans(totals.rows[static_cast<size_t>(row)], RowX0(row)),
                  (std::vector<Span>{{0, a, kRed}, {a, a + 9, kGreen}}));
      }
    }
  }
}

// The fourteen rows are fourteen consecutive dates with their weekdays
// across a month end, a year end and a leap day, whatever the zone, and a
// record over two midnights counts on each date it touches.
TEST(DateMatrix, RowsAndTotalsRollOverMonthYearAndLeapDay) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  struct Case {
    LocalDateTime picked;
    LocalDateTime firstRow;  // the Sunday
    LocalDateTime start, end;
    int startRow;
    std::array<double, 3> hours;  // on the start row and the two after it
  };
  const Case cases[] = {
      // Leap day: Tuesday 2012-02-28 23:00 to Thursday 03-01 01:00.
      {DT(2012, 2, 29), DT(2012, 2, 26), DT(2012, 2, 28, 23), DT(2012, 3, 1, 1), 2, {1, 24, 1}},
      // Year end: Friday 2010-12-31 22:00 to Sunday 2011-01-02 02:30.
      {DT(2010, 12, 31), DT(2010, 12, 26), DT(2010, 12, 31, 22), DT(2011, 1, 2, 2, 30), 5, {2, 24, 2.5}},
      // Month end of a common February: 2011-02-28 to 03-02.
      {DT(2011, 3, 1), DT(2011, 2, 27), DT(2011, 2, 28, 20), DT(2011, 3, 2, 4), 1, {4, 24, 4}},
  };
  for (const Zone& z : kZones) {
    SCOPED_TRACE(z.name);
    ScopedTimeZone zone(z.name);
    for (const Case& c : cases) {
      const std::vector<ActivityRecord> records = {Rec("A", c.start, c.end)};
      const ChartPage page = Page(DrawDayTotals, Picked(c.picked, 0), catalogue, records);
      ASSERT_EQ(page.rows.size(), 14u);
      LocalDateTime day = Picked(c.firstRow, 12);
      for (int r = 0; r < 14; ++r) {
        EXPECT_EQ(page.rows[static_cast<size_t>(r)].label.text, FakeLabel(day)) << "row " << r;
        EXPECT_EQ(day.wDayOfWeek, r % 7);
        const int k = r - c.startRow;
        const int units = k >= 0 && k < 3 ? static_cast<int>(c.hours[static_cast<size_t>(k)] * 14) : 0;
        EXPECT_EQ(Spans(page.rows[static_cast<size_t>(r)], RowX0(r)),
                  (std::vector<Span>{{0, units, kRed}}))
            << "row " << r;
        AddDays(day, 1);
      }
    }
  }
}

// A start on Saturday evening, the program ended and started again, the
// next pick on Tuesday morning: the interval runs over both the change day
// and an ordinary one, reads back from the file after each restart, and the
// days of the report add up to its whole length.
TEST(DateMatrix, IntervalLeftRunningOverThreeNightsAndARestart) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  for (const Zone& z : kZones) {
    for (const LocalDateTime& changeDay : {z.spring, z.autumn}) {
      SCOPED_TRACE(std::string(z.name) + (changeDay == z.spring ? " spring" : " autumn"));
      ScopedTimeZone zone(z.name);
      const LocalDateTime saturday = DaysAfter(changeDay, -1);
      const LocalDateTime tuesday = DaysAfter(changeDay, 2);
      TempDir dir;
      RecordingNotifier notifier;
      const Workspace ws{dir.Path(), RealFileSystem(), notifier};
      const auto pick = [](ActivityData& data, int item, const LocalDateTime& now) {
        PickItem(data, item, [now] { return now; }, nullptr);
      };
      const auto start = [&ws](ActivityData& data) {
        data.catalogue.AddSlot(kRed, 1);
        data.catalogue.AddSlot(kGreen, 1);
        data.catalogue.AddName(u"会議");
        data.catalogue.AddName(u"作業");
        data.store.Load();
      };
      {
        ActivityData first(ws);
        start(first);
        pick(first, 0, Picked(saturday, 21, 40));
      }
      ActivityData second(ws);
      start(second);
      ASSERT_EQ(second.currentActivity, u"会議");
      pick(second, 1, Picked(tuesday, 9, 15));
      ActivityData third(ws);
      start(third);
      EXPECT_EQ(third.currentActivity, u"作業");
      ASSERT_EQ(third.store.Count(), 2);
      const ActivityRecord& kept = third.store.At(0);
      EXPECT_EQ(kept.name, u"会議");
      EXPECT_EQ(kept.start, On(saturday, 21, 40));
      EXPECT_EQ(kept.end, On(tuesday, 9, 15));

      const double change = !HasDaylightSaving(z) ? 0.0 : changeDay == z.spring ? -kHour : kHour;
      // Saturday, the change day, Monday, Tuesday: 2:20, 24 +- 1, 24, 9:15.
      const LocalDateTime covered[4] = {saturday, changeDay, DaysAfter(changeDay, 1), tuesday};
      const std::array<double, 4> expected = {2 * kHour + 1200, 24 * kHour + change, 24 * kHour,
                                              9 * kHour + 900};
      const std::array<std::vector<Span>, 4> bars = {
          std::vector<Span>{{303, 336, kRed}}, std::vector<Span>{{0, 336, kRed}},
          std::vector<Span>{{0, 336, kRed}}, std::vector<Span>{{0, 129, kRed}}};
      // Saturday's page: Saturday is row 6, Tuesday row 9.
      const std::vector<ActivityRecord> records = third.store.Records();
      const ChartPage chart = Page(DrawDayBars, Picked(saturday, 12), third.catalogue, records);
      ShownDays days(Picked(saturday, 12));
      days.Collect(records);
      double sum = 0;
      for (int d = 0; d < 14; ++d) {
        const DayTotals totals =
            CountDay(DayRecords{third.catalogue, records, days.RecordsOn(d)}, days.Day(d));
        double want = 0;
        std::vector<Span> wantBars;
        for (size_t k = 0; k < 4; ++k) {
          if (IsSameDate(days.Day(d), covered[k])) {
            want = expected[k];
            wantBars = bars[k];
          }
        }
        EXPECT_EQ(totals.seconds[0], want) << "row " << d;
        if (wantBars.empty() && d == 9) ADD_FAILURE() << "Tuesday is not row 9";
        ASSERT_EQ(chart.rows.size(), 14u);
        // The running 作業 adds an empty bar on Tuesday, after 会議's.
        std::vector<Span> spans = Spans(chart.rows[static_cast<size_t>(d)], RowX0(d));
        if (d == 9 && !spans.empty()) spans.pop_back();
        EXPECT_EQ(spans, wantBars) << "row " << d;
        sum += totals.seconds[0];
      }
      EXPECT_EQ(sum, SecondsBetween(kept.start, kept.end));
      EXPECT_TRUE(notifier.shown.size() == 1u) << "only the first start's missing data.csv";
    }
  }
}

}  // namespace
