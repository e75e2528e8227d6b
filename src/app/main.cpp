// Dorvane's entry point.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/run.h"
#include "win/module.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
