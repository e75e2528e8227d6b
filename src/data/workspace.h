// Where the program's files live and how the core reaches them: the working
// directory captured at start-up, the file seam, the reports to the user and
// the clock that dates a copy of an unreadable file.
#pragma once

#include <functional>

#include "base/clock.h"
#include "base/files.h"
#include "base/text.h"
#include "data/data_report.h"

struct Workspace {
  Text directory;  // WorkingDirectory
  FileSystem& files;
  DataReporter& reporter;
  Clock clock = SystemLocalTime;
  // Told when the records change (before their save) and when a save of
  // the items leaves them unsaved: the catch-up of unsaved files starts.
  std::function<void()> changed = nullptr;
};
