#include "base/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/faulty_files.h"
#include "support/memory_files.h"
#include "support/temp_dir.h"

namespace stdfs = std::filesystem;

namespace {

const std::string kOld = "2010/03/28 09:05,2010/03/28 10:40,\x8d\xec\x8b\xc6\r\n";
const std::string kNew = std::string("new\0content\r\n", 13) + std::string(200000, 'x');

class FilesTest : public ::testing::Test {
 protected:
  Text Path(const Text& name) const { return dir_.File(name); }

  void Put(const Text& name, const std::string& bytes) {
    std::ofstream out(stdfs::path(Path(name)), std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good());
  }

  std::string Content(const Text& name) const { return ReadBytes(Path(name)); }
  bool ReadAll(const Text& path, std::string& bytes) {
    return ReadWholeFile(fs_, path, bytes) == ReadResult::kRead;
  }
  std::vector<Text> Listing() const { return dir_.Names(); }

#ifdef _WIN32
  // data.csv opened by another program that shares it as `share` says.
  HANDLE OpenDataCsv(DWORD share) const {
    return CreateFileW(WStr(Path(u"data.csv")), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  // A save through the real file system's view of data.csv fails after `waited` ms.
  void ExpectSaveFailsAfter(unsigned waited) {
    FaultyFileSystem counter;
    EXPECT_FALSE(ReplaceFileContents(counter, Path(u"data.csv"), kNew));
    EXPECT_EQ(counter.Waited(), waited);
  }
#endif

  FileSystem& fs_ = RealFileSystem();
  TempDir dir_;
};

using Names = std::vector<Text>;

}  // namespace

TEST_F(FilesTest, ReadAllGivesTheBytesExactly) {
  Put(u"data.csv", kNew);
  std::string bytes = "stale";
  ASSERT_TRUE(ReadAll(Path(u"data.csv"), bytes));
  EXPECT_EQ(bytes, kNew);

  Put(u"empty.csv", "");
  ASSERT_TRUE(ReadAll(Path(u"empty.csv"), bytes));
  EXPECT_EQ(bytes, "");

  bytes = "stale";
  EXPECT_FALSE(ReadAll(Path(u"missing.csv"), bytes));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(ReadAll(dir_.Path(), bytes));  // a directory is not a file
}

// The limit holds on the handle that reads, also for a file that grew after
// its size was taken (Linux's /proc files say 0).
TEST_F(FilesTest, ReadRefusesAFileLargerThanTheLimit) {
  Put(u"data.csv", "0123456789");
  std::string bytes;
  EXPECT_EQ(fs_.Read(Path(u"data.csv"), 10, bytes), ReadResult::kRead);
  EXPECT_EQ(bytes, "0123456789");
  EXPECT_EQ(fs_.Read(Path(u"data.csv"), 9, bytes), ReadResult::kTooLarge);
  EXPECT_EQ(bytes, "");
#ifdef __linux__
  EXPECT_EQ(fs_.Read(u"/proc/self/maps", 16, bytes), ReadResult::kTooLarge);
#endif
}

TEST_F(FilesTest, JapaneseNamesReachTheDisk) {
  const Text name = u"作業記録.csv";
  std::unique_ptr<OutputFile> file = fs_.CreateNew(Path(name));
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write(kOld.data(), kOld.size()));
  ASSERT_TRUE(file->Flush());
  ASSERT_TRUE(file->Close());
  EXPECT_EQ(Listing(), (Names{name}));
  EXPECT_TRUE(fs_.Exists(Path(name)));
  std::string bytes;
  ASSERT_TRUE(ReadAll(Path(name), bytes));
  EXPECT_EQ(bytes, kOld);
}

TEST_F(FilesTest, CreateNewRefusesAnExistingName) {
  Put(u"data.csv", kOld);
  EXPECT_EQ(fs_.CreateNew(Path(u"data.csv")), nullptr);
  EXPECT_EQ(Content(u"data.csv"), kOld);
  EXPECT_EQ(fs_.CreateNew(Path(u"no-such-dir/data.csv")), nullptr);
}

TEST_F(FilesTest, CopyOverwritesOnlyWhenAsked) {
  Put(u"data.csv", kNew);
  Put(u"data.bak", kOld);
  EXPECT_FALSE(fs_.Copy(Path(u"data.csv"), Path(u"data.bak"), false));
  EXPECT_EQ(Content(u"data.bak"), kOld);
  EXPECT_TRUE(fs_.Copy(Path(u"data.csv"), Path(u"data.bak"), true));
  EXPECT_EQ(Content(u"data.bak"), kNew);
  EXPECT_TRUE(fs_.Copy(Path(u"data.bak"), Path(u"copy.csv"), false));
  EXPECT_EQ(Content(u"copy.csv"), kNew);
  EXPECT_EQ(Content(u"data.csv"), kNew);

  // A shorter file over a longer one leaves nothing of the longer one.
  Put(u"short.csv", kOld);
  EXPECT_TRUE(fs_.Copy(Path(u"short.csv"), Path(u"data.bak"), true));
  EXPECT_EQ(Content(u"data.bak"), kOld);
}

TEST_F(FilesTest, CopyFailuresLeaveEverythingAsItWas) {
  Put(u"data.csv", kOld);
  EXPECT_FALSE(fs_.Copy(Path(u"missing.csv"), Path(u"data.bak"), true));
  EXPECT_FALSE(fs_.Exists(Path(u"data.bak")));
  // Onto itself: must not truncate the only copy.
  EXPECT_FALSE(fs_.Copy(Path(u"data.csv"), Path(u"data.csv"), true));
  EXPECT_EQ(Content(u"data.csv"), kOld);
  EXPECT_EQ(Listing(), (Names{u"data.csv"}));
}

TEST_F(FilesTest, HardLinkIsASecondNameForTheSameContent) {
  Put(u"data.csv", kOld);
  Put(u"taken.csv", kNew);
  ASSERT_TRUE(fs_.HardLink(Path(u"data.csv"), Path(u"link.csv")));
  EXPECT_EQ(Content(u"link.csv"), kOld);
  EXPECT_FALSE(fs_.HardLink(Path(u"data.csv"), Path(u"taken.csv")));
  EXPECT_EQ(Content(u"taken.csv"), kNew);
  EXPECT_FALSE(fs_.HardLink(Path(u"missing.csv"), Path(u"other.csv")));
  // Removing one name keeps the content under the other.
  EXPECT_TRUE(fs_.Remove(Path(u"data.csv")));
  EXPECT_EQ(Content(u"link.csv"), kOld);
}

TEST_F(FilesTest, ReplacePutsOneFileInPlaceOfAnother) {
  Put(u"data.csv", kOld);
  Put(u"incoming", kNew);
  EXPECT_EQ(fs_.Replace(Path(u"incoming"), Path(u"data.csv")), ReplaceResult::Done);
  EXPECT_EQ(Content(u"data.csv"), kNew);
  EXPECT_EQ(Listing(), (Names{u"data.csv"}));

  EXPECT_EQ(fs_.Replace(Path(u"missing"), Path(u"data.csv")), ReplaceResult::Failed);
  EXPECT_EQ(Content(u"data.csv"), kNew);

  // Replacing a name that does not exist yet creates it.
  Put(u"incoming", kOld);
  EXPECT_EQ(fs_.Replace(Path(u"incoming"), Path(u"fresh.csv")), ReplaceResult::Done);
  EXPECT_EQ(Content(u"fresh.csv"), kOld);
}

// A write in place (same size, later time) is a new version. The size limit
// is pinned apart from the constant the other tests read.
TEST_F(FilesTest, AnEditInPlaceIsAnotherVersion) {
  const stdfs::path data(Path(u"data.csv"));
  FileVersion version;
  Put(u"data.csv", kOld);
  version.Take(fs_, Path(u"data.csv"));
  EXPECT_FALSE(version.Changed(fs_, Path(u"data.csv")));
  const auto time = stdfs::last_write_time(data);
  Put(u"data.csv", std::string(kOld.rbegin(), kOld.rend()));
  stdfs::last_write_time(data, time + std::chrono::seconds(2));
  EXPECT_TRUE(version.Changed(fs_, Path(u"data.csv")));
  EXPECT_EQ(kMaxReadBytes, 268435456u);
}

// Keeping a file aside never replaces: a taken name leaves both as they were.
TEST_F(FilesTest, MoveToNewNeverReplaces) {
  Put(u"data.csv", kOld);
  Put(u"kept", kNew);
  EXPECT_FALSE(fs_.MoveToNew(Path(u"data.csv"), Path(u"kept")));
  EXPECT_EQ(Content(u"data.csv"), kOld);
  EXPECT_EQ(Content(u"kept"), kNew);
  EXPECT_TRUE(fs_.MoveToNew(Path(u"data.csv"), Path(u"kept-2")));
  EXPECT_EQ(Content(u"kept-2"), kOld);
  EXPECT_EQ(Listing(), (Names{u"kept", u"kept-2"}));
  EXPECT_FALSE(fs_.MoveToNew(Path(u"missing"), Path(u"kept-3")));
}

#ifndef _WIN32
// Wine shows a Unix link as the file it points to, so this is seen natively.
TEST_F(FilesTest, MoveToNewMovesALinkAsItself) {
  Put(u"target", kOld);
  stdfs::create_symlink("target", stdfs::path(Path(u"data.csv")));
  EXPECT_TRUE(fs_.MoveToNew(Path(u"data.csv"), Path(u"kept")));
  EXPECT_TRUE(stdfs::is_symlink(stdfs::path(Path(u"kept"))));
  EXPECT_EQ(Listing(), (Names{u"kept", u"target"}));
  EXPECT_EQ(Content(u"target"), kOld);
}
#endif

// Two names of one file are one identity; two files, however alike, are two.
TEST_F(FilesTest, IdentityFollowsTheFileNotTheName) {
  Put(u"data.csv", kOld);
  Put(u"copy.csv", kOld);
  ASSERT_TRUE(fs_.HardLink(Path(u"data.csv"), Path(u"link.csv")));
  FileIdentity data, link, copy;
  ASSERT_TRUE(fs_.Identify(Path(u"data.csv"), data));
  ASSERT_TRUE(fs_.Identify(Path(u"link.csv"), link));
  ASSERT_TRUE(fs_.Identify(Path(u"copy.csv"), copy));
  EXPECT_TRUE(data == link);
  EXPECT_FALSE(data == copy);
  EXPECT_FALSE(fs_.Identify(Path(u"missing"), copy));
}

// The version a save records is asked of the handle it wrote through: the
// file as it lands, whatever the path names afterwards. Wait a moment first
// so that a write time stamped at the close would differ.
TEST_F(FilesTest, TheVersionWrittenIsTheFileAsItLandsNotWhatThePathNamesLater) {
  HoldPatience patience;
  FileVersion written;
  ASSERT_TRUE(ReplaceFileContents(fs_, Path(u"data.csv"), kNew, patience, nullptr, &written));
  EXPECT_TRUE(written.FactsKnown());
  EXPECT_TRUE(written.Holds(kNew));
  EXPECT_FALSE(written.Changed(fs_, Path(u"data.csv"))) << "a rename keeps the size, the time and the index";
  SaveElsewhere(Path(u"data.csv"), kNew);  // another program's save, of the same bytes
  EXPECT_TRUE(written.Changed(fs_, Path(u"data.csv")));
  std::string bytes;
  FileVersion now;
  ASSERT_EQ(ReadVersion(fs_, Path(u"data.csv"), bytes, now), ReadResult::kRead);
  EXPECT_TRUE(written.SameContent(now)) << "the content tells a touch from an edit";
}

TEST_F(FilesTest, RemoveDeletesOnlyWhatExists) {
  Put(u"data.csv", kOld);
  EXPECT_TRUE(fs_.Remove(Path(u"data.csv")));
  EXPECT_FALSE(fs_.Exists(Path(u"data.csv")));
  EXPECT_FALSE(fs_.Remove(Path(u"data.csv")));
  EXPECT_TRUE(Listing().empty());
}

TEST_F(FilesTest, ReplaceFileContentsLeavesOnlyTheTarget) {
  EXPECT_TRUE(ReplaceFileContents(fs_, Path(u"data.csv"), kOld));  // a new file
  EXPECT_EQ(Content(u"data.csv"), kOld);
  EXPECT_TRUE(ReplaceFileContents(fs_, Path(u"data.csv"), kNew));
  EXPECT_EQ(Content(u"data.csv"), kNew);
  EXPECT_TRUE(ReplaceFileContents(fs_, Path(u"data.csv"), ""));
  EXPECT_EQ(Content(u"data.csv"), "");
  EXPECT_EQ(Listing(), (Names{u"data.csv"}));
}

TEST_F(FilesTest, ReplaceFileContentsClearsTheLeftoversOfInterruptedSaves) {
  // Leftovers of crashed saves, with gaps where a name was passed over;
  // beside them a kept copy of an unreadable file, which is the user's.
  Put(u"data.csv", kOld);
  for (int n : {1, 2, 3, 9, 120, 121, 4000}) Put(u"data.csv.~tmp" + FormatText(u"%d", n), "cut short");
  Put(u"data.csv.2026-12-07_093000", "kept");
  FaultyFileSystem faulty;
  // A scanner still looks at the newest leftover: its name is passed over.
  faulty.Lock(Path(u"data.csv.~tmp1"));
  EXPECT_TRUE(ReplaceFileContents(faulty, Path(u"data.csv"), kNew));
  EXPECT_EQ(Content(u"data.csv"), kNew);
  EXPECT_EQ(Listing(), (Names{u"data.csv", u"data.csv.2026-12-07_093000", u"data.csv.~tmp1"}));
  faulty.Heal();
  EXPECT_TRUE(ReplaceFileContents(faulty, Path(u"data.csv"), kOld));
  EXPECT_EQ(Listing(), (Names{u"data.csv", u"data.csv.2026-12-07_093000"}));
  EXPECT_EQ(Content(u"data.csv.2026-12-07_093000"), "kept");
}

// A scanner still holds a removed temporary: its delete is pending, so the
// name neither exists nor can be created. The next number serves.
TEST_F(FilesTest, ATemporaryNameThatCannotBeCreatedIsPassedOver) {
  FaultyFileSystem faulty;
  faulty.Fail(FileStep::Create, u"data.csv.~tmp1", 1);
  EXPECT_TRUE(ReplaceFileContents(faulty, Path(u"data.csv"), kNew));
  EXPECT_EQ(faulty.CreatedPaths(), (Names{Path(u"data.csv.~tmp1"), Path(u"data.csv.~tmp2")}));
  EXPECT_EQ(Listing(), (Names{u"data.csv"}));
}

TEST_F(FilesTest, ReplaceFileContentsWaitsOnlyForHeldFiles) {
  Put(u"data.csv", kOld);
  FaultyFileSystem faulty;
  faulty.HoldForReplaces(u"data.csv", 2);
  EXPECT_TRUE(ReplaceFileContents(faulty, Path(u"data.csv"), kNew));
  EXPECT_EQ(Content(u"data.csv"), kNew);
  EXPECT_EQ(faulty.Waited(), 150u);

  // Held for longer: about two seconds in all, then the old file stays.
  faulty.HoldForReplaces(u"data.csv", -1);
  EXPECT_FALSE(ReplaceFileContents(faulty, Path(u"data.csv"), kOld));
  EXPECT_EQ(faulty.Waited(), 150u + 2000u);
  EXPECT_EQ(Content(u"data.csv"), kNew);
  EXPECT_EQ(Listing(), (Names{u"data.csv"}));

  // Any other failure is final at once.
  faulty.Heal();
  faulty.Fail(FileStep::Replace);
  EXPECT_FALSE(ReplaceFileContents(faulty, Path(u"data.csv"), kOld));
  EXPECT_EQ(faulty.Waited(), 2150u);
}

TEST_F(FilesTest, ReplaceFileContentsFailingAtAnyStepKeepsTheOldFile) {
  const FileStep faults[] = {FileStep::Create, FileStep::Write, FileStep::Flush,
                             FileStep::Close, FileStep::Replace};
  Put(u"data.csv", kOld);
  for (int i = 0; i <= 5; ++i) {
    FaultyFileSystem faulty;
    // The last round: a full disk, where part of the data reaches the file.
    if (i < 5) faulty.Fail(faults[i]); else faulty.DiskFullAfter(3);
    EXPECT_FALSE(ReplaceFileContents(faulty, Path(u"data.csv"), kNew)) << "fault " << i;
    EXPECT_EQ(Content(u"data.csv"), kOld) << "fault " << i;
    EXPECT_EQ(Listing(), (Names{u"data.csv"})) << "fault " << i;
  }
  // Once the fault is gone the next attempt succeeds.
  FaultyFileSystem healed;
  EXPECT_TRUE(ReplaceFileContents(healed, Path(u"data.csv"), kNew));
  EXPECT_EQ(Content(u"data.csv"), kNew);
}

TEST_F(FilesTest, ReplaceFileContentsInAMissingDirectoryFails) {
  EXPECT_FALSE(ReplaceFileContents(fs_, Path(u"no-such-dir/data.csv"), kNew));
  EXPECT_TRUE(Listing().empty());
}

TEST_F(FilesTest, CurrentDirectoryIsTheProcessDirectory) {
  const stdfs::path before = stdfs::current_path();
  stdfs::current_path(stdfs::path(dir_.Path()));
  const Text current = CurrentDirectory();
  stdfs::current_path(before);
  EXPECT_TRUE(stdfs::equivalent(stdfs::path(current), stdfs::path(dir_.Path()))) << TextToUtf8(current);
  EXPECT_TRUE(fs_.Exists(JoinPath(current, u".")));
}

TEST(JoinPath, AddsOneSeparator) {
#ifdef _WIN32
  EXPECT_EQ(JoinPath(u"C:\\work", u"data.csv"), u"C:\\work\\data.csv");
  EXPECT_EQ(JoinPath(u"C:\\", u"data.csv"), u"C:\\data.csv");
#else
  EXPECT_EQ(JoinPath(u"/work", u"data.csv"), u"/work/data.csv");
  EXPECT_EQ(JoinPath(u"/", u"data.csv"), u"/data.csv");
#endif
  EXPECT_EQ(JoinPath(u"dir/", u"data.csv"), u"dir/data.csv");
  EXPECT_EQ(JoinPath(u"", u"data.csv"), u"data.csv");
}

#ifdef _WIN32
// Another program holding the file open with share mode 0 is what a locked
// file looks like.
TEST_F(FilesTest, LockedFileCannotBeReadOrReplaced) {
  Put(u"data.csv", kOld);
  HANDLE lock = OpenDataCsv(0);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_FALSE(ReadAll(Path(u"data.csv"), bytes));
  EXPECT_FALSE(fs_.Copy(Path(u"data.csv"), Path(u"data.bak"), true));
  ExpectSaveFailsAfter(2000u);  // the real file system reports the hold
  CloseHandle(lock);

  EXPECT_EQ(Listing(), (Names{u"data.csv"}));
  EXPECT_EQ(Content(u"data.csv"), kOld);
  ASSERT_TRUE(ReadAll(Path(u"data.csv"), bytes));
  EXPECT_EQ(bytes, kOld);
}

// Shared with readers only (as a spreadsheet does) is a hold, waited for;
// read-only is none and fails at once.
TEST_F(FilesTest, AFileSharedForReadingIsHeldAndAReadOnlyOneFailsAtOnce) {
  Put(u"data.csv", kOld);
  HANDLE other = OpenDataCsv(FILE_SHARE_READ);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_TRUE(ReadAll(Path(u"data.csv"), bytes));
  EXPECT_FALSE(fs_.Replaceable(Path(u"data.csv")));
  ExpectSaveFailsAfter(2000u);
  CloseHandle(other);

  EXPECT_TRUE(fs_.Replaceable(Path(u"data.csv")));
  ASSERT_TRUE(SetFileAttributesW(WStr(Path(u"data.csv")), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(fs_.Replaceable(Path(u"data.csv")));
  ExpectSaveFailsAfter(0u);
  SetFileAttributesW(WStr(Path(u"data.csv")), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(Content(u"data.csv") == kOld);
  EXPECT_EQ(Listing(), (Names{u"data.csv"}));
}

// With a holder sharing delete access (an indexer, a sync client), the held
// check predicts the replace, whichever rename the system has.
TEST_F(FilesTest, TheHeldCheckPredictsTheReplaceOfAFileHeldSharingDelete) {
  Put(u"data.csv", kOld);
  ASSERT_TRUE(ReplaceFileContents(fs_, Path(u"data.csv"), kOld));  // the rename is known now
  HANDLE other = OpenDataCsv(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  const bool predicted = fs_.Replaceable(Path(u"data.csv"));
  HoldPatience none = HoldPatience::None();
  EXPECT_EQ(ReplaceFileContents(fs_, Path(u"data.csv"), kNew, none), predicted);
  CloseHandle(other);
  EXPECT_EQ(Content(u"data.csv"), predicted ? kNew : kOld);
}

TEST_F(FilesTest, ReadingSharesTheFileWithOtherReadersAndWriters) {
  Put(u"data.csv", kOld);
  HANDLE other = OpenDataCsv(FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_TRUE(ReadAll(Path(u"data.csv"), bytes));
  EXPECT_EQ(bytes, kOld);
  CloseHandle(other);
}
#endif

// FAT may persist a rename that replaces data.csv as its two parts: the old
// file removed, the temporary not yet renamed. The newest temporary that is
// complete goes back in its place; nothing happens while data.csv is there.
TEST(RestoreFromTemporary, PutsTheNewestCompleteTemporaryInPlaceOfAMissingFile) {
  MemoryFileSystem fs;
  const auto complete = [](const std::string& bytes, const FileFacts&) { return bytes != "cut short"; };
  const Text csv = u"d/data.csv";
  int written = 0;
  for (const auto& [name, bytes] : {std::pair<Text, std::string>{u"d/data.csv.~tmp1", "older"},
                                    {u"d/data.csv.~tmp2", "newest"},
                                    {u"d/data.csv.~tmp3", "cut short"},
                                    {u"d/data.csv.~tmpx", "no temporary of ours"}}) {
    fs.files[name] = bytes;
    fs.writes[name] = static_cast<uint64_t>(++written);
  }
  EXPECT_TRUE(RestoreFromTemporary(fs, csv, complete));
  EXPECT_EQ(fs.files[csv], "newest");
  EXPECT_FALSE(fs.Exists(u"d/data.csv.~tmp2"));

  fs.files[u"d/data.csv.~tmp4"] = "newer still";
  fs.writes[u"d/data.csv.~tmp4"] = 9;
  EXPECT_FALSE(RestoreFromTemporary(fs, csv, complete));
  EXPECT_EQ(fs.files[csv], "newest");

  fs.files.erase(csv);
  fs.files.erase(u"d/data.csv.~tmp1");
  fs.files.erase(u"d/data.csv.~tmp4");
  EXPECT_FALSE(RestoreFromTemporary(fs, csv, complete)) << "none is complete";
  EXPECT_FALSE(fs.Exists(csv));
}

// Where no clock may choose, a temporary goes back only when it is the one
// that is whole.
TEST(RestoreOnlyTemporary, PutsBackTheOneWholeTemporaryAndNoneOfSeveral) {
  MemoryFileSystem fs;
  const auto whole = [](const std::string& bytes) { return bytes != "cut short"; };
  const Text pending = u"d/data.csv.~pending";
  fs.files[u"d/data.csv.~pending.~tmp1"] = "cut short";
  fs.files[u"d/data.csv.~pending.~tmp2"] = "whole";
  EXPECT_TRUE(RestoreOnlyTemporary(fs, pending, whole));
  EXPECT_EQ(fs.files[pending], "whole");

  fs.files.erase(pending);
  fs.files[u"d/data.csv.~pending.~tmp2"] = "whole";
  fs.files[u"d/data.csv.~pending.~tmp3"] = "whole too";
  fs.writes[u"d/data.csv.~pending.~tmp3"] = 9;
  EXPECT_FALSE(RestoreOnlyTemporary(fs, pending, whole)) << "two whole ones: neither is chosen";
  EXPECT_FALSE(fs.Exists(pending));
  EXPECT_TRUE(fs.Exists(u"d/data.csv.~pending.~tmp3"));
}
