// Runs the probe DLL's entry point inside another process: the DLL is loaded
// there with a remote thread on LoadLibraryW, its entry point is called on a
// second remote thread with a block in that process's memory, the answer is
// read back and the DLL unloaded again.
#pragma once

#include <windows.h>

#include <string>

#include "probe_protocol.h"

namespace driver {

// Memory in the other process, released with the owner.
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

ProbeAnswer CallProbe(DWORD pid, probe::Op op, uint32_t arg = 0);

}  // namespace driver
