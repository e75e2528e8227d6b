// What the fuzz targets share: checks that stop the run with a message
// (libFuzzer keeps the input that triggered it), and the unfolding of short
// inputs into long files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

[[noreturn]] inline void FuzzFail(const char* file, int line, const char* what, const char* text) {
  std::fprintf(stderr, "%s:%d: %s: %s\n", file, line, what, text);
  std::abort();
}

inline void FuzzPromise(const char* broken, const char* file, int line) {
  if (broken) FuzzFail(file, line, "promise broken", broken);
}

#define FUZZ_CHECK(condition) \
  ((condition) ? void() : FuzzFail(__FILE__, __LINE__, "check failed", #condition))
// A check that returns the promise it found broken, or null.
#define FUZZ_PROMISE(check) FuzzPromise((check), __FILE__, __LINE__)

// libFuzzer mutates short inputs fastest, and the runner keeps them short;
// the readers take files of any length. An input that ends in the marker
// FD FD and a 16-bit count (high byte first) stands for the bytes before it
// repeated that many times, up to kMaxUnfoldedBytes: so a short input
// reaches the sizes where whole-file buffers, name tables and reserves
// grow. FD is no byte of code page 932, so a real file hardly ends so. The
// cap keeps one input well inside the runner's 10 s per input under the
// sanitizers on a busy machine; the reader has no limit of its own below
// the 256 MB at which files are refused unread.
constexpr size_t kMaxUnfoldedBytes = size_t{4} << 20;

inline std::string Unfold(const uint8_t* data, size_t size) {
  static const unsigned char kMarker[2] = {0xFD, 0xFD};
  if (size < 4 || std::memcmp(data + size - 4, kMarker, 2) != 0) {
    return std::string(reinterpret_cast<const char*>(data), size);
  }
  const size_t body = size - 4;
  size_t times = static_cast<size_t>(data[size - 2]) << 8 | data[size - 1];
  if (body != 0 && times > kMaxUnfoldedBytes / body) times = kMaxUnfoldedBytes / body;
  std::string out;
  out.reserve(body * times);
  for (size_t i = 0; i < times; ++i) out.append(reinterpret_cast<const char*>(data), body);
  return out;
}
