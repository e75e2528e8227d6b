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

struct FileFacts;

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const void* data, size_t size) = 0;
  // Pushes the data to the disk (FlushFileBuffers / fsync).
  virtual bool Flush() = 0;
  // What the file system tells of the file written so far, asked through
  // this handle (GetFileInformationByHandle; fstat), never by a path that
  // another program may have taken over meanwhile. Called after the last
  // write: on Win32 it also sets the last-write time it reports on the
  // handle, so that closing the handle stamps no later one. A rename keeps
  // the size, the write time and (NTFS; ext4) the index. False when the
  // platform cannot tell; the caller then knows the content only.
  virtual bool Facts(FileFacts& facts) = 0;
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

// A 64-bit hash of a file's content (FNV-1a): two versions whose facts
// differ are the same content when their hashes and sizes agree.
uint64_t ContentHash(std::string_view bytes);

// Which version of a file the program holds: the one it last read or
// wrote. Another program that writes the file changes its last-write time
// (or its size); one that saves a new file in its place changes its index.
// The content's hash, when the program holds the content, tells a touch
// (or a file system that renumbers a renamed file) from an edit.
class FileVersion {
 public:
  // Remembers the file as it is now, or that there is none; its content
  // is not known.
  void Take(FileSystem& fs, const Text& path);
  // Remembers a version whose content the program holds: read after
  // `facts` were taken, or written through the handle that gave them.
  void Take(const FileFacts& facts, std::string_view content);
  // Remembers content written whose facts are not known: the next look
  // finds it changed, and confirms by the content.
  void TakeContent(std::string_view content);
  void TakeMissing();
  // Set when a version is rebuilt from what was recorded of it.
  void Restore(bool exists, const FileFacts& facts, bool contentKnown, uint64_t size,
               uint64_t hash);

  // True when the file is not the version taken last: written, replaced,
  // created or removed since (or its facts were never known). A file that
  // cannot be looked at now counts as unchanged: the next look tries again.
  bool Changed(FileSystem& fs, const Text& path) const;
  // True when `content` is the content of this version.
  bool Holds(std::string_view content) const {
    return contentKnown_ && content.size() == size_ && ContentHash(content) == hash_;
  }
  // True when both versions are known to hold the same content, or neither
  // file exists.
  bool SameContent(const FileVersion& other) const {
    if (!exists_ || !other.exists_) return exists_ == other.exists_;
    return contentKnown_ && other.contentKnown_ && size_ == other.size_ && hash_ == other.hash_;
  }

  bool Exists() const { return exists_; }
  bool FactsKnown() const { return factsKnown_; }
  const FileFacts& Facts() const { return facts_; }
  bool ContentKnown() const { return contentKnown_; }
  uint64_t Size() const { return size_; }
  uint64_t Hash() const { return hash_; }

 private:
  bool exists_ = false;
  bool factsKnown_ = false;
  FileFacts facts_;
  bool contentKnown_ = false;
  uint64_t size_ = 0;
  uint64_t hash_ = 0;
};

// What makes a file that file whatever name reaches it: the volume's serial
// number and the file's id on it. On Win32 the 128-bit id of FileIdInfo
// (GetFileInformationByHandleEx) where the volume gives one, since on ReFS
// the 64-bit index of GetFileInformationByHandle may repeat; else that
// index. st_dev and st_ino elsewhere.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t high = 0;
  uint64_t low = 0;
  friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.high == b.high && a.low == b.low;
  }
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
  // The identity of the file a name reaches (a link's target, the file
  // behind an 8.3 name); false when there is none or it cannot be looked
  // at. By default Examine's volume and index.
  virtual bool Identify(const Text& path, FileIdentity& identity);
  // The path as the platform will open it: absolute, with "." and ".."
  // resolved, the trailing dots and spaces that Win32 drops dropped, and
  // long names for the 8.3 names of what exists (GetFullPathNameW, then
  // GetLongPathNameW on the file or else its folder). Elsewhere, and when
  // that fails, `path` as given.
  virtual Text ResolvePath(const Text& path) { return path; }
  // Copies a file's content; with overwrite false, fails when `to` exists.
  virtual bool Copy(const Text& from, const Text& to, bool overwrite) = 0;
  // A second name for an existing file (fails where links are not supported).
  virtual bool HardLink(const Text& existing, const Text& link) = 0;
  // Creates a new file for writing; fails when it exists already.
  virtual std::unique_ptr<OutputFile> CreateNew(const Text& path) = 0;
  // Atomically puts `from` in place of `to` (MoveFileExW with
  // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; rename after fsync).
  virtual ReplaceResult Replace(const Text& from, const Text& to) = 0;
  // Gives the file at `from` the name `to` only while no file has that
  // name: it never replaces, even a file that another program creates at
  // `to` meanwhile. False, with both names as they were, when `to` is
  // taken or the move fails otherwise (Exists(to) tells the two apart). A
  // link is moved as itself, never its target. As durable as Replace.
  // (MoveFileExW without MOVEFILE_REPLACE_EXISTING; renameat2 with
  // RENAME_NOREPLACE, or link then unlink where the file system lacks it.)
  virtual bool MoveToNew(const Text& from, const Text& to) = 0;
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

// The whole file as ReadWholeFile reads it, and in `version` the version
// read: its facts are taken before the read (a write meanwhile shows at the
// next look), its content's hash when it was read. A file that is not there
// gives a missing version.
ReadResult ReadVersion(FileSystem& fs, const Text& path, std::string& bytes, FileVersion& version);

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
  // patience remains. True when it was done. `beforeEachTry`, when given,
  // runs right before every try, the first and each after a wait: false
  // gives up without replacing (the caller could not deal with what it
  // found at `to`).
  bool Replace(FileSystem& fs, const Text& from, const Text& to,
               const std::function<bool()>& beforeEachTry = nullptr);

 private:
  unsigned waits_ = 0;
};

// Writes bytes in place of the file at path so that the file exists at every
// instant and is always complete: a temporary file in the same directory is
// created, written, flushed and closed, then replaces path (waiting out a
// brief hold with `patience`; `beforeEachTry` as for HoldPatience::Replace).
// On any failure the temporary file is removed, path keeps its old content,
// and false is returned. `written`, when given, becomes the version written,
// its facts taken from the temporary file's own handle before the rename.
bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes,
                         HoldPatience& patience,
                         const std::function<bool()>& beforeEachTry = nullptr,
                         FileVersion* written = nullptr);
bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes);

// A new file at path holding bytes, written and flushed; fails when a file
// of that name exists (it is never written over). A file left half written
// is removed.
bool WriteNewFile(FileSystem& fs, const Text& path, std::string_view bytes);

// The look of a second copy of the program, which must leave every file as
// it is: reads and looks pass to `files`; copies, links, creates, replaces
// and removes fail without touching anything.
class ReadOnlyFileSystem : public FileSystem {
 public:
  explicit ReadOnlyFileSystem(FileSystem& files) : files_(files) {}
  ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) override {
    return files_.Read(path, limit, bytes);
  }
  bool Exists(const Text& path) override { return files_.Exists(path); }
  bool Examine(const Text& path, FileFacts& facts) override { return files_.Examine(path, facts); }
  bool Identify(const Text& path, FileIdentity& identity) override {
    return files_.Identify(path, identity);
  }
  Text ResolvePath(const Text& path) override { return files_.ResolvePath(path); }
  bool Copy(const Text&, const Text&, bool) override { return false; }
  bool HardLink(const Text&, const Text&) override { return false; }
  std::unique_ptr<OutputFile> CreateNew(const Text&) override { return nullptr; }
  ReplaceResult Replace(const Text&, const Text&) override { return ReplaceResult::Failed; }
  bool MoveToNew(const Text&, const Text&) override { return false; }
  bool Remove(const Text&) override { return false; }
  std::vector<Text> FilesStartingWith(const Text& pathPrefix) override {
    return files_.FilesStartingWith(pathPrefix);
  }
  bool Replaceable(const Text&) override { return false; }
  void Wait(unsigned) override {}

 private:
  FileSystem& files_;
};

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

// The same where no clock may choose (a pending file, whose adoption its
// record decides): a temporary is put back only when it is the one that
// `complete` accepts; with several, none is.
bool RestoreOnlyTemporary(FileSystem& fs, const Text& path,
                          const std::function<bool(const std::string& bytes)>& complete);
