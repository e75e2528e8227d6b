// What the fuzz targets share: a check that stops the run with a message
// (libFuzzer keeps the input that triggered it), records compared field by
// field, and the unfolding of short inputs into long files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/activity_record.h"

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

// A check that returns the promise it found broken, or null.
#define FUZZ_PROMISE(check)                                                       \
  do {                                                                            \
    if (const char* broken = (check)) {                                           \
      std::fprintf(stderr, "%s:%d: promise broken: %s\n", __FILE__, __LINE__, broken); \
      std::abort();                                                               \
    }                                                                             \
  } while (0)

// libFuzzer mutates short inputs fastest, and the runner keeps them short;
// the readers take files of any length. An input that ends in the marker
// FD FD and a 16-bit count (high byte first) stands for the bytes before it
// repeated that many times, up to kMaxUnfoldedBytes: so a short input
// reaches the sizes where whole-file buffers, name tables and reserves
// grow. FD is no byte of code page 932, so a real file hardly ends so.
constexpr size_t kMaxUnfoldedBytes = size_t{16} << 20;

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

inline bool operator==(const ActivityRecord& a, const ActivityRecord& b) {
  return a.name == b.name && a.start == b.start && a.end == b.end;
}
