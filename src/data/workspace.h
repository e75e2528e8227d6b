// Where the program's files live and how the core reaches them: the working
// directory captured at start-up, the file seam, the reports to the user and
// the clock that dates a copy of an unreadable file.
#pragma once

#include "base/clock.h"
#include "base/files.h"
#include "base/text.h"
#include "data/data_report.h"

struct Workspace {
  Text directory;  // WorkingDirectory
  FileSystem& files;
  DataReporter& reporter;
  Clock clock = SystemLocalTime;
};
