// Which item names the record file can hold. A record's line starts with its
// name up to the first white space; commas become spaces and quotes drop out
// when the line is read back, and the file is code page 932. A name outside
// these rules would come back as another name, or make its line unreadable.
// The tracker, the settings dialog and the record editor refuse such names.
#pragma once

#include "base/text.h"

// White space as the C library's wide "%s" conversion stops at: the ASCII
// separators (tab, LF, VT, FF, CR, space) and the Unicode spaces, among them
// the ideographic space U+3000 of Japanese text. Our own table, so the answer
// does not depend on the C library's locale.
bool IsRecordFileSpace(char16_t c);

// False for an empty name, a name longer than the reader takes (1023 units)
// and a name with NUL, white space, a comma, a double quote, an apostrophe
// or a character that code page 932 cannot hold: every other name is written
// and read back unchanged.
bool RecordFileCanHoldName(const Text& name);
