// Where the program's files live and how the core reaches them: the working
// directory captured at start-up, the file seam and the user's message boxes.
#pragma once

#include "base/files.h"
#include "base/notifier.h"
#include "base/text.h"

struct Workspace {
  Text directory;  // WorkingDirectory
  FileSystem* files = nullptr;
  Notifier* notifier = nullptr;
};
