// A record from its name and times, for tests that list what a store holds.
#pragma once

#include <string>

#include "base/datetime.h"
#include "base/text.h"
#include "data/activity_record.h"

inline ActivityRecord Rec(const Text& name, const LocalDateTime& start, const LocalDateTime& end) {
  return ActivityRecord{name, start, end};
}

// The same with an ASCII name, for the chart tables.
inline ActivityRecord Rec(const char* name, const LocalDateTime& start, const LocalDateTime& end) {
  const std::string ascii(name);
  return Rec(Text(ascii.begin(), ascii.end()), start, end);
}
