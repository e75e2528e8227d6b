#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage932.h"
#include "data/item_name.h"
#include "data/record_file.h"
#include "test_support.h"

namespace {

ActivityRecord Rec(const Text& name, const LocalDateTime& start, const LocalDateTime& end) {
  ActivityRecord r;
  r.name = name;
  r.start = start;
  r.end = end;
  return r;
}

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
      u"会\uFFFD議,2010/04/05 09:05,2010/04/05 10:30",  // bytes that were not code page 932
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

TEST(RecordFile, DecodesCodePage932AndNumbersLinesAfterInvalidBytes) {
  // 会議 and 作業 in code page 932.
  const std::string bytes =
      "\x89\xef\x8b\x63,2010/04/05 09:05,2010/04/05 10:30\r\n"
      "\x8d\xec\x8b\xc6,2010/04/05 10:30,2010/04/05 10:30";
  std::vector<ActivityRecord> out;
  ASSERT_EQ(ParseRecordFile(bytes, out), 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].name, u"会議");
  EXPECT_EQ(out[1].name, u"作業");

  // A lead byte without its trail byte right before the line end must not
  // swallow the line end: the bad line is line 2, not a merged line 1.
  std::vector<ActivityRecord> none;
  EXPECT_EQ(ParseRecordFile("A,2010/04/05 09:05,2010/04/05 10:30\r\n"
                            "B\x89,2010/04/05 09:05,2010/04/05 10:30\r\n"
                            "C,2010/04/05 09:05,2010/04/05 10:30\r\n",
                            none),
            2);
  EXPECT_TRUE(none.empty());
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
      Text(1024, u'名'),
  };
  for (const Text& name : refused) {
    SCOPED_TRACE(TextToUtf8(name));
    EXPECT_FALSE(RecordFileCanHoldName(name));
  }
  // Every name the rule lets through comes back from the file as itself.
  for (const Text& name : {Text(u"作業"), Text(u"ｶﾀｶﾅ"), Text(1023, u'名')}) {
    std::string bytes;
    ASSERT_TRUE(FormatRecordFile({Rec(name, DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 9, 6))}, bytes));
    std::vector<ActivityRecord> out;
    ASSERT_EQ(ParseRecordFile(bytes, out), 0);
    EXPECT_EQ(out.at(0).name, name);
  }
}
