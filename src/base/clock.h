// The local clock is passed in wherever the time of day matters, so that the
// tracker and the editor can be tested at chosen instants.
#pragma once

#include <functional>

#include "base/datetime.h"

using Clock = std::function<LocalDateTime()>;

// GetLocalTime on Win32; clock_gettime + localtime_r elsewhere.
LocalDateTime SystemLocalTime();
