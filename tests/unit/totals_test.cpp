#include <array>
#include <cstdint>

#include "chart_test_support.h"
#include "report/chart_layout.h"

namespace {

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kGrey = 0x808080;

// Wednesday 2010-01-06: rows 0 to 13 are Sunday 2010-01-03 to Saturday 01-16.
// A function, not a constant: dates convert through the zone in force when
// the test runs, not at static initialisation.
LocalDateTime Wednesday() { return PickedDate(2010, 1, 6); }

std::vector<Span> Segments(const ItemCatalogue& catalogue, const std::vector<ActivityRecord>& records,
                           int row, const LocalDateTime& reportDate = Wednesday()) {
  const ChartPage page = Page(DrawDayTotals, reportDate, catalogue, records);
  if (page.rows.size() != 14u) return {};
  return Spans(page.rows[static_cast<size_t>(row)], RowX0(row));
}

// Seconds counted for one item on each shown day, through the same sharing
// of records onto days as a paint.
std::array<double, 14> SecondsPerDay(const ItemCatalogue& catalogue,
                                     const std::vector<ActivityRecord>& records,
                                     const LocalDateTime& reportDate, int item) {
  ShownDays days(reportDate);
  days.Collect(records);
  std::array<double, 14> seconds{};
  for (int d = 0; d < 14; ++d) {
    const DayTotals totals = CountDay(DayRecords{catalogue, records, days.RecordsOn(d)}, days.Day(d));
    seconds[static_cast<size_t>(d)] = totals.seconds[static_cast<size_t>(item)];
  }
  return seconds;
}

const ItemCatalogue kABX = MakeCatalogue({{"A", kRed, 1}, {"B", kGreen, 1}, {"X", kBlue, 0}});

TEST(DayTotals, LongestFirstAndUncountedItemsLastWithZeroWidth) {
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 4, 9, 0), DT(2010, 1, 4, 10, 0)),
      Rec("X", DT(2010, 1, 4, 10, 0), DT(2010, 1, 4, 13, 0)),
      Rec("A", DT(2010, 1, 4, 13, 0), DT(2010, 1, 4, 13, 30)),
      Rec("B", DT(2010, 1, 4, 14, 0), DT(2010, 1, 4, 16, 0)),
      Rec("A", DT(2010, 1, 5, 9, 0), DT(2010, 1, 5, 10, 0)),
      Rec("A", DT(2010, 1, 5, 13, 0), DT(2010, 1, 5, 13, 30)),
  };
  // A 1.5 h, B 2 h, X 3 h but not counted.
  EXPECT_EQ(Segments(kABX, records, 1),
            (std::vector<Span>{{0, 28, kGreen}, {28, 49, kRed}, {49, 49, kBlue}}));
  // A alone: 5400 s are 21 units; the others stand at its end.
  EXPECT_EQ(Segments(kABX, records, 2),
            (std::vector<Span>{{0, 21, kRed}, {21, 21, kGreen}, {21, 21, kBlue}}));
  // A day without records: every item a zero-width segment at x0.
  EXPECT_EQ(Segments(kABX, records, 0),
            (std::vector<Span>{{0, 0, kRed}, {0, 0, kGreen}, {0, 0, kBlue}}));
  const ChartPage page = Page(DrawDayTotals, Wednesday(), kABX, records);
  EXPECT_EQ(page.rows[1].step[0].rect, R(80, 80, 108, 100));
  EXPECT_EQ(page.legend.size(), 6u);  // the legend lists uncounted items too
}

TEST(DayTotals, BoundariesComeFromTheRunningSum) {
  const ItemCatalogue catalogue = MakeCatalogue({{"P", kRed, 1}, {"Q", kGreen, 1}, {"R", kBlue, 1}});
  const std::vector<ActivityRecord> records = {
      Rec("P", DT(2010, 1, 4, 9, 0), DT(2010, 1, 4, 9, 20)),
      Rec("Q", DT(2010, 1, 4, 9, 20), DT(2010, 1, 4, 9, 40)),
      Rec("R", DT(2010, 1, 4, 9, 40), DT(2010, 1, 4, 10, 0)),
  };
  // 4.67, 9.33 and 14 units: widths 4, 5 and 5, not 4, 4 and 4.
  EXPECT_EQ(Segments(catalogue, records, 1),
            (std::vector<Span>{{0, 4, kRed}, {4, 9, kGreen}, {9, 14, kBlue}}));
}

TEST(DayTotals, ExchangeSortLeavesEqualTotalsWhereTheExchangesPutThem) {
  DayTotals totals{{1.0, 2.0, 3.0, 2.0}, {0, 1, 2, 3}};  // P, Q, R, S
  SortLongestFirst(totals);
  EXPECT_EQ(totals.order, (std::vector<int>{2, 1, 3, 0}));  // R, Q, S, P
  EXPECT_EQ(totals.seconds, (std::vector<double>{3.0, 2.0, 2.0, 1.0}));

  // The same through a page: P 1 h, Q 2 h, R 3 h, S 2 h.
  const ItemCatalogue catalogue =
      MakeCatalogue({{"P", kRed, 1}, {"Q", kGreen, 1}, {"R", kBlue, 1}, {"S", kGrey, 1}});
  const std::vector<ActivityRecord> records = {
      Rec("P", DT(2010, 1, 4, 0), DT(2010, 1, 4, 1)),
      Rec("Q", DT(2010, 1, 4, 1), DT(2010, 1, 4, 3)),
      Rec("R", DT(2010, 1, 4, 3), DT(2010, 1, 4, 6)),
      Rec("S", DT(2010, 1, 4, 6), DT(2010, 1, 4, 8)),
  };
  EXPECT_EQ(Segments(catalogue, records, 1),
            (std::vector<Span>{{0, 42, kBlue}, {42, 70, kGreen}, {70, 98, kGrey}, {98, 112, kRed}}));

  // Equal totals never swap with each other: 2, 2, 2 keep catalogue order.
  DayTotals ties{{2.0, 2.0, 2.0}, {0, 1, 2}};
  SortLongestFirst(ties);
  EXPECT_EQ(ties.order, (std::vector<int>{0, 1, 2}));
}

TEST(DayTotals, FirstItemOfTheNameDecidesWhetherAndWhereItCounts) {
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 4, 9), DT(2010, 1, 4, 10)),
      Rec("Gone", DT(2010, 1, 4, 10), DT(2010, 1, 4, 15)),  // matches no item: not counted
      Rec("a", DT(2010, 1, 4, 15), DT(2010, 1, 4, 18)),
  };
  const ItemCatalogue countedFirst = MakeCatalogue({{"A", kRed, 1}, {"A", kBlue, 1}});
  EXPECT_EQ(Segments(countedFirst, records, 1),
            (std::vector<Span>{{0, 14, kRed}, {14, 14, kBlue}}));
  const ItemCatalogue uncountedFirst = MakeCatalogue({{"A", kRed, 0}, {"A", kBlue, 1}});
  EXPECT_EQ(Segments(uncountedFirst, records, 1),
            (std::vector<Span>{{0, 0, kRed}, {0, 0, kBlue}}));
}

// Records over midnight, in seconds per shown day:
//
//   22:00 - 02:00           D [      ==]  D+1 [=       ]
//   D 20:00 - D+3 07:15     D [     ===]  D+1 [========]  D+2 [========]  D+3 [==      ]
TEST(DayTotals, RecordsOverMidnightCountOnEveryDateTheyCover) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  {
    const std::vector<ActivityRecord> records = {Rec("A", DT(2010, 1, 4, 22), DT(2010, 1, 5, 2))};
    const std::array<double, 14> seconds = SecondsPerDay(catalogue, records, Wednesday(), 0);
    EXPECT_EQ(seconds[1], 7200.0);
    EXPECT_EQ(seconds[2], 7200.0);
    EXPECT_EQ(Segments(catalogue, records, 1), (std::vector<Span>{{0, 28, kRed}}));
    EXPECT_EQ(Segments(catalogue, records, 2), (std::vector<Span>{{0, 28, kRed}}));
  }
  {
    // Friday evening to Monday morning, across the columns.
    const std::vector<ActivityRecord> records = {
        Rec("A", DT(2010, 1, 8, 20), DT(2010, 1, 11, 7, 15))};
    const std::array<double, 14> seconds = SecondsPerDay(catalogue, records, Wednesday(), 0);
    const std::array<double, 14> expected = {0, 0, 0, 0, 0, 4 * 3600.0, 86400, 86400, 26100, 0, 0, 0, 0, 0};
    EXPECT_EQ(seconds, expected);
    EXPECT_EQ(Segments(catalogue, records, 6), (std::vector<Span>{{0, 336, kRed}}));
    EXPECT_EQ(Segments(catalogue, records, 7), (std::vector<Span>{{0, 336, kRed}}));
  }
  {
    // An open record adds nothing; midnight to midnight is a whole day.
    const std::vector<ActivityRecord> records = {
        Rec("A", DT(2010, 1, 4, 10), DT(2010, 1, 4, 10)),
        Rec("A", DT(2010, 1, 5, 0), DT(2010, 1, 6, 0))};
    const std::array<double, 14> seconds = SecondsPerDay(catalogue, records, Wednesday(), 0);
    EXPECT_EQ(seconds[1], 0.0);
    EXPECT_EQ(seconds[2], 86400.0);
    EXPECT_EQ(seconds[3], 0.0);
  }
}

// Each field of the end is compared with the day's by itself: an end whose
// day of month is greater is cut at 24:00 even when it lies before the start.
TEST(DayTotals, ReversedRecordsSubtractOrAreCutFieldByField) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}, {"B", kGreen, 1}});
  {
    const std::vector<ActivityRecord> records = {
        Rec("A", DT(2010, 1, 4, 10), DT(2010, 1, 4, 9)),
        Rec("B", DT(2010, 1, 4, 12), DT(2010, 1, 4, 14)),
    };
    // B +2 h first, then A -1 h running back to the left.
    EXPECT_EQ(Segments(catalogue, records, 1), (std::vector<Span>{{0, 28, kGreen}, {28, 14, kRed}}));
  }
  {
    // Reversed across dates within a month: the whole negative span counts
    // on the start date, nothing on the end date.
    const std::vector<ActivityRecord> records = {Rec("A", DT(2010, 1, 5, 10), DT(2010, 1, 4, 9))};
    const std::array<double, 14> seconds = SecondsPerDay(catalogue, records, Wednesday(), 0);
    EXPECT_EQ(seconds[1], 0.0);
    EXPECT_EQ(seconds[2], -25 * 3600.0);
  }
  {
    // 2010-02-01 10:00 to 2010-01-31 09:00: 31 > 1, so 14 h on 02-01.
    const LocalDateTime reportDate = PickedDate(2010, 2, 3);  // rows: Sunday 01-31, Monday 02-01, ...
    const std::vector<ActivityRecord> records = {Rec("A", DT(2010, 2, 1, 10), DT(2010, 1, 31, 9))};
    const std::array<double, 14> seconds = SecondsPerDay(catalogue, records, reportDate, 0);
    EXPECT_EQ(seconds[0], 0.0);
    EXPECT_EQ(seconds[1], 14 * 3600.0);
    EXPECT_EQ(Segments(catalogue, records, 1, reportDate),
              (std::vector<Span>{{0, 196, kRed}, {196, 196, kGreen}}));
  }
  {
    // Across a month end and a year end the cut is the ordinary midnight.
    const LocalDateTime reportDate = PickedDate(2010, 1, 1);  // rows: 2009-12-27 to 2010-01-09
    const std::vector<ActivityRecord> records = {
        Rec("A", DT(2009, 12, 31, 22), DT(2010, 1, 1, 1)),
        Rec("B", DT(2009, 12, 30, 23), DT(2009, 12, 31, 0, 30))};
    EXPECT_EQ(SecondsPerDay(catalogue, records, reportDate, 0)[4], 7200.0);
    EXPECT_EQ(SecondsPerDay(catalogue, records, reportDate, 0)[5], 3600.0);
    EXPECT_EQ(SecondsPerDay(catalogue, records, reportDate, 1)[3], 3600.0);
    EXPECT_EQ(SecondsPerDay(catalogue, records, reportDate, 1)[4], 1800.0);
  }
}

TEST(DayTotals, OverlappingRecordsRunPastTheBand) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 4, 0), DT(2010, 1, 4, 23)),
      Rec("A", DT(2010, 1, 4, 0), DT(2010, 1, 4, 23))};
  EXPECT_EQ(Segments(catalogue, records, 1), (std::vector<Span>{{0, 644, kRed}}));
}

// Far beyond any device, but still ordered: the edge is pinned to the int
// range instead of wrapping round to a small or negative coordinate.
TEST(DayTotals, HugeBarsArePinnedNotWrapped) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  const std::vector<ActivityRecord> records(10, Rec("A", DT(2010, 1, 4, 0), DT(2010, 1, 5, 0)));
  ChartView view;
  view.clientWidth = 833;
  view.clientHeight = 438;
  view.mapping = DeviceMapping{1000000, 0, 0};
  view.reportDate = Wednesday();
  ChartPage page;
  ASSERT_TRUE(ReadPage(LayoutChart(view, catalogue, records, FakeLabel, DrawDayTotals), page));
  ASSERT_EQ(page.rows[1].step.size(), 1u);
  EXPECT_EQ(page.rows[1].step[0].rect.left, 80000000);
  EXPECT_EQ(page.rows[1].step[0].rect.right, INT32_MAX);
}

// A record over five dates across a daylight-saving change: its daily totals
// add up to its whole duration, the change day counting 23 or 25 hours.
TEST(DayTotals, DaysOfARecordAddUpAcrossDaylightSaving) {
  SKIP_UNLESS_ZONES_CAN_BE_PINNED();
  ScopedTimeZone zone("Europe/Berlin");
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  struct Case {
    LocalDateTime reportDate;
    LocalDateTime start;
    LocalDateTime end;
    int firstRow;
    std::array<double, 5> hours;
  };
  const Case cases[] = {
      // Spring: Sunday 2010-03-28 has 23 hours.
      {PickedDate(2010, 3, 24), DT(2010, 3, 26, 20), DT(2010, 3, 30, 7, 15), 5, {4, 24, 23, 24, 7.25}},
      // Autumn: Sunday 2010-10-31 has 25 hours.
      {PickedDate(2010, 10, 27), DT(2010, 10, 29, 12), DT(2010, 11, 2, 12), 5, {12, 24, 25, 24, 12}},
  };
  for (const Case& c : cases) {
    const std::vector<ActivityRecord> records = {Rec("A", c.start, c.end)};
    const std::array<double, 14> seconds = SecondsPerDay(catalogue, records, c.reportDate, 0);
    double sum = 0;
    for (int d = 0; d < 14; ++d) {
      const int k = d - c.firstRow;
      const double expected = k >= 0 && k < 5 ? c.hours[static_cast<size_t>(k)] * 3600 : 0.0;
      EXPECT_EQ(seconds[static_cast<size_t>(d)], expected) << "row " << d;
      sum += seconds[static_cast<size_t>(d)];
    }
    EXPECT_EQ(sum, SecondsBetween(c.start, c.end));
  }
  // The 25-hour day's bar runs past the band: 25 x 14 = 350 units.
  const std::vector<ActivityRecord> autumn = {Rec("A", DT(2010, 10, 29, 12), DT(2010, 11, 2, 12))};
  EXPECT_EQ(Segments(catalogue, autumn, 0 + 7, PickedDate(2010, 10, 27)),
            (std::vector<Span>{{0, 350, kRed}}));
}

}  // namespace
