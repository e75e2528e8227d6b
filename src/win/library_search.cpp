#include "win/library_search.h"

namespace library_search {

SetDefaultDllDirectoriesFn FindSetDefaultDllDirectories() {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  // The usual two-step cast: GetProcAddress hands every export out as FARPROC.
  return reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

void Narrow(SetDefaultDllDirectoriesFn setDefault, SetDllDirectoryFn setDirectory) {
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  setDirectory(L"");
}

}  // namespace library_search
