// Whole-file conversion speed of the code page 932 codec: a record file of N
// lines is converted in one call each way.
#include <benchmark/benchmark.h>

#include <string>

#include "base/codepage932.h"
#include "base/text.h"

namespace {

Text RecordLines(int lines) {
  static const char16_t* const kNames[] = {u"作業", u"会議", u"休憩", u"移動",
                                           u"mail", u"資料作成～確認", u"ｶﾀｶﾅ"};
  Text text;
  for (int i = 0; i < lines; ++i) {
    text += FormatText(u"%04u/%02u/%02u %02u:%02u,%04u/%02u/%02u %02u:%02u,%s\r\n", 2010u,
                       1u + i % 12, 1u + i % 28, i % 24, i % 60, 2010u, 1u + i % 12,
                       1u + i % 28, (i + 1) % 24, (i * 7) % 60, kNames[i % 7]);
  }
  return text;
}

void Cp932Encode(benchmark::State& state) {
  const Text text = RecordLines(static_cast<int>(state.range(0)));
  std::string bytes;
  for (auto _ : state) {
    benchmark::DoNotOptimize(EncodeCp932(text, bytes));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void Cp932Decode(benchmark::State& state) {
  std::string bytes;
  EncodeCp932(RecordLines(static_cast<int>(state.range(0))), bytes);
  for (auto _ : state) {
    Text text = DecodeCp932(bytes);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK(Cp932Encode)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cp932Decode)->Arg(100000)->Unit(benchmark::kMillisecond);
