#include "base/files.h"

#include <new>
#include <utility>

namespace {

#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

// The waits between tries of a held replace, in milliseconds: 2 s in all.
// A scanner's look at a new file takes a few milliseconds, an indexer's or a
// sync client's up to a second or so; a program that keeps the file open is
// not worth waiting for longer.
constexpr unsigned kHoldWaits[] = {50, 100, 200, 350, 500, 800};

// Names tried for the temporary file when earlier ones cannot be created
// (another program holds them for a moment, or their delete is pending).
constexpr unsigned kTemporaryNameAttempts = 100;

Text TemporaryPrefix(const Text& path) { return path + u".~tmp"; }

Text TemporaryName(const Text& path, unsigned n) { return TemporaryPrefix(path) + FormatText(u"%u", n); }

// "<name>.~tmp<N>" beside the target: the same directory keeps the final
// move a rename on one volume. Only one copy of the program writes in its
// directory, so a file with such a name is what a save left behind when it
// was cut short (a crash, a power cut, the end of a session): it is removed
// and its name taken again. The exclusive create still fails rather than
// write into a file that another program holds. A name can also stay
// unusable after its removal succeeded: while a scanner still has the old
// file open, the delete is only pending and the name cannot be created
// (older Windows, FAT, network shares). Such a name is passed over.
std::unique_ptr<OutputFile> CreateTemporary(FileSystem& fs, const Text& path, unsigned& n) {
  for (n = 1; n <= kTemporaryNameAttempts; ++n) {
    const Text temporary = TemporaryName(path, n);
    if (auto file = fs.CreateNew(temporary)) return file;
    if (fs.Exists(temporary) && fs.Remove(temporary)) {
      if (auto file = fs.CreateNew(temporary)) return file;
    }
  }
  return nullptr;
}

bool AllDigits(const Text& s) {
  if (s.empty()) return false;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// Every temporary of the file left by a save cut short, whatever its
// number: earlier versions took the next free number after each one, and
// a name passed over leaves a gap.
void RemoveLeftovers(FileSystem& fs, const Text& path) {
  const Text prefix = TemporaryPrefix(path);
  for (const Text& leftover : fs.FilesStartingWith(prefix)) {
    if (AllDigits(leftover.substr(prefix.size()))) fs.Remove(leftover);
  }
}

}  // namespace

Text JoinPath(const Text& dir, const Text& name) {
  if (dir.empty()) return name;
  const char16_t last = dir.back();
  if (last == kSeparator || last == u'/') return dir + name;
  return dir + kSeparator + name;
}

ReadResult ReadWholeFile(FileSystem& fs, const Text& path, std::string& bytes) {
  bytes.clear();
  ReadResult result = ReadResult::kCannotRead;
  try {
    result = fs.Read(path, kMaxReadBytes, bytes);
    if (result == ReadResult::kRead) return result;
  } catch (const std::bad_alloc&) {
    // Memory is short: the address space of a 32-bit process is fragmented.
  }
  std::string().swap(bytes);
  return result;
}

bool FileSystem::Identify(const Text& path, FileIdentity& identity) {
  FileFacts facts;
  if (!Examine(path, facts)) return false;
  identity = FileIdentity{facts.volume, 0, facts.index};
  return true;
}

ReadResult ReadVersion(FileSystem& fs, const Text& path, std::string& bytes, FileVersion& version) {
  FileFacts facts;
  const bool looked = fs.Examine(path, facts);
  const ReadResult result = ReadWholeFile(fs, path, bytes);
  if (result == ReadResult::kRead) {
    if (looked) {
      version.Take(facts, bytes);
    } else {
      version.TakeContent(bytes);
    }
  } else if (looked) {
    version.Restore(true, facts, false, 0, 0);
  } else {
    version.TakeMissing();
  }
  return result;
}

bool IsSameFile(FileSystem& fs, const Text& a, const Text& b) {
  FileIdentity x, y;
  return fs.Identify(a, x) && fs.Identify(b, y) && x == y;
}

uint64_t ContentHash(std::string_view bytes) {
  uint64_t hash = 14695981039346656037u;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211u;
  }
  return hash;
}

void FileVersion::Take(FileSystem& fs, const Text& path) {
  *this = FileVersion();
  exists_ = factsKnown_ = fs.Examine(path, facts_);
}

void FileVersion::Take(const FileFacts& facts, std::string_view content) {
  TakeContent(content);
  factsKnown_ = true;
  facts_ = facts;
}

void FileVersion::TakeContent(std::string_view content) {
  *this = FileVersion();
  exists_ = contentKnown_ = true;
  size_ = content.size();
  hash_ = ContentHash(content);
}

void FileVersion::TakeMissing() { *this = FileVersion(); }

void FileVersion::Restore(bool exists, const FileFacts& facts, bool contentKnown, uint64_t size,
                          uint64_t hash) {
  *this = FileVersion();
  exists_ = exists;
  factsKnown_ = exists;
  facts_ = facts;
  contentKnown_ = exists && contentKnown;
  size_ = size;
  hash_ = hash;
}

bool FileVersion::Changed(FileSystem& fs, const Text& path) const {
  FileFacts now;
  if (!fs.Examine(path, now)) return exists_ && !fs.Exists(path);
  return !exists_ || !factsKnown_ || now.size != facts_.size || now.lastWrite != facts_.lastWrite ||
         now.volume != facts_.volume || now.index != facts_.index;
}

HoldPatience HoldPatience::None() {
  HoldPatience none;
  none.waits_ = sizeof kHoldWaits / sizeof kHoldWaits[0];
  return none;
}

bool HoldPatience::Replace(FileSystem& fs, const Text& from, const Text& to,
                          const std::function<bool()>& beforeEachTry) {
  for (;;) {
    if (beforeEachTry && !beforeEachTry()) return false;
    const ReplaceResult result = fs.Replace(from, to);
    if (result != ReplaceResult::Held || waits_ == sizeof kHoldWaits / sizeof kHoldWaits[0]) {
      return result == ReplaceResult::Done;
    }
    fs.Wait(kHoldWaits[waits_++]);
  }
}

bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes,
                         HoldPatience& patience, const std::function<bool()>& beforeEachTry,
                         FileVersion* written) {
  unsigned n = 0;
  std::unique_ptr<OutputFile> file = CreateTemporary(fs, path, n);
  if (!file) return false;
  const Text temporary = TemporaryName(path, n);

  bool complete = file->Write(bytes.data(), bytes.size()) && file->Flush();
  // The version is asked of the handle: once renamed, the path may be
  // another program's file before the program could look at it.
  FileFacts facts;
  const bool factsKnown = complete && written && file->Facts(facts);
  // Closed in any case: Win32 cannot delete a file that is still open.
  complete = file->Close() && complete;
  file.reset();
  if (complete && patience.Replace(fs, temporary, path, beforeEachTry)) {
    if (written) {
      if (factsKnown) {
        written->Take(facts, bytes);
      } else {
        written->TakeContent(bytes);
      }
    }
    RemoveLeftovers(fs, path);
    return true;
  }
  fs.Remove(temporary);
  return false;
}

bool WriteNewFile(FileSystem& fs, const Text& path, std::string_view bytes) {
  std::unique_ptr<OutputFile> file = fs.CreateNew(path);
  if (!file) return false;
  bool complete = file->Write(bytes.data(), bytes.size()) && file->Flush();
  complete = file->Close() && complete;
  file.reset();
  if (!complete) fs.Remove(path);
  return complete;
}

bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes) {
  HoldPatience patience;
  return ReplaceFileContents(fs, path, bytes, patience);
}

namespace {

// The temporaries of `path` whose content and facts `complete` accepts.
std::vector<std::pair<Text, FileFacts>> WholeTemporaries(
    FileSystem& fs, const Text& path,
    const std::function<bool(const std::string& bytes, const FileFacts& facts)>& complete) {
  std::vector<std::pair<Text, FileFacts>> whole;
  const Text prefix = TemporaryPrefix(path);
  for (const Text& temporary : fs.FilesStartingWith(prefix)) {
    FileFacts facts;
    std::string bytes;
    if (AllDigits(temporary.substr(prefix.size())) && fs.Examine(temporary, facts) &&
        ReadWholeFile(fs, temporary, bytes) == ReadResult::kRead && complete(bytes, facts)) {
      whole.emplace_back(temporary, facts);
    }
  }
  return whole;
}

}  // namespace

bool RestoreFromTemporary(
    FileSystem& fs, const Text& path,
    const std::function<bool(const std::string& bytes, const FileFacts& facts)>& complete) {
  if (fs.Exists(path)) return false;
  const Text* newest = nullptr;
  uint64_t newestWrite = 0;
  const auto whole = WholeTemporaries(fs, path, complete);
  for (const auto& [temporary, facts] : whole) {
    if (newest && facts.lastWrite <= newestWrite) continue;
    newest = &temporary;
    newestWrite = facts.lastWrite;
  }
  // Never onto a file that appeared meanwhile.
  return newest && fs.MoveToNew(*newest, path);
}

bool RestoreOnlyTemporary(FileSystem& fs, const Text& path,
                          const std::function<bool(const std::string& bytes)>& complete) {
  if (fs.Exists(path)) return false;
  const auto whole = WholeTemporaries(
      fs, path, [&](const std::string& bytes, const FileFacts&) { return complete(bytes); });
  return whole.size() == 1 && fs.MoveToNew(whole.front().first, path);
}

bool CopyFlushed(FileSystem& fs, const Text& from, const Text& to) {
  std::string bytes;
  if (ReadWholeFile(fs, from, bytes) != ReadResult::kRead) return fs.Copy(from, to, false);
  // Half a copy would pass for a whole one: WriteNewFile removes it.
  return WriteNewFile(fs, to, bytes);
}
