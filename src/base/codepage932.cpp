#include "base/codepage932.h"

#include <cstdint>
#include <vector>

#include "base/codepage932_platform.h"

// Whole buffers go through the platform's converter in one call. Only when
// that reports a problem (an invalid byte, a character without a form) is the
// buffer converted again through tables built once from the same converter,
// one unit at a time, so that one bad character costs neither the rest of the
// buffer nor the speed of the common case.

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr uint16_t kNone = 0xFFFF;  // neither a character nor a byte pair

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
// 0x80, 0xA0 and 0xFD to 0xFF are not characters of code page 932, whatever
// a converter might make of them.
bool IsSingleByteChar(unsigned char b) { return b < 0x80 || (b >= 0xA1 && b <= 0xDF); }

// Code page 932 units to UTF-16: a single byte b at index b, a pair at
// lead * 256 + trail (leads start at 0x81, so the two ranges never meet).
const std::vector<uint16_t>& DecodeTable() {
  static const std::vector<uint16_t> table = [] {
    std::vector<uint16_t> t(0x10000, kNone);
    std::u16string unit;
    for (unsigned b = 0; b < 0x100; ++b) {
      const char single = static_cast<char>(b);
      if (IsSingleByteChar(static_cast<unsigned char>(b)) &&
          cp932_platform::Decode(std::string_view(&single, 1), unit) && unit.size() == 1) {
        t[b] = unit[0];
      }
      if (!IsLeadByte(static_cast<unsigned char>(b))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(static_cast<unsigned char>(trail))) continue;
        const char pair[2] = {static_cast<char>(b), static_cast<char>(trail)};
        if (cp932_platform::Decode(std::string_view(pair, 2), unit) && unit.size() == 1 &&
            unit[0] != kNone) {
          t[b * 0x100 + trail] = unit[0];
        }
      }
    }
    return t;
  }();
  return table;
}

// UTF-16 units to code page 932 (a value below 0x100 is one byte, otherwise
// lead * 256 + trail). A character is in the table only when the platform
// converts it without a best fit and the bytes decode back to it: U+301C
// WAVE DASH, for one, is written as 0x8160 by some converters, but 0x8160
// reads back as U+FF5E, so it is not a character code page 932 can hold.
const std::vector<uint16_t>& EncodeTable() {
  static const std::vector<uint16_t> table = [] {
    const std::vector<uint16_t>& decode = DecodeTable();
    std::vector<uint16_t> t(0x10000, kNone);
    std::string bytes;
    for (size_t code = 0; code < decode.size(); ++code) {
      const uint16_t c = decode[code];
      if (c == kNone || t[c] != kNone) continue;
      const char16_t unit = c;
      if (!cp932_platform::Encode(std::u16string_view(&unit, 1), bytes)) continue;
      uint16_t encoded = kNone;
      if (bytes.size() == 1) {
        encoded = static_cast<unsigned char>(bytes[0]);
      } else if (bytes.size() == 2) {
        encoded = static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) * 0x100 +
                                        static_cast<unsigned char>(bytes[1]));
      }
      if (encoded != kNone && decode[encoded] == c) t[c] = encoded;
    }
    return t;
  }();
  return table;
}

// True when the bytes are made of whole code page 932 units (a lead byte
// followed by a trail byte, or a single-byte character). Whether each pair
// has a character is left to the converter.
bool IsWellFormed(std::string_view bytes) {
  const size_t n = bytes.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) continue;
    if (IsLeadByte(b)) {
      if (i + 1 >= n || !IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) return false;
      ++i;
    } else if (!IsSingleByteChar(b)) {
      return false;
    }
  }
  return true;
}

// A lead byte followed by a trail byte is one unit even when the pair has no
// character (one U+FFFD); a lead byte without a trail byte is one bad byte,
// and what follows it is read afresh.
Text DecodeByTable(std::string_view bytes) {
  const std::vector<uint16_t>& table = DecodeTable();
  Text out;
  out.reserve(bytes.size());
  const size_t n = bytes.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    uint16_t c = kNone;
    if (IsLeadByte(b)) {
      if (i + 1 < n && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
        c = table[b * 0x100u + static_cast<unsigned char>(bytes[i + 1])];
        ++i;
      }
    } else {
      c = table[b];
    }
    out.push_back(c == kNone ? kReplacement : static_cast<char16_t>(c));
  }
  return out;
}

bool EncodeByTable(std::u16string_view text, std::string& out) {
  const std::vector<uint16_t>& table = EncodeTable();
  out.clear();
  out.reserve(text.size() * 2);
  bool complete = true;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    const uint16_t code = table[c];
    if (code == kNone) {
      // A surrogate pair is one character, so one '?'.
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        ++i;
      }
      out.push_back('?');
      complete = false;
    } else if (code < 0x100) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
  }
  return complete;
}

}  // namespace

Text DecodeCp932(std::string_view bytes) {
  Text out;
  if (bytes.empty()) return out;
  if (IsWellFormed(bytes) && cp932_platform::Decode(bytes, out)) return out;
  return DecodeByTable(bytes);
}

bool EncodeCp932(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  // The round trip rejects one-way mappings that a converter accepts without
  // calling them a best fit.
  if (cp932_platform::Encode(text, out) && DecodeCp932(out) == text) return true;
  return EncodeByTable(text, out);
}

bool CanEncodeCp932(std::u16string_view text) {
  std::string scratch;
  return EncodeCp932(text, scratch);
}
