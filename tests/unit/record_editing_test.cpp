#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/record_editing.h"
#include "shell/messages.h"
#include "support/dates.h"
#include "support/faulty_files.h"
#include "support/recording_notifier.h"
#include "support/records.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Items A, B, 会議室, 会議 and one the record file cannot hold. Messages of the
// store (file errors) and of the editor (warnings owned by the dialog) are
// recorded apart.
class RecordEditingTest : public ::testing::Test {
 protected:
  static constexpr int kA = 0, kB = 1, kRoom = 2, kMeeting = 3, kUnholdable = 4;

  RecordEditingTest() {
    for (int k = 0; k < ItemCatalogue::kMaxSlots; ++k) data.catalogue.AddSlot(0x0000FFu, 1);
    for (const char16_t* name : {u"A", u"B", u"会議室", u"会議", u"会議 室"}) {
      data.catalogue.AddName(name);
    }
  }

  void Put(std::initializer_list<ActivityRecord> records) {
    for (const ActivityRecord& r : records) data.store.Append(r);
  }

  std::vector<Text> Names() const {
    std::vector<Text> names;
    for (const ActivityRecord& r : data.store.Records()) names.push_back(r.name);
    return names;
  }

  std::string DataCsv() const { return ReadBytes(dir.File(u"data.csv")); }
  std::string DataBak() const { return ReadBytes(dir.File(u"data.bak")); }

  // Starts A as the tracker does: an open record at the end of the list.
  void RunA(const LocalDateTime& at) {
    data.store.Append(Rec(u"A", at, at));
    data.currentActivity = u"A";
  }

  static bool NeverAsked(const Text&) {
    ADD_FAILURE() << "asked before overwriting";
    return false;
  }

  void ExpectNothingSaved() {
    EXPECT_FALSE(FileExists(dir.File(u"data.csv")));
    EXPECT_TRUE(tips.empty());
  }

  TempDir dir;
  FaultyFileSystem files;
  RecordingNotifier storeMessages;
  RecordingNotifier dialog;
  ActivityData data{Workspace{dir.Path(), files, storeMessages}};
  std::vector<Text> tips;
  RecordEditing editing{data, dialog, [this](const Text& running) { tips.push_back(TrayTip(running)); }};
};

}  // namespace

// ---- rows of a day ----

//   row  store  record
//    -     0    B   4/4 23:30 - 4/5 01:15   (listed under 4/4 only)
//    0     1    A   4/5 09:00 - 10:00
//    -     2    B   4/6 08:00 - 09:00
//    1     3    B   4/5 07:00 - 08:00       (store order, not time order)
//    2     4    A   4/5 23:30 - 4/6 01:15
TEST_F(RecordEditingTest, RowsOfADateAreTheRecordsStartingThatDayInStoreOrder) {
  Put({Rec(u"B", DT(2010, 4, 4, 23, 30), DT(2010, 4, 5, 1, 15)),
       Rec(u"A", DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 10, 0)),
       Rec(u"B", DT(2010, 4, 6, 8, 0), DT(2010, 4, 6, 9, 0)),
       Rec(u"B", DT(2010, 4, 5, 7, 0), DT(2010, 4, 5, 8, 0)),
       Rec(u"A", DT(2010, 4, 5, 23, 30), DT(2010, 4, 6, 1, 15))});
  // The picker's date carries a time of day and a weekday; only the date counts.
  LocalDateTime apr5 = DT(2010, 4, 5, 14, 27, 33);
  apr5.wDayOfWeek = 1;
  EXPECT_EQ(RecordsOfDate(data.store, apr5), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(RecordsOfDate(data.store, DT(2010, 4, 4)), (std::vector<int>{0}));
  EXPECT_EQ(RecordsOfDate(data.store, DT(2010, 4, 6)), (std::vector<int>{2}));
  EXPECT_TRUE(RecordsOfDate(data.store, DT(2010, 4, 7)).empty());
  EXPECT_TRUE(RecordsOfDate(data.store, DT(2011, 4, 5)).empty());
  EXPECT_TRUE(RecordsOfDate(data.store, DT(2010, 5, 5)).empty());

  EXPECT_EQ(RecordOfRow(data.store, apr5, 0), 1);
  EXPECT_EQ(RecordOfRow(data.store, apr5, 1), 3);
  EXPECT_EQ(RecordOfRow(data.store, apr5, 2), 4);
  EXPECT_EQ(RecordOfRow(data.store, apr5, 3), -1);
  EXPECT_EQ(RecordOfRow(data.store, apr5, -1), -1);
  EXPECT_EQ(RecordOfRow(data.store, DT(2010, 4, 7), 0), -1);

  EXPECT_EQ(RowOfRecord(data.store, apr5, 1), 0);
  EXPECT_EQ(RowOfRecord(data.store, apr5, 3), 1);
  EXPECT_EQ(RowOfRecord(data.store, apr5, 4), 2);
  EXPECT_EQ(RowOfRecord(data.store, apr5, 0), -1);  // starts the day before
  EXPECT_EQ(RowOfRecord(data.store, apr5, 2), -1);
  EXPECT_EQ(RowOfRecord(data.store, apr5, 5), -1);
  EXPECT_EQ(RowOfRecord(data.store, apr5, -1), -1);
}

// ---- adding in start order ----

TEST_F(RecordEditingTest, StartOrderPositionWalksBackToTheFirstEarlierStart) {
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 9, 0)), 0);  // empty store

  Put({Rec(u"A", DT(2010, 4, 5, 9, 0, 0), DT(2010, 4, 5, 10, 0)),
       Rec(u"B", DT(2010, 4, 5, 10, 0, 0), DT(2010, 4, 5, 11, 0)),
       Rec(u"A", DT(2010, 4, 5, 10, 0, 0), DT(2010, 4, 5, 10, 30)),
       Rec(u"B", DT(2010, 4, 5, 12, 0, 0), DT(2010, 4, 5, 13, 0))});
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 8, 59, 59)), 0);  // before all
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 9, 0, 0)), 0);    // same second
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 9, 0, 1)), 1);
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 10, 0, 0)), 1);   // before both 10:00
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 10, 0, 1)), 3);
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 12, 0, 0)), 3);
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 12, 0, 1)), 4);   // after all
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 4, 23, 59, 59)), 0); // day before
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 6, 0, 0, 0)), 4);

  // Nothing sorts the store: the walk stops at the first earlier start it
  // meets from the end, here an 8:00 record appended last.
  data.store.Append(Rec(u"A", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 8, 30)));
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 11, 0)), 5);
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 8, 0)), 0);
  EXPECT_EQ(StartOrderPosition(data.store, DT(2010, 4, 5, 7, 0)), 0);
}

TEST_F(RecordEditingTest, AddInsertsInStartOrderAndSavesAtOnce) {
  EXPECT_EQ(editing.Add(kA, DT(2010, 4, 5, 9, 0, 40), WithMs(DT(2010, 4, 5, 10, 0, 5), 777)), 0);
  EXPECT_EQ(DataCsv(), "A,2010/04/05 09:00,2010/04/05 10:00\r\n");
  EXPECT_FALSE(FileExists(dir.File(u"data.bak")));

  EXPECT_EQ(editing.Add(kB, DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 8, 30)), 0);     // first
  EXPECT_EQ(editing.Add(kRoom, DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 12, 0)), 2); // last
  EXPECT_EQ(editing.Add(kMeeting, DT(2010, 4, 5, 9, 0, 40), DT(2010, 4, 5, 9, 30)), 1);
  EXPECT_EQ(Names(), (std::vector<Text>{u"B", u"会議", u"A", u"会議室"}));
  // The pickers' seconds stay in memory; milliseconds of a new record are 0.
  EXPECT_EQ(data.store.At(2).start, DT(2010, 4, 5, 9, 0, 40));
  EXPECT_EQ(data.store.At(2).end, DT(2010, 4, 5, 10, 0, 5));
  EXPECT_EQ(DataCsv(),
            "B,2010/04/05 08:00,2010/04/05 08:30\r\n"
            "\x89\xEF\x8B\x63,2010/04/05 09:00,2010/04/05 09:30\r\n"
            "A,2010/04/05 09:00,2010/04/05 10:00\r\n"
            "\x89\xEF\x8B\x63\x8E\xBA,2010/04/05 11:00,2010/04/05 12:00\r\n");
  EXPECT_EQ(DataBak(),
            "B,2010/04/05 08:00,2010/04/05 08:30\r\n"
            "A,2010/04/05 09:00,2010/04/05 10:00\r\n"
            "\x89\xEF\x8B\x63\x8E\xBA,2010/04/05 11:00,2010/04/05 12:00\r\n");
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_TRUE(tips.empty());
}

// While A runs its open record stays last, so that the tracker and a
// restart still find it there.
TEST_F(RecordEditingTest, AddWhileRunningKeepsTheOpenRecordLast) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  RunA(DT(2010, 4, 5, 9, 0, 10));
  EXPECT_EQ(editing.Add(kB, DT(2010, 4, 5, 10, 0), DT(2010, 4, 5, 11, 0)), 1);
  EXPECT_EQ(editing.Add(kB, DT(2010, 4, 5, 7, 0), DT(2010, 4, 5, 7, 30)), 0);
  EXPECT_EQ(Names(), (std::vector<Text>{u"B", u"B", u"B", u"A"}));
  EXPECT_EQ(data.store.At(1).start, DT(2010, 4, 5, 8, 0));
  EXPECT_EQ(data.store.At(2).start, DT(2010, 4, 5, 10, 0));
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_TRUE(tips.empty());
}

// ---- changing in place and deleting ----

TEST_F(RecordEditingTest, ChangeOverwritesInPlaceAndKeepsTheMilliseconds) {
  Put({Rec(u"A", WithMs(DT(2010, 4, 5, 9, 0, 10), 120), WithMs(DT(2010, 4, 5, 10, 0, 20), 340)),
       Rec(u"B", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 12, 0))});
  editing.Add(kB, DT(2010, 4, 5, 13, 0), DT(2010, 4, 5, 14, 0));
  const std::string before = DataCsv();

  // Moved to the next day and past every other start: its place stays.
  LocalDateTime start = DT(2010, 4, 6, 15, 0, 5);
  start.wDayOfWeek = 2;
  EXPECT_TRUE(editing.Change(0, kMeeting, WithMs(start, 999), DT(2010, 4, 6, 16, 45, 0)));
  EXPECT_EQ(Names(), (std::vector<Text>{u"会議", u"B", u"B"}));
  EXPECT_EQ(data.store.At(0).start, WithMs(start, 120));
  EXPECT_EQ(data.store.At(0).end, WithMs(DT(2010, 4, 6, 16, 45, 0), 340));
  EXPECT_EQ(DataBak(), before);
  EXPECT_EQ(DataCsv(),
            "\x89\xEF\x8B\x63,2010/04/06 15:00,2010/04/06 16:45\r\n"
            "B,2010/04/05 11:00,2010/04/05 12:00\r\n"
            "B,2010/04/05 13:00,2010/04/05 14:00\r\n");
  // It left the 4/5 list; the 4/5 rows are the other two.
  EXPECT_EQ(RecordsOfDate(data.store, DT(2010, 4, 5)), (std::vector<int>{1, 2}));

  // No record there: nothing changes and nothing is saved.
  const std::string after = DataCsv();
  EXPECT_FALSE(editing.Change(3, kA, DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 10, 0)));
  EXPECT_FALSE(editing.Change(-1, kA, DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 10, 0)));
  EXPECT_EQ(DataBak(), before);
  EXPECT_EQ(DataCsv(), after);
  EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(RecordEditingTest, DeleteRemovesTheRecordAndSaves) {
  Put({Rec(u"A", DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 10, 0)),
       Rec(u"B", DT(2010, 4, 5, 10, 0), DT(2010, 4, 5, 11, 0)),
       Rec(u"A", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 12, 0))});
  EXPECT_TRUE(editing.Delete(1));
  EXPECT_EQ(Names(), (std::vector<Text>{u"A", u"A"}));
  EXPECT_EQ(DataCsv(),
            "A,2010/04/05 09:00,2010/04/05 10:00\r\nA,2010/04/05 11:00,2010/04/05 12:00\r\n");
  EXPECT_FALSE(FileExists(dir.File(u"data.bak")));  // there was no data.csv before

  EXPECT_TRUE(editing.Delete(1));
  EXPECT_EQ(DataBak(),
            "A,2010/04/05 09:00,2010/04/05 10:00\r\nA,2010/04/05 11:00,2010/04/05 12:00\r\n");
  EXPECT_EQ(DataCsv(), "A,2010/04/05 09:00,2010/04/05 10:00\r\n");

  EXPECT_FALSE(editing.Delete(1));
  EXPECT_FALSE(editing.Delete(-1));
  EXPECT_EQ(data.store.Count(), 1);
  EXPECT_EQ(DataBak(),
            "A,2010/04/05 09:00,2010/04/05 10:00\r\nA,2010/04/05 11:00,2010/04/05 12:00\r\n");
  EXPECT_TRUE(tips.empty());
}

// ---- what the editor refuses ----

// The end must fall in a later clock minute than the start; seconds, which
// the file does not keep, do not count.
//   09:05:59 -> 09:06:00  accepted
//   09:05:00 -> 09:05:59  refused (written as an open record)
//   09:05:30 -> 09:05:10  refused
//   09:05    -> 09:04     refused
//   4/5 23:30 -> 4/5 01:15 refused (the end's date was not moved on)
TEST_F(RecordEditingTest, EndNotInALaterMinuteIsRefusedWithAWarning) {
  struct Case {
    LocalDateTime start, end;
  } refused[] = {
      {DT(2010, 4, 5, 9, 5, 0), DT(2010, 4, 5, 9, 5, 59)},
      {DT(2010, 4, 5, 9, 5, 30), DT(2010, 4, 5, 9, 5, 10)},
      {DT(2010, 4, 5, 9, 5, 0), DT(2010, 4, 5, 9, 4, 0)},
      {DT(2010, 4, 5, 23, 30), DT(2010, 4, 5, 1, 15)},
      {DT(2010, 4, 6, 0, 0), DT(2010, 4, 5, 23, 59)},
  };
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 8, 30))});
  size_t warnings = 0;
  for (const Case& c : refused) {
    SCOPED_TRACE(testing::Message() << c.start.wHour << ":" << c.start.wMinute << " -> "
                                    << c.end.wHour << ":" << c.end.wMinute);
    EXPECT_EQ(editing.Add(kA, c.start, c.end), -1);
    EXPECT_FALSE(editing.Change(0, kA, c.start, c.end));
    warnings += 2;
    ASSERT_EQ(dialog.shown.size(), warnings);
    EXPECT_EQ(dialog.shown.back().caption, u"警告");
    EXPECT_NE(dialog.shown.back().text.find(u"終了日時は開始日時より"), Text::npos);
  }
  EXPECT_EQ(Names(), (std::vector<Text>{u"B"}));
  EXPECT_EQ(data.store.At(0).start, DT(2010, 4, 5, 8, 0));
  ExpectNothingSaved();
  EXPECT_TRUE(storeMessages.shown.empty());

  EXPECT_EQ(editing.Add(kA, DT(2010, 4, 5, 9, 5, 59), DT(2010, 4, 5, 9, 6, 0)), 1);
  EXPECT_TRUE(editing.Change(0, kA, DT(2010, 4, 5, 23, 30), DT(2010, 4, 6, 1, 15)));
  EXPECT_EQ(dialog.shown.size(), warnings);
  EXPECT_EQ(DataCsv(),
            "A,2010/04/05 23:30,2010/04/06 01:15\r\nA,2010/04/05 09:05,2010/04/05 09:06\r\n");
}

TEST_F(RecordEditingTest, NoItemDoesNothingAndAnUnwritableNameIsRefused) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 8, 30))});
  const LocalDateTime s = DT(2010, 4, 5, 9, 0), e = DT(2010, 4, 5, 10, 0);
  EXPECT_EQ(editing.Add(-1, s, e), -1);
  EXPECT_FALSE(editing.Change(0, -1, s, e));
  EXPECT_EQ(editing.Add(data.catalogue.Count(), s, e), -1);
  EXPECT_TRUE(dialog.shown.empty());

  EXPECT_EQ(editing.Add(kUnholdable, s, e), -1);
  EXPECT_FALSE(editing.Change(0, kUnholdable, s, e));
  ASSERT_EQ(dialog.shown.size(), 2u);
  EXPECT_EQ(dialog.shown[0].text, u"「会議 室」は記録ファイルに書けない文字を含むため使えません");
  EXPECT_EQ(dialog.shown[0].caption, u"エラー");
  EXPECT_EQ(Names(), (std::vector<Text>{u"B"}));
  ExpectNothingSaved();
}

// ---- the running activity's open record ----

TEST_F(RecordEditingTest, ChangingTheRunningRecordMayKeepItOpenUnderANewName) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  RunA(WithMs(DT(2010, 4, 5, 9, 0, 10), 500));

  // Loaded into the pickers it has equal start and end; only the name and
  // the start's minute change.
  EXPECT_TRUE(editing.Change(1, kB, DT(2010, 4, 5, 8, 55, 10), DT(2010, 4, 5, 8, 55, 10)));
  EXPECT_EQ(data.currentActivity, u"B");
  EXPECT_EQ(tips, (std::vector<Text>{u"B"}));
  EXPECT_TRUE(IsOpenRecord(data.store.At(1)));
  EXPECT_EQ(data.store.At(1).end, data.store.At(1).start);
  EXPECT_EQ(DataCsv(),
            "B,2010/04/05 08:00,2010/04/05 09:00\r\nB,2010/04/05 08:55,2010/04/05 08:55\r\n");

  // An end in the same minute but at other seconds still leaves it open, to
  // the second, so that the tracker finds it.
  EXPECT_TRUE(editing.Change(1, kB, DT(2010, 4, 5, 8, 55, 40), DT(2010, 4, 5, 8, 55, 5)));
  EXPECT_TRUE(IsOpenRecord(data.store.At(1)));
  EXPECT_EQ(FindRunningRecord(data.store, data.currentActivity), 1);

  // An earlier end is refused even here.
  EXPECT_FALSE(editing.Change(1, kB, DT(2010, 4, 5, 8, 55), DT(2010, 4, 5, 8, 54)));
  EXPECT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(data.currentActivity, u"B");

  // Another record with equal start and end may not be made open.
  EXPECT_FALSE(editing.Change(0, kB, DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 8, 0)));
  EXPECT_EQ(dialog.shown.size(), 2u);
  EXPECT_EQ(tips.size(), 2u);
}

TEST_F(RecordEditingTest, GivingTheRunningRecordAnEndStopsTheActivity) {
  RunA(DT(2010, 4, 5, 9, 0, 10));
  EXPECT_TRUE(editing.Change(0, kA, DT(2010, 4, 5, 9, 0, 10), DT(2010, 4, 5, 9, 45, 10)));
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(tips, (std::vector<Text>{u"Dorvane"}));
  EXPECT_FALSE(IsOpenRecord(data.store.At(0)));
  EXPECT_EQ(DataCsv(), "A,2010/04/05 09:00,2010/04/05 09:45\r\n");

  // A closed record is no longer the running one: changing it touches
  // neither the activity nor the tooltip.
  EXPECT_TRUE(editing.Change(0, kB, DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 9, 30)));
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(tips.size(), 1u);
}

TEST_F(RecordEditingTest, DeletingTheRunningRecordStopsTheActivity) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  RunA(DT(2010, 4, 5, 9, 0, 10));
  EXPECT_TRUE(editing.Delete(0));
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_TRUE(tips.empty());
  EXPECT_TRUE(editing.Delete(0));
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(tips, (std::vector<Text>{u"Dorvane"}));
  EXPECT_EQ(DataCsv(), "");
}

// ---- import and export ----

TEST_F(RecordEditingTest, ImportAppendsInFileOrderAndSaves) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  editing.Add(kA, DT(2010, 4, 5, 10, 0), DT(2010, 4, 5, 11, 0));
  const std::string before = DataCsv();
  WriteBytes(dir.File(u"in.csv"),
             "X,2010/04/06 09:00,2010/04/06 09:30\r\n\r\nA,2010/4/1 7:05,2010/4/1 8:00");
  EXPECT_TRUE(editing.Import(dir.File(u"in.csv")));
  EXPECT_EQ(Names(), (std::vector<Text>{u"B", u"A", u"X", u"A"}));
  EXPECT_EQ(DataBak(), before);
  EXPECT_EQ(DataCsv(), before +
                           "X,2010/04/06 09:00,2010/04/06 09:30\r\n"
                           "A,2010/04/01 07:05,2010/04/01 08:00\r\n");
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_TRUE(tips.empty());
  EXPECT_TRUE(storeMessages.shown.empty());

  // Importing data.csv itself doubles the store; export writes it as is.
  EXPECT_TRUE(editing.Import(dir.File(u"data.csv")));
  EXPECT_EQ(data.store.Count(), 8);
  EXPECT_TRUE(editing.Export(dir.File(u"out.csv"), NeverAsked));
  EXPECT_EQ(ReadBytes(dir.File(u"out.csv")), DataCsv());
}

TEST_F(RecordEditingTest, MalformedImportLeavesTheStoreAndTheDataFileAsTheyWere) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  RunA(DT(2010, 4, 5, 9, 0, 10));
  editing.Add(kB, DT(2010, 4, 5, 7, 0), DT(2010, 4, 5, 7, 30));
  const std::string before = DataCsv();
  const std::vector<Text> names = Names();

  // Line 3 is malformed; lines 1 and 4 are fine and open.
  WriteBytes(dir.File(u"bad.csv"),
             "X,2010/04/06 09:00,2010/04/06 09:00\r\n\r\nY 2010/04/06\r\n"
             "Z,2010/04/06 10:00,2010/04/06 10:00\r\n");
  EXPECT_FALSE(editing.Import(dir.File(u"bad.csv")));
  ASSERT_EQ(storeMessages.shown.size(), 1u);
  EXPECT_EQ(storeMessages.shown[0].text, u"3番目のデータの形式が誤っています");
  EXPECT_EQ(storeMessages.shown[0].caption, u"エラー");
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_EQ(DataCsv(), before);
  EXPECT_TRUE(tips.empty());

  // A file that cannot be opened: the same, with the open failure.
  EXPECT_FALSE(editing.Import(dir.File(u"missing.csv")));
  ASSERT_EQ(storeMessages.shown.size(), 2u);
  EXPECT_EQ(storeMessages.shown[1].text, u"ファイルを開けませんでした\r\n" + dir.File(u"missing.csv"));
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(DataCsv(), before);
  EXPECT_EQ(DataBak(), before);  // the save still ran

  // A file too large to be a history: the same, and it is never read.
  const Text huge = dir.File(u"huge.csv");
  WriteBytes(huge, "X,2010/04/06 09:00,2010/04/06 09:30\r\n");
  files.PretendSize(huge, kMaxReadBytes + 1);
  const int reads = files.Calls(FileStep::Read);
  EXPECT_FALSE(editing.Import(huge));
  EXPECT_EQ(files.Calls(FileStep::Read), reads);
  ASSERT_EQ(storeMessages.shown.size(), 3u);
  EXPECT_EQ(storeMessages.shown[2].text, u"ファイルを開けませんでした\r\n" + huge);
  EXPECT_EQ(Names(), names);
  EXPECT_TRUE(dialog.shown.empty());
}

// An existing file that holds something is replaced only when the user
// agrees; an empty or new one is written without a question.
TEST_F(RecordEditingTest, ExportOntoAFileThatHoldsSomethingAsksFirst) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  const Text path = dir.File(u"out.csv");
  struct Case {
    const char* before;  // nullptr: no such file
    bool answer, asked, written;
  };
  for (const Case& c : {Case{"old\r\n", true, true, true}, Case{"old\r\n", false, true, false},
                        Case{"", false, false, true}, Case{nullptr, false, false, true}}) {
    std::filesystem::remove(std::filesystem::path(path));
    if (c.before) WriteBytes(path, c.before);
    std::vector<Text> asked;
    EXPECT_EQ(editing.Export(path, [&](const Text& p) { asked.push_back(p); return c.answer; }),
              c.written);
    EXPECT_EQ(asked, c.asked ? std::vector<Text>{path} : std::vector<Text>{});
    EXPECT_EQ(ReadBytes(path), c.written ? "B,2010/04/05 08:00,2010/04/05 09:00\r\n" : std::string(c.before));
  }
  EXPECT_TRUE(storeMessages.shown.empty());
}

// The program's own files are told by what they are, not by how they are
// named: through "." and "..", a hard link and, on Win32, the folder's 8.3 name.
TEST_F(RecordEditingTest, ExportRefusesTheProgramsOwnFilesByAnyName) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  std::filesystem::create_directory(std::filesystem::path(dir.File(u"sub")));
  std::vector<Text> folders = {dir.Path(), dir.File(u"."), JoinPath(dir.File(u"sub"), u"..")};
#ifdef _WIN32
  wchar_t shortName[MAX_PATH];
  const DWORD length = GetShortPathNameW(WStr(dir.Path()), shortName, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH);
  ASSERT_NE(FromWStr(shortName), dir.Path());
  folders.push_back(FromWStr(shortName));
#endif
  auto expectRefused = [&](const Text& path) {
    EXPECT_FALSE(editing.Export(path, NeverAsked));
    EXPECT_EQ(storeMessages.Texts(), std::vector<Text>{u"Dorvane の記録と設定のファイルには出力できません\r\n" + path});
    storeMessages.shown.clear();
  };
  for (const char16_t* own : {u"data.csv", u"data.bak", u"Dorvane.ini"}) {
    WriteBytes(dir.File(own), "own\r\n");
    const Text link = dir.File(u"link.csv");
    std::filesystem::remove(std::filesystem::path(link));
    ASSERT_TRUE(files.HardLink(dir.File(own), link)) << TextToUtf8(own);
    std::vector<Text> paths = {link};
    for (const Text& folder : folders) paths.push_back(JoinPath(folder, own));
    for (const Text& path : paths) expectRefused(path);
    EXPECT_EQ(ReadBytes(dir.File(own)), "own\r\n");
  }
  // Pending files and temporaries by name alone; nor a file that cannot be looked at.
  for (const char16_t* name : {u"data.csv.~pending", u"DORVANE.INI.~PENDING", u"data.csv.~base", u"Dorvane.ini.~BASE",
                               u"data.csv.~tmp3", u"Dorvane.ini.~tmp1", u"data.bak.tmp", u"data.bak.~tmp2"}) {
    expectRefused(JoinPath(folders.back(), name));
    EXPECT_FALSE(FileExists(dir.File(name)));
  }
  FaultyFileSystem blind;
  ActivityData other{Workspace{dir.Path(), blind, storeMessages}};
  RecordEditing exporting{other, dialog, nullptr};
  blind.Fail(FileStep::Examine, u"link.csv");
  EXPECT_FALSE(exporting.Export(dir.File(u"link.csv"), NeverAsked));
  EXPECT_EQ(storeMessages.Texts(), std::vector<Text>{u"ファイルを開けませんでした\r\n" + dir.File(u"link.csv")});
}

// An operation that finds data.csv edited elsewhere loads it and applies
// nothing (its row may be another record).
TEST_F(RecordEditingTest, AnOperationThatFindsAnEditLoadsItAndAppliesNothing) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  ASSERT_GE(editing.Add(kA, DT(2010, 4, 5, 10, 0), DT(2010, 4, 5, 11, 0)), 0);
  const std::string edit = "B,2010/04/05 08:00,2010/04/05 09:3_\r\nA,2010/04/05 12:00,2010/04/05 12:00\r\n";
  for (int op = 0; op < 4; ++op) {
    SaveElsewhere(dir.File(u"data.csv"), edit.substr(0, 34) + std::to_string(op) + edit.substr(35));
    const bool applied = op == 0   ? editing.Add(kB, DT(2010, 4, 5, 14, 0), DT(2010, 4, 5, 15, 0)) >= 0
                         : op == 1 ? editing.Change(0, kB, DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 8, 30))
                         : op == 2 ? editing.Delete(0)
                                   : editing.Import(dir.File(u"data.bak"));
    EXPECT_FALSE(applied) << op;
    EXPECT_TRUE(editing.Reloaded()) << op;
    EXPECT_EQ(Names(), (std::vector<Text>{u"B", u"A"})) << op;
    EXPECT_EQ(data.currentActivity, u"A");
  }
  EXPECT_EQ(tips, std::vector<Text>(4, u"A"));
  EXPECT_TRUE(editing.Delete(1));
  EXPECT_FALSE(editing.Reloaded());
  EXPECT_EQ(DataCsv(), "B,2010/04/05 08:00,2010/04/05 09:33\r\n");
}

TEST_F(RecordEditingTest, ImportWhileRunningGoesBeforeTheOpenRecord) {
  Put({Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0))});
  RunA(DT(2010, 4, 5, 9, 0, 10));
  WriteBytes(dir.File(u"in.csv"),
             "X,2010/04/06 09:00,2010/04/06 09:30\r\nY,2010/04/06 10:00,2010/04/06 10:00\r\n");
  EXPECT_TRUE(editing.Import(dir.File(u"in.csv")));
  EXPECT_EQ(Names(), (std::vector<Text>{u"B", u"X", u"Y", u"A"}));
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_EQ(FindRunningRecord(data.store, u"A"), 3);
  EXPECT_TRUE(tips.empty());
  EXPECT_EQ(DataCsv(),
            "B,2010/04/05 08:00,2010/04/05 09:00\r\n"
            "X,2010/04/06 09:00,2010/04/06 09:30\r\n"
            "Y,2010/04/06 10:00,2010/04/06 10:00\r\n"
            "A,2010/04/05 09:00,2010/04/05 09:00\r\n");
}

TEST_F(RecordEditingTest, ImportWhileIdleStartsTheFilesOpenLastRecord) {
  WriteBytes(dir.File(u"closed.csv"), "X,2010/04/06 09:00,2010/04/06 09:30\r\n");
  WriteBytes(dir.File(u"open.csv"),
             "Y,2010/04/06 10:00,2010/04/06 10:00\r\nZ,2010/04/06 11:00,2010/04/06 11:00\r\n");
  WriteBytes(dir.File(u"empty.csv"), "");

  EXPECT_TRUE(editing.Import(dir.File(u"closed.csv")));
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_TRUE(tips.empty());

  // Only the file's last record starts; Y stays a record of no length.
  EXPECT_TRUE(editing.Import(dir.File(u"open.csv")));
  EXPECT_EQ(data.currentActivity, u"Z");
  EXPECT_EQ(tips, (std::vector<Text>{u"Z"}));
  EXPECT_EQ(Names(), (std::vector<Text>{u"X", u"Y", u"Z"}));

  // Z now runs: the next import goes before it.
  EXPECT_TRUE(editing.Import(dir.File(u"closed.csv")));
  EXPECT_EQ(Names(), (std::vector<Text>{u"X", u"Y", u"X", u"Z"}));
  EXPECT_EQ(tips.size(), 1u);

  // Nothing runs, though the store's last record is open: an empty file
  // starts nothing, since only the file's own records count.
  data.currentActivity.clear();
  EXPECT_TRUE(editing.Import(dir.File(u"empty.csv")));
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(tips.size(), 1u);
  EXPECT_EQ(data.store.Count(), 4);
}
