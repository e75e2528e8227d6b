#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "data/activity_data.h"
#include "data/tracker.h"
#include "shell/messages.h"
#include "support/dates.h"
#include "support/faulty_files.h"
#include "support/recording_notifier.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace {

LocalDateTime At(int h, int mi, int s, int ms = 0) {
  LocalDateTime t = DT(2010, 4, 5, h, mi, s);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  t.wDayOfWeek = 1;  // the clock fills the weekday; 2010-04-05 is a Monday
  return t;
}

// A from 9:00 to 9:30, then B; then A again from 9:40.
const char kAThenB[] = "A,2010/04/05 09:00,2010/04/05 09:30\r\nB,2010/04/05 09:30,2010/04/05 09:30\r\n";
const char kABA[] = "A,2010/04/05 09:00,2010/04/05 09:30\r\nB,2010/04/05 09:30,2010/04/05 09:40\r\n"
                    "A,2010/04/05 09:40,2010/04/05 09:40\r\n";

// Items A, B, 作業, abc, ABC and one the record file cannot hold.
class TrackerTest : public ::testing::Test {
 protected:
  static constexpr int kA = 0, kB = 1, kWork = 2, kLower = 3, kUpper = 4, kUnholdable = 5;

  TrackerTest() {
    for (int k = 0; k < ItemCatalogue::kMaxSlots; ++k) data.catalogue.AddSlot(0x0000FFu, 1);
    for (const char16_t* name : {u"A", u"B", u"作業", u"abc", u"ABC", u"会議　室"}) {
      data.catalogue.AddName(name);
    }
  }

  // Each pick reads the clock once or twice; the test lists the readings.
  void Pick(int item, std::initializer_list<LocalDateTime> readings) {
    std::deque<LocalDateTime> times(readings);
    PickItem(
        data, item,
        [&times]() {
          if (times.empty()) {
            ADD_FAILURE() << "the clock was read more often than expected";
            return LocalDateTime{};
          }
          LocalDateTime t = times.front();
          times.pop_front();
          return t;
        },
        [this](const Text& running) { tips.push_back(TrayTip(running)); });
    EXPECT_TRUE(times.empty()) << "the clock was read less often than expected";
  }

  void ExpectRecords(const std::vector<ActivityRecord>& expected) {
    ASSERT_EQ(data.store.Count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(data.store.At(static_cast<int>(i)).name, expected[i].name);
      EXPECT_EQ(data.store.At(static_cast<int>(i)).start, expected[i].start);
      EXPECT_EQ(data.store.At(static_cast<int>(i)).end, expected[i].end);
    }
  }

  std::string DataCsv() const { return ReadBytes(dir.File(u"data.csv")); }
  std::string Pending() const { return ReadBytes(dir.File(u"data.csv.~pending")); }

  TempDir dir;
  FaultyFileSystem files;
  RecordingNotifier notifier;
  ActivityData data{Workspace{dir.Path(), files, notifier}};
  std::vector<Text> tips;
};

}  // namespace

TEST_F(TrackerTest, SameItemTwiceGivesOneClosedRecordAndIdle) {
  Pick(kA, {At(9, 5, 10, 250)});
  EXPECT_EQ(data.currentActivity, u"A");
  ExpectRecords({Rec(u"A", At(9, 5, 10, 250), At(9, 5, 10, 250))});
  EXPECT_EQ(DataCsv(), "A,2010/04/05 09:05,2010/04/05 09:05\r\n");

  Pick(kA, {At(10, 30, 45, 999)});
  EXPECT_EQ(data.currentActivity, u"");
  // Seconds and milliseconds stay in memory; the file has minutes.
  ExpectRecords({Rec(u"A", At(9, 5, 10, 250), At(10, 30, 45, 999))});
  EXPECT_EQ(DataCsv(), "A,2010/04/05 09:05,2010/04/05 10:30\r\n");
  EXPECT_EQ(tips, (std::vector<Text>{u"A", u"Dorvane"}));
  EXPECT_TRUE(notifier.shown.empty());
}

TEST_F(TrackerTest, SwitchClosesWithTheFirstReadingAndStartsWithTheSecond) {
  Pick(kA, {At(9, 0, 0)});
  Pick(kB, {At(9, 30, 0), At(9, 30, 1)});
  Pick(kB, {At(10, 0, 0)});
  ExpectRecords({Rec(u"A", At(9, 0, 0), At(9, 30, 0)), Rec(u"B", At(9, 30, 1), At(10, 0, 0))});
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(tips, (std::vector<Text>{u"A", u"B", u"Dorvane"}));
  EXPECT_EQ(DataCsv(),
            "A,2010/04/05 09:00,2010/04/05 09:30\r\nB,2010/04/05 09:30,2010/04/05 10:00\r\n");
  // The backup holds the file before the last pick.
  EXPECT_EQ(ReadBytes(dir.File(u"data.bak")), kAThenB);
}

TEST_F(TrackerTest, PickWhileIdleClosesNothing) {
  data.store.Append(Rec(u"B", At(8, 0, 0), At(8, 30, 0)));
  Pick(kWork, {At(9, 0, 0)});
  ExpectRecords({Rec(u"B", At(8, 0, 0), At(8, 30, 0)), Rec(u"作業", At(9, 0, 0), At(9, 0, 0))});
  EXPECT_EQ(tips, (std::vector<Text>{u"作業"}));
}

TEST_F(TrackerTest, IntervalRunningAcrossARestartEndsAtTheNextPick) {
  Pick(kA, {At(9, 0, 30)});
  // The program ends with A running and starts again an hour later.
  RecordingNotifier later;
  ActivityData restarted(Workspace{dir.Path(), files, later});
  restarted.catalogue = data.catalogue;
  restarted.store.Load();
  EXPECT_EQ(restarted.currentActivity, u"A");
  PickItem(restarted, kB, [] { return At(10, 1, 15); }, nullptr);
  ASSERT_EQ(restarted.store.Count(), 2);
  EXPECT_EQ(restarted.store.At(0).start, DT(2010, 4, 5, 9, 0));  // minutes only, from the file
  EXPECT_EQ(restarted.store.At(0).end, At(10, 1, 15));
  EXPECT_EQ(DataCsv(),
            "A,2010/04/05 09:00,2010/04/05 10:01\r\nB,2010/04/05 10:01,2010/04/05 10:01\r\n");
  EXPECT_TRUE(later.shown.empty());
}

// The editor or an import may have removed the running record or put records
// after it; a pick never overwrites another record's end.
TEST_F(TrackerTest, ClosesOnlyTheLastOpenRecordOfTheRunningItem) {
  // A ran, then the editor deleted its record.
  data.currentActivity = Text(u"A");
  data.store.Append(Rec(u"X", At(8, 0, 0), At(8, 30, 0)));
  Pick(kB, {At(9, 0, 0)});
  ExpectRecords({Rec(u"X", At(8, 0, 0), At(8, 30, 0)), Rec(u"B", At(9, 0, 0), At(9, 0, 0))});
  EXPECT_EQ(data.currentActivity, u"B");

  // B runs, and after it come a closed B and a closed Y.
  data.store.Append(Rec(u"B", At(7, 0, 0), At(7, 30, 0)));
  data.store.Append(Rec(u"Y", At(7, 30, 0), At(7, 45, 0)));
  Pick(kA, {At(10, 0, 0), At(10, 0, 1)});
  ExpectRecords({Rec(u"X", At(8, 0, 0), At(8, 30, 0)), Rec(u"B", At(9, 0, 0), At(10, 0, 0)),
                 Rec(u"B", At(7, 0, 0), At(7, 30, 0)), Rec(u"Y", At(7, 30, 0), At(7, 45, 0)),
                 Rec(u"A", At(10, 0, 1), At(10, 0, 1))});
}

TEST_F(TrackerTest, StopWithTheRunningRecordGoneClosesNothingAndSavesTheList) {
  data.currentActivity = Text(u"A");
  Pick(kA, {});
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(data.store.Count(), 0);
  EXPECT_EQ(tips, (std::vector<Text>{u"Dorvane"}));
  EXPECT_TRUE(FileExists(dir.File(u"data.csv")));
  EXPECT_EQ(DataCsv(), "");
}

TEST_F(TrackerTest, CommandOutsideTheItemListChangesNothing) {
  data.currentActivity = Text(u"A");
  data.store.Append(Rec(u"A", At(9, 0, 0), At(9, 0, 0)));
  const int count = data.catalogue.Count();
  // The indices of the command ids 40000, 40001 + count, 40020, 40021, 0
  // and -40001.
  for (int item : {-1, count, 19, 20, -40001, -80002}) {
    SCOPED_TRACE(item);
    Pick(item, {});
  }
  ExpectRecords({Rec(u"A", At(9, 0, 0), At(9, 0, 0))});
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_TRUE(tips.empty());
  EXPECT_FALSE(FileExists(dir.File(u"data.csv")));
  EXPECT_TRUE(notifier.shown.empty());
}

// An interval that ends in the minute it began would be written with equal
// start and end and come back as running: it is removed instead.
//   09:05:10 [--] 09:05:59          removed
//   09:05:10 [---] 09:06:00         kept
//   09:05:10 [----------] 10:05:00  kept (same minute, another hour)
TEST_F(TrackerTest, IntervalWithinOneClockMinuteIsRemoved) {
  Pick(kA, {At(9, 5, 10)});
  Pick(kA, {At(9, 5, 59, 999)});
  EXPECT_EQ(data.store.Count(), 0);
  EXPECT_EQ(data.currentActivity, u"");
  EXPECT_EQ(DataCsv(), "");

  Pick(kA, {At(9, 5, 10)});
  Pick(kA, {At(9, 6, 0)});
  ExpectRecords({Rec(u"A", At(9, 5, 10), At(9, 6, 0))});

  Pick(kA, {At(9, 5, 10)});
  Pick(kA, {At(10, 5, 0)});
  EXPECT_EQ(data.store.Count(), 2);

  // A switch within the minute removes the closed record, keeps the new one.
  Pick(kA, {At(11, 0, 5)});
  Pick(kB, {At(11, 0, 50), At(11, 0, 50)});
  EXPECT_EQ(data.store.Count(), 3);
  EXPECT_EQ(data.store.At(2).name, u"B");
  EXPECT_EQ(data.currentActivity, u"B");
  EXPECT_EQ(tips.back(), u"B");
}

TEST_F(TrackerTest, ItemTheRecordFileCannotHoldIsRefusedWithAMessage) {
  Pick(kA, {At(9, 0, 0)});
  const std::string before = DataCsv();
  tips.clear();
  Pick(kUnholdable, {});
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, u"「会議　室」は記録ファイルに書けない文字を含むため使えません");
  EXPECT_EQ(notifier.shown[0].caption, u"エラー");
  EXPECT_EQ(notifier.shown[0].icon, MessageIcon::None);
  // A keeps running as if nothing was picked.
  EXPECT_EQ(data.currentActivity, u"A");
  ExpectRecords({Rec(u"A", At(9, 0, 0), At(9, 0, 0))});
  EXPECT_TRUE(tips.empty());
  EXPECT_EQ(DataCsv(), before);
}

TEST_F(TrackerTest, FailedSaveKeepsTheChangeAndSetsTheTooltip) {
  files.Fail(FileStep::Create);
  Pick(kA, {At(9, 0, 0)});
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, u"ファイルを開けませんでした\r\n" + dir.File(u"data.csv"));
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_EQ(tips, (std::vector<Text>{u"A"}));
  EXPECT_FALSE(FileExists(dir.File(u"data.csv")));

  files.Heal();
  Pick(kA, {At(9, 40, 0)});
  EXPECT_EQ(DataCsv(), "A,2010/04/05 09:00,2010/04/05 09:40\r\n");
  EXPECT_EQ(notifier.shown.size(), 1u);
}

// A virus scanner or a sync client looks at data.csv for a moment: the save
// waits it out and the user sees nothing.
TEST_F(TrackerTest, SaveWaitsOutABriefHoldOfDataCsv) {
  Pick(kA, {At(9, 0, 0)});
  files.HoldForReplaces(u"data.csv", 2);
  Pick(kB, {At(9, 30, 0), At(9, 30, 0)});
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_FALSE(data.store.Unsaved());
  EXPECT_EQ(files.Waited(), 50u + 100u);
  EXPECT_EQ(DataCsv(), kAThenB);
}

// A spreadsheet keeps data.csv open: after about two seconds in all (the
// backup's replace and data.csv's share them) the history goes to the
// pending file with one message per hold, until a quiet retry finds the
// file free.
TEST_F(TrackerTest, HoldLongerThanThePatienceGoesToThePendingFileUntilAQuietRetry) {
  const std::string before = "A,2010/04/05 09:00,2010/04/05 09:00\r\n";
  Pick(kA, {At(9, 0, 0)});
  files.HoldForReplaces(u"data.csv.~tmp", -1);
  Pick(kB, {At(9, 30, 0), At(9, 30, 0)});
  EXPECT_EQ(notifier.Texts(), (std::vector<Text>{u"ファイルを開けませんでした\r\n" + dir.File(u"data.csv")}));
  EXPECT_EQ(files.Waited(), 2000u);
  EXPECT_TRUE(data.store.Unsaved());
  EXPECT_EQ(DataCsv(), before);
  EXPECT_EQ(Pending(), kAThenB);

  Pick(kA, {At(9, 40, 0), At(9, 40, 0)});
  EXPECT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(files.Waited(), 4000u);
  EXPECT_EQ(Pending(), kABA);

  HoldPatience none = HoldPatience::None();
  EXPECT_FALSE(data.store.Save(none, SaveKind::kQuiet));
  EXPECT_EQ(files.Waited(), 4000u) << "a quiet retry never waits";
  files.Lock(dir.File(u"data.csv"));
  const int created = files.Calls(FileStep::Create);
  EXPECT_FALSE(data.store.Save(none, SaveKind::kQuiet));
  EXPECT_EQ(files.Calls(FileStep::Create), created) << "nothing written while data.csv is seen held";
  files.Heal();
  EXPECT_TRUE(data.store.Save(none, SaveKind::kQuiet));
  EXPECT_EQ(notifier.shown.size(), 1u);
  EXPECT_FALSE(data.store.Unsaved());
  EXPECT_EQ(DataCsv(), kABA);
  EXPECT_EQ(ReadBytes(dir.File(u"data.bak")), before);
  EXPECT_EQ(dir.Names(), (std::vector<Text>{u"data.bak", u"data.csv"}));

  files.HoldForReplaces(u"data.csv.~tmp", -1);
  Pick(kB, {At(9, 50, 0), At(9, 50, 0)});
  EXPECT_EQ(notifier.shown.size(), 2u) << "a new hold is reported again";
}

// A read-only data.csv is no hold: the save fails at once, to the pending
// file; when even that cannot be written, every failure says so.
TEST_F(TrackerTest, AFileThatCanNeverBeReplacedFailsAtOnce) {
  Pick(kA, {At(9, 0, 0)});
  files.Fail(FileStep::Replace, u"data.csv.~tmp");
  Pick(kB, {At(9, 30, 0), At(9, 30, 0)});
  Pick(kA, {At(9, 40, 0), At(9, 40, 0)});
  EXPECT_EQ(files.Waited(), 0u);
  EXPECT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(Pending(), kABA);
  files.Fail(FileStep::Replace, u"~pending");
  Pick(kB, {At(9, 50, 0), At(9, 50, 0)});
  Pick(kA, {At(9, 55, 0), At(9, 55, 0)});
  EXPECT_EQ(notifier.shown.size(), 3u) << "the pending file failed too";
}

TEST_F(TrackerTest, NamesAreComparedExactly) {
  Pick(kLower, {At(9, 0, 0)});
  Pick(kUpper, {At(9, 30, 0), At(9, 30, 0)});
  EXPECT_EQ(data.currentActivity, u"ABC");
  ExpectRecords({Rec(u"abc", At(9, 0, 0), At(9, 30, 0)), Rec(u"ABC", At(9, 30, 0), At(9, 30, 0))});
}
