// Dorvane's entry point.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/run.h"
#include "win/module.h"

namespace {

// Every library loaded from here on (the file and print dialogs, printer
// drivers, the shell's) comes from the system directory, never from the
// program's folder or the current directory, which for a download is
// Downloads. SetDefaultDllDirectories is missing on Windows 7 without its
// update, so it is looked up; where it is missing, SetDllDirectoryW(L"") at
// least takes the current directory out of the search.
void NarrowLibrarySearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  ::SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  NarrowLibrarySearch();
  // A corrupted heap ends the process instead of running on.
  ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
  ::CoInitialize(nullptr);
  // Makes sure user32 has set the thread up for windows before anything else.
  ::DefWindowProcW(nullptr, 0, 0, 0);
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);
  TheModule().Init(instance);

  int exitCode = Run();

  TheModule().Term();
  ::CoUninitialize();
  return exitCode;
}
