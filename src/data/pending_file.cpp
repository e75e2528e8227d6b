#include "data/pending_file.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

// The record's lines, in ASCII. The content (its size and hash) decides;
// the facts tell a person which version it was.
constexpr char kRecordHeader[] = "Dorvane pending base 1\r\n";

std::string Describe(const FileVersion& v) {
  std::string text = kRecordHeader;
  char line[64];
  auto add = [&text, &line](const char* key, uint64_t value, bool hex) {
    std::snprintf(line, sizeof line, hex ? "%s=%016" PRIx64 "\r\n" : "%s=%" PRIu64 "\r\n", key,
                  value);
    text += line;
  };
  add("exists", v.Exists() ? 1 : 0, false);
  if (v.ContentKnown()) {
    add("size", v.Size(), false);
    add("hash", v.Hash(), true);
  }
  if (v.FactsKnown()) {
    add("lastWrite", v.Facts().lastWrite, false);
    add("volume", v.Facts().volume, false);
    add("index", v.Facts().index, false);
  }
  return text;
}

// False for anything but a record as Describe writes it.
bool Parse(const std::string& text, FileVersion& v) {
  if (text.compare(0, sizeof kRecordHeader - 1, kRecordHeader) != 0) return false;
  bool exists = false, sized = false, hashed = false;
  uint64_t size = 0, hash = 0;
  FileFacts facts;
  size_t at = sizeof kRecordHeader - 1;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return false;
    const std::string line = text.substr(at, end - at);
    at = end + 2;
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals + 1 == line.size()) return false;
    const std::string key = line.substr(0, equals);
    const char* digits = line.c_str() + equals + 1;
    char* stop = nullptr;
    const uint64_t value = std::strtoull(digits, &stop, key == "hash" ? 16 : 10);
    if (*stop != '\0') return false;
    if (key == "exists") {
      exists = value == 1;
    } else if (key == "size") {
      size = value;
      sized = true;
    } else if (key == "hash") {
      hash = value;
      hashed = true;
    } else if (key == "lastWrite") {
      facts.lastWrite = value;
    } else if (key == "volume") {
      facts.volume = value;
    } else if (key == "index") {
      facts.index = value;
    }
  }
  v.Restore(exists, facts, sized && hashed, size, hash);
  return true;
}

// The pending file first, then its record: a crash in between leaves the
// older record, which no longer matches or names the same base, so no start
// takes up a pending file on a wrong base. A record that cannot be written
// is removed; the pending file is then kept aside at the next start.
bool WritePending(FileSystem& fs, const Text& path, std::string_view bytes, const FileVersion& base,
                  HoldPatience& patience) {
  if (!ReplaceFileContents(fs, PendingPath(path), bytes, patience)) return false;
  if (!ReplaceFileContents(fs, PendingBasePath(path), Describe(base), patience)) {
    fs.Remove(PendingBasePath(path));
  }
  return true;
}

// Tries dated names beside `path` until `place` puts the file under one:
// never onto another file, even one created in between (`place` fails on a
// name that is taken). When the name is taken, the next one is tried; any
// other failure ends the attempt.
template <typename Place>
bool PlaceAside(FileSystem& fs, const Clock& clock, const Text& path, Text& keptPath, Place place) {
  const LocalDateTime now = clock();
  const Text stem = FormatText(u"%s.%04u-%02u-%02u_%02u%02u%02u", path.c_str(), now.wYear,
                               now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  for (int n = 1; n <= 1000; ++n) {
    keptPath = n == 1 ? stem : FormatText(u"%s-%d", stem.c_str(), n);
    if (place(keptPath)) return true;
    if (!fs.Exists(keptPath)) break;
  }
  keptPath.clear();
  return false;
}

}  // namespace

Text PendingPath(const Text& path) { return path + u".~pending"; }

Text PendingBasePath(const Text& path) { return path + u".~base"; }

bool KeepAside(FileSystem& fs, const Clock& clock, const Text& path, bool move, Text& keptPath) {
  return PlaceAside(fs, clock, path, keptPath, [&](const Text& kept) {
    // A copy is flushed: a save may replace the original right after, and
    // a power cut then must not leave the only copy as zeros.
    return move ? fs.MoveToNew(path, kept) : CopyFlushed(fs, path, kept);
  });
}

bool KeepBytesAside(FileSystem& fs, const Clock& clock, const Text& path, std::string_view bytes,
                    Text& keptPath) {
  return PlaceAside(fs, clock, path, keptPath,
                    [&](const Text& kept) { return WriteNewFile(fs, kept, bytes); });
}

bool KeepOtherVersionAside(FileSystem& fs, const Clock& clock, const Text& path, FileVersion& held,
                           bool always, Text& keptPath) {
  // A program that saves again while its last save is kept aside is looked
  // at again; one that never stops is not waited for.
  for (int look = 0; look < 4; ++look) {
    if (!always && !held.Changed(fs, path)) return true;
    std::string bytes;
    FileVersion now;
    const ReadResult read = ReadVersion(fs, path, bytes, now);
    if (!now.Exists() && !fs.Exists(path)) {
      held.TakeMissing();  // removed: there is nothing to keep
      return true;
    }
    Text kept;
    if (read == ReadResult::kRead) {
      // What was compared is what is kept: the bytes read, not a copy made
      // later of whatever the file holds by then.
      if (always || !held.Holds(bytes)) {
        if (!KeepBytesAside(fs, clock, path, bytes, kept)) return false;
      }
      held = now;
    } else if (read == ReadResult::kTooLarge) {
      if (!KeepAside(fs, clock, path, true, kept)) return false;
      held.TakeMissing();
    } else {
      return false;  // held without sharing: the next try looks again
    }
    if (keptPath.empty()) keptPath = kept;
    always = false;
  }
  return false;
}

PendingFile::Found PendingFile::Read(FileSystem& fs, const Text& path, const FileVersion& target,
                                     const std::function<bool(const std::string&)>& whole,
                                     std::string& bytes) {
  const Text pending = PendingPath(path);
  // A power cut inside the replace of the pending file, or of its record,
  // can leave either only as its temporary (RestoreFromTemporary). Put
  // back, the pending file is taken up only as any other is: while its
  // record names what the file holds. What a write cut short left behind
  // has no record that matches, or is no whole content; when none of that
  // can be told apart, nothing is put back.
  RestoreOnlyTemporary(fs, pending, whole);
  if (fs.Exists(pending)) {
    RestoreOnlyTemporary(fs, PendingBasePath(path), [](const std::string& record) {
      FileVersion named;
      return Parse(record, named);
    });
  }
  if (!fs.Exists(pending)) return Found::kNone;
  // The file holds something the pending file never saw (an edit saved by
  // another program once its hold ended, a restore, this program's own
  // save that could not remove the pending file), or no one can tell.
  std::string record;
  FileVersion base;
  if (ReadWholeFile(fs, PendingBasePath(path), record) != ReadResult::kRead ||
      !Parse(record, base) || !base.SameContent(target)) {
    return Found::kStale;
  }
  switch (ReadWholeFile(fs, pending, bytes)) {
    case ReadResult::kRead:
      return Found::kRead;
    case ReadResult::kTooLarge:
      // Above the size limit it is no history of ours, as for data.csv.
      return Found::kTooLarge;
    case ReadResult::kCannotRead:
      break;
  }
  return Found::kUnreadable;
}

bool PendingFile::PutAside(FileSystem& fs, const Clock& clock, const Text& path, Text& keptPath) {
  if (!KeepAside(fs, clock, PendingPath(path), true, keptPath)) {
    LeaveAlone();
    return false;
  }
  fs.Remove(PendingBasePath(path));
  return true;
}

bool PendingFile::Save(FileSystem& fs, const Text& path, std::string_view bytes,
                       HoldPatience& patience, SaveKind kind, FileVersion& held,
                       const std::function<bool()>& beforeEachTry, bool& report) {
  report = false;
  const Text pending = PendingPath(path);
  if (ReplaceFileContents(fs, path, bytes, patience, beforeEachTry, &held)) {
    // A pending file that outlived its file would be taken up at the next
    // start in place of newer content; one that cannot be removed is made
    // the same content, based on what was just written, instead (and every
    // later save tries again). Its record goes after it.
    if (!leftAlone_) {
      if (fs.Remove(pending) || !fs.Exists(pending)) {
        fs.Remove(PendingBasePath(path));
      } else {
        WritePending(fs, path, bytes, held, patience);
      }
    }
    current_ = false;
    reported_ = false;
    return true;
  }
  if (!leftAlone_ && (kind == SaveKind::kChange || !current_)) {
    // A scanner may look at the new file for a moment: a change gets a
    // patience of its own; a quiet retry keeps to the one it was given.
    HoldPatience own = HoldPatience();
    current_ = WritePending(fs, path, bytes, held, kind == SaveKind::kChange ? own : patience);
  }
  report = kind == SaveKind::kChange && (!reported_ || !current_);
  if (report) reported_ = true;
  return false;
}
