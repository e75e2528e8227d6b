// The block the driver writes into the program's (or the tray's) address
// space and hands to the probe DLL's entry point on a remote thread. The DLL
// answers in the same block; the driver reads it back.
#pragma once

#include <cstdint>

namespace probe {

enum Op : uint32_t {
  kReadMenu = 1,   // the open popup menu of this process
  kReadTray = 2,   // the icons of Wine's tray (run inside the tray's process)
  kSync = 3,       // wait until the thread of window `arg` has taken the messages posted to it
  kReadHandles = 4,  // the live handles the program's owners count (a counting build)
};

enum Status : uint32_t {
  kOk = 0,
  kNoMenu = 1,       // no visible popup menu in the process
  kNoMenuHandle = 2, // a popup window whose menu could not be read
  kNoTray = 3,       // no tray window in the process
  kBadRequest = 4,
  kTimedOut = 5,     // the window's thread did not take a marker message in time
  kWindowGone = 6,   // the window was destroyed while waiting
  kNoCounter = 7,    // the executable does not count its handles
};

constexpr uint32_t kTextCapacity = 32768;

struct Block {
  uint32_t op;
  uint32_t arg;     // a window handle for kSync
  uint32_t status;
  uint32_t length;  // UTF-16 units written to text, without terminator
  wchar_t text[kTextCapacity];
};

// The exported entry point, run with CreateRemoteThread.
constexpr const char* kEntryName = "ProbeEntry";

}  // namespace probe
