#include <string>
#include <vector>

#include "chart_test_support.h"
#include "report/chart_text.h"
#include "support/sample_history.h"

namespace {

TEST(ChartText, EachDayTellsWhatItsRowShows) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", 0xFF, 1}, {"B", 0xFF00, 1}, {"X", 0x808080, 0}});
  const std::vector<ActivityRecord> records = {
      Rec("A", DT(2010, 1, 3, 9, 0), DT(2010, 1, 3, 10, 0)),
      Rec("B", DT(2010, 1, 3, 11, 0), DT(2010, 1, 3, 13, 0)),
      Rec("X", DT(2010, 1, 3, 14, 0), DT(2010, 1, 3, 17, 0)),
      Rec("A", DT(2010, 1, 3, 13, 0), DT(2010, 1, 3, 13, 30)),
      Rec("B", DT(2010, 1, 4, 23, 0), DT(2010, 1, 5, 1, 30)),
      Rec("gone", DT(2010, 1, 7, 22, 0), DT(2010, 1, 9, 8, 5)),
      Rec("A", DT(2010, 1, 16, 14, 5), DT(2010, 1, 16, 14, 5)),
  };
  struct Row {
    DayTextStep step;
    int day;
    const char16_t* line;
  };
  const Row rows[] = {
      {DescribeDayBars, 0, u"1月3日(日): A 9:00〜10:00、B 11:00〜13:00、X 14:00〜17:00、A 13:00〜13:30。"},
      {DescribeDayBars, 1, u"1月4日(月): B 23:00〜24:00。"},
      {DescribeDayBars, 2, u"1月5日(火): B 0:00〜1:30。"},
      {DescribeDayBars, 3, u"1月6日(水): 記録なし。"},
      {DescribeDayBars, 5, u"1月8日(金): gone 0:00〜24:00。"},
      {DescribeDayBars, 6, u"1月9日(土): gone 0:00〜8:05。"},
      {DescribeDayBars, 13, u"1月16日(土): A 14:05から計測中。"},
      {DescribeDayTotals, 0, u"1月3日(日): 合計 3時間30分、B 2時間 (57%)、A 1時間30分 (43%)。"},
      {DescribeDayTotals, 1, u"1月4日(月): 合計 1時間、B 1時間 (100%)。"},
      {DescribeDayTotals, 5, u"1月8日(金): 合計 0分。"},
      // Outside the fourteen days there is no day.
      {DescribeDayBars, -1, u""},
      {DescribeDayBars, 14, u""},
  };
  for (const Row& row : rows) {
    // Wednesday 2010-01-06: the days run from Sunday 01-03 to Saturday 01-16.
    EXPECT_EQ(TextToUtf8(DescribeDay(PickedDate(2010, 1, 6), row.day, catalogue, records, row.step)),
              TextToUtf8(row.line))
        << "day " << row.day;
  }
}

// Every day names as many intervals as its row has bars.
TEST(ChartText, ASampleWeekNamesEveryBarOfItsRow) {
  const ItemCatalogue catalogue = sample::MakeCatalogue();
  const std::vector<ActivityRecord> records = sample::MakeHistory(150);
  const LocalDateTime monday = PickedDate(2000, 1, 3);
  const ChartPage page = Page(DrawDayBars, monday, catalogue, records);
  ASSERT_EQ(page.rows.size(), 14u);
  size_t intervals = 0;
  for (int d = 0; d < 14; ++d) {
    size_t named = 0;
    for (char16_t c : DescribeDay(monday, d, catalogue, records, DescribeDayBars)) named += c == u'〜';
    EXPECT_EQ(named, page.rows.at(static_cast<size_t>(d)).step.size()) << "day " << d;
    intervals += named;
  }
  EXPECT_EQ(intervals, records.size());
}

// A day of many records, or of one with a huge name, stays within the limit
// and counts what it leaves out; a part is kept only whole.
TEST(ChartText, ADayIsBoundedAndCountsWhatItLeavesOut) {
  const ItemCatalogue catalogue = MakeCatalogue({{"A", 0xFF, 1}});
  // "1月3日(日): " is 9 characters, " 9:00〜10:00" 11, the end "。" 1.
  const size_t room = kDayTextLimit - DayParts::kTailRoom - 9 - 11;
  struct Row {
    const char* what;
    int count;       // records from 9:00 to 10:00 on Sunday 2010-01-03
    size_t nameLength;  // of each record's name
    int shown;       // parts kept whole; -1: as many as the limit holds
  };
  const Row rows[] = {
      {"a thousand short records", 1000, 1, -1},
      {"a name that just fits", 1, room, 1},
      {"a name one longer", 1, room + 1, 0},
      {"two that fit", 2, (room - 1 - 11) / 2, 2},
      {"the second one longer", 2, (room - 1 - 11) / 2 + 1, 1},
  };
  for (const Row& row : rows) {
    std::vector<ActivityRecord> records;
    for (int i = 0; i < row.count; ++i)
      records.push_back(Rec(Text(row.nameLength, u'A'), DT(2010, 1, 3, 9, 0), DT(2010, 1, 3, 10, 0)));
    const Text text = DescribeDay(PickedDate(2010, 1, 6), 0, catalogue, records, DescribeDayBars);
    EXPECT_LE(text.size(), kDayTextLimit) << row.what;
    size_t shown = 0;
    for (char16_t c : text) shown += c == u'〜';
    const int omitted = row.count - static_cast<int>(shown);
    if (row.shown >= 0) { EXPECT_EQ(static_cast<int>(shown), row.shown) << row.what; }
    const Text end = omitted > 0 ? FormatText(shown > 0 ? u"、ほか%d件。" : u"%d件。", omitted) : Text(u"。");
    ASSERT_GE(text.size(), end.size()) << row.what;
    EXPECT_EQ(TextToUtf8(text.substr(text.size() - end.size())), TextToUtf8(end)) << row.what;
    if (row.count == 1000) { EXPECT_GT(shown, 100u) << row.what << ": the limit is filled, not cut short"; }
  }
}

}  // namespace
