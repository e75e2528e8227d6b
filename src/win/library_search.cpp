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

std::wstring SystemLibraryPath(const wchar_t* name) {
  wchar_t directory[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring path(directory, length);
  if (path.back() != L'\\') path += L'\\';
  return path + name;
}

HMODULE LoadFromSystem(const wchar_t* name, LoadLibraryExFn load, bool searchFlags) {
  const std::wstring path = SystemLibraryPath(name);
  if (path.empty()) return nullptr;
  // The full path, and the library's own dependencies from the system
  // directory only. LOAD_WITH_ALTERED_SEARCH_PATH, where the search flags are
  // missing (Windows 7 without its update), looks for them in the library's
  // folder first but still ends its search in the Windows folder and PATH.
  return load(path.c_str(), nullptr,
              searchFlags ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace library_search
