#include "base/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

enum class Arg { None, Int, Unsigned, Char, String };

struct FormatCase {
  const char16_t* format;
  Arg kind;
  long long number;  // Int, Unsigned and Char
  const char16_t* text;  // String
  const char16_t* expected;
};

const FormatCase kFormats[] = {
    {u"%d", Arg::Int, 0, nullptr, u"0"},
    {u"%d", Arg::Int, -42, nullptr, u"-42"},
    {u"%i", Arg::Int, 2010, nullptr, u"2010"},
    {u"%d", Arg::Int, INT_MIN, nullptr, u"-2147483648"},
    {u"%d", Arg::Int, INT_MAX, nullptr, u"2147483647"},
    {u"[%5d]", Arg::Int, -42, nullptr, u"[  -42]"},
    {u"[%-5d]", Arg::Int, -42, nullptr, u"[-42  ]"},
    {u"[%05d]", Arg::Int, -42, nullptr, u"[-0042]"},
    {u"[%-05d]", Arg::Int, 42, nullptr, u"[42   ]"},
    {u"[%2d]", Arg::Int, 12345, nullptr, u"[12345]"},
    {u"%02u", Arg::Unsigned, 5, nullptr, u"05"},
    {u"%02u", Arg::Unsigned, 0, nullptr, u"00"},
    {u"%02u", Arg::Unsigned, 123, nullptr, u"123"},
    {u"%u", Arg::Unsigned, 4294967295LL, nullptr, u"4294967295"},
    {u"%u", Arg::Int, -1, nullptr, u"4294967295"},
    {u"%x", Arg::Unsigned, 0xBEEF, nullptr, u"beef"},
    {u"%X", Arg::Unsigned, 0xBEEF, nullptr, u"BEEF"},
    {u"%06X", Arg::Unsigned, 0xAB, nullptr, u"0000AB"},
    {u"%06X", Arg::Unsigned, 0xFF8000, nullptr, u"FF8000"},
    {u"%08x", Arg::Unsigned, 0xFFFFFFFFLL, nullptr, u"ffffffff"},
    {u"%X", Arg::Int, -1, nullptr, u"FFFFFFFF"},
    {u"%c", Arg::Char, u'あ', nullptr, u"あ"},
    {u"[%3c]", Arg::Char, u'x', nullptr, u"[  x]"},
    {u"[%-3c]", Arg::Char, u'x', nullptr, u"[x  ]"},
    {u"%s", Arg::String, 0, u"作業", u"作業"},
    {u"%s", Arg::String, 0, u"", u""},
    {u"[%5s]", Arg::String, 0, u"ab", u"[   ab]"},
    {u"[%-5s]", Arg::String, 0, u"ab", u"[ab   ]"},
    {u"[%1s]", Arg::String, 0, u"会議", u"[会議]"},
    {u"[%05s]", Arg::String, 0, u"ab", u"[   ab]"},
    {u"%s", Arg::String, 0, nullptr, u"(null)"},
    {u"100%%", Arg::None, 0, nullptr, u"100%"},
    {u"%%d%%", Arg::None, 0, nullptr, u"%d%"},
    {u"ファイルを開けませんでした\r\n%s", Arg::String, 0, u"C:\\work\\data.csv",
     u"ファイルを開けませんでした\r\nC:\\work\\data.csv"},
};

Text Ours(const FormatCase& c) {
  switch (c.kind) {
    case Arg::Int:
      return FormatText(c.format, static_cast<int>(c.number));
    case Arg::Unsigned:
      return FormatText(c.format, static_cast<unsigned>(c.number));
    case Arg::Char:
      return FormatText(c.format, static_cast<int>(c.number));
    case Arg::String:
      return FormatText(c.format, c.text);
    case Arg::None:
      break;
  }
  return FormatText(c.format);
}

#ifdef _WIN32
Text Platform(const FormatCase& c) {
  wchar_t buffer[1025] = {};
  const wchar_t* format = reinterpret_cast<const wchar_t*>(c.format);
  switch (c.kind) {
    case Arg::Int:
      wsprintfW(buffer, format, static_cast<int>(c.number));
      break;
    case Arg::Unsigned:
      wsprintfW(buffer, format, static_cast<unsigned>(c.number));
      break;
    case Arg::Char:
      wsprintfW(buffer, format, static_cast<int>(c.number));
      break;
    case Arg::String:
      wsprintfW(buffer, format, reinterpret_cast<const wchar_t*>(c.text));
      break;
    case Arg::None:
      wsprintfW(buffer, format);
      break;
  }
  return FromWStr(buffer);
}
#endif

std::string Utf8Of(const Text& t) { return TextToUtf8(t); }

}  // namespace

TEST(FormatText, ConversionsFlagsAndWidths) {
  for (const FormatCase& c : kFormats) {
    EXPECT_EQ(Ours(c), Text(c.expected)) << "format " << Utf8Of(c.format);
#ifdef _WIN32
    // The platform's own formatter is the reference for every case.
    EXPECT_EQ(Ours(c), Platform(c)) << "format " << Utf8Of(c.format);
#endif
  }
}

TEST(FormatText, SeveralArgumentsInOrder) {
  const Text line = FormatText(u"%04u/%02u/%02u %02u:%02u,%s,%c%d", 2010u, 3u, 28u, 2u, 5u,
                               u"移動", static_cast<int>(u'#'), -7);
  EXPECT_EQ(line, u"2010/03/28 02:05,移動,#-7");
#ifdef _WIN32
  wchar_t buffer[1025];
  wsprintfW(buffer, L"%04u/%02u/%02u %02u:%02u,%s,%c%d", 2010u, 3u, 28u, 2u, 5u, L"移動",
            static_cast<int>(L'#'), -7);
  EXPECT_EQ(line, FromWStr(buffer));
#endif
}

TEST(FormatText, LongTextIsNeverCut) {
  // wvsprintfW stops at 1024 units; a record line with a long name must not.
  const Text name(3000, u'長');
  const Text out = FormatText(u"<%s>", name.c_str());
  ASSERT_EQ(out.size(), 3002u);
  EXPECT_EQ(out, u"<" + name + u">");
}

TEST(FormatText, UnknownConversionIsKeptAsWritten) {
  EXPECT_EQ(FormatText(u"a%qb"), u"a%qb");
  EXPECT_EQ(FormatText(u"end%"), u"end%");
  EXPECT_EQ(FormatText(u"%5"), u"%5");
  EXPECT_EQ(FormatText(nullptr), u"");
}

TEST(Utf8, RoundTripsEveryEncodingLengthAndReplacesLoneSurrogates) {
  const Text samples[] = {
      u"",
      u"plain ASCII",
      Text(1, u'\0') + u"nul inside",
      u"\u007F\u0080\u07FF\u0800\uFFFF",
      u"作業,会議",
      u"\U00010000\U0001F600\U0010FFFF",
  };
  for (const Text& s : samples) {
    EXPECT_EQ(TextFromUtf8(TextToUtf8(s)), s);
  }
  struct Case {
    Text in;
    std::string out;
  };
  const Case cases[] = {
      {u"\u00E9", "\xC3\xA9"},
      {u"\u4F5C", "\xE4\xBD\x9C"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      // Lone surrogates are replaced, also a high one before no low one.
      {Text(1, char16_t(0xD800)), "\xEF\xBF\xBD"},
      {Text(1, char16_t(0xDC00)) + u"x", "\xEF\xBF\xBDx"},
      {Text(1, char16_t(0xD83D)) + u"\u3042", "\xEF\xBF\xBD\xE3\x81\x82"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToUtf8(c.in), c.out) << c.out.size() << " bytes expected";
  }
}

TEST(Utf8, IllFormedInputBecomesReplacementCharacters) {
  struct Case {
    std::string in;
    Text out;
  };
  const Case cases[] = {
      {"\xFF", u"\uFFFD"},
      {"a\x80z", u"a\uFFFDz"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},              // overlong NUL
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},    // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE4\xBD", u"\uFFFD"},                    // cut short at the end
      {"\xE4\xBDX", u"\uFFFDX"},                  // cut short in the middle
      {"\xF0\x9F\x98" "A\xF0\x9F\x98\x80", u"\uFFFDA\U0001F600"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextFromUtf8(c.in), c.out) << "input of " << c.in.size() << " bytes";
  }
}
