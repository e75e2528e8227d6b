#include <sstream>
#include <string>
#include <vector>

#include "chart_test_support.h"
#include "report/chart_text.h"
#include "support/sample_history.h"

namespace {

std::vector<std::string> Lines(const Text& text) {
  std::vector<std::string> lines;
  std::istringstream in(TextToUtf8(text));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ChartText, EachDayTellsWhatItsRowShows) {
  const ItemCatalogue catalogue =
      MakeCatalogue({{"A", 0xFF, 1}, {"B", 0xFF00, 1}, {"X", 0x808080, 0}});
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
      {DescribeDayBars, 0,
       u"1月3日(日): A 9:00〜10:00、B 11:00〜13:00、X 14:00〜17:00、A 13:00〜13:30。"},
      {DescribeDayBars, 1, u"1月4日(月): B 23:00〜24:00。"},
      {DescribeDayBars, 2, u"1月5日(火): B 0:00〜1:30。"},
      {DescribeDayBars, 5, u"1月8日(金): gone 0:00〜24:00。"},
      {DescribeDayBars, 6, u"1月9日(土): gone 0:00〜8:05。"},
      {DescribeDayBars, 13, u"1月16日(土): A 14:05から計測中。"},
      {DescribeDayTotals, 0, u"1月3日(日): 合計 3時間30分、B 2時間 (57%)、A 1時間30分 (43%)。"},
      {DescribeDayTotals, 1, u"1月4日(月): 合計 1時間、B 1時間 (100%)。"},
      {DescribeDayTotals, 5, u"1月8日(金): 合計 0分。"},
  };
  for (const Row& row : rows) {
    // Wednesday 2010-01-06: the lines run from Sunday 01-03 to Saturday 01-16.
    const std::vector<std::string> lines =
        Lines(DescribeChart(PickedDate(2010, 1, 6), catalogue, records, row.step));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[static_cast<size_t>(row.day)], TextToUtf8(row.line));
  }
}

// Every line names as many intervals as its row has bars.
TEST(ChartText, ASampleWeekNamesEveryBarOfItsRow) {
  const ItemCatalogue catalogue = sample::MakeCatalogue();
  const std::vector<ActivityRecord> records = sample::MakeHistory(150);
  const LocalDateTime monday = PickedDate(2000, 1, 3);
  const ChartPage page = Page(DrawDayBars, monday, catalogue, records);
  ASSERT_EQ(page.rows.size(), 14u);
  const Text text = DescribeChart(monday, catalogue, records, DescribeDayBars);
  size_t day = 0, named = 0, intervals = 0;
  for (char16_t c : text) {
    named += c == u'〜';
    if (c != u'\n') continue;
    EXPECT_EQ(named, page.rows.at(day++).step.size()) << "day " << day;
    intervals += named;
    named = 0;
  }
  EXPECT_EQ(day, 13u) << "the last line has no line break";
  EXPECT_EQ(intervals + named, records.size());
}

}  // namespace
