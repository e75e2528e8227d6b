// Runs the probe DLL's entry point inside another process: the DLL is loaded
// there with a remote thread on LoadLibraryW, its entry point is called on a
// second remote thread with a block in that process's memory, the answer is
// read back and the DLL unloaded again.
#pragma once

#include <windows.h>

#include <string>

#include "probe_protocol.h"

namespace driver {

struct ProbeAnswer {
  bool called = false;    // false: the call itself failed (see error)
  uint32_t status = 0;    // probe::Status when called
  std::wstring text;
  std::wstring error;
};

ProbeAnswer CallProbe(DWORD pid, probe::Op op, uint32_t arg = 0);

}  // namespace driver
