#include "base/codepage932.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

// The same tables run natively (iconv) and under Wine (the Win32 converter),
// so passing on both means the two halves agree.

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string Encoded(std::u16string_view text) {
  std::string out;
  EncodeCp932(text, out);
  return out;
}

struct CharCase {
  char16_t c;
  const char* bytes;  // nullptr: code page 932 cannot hold it
  const char* note;
};

// Characters whose mapping differs between the Shift_JIS variants, with the
// bytes code page 932 gives them. A character is only encodable when it comes
// back as itself: the one-way mappings some converters apply (U+301C to
// 0x8160, which reads back as U+FF5E) are refused.
const CharCase kChars[] = {
    {u'A', "\x41", "ASCII"},
    {u'\\', "\x5C", "reverse solidus stays 0x5C"},
    {u'~', "\x7E", "tilde stays 0x7E"},
    {0x00A5, nullptr, "yen sign: only a best fit to 0x5C"},
    {0x203E, nullptr, "overline: only a best fit to 0x7E"},
    {0xFF5E, "\x81\x60", "fullwidth tilde"},
    {0x301C, nullptr, "wave dash: 0x8160 reads back as U+FF5E"},
    {0x2225, "\x81\x61", "parallel to"},
    {0x2016, nullptr, "double vertical line: 0x8161 reads back as U+2225"},
    {0xFF0D, "\x81\x7C", "fullwidth hyphen-minus"},
    {0x2212, nullptr, "minus sign: 0x817C reads back as U+FF0D"},
    {0x2015, "\x81\x5C", "horizontal bar"},
    {0x2014, nullptr, "em dash: 0x815C reads back as U+2015"},
    {0xFFE2, "\x81\xCA", "fullwidth not sign"},
    {0x00AC, nullptr, "not sign"},
    {0xFFE0, "\x81\x91", "fullwidth cent sign"},
    {0x00A2, nullptr, "cent sign"},
    {0xFFE1, "\x81\x92", "fullwidth pound sign"},
    {0x00A3, nullptr, "pound sign"},
    {0x2252, "\x81\xE0", "approximately equal: the JIS row, not the NEC 0x8790"},
    {0x2460, "\x87\x40", "circled one (NEC row 13)"},
    {0x2161, "\x87\x55", "roman numeral two: NEC row 13, not IBM 0xFA4B"},
    {0x2170, "\xFA\x40", "small roman numeral one (IBM extension)"},
    {0x7E8A, "\xFA\x5C", "IBM extension kanji, not the NEC-selected 0xED40"},
    {0x9ED1, "\xFC\x4B", "last IBM extension kanji"},
    {0xFA11, "\xFA\xB1", "compatibility ideograph"},
    {0xFF61, "\xA1", "first half-width katakana"},
    {0xFF9F, "\xDF", "last half-width katakana"},
    {0x3000, "\x81\x40", "ideographic space"},
    {0x30FB, "\x81\x45", "katakana middle dot"},
    {0x3042, "\x82\xA0", "hiragana a"},
    {0x4F5C, "\x8D\xEC", "kanji"},
    {0xE000, "\xF0\x40", "first user-defined character"},
    {0xE757, "\xF9\xFC", "last user-defined character"},
    {0xE758, nullptr, "private use beyond the user-defined area"},
    {0x0080, nullptr, "C1 control"},
    {0x00A0, nullptr, "no-break space"},
    {0x00E9, nullptr, "latin small e with acute"},
    {0x20AC, nullptr, "euro sign"},
    {0xFFFD, nullptr, "replacement character"},
};

// FNV-1a of the bytes of every encodable character of the basic plane in
// code order: a fingerprint of the whole map, taken once from iconv and once
// from the Win32 converter, which gave the same value.
constexpr uint32_t kExpectedCodeHash = 0xDCA0B38Bu;

}  // namespace

TEST(Cp932, CharactersThatDifferBetweenVariants) {
  for (const CharCase& c : kChars) {
    const std::u16string_view text(&c.c, 1);
    std::string out;
    const bool encoded = EncodeCp932(text, out);
    EXPECT_EQ(CanEncodeCp932(text), encoded) << c.note;
    if (c.bytes != nullptr) {
      EXPECT_TRUE(encoded) << c.note;
      EXPECT_EQ(Hex(out), Hex(c.bytes)) << c.note;
      EXPECT_EQ(DecodeCp932(out), Text(text)) << c.note;
    } else {
      EXPECT_FALSE(encoded) << c.note;
      EXPECT_EQ(out, "?") << c.note;
    }
  }
}

TEST(Cp932, CharactersOutsideTheBasicPlaneBecomeOneQuestionMark) {
  std::string out;
  EXPECT_FALSE(EncodeCp932(u"a\U0001F600b", out));
  EXPECT_EQ(out, "a?b");
  EXPECT_FALSE(EncodeCp932(u"a" + Text(1, char16_t(0xD800)) + u"b", out));
  EXPECT_EQ(out, "a?b");
  EXPECT_FALSE(CanEncodeCp932(Text(1, char16_t(0xDC00))));
}

// Duplicate codes read as one character; invalid bytes as replacements.
TEST(Cp932, DecodingTakesDuplicateCodesAndReplacesInvalidBytes) {
  struct Case {
    std::string bytes;
    Text text;
  };
  const Case cases[] = {
      {"\x81\xCA", u"\uFFE2"}, {"\xEE\xF9", u"\uFFE2"}, {"\xFA\x54", u"\uFFE2"},  // not sign
      {"\x81\xE6", u"\u2235"}, {"\x87\x9A", u"\u2235"}, {"\xFA\x5B", u"\u2235"},  // because
      {"\xED\x40", u"\u7E8A"}, {"\xFA\x5C", u"\u7E8A"},                            // NEC / IBM kanji
      {"\x87\x55", u"\u2161"}, {"\xFA\x4B", u"\u2161"},                            // roman two
      {"\x81\x60", u"\uFF5E"}, {"\x81\x61", u"\u2225"}, {"\x81\x7C", u"\uFF0D"},
      {"\x80", u"\uFFFD"},
      {"\xA0", u"\uFFFD"},
      {"\xFD\xFE\xFF", u"\uFFFD\uFFFD\uFFFD"},
      {"a\x85\x40z", u"a\uFFFDz"},                // an unassigned pair is one unit
      {"\xEB\x40\x82\xA0", u"\uFFFD\u3042"},
      {"\x82", u"\uFFFD"},                        // a lead byte at the end
      {"\x82 \x82\xA0", u"\uFFFD \u3042"},        // a lead byte without a trail byte
      {"\x81\x7F", u"\uFFFD\x7F"},
      {std::string("\x00\xA1", 2), Text(1, u'\0') + u"\uFF61"},
      {"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCp932(c.bytes), c.text) << Hex(c.bytes);
  }
}

// Every character of the basic plane is either refused, or written as bytes
// that read back as itself. The count is the same on both halves: it is what
// makes them agree on the whole plane, not just on the sample above.
TEST(Cp932, EveryEncodableCharacterRoundTrips) {
  int encodable = 0;
  uint32_t hash = 2166136261u;  // FNV-1a over every character's bytes
  std::string out;
  for (uint32_t code = 0; code < 0x10000; ++code) {
    const char16_t c = static_cast<char16_t>(code);
    const std::u16string_view text(&c, 1);
    if (!EncodeCp932(text, out)) {
      ASSERT_EQ(out, "?") << code;
      continue;
    }
    ++encodable;
    ASSERT_TRUE(out.size() == 1 || out.size() == 2) << code;
    ASSERT_EQ(DecodeCp932(out), Text(text)) << code;
    for (unsigned char b : out) hash = (hash ^ b) * 16777619u;
    hash = (hash ^ 0xFFu) * 16777619u;
  }
  // 128 ASCII, 63 half-width katakana and 9206 double-byte characters
  // (JIS X 0208, the NEC and IBM extensions, the user-defined area).
  EXPECT_EQ(encodable, 128 + 63 + 9206);
  EXPECT_EQ(hash, kExpectedCodeHash);
}

TEST(Cp932, OneBadCharacterSpoilsNothingAroundIt) {
  // A large buffer takes the whole-buffer path; the same buffer with one
  // unencodable character falls back to the per-character tables. Both must
  // give the same bytes for everything else.
  Text good;
  for (int i = 0; i < 2000; ++i) good += u"2010/03/28 09:05,2010/03/28 10:40,作業～会議ｱ\r\n";
  std::string goodBytes;
  ASSERT_TRUE(EncodeCp932(good, goodBytes));
  ASSERT_EQ(DecodeCp932(goodBytes), good);

  const size_t middle = good.size() / 2;
  const Text bad = good.substr(0, middle) + u"\u2212" + good.substr(middle);
  std::string badBytes;
  EXPECT_FALSE(EncodeCp932(bad, badBytes));
  EXPECT_EQ(badBytes, Encoded(good.substr(0, middle)) + "?" + Encoded(good.substr(middle)));

  // And an invalid byte in the middle of the file costs only itself.
  std::string damaged = goodBytes;
  damaged.insert(goodBytes.find('\n', goodBytes.size() / 2) + 1, "\xFF");
  const Text decoded = DecodeCp932(damaged);
  EXPECT_EQ(decoded.size(), good.size() + 1);
  EXPECT_EQ(std::count(decoded.begin(), decoded.end(), u'\uFFFD'), 1);
}
