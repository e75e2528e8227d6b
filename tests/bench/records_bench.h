// The record benchmarks and their plain baselines, for registering at more
// sizes (the scale benchmarks). Each takes the record count as range(0).
#pragma once

#include <benchmark/benchmark.h>

namespace records_bench {
void Load(benchmark::State& state);
void Save(benchmark::State& state);
void Pick(benchmark::State& state);
void PlainLoad(benchmark::State& state);
void PlainPick(benchmark::State& state);
}  // namespace records_bench
