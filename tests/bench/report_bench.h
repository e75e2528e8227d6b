// The report page benchmarks and their plain baseline, for registering at
// more sizes (the scale benchmarks). Each takes the record count as range(0).
#pragma once

#include <benchmark/benchmark.h>

namespace report_bench {
void ReportTime(benchmark::State& state);
void ReportStatics(benchmark::State& state);
void PlainReport(benchmark::State& state);
}  // namespace report_bench
