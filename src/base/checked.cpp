#include "base/checked.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

void BrokenIndex() {
#ifdef _WIN32
  RaiseException(EXCEPTION_ARRAY_BOUNDS_EXCEEDED, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#endif
  std::abort();
}
