#include "report/chart_layout.h"

#include <random>

#include "chart_test_support.h"

namespace {

// Wednesday 2010-01-06: the page shows Sunday 2010-01-03 (row 0) to
// Saturday 2010-01-16 (row 13); row 6 is Saturday 01-09, row 7 Sunday 01-10.
// A function, not a constant: dates convert through the zone in force when
// the test runs, not at static initialisation.
LocalDateTime Wednesday() { return PickedDate(2010, 1, 6); }

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;

// The report of Wednesday() in a client area of odd width (833 x 438).
ChartView WednesdayView(DeviceMapping mapping = DeviceMapping{}) {
  ChartView view;
  view.clientWidth = 833;
  view.clientHeight = 438;
  view.mapping = mapping;
  view.reportDate = Wednesday();
  return view;
}

std::vector<std::string> Labels(const ChartPage& page) {
  std::vector<std::string> labels;
  for (const ChartRow& row : page.rows) labels.push_back(Narrow(row.label.text));
  return labels;
}

TEST(ChartDays, FirstRowIsTheSundayOnOrBeforeTheReportDateWhateverItsClockTime) {
  const ItemCatalogue none;
  // A Sunday shows itself first; a Saturday the Sunday six days before.
  EXPECT_EQ(Labels(Page(DrawDayBars, PickedDate(2010, 1, 3), none, {}))[0], "2010-01-03 0");
  EXPECT_EQ(Labels(Page(DrawDayBars, PickedDate(2010, 1, 9), none, {}))[0], "2010-01-03 0");
  EXPECT_EQ(Labels(Page(DrawDayBars, PickedDate(2010, 1, 10), none, {}))[0], "2010-01-10 0");

  // Friday 2010-01-01: across the turn of the year, the rows run on from the
  // first column into the second.
  const std::vector<std::string> labels = Labels(Page(DrawDayBars, PickedDate(2010, 1, 1), none, {}));
  const std::vector<std::string> expected = {
      "2009-12-27 0", "2009-12-28 1", "2009-12-29 2", "2009-12-30 3", "2009-12-31 4",
      "2010-01-01 5", "2010-01-02 6", "2010-01-03 0", "2010-01-04 1", "2010-01-05 2",
      "2010-01-06 3", "2010-01-07 4", "2010-01-08 5", "2010-01-09 6"};
  EXPECT_EQ(labels, expected);

  // The clock time of the report date does not move the days.
  LocalDateTime lateFriday = PickedDate(2010, 1, 1);
  lateFriday.wHour = 23;
  lateFriday.wMinute = 59;
  const ShownDays days(lateFriday);
  EXPECT_TRUE(IsSameDate(days.Day(0), DT(2009, 12, 27)));
  EXPECT_TRUE(IsSameDate(days.Day(13), DT(2010, 1, 9)));
}

TEST(ChartFrame, GeometryOfBothColumnsOnScreen) {
  const ChartPage page = Page(DrawDayBars, Wednesday(), ItemCatalogue(), {}, 750, 439);
  ASSERT_EQ(page.rows.size(), 14u);
  EXPECT_EQ(page.background.rect, R(0, 0, 750, 439));
  EXPECT_EQ(page.background.color, 0xFFFFFFu);

  const ChartRow& first = page.rows[0];
  EXPECT_EQ(first.label.rect, R(0, 45, 75, 60));
  EXPECT_EQ(first.band.rect, R(80, 40, 416, 60));
  EXPECT_EQ(first.band.color, 0u);
  EXPECT_EQ(first.ticks[0].rect, R(94, 44, 94, 40));     // hour 1, drawn upwards
  EXPECT_EQ(first.ticks[22].rect, R(402, 44, 402, 40));  // hour 23
  EXPECT_EQ(first.hourLabels[0].rect, R(86, 29, 102, 40));
  EXPECT_EQ(Narrow(first.hourLabels[0].text), "1");
  EXPECT_EQ(Narrow(first.hourLabels[5].text), "11");
  EXPECT_EQ(first.hourLabels[11].rect, R(394, 29, 410, 40));
  EXPECT_EQ(Narrow(first.hourLabels[11].text), "23");

  // Row 6 is the last of the first column; 750 / 2 puts the second at 455.
  EXPECT_EQ(page.rows[6].band.rect, R(80, 280, 416, 300));
  EXPECT_EQ(page.rows[7].band.rect, R(455, 40, 791, 60));
  EXPECT_EQ(page.rows[7].label.rect, R(375, 45, 450, 60));
  EXPECT_EQ(page.rows[13].band.rect, R(455, 280, 791, 300));
  EXPECT_EQ(page.rows[13].ticks[0].rect, R(469, 284, 469, 280));

  // An odd width halves truncating.
  EXPECT_EQ(Page(DrawDayBars, Wednesday(), ItemCatalogue(), {}, 833, 438).rows[7].band.rect,
            R(496, 40, 832, 60));
}

TEST(ChartFrame, ScaleAndOffsetMapEveryPointAndScaleZeroPutsItOnTheOffset) {
  const ChartView view = WednesdayView(DeviceMapping{3, 100, 50});
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 3, 9, 30), DT(2010, 1, 3, 11, 45))};
  ChartPage page;
  ASSERT_TRUE(ReadPage(LayoutChart(view, catalogue, records, FakeLabel, DrawDayBars), page));
  EXPECT_EQ(page.background.rect, R(100, 50, 100 + 3 * 833, 50 + 3 * 438));
  EXPECT_EQ(page.rows[0].band.rect, R(340, 170, 1348, 230));
  EXPECT_EQ(page.rows[0].ticks[0].rect, R(382, 182, 382, 170));
  EXPECT_EQ(page.rows[0].hourLabels[0].rect, R(358, 137, 406, 170));
  ASSERT_EQ(page.rows[0].step.size(), 1u);
  EXPECT_EQ(page.rows[0].step[0].rect, R(100 + 3 * 213, 170, 100 + 3 * 244, 230));
  // Legend entry 0: swatch (40, 330)-(50, 350).
  EXPECT_EQ(page.legend[0].rect, R(220, 1040, 250, 1100));
  EXPECT_EQ(page.rows[7].band.rect, R(100 + 3 * 496, 170, 100 + 3 * 832, 230));

  // Totals map the same way.
  ASSERT_TRUE(ReadPage(LayoutChart(view, catalogue, records, FakeLabel, DrawDayTotals), page));
  EXPECT_EQ(page.rows[0].step[0].rect, R(340, 170, 340 + 3 * 31, 230));

  // Scale zero puts every point on the offset.
  const ChartView zero = WednesdayView(DeviceMapping{0, 75, 628});
  const std::vector<ActivityRecord> monday = {Rec("A", DT(2010, 1, 4, 1), DT(2010, 1, 4, 2))};
  for (DayStep step : {DrawDayBars, DrawDayTotals}) {
    const PrimitiveList list = LayoutChart(zero, catalogue, monday, FakeLabel, step);
    ASSERT_GT(list.size(), 14u * 37u);
    for (const Primitive& p : list) EXPECT_EQ(p.rect, R(75, 628, 75, 628));
  }
}

TEST(ChartFrame, RowOrderIsStepThenLabelThenOutlineThenTicksWithOddLabels) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 3, 1), DT(2010, 1, 3, 2)),
      Rec("A", DT(2010, 1, 3, 5), DT(2010, 1, 3, 6))};
  const ChartView view = WednesdayView();
  const PrimitiveList list = LayoutChart(view, catalogue, records, FakeLabel, DrawDayBars);
  // Spelled out for the first row, the one with bars.
  const PrimitiveKind expected[] = {
      PrimitiveKind::kFillRect,  PrimitiveKind::kRectangle, PrimitiveKind::kRectangle,
      PrimitiveKind::kText,      PrimitiveKind::kFrameRect, PrimitiveKind::kLine,
      PrimitiveKind::kText,      PrimitiveKind::kLine,      PrimitiveKind::kLine,
      PrimitiveKind::kText,      PrimitiveKind::kLine};
  ASSERT_GT(list.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(list[i].kind, expected[i]) << "primitive " << i;
  }
  EXPECT_EQ(Narrow(list[3].text), "2010-01-03 0");
  EXPECT_EQ(Narrow(list[6].text), "1");
  EXPECT_EQ(Narrow(list[9].text), "3");
  // 1 background, 2 bars, 14 rows of label + outline + 23 ticks + 12 labels,
  // one legend entry.
  EXPECT_EQ(list.size(), 1u + 2u + 14u * 37u + 2u);
  ChartPage page;
  EXPECT_TRUE(ReadPage(list, page));
  EXPECT_EQ(page.rows[0].step.size(), 2u);
  for (int r = 1; r < 14; ++r) EXPECT_TRUE(page.rows[r].step.empty()) << "row " << r;
}

TEST(ChartLegend, NineItemsPerRowThenOneWrapThatRunsOnAndNoneWithoutItems) {
  static const char* const kNames[] = {"i0", "i1", "i2", "i3", "i4", "i5",
                                       "i6", "i7", "i8", "i9", "i10", "i11"};
  ItemCatalogue catalogue;
  for (int k = 0; k < 12; ++k) {
    catalogue.AddSlot(0x010101u * static_cast<uint32_t>(k), k % 2);  // flags do not matter
    catalogue.AddName(Ascii(kNames[k]));
  }
  const ChartPage page = Page(DrawDayBars, Wednesday(), catalogue, {});
  ASSERT_EQ(page.legend.size(), 24u);
  for (int k = 0; k < 12; ++k) {
    const int x = k < 9 ? 40 + 90 * k : 40 + 90 * (k - 9);
    const int y = k < 9 ? 330 : 360;
    const Primitive& swatch = page.legend[2 * k];
    const Primitive& name = page.legend[2 * k + 1];
    EXPECT_EQ(swatch.rect, R(x, y, x + 10, y + 20)) << "item " << k;
    EXPECT_EQ(swatch.color, 0x010101u * static_cast<uint32_t>(k));
    EXPECT_EQ(name.rect, R(x + 15, y + 5, x + 85, y + 20)) << "item " << k;
    EXPECT_EQ(Narrow(name.text), kNames[k]);
  }
  EXPECT_EQ(page.legend[16].rect.left, 760);  // item 8, last of the first row
  EXPECT_EQ(page.legend[18].rect, R(40, 360, 50, 380));  // item 9 alone at the left

  // No items, no legend.
  EXPECT_TRUE(Page(DrawDayBars, Wednesday(), ItemCatalogue(), {}).legend.empty());
  EXPECT_TRUE(Page(DrawDayTotals, Wednesday(), ItemCatalogue(), {}).legend.empty());
}

// Bars of one record, as (left, right) relative to x0, on the rows given.
//
//   09:30-11:45                  |    [=====]      |
//   23:00 - 01:30 next day       |            [===]|[=]   ...
TEST(DayBars, ClockTimesToUnits) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}});
  struct Case {
    const char* what;
    ActivityRecord record;
    std::vector<std::pair<int, Span>> bars;  // row, span
  };
  const Case cases[] = {
      {"09:30 to 11:45: 126 + 7 and 154 + 10",
       Rec("A", DT(2010, 1, 4, 9, 30), DT(2010, 1, 4, 11, 45)), {{1, {133, 164, kRed}}}},
      {"minute 59 is 13 units",
       Rec("A", DT(2010, 1, 5, 0, 59), DT(2010, 1, 5, 1, 59)), {{2, {13, 27, kRed}}}},
      {"seconds play no part",
       Rec("A", DT(2010, 1, 5, 0, 0, 59), DT(2010, 1, 5, 0, 4, 59)), {{2, {0, 0, kRed}}}},
      {"an open record is a zero-width bar at its start",
       Rec("A", DT(2010, 1, 14, 18, 0), DT(2010, 1, 14, 18, 0)), {{11, {252, 252, kRed}}}},
      {"23:00 to 01:30 next day",
       Rec("A", DT(2010, 1, 4, 23, 0), DT(2010, 1, 5, 1, 30)),
       {{1, {322, 336, kRed}}, {2, {0, 21, kRed}}}},
      {"Saturday night into Sunday crosses into the second column",
       Rec("A", DT(2010, 1, 9, 23, 0), DT(2010, 1, 10, 1, 30)),
       {{6, {322, 336, kRed}}, {7, {0, 21, kRed}}}},
      {"to 24:00 and from 00:00",
       Rec("A", DT(2010, 1, 4, 0, 0), DT(2010, 1, 5, 0, 0)),
       {{1, {0, 336, kRed}}, {2, {0, 0, kRed}}}},
      {"a record over four dates covers the dates between entirely",
       Rec("A", DT(2010, 1, 8, 20, 0), DT(2010, 1, 11, 7, 15)),
       {{5, {280, 336, kRed}}, {6, {0, 336, kRed}}, {7, {0, 336, kRed}}, {8, {0, 101, kRed}}}},
      {"across a month: starts before the page, ends inside it",
       Rec("A", DT(2009, 12, 30, 8, 0), DT(2010, 1, 4, 3, 0)),
       {{0, {0, 336, kRed}}, {1, {0, 42, kRed}}}},
      {"starts on the last shown day and runs beyond",
       Rec("A", DT(2010, 1, 16, 12, 0), DT(2010, 1, 20, 3, 0)), {{13, {168, 336, kRed}}}},
      {"runs through the whole page",
       Rec("A", DT(2009, 12, 1, 12, 0), DT(2010, 2, 1, 3, 0)),
       {{0, {0, 336, kRed}},  {1, {0, 336, kRed}},  {2, {0, 336, kRed}},  {3, {0, 336, kRed}},
        {4, {0, 336, kRed}},  {5, {0, 336, kRed}},  {6, {0, 336, kRed}},  {7, {0, 336, kRed}},
        {8, {0, 336, kRed}},  {9, {0, 336, kRed}},  {10, {0, 336, kRed}}, {11, {0, 336, kRed}},
        {12, {0, 336, kRed}}, {13, {0, 336, kRed}}}},
      {"end before start over several dates: its two dates only, nothing between",
       Rec("A", DT(2010, 1, 8, 10, 0), DT(2010, 1, 5, 9, 0)),
       {{2, {0, 126, kRed}}, {5, {140, 336, kRed}}}},
      {"end before start on one date: a bar that runs to the left",
       Rec("A", DT(2010, 1, 4, 10, 0), DT(2010, 1, 4, 9, 0)), {{1, {140, 126, kRed}}}},
      {"outside the page: nothing", Rec("A", DT(2010, 1, 2, 10, 0), DT(2010, 1, 2, 11, 0)), {}},
      {"only the date counts, not the year alone",
       Rec("A", DT(2011, 1, 4, 10, 0), DT(2011, 1, 4, 11, 0)), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ChartPage page = Page(DrawDayBars, Wednesday(), catalogue, {c.record});
    ASSERT_EQ(page.rows.size(), 14u);
    for (int row = 0; row < 14; ++row) {
      std::vector<Span> expected;
      for (const auto& bar : c.bars) {
        if (bar.first == row) expected.push_back(bar.second);
      }
      EXPECT_EQ(Spans(page.rows[static_cast<size_t>(row)], RowX0(row)), expected) << "row " << row;
      for (const Primitive& p : page.rows[static_cast<size_t>(row)].step) {
        const int y = 40 + 40 * (row % 7);
        EXPECT_EQ(p.rect.top, y);
        EXPECT_EQ(p.rect.bottom, y + 20);
      }
    }
  }
}

TEST(DayBars, ColourOfTheLastItemWithTheNameWhiteForUnknownNames) {
  const ItemCatalogue catalogue =
      MakeCatalogue({{"A", kRed, 1}, {"B", kGreen, 0}, {"A", kBlue, 0}});
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 4, 1), DT(2010, 1, 4, 2)),
      Rec("B", DT(2010, 1, 4, 3), DT(2010, 1, 4, 4)),    // not counted, still drawn
      Rec("a", DT(2010, 1, 4, 5), DT(2010, 1, 4, 6)),    // names compare case-sensitively
      Rec("A ", DT(2010, 1, 4, 7), DT(2010, 1, 4, 8)),   // and whole
      Rec("Gone", DT(2010, 1, 4, 9), DT(2010, 1, 4, 10)),
  };
  const ChartPage page = Page(DrawDayBars, Wednesday(), catalogue, records);
  const std::vector<Span> expected = {{14, 28, kBlue},     {42, 56, kGreen},   {70, 84, 0xFFFFFF},
                                      {98, 112, 0xFFFFFF}, {126, 140, 0xFFFFFF}};
  EXPECT_EQ(Spans(page.rows[1], 80), expected);

  // No items at all: every bar white, no legend.
  const ChartPage bare = Page(DrawDayBars, Wednesday(), ItemCatalogue(), records);
  for (const Primitive& p : bare.rows[1].step) EXPECT_EQ(p.color, 0xFFFFFFu);
  EXPECT_EQ(bare.rows[1].step.size(), 5u);
}

TEST(DayBars, StoreOrderDecidesWhichBarLiesOnTop) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}, {"B", kGreen, 1}});
  const std::vector<ActivityRecord> records = {
      Rec("B", DT(2010, 1, 12, 8), DT(2010, 1, 12, 12)),
      Rec("A", DT(2010, 1, 12, 7), DT(2010, 1, 12, 10)),
      Rec("B", DT(2010, 1, 11, 23), DT(2010, 1, 12, 1)),  // earlier in time, later in store
  };
  const ChartPage page = Page(DrawDayBars, Wednesday(), catalogue, records);
  const std::vector<Span> expected = {{112, 168, kGreen}, {98, 140, kRed}, {0, 14, kGreen}};
  EXPECT_EQ(Spans(page.rows[9], 496), expected);
}

// The walk that sorts records onto the days is an optimisation: each day step
// fed with every record must draw exactly what it draws from the day's share.
TEST(ShownDays, DaySharesDrawTheSameAsWholeWalks) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", kRed, 1}, {"B", kGreen, 1}, {"A", kBlue, 0}});
  static const char* const kNames[] = {"A", "B", "C"};
  std::mt19937 random(20100106);
  std::vector<ActivityRecord> records;
  const int64_t base = ToEpochSeconds(DT(2009, 12, 20));
  for (int i = 0; i < 400; ++i) {
    const int64_t start = base + static_cast<int64_t>(random() % (40 * 86400));
    // Mostly short, some over several days, some reversed.
    const int64_t length = static_cast<int64_t>(random() % 3 == 0 ? random() % (6 * 86400)
                                                                  : random() % 18000) *
                           (random() % 10 == 0 ? -1 : 1);
    records.push_back(Rec(kNames[random() % 3], FromEpochSeconds(start),
                          FromEpochSeconds(start + length)));
  }
  std::vector<int> all(records.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);

  ShownDays days(Wednesday());
  days.Collect(records);
  size_t drawn = 0;
  for (DayStep step : {DrawDayBars, DrawDayTotals}) {
    for (int d = 0; d < 14; ++d) {
      PrimitiveList fromShare;
      PrimitiveList fromAll;
      const DayRow row{days.Day(d), 80, 40};
      step(DayRecords{catalogue, records, days.RecordsOn(d)}, row, DeviceMapping{}, fromShare);
      step(DayRecords{catalogue, records, all}, row, DeviceMapping{}, fromAll);
      ASSERT_EQ(fromShare.size(), fromAll.size()) << "day " << d;
      for (size_t i = 0; i < fromAll.size(); ++i) {
        EXPECT_EQ(fromShare[i].rect, fromAll[i].rect) << "day " << d << " primitive " << i;
        EXPECT_EQ(fromShare[i].color, fromAll[i].color) << "day " << d << " primitive " << i;
      }
      drawn += fromAll.size();
    }
  }
  EXPECT_GT(drawn, 14u * 3u + 100u);  // the data really fell on the days
}

}  // namespace
