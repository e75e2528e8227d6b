// The cost of one report page computed from the records, beside a plain
// baseline: fourteen walks over the records comparing year, month and day.
// A page should cost no more than about twice the baseline at 100,000
// records, and grow linearly with them. The records are the shared
// realistic history; the page shown is the one of its last day.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "data/activity_record.h"
#include "support/sample_history.h"
#include "report_bench.h"
#include "data/item_catalogue.h"
#include "report/chart_layout.h"
#include "report/chart_text.h"

namespace report_bench {

// The page of the last recorded day: the week a user looks at most.
LocalDateTime LastRecordedDay(const std::vector<ActivityRecord>& records) {
  LocalDateTime day = records.back().start;
  day.wHour = 12;
  day.wMinute = 0;
  return FromEpochSeconds(ToEpochSeconds(day));  // with its weekday
}

Text BenchLabel(const LocalDateTime& t) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%u/%u (%u)", static_cast<unsigned>(t.wMonth),
                static_cast<unsigned>(t.wDay), static_cast<unsigned>(t.wDayOfWeek));
  return Text(buf, buf + std::char_traits<char>::length(buf));
}

void ReportPage(benchmark::State& state, DayStep step) {
  const ItemCatalogue catalogue = sample::MakeCatalogue();
  const std::vector<ActivityRecord> records = sample::MakeHistory(static_cast<int>(state.range(0)));
  ChartView view;
  view.clientWidth = 833;
  view.clientHeight = 438;
  view.reportDate = LastRecordedDay(records);
  size_t primitives = 0;
  for (auto _ : state) {
    PrimitiveList list = LayoutChart(view, catalogue, records, BenchLabel, step);
    primitives = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["primitives"] = static_cast<double>(primitives);
}

// What a screen reader's question for one day costs: that day's text, built
// from the same walk over the records as a page. Beside ReportTime it should
// cost about as much as a paint, never the whole page's text.
void DayText(benchmark::State& state, DayTextStep step) {
  const ItemCatalogue catalogue = sample::MakeCatalogue();
  const std::vector<ActivityRecord> records = sample::MakeHistory(static_cast<int>(state.range(0)));
  const LocalDateTime reportDate = LastRecordedDay(records);
  size_t characters = 0;
  for (auto _ : state) {
    const Text text = DescribeDay(reportDate, reportDate.wDayOfWeek, catalogue, records, step);
    characters = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["characters"] = static_cast<double>(characters);
}

void DayTextTime(benchmark::State& state) { DayText(state, DescribeDayBars); }
void DayTextStatics(benchmark::State& state) { DayText(state, DescribeDayTotals); }

void ReportTime(benchmark::State& state) { ReportPage(state, DrawDayBars); }
void ReportStatics(benchmark::State& state) { ReportPage(state, DrawDayTotals); }

// Fourteen plain walks, one per shown day, counting the records that start or
// end on it by year, month and day.
void PlainReport(benchmark::State& state) {
  const std::vector<ActivityRecord> records = sample::MakeHistory(static_cast<int>(state.range(0)));
  LocalDateTime first = LastRecordedDay(records);
  AddDays(first, -static_cast<int>(first.wDayOfWeek));
  LocalDateTime days[14];
  for (LocalDateTime& day : days) {
    day = first;
    AddDays(first, 1);
  }
  for (auto _ : state) {
    int onShownDays = 0;
    for (const LocalDateTime& day : days) {
      for (const ActivityRecord& r : records) {
        if (IsSameDate(r.start, day) || IsSameDate(r.end, day)) ++onShownDays;
      }
    }
    benchmark::DoNotOptimize(onShownDays);
  }
}

BENCHMARK(ReportTime)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportStatics)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainReport)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(DayTextTime)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(DayTextStatics)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace report_bench
