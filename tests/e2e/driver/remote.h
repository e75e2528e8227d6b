// Asks the probe DLL inside another process (see probe_protocol.h). The first
// request to a process loads the probe there with a message hook on its GUI
// thread, so the thread loads it itself between two messages; every request
// after that is a message to the probe's window, handled on that thread.
#pragma once

#include <windows.h>

#include <string>

#include "probe_protocol.h"

namespace driver {

// Memory in the other process, released with the owner (for controls whose
// messages carry pointers that the system does not marshal).
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteMemory() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  void* get() const { return address_; }

 private:
  HANDLE process_;
  void* address_;
};

struct ProbeAnswer {
  bool called = false;    // false: the call itself failed (see error)
  uint32_t status = 0;    // probe::Status when called
  std::wstring text;
  std::wstring error;
};

// kSync takes the window in arg and waits for its thread; the others ask
// the process's GUI thread (for kReadTray, the thread of Wine's tray).
ProbeAnswer CallProbe(DWORD pid, probe::Op op, uint32_t arg = 0);

}  // namespace driver
