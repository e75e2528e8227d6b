#pragma once

#include "base/datetime.h"
#include "base/text.h"

// One interval. A record whose end is the same moment as its start is open:
// the running interval, or the one that ran when the program last ended.
struct ActivityRecord {
  Text name;
  LocalDateTime start;
  LocalDateTime end;
};

// Field-equal times are the same moment without a local-time conversion; the
// conversion is needed only for times that differ in their fields.
inline bool IsOpenRecord(const ActivityRecord& r) {
  return r.start == r.end || IsSameMoment(r.start, r.end);
}
