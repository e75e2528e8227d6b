// The driver's "dialog" subcommand: reads and works a dialog box of the
// program (About and the other modal boxes) from outside.
#pragma once

#include <windows.h>

namespace driver {

int DialogCommand(int argc, wchar_t** argv);

}  // namespace driver
