// The file seam. The core reaches the disk only through FileSystem, so tests
// can substitute one that fails at a chosen step (tests run as root, where a
// read-only file does not fail by itself).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const void* data, size_t size) = 0;
  // Pushes the data to the disk (FlushFileBuffers / fsync).
  virtual bool Flush() = 0;
  // Closing reports late write errors; a destroyed file closes itself.
  virtual bool Close() = 0;
};

// What the file system tells of a file without reading it: its size, when
// it was last written (in the platform's ticks: 100 ns on Win32, 1 ns
// elsewhere), whether it is read-only, and what makes it that file whatever
// name reaches it (an 8.3 name, another path to its folder, a hard link):
// the volume's serial number and the file's index on it
// (GetFileInformationByHandle; st_dev and st_ino).
class FileSystem;

struct FileFacts {
  uint64_t size = 0;
  uint64_t lastWrite = 0;
  uint64_t volume = 0;
  uint64_t index = 0;
  bool readOnly = false;
};

// Which version of a file the program holds: the one it last read or
// wrote. Another program that writes the file changes its last-write time
// (or its size); one that saves a new file in its place changes its index.
class FileVersion {
 public:
  // Remembers the file as it is now, or that there is none.
  void Take(FileSystem& fs, const Text& path);
  void Take(const FileFacts& facts) {
    exists_ = true;
    facts_ = facts;
  }
  // True when the file is not the version taken last: written, replaced,
  // created or removed since. A file that cannot be looked at now counts as
  // unchanged: the next look tries again.
  bool Changed(FileSystem& fs, const Text& path) const;

 private:
  bool exists_ = false;
  FileFacts facts_;
};

enum class ReadResult { kRead, kCannotRead, kTooLarge };

// How a replace ended. Held: another program has one of the two files open
// without sharing delete access (Win32 ERROR_SHARING_VIOLATION,
// ERROR_ACCESS_DENIED, ERROR_LOCK_VIOLATION). Virus scanners, the search
// indexer and sync clients do that for a moment; waiting can help.
enum class ReplaceResult { Done, Held, Failed };

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The whole file when it holds at most `limit` bytes. The size is taken
  // from the handle that reads, and no more than limit + 1 bytes are read, so
  // a file that grows past the limit, before or while it is read, is
  // refused (kTooLarge) rather than read whole. kCannotRead when it cannot
  // be opened or read (missing, locked, a directory).
  virtual ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) = 0;
  virtual bool Exists(const Text& path) = 0;
  // False when there is no such file or it cannot be looked at.
  virtual bool Examine(const Text& path, FileFacts& facts) = 0;
  // Copies a file's content; with overwrite false, fails when `to` exists.
  virtual bool Copy(const Text& from, const Text& to, bool overwrite) = 0;
  // A second name for an existing file (fails where links are not supported).
  virtual bool HardLink(const Text& existing, const Text& link) = 0;
  // Creates a new file for writing; fails when it exists already.
  virtual std::unique_ptr<OutputFile> CreateNew(const Text& path) = 0;
  // Atomically puts `from` in place of `to` (MoveFileExW with
  // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; rename after fsync).
  virtual ReplaceResult Replace(const Text& from, const Text& to) = 0;
  virtual bool Remove(const Text& path) = 0;
  // The paths of the files beside `pathPrefix` whose names begin with its
  // last part ("dir/data.csv.~tmp" gives "dir/data.csv.~tmp1", ...).
  virtual std::vector<Text> FilesStartingWith(const Text& pathPrefix) = 0;
  // False when replacing the file would fail now: it is read-only, or
  // another program holds it without sharing delete access. A missing file
  // can be replaced. (Nothing holds files that way outside Win32.)
  virtual bool Replaceable(const Text& path) = 0;
  // Waits before a held file is tried again (Sleep, nanosleep); tests count
  // the time instead of waiting.
  virtual void Wait(unsigned milliseconds);
};

// The largest file the program reads: thirty years of heavy use make a
// history of about 20 MB. A larger file is no history of ours, and reading it
// whole could exhaust the 32-bit program's memory.
constexpr uint64_t kMaxReadBytes = uint64_t{256} << 20;

// The whole file, when it is no larger than kMaxReadBytes; a larger one is
// refused before any of it is read, and one that grows past it while it is
// read is refused too. Memory that runs out while reading is a
// failure like any other (kCannotRead), not the end of the program.
ReadResult ReadWholeFile(FileSystem& fs, const Text& path, std::string& bytes);

// True when both paths reach one existing file.
bool IsSameFile(FileSystem& fs, const Text& a, const Text& b);

// The platform's file system.
FileSystem& RealFileSystem();

// dir + separator + name: '\' on Win32, '/' elsewhere.
Text JoinPath(const Text& dir, const Text& name);

// The process's current directory (GetCurrentDirectoryW, getcwd).
Text CurrentDirectory();

// The waiting for held files that one save allows in all, about two seconds
// in growing steps: a save that replaces two files (data.bak, then data.csv)
// shares one.
class HoldPatience {
 public:
  HoldPatience() = default;
  // One try for each file and no waiting: a retry on the user-interface
  // thread that the user did not ask for must never stop it.
  static HoldPatience None();

  // FileSystem::Replace, tried again after a wait while a file is held and
  // patience remains. True when it was done.
  bool Replace(FileSystem& fs, const Text& from, const Text& to);

 private:
  unsigned waits_ = 0;
};

// Writes bytes in place of the file at path so that the file exists at every
// instant and is always complete: a temporary file in the same directory is
// created, written, flushed and closed, then replaces path (waiting out a
// brief hold with `patience`). On any failure the temporary file is removed,
// path keeps its old content, and false is returned.
bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes,
                         HoldPatience& patience);
bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes);

// A new file `to` (failing when it exists) with the content of `from`, on
// the disk before this returns. A copy (CopyFileW) is not flushed: after a
// power cut that follows a save which replaced the original, the copy could
// read as zeros. A file that cannot be read whole here (memory is short) is
// copied by the system all the same: unflushed is better than not at all.
bool CopyFlushed(FileSystem& fs, const Text& from, const Text& to);

// Puts back a file that a power cut inside ReplaceFileContents left only as
// its temporary. FAT may persist a rename that replaces a file as its two
// parts, the old file removed and the new name not yet written; between
// them only the temporary, flushed before the rename began, holds the file.
// When `path` is missing, the newest of its temporaries that `complete`
// accepts (by its content and what the file system tells of it) is renamed
// into its place. True when one was.
bool RestoreFromTemporary(
    FileSystem& fs, const Text& path,
    const std::function<bool(const std::string& bytes, const FileFacts& facts)>& complete);
