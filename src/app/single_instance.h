// Only one copy of the program runs on a desktop.
#pragma once

#include "win/handles.h"

// The name of the mutex that marks a running copy in the desktop session.
extern const wchar_t kInstanceMutexName[];

// True when another copy runs: a top-level dialog (#32770) titled
// "Dorvane レポート" exists (hidden ones too), or the session's instance mutex
// exists already. The window alone would let two copies started at the same
// moment both pass, before either has created its window; the mutex is
// taken into `mutex` here and must be held for the rest of the run.
bool AnotherCopyRunning(OwnedKernelHandle& mutex);
