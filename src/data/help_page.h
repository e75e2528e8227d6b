// The help page: where it is, and what the user is told when the shell
// cannot open it. Kept apart from the shell call so that the table of
// messages can be checked on any platform.
#pragma once

#include <cstdint>

#include "base/text.h"

// The working directory followed by "\help\index.html", joined as they
// stand: a directory that already ends in a separator (the root of a drive)
// gives a doubled one, which the shell accepts.
Text HelpPagePath(const Text& workingDirectory);

struct HelpFailure {
  Text text;
  Text caption;
};

// The shell's result for opening the help page: above 32 it opened, and
// false is returned. Anything else fills `failure` with the message box's
// text and caption and returns true. The result is the shell's instance
// value taken as a signed integer, as the shell documents.
bool HelpOpenFailed(std::intptr_t shellResult, HelpFailure& failure);
