#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "win/module.h"

int main(int argc, char** argv) {
  // Wine's C runtime misreads a TZ variable; use Wine's own zone.
  _putenv("TZ=");
  _tzset();
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);
  // Dialogs and menus come from the program's resources linked in here.
  TheModule().Init(::GetModuleHandleW(nullptr));
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  TheModule().Term();
  return result;
}
