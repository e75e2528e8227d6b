// The cost of one report page computed from the records, beside a plain
// baseline: fourteen walks over the records comparing year, month and day.
// A page should cost no more than about twice the baseline at 100,000
// records, and grow linearly with them.
//
// The records come from a small generator of this file: a history that ends
// on the report date, back to back intervals of 5 minutes to 3 hours with
// short gaps, now and then one left running past midnight or over a weekend.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "base/datetime.h"
#include "data/activity_record.h"
#include "data/item_catalogue.h"
#include "report/chart_layout.h"

namespace {

const char16_t* const kItemNames[] = {u"設計", u"実装", u"会議", u"メール", u"レビュー",
                                      u"調査", u"休憩", u"移動", u"雑務", u"学習"};

ItemCatalogue BenchCatalogue() {
  ItemCatalogue catalogue;
  int k = 0;
  for (const char16_t* name : kItemNames) {
    catalogue.AddSlot(0x102030u * static_cast<uint32_t>(k + 1), k % 3 != 2);
    catalogue.AddName(name);
    ++k;
  }
  return catalogue;
}

// The last record ends on the report date; the history runs backwards from it.
const LocalDateTime kReportDate = FromEpochSeconds(ToEpochSeconds([] {
  LocalDateTime t;
  t.wYear = 2026;
  t.wMonth = 3;
  t.wDay = 18;
  t.wHour = 12;
  return t;
}()));

std::vector<ActivityRecord> BenchRecords(int count) {
  std::mt19937 random(static_cast<unsigned>(count));
  struct Span {
    int64_t start;
    int64_t end;
    unsigned item;
  };
  std::vector<Span> spans;
  spans.reserve(static_cast<size_t>(count));
  int64_t t = 0;
  for (int i = 0; i < count; ++i) {
    int64_t length = 5 * 60 + static_cast<int64_t>(random() % (175 * 60));
    const unsigned roll = random() % 1000;
    if (roll == 0) {
      length = 2 * 86400 + static_cast<int64_t>(random() % 86400);  // a weekend left running
    } else if (roll < 20) {
      length = 6 * 3600 + static_cast<int64_t>(random() % (6 * 3600));  // past midnight
    }
    spans.push_back(Span{t, t + length, static_cast<unsigned>(random() % 10)});
    t += length + static_cast<int64_t>(random() % (30 * 60));
  }
  // Shift the history so that it ends on the afternoon of the report date.
  const int64_t shift = ToEpochSeconds(kReportDate) + 4 * 3600 - spans.back().end;
  std::vector<ActivityRecord> records;
  records.reserve(spans.size());
  for (const Span& s : spans) {
    ActivityRecord r;
    r.name = kItemNames[s.item];
    r.start = FromEpochSeconds(s.start + shift);
    r.end = FromEpochSeconds(s.end + shift);
    records.push_back(std::move(r));
  }
  return records;
}

Text BenchLabel(const LocalDateTime& t) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%u/%u (%u)", static_cast<unsigned>(t.wMonth),
                static_cast<unsigned>(t.wDay), static_cast<unsigned>(t.wDayOfWeek));
  return Text(buf, buf + std::char_traits<char>::length(buf));
}

void ReportPage(benchmark::State& state, DayStep step) {
  const ItemCatalogue catalogue = BenchCatalogue();
  const std::vector<ActivityRecord> records = BenchRecords(static_cast<int>(state.range(0)));
  ChartView view;
  view.clientWidth = 833;
  view.clientHeight = 438;
  view.reportDate = kReportDate;
  size_t primitives = 0;
  for (auto _ : state) {
    PrimitiveList list = LayoutChart(view, catalogue, records, BenchLabel, step);
    primitives = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["primitives"] = static_cast<double>(primitives);
}

void ReportTime(benchmark::State& state) { ReportPage(state, DrawDayBars); }
void ReportStatics(benchmark::State& state) { ReportPage(state, DrawDayTotals); }

// Fourteen plain walks, one per shown day, counting the records that start or
// end on it by year, month and day.
void PlainReport(benchmark::State& state) {
  const std::vector<ActivityRecord> records = BenchRecords(static_cast<int>(state.range(0)));
  LocalDateTime first = kReportDate;
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

}  // namespace
