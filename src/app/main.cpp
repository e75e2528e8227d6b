// Dorvane's entry point.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/run.h"
#include "win/library_search.h"
#include "win/module.h"

namespace {

// The loader calls the program's TLS callbacks before its entry point, so the
// search is narrowed before the runtime starts and before any constructor
// runs: nothing the program loads, at start-up or later, is looked for in
// its folder or the current directory. (The imports are KnownDLLs, which the
// loader takes from the system directory whatever the search.)
void NTAPI NarrowLibrarySearch(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    library_search::Narrow(library_search::FindSetDefaultDllDirectories(), ::SetDllDirectoryW);
  }
}

}  // namespace

// Sections .CRT$XLA to .CRT$XLZ hold the TLS callbacks, in the order of their
// names; the runtime's own come at .CRT$XLC.
extern "C" {
__attribute__((used, section(".CRT$XLB"))) PIMAGE_TLS_CALLBACK dorvane_narrow_library_search = NarrowLibrarySearch;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
