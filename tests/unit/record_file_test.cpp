#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage932.h"
#include "data/item_name.h"
#include "data/record_file.h"
#include "support/dates.h"
#include "support/records.h"
#include "support/sample_history.h"

namespace {

void ExpectRecord(const ActivityRecord& r, const Text& name, const LocalDateTime& start,
                  const LocalDateTime& end) {
  EXPECT_EQ(r.name, name);
  EXPECT_EQ(r.start, start);  // all eight fields: weekday, second, ms are 0
  EXPECT_EQ(r.end, end);
}

struct LineCase {
  const char16_t* line;
  const char16_t* name;
};

// The reader on text that code page 932 can hold.
int ParseRecordText(const Text& text, std::vector<ActivityRecord>& out) {
  std::string bytes;
  EXPECT_TRUE(EncodeCp932(text, bytes)) << TextToUtf8(text);
  return ParseRecordFile(bytes, out);
}

bool ParseRecordLine(const Text& line, ActivityRecord& r) {
  std::vector<ActivityRecord> out;
  if (ParseRecordText(line, out) != 0) return false;
  EXPECT_EQ(out.size(), 1u);
  if (out.size() != 1) return false;
  r = out[0];
  return true;
}

}  // namespace

// Lines the writer would write, and the wider forms the reader accepts, all
// meaning 会議 from 2010-04-05 09:05 to 10:30.
TEST(RecordLine, ReadsEveryAcceptedFormOfTheSameRecord) {
  const LineCase cases[] = {
      {u"会議,2010/04/05 09:05,2010/04/05 10:30", u"会議"},
      {u"会議,2010/4/5 9:5,2010/4/5 10:30", u"会議"},                 // unpadded
      {u"会議 , 2010/ 04/  05   09: 05 ,2010/04/05 10:30", u"会議"},   // extra spaces
      {u"  会議,2010/04/05 09:05,2010/04/05 10:30", u"会議"},          // leading space
      {u"会議\t2010/04/05\t09:05\t2010/04/05\t10:30", u"会議"},        // tabs
      {u"会議　2010/04/05　09:05　2010/04/05　10:30", u"会議"},        // U+3000
      {u"会議,2010/04/05 09:05,2010/04/05 10:30,extra, text 1/2", u"会議"},
      {u"\"会議\",\"2010/04/05 09:05\",\"2010/04/05 10:30\"", u"会議"},
      {u"'会'議,20'10/04/05 09:05,2010/04/05 10:30", u"会議"},        // quotes drop out anywhere
      {u"会議,0000000000002010/004/05 09:05,2010/04/05 10:30", u"会議"},
      {u"会議,,2010/04/05 09:05,,,2010/04/05 10:30", u"会議"},          // commas are spaces
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.line));
    ActivityRecord r;
    ASSERT_TRUE(ParseRecordLine(c.line, r));
    ExpectRecord(r, c.name, DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 10, 30));
  }
}

TEST(RecordLine, RejectsLinesThatAreNotTenNumbersAfterAName) {
  const char16_t* bad[] = {
      u"会議",
      u"会議,2010/04/05 09:05,2010/04/05",       // nine numbers
      u"会議 室,2010/04/05 09:05,2010/04/05 10:30",  // a space splits the name
      u"会議　室,2010/04/05 09:05,2010/04/05 10:30",  // so does U+3000
      u"会議,2010 /04/05 09:05,2010/04/05 10:30",    // no space before '/'
      u"会議,2010-04-05 09:05,2010/04/05 10:30",
      u"会議,2010/04/05 09.05,2010/04/05 10:30",
      u"会議,2010/+4/05 09:05,2010/04/05 10:30",     // numbers are digits only
      u"会議,2010/-4/05 09:05,2010/04/05 10:30",
      u"会議,２０１０/04/05 09:05,2010/04/05 10:30",  // full-width digits
      u"\r",
      u"   ",
      u"\"\",2010/04/05 09:05,2010/04/05 10:30",     // name of quotes only: 2010/04/05 becomes the name
  };
  for (const char16_t* line : bad) {
    SCOPED_TRACE(TextToUtf8(line));
    ActivityRecord r;
    EXPECT_FALSE(ParseRecordLine(line, r));
  }
}

TEST(RecordLine, StoresNumbersWithoutRangeChecksUpTo16Bits) {
  ActivityRecord r;
  ASSERT_TRUE(ParseRecordLine(u"x,65535/13/0 24:99,0/0/0 0:0", r));
  LocalDateTime start;
  start.wYear = 65535;
  start.wMonth = 13;
  start.wHour = 24;
  start.wMinute = 99;
  ExpectRecord(r, u"x", start, LocalDateTime{});
  // One more does not fit a field: the line is malformed, never wrapped.
  EXPECT_FALSE(ParseRecordLine(u"x,65536/13/0 24:99,0/0/0 0:0", r));
  EXPECT_FALSE(ParseRecordLine(u"x,2010/4/5 9:5,2010/4/5 10:99999999999999999999", r));
}

TEST(RecordLine, NameLimitIs1023Units) {
  const Text tail = u",2010/04/05 09:05,2010/04/05 10:30";
  ActivityRecord r;
  ASSERT_TRUE(ParseRecordLine(Text(1023, u'名') + tail, r));
  EXPECT_EQ(r.name.size(), 1023u);
  EXPECT_FALSE(ParseRecordLine(Text(1024, u'名') + tail, r));
  // Quotes do not count: they are gone before the name is taken.
  ASSERT_TRUE(ParseRecordLine(Text(1023, u'n') + u"''" + tail, r));
  // Text after the tenth number may be of any length.
  ASSERT_TRUE(ParseRecordLine(u"n" + tail + Text(100000, u'x'), r));
}

TEST(RecordText, LineEndsAndEmptyLines) {
  const Text lf = u"A,2010/04/05 09:05,2010/04/05 10:30\nB,2010/04/05 10:30,2010/04/05 11:00\n";
  const Text crlf =
      u"A,2010/04/05 09:05,2010/04/05 10:30\r\nB,2010/04/05 10:30,2010/04/05 11:00\r\n";
  const Text noFinalEnd =
      u"A,2010/04/05 09:05,2010/04/05 10:30\r\nB,2010/04/05 10:30,2010/04/05 11:00";
  const Text emptyLines =
      u"\r\nA,2010/04/05 09:05,2010/04/05 10:30\n\n\r\nB,2010/04/05 10:30,2010/04/05 11:00\n\n";
  for (const Text& text : {lf, crlf, noFinalEnd, emptyLines}) {
    std::vector<ActivityRecord> out;
    ASSERT_EQ(ParseRecordText(text, out), 0);
    ASSERT_EQ(out.size(), 2u);
    ExpectRecord(out[0], u"A", DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 10, 30));
    ExpectRecord(out[1], u"B", DT(2010, 4, 5, 10, 30), DT(2010, 4, 5, 11, 0));
  }
  std::vector<ActivityRecord> out;
  EXPECT_EQ(ParseRecordText(u"", out), 0);
  EXPECT_EQ(ParseRecordText(u"\n\r\n", out), 0);
  EXPECT_TRUE(out.empty());
}

TEST(RecordText, MalformedLineIsNumberedWithEmptyLinesAndKeepsNoRecordOfTheFile) {
  std::vector<ActivityRecord> out = {Rec(u"before", DT(2009, 1, 1, 8, 0), DT(2009, 1, 1, 9, 0))};
  const Text text =
      u"A,2010/04/05 09:05,2010/04/05 10:30\r\n\r\nB 2010/04/05\r\nC,2010/04/05 11:00,2010/04/05 "
      u"12:00\r\n";
  EXPECT_EQ(ParseRecordText(text, out), 3);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].name, u"before");

  // A lone CR is not a line end: it stays in the line, where it is white space.
  EXPECT_EQ(ParseRecordText(u"A,2010/04/05 09:05,2010/04/05 10:30\r\n\r\r\n", out), 2);
  EXPECT_EQ(ParseRecordText(u"A\r2010/04/05 09:05 2010/04/05 10:30\n", out), 0);
  EXPECT_EQ(out.back().name, u"A");
}

TEST(RecordFile, DecodesCodePage932AndRefusesNamesThatAreNoCharacters) {
  // 会議 and 作業 in code page 932.
  const std::string bytes =
      "\x89\xef\x8b\x63,2010/04/05 09:05,2010/04/05 10:30\r\n"
      "\x8d\xec\x8b\xc6,2010/04/05 10:30,2010/04/05 10:30";
  std::vector<ActivityRecord> out;
  ASSERT_EQ(ParseRecordFile(bytes, out), 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].name, u"会議");
  EXPECT_EQ(out[1].name, u"作業");

  const char* const badNames[] = {
      "B\x89",        // a first byte right before the line end
      "B\x89\"\x40",  // ... or before a quote: the quote must not join it to '@'
      "B\x85\x40",    // a pair without a character
      "B\x80",        // no character at all
      "B\xfd",
  };
  for (const char* name : badNames) {
    SCOPED_TRACE(name);
    std::vector<ActivityRecord> none;
    EXPECT_EQ(ParseRecordFile(std::string("A,2010/04/05 09:05,2010/04/05 10:30\r\n") + name +
                                  ",2010/04/05 09:05,2010/04/05 10:30\r\n"
                                  "C,2010/04/05 09:05,2010/04/05 10:30\r\n",
                              none),
              2);
    EXPECT_TRUE(none.empty());
  }
  // Such bytes after the tenth number are ignored with the rest.
  EXPECT_EQ(ParseRecordFile("A,2010/04/05 09:05,2010/04/05 10:30 \x85\x40\x89", out), 0);
  // The first bad line counts, whether its fault is the name or the syntax.
  std::vector<ActivityRecord> none;
  EXPECT_EQ(ParseRecordFile("A\x85\x40,2010/04/05 09:05,2010/04/05 10:30\nB\n", none), 1);
  EXPECT_EQ(ParseRecordFile("A\nB\x85\x40,2010/04/05 09:05,2010/04/05 10:30\n", none), 1);
}

namespace {

// The reader as the format is described, step by step and without any of the
// production reader's shortcuts: decode the whole file, take the lines at LF
// (a CR before it belongs to the line end), skip empty ones, turn commas into
// spaces, remove quotes, then scan "%s %u/%u/%u %u:%u %u/%u/%u %u:%u".
int ReferenceParse(const std::string& bytes, std::vector<ActivityRecord>& out) {
  const Text text = DecodeCp932(bytes);
  std::vector<ActivityRecord> read;
  int lineNumber = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t lf = text.find(u'\n', pos);
    Text line = text.substr(pos, lf == Text::npos ? Text::npos : lf - pos);
    pos = lf == Text::npos ? text.size() : lf + 1;
    if (lf != Text::npos && !line.empty() && line.back() == u'\r') line.pop_back();
    ++lineNumber;
    if (line.empty()) continue;
    Text normal;
    for (char16_t c : line) {
      if (c == u'"' || c == u'\'') continue;
      normal.push_back(c == u',' ? u' ' : c);
    }
    normal = normal.substr(0, normal.find(u'\0'));
    size_t i = 0;
    auto skipSpace = [&] {
      while (i < normal.size() && IsRecordFileSpace(normal[i])) ++i;
    };
    auto number = [&](uint16_t& v) {
      skipSpace();
      size_t digits = 0;
      uint32_t value = 0;
      while (i < normal.size() && normal[i] >= u'0' && normal[i] <= u'9') {
        value = value * 10 + static_cast<uint32_t>(normal[i++] - u'0');
        if (value > 0xFFFF) return false;
        ++digits;
      }
      v = static_cast<uint16_t>(value);
      return digits > 0;
    };
    ActivityRecord r;
    skipSpace();
    while (i < normal.size() && !IsRecordFileSpace(normal[i])) r.name.push_back(normal[i++]);
    bool ok = !r.name.empty() && r.name.size() <= kMaxRecordNameUnits &&
              r.name.find(char16_t{0xFFFD}) == Text::npos;
    uint16_t* fields[10] = {&r.start.wYear, &r.start.wMonth, &r.start.wDay, &r.start.wHour,
                            &r.start.wMinute, &r.end.wYear, &r.end.wMonth, &r.end.wDay,
                            &r.end.wHour, &r.end.wMinute};
    const char16_t separators[10] = {0, u'/', u'/', 0, u':', 0, u'/', u'/', 0, u':'};
    for (int k = 0; k < 10 && ok; ++k) {
      if (separators[k] != 0) {
        ok = i < normal.size() && normal[i] == separators[k];
        ++i;
      }
      ok = ok && number(*fields[k]);
    }
    if (!ok) return lineNumber;
    read.push_back(r);
  }
  out.insert(out.end(), read.begin(), read.end());
  return 0;
}

}  // namespace

// Files put together at random from the pieces that matter to the reader
// read the same as the reference reads them.
TEST(RecordFile, ReadsLikeTheReferenceReader) {
  const char* const pieces[] = {
      "\x89\xef\x8b\x63", "A", "\xb6\xc5", "\x81\x40", " ", "\t", ",", "\"", "'", "2010",
      "04", "5", "/", ":", "09", "65535", "65536", "\x85\x40", "\x89", "\x80", "\xa0",
      "\r", "\n", "\r\n", "x", "0", "00000000012"};
  const std::string valid = "\x8d\xec\x8b\xc6,2010/04/05 09:05,2010/04/05 10:30";
  sample::Random random(2024);
  for (int round = 0; round < 20000; ++round) {
    std::string file;
    const int lines = random.Between(1, 4);
    for (int l = 0; l < lines; ++l) {
      std::string line = valid;
      // A few edits of a good line find the edges better than noise does.
      for (int edits = random.Between(0, 3); edits > 0; --edits) {
        const size_t at = static_cast<size_t>(random.Between(0, static_cast<int>(line.size())));
        const std::string piece = random.Between(0, 27) == 27
                                      ? std::string(1, '\0')
                                      : pieces[random.Between(0, 26)];
        switch (random.Between(0, 2)) {
          case 0: line.insert(at, piece); break;
          case 1: line.erase(at, static_cast<size_t>(random.Between(1, 3))); break;
          default: line.replace(at, 1, piece); break;
        }
      }
      file += line;
      file += random.Between(0, 1) ? "\r\n" : "\n";
    }
    if (random.Between(0, 3) == 0) file.pop_back();
    std::vector<ActivityRecord> got, expected;
    const int gotLine = ParseRecordFile(file, got);
    const int expectedLine = ReferenceParse(file, expected);
    ASSERT_EQ(gotLine, expectedLine) << "round " << round;
    ASSERT_EQ(got.size(), expected.size()) << "round " << round;
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].name, expected[i].name) << "round " << round;
      ASSERT_EQ(got[i].start, expected[i].start) << "round " << round;
      ASSERT_EQ(got[i].end, expected[i].end) << "round " << round;
    }
  }
}

// The reader looks for white space in the bytes; every character of code
// page 932 that the C library's "%s" stops at must end a name there too.
TEST(RecordFile, EveryWhiteSpaceOfCodePage932EndsAName) {
  int spaces = 0;
  for (unsigned code = 0; code <= 0xFCFC; ++code) {
    if (code == 0x0A || (code > 0xFF && (code >> 8) < 0x81)) continue;
    std::string bytes;
    if (code > 0xFF) bytes.push_back(static_cast<char>(code >> 8));
    bytes.push_back(static_cast<char>(code & 0xFF));
    const Text decoded = DecodeCp932(bytes);
    if (decoded.size() != 1 || !IsRecordFileSpace(decoded[0])) continue;
    ++spaces;
    SCOPED_TRACE(code);
    std::vector<ActivityRecord> out;
    ASSERT_EQ(ParseRecordFile("A" + bytes + "2010/04/05 09:05,2010/04/05 10:30", out), 0);
    EXPECT_EQ(out.at(0).name, u"A");
  }
  EXPECT_EQ(spaces, 6);  // tab, VT, FF, CR, space, U+3000
}

TEST(RecordFile, WritesTheLineFormat) {
  LocalDateTime start = DT(2010, 4, 5, 9, 5, 40);
  start.wMilliseconds = 123;
  start.wDayOfWeek = 1;
  const std::vector<ActivityRecord> records = {
      Rec(u"会議", start, DT(2010, 4, 5, 10, 30, 12)),
      Rec(u"a'b\"c", DT(999, 1, 2, 0, 0), DT(2010, 12, 31, 23, 59)),
      Rec(u"x", DT(2010, 123, 45, 100, 7), DT(0, 0, 0, 0, 0)),
  };
  std::string bytes;
  ASSERT_TRUE(FormatRecordFile(records, bytes));
  EXPECT_EQ(bytes,
            "\x89\xef\x8b\x63,2010/04/05 09:05,2010/04/05 10:30\r\n"
            "a'b\"c,999/01/02 00:00,2010/12/31 23:59\r\n"
            "x,2010/123/45 100:07,0/00/00 00:00\r\n");

  ASSERT_TRUE(FormatRecordFile({}, bytes));
  EXPECT_EQ(bytes, "");
}

TEST(RecordFile, WritesLongNamesWholeAndReportsNamesCodePage932CannotHold) {
  const Text longName(5000, u'長');
  std::string bytes;
  ASSERT_TRUE(FormatRecordFile({Rec(longName, DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 9, 6))}, bytes));
  EXPECT_EQ(bytes.size(), 10000u + 36u);
  EXPECT_EQ(bytes.substr(10000), ",2010/04/05 09:05,2010/04/05 09:06\r\n");

  // Names are converted apart from the lines: each must land on its own line
  // whatever it holds, a character without a form or even a line end.
  EXPECT_FALSE(FormatRecordFile({Rec(u"caf\u00e9", DT(2010, 4, 5), DT(2010, 4, 5)),
                                 Rec(u"会議", DT(2010, 4, 5), DT(2010, 4, 5)),
                                 Rec(u"caf\u00e9", DT(2010, 4, 5), DT(2010, 4, 5))},
                                bytes));
  EXPECT_EQ(bytes,
            "caf?,2010/04/05 00:00,2010/04/05 00:00\r\n"
            "\x89\xef\x8b\x63,2010/04/05 00:00,2010/04/05 00:00\r\n"
            "caf?,2010/04/05 00:00,2010/04/05 00:00\r\n");
  ASSERT_TRUE(FormatRecordFile({Rec(u"a\nb", DT(2010, 4, 5), DT(2010, 4, 5)),
                                Rec(u"c", DT(2010, 4, 5), DT(2010, 4, 5))},
                               bytes));
  EXPECT_EQ(bytes,
            "a\nb,2010/04/05 00:00,2010/04/05 00:00\r\n"
            "c,2010/04/05 00:00,2010/04/05 00:00\r\n");
}

TEST(RecordFile, QuotesInANameDropOutOnTheWayBack) {
  std::string bytes;
  ASSERT_TRUE(FormatRecordFile({Rec(u"a'b\"c", DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 9, 6))}, bytes));
  std::vector<ActivityRecord> out;
  ASSERT_EQ(ParseRecordFile(bytes, out), 0);
  EXPECT_EQ(out.at(0).name, u"abc");
}

TEST(ItemName, RecordFileCanHoldOnlyNamesThatReadBackUnchanged) {
  EXPECT_TRUE(RecordFileCanHoldName(u"作業"));
  EXPECT_TRUE(RecordFileCanHoldName(u"Coding-2"));
  EXPECT_TRUE(RecordFileCanHoldName(u"ｶﾀｶﾅ"));
  EXPECT_TRUE(RecordFileCanHoldName(Text(1023, u'名')));
  const Text refused[] = {
      u"",           u"a b",         u"a\tb",        u"会議　室",   u"a\u00a0b",
      u"a\u2003b",   u"a\u3000",     u"\u3000",      u"a,b",        u"a\"b",
      u"a'b",        u"caf\u00e9",   u"\U0001F600",  u"a\nb",       u"a\rb",
      u"a\vb",       u"a\fb",        Text(1024, u'名'),
      // The reader ends a line at NUL, wherever the name holds it.
      Text(u"\0", 1), Text(u"a\0b", 3), Text(u"a\0", 2), Text(u"\0a", 2),
  };
  for (const Text& name : refused) {
    SCOPED_TRACE(TextToUtf8(name));
    EXPECT_FALSE(RecordFileCanHoldName(name));
  }
  // Every name the rule lets through comes back from the file as itself.
  // Other control characters are no separators to the reader.
  for (const Text& name : {Text(u"作業"), Text(u"ｶﾀｶﾅ"), Text(1023, u'名'), Text(u"a\x01b"),
                           Text(u"\x1f\x7f")}) {
    EXPECT_TRUE(RecordFileCanHoldName(name));
    std::string bytes;
    ASSERT_TRUE(FormatRecordFile({Rec(name, DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 9, 6))}, bytes));
    std::vector<ActivityRecord> out;
    ASSERT_EQ(ParseRecordFile(bytes, out), 0);
    EXPECT_EQ(out.at(0).name, name);
  }
}
