#include "data/ini_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Utf16Bytes(std::u16string_view text, bool big_endian) {
  std::string bytes;
  for (char16_t c : text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    bytes += big_endian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

IniFile OneSection(IniEncoding encoding, std::vector<IniEntry> entries) {
  IniFile file;
  file.encoding = encoding;
  file.sections.push_back({u"S", std::move(entries)});
  return file;
}

void ExpectSameContent(const IniFile& expected, const IniFile& actual) {
  ASSERT_EQ(expected.sections.size(), actual.sections.size());
  for (size_t s = 0; s < expected.sections.size(); ++s) {
    const IniSection& want = expected.sections[s];
    const IniSection& got = actual.sections[s];
    EXPECT_EQ(want.name, got.name);
    ASSERT_EQ(want.entries.size(), got.entries.size()) << "section " << s;
    for (size_t e = 0; e < want.entries.size(); ++e) {
      EXPECT_EQ(want.entries[e].key, got.entries[e].key) << "section " << s << " entry " << e;
      EXPECT_EQ(want.entries[e].value, got.entries[e].value) << "section " << s << " entry " << e;
    }
  }
}

}  // namespace

TEST(ProfileInt, SignHexDecimalAndStopAtFirstNonDigit) {
  struct Case {
    const char16_t* text;
    int32_t value;
  };
  const Case cases[] = {
      {u"0", 0},
      {u"12", 12},
      {u"+7", 7},
      {u"-1", -1},
      {u"08", 8},  // decimal, not octal
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"0x0000FF", 0xFF},
      {u"0xFF0000", 0xFF0000},
      {u"-0x10", -16},
      {u"0xFFFFFFFF", -1},  // taken modulo 2^32
      {u"4294967295", -1},
      {u"4294967296", 0},
      {u"0x100000001", 1},
      {u"12abc", 12},
      {u"1.5", 1},
      {u"0x12G4", 0x12},
      {u"abc", 0},
      {u"0x", 0},
      {u"0xG", 0},
      {u"-", 0},
      {u"--5", 0},
      {u"- 5", 0},
      {u" 5", 0},
      {u"\uFF15", 0},  // a full-width digit is not a digit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value, ParseProfileInt(c.text)) << TextToUtf8(c.text);
  }
}

TEST(IniParse, MissingOrEmptyValueGivesTheDefault) {
  const IniFile file = ParseIni("[S]\r\nempty=\r\nquotes=\"\"\r\nzero=0\r\nblank=   \r\n");
  EXPECT_EQ(-1, file.GetInt(u"S", u"missing", -1));
  EXPECT_EQ(-1, file.GetInt(u"S", u"empty", -1));
  EXPECT_EQ(-1, file.GetInt(u"S", u"quotes", -1));
  EXPECT_EQ(-1, file.GetInt(u"S", u"blank", -1));
  EXPECT_EQ(0, file.GetInt(u"S", u"zero", -1));
  EXPECT_EQ(-1, file.GetInt(u"Other", u"zero", -1));
  EXPECT_EQ(u"fallback", file.GetText(u"S", u"missing", u"fallback"));
  EXPECT_EQ(u"", file.GetText(u"S", u"empty", u"fallback"));
}

TEST(IniParse, QuotesSpacesCommentsCaseAndDuplicates) {
  const IniFile file = ParseIni(
      "before=no section\r\n"
      "; ITEM1_NAME=comment\r\n"
      "\t ; indented comment\r\n"
      "  [ item ]  trailing text\r\n"
      "  Key1 \t=  value with  inner  spaces \t \r\n"
      "key2=\"  quoted  \"\r\n"
      "key3=\"unbalanced\r\n"
      "key4=a\"b\"\r\n"
      "key5=\"\"twice\"\"\r\n"
      "key6=x ; not a comment\r\n"
      "KEY1=second occurrence\r\n"
      "no equals sign\r\n"
      "=no key\r\n"
      "[Other]\r\n"
      "key7=other section\r\n"
      "[ITEM]\r\n"
      "key7=second ITEM section\r\n"
      "key1=third occurrence\r\n");
  EXPECT_EQ(nullptr, file.Find(u"", u"before"));
  EXPECT_EQ(nullptr, file.Find(u"ITEM", u"ITEM1_NAME"));
  EXPECT_EQ(u"value with  inner  spaces", file.GetText(u"ITEM", u"KEY1", u"?"));
  EXPECT_EQ(u"  quoted  ", file.GetText(u"Item", u"key2", u"?"));
  EXPECT_EQ(u"\"unbalanced", file.GetText(u"ITEM", u"key3", u"?"));
  EXPECT_EQ(u"a\"b\"", file.GetText(u"ITEM", u"key4", u"?"));
  EXPECT_EQ(u"\"twice\"", file.GetText(u"ITEM", u"key5", u"?"));
  EXPECT_EQ(u"x ; not a comment", file.GetText(u"ITEM", u"key6", u"?"));
  EXPECT_EQ(u"?", file.GetText(u"ITEM", u"no equals sign", u"?"));
  EXPECT_EQ(u"other section", file.GetText(u"OTHER", u"key7", u"?"));
  // A section that appears twice is searched in file order.
  EXPECT_EQ(u"second ITEM section", file.GetText(u"item", u"KEY7", u"?"));
  ASSERT_EQ(3u, file.sections.size());
  EXPECT_EQ(u"item", file.sections[0].name);
  EXPECT_EQ(7u, file.sections[0].entries.size());  // duplicates are kept, not used
}

TEST(IniParse, LineEndsAndMissingFinalLineEnd) {
  const char* variants[] = {
      "[S]\r\na=1\r\nb=2\r\n",
      "[S]\na=1\nb=2\n",
      "[S]\ra=1\rb=2\r",
      "[S]\na=1\r\nb=2",
      "\r\n\n[S]\r\n\r\na=1\n\nb=2\r\n\r\n",
  };
  for (const char* bytes : variants) {
    const IniFile file = ParseIni(bytes);
    ASSERT_EQ(1u, file.sections.size()) << bytes;
    ASSERT_EQ(2u, file.sections[0].entries.size()) << bytes;
    EXPECT_EQ(1, file.GetInt(u"S", u"a", 0));
    EXPECT_EQ(u"2", file.GetText(u"S", u"b", u""));
  }
}

TEST(IniParse, EncodingFollowsTheByteOrderMark) {
  const std::u16string text = u"[S]\r\nname=作業\r\n";
  struct Case {
    std::string bytes;
    IniEncoding encoding;
  };
  const Case cases[] = {
      {"[S]\r\nname=\x8D\xEC\x8B\xC6\r\n", IniEncoding::kCp932},
      {"\xEF\xBB\xBF[S]\r\nname=\xE4\xBD\x9C\xE6\xA5\xAD\r\n", IniEncoding::kUtf8Bom},
      {"\xFF\xFE" + Utf16Bytes(text, false), IniEncoding::kUtf16LeBom},
      {"\xFE\xFF" + Utf16Bytes(text, true), IniEncoding::kUtf16BeBom},
  };
  for (const Case& c : cases) {
    const IniFile file = ParseIni(c.bytes);
    EXPECT_EQ(c.encoding, file.encoding);
    EXPECT_EQ(u"作業", file.GetText(u"S", u"NAME", u"?"));
    // Written back byte for byte in the same encoding.
    EXPECT_EQ(c.bytes, WriteIni(file));
  }
}

TEST(IniParse, DamagedInputNeverFails) {
  using namespace std::string_literals;
  // An odd number of UTF-16 bytes: the last byte becomes a replacement.
  IniFile file = ParseIni("\xFF\xFE"s + Utf16Bytes(u"[S]\nk=a", false) + "\x20");
  EXPECT_EQ(u"a\uFFFD", file.GetText(u"S", u"k", u"?"));
  // A code page 932 lead byte with no trail byte.
  file = ParseIni("[S]\nk=a\x81");
  EXPECT_EQ(u"a\uFFFD", file.GetText(u"S", u"k", u"?"));
  // NUL characters are ordinary characters.
  file = ParseIni("[S]\nk=a\0b\n"s);
  EXPECT_EQ(u"a\0b"s, file.GetText(u"S", u"k", u"?"));
  for (const std::string& bytes : {""s, "\xEF\xBB\xBF"s, "\xFF\xFE"s, "\xFE\xFF\x00"s, "[\n=\n;"s}) {
    file = ParseIni(bytes);
    EXPECT_EQ(nullptr, file.Find(u"", u"")) << bytes;
  }
}

TEST(IniWrite, PlainValuesAreWrittenAsTheyAreWithCrLf) {
  IniFile file = OneSection(IniEncoding::kCp932, {{u"ITEM1_NAME", u"会議 A"}, {u"K", u""}});
  file.sections.push_back({u"T", {{u"x", u"0x0000FF"}}});
  EXPECT_EQ("[S]\r\nITEM1_NAME=\x89\xEF\x8B\x63 A\r\nK=\r\n[T]\r\nx=0x0000FF\r\n", WriteIni(file));
}

TEST(IniWrite, ValuesThatReadingWouldChangeAreQuoted) {
  const IniFile file = OneSection(IniEncoding::kCp932, {
                                                           {u"lead", u" a"},
                                                           {u"trail", u"a\t"},
                                                           {u"quoted", u"\"a\""},
                                                           {u"quote", u"\""},
                                                           {u"inner", u"a \"b\" c"},
                                                           {u"equals", u"a=b"},
                                                           {u"semicolon", u";a"},
                                                           {u"bracket", u"[a]"},
                                                       });
  const std::string bytes = WriteIni(file);
  EXPECT_NE(std::string::npos, bytes.find("\r\nlead=\" a\"\r\n"));
  EXPECT_NE(std::string::npos, bytes.find("\r\nquoted=\"\"a\"\"\r\n"));
  EXPECT_NE(std::string::npos, bytes.find("\r\ninner=a \"b\" c\r\n"));
  ExpectSameContent(file, ParseIni(bytes));
}

TEST(IniWrite, LineBreaksInAValueCannotAddKeys) {
  const IniFile file =
      OneSection(IniEncoding::kCp932, {{u"ITEM1_NAME", u"a\r\nITEM2_COLOR=0\n[X]\rb"}});
  const IniFile read = ParseIni(WriteIni(file));
  ASSERT_EQ(1u, read.sections.size());
  ASSERT_EQ(1u, read.sections[0].entries.size());
  EXPECT_EQ(u"a  ITEM2_COLOR=0 [X] b", read.sections[0].entries[0].value);
}

TEST(IniWrite, TextOutsideCodePage932IsWrittenAsUtf8InsteadOfLost) {
  // U+20BB7 (a surrogate pair) and U+2603 have no code page 932 form.
  const IniFile file = OneSection(IniEncoding::kCp932, {{u"a", u"作業"}, {u"b", u"\U00020BB7\u2603"}});
  IniEncoding written_as = IniEncoding::kCp932;
  const std::string bytes = WriteIni(file, &written_as);
  EXPECT_EQ(IniEncoding::kUtf8Bom, written_as);
  const IniFile read = ParseIni(bytes);
  EXPECT_EQ(IniEncoding::kUtf8Bom, read.encoding);
  ExpectSameContent(file, read);

  // Text that code page 932 holds stays in code page 932.
  const IniFile plain = OneSection(IniEncoding::kCp932, {{u"a", u"作業～"}});
  WriteIni(plain, &written_as);
  EXPECT_EQ(IniEncoding::kCp932, written_as);
}

// Whatever the bytes, what the writer makes of a parsed file parses to the
// same content, and writing that again gives the same bytes.
TEST(IniWrite, ParsedContentIsAFixedPointOfWriteAndParse) {
  const std::string alphabet = "[]=;\" \t\r\nabAB0x\x81\x82\x5C\xEF\xBB\xBF\xFF\xFE";
  std::mt19937 random(20240601);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<size_t> length(0, 60);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    for (size_t n = length(random); n > 0; --n) bytes.push_back(alphabet[pick(random)]);
    const IniFile parsed = ParseIni(bytes);
    const std::string written = WriteIni(parsed);
    const IniFile reparsed = ParseIni(written);
    SCOPED_TRACE(testing::PrintToString(bytes));
    ExpectSameContent(parsed, reparsed);
    EXPECT_EQ(written, WriteIni(reparsed));
    if (HasFailure()) break;
  }
}
