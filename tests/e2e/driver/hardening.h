// Driver subcommands of the hardening tests: a file held open by another
// program, and the handle counts of a counting build.
#pragma once

namespace driver {

// hold-file PATH --ready-file R --release-file F [--timeout MS]
int HoldFileCommand(int argc, wchar_t** argv);

// handles --pid P
int HandlesCommand(int argc, wchar_t** argv);

}  // namespace driver
