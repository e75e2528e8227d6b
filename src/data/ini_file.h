// The settings file's INI codec, the same on every platform so that the file
// reads alike whatever the system's ANSI code page is.
//
// Reading follows what people who edit INI files by hand expect: section and
// key names match without regard to (ASCII) case, white space around keys and
// values is trimmed, one pair of double quotes around a value is dropped,
// lines starting with ';' are comments, the first occurrence of a key wins,
// lines end with CR LF, LF or CR. The encoding comes from the byte-order mark:
// none means code page 932, else UTF-8 or UTF-16 (either byte order).
//
// Parsing is a pure function from bytes to IniFile and never fails, so a
// fuzzer can call it directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

enum class IniEncoding { kCp932, kUtf8Bom, kUtf16LeBom, kUtf16BeBom };

struct IniEntry {
  Text key;
  Text value;
};

struct IniSection {
  Text name;
  std::vector<IniEntry> entries;  // in file order, duplicates kept
};

struct IniFile {
  IniEncoding encoding = IniEncoding::kCp932;
  std::vector<IniSection> sections;  // in file order, duplicates kept

  // The value of the first matching key in the first matching section that
  // has it; null when there is none.
  const Text* Find(std::u16string_view section, std::u16string_view key) const;
  // The value as text, or `fallback` when the key is missing.
  Text GetText(std::u16string_view section, std::u16string_view key,
               const Text& fallback) const;
  // The value by the profile-integer rule, or `fallback` when the key is
  // missing or its value empty.
  int32_t GetInt(std::u16string_view section, std::u16string_view key, int32_t fallback) const;
};

IniFile ParseIni(std::string_view bytes);

// Optional sign, then "0x" introduces hexadecimal digits, otherwise decimal
// digits; reading stops at the first character that is not a digit of the
// base, and what was read so far counts (nothing read gives 0). The value is
// taken modulo 2^32 as the profile functions do, so "0xFFFFFFFF" is -1.
int32_t ParseProfileInt(std::u16string_view value);

// The whole file: each section as "[name]" then "key=value" lines, every line
// ending in CR LF, in the file's encoding with its byte-order mark. A value
// that reading would change (white space at either end, or enclosing double
// quotes) is written inside double quotes so that it reads back unchanged;
// CR and LF inside a key or value are written as spaces, so that no value can
// start a line of its own. When the encoding is code page 932 and some text
// has no code page 932 form, the file is written as UTF-8 with a byte-order
// mark instead, so that nothing is lost; `written_as` (if given) receives the
// encoding used.
std::string WriteIni(const IniFile& file, IniEncoding* written_as = nullptr);
