// How the driver talks to the probe DLL inside another process (the program,
// or Wine's explorer.exe for the tray). The driver loads the probe once per
// process with a message hook on that process's GUI thread; the probe then
// makes a message-only window there and answers each request, sent as a
// message to that window, in a shared-memory block the driver created.
// Nothing runs in the other process on a thread of the driver's making.
#pragma once

#include <cstdint>

namespace probe {

enum Op : uint32_t {
  kReadMenu = 1,   // the open popup menu of this process
  kReadTray = 2,   // the icons of Wine's tray (run inside the tray's process)
  kSync = 3,       // wait until the thread of window `arg` has taken the messages posted to it
  kReadHandles = 4,  // the live handles the program's owners count (a counting build)
  kLoadByName = 5,   // load kPlantName by its bare name: "loaded PATH" or "refused ERROR"
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

// A library only the working directory holds (a copy of the probe): a
// process whose library search is narrowed never finds it by name.
constexpr const wchar_t* kPlantName = L"dorvane_plant.dll";

struct Block {
  uint32_t status;
  uint32_t length;  // UTF-16 units written to text, without terminator
  wchar_t text[kTextCapacity];
};

// The probe's window (message-only, one per process); the version in the
// class name keeps a driver away from a probe of another build still pinned
// in a long-lived process such as explorer.exe.
constexpr const wchar_t* kWindowClass = L"DorvaneProbe3";
// A request: message kRequest + op to the probe's window, the driver's pid
// in lParam; the answer goes to the block named kBlockName + that pid.
constexpr unsigned kRequest = 0x8000 + 0x60;  // WM_APP + 0x60
constexpr const wchar_t* kBlockName = L"Local\\DorvaneProbeBlock";
// The barrier: the driver posts WM_NULL with wParam kMarker and its pid in
// lParam to a window; the probe's hook on that window's thread sets the event
// kMarkerEventName + pid when the thread takes it from its queue.
constexpr uintptr_t kMarker = 0x44525653;  // "DRVS"
constexpr const wchar_t* kMarkerEventName = L"Local\\DorvaneProbeMarker";

// The probe's exported hook procedure, which the driver hooks (WH_GETMESSAGE)
// onto the GUI thread so that the thread itself loads the probe.
constexpr const char* kHookName = "ProbeHook";

}  // namespace probe
