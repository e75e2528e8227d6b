// What the fuzz targets share: a check that stops the run with a message
// (libFuzzer keeps the input that triggered it), and records compared field
// by field.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "data/activity_record.h"

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

inline bool operator==(const ActivityRecord& a, const ActivityRecord& b) {
  return a.name == b.name && a.start == b.start && a.end == b.end;
}
