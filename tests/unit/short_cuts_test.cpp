// The writer and the walk that places an added record take short cuts. On
// generated histories they give exactly what the plain forms give: every
// line formatted as text with the whole file converted at once, and a walk
// back from the end that converts every start to compare it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/codepage932.h"
#include "data/record_editing.h"
#include "data/record_file.h"
#include "support/dates.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"

namespace {

std::string PlainFormat(const std::vector<ActivityRecord>& records, bool& complete) {
  Text text;
  for (const ActivityRecord& r : records) {
    text += r.name;
    for (const LocalDateTime* t : {&r.start, &r.end}) {
      text += FormatText(u",%u/%02u/%02u %02u:%02u", unsigned{t->wYear}, unsigned{t->wMonth},
                         unsigned{t->wDay}, unsigned{t->wHour}, unsigned{t->wMinute});
    }
    text += u"\r\n";
  }
  std::string bytes;
  complete = EncodeCp932(text, bytes);
  return bytes;
}

int PlainStartOrderPosition(const std::vector<ActivityRecord>& records,
                            const LocalDateTime& start) {
  for (size_t i = records.size(); i > 0; --i) {
    if (IsEarlier(records[i - 1].start, start)) return static_cast<int>(i);
  }
  return 0;
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : engine_(seed) {}
  int Between(int lo, int hi) {
    return lo + static_cast<int>(engine_() % static_cast<uint32_t>(hi - lo + 1));
  }
  bool OneIn(int n) { return Between(1, n) == 1; }

 private:
  std::mt19937 engine_;
};

// Fields mostly as a clock shows them, now and then as a hand-edited file
// may hold them: anything up to 65535.
uint16_t Field(Generator& g, int usualMax) {
  if (g.OneIn(40)) {
    const int odd[] = {0, usualMax + 1, 99, 100, 999, 65535};
    return static_cast<uint16_t>(odd[g.Between(0, 5)]);
  }
  return static_cast<uint16_t>(g.Between(usualMax == 12 || usualMax == 31 ? 1 : 0, usualMax));
}

}  // namespace

// Japanese names, half-width katakana, names whose second bytes are 0x5C
// (ソ 表 能 十), names code page 932 cannot hold, a name with a line end of
// its own, and an open last record.
TEST(ShortCuts, WriterBytesEqualThoseOfTheLinesFormattedAndConvertedWhole) {
  const std::vector<Text> names = {
      u"会議", u"ｶﾀｶﾅ", u"ﾃﾞｰﾀ入力", u"ソフト", u"表計算", u"能力", u"十", u"A", u"Coding",
      u"a\\b", u"caf\u00e9", u"\U0001F600", u"a\nb", Text(1023, u'予')};
  Generator g(14);
  for (int round = 0; round < 300; ++round) {
    std::vector<ActivityRecord> records(static_cast<size_t>(g.Between(0, 60)));
    // Most histories hold only names the file can hold, the common case.
    const int pool = g.OneIn(3) ? static_cast<int>(names.size()) : 9;
    for (ActivityRecord& r : records) {
      r.name = names[static_cast<size_t>(g.Between(0, pool - 1))];
      for (LocalDateTime* t : {&r.start, &r.end}) {
        t->wYear = g.OneIn(20) ? Field(g, 9999) : static_cast<uint16_t>(g.Between(1990, 2040));
        t->wMonth = Field(g, 12);
        t->wDay = Field(g, 31);
        t->wHour = Field(g, 23);
        t->wMinute = Field(g, 59);
        t->wSecond = static_cast<uint16_t>(g.Between(0, 59));
      }
    }
    if (!records.empty() && g.OneIn(2)) records.back().end = records.back().start;
    bool plainComplete = false;
    const std::string plain = PlainFormat(records, plainComplete);
    std::string bytes;
    const bool complete = FormatRecordFile(records, bytes);
    ASSERT_EQ(bytes, plain) << "round " << round;
    ASSERT_EQ(complete, plainComplete) << "round " << round;
  }
}

namespace {

struct Change {
  const char* zone;
  LocalDateTime day;  // a day on which the clocks changed
  // The C library reads a time of a day the zone left out as the same clock
  // time a day before or after, depending on what it converted last: the
  // old walk itself would place it either way. So only the days around such
  // a day are generated.
  bool dayLeftOut;
};

// Both changes where they happen at 02:00 and at 03:00, a change of half an
// hour, the day Samoa left out entirely (30 December 2011), and a day that
// began at 01:00 (Sao Paulo).
const Change kChanges[] = {
    {"Europe/Berlin", DT(2010, 3, 28), false},      {"Europe/Berlin", DT(2010, 10, 31), false},
    {"America/New_York", DT(2010, 3, 14), false},   {"America/New_York", DT(2010, 11, 7), false},
    {"Australia/Lord_Howe", DT(2010, 4, 4), false}, {"Pacific/Apia", DT(2011, 12, 30), true},
    {"America/Sao_Paulo", DT(2010, 10, 17), false}, {"Asia/Tokyo", DT(2010, 3, 28), false},
};

// A clock time within three days of the day, with a minute and a second
// that fall into a missing or repeated hour often enough; now and then
// fields no clock shows.
LocalDateTime Around(Generator& g, const Change& change) {
  // Calendar dates, whether or not the zone lived them (Samoa has no 30
  // December 2011).
  static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  LocalDateTime t = change.day;
  int offset = g.Between(-3, 3);
  if (offset == 0 && change.dayLeftOut) offset = g.OneIn(2) ? -1 : 1;
  int d = t.wDay + offset;
  if (d > kMonthDays[t.wMonth - 1]) {
    d -= kMonthDays[t.wMonth - 1];
    t.wMonth = static_cast<uint16_t>(t.wMonth % 12 + 1);
    if (t.wMonth == 1) ++t.wYear;
  } else if (d < 1) {
    t.wMonth = static_cast<uint16_t>(t.wMonth - 1);  // none of the days is early in January
    d += kMonthDays[t.wMonth - 1];
  }
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(g.OneIn(2) ? g.Between(0, 4) : g.Between(0, 23));
  t.wMinute = static_cast<uint16_t>(g.Between(0, 59));
  t.wSecond = static_cast<uint16_t>(g.Between(0, 59));
  switch (g.Between(0, 60)) {
    case 0: t.wHour = 24; break;
    case 1: t.wDay = 0; break;
    case 2: t.wMonth = 13; break;
    case 3: t.wYear = 1969; break;
    case 4: t.wYear = 3000; break;
    case 5: t.wMinute = 60; break;
    case 6: t.wHour = 72; break;      // three days on
    case 7: t.wMinute = 4000; break;  // nearly three days on
    case 8: t.wDay = 40; break;
    default: break;
  }
  return t;
}

}  // namespace

// Under Wine no zone can be pinned (ScopedTimeZone does nothing there): the
// same days are placed in the prefix's own zone, by the Windows conversion
// that ships.
TEST(ShortCuts, AddPlacesARecordWhereTheConvertingWalkPlacedItAcrossClockChanges) {
  const Text item = u"A";
  Generator g(2011);
  for (const Change& change : kChanges) {
    SCOPED_TRACE(change.zone);
    ScopedTimeZone zone(change.zone);
    // Records in start order with a few out of place, as editing leaves them.
    std::vector<ActivityRecord> records(200);
    for (ActivityRecord& r : records) {
      r.name = item;
      r.start = Around(g, change);
      r.end = r.start;
    }
    std::sort(records.begin(), records.end(), [](const ActivityRecord& a, const ActivityRecord& b) {
      return ToEpochSeconds(a.start) < ToEpochSeconds(b.start);
    });
    for (int k = 0; k < 10; ++k) {
      std::swap(records[static_cast<size_t>(g.Between(0, 199))],
                records[static_cast<size_t>(g.Between(0, 199))]);
    }
    for (int k = 0; k < 2000; ++k) {
      const LocalDateTime limit = Around(g, change);
      const LocalDateTime t = records[static_cast<size_t>(k % 200)].start;
      ASSERT_EQ(EarlierThan(limit)(t), IsEarlier(t, limit)) << k;
    }

    TempDir dir;
    RecordingNotifier storeMessages;
    ActivityData data(Workspace{dir.Path(), RealFileSystem(), storeMessages});
    for (int k = 0; k < ItemCatalogue::kMaxSlots; ++k) data.catalogue.AddSlot(0x0000FFu, 1);
    data.catalogue.AddName(item);
    for (const ActivityRecord& r : records) data.store.Append(r);
    RecordingNotifier warnings;
    RecordEditing editing(data, warnings, nullptr);
    for (int k = 0; k < 30; ++k) {
      LocalDateTime start = Around(g, change);
      start.wMilliseconds = 0;
      LocalDateTime end = start;
      end.wYear = static_cast<uint16_t>(end.wYear + 1);
      const int expected = PlainStartOrderPosition(data.store.Records(), start);
      ASSERT_EQ(StartOrderPosition(data.store, start), expected) << k;
      // The Windows C runtime converts no time after the year 3000, so an
      // end a year after such a start would not be after it there.
      if (k % 5 == 0 && start.wYear < 3000) {
        ASSERT_EQ(editing.Add(0, start, end), expected) << k;
      }
    }
    EXPECT_TRUE(warnings.shown.empty());
    EXPECT_TRUE(storeMessages.shown.empty());
  }
}
