#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/codepage932.h"
#include "data/activity_data.h"
#include "data/record_file.h"
#include "support/dates.h"
#include "support/faulty_files.h"
#include "support/recording_notifier.h"
#include "support/records.h"
#include "support/sample_history.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char kTwoRecords[] =
    "A,2010/04/05 09:05,2010/04/05 10:30\r\n"
    "B,2010/04/05 10:30,2010/04/05 11:00\r\n";

class RecordStoreTest : public ::testing::Test {
 protected:
  Text DataCsv() const { return dir.File(u"data.csv"); }
  Text DataBak() const { return dir.File(u"data.bak"); }

  // The message box the store showed last, checked for caption and icon.
  Text OnlyMessage() {
    EXPECT_EQ(notifier.shown.size(), 1u);
    if (notifier.shown.empty()) return Text();
    const ShownMessage m = notifier.shown.back();
    EXPECT_EQ(m.caption, u"エラー");
    EXPECT_EQ(m.icon, MessageIcon::None);
    notifier.shown.clear();
    return m.text;
  }
  Text OpenFailure(const Text& path) const { return u"ファイルを開けませんでした\r\n" + path; }

  Text Pending() const { return dir.File(u"data.csv.~pending"); }

  // What a run leaves when it ends while data.csv is held: its change in
  // the pending file, with the record of what that was based on.
  void LeavePending(const std::string& csv, const ActivityRecord& change) {
    WriteBytes(DataCsv(), csv);
    ActivityData run(Workspace{dir.Path(), files, notifier});
    run.store.Load();
    run.store.Append(change);
    files.Lock(DataCsv());
    EXPECT_FALSE(run.store.Save());
    files.Heal();
    notifier.shown.clear();
  }

  // The path that the kept copy's last line ("… を %s に保存しました") names.
  static Text KeptCopyIn(const Text& message) {
    const size_t line = message.rfind(u"\r\n");
    const size_t before = line == Text::npos ? Text::npos : message.find(u"を ", line);
    const Text after = u" に保存しました";
    if (before == Text::npos || message.size() < after.size() ||
        message.compare(message.size() - after.size(), after.size(), after) != 0) {
      return Text();
    }
    const size_t b = before + 2;
    return message.substr(b, message.size() - after.size() - b);
  }
  // The only message says `failure` and names the copy kept aside; gives the copy.
  Text KeptAside(const Text& failure) {
    const Text message = OnlyMessage();
    const Text kept = KeptCopyIn(message);
    EXPECT_EQ(message, failure + u"\r\n読み込めなかったファイルの控えを " + kept + u" に保存しました");
    return kept;
  }

  TempDir dir;
  FaultyFileSystem files;
  RecordingNotifier notifier;
  ActivityData data{Workspace{dir.Path(), files, notifier}};
  RecordStore& store = data.store;
};

}  // namespace

TEST_F(RecordStoreTest, LoadRestoresTheRunningItemFromAnOpenLastRecord) {
  // The item is in no catalogue: the reader does not ask.
  // 未登録 in code page 932.
  WriteBytes(DataCsv(), std::string(kTwoRecords) + "\x96\xa2\x93\x6f\x98\x5e,2010/04/05 11:00,2010/04/05 11:00");
  store.Load();
  EXPECT_TRUE(notifier.shown.empty());
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(data.currentActivity, u"未登録");
  EXPECT_EQ(store.At(2).start, DT(2010, 4, 5, 11, 0));
}

TEST_F(RecordStoreTest, AClosedLastRecordLeavesTheRunningItemAsItWas) {
  WriteBytes(DataCsv(), kTwoRecords);
  // Text(...): GCC 12 warns falsely (-Wrestrict) when a literal is assigned here.
  data.currentActivity = Text(u"X");
  store.Load();
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(data.currentActivity, u"X");
}

TEST_F(RecordStoreTest, FirstStartReportsTheMissingFileThenSaveCreatesItWithoutBackup) {
  store.Load();
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  EXPECT_EQ(store.Count(), 0);
  EXPECT_FALSE(store.SavesBlocked());

  store.Append(Rec(u"作業", DT(2010, 4, 5, 9, 5), DT(2010, 4, 5, 9, 5)));
  EXPECT_TRUE(store.Save());
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_EQ(ReadBytes(DataCsv()), "\x8d\xec\x8b\xc6,2010/04/05 09:05,2010/04/05 09:05\r\n");
  EXPECT_EQ(dir.Names(), std::vector<Text>{u"data.csv"});
}

TEST_F(RecordStoreTest, BackupWithoutADataFileIsKeptBeforeSavesPushItOut) {
  WriteBytes(DataBak(), kTwoRecords);
  store.Load();
  const Text kept = KeptAside(OpenFailure(DataCsv()));
  EXPECT_EQ(kept.substr(0, DataBak().size() + 1), DataBak() + u".");
  store.Append(Rec(u"C", DT(2010, 4, 6, 9, 0), DT(2010, 4, 6, 9, 30)));
  ASSERT_TRUE(store.Save());
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(kept), kTwoRecords);
}

TEST_F(RecordStoreTest, SaveKeepsThePreviousFileByteForByteAsBackup) {
  // Written by hand: LF line ends and unpadded numbers, which the writer
  // would not produce. data.bak must be this file, not a rewrite of it.
  const std::string byHand = "A,2010/4/5 9:5,2010/4/5 10:30\nB,2010/4/5 10:30,2010/4/5 11:00";
  WriteBytes(DataCsv(), byHand);
  store.Load();
  store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 12, 0)));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(DataBak()), byHand);
  const std::string first = std::string(kTwoRecords) + "C,2010/04/05 11:00,2010/04/05 12:00\r\n";
  EXPECT_EQ(ReadBytes(DataCsv()), first);

  store.RemoveAt(0);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(DataBak()), first);
  EXPECT_EQ(ReadBytes(DataCsv()),
            "B,2010/04/05 10:30,2010/04/05 11:00\r\nC,2010/04/05 11:00,2010/04/05 12:00\r\n");
  EXPECT_EQ(dir.Names(), (std::vector<Text>{u"data.bak", u"data.csv"}));
  EXPECT_TRUE(notifier.shown.empty());
}

TEST_F(RecordStoreTest, MalformedFileIsKeptAndNoLaterSaveOverwritesIt) {
  const std::string original = std::string("A,2010/04/05 09:05,2010/04/05 09:05\r\n") +
                               "\r\n" + "B 2010/04/05 10:30\r\n" + kTwoRecords;
  WriteBytes(DataCsv(), original);
  store.Load();
  const Text message = OnlyMessage();
  EXPECT_EQ(message.substr(0, message.find(u'\r')), u"3番目のデータの形式が誤っています");
  const Text kept = KeptCopyIn(message);
  ASSERT_FALSE(kept.empty()) << TextToUtf8(message);
  EXPECT_EQ(kept.substr(0, DataCsv().size() + 1), DataCsv() + u".");
  EXPECT_EQ(ReadBytes(kept), original);
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(data.currentActivity, u"");  // A's open record does not count
  EXPECT_FALSE(store.SavesBlocked());

  // Two saves push the original out of data.csv and data.bak; the kept
  // copy stays.
  store.Append(Rec(u"C", DT(2010, 4, 6, 9, 0), DT(2010, 4, 6, 9, 30)));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(DataBak()), original);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(kept), original);

  // Another run that meets the same trouble does not overwrite the copy;
  // the copy's name is dated by the workspace's clock.
  WriteBytes(DataCsv(), original);
  ActivityData again(Workspace{dir.Path(), files, notifier, [] { return DT(2010, 4, 6, 9, 30, 5); }});
  again.store.Load();
  const Text secondKept = KeptCopyIn(OnlyMessage());
  EXPECT_NE(secondKept, kept);
  EXPECT_EQ(secondKept, DataCsv() + u".2010-04-06_093005");
  EXPECT_EQ(ReadBytes(secondKept), original);
  EXPECT_EQ(ReadBytes(kept), original);
}

TEST_F(RecordStoreTest, UnreadableFileIsCopiedAsideBeforeTheMessage) {
  WriteBytes(DataCsv(), kTwoRecords);
  files.Fail(FileStep::Read, u"data.csv");
  store.Load();
  const Text kept = KeptAside(OpenFailure(DataCsv()));
  EXPECT_EQ(ReadBytes(kept), kTwoRecords);
  EXPECT_FALSE(store.SavesBlocked());
}

// Nothing replaces it, data.bak included, until a save can keep it aside:
// meanwhile a change goes to the pending file, and the catch-up timer's
// quiet try keeps it aside once the other program lets go.
TEST_F(RecordStoreTest, FileThatCanNeitherBeReadNorCopiedIsKeptAsideByTheFirstSaveThatCan) {
  WriteBytes(DataCsv(), kTwoRecords);
  files.Lock(DataCsv());
  store.Load();
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  EXPECT_TRUE(store.SavesBlocked());

  store.Append(Rec(u"C", DT(2010, 4, 6, 9, 0), DT(2010, 4, 6, 9, 0)));
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  EXPECT_EQ(ReadBytes(DataCsv()), kTwoRecords);
  EXPECT_FALSE(FileExists(DataBak()));
  EXPECT_EQ(ReadBytes(Pending()), "C,2010/04/06 09:00,2010/04/06 09:00\r\n");
  EXPECT_FALSE(store.ChangeHeldByNoFile());

  files.Heal();
  HoldPatience none = HoldPatience::None();
  EXPECT_TRUE(store.Save(none, SaveKind::kQuiet));
  const Text kept = KeptAside(OpenFailure(DataCsv()));
  EXPECT_EQ(ReadBytes(kept), kTwoRecords);
  EXPECT_EQ(ReadBytes(DataCsv()), "C,2010/04/06 09:00,2010/04/06 09:00\r\n");
  EXPECT_FALSE(store.SavesBlocked());
  EXPECT_FALSE(FileExists(Pending()));

  // Export elsewhere still works.
  EXPECT_TRUE(store.WriteTo(dir.File(u"export.csv")));
  EXPECT_EQ(ReadBytes(dir.File(u"export.csv")), "C,2010/04/06 09:00,2010/04/06 09:00\r\n");
}

// A power cut inside a save's rename on FAT can leave the temporary alone:
// it holds the newest history and goes back in place of data.csv. An empty
// one proves nothing, and data.bak is kept aside as for any lost data.csv.
TEST_F(RecordStoreTest, ADataCsvLeftOnlyAsItsTemporaryIsPutBack) {
  const std::string backup = "A,2010/04/05 09:05,2010/04/05 10:30\r\n";
  WriteBytes(DataBak(), backup);
  WriteBytes(dir.File(u"data.csv.~tmp1"), kTwoRecords);
  store.Load();
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(ReadBytes(DataCsv()), kTwoRecords);
  EXPECT_EQ(dir.Names(), (std::vector<Text>{u"data.bak", u"data.csv"}));

  ActivityData again{Workspace{dir.Path(), files, notifier}};
  ASSERT_TRUE(std::filesystem::remove(std::filesystem::path(DataCsv())));
  WriteBytes(dir.File(u"data.csv.~tmp1"), "");
  again.store.Load();
  EXPECT_EQ(ReadBytes(KeptAside(OpenFailure(DataCsv()))), backup);
  EXPECT_EQ(again.store.Count(), 0);
  EXPECT_FALSE(FileExists(DataCsv()));
}

// The same for the pending file and its record: put back, the pending file
// is taken up only as any other is, while its record names what data.csv
// holds; one based on another data.csv is kept aside, whatever the times.
TEST_F(RecordStoreTest, APendingFileLeftOnlyAsItsTemporaryIsTakenUpOnItsRecordedBase) {
  LeavePending(kTwoRecords, Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  const std::string pending = ReadBytes(Pending());
  const Text temporary = dir.File(u"data.csv.~pending.~tmp1");
  const Text base = dir.File(u"data.csv.~base");
  std::filesystem::rename(std::filesystem::path(Pending()), std::filesystem::path(temporary));
  store.Load();
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_EQ(store.Count(), 3);
  EXPECT_EQ(ReadBytes(Pending()), pending);

  ActivityData record{Workspace{dir.Path(), files, notifier}};
  std::filesystem::rename(std::filesystem::path(Pending()), std::filesystem::path(temporary));
  std::filesystem::rename(std::filesystem::path(base), std::filesystem::path(base + u".~tmp1"));
  record.store.Load();
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_EQ(record.store.Count(), 3) << "the record put back too";
  EXPECT_TRUE(FileExists(base));

  ActivityData other{Workspace{dir.Path(), files, notifier}};
  std::filesystem::rename(std::filesystem::path(Pending()), std::filesystem::path(temporary));
  WriteBytes(DataCsv(), "A,2010/04/05 09:05,2010/04/05 10:30\r\n");
  Age(temporary);  // a later write time decides nothing
  other.store.Load();
  EXPECT_EQ(other.store.Count(), 1);
  ASSERT_EQ(notifier.Texts().size(), 1u);
  EXPECT_EQ(notifier.Texts()[0].rfind(u"保存できなかった変更のファイルを読み込みませんでした\r\n" + Pending(), 0), 0u);
  EXPECT_EQ(ReadBytes(KeptCopyIn(notifier.Texts()[0])), pending);
  EXPECT_FALSE(FileExists(Pending()));
  EXPECT_FALSE(FileExists(temporary));
}

// Above the limit the file is kept aside unread, as an unreadable one is.
TEST_F(RecordStoreTest, FileAboveTheSizeLimitIsKeptAsideUnread) {
  WriteBytes(DataCsv(), kTwoRecords);
  files.PretendSize(DataCsv(), kMaxReadBytes);
  store.Load();
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(files.Calls(FileStep::Read), 1);
  EXPECT_TRUE(notifier.shown.empty());

  ActivityData again{Workspace{dir.Path(), files, notifier}};
  files.PretendSize(DataCsv(), kMaxReadBytes + 1);
  again.store.Load();
  EXPECT_EQ(again.store.Count(), 0);
  EXPECT_EQ(files.Calls(FileStep::Read), 1);
  EXPECT_EQ(files.Calls(FileStep::Copy), 0) << "renamed, not copied";
  EXPECT_EQ(ReadBytes(KeptAside(OpenFailure(DataCsv()))), kTwoRecords);
  EXPECT_FALSE(FileExists(DataCsv()));
}

TEST_F(RecordStoreTest, PendingFileAboveTheSizeLimitIsKeptAsideUnread) {
  LeavePending(kTwoRecords, Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  const std::string pending = ReadBytes(Pending());
  files.PretendSize(Pending(), kMaxReadBytes + 1);
  const int reads = files.Calls(FileStep::Read);
  store.Load();
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(files.Calls(FileStep::Read) - reads, 2) << "data.csv and the record, not the pending file";
  EXPECT_EQ(ReadBytes(KeptAside(OpenFailure(Pending()))), pending);
  EXPECT_FALSE(FileExists(Pending()));
  EXPECT_FALSE(FileExists(dir.File(u"data.csv.~base")));
}

TEST_F(RecordStoreTest, MalformedFileThatCannotBeCopiedBlocksSavesUntilItCanBe) {
  WriteBytes(DataCsv(), "bad line\r\n");
  files.Fail(FileStep::Copy);
  files.Fail(FileStep::Create, u"data.csv.2");  // no dated copy of any kind
  store.Load();
  EXPECT_EQ(OnlyMessage(), u"1番目のデータの形式が誤っています");
  EXPECT_TRUE(store.SavesBlocked());
  EXPECT_FALSE(store.ChangeHeldByNoFile()) << "nothing changed yet";
  store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  HoldPatience none = HoldPatience::None();
  EXPECT_FALSE(store.Save(none, SaveKind::kQuiet));
  EXPECT_TRUE(notifier.shown.empty()) << "a quiet save shows nothing";
  EXPECT_EQ(ReadBytes(DataCsv()), "bad line\r\n");
  EXPECT_FALSE(store.ChangeHeldByNoFile()) << "the pending file holds it";

  files.Heal();
  EXPECT_TRUE(store.Save(none, SaveKind::kQuiet));
  EXPECT_EQ(ReadBytes(KeptAside(OpenFailure(DataCsv()))), "bad line\r\n");
  EXPECT_EQ(ReadBytes(DataCsv()), "C,2010/04/05 11:00,2010/04/05 11:00\r\n");
}

// The pending file of a run that could not load data.csv is no base for the
// next start: both files are kept aside there before anything replaces them.
TEST_F(RecordStoreTest, APendingFileMadeOverAnUnloadedDataCsvIsNotTakenUp) {
  WriteBytes(DataCsv(), "bad line\r\n");
  files.Fail(FileStep::Copy);
  files.Fail(FileStep::Create, u"data.csv.2");
  store.Load();
  store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  EXPECT_FALSE(store.Save());
  files.Heal();
  notifier.shown.clear();

  ActivityData next(Workspace{dir.Path(), files, notifier});
  next.store.Load();
  ASSERT_EQ(notifier.Texts().size(), 2u);
  EXPECT_EQ(ReadBytes(KeptCopyIn(notifier.Texts()[0])), "C,2010/04/05 11:00,2010/04/05 11:00\r\n");
  EXPECT_EQ(ReadBytes(KeptCopyIn(notifier.Texts()[1])), "bad line\r\n");
  notifier.shown.clear();
}

// The copy is on the disk before a save replaces the original: one whose
// flush fails is no copy (after a power cut it could read as zeros).
TEST_F(RecordStoreTest, AKeptCopyThatCannotBeFlushedIsNoCopy) {
  WriteBytes(DataCsv(), "bad line\r\n");
  files.Fail(FileStep::Flush, u"data.csv.");
  store.Load();
  EXPECT_EQ(OnlyMessage(), u"1番目のデータの形式が誤っています");
  EXPECT_TRUE(store.SavesBlocked());
  EXPECT_EQ(dir.Names(), std::vector<Text>{u"data.csv"});
}

// A change is held by a file once data.csv or the pending file has it.
TEST_F(RecordStoreTest, TheLastChangeIsHeldByNoFileUntilDataCsvOrThePendingFileHasIt) {
  WriteBytes(DataCsv(), kTwoRecords);
  store.Load();
  const ActivityRecord c = Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0));
  const std::function<void()> changes[] = {
      [&] { store.Append(c); }, [&] { store.InsertAt(0, c); }, [&] { store.RemoveAt(0); },
      [&] { store.At(0).end = c.end; }};
  for (const auto& change : changes) {
    change();
    EXPECT_TRUE(store.ChangeHeldByNoFile()) << "before its save";
    files.Lock(DataCsv());
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.ChangeHeldByNoFile()) << "the pending file has it";
    files.Heal();
    EXPECT_TRUE(store.Save());
    EXPECT_FALSE(store.Unsaved());
  }
  files.Lock(DataCsv());
  store.Save();
  store.Append(c);  // its save has not come yet
  EXPECT_TRUE(store.ChangeHeldByNoFile()) << "the pending file has an older list";
  HoldPatience none = HoldPatience::None();
  store.Save(none, SaveKind::kQuiet);
  EXPECT_FALSE(store.ChangeHeldByNoFile()) << "a quiet retry writes the newer list";
  files.Lock(Pending());
  store.Append(c);
  EXPECT_FALSE(store.Save());
  EXPECT_TRUE(store.ChangeHeldByNoFile()) << "the pending file could not be written";
  notifier.shown.clear();
}

// A pending file based on what data.csv holds is the history until saved in
// place; a malformed one is kept aside; an unreadable one is left, and no
// longer based on data.csv after this run's save.
TEST_F(RecordStoreTest, StartUpTakesUpAPendingFileThatReadsCleanlyOnItsBase) {
  const ActivityRecord c = Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0));
  const std::string newer = std::string(kTwoRecords) + "C,2010/04/05 11:00,2010/04/05 11:00\r\n";
  LeavePending(kTwoRecords, c);
  store.Load();
  EXPECT_EQ(store.Count(), 3);
  EXPECT_EQ(data.currentActivity, u"C");
  EXPECT_TRUE(store.Unsaved());
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(DataCsv()), newer);
  EXPECT_EQ(ReadBytes(DataBak()), kTwoRecords);
  EXPECT_EQ(dir.Names(), (std::vector<Text>{u"data.bak", u"data.csv"}));

  LeavePending(kTwoRecords, c);
  WriteBytes(Pending(), "bad line\r\n");
  ActivityData malformed(Workspace{dir.Path(), files, notifier});
  malformed.store.Load();
  const Text kept = KeptAside(u"1番目のデータの形式が誤っています");
  EXPECT_EQ(kept.rfind(Pending() + u".", 0), 0u) << TextToUtf8(kept);
  EXPECT_EQ(ReadBytes(kept), "bad line\r\n");
  EXPECT_FALSE(FileExists(Pending()));
  EXPECT_EQ(malformed.store.Count(), 2);
  EXPECT_FALSE(malformed.store.Unsaved());

  LeavePending(kTwoRecords, c);
  files.Lock(Pending());
  ActivityData locked(Workspace{dir.Path(), files, notifier});
  locked.store.Load();
  EXPECT_EQ(OnlyMessage(), OpenFailure(Pending()));
  EXPECT_EQ(locked.store.Count(), 2);
  files.Heal();
  locked.store.Append(Rec(u"D", DT(2010, 4, 5, 12, 0), DT(2010, 4, 5, 13, 0)));
  EXPECT_TRUE(locked.store.Save());
  EXPECT_EQ(ReadBytes(Pending()), newer) << "never deleted unread";
  ActivityData later(Workspace{dir.Path(), files, notifier});
  later.store.Load();
  EXPECT_EQ(later.store.Count(), 3) << "the run's own data.csv, not the pending file based on an older one";
  EXPECT_EQ(ReadBytes(KeptCopyIn(notifier.Texts().at(0))), newer);
}

// Left beside a newer data.csv it would bring back older history at the
// next start: when it cannot be removed it gets the content just saved.
TEST_F(RecordStoreTest, APendingFileThatCannotBeRemovedGetsTheSavedContent) {
  LeavePending("A,2010/04/05 09:05,2010/04/05 10:30\r\n", Rec(u"B", DT(2010, 4, 5, 10, 30), DT(2010, 4, 5, 11, 0)));
  store.Load();
  store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  files.Fail(FileStep::Remove, u"~pending", 1);
  EXPECT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(Pending()), ReadBytes(DataCsv()));
  ActivityData between(Workspace{dir.Path(), files, notifier});
  between.store.Load();
  EXPECT_EQ(between.store.Count(), 3) << "its record names what was just written";
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_TRUE(store.Save());
  EXPECT_EQ(dir.Names(), (std::vector<Text>{u"data.bak", u"data.csv"}));
}

// Whatever another program wrote to data.csv is loaded, or kept aside before
// it is replaced (a change looks first, as a pick or the editor does).
TEST_F(RecordStoreTest, EditsMadeElsewhereAreLoadedOrKeptAside) {
  const std::string kC = "C,2010/04/05 11:00,2010/04/05 12:00\r\n", kD = "D,2010/04/05 12:00,2010/04/05 13:00\r\n",
                    kE = "E,2010/04/05 13:00,2010/04/05 14:00\r\n", kAB = kTwoRecords, kBad = "bad line\r\n";
  enum class OnDisk { kNothing, kCleanEdit, kUnreadableEdit };
  const char16_t* const kChanged = u"他のプログラムでもファイルが変更されていました\r\n%s";
  struct Case {
    OnDisk disk;
    bool ownChange;  // a save of C failed first
    SaveKind kind;
    std::string final, kept;  // data.csv afterwards; the copy kept aside ("" none)
    const char16_t* message;  // the only message, before its kept-copy line; null: none
  };
  const Case cases[] = {
      {OnDisk::kNothing, false, SaveKind::kChange, kAB + kE, "", nullptr},
      {OnDisk::kCleanEdit, false, SaveKind::kChange, kAB + kD + kE, "", nullptr},
      {OnDisk::kUnreadableEdit, false, SaveKind::kChange, kAB + kE, kBad, u"1番目のデータの形式が誤っています"},
      {OnDisk::kNothing, true, SaveKind::kQuiet, kAB + kC, "", nullptr},
      {OnDisk::kCleanEdit, true, SaveKind::kChange, kAB + kC + kE, kAB + kD, kChanged},
      {OnDisk::kCleanEdit, true, SaveKind::kQuiet, kAB + kC, kAB + kD, kChanged},
      {OnDisk::kUnreadableEdit, true, SaveKind::kEnd, kAB + kC, kBad, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << (&c - cases));
    for (const Text& name : dir.Names()) std::filesystem::remove(std::filesystem::path(dir.File(name)));
    WriteBytes(DataCsv(), kAB);
    ActivityData run(Workspace{dir.Path(), files, notifier});
    run.store.Load();
    if (c.ownChange) {
      run.store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 12, 0)));
      files.Fail(FileStep::Replace, u"data.csv", 1);
      EXPECT_FALSE(run.store.Save());
      notifier.shown.clear();
    }
    if (c.disk == OnDisk::kCleanEdit || c.disk == OnDisk::kUnreadableEdit) {
      SaveElsewhere(DataCsv(), c.disk == OnDisk::kCleanEdit ? kAB + kD : kBad);
    }
    HoldPatience patience = HoldPatience::None();
    if (c.kind == SaveKind::kChange) {
      run.store.TakeInEdit();
      run.store.Append(Rec(u"E", DT(2010, 4, 5, 13, 0), DT(2010, 4, 5, 14, 0)));
    }
    EXPECT_TRUE(run.store.Save(patience, c.kind));
    EXPECT_EQ(ReadBytes(DataCsv()), c.final);
    Text kept;
    for (const Text& name : dir.Names()) {
      if (name != u"data.csv" && name != u"data.bak") kept = dir.File(name);
    }
    EXPECT_EQ(kept.empty() ? std::string() : ReadBytes(kept), c.kept);
    // The kept copy's line says whose content it holds.
    const Text keptLine = c.message == kChanged ? u"\r\n他のプログラムが保存した内容を "
                                                : u"\r\n読み込めなかったファイルの控えを ";
    EXPECT_EQ(notifier.Texts(), c.message ? std::vector<Text>{FormatText(c.message, DataCsv().c_str()) + keptLine + kept + u" に保存しました"}
                                          : std::vector<Text>{});
    notifier.shown.clear();
  }
}

// Both sides changed and the other side's version cannot be kept aside: the
// replace does not go ahead, and the pending file holds the change.
TEST_F(RecordStoreTest, AnEditThatCannotBeKeptAsideLeavesTheChangeInThePendingFile) {
  WriteBytes(DataCsv(), kTwoRecords);
  store.Load();
  store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  SaveElsewhere(DataCsv(), "D,2010/04/05 12:00,2010/04/05 13:00\r\n");
  files.Fail(FileStep::Create, u"data.csv.2");
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  EXPECT_EQ(ReadBytes(DataCsv()), "D,2010/04/05 12:00,2010/04/05 13:00\r\n");
  EXPECT_EQ(ReadBytes(Pending()), std::string(kTwoRecords) + "C,2010/04/05 11:00,2010/04/05 11:00\r\n");
  EXPECT_FALSE(store.ChangeHeldByNoFile());

  files.Heal();
  HoldPatience none = HoldPatience::None();
  EXPECT_TRUE(store.Save(none, SaveKind::kQuiet));
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].caption, u"警告");
  const Text message = notifier.shown[0].text;
  EXPECT_EQ(ReadBytes(KeptCopyIn(message)), "D,2010/04/05 12:00,2010/04/05 13:00\r\n");
  EXPECT_EQ(message.substr(0, message.find(u"\r\n", message.find(u'\r') + 2)),
            u"他のプログラムでもファイルが変更されていました\r\n" + DataCsv());
}

// A copy read before the last save and saved after it: the store's own
// version is kept, and the user told where.
TEST_F(RecordStoreTest, ACopyReadBeforeTheLastSaveKeepsTheStoresVersionAsideFirst) {
  WriteBytes(DataCsv(), kTwoRecords);
  store.Load();
  store.Append(Rec(u"C", DT(2010, 4, 5, 11, 0), DT(2010, 4, 5, 11, 0)));
  ASSERT_TRUE(store.Save());
  const std::string mine = ReadBytes(DataCsv());
  SaveElsewhere(DataCsv(), std::string(kTwoRecords) + "D,2010/04/05 12:00,2010/04/05 13:00\r\n");
  EXPECT_TRUE(store.TakeInEdit());
  EXPECT_EQ(store.Count(), 3);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].caption, u"警告");
  const Text message = notifier.shown[0].text;
  const Text prefix = u"他のプログラムが保存したファイルに、Dorvane が保存した変更がありませんでした\r\n" + DataCsv() +
                      u"\r\nDorvane が保存していた内容を ";
  ASSERT_EQ(message.compare(0, prefix.size(), prefix), 0) << TextToUtf8(message);
  const Text kept = message.substr(prefix.size(), message.size() - prefix.size() - 8);
  EXPECT_EQ(message.substr(message.size() - 8), u" に保存しました");
  EXPECT_EQ(ReadBytes(kept), mine);
}

// A backup of a read-only data.csv must not leave a data.bak the next backup cannot replace.
TEST_F(RecordStoreTest, AReadOnlyDataCsvIsBackedUpAsAWritableFile) {
  namespace stdfs = std::filesystem;
  store.Load();
  for (int round = 0; round < 2; ++round) {
    WriteBytes(DataCsv(), kTwoRecords);
    stdfs::permissions(stdfs::path(DataCsv()), stdfs::perms::owner_write, stdfs::perm_options::remove);
    store.Save();
    EXPECT_EQ(ReadBytes(DataBak()), kTwoRecords);
    EXPECT_NE(stdfs::status(stdfs::path(DataBak())).permissions() & stdfs::perms::owner_write, stdfs::perms::none);
    EXPECT_FALSE(FileExists(dir.File(u"data.bak.tmp")));
    stdfs::permissions(stdfs::path(DataCsv()), stdfs::perms::owner_write, stdfs::perm_options::add);
  }
}

#ifdef _WIN32
// Under Wine the lock is real: another handle without sharing. While it is
// held nothing replaces data.csv and the change goes to the pending file;
// once it is released the next save keeps the file aside first.
TEST_F(RecordStoreTest, FileLockedByAnotherProgramIsKeptAsideOnceReleased) {
  WriteBytes(DataCsv(), kTwoRecords);
  HANDLE h = CreateFileW(WStr(DataCsv()), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ActivityData real(Workspace{dir.Path(), RealFileSystem(), notifier});
  real.store.Load();
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  EXPECT_TRUE(real.store.SavesBlocked());
  real.store.Append(Rec(u"C", DT(2010, 4, 6, 9, 0), DT(2010, 4, 6, 9, 0)));
  HoldPatience none = HoldPatience::None();
  EXPECT_FALSE(real.store.Save(none, SaveKind::kChange));
  EXPECT_EQ(OnlyMessage(), OpenFailure(DataCsv()));
  EXPECT_FALSE(real.store.ChangeHeldByNoFile());
  CloseHandle(h);
  EXPECT_EQ(ReadBytes(DataCsv()), kTwoRecords);
  EXPECT_TRUE(real.store.Save(none, SaveKind::kQuiet));
  EXPECT_EQ(ReadBytes(KeptAside(OpenFailure(DataCsv()))), kTwoRecords);
  EXPECT_EQ(ReadBytes(DataCsv()), "C,2010/04/06 09:00,2010/04/06 09:00\r\n");
}
#endif

TEST_F(RecordStoreTest, ImportOfAMalformedFileKeepsTheListAndTheRunningItem) {
  store.Append(Rec(u"A", DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 9, 0)));
  data.currentActivity = Text(u"A");
  const Text import = dir.File(u"import.csv");
  WriteBytes(import, "B,2010/04/05 10:30,2010/04/05 10:30\r\n\r\nC,2010/04/05\r\n");
  RecordFileContents read;
  EXPECT_FALSE(ReadRecordFile(files, notifier, import, read));
  EXPECT_EQ(OnlyMessage(), u"3番目のデータの形式が誤っています");
  EXPECT_TRUE(read.records.empty());
  EXPECT_EQ(read.openItem, u"");
  ASSERT_EQ(store.Count(), 1);
  EXPECT_EQ(store.At(0).name, u"A");
  EXPECT_EQ(data.currentActivity, u"A");
  EXPECT_FALSE(FileExists(DataCsv()));  // nothing is kept aside for an import

  EXPECT_FALSE(ReadRecordFile(files, notifier, dir.File(u"missing.csv"), read));
  EXPECT_EQ(OnlyMessage(), OpenFailure(dir.File(u"missing.csv")));
  EXPECT_TRUE(read.records.empty());
  EXPECT_EQ(store.Count(), 1);
}

TEST_F(RecordStoreTest, ReadingARecordFileGivesItsRecordsAndItsOpenItem) {
  const Text import = dir.File(u"import.csv");
  WriteBytes(import, "B,2010/04/05 10:30,2010/04/05 10:30");
  RecordFileContents read;
  EXPECT_TRUE(ReadRecordFile(files, notifier, import, read));
  ASSERT_EQ(read.records.size(), 1u);
  EXPECT_EQ(read.openItem, u"B");

  WriteBytes(import, "");
  EXPECT_TRUE(ReadRecordFile(files, notifier, import, read));
  EXPECT_TRUE(read.records.empty());
  EXPECT_EQ(read.openItem, u"");
  EXPECT_TRUE(notifier.shown.empty());
}

TEST_F(RecordStoreTest, LargeFileRoundTripsThroughTheReaderAndWriteTo) {
  // The input is built here, apart from the writer under test.
  const std::vector<ActivityRecord> history = sample::MakeHistory(100000);
  std::string input;
  char line[96];
  for (const ActivityRecord& r : history) {
    std::string name;
    ASSERT_TRUE(EncodeCp932(r.name, name));
    std::snprintf(line, sizeof line, ",%u/%02u/%02u %02u:%02u,%u/%02u/%02u %02u:%02u\r\n",
                  r.start.wYear, r.start.wMonth, r.start.wDay, r.start.wHour, r.start.wMinute,
                  r.end.wYear, r.end.wMonth, r.end.wDay, r.end.wHour, r.end.wMinute);
    input += name;
    input += line;
  }
  WriteBytes(dir.File(u"in.csv"), input);
  RecordFileContents read;
  ASSERT_TRUE(ReadRecordFile(files, notifier, dir.File(u"in.csv"), read));
  for (ActivityRecord& r : read.records) store.Append(std::move(r));
  ASSERT_EQ(store.Count(), 100000);
  ASSERT_TRUE(store.WriteTo(dir.File(u"out.csv")));
  EXPECT_TRUE(ReadBytes(dir.File(u"out.csv")) == input);
  EXPECT_TRUE(notifier.shown.empty());
}

// Save with a fault at one step. Before it, data.csv holds A and data.bak
// holds P; the list holds B. Afterwards data.csv must hold all of A or all of
// B, data.bak all of an earlier file, nothing else may be left in the
// directory but, where it could be written, the pending file with B, and
// once the fault is gone the next save must work and remove it.
TEST_F(RecordStoreTest, SaveSurvivesAFaultAtEveryStep) {
  const ActivityRecord p = Rec(u"P", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0));
  const ActivityRecord a = Rec(u"会議", DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 10, 0));
  const ActivityRecord b = Rec(u"作業", DT(2010, 4, 5, 10, 0), DT(2010, 4, 5, 10, 0));
  std::string fileP, fileA, fileB;
  FormatRecordFile({p}, fileP);
  FormatRecordFile({p, a}, fileA);
  FormatRecordFile({p, a, b}, fileB);

  struct Case {
    const char* name;
    std::function<void(FaultyFileSystem&, const Text& dataCsv)> inject;
    bool saved;          // data.csv holds B afterwards
    bool backupUpdated;  // data.bak holds A afterwards (else still P)
    bool pending = false;  // data.csv.~pending holds B afterwards
  };
  const Case cases[] = {
      {"backup link and copy fail",
       [](FaultyFileSystem& f, const Text&) {
         f.Fail(FileStep::HardLink);
         f.Fail(FileStep::Create, u"data.bak.tmp");
       },
       true, false},
      {"backup replace fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Replace, u"data.bak"); },
       true, false},
      {"no links: backup by copy", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::HardLink); },
       true, true},
      // An unflushed copy could read as zeros after a power cut: no backup.
      {"no links: the backup copy's flush fails",
       [](FaultyFileSystem& f, const Text&) {
         f.Fail(FileStep::HardLink);
         f.Fail(FileStep::Flush, u"data.bak.tmp");
       },
       true, false},
      {"temporary not created", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Create); },
       false, true},
      {"write fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Write); }, false, true},
      {"flush fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Flush); }, false, true},
      {"close fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Close); }, false, true},
      {"replace fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Replace, u"data.csv.~tmp"); },
       false, true, true},
      {"disk full", [](FaultyFileSystem& f, const Text&) { f.DiskFullAfter(10); }, false, true},
      {"disk full, no links",
       [](FaultyFileSystem& f, const Text&) {
         f.Fail(FileStep::HardLink);
         f.DiskFullAfter(10);
       },
       false, false},
      {"data.csv locked", [](FaultyFileSystem& f, const Text& csv) { f.Lock(csv); }, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir caseDir;
    FaultyFileSystem fs;
    RecordingNotifier shown;
    const Text csv = caseDir.File(u"data.csv");
    const Text bak = caseDir.File(u"data.bak");
    WriteBytes(csv, fileP);
    ActivityData d(Workspace{caseDir.Path(), fs, shown});
    d.store.Load();
    d.store.Append(a);
    ASSERT_TRUE(d.store.Save());
    d.store.Append(b);

    c.inject(fs, csv);
    EXPECT_EQ(d.store.Save(), c.saved);
    EXPECT_EQ(ReadBytes(csv), c.saved ? fileB : fileA);
    EXPECT_EQ(ReadBytes(bak), c.backupUpdated ? fileA : fileP);
    if (c.saved) {
      EXPECT_TRUE(shown.shown.empty());
    } else {
      ASSERT_EQ(shown.shown.size(), 1u);
      EXPECT_EQ(shown.shown[0].text, OpenFailure(csv));
      EXPECT_EQ(shown.shown[0].caption, u"エラー");
    }
    EXPECT_EQ(d.store.Count(), 3);  // the change stays in memory
    std::vector<Text> expected = {u"data.bak", u"data.csv"};
    if (c.pending) {
      expected.push_back(u"data.csv.~base");  // what the pending file was based on
      expected.push_back(u"data.csv.~pending");
      EXPECT_EQ(ReadBytes(caseDir.File(u"data.csv.~pending")), fileB);
    }
    EXPECT_EQ(caseDir.Names(), expected);

    fs.Heal();
    shown.shown.clear();
    const std::string before = ReadBytes(csv);
    EXPECT_TRUE(d.store.Save());
    EXPECT_TRUE(shown.shown.empty());
    EXPECT_EQ(ReadBytes(csv), fileB);
    EXPECT_EQ(ReadBytes(bak), before);
    // data.bak may have been a second name of data.csv since the failed save.
    EXPECT_EQ(caseDir.Names(), (std::vector<Text>{u"data.bak", u"data.csv"}));
  }
}

TEST_F(RecordStoreTest, SaveIntoAMissingDirectoryFailsUntilItExists) {
  const Text missing = dir.File(u"missing");
  ActivityData d(Workspace{missing, files, notifier});
  d.store.Append(Rec(u"A", DT(2010, 4, 5, 9, 0), DT(2010, 4, 5, 10, 0)));
  EXPECT_FALSE(d.store.Save());
  EXPECT_EQ(OnlyMessage(), OpenFailure(d.store.DataPath()));
  EXPECT_EQ(d.store.Count(), 1);

  std::filesystem::create_directory(std::filesystem::path(missing));
  EXPECT_TRUE(d.store.Save());
  EXPECT_TRUE(notifier.shown.empty());
  EXPECT_EQ(ReadBytes(d.store.DataPath()), "A,2010/04/05 09:00,2010/04/05 10:00\r\n");
}
