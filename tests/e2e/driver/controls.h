// The "ctl" command of the driver: reads and works the controls of another
// process's dialog (list views, edit fields, buttons) as a user would see
// and touch them.
#pragma once

namespace driver {

int ControlsCommand(int argc, wchar_t** argv);

}  // namespace driver
