// What follows a refused POSIX rename (by its Win32 error code) and an
// export's chosen name, in one table. The refusals are checked on every
// platform and again under Wine through the Win32 file system; the names go
// through export on every platform (on Win32 with the names Windows resolves).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/rename_refusal.h"
#include "data/activity_data.h"
#include "data/pending_file.h"
#include "data/record_editing.h"
#include "support/dates.h"
#include "support/faulty_files.h"
#include "support/memory_files.h"
#include "support/recording_notifier.h"
#include "support/records.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "base/files_win32.h"
#endif

namespace {

enum class Then {
  kFallBack,  // the older rename is tried once
  kWait,      // held: tried again after a wait, never by the older rename
  kRefuse,    // one of the program's files: its message, nothing written
  kUnopenable,  // not the name Windows would write: the open-failure message
  kWrite,
};

struct Decision {
  const char* what;
  uint32_t error;         // a refusal of the POSIX rename
  const char16_t* name;   // or an export's name in the working folder
  Then then;
  bool shortName = false;  // the name given by its 8.3 name (Win32)
};

// The working folder of the export rows holds data.csv, data.bak,
// Dorvane.ini, data.csv.~pending, data.csv.~tmp7, link.csv (a hard link to
// data.csv) and other.csv (empty), on a volume whose 64-bit file indexes
// repeat (as ReFS's may).
const Decision kDecisions[] = {
    {"FAT, which knows no FileRenameInfoEx", 87 /*ERROR_INVALID_PARAMETER*/, nullptr, Then::kFallBack},
    {"FAT on another Windows", 50 /*ERROR_NOT_SUPPORTED*/, nullptr, Then::kFallBack},
    {"exFAT", 665 /*ERROR_FILE_SYSTEM_LIMITATION*/, nullptr, Then::kFallBack},
    {"a share", 1 /*ERROR_INVALID_FUNCTION*/, nullptr, Then::kFallBack},
    {"a share that denies it", 5 /*ERROR_ACCESS_DENIED*/, nullptr, Then::kFallBack},
    {"a Windows without the call", 120 /*ERROR_CALL_NOT_IMPLEMENTED*/, nullptr, Then::kFallBack},
    {"a cloud drive's own answer", 362 /*ERROR_CLOUD_FILE_PROVIDER_NOT_RUNNING*/, nullptr, Then::kFallBack},
    {"a driver's odd answer", 1117 /*ERROR_IO_DEVICE*/, nullptr, Then::kFallBack},
    {"a target held without delete sharing", 32 /*ERROR_SHARING_VIOLATION*/, nullptr, Then::kWait},
    {"a target with a locked range", 33 /*ERROR_LOCK_VIOLATION*/, nullptr, Then::kWait},

    {"the pending file, a trailing dot", 0, u"data.csv.~pending.", Then::kRefuse},
    {"the pending file, a trailing space", 0, u"data.csv.~pending ", Then::kRefuse},
    {"the settings' pending file (none yet), a trailing dot", 0, u"Dorvane.ini.~pending.", Then::kRefuse},
    {"dots and spaces after data.bak", 0, u"data.bak. . ", Then::kRefuse},
    {"the pending file in capitals", 0, u"DATA.CSV.~PENDING", Then::kRefuse},
    {"the pending file's 8.3 name", 0, u"data.csv.~pending", Then::kRefuse, true},
    {"data.csv's 8.3 name", 0, u"data.csv", Then::kRefuse, true},
    {"data.csv's data stream", 0, u"data.csv::$DATA", Then::kRefuse},
    {"a stream of Dorvane.ini", 0, u"Dorvane.ini:notes", Then::kRefuse},
    {"a temporary of a save", 0, u"data.csv.~tmp7", Then::kRefuse},
    {"a temporary of the pending file's save", 0, u"data.csv.~pending.~tmp1", Then::kRefuse},
    {"the backup's temporary", 0, u"data.bak.tmp", Then::kRefuse},
    {"a hard link to data.csv", 0, u"link.csv", Then::kRefuse},
    {"another file, a trailing dot", 0, u"out.csv.", Then::kUnopenable},
    {"another file, a trailing space", 0, u"out.csv ", Then::kUnopenable},
    {"a stream of another file", 0, u"out.csv:x", Then::kUnopenable},
    {"another file", 0, u"out.csv", Then::kWrite},
    {"another file whose index repeats data.csv's", 0, u"other.csv", Then::kWrite},
    {"a name that only begins as data.csv", 0, u"data.csv2", Then::kWrite},
    {"a copy kept aside", 0, u"data.csv.2026-12-07_093000", Then::kWrite},
};

const char16_t* const kOwnFiles[] = {u"data.csv", u"data.bak", u"Dorvane.ini", u"data.csv.~pending",
                                     u"data.csv.~tmp7"};

}  // namespace

TEST(FileDecisions, APosixRenameRefusalFallsBackUnlessTheTargetIsHeld) {
  for (const Decision& d : kDecisions) {
    if (d.name) continue;
    const bool waits = AfterPosixRenameRefused(d.error) == AfterRefusal::kWait;
    EXPECT_EQ(waits ? Then::kWait : Then::kFallBack, d.then) << d.what;
  }
}

TEST(FileDecisions, ExportWritesOnlyWhatWindowsWritesUnderTheNameChosen) {
  TempDir dir;
  FaultyFileSystem files;
  files.RepeatIndexes();
  RecordingNotifier messages, dialog;
  ActivityData data{Workspace{dir.Path(), files, messages}};
  RecordEditing editing{data, dialog, nullptr};
  data.store.Append(Rec(u"B", DT(2010, 4, 5, 8, 0), DT(2010, 4, 5, 9, 0)));
  for (const char16_t* own : kOwnFiles) WriteBytes(dir.File(own), "own\r\n");
  ASSERT_TRUE(files.HardLink(dir.File(u"data.csv"), dir.File(u"link.csv")));
  WriteBytes(dir.File(u"other.csv"), "");
  const std::vector<Text> before = dir.Names();

  for (const Decision& d : kDecisions) {
    if (!d.name) continue;
    Text path = dir.File(d.name);
    if (d.shortName) {
#ifdef _WIN32
      wchar_t shortName[MAX_PATH];
      const DWORD length = GetShortPathNameW(WStr(path), shortName, MAX_PATH);
      ASSERT_TRUE(length > 0 && length < MAX_PATH) << d.what;
      ASSERT_NE(FromWStr(shortName), path) << d.what;
      path = FromWStr(shortName);
#else
      continue;
#endif
    }
    messages.shown.clear();
    const bool written = editing.Export(path, [](const Text&) { return true; });
    EXPECT_EQ(written, d.then == Then::kWrite) << d.what;
    if (d.then == Then::kWrite) {
      EXPECT_TRUE(messages.shown.empty()) << d.what;
      EXPECT_EQ(ReadBytes(path), "B,2010/04/05 08:00,2010/04/05 09:00\r\n") << d.what;
      if (Text(d.name) == u"other.csv") WriteBytes(path, "");
      else std::filesystem::remove(std::filesystem::path(path));
    } else {
      const Text refused = d.then == Then::kRefuse ? u"Dorvane の記録と設定のファイルには出力できません"
                                                   : u"ファイルを開けませんでした";
      EXPECT_EQ(messages.Texts(), std::vector<Text>{refused + u"\r\n" + path}) << d.what;
    }
    EXPECT_EQ(dir.Names(), before) << d.what;
    for (const char16_t* own : kOwnFiles) EXPECT_EQ(ReadBytes(dir.File(own)), "own\r\n") << d.what;
  }
}

// Another program creates the dated name right after the program first
// touches it: a look that found it free is stale by the move.
class RacingFiles : public MemoryFileSystem {
 public:
  explicit RacingFiles(Text racing) : racing_(std::move(racing)) {}
  bool Exists(const Text& path) override {
    const bool exists = MemoryFileSystem::Exists(path);
    Race(path);
    return exists;
  }
  ReplaceResult Replace(const Text& from, const Text& to) override {
    const ReplaceResult result = MemoryFileSystem::Replace(from, to);
    Race(to);
    return result;
  }
  bool MoveToNew(const Text& from, const Text& to) override {
    const bool moved = MemoryFileSystem::MoveToNew(from, to);
    Race(to);
    return moved;
  }

  bool raced = false;

 private:
  // Its create fails where the program's file is already.
  void Race(const Text& path) {
    if (path == racing_ && files.emplace(path, "theirs").second) raced = true;
  }
  Text racing_;
};

TEST(FileDecisions, KeepingAsideNeverReplacesAFileCreatedMeanwhile) {
  RacingFiles fs(u"d/data.csv.2010-04-05_093000");
  const auto nineThirty = [] { return DT(2010, 4, 5, 9, 30, 0); };
  fs.files[u"d/data.csv"] = "ours";
  Text kept;
  ASSERT_TRUE(KeepAside(fs, nineThirty, u"d/data.csv", true, kept));
  EXPECT_EQ(fs.files[kept], "ours");
  EXPECT_EQ(fs.files.count(u"d/data.csv"), 0u);
  if (fs.raced) { EXPECT_EQ(fs.files[u"d/data.csv.2010-04-05_093000"], "theirs"); }

  // A name taken before: the next one.
  fs.files[u"d/data.csv"] = "ours again";
  ASSERT_TRUE(KeepAside(fs, nineThirty, u"d/data.csv", true, kept));
  EXPECT_EQ(kept, u"d/data.csv.2010-04-05_093000-2");
  EXPECT_EQ(fs.files[kept], "ours again");
}

#ifdef _WIN32
namespace {

// The two renames as Windows documents them on a file system that refuses
// the POSIX one; what the older rename does is Wine's own, but for a target
// held sharing delete.
class RefusingRenames : public RenameCalls {
 public:
  explicit RefusingRenames(DWORD error) : error_(error) {}

  // FileRenameInformationEx is NTFS's (MS-FSCC 2.4.43, learn.microsoft.com);
  // other file systems, shares and drivers refuse it each with a code of
  // its own (exFAT's, ERROR_FILE_SYSTEM_LIMITATION, is not documented:
  // swift-foundation#1926 met it).
  BOOL SetInformation(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void*, DWORD) override {
    ++posixTries;
    SetLastError(error_);
    return FALSE;
  }

  // The older rename fails onto a target that is open, even one opened
  // sharing delete access (MS-FSCC 2.4.42 FileRenameInformation,
  // learn.microsoft.com: STATUS_ACCESS_DENIED when "the target file was
  // open and ReplaceIfExists is nonzero").
  BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    ++olderTries;
    if ((flags & MOVEFILE_REPLACE_EXISTING) && held == to) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    return MoveFileExW(from, to, flags);
  }

  int posixTries = 0;
  int olderTries = 0;
  std::wstring held;  // a target another program has open sharing delete access

 private:
  DWORD error_;
};

}  // namespace

// A refusal falls back once, and the folder is then known to take the older
// rename alone: a holder that shares delete access is a hold from then on,
// and the held check predicts it (so a quiet retry writes nothing while it
// lasts). A hold is waited for, and says nothing of the folder.
TEST(FileDecisions, TheWin32FileSystemFallsBackOnAnyRefusalAndRemembersTheFolder) {
  for (const Decision& d : kDecisions) {
    if (d.name) continue;
    TempDir dir;
    RefusingRenames calls(d.error);
    std::unique_ptr<FileSystem> fs = NewWin32FileSystem(calls);
    const Text data = dir.File(u"data.csv");
    WriteBytes(data, "old");
    HoldPatience none = HoldPatience::None();
    const bool fallsBack = d.then == Then::kFallBack;
    EXPECT_EQ(ReplaceFileContents(*fs, data, "new", none), fallsBack) << d.what;
    EXPECT_EQ(ReadBytes(data), fallsBack ? "new" : "old") << d.what;
    EXPECT_EQ(calls.posixTries, 1) << d.what;
    EXPECT_EQ(calls.olderTries, fallsBack ? 1 : 0) << d.what;

    HANDLE other = CreateFileW(WStr(data), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    calls.held = WStr(data);
    EXPECT_EQ(fs->Replaceable(data), !fallsBack) << d.what;
    none = HoldPatience::None();
    EXPECT_FALSE(ReplaceFileContents(*fs, data, "newer", none)) << d.what;
    CloseHandle(other);
    EXPECT_EQ(calls.posixTries, fallsBack ? 1 : 2) << d.what;
    EXPECT_EQ(calls.olderTries, fallsBack ? 2 : 0) << d.what;
    EXPECT_EQ(dir.Names(), std::vector<Text>{u"data.csv"}) << d.what;
  }
}

// NTFS refuses the POSIX rename with ERROR_ACCESS_DENIED while a program
// holds the target without sharing delete access (MS-FSCC 2.4.42,
// learn.microsoft.com: "the target file was open"), as a share may refuse it
// for good: a hold that the older rename meets as well says nothing of the
// folder, and the POSIX rename is tried again once it ends.
TEST(FileDecisions, AHoldThatBothRenamesMeetKeepsThePosixRename) {
  TempDir dir;
  RefusingRenames calls(ERROR_ACCESS_DENIED);
  std::unique_ptr<FileSystem> fs = NewWin32FileSystem(calls);
  const Text data = dir.File(u"data.csv");
  WriteBytes(data, "old");
  HANDLE spreadsheet = CreateFileW(WStr(data), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(spreadsheet, INVALID_HANDLE_VALUE);
  HoldPatience none = HoldPatience::None();
  EXPECT_FALSE(ReplaceFileContents(*fs, data, "new", none));
  CloseHandle(spreadsheet);
  EXPECT_EQ(calls.olderTries, 1);
  none = HoldPatience::None();
  EXPECT_TRUE(ReplaceFileContents(*fs, data, "new", none));
  EXPECT_EQ(calls.posixTries, 2);
  EXPECT_EQ(ReadBytes(data), "new");
}
#endif
