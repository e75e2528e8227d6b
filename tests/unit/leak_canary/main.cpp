// Leaks on purpose. The native unit tests count on the leak checker, and a
// checker that is switched off (or cannot run here) reports nothing at all:
// this program must be reported by it under the unit tests' own options.
#include <cstdio>

#include "data/activity_record.h"

ActivityRecord* volatile g_record = nullptr;

int main() {
  g_record = new ActivityRecord{u"leak", {}, {}};
  g_record = nullptr;
  std::puts("dropped the only pointer to a record");
  return 0;
}
