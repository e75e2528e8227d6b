// Text is UTF-16 on every platform. On Win32 it goes to the W functions as
// wchar_t (see WStr); elsewhere it is converted at the edges only.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

using Text = std::u16string;

// The wvsprintfW conversions this program uses, and nothing more:
// %d %i %u %x %X %c %s %% with the '-' and '0' flags and a width
// (for example "%02u", "%06X"). %s takes a const char16_t*, %c a char16_t
// promoted to int. No floating point, as with wvsprintfW.
Text FormatText(const char16_t* format, ...);
Text FormatTextV(const char16_t* format, va_list args);

Text TextFromUtf8(std::string_view utf8);
std::string TextToUtf8(const Text& text);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");
inline const wchar_t* WStr(const Text& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline Text FromWStr(const wchar_t* text) {
  return text ? Text(reinterpret_cast<const char16_t*>(text)) : Text();
}
#endif
