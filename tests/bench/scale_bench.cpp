// One and a half to thirty years of history (about 20 records a day): the
// costs a user meets, each beside a plain baseline measured in the same run.
//   ScaleLoad, ScalePlainLoad             start-up: read and parse data.csv
//   ScalePick, ScalePlainPick             a pick with its save
//   ScaleReportTime, ScaleReportStatics   one report page of the last week,
//   ScalePlainReport                      against one plain walk per day row
//   ScaleEditorDay, ScalePlainDay         the editor's rows of the last day,
//                                         against one plain walk
//   ScaleEditorPlaceFirstDay              where a record added on the first
//                                         day goes (the longest walk of adding)
//   ScaleEditorChangeLastDay,             the walks of changing and deleting
//   ScaleEditorDeleteLastDay              a row of the last day while an
//                                         item runs, before their save
// Every benchmark fits its times against N (the _BigO and _RMS lines) and
// reports its cost per record: linear growth shows as a flat per-record cost
// and a small RMS. tests/bench/scale_table.py turns a JSON run into the
// table of ratios.
#include <benchmark/benchmark.h>

#include <vector>

#include "support/memory_files.h"
#include "support/recording_notifier.h"
#include "support/sample_history.h"
#include "data/activity_data.h"
#include "data/record_editing.h"
#include "data/tracker.h"
#include "records_bench.h"
#include "report_bench.h"

namespace {

// 365 days of about 20 records: 7,300 a year.
constexpr int kOneAndAHalfYears = 10000;
constexpr int kFourteenYears = 100000;
constexpr int kTwentyYears = 150000;
constexpr int kThirtyYears = 225000;

void ScaleSizes(benchmark::internal::Benchmark* b) {
  b->Arg(kOneAndAHalfYears)->Arg(kFourteenYears)->Arg(kTwentyYears)->Arg(kThirtyYears);
  b->Unit(benchmark::kMillisecond);
  b->Complexity(benchmark::oN);
}

// Runs a benchmark of another file and adds the fit against N and the cost
// per record.
template <void (*Measure)(benchmark::State&)>
void Scaled(benchmark::State& state) {
  Measure(state);
  state.SetComplexityN(state.range(0));
  state.counters["per_record"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A whole day at the end of the history (the last one may be cut short),
// the kind of day a user opens the editor on. A day holds 17 to 23 records.
LocalDateTime LastDay(const std::vector<ActivityRecord>& records) {
  LocalDateTime day = records[records.size() - 40].start;
  day.wHour = 12;
  day.wMinute = 0;
  return day;
}

// A history of `count` records in memory for the editor's walks; with
// `running`, the item runs since the day after its last record, as the
// tracker leaves it.
struct EditorHistory {
  EditorHistory(int count, bool running) {
    for (ActivityRecord& r : sample::MakeHistory(count)) data.store.Append(std::move(r));
    if (!running) return;
    ActivityRecord open = data.store.At(count - 1);
    open.start.wDay = 28;
    open.start.wHour = 9;
    open.end = open.start;
    data.currentActivity = open.name;
    data.store.Append(std::move(open));
  }
  MemoryFileSystem files;
  RecordingNotifier notifier;
  ActivityData data{Workspace{Text(), files, notifier}};
};

void EditorDay(benchmark::State& state) {
  EditorHistory history(static_cast<int>(state.range(0)), false);
  ActivityData& data = history.data;
  const LocalDateTime day = LastDay(data.store.Records());
  size_t rows = 0;
  for (auto _ : state) {
    const std::vector<int> found = RecordsOfDate(data.store, day);
    rows = found.size();
    benchmark::DoNotOptimize(found.data());
  }
  if (rows < 17) state.SkipWithError("a whole day has 17 records or more");
}

// Where the editor puts a record added on the first day of the history: the
// walk back from the end passes every start. The worst case of adding; a
// day near the end stops at once.
void EditorPlaceFirstDay(benchmark::State& state) {
  EditorHistory history(static_cast<int>(state.range(0)), false);
  ActivityData& data = history.data;
  LocalDateTime start = data.store.At(0).start;
  start.wHour = 7;
  int position = -1;
  for (auto _ : state) {
    position = StartOrderPosition(data.store, start);
    benchmark::DoNotOptimize(position);
  }
  if (position != 0) state.SkipWithError("7:00 on the first day goes first");
}

// Changing or deleting a row of the editor's day finds the row's record and
// the running one. The rows of the last whole day take the longest walk.
// (Deleting a record near the start of the history moves the records after
// it; that is the cost of the list, not of a walk, and not measured here.)
void EditorChangeLastDay(benchmark::State& state) {
  EditorHistory history(static_cast<int>(state.range(0)), true);
  ActivityData& data = history.data;
  const LocalDateTime day = LastDay(data.store.Records());
  const int row = static_cast<int>(RecordsOfDate(data.store, day).size()) - 1;
  int index = -1;
  for (auto _ : state) {
    index = RecordOfRow(data.store, day, row);
    const int running = FindRunningRecord(data.store, data.currentActivity);
    if (index < 0 || index == running) break;
    data.store.At(index).end.wMinute ^= 1;
    benchmark::DoNotOptimize(index);
  }
  if (index < 0) state.SkipWithError("the last day has rows");
}

void EditorDeleteLastDay(benchmark::State& state) {
  EditorHistory history(static_cast<int>(state.range(0)), true);
  ActivityData& data = history.data;
  const LocalDateTime day = LastDay(data.store.Records());
  int index = -1;
  for (auto _ : state) {
    index = RecordOfRow(data.store, day, 0);
    const int running = FindRunningRecord(data.store, data.currentActivity);
    if (index < 0 || index == running) break;
    ActivityRecord taken = std::move(data.store.At(index));
    data.store.RemoveAt(index);
    state.PauseTiming();
    data.store.InsertAt(index, std::move(taken));
    state.ResumeTiming();
  }
  if (index < 0) state.SkipWithError("the last day has rows");
}

// One walk that keeps the positions of the records starting on the day.
void PlainDay(benchmark::State& state) {
  const std::vector<ActivityRecord> records = sample::MakeHistory(static_cast<int>(state.range(0)));
  const LocalDateTime day = LastDay(records);
  for (auto _ : state) {
    std::vector<int> found;
    for (size_t i = 0; i < records.size(); ++i) {
      const LocalDateTime& s = records[i].start;
      if (s.wYear == day.wYear && s.wMonth == day.wMonth && s.wDay == day.wDay) {
        found.push_back(static_cast<int>(i));
      }
    }
    benchmark::DoNotOptimize(found.data());
  }
}

BENCHMARK(Scaled<records_bench::Load>)->Name("ScaleLoad")->Apply(ScaleSizes);
BENCHMARK(Scaled<records_bench::PlainLoad>)->Name("ScalePlainLoad")->Apply(ScaleSizes);
BENCHMARK(Scaled<records_bench::Pick>)->Name("ScalePick")->Apply(ScaleSizes);
BENCHMARK(Scaled<records_bench::PlainPick>)->Name("ScalePlainPick")->Apply(ScaleSizes);
BENCHMARK(Scaled<report_bench::ReportTime>)->Name("ScaleReportTime")->Apply(ScaleSizes);
BENCHMARK(Scaled<report_bench::ReportStatics>)->Name("ScaleReportStatics")->Apply(ScaleSizes);
BENCHMARK(Scaled<report_bench::PlainReport>)->Name("ScalePlainReport")->Apply(ScaleSizes);
BENCHMARK(Scaled<EditorDay>)->Name("ScaleEditorDay")->Apply(ScaleSizes);
BENCHMARK(Scaled<PlainDay>)->Name("ScalePlainDay")->Apply(ScaleSizes);
BENCHMARK(Scaled<EditorPlaceFirstDay>)->Name("ScaleEditorPlaceFirstDay")->Apply(ScaleSizes);
BENCHMARK(Scaled<EditorChangeLastDay>)->Name("ScaleEditorChangeLastDay")->Apply(ScaleSizes);
BENCHMARK(Scaled<EditorDeleteLastDay>)->Name("ScaleEditorDeleteLastDay")->Apply(ScaleSizes);

}  // namespace
