// Code page 932 (the Windows form of Shift_JIS), the encoding of the record
// file and of a settings file without a byte-order mark.
// Win32: MultiByteToWideChar/WideCharToMultiByte with 932.
// POSIX: iconv "CP932". Both halves agree on which characters code page 932
// can hold: a character whose conversion is only a best fit (it would not come
// back as itself) counts as one it cannot hold.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

// Converts the whole text at once (convert whole files, not single records:
// a conversion per record is the slow path). Returns false when some
// character has no code page 932 form; those are written as '?' and the rest
// is converted.
bool EncodeCp932(std::u16string_view text, std::string& out);

// Bytes that are not valid code page 932 become U+FFFD; the decoder never
// fails.
Text DecodeCp932(std::string_view bytes);

// True when every character of the text has a code page 932 form.
bool CanEncodeCp932(std::u16string_view text);
