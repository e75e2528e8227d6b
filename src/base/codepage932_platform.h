// The two conversions each platform supplies for the code page 932 codec
// (codepage932_win32.cpp, codepage932_posix.cpp). Both work on whole buffers
// and are strict: they report failure instead of substituting anything; the
// portable half (codepage932.cpp) decides what a failure becomes.
#pragma once

#include <string>
#include <string_view>

namespace cp932_platform {

// False when some character has no code page 932 form other than a best fit.
bool Encode(std::u16string_view text, std::string& out);

// False when some byte sequence is not valid code page 932.
bool Decode(std::string_view bytes, std::u16string& out);

}  // namespace cp932_platform
