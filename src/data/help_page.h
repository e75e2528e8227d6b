// Where the help page is. What the user is told when the shell cannot open
// it is in the shell's table of messages.
#pragma once

#include "base/text.h"

// The working directory followed by "\help\index.html", joined as they
// stand: a directory that already ends in a separator (the root of a drive)
// gives a doubled one, which the shell accepts.
Text HelpPagePath(const Text& workingDirectory);
