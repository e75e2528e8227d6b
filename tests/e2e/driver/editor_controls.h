// Driver subcommands that read and work the controls of a dialog of another
// process: list views, date-time pickers, combo boxes and buttons. Each
// finds the dialog as a visible top-level window of the process by its title.
#pragma once

namespace driver {

// controls --pid P --title T: the owner and the controls of a dialog, one a line.
int DialogControlsCommand(int argc, wchar_t** argv);
// listview read|point ...: a list view's columns and rows, or a row's point.
int ListViewCommand(int argc, wchar_t** argv);
// picker get ...: a date-time picker's value.
int PickerCommand(int argc, wchar_t** argv);
// combo read|select ...: a combo box's entries and selection.
int ComboCommand(int argc, wchar_t** argv);
// press --id N ...: clicks a button.
int PressCommand(int argc, wchar_t** argv);

}  // namespace driver
