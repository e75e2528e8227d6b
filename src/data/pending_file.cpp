#include "data/pending_file.h"

Text PendingPath(const Text& path) { return path + u".~pending"; }

bool KeepAside(FileSystem& fs, const Clock& clock, const Text& path, bool move, Text& keptPath) {
  const LocalDateTime now = clock();
  const Text stem = FormatText(u"%s.%04u-%02u-%02u_%02u%02u%02u", path.c_str(), now.wYear,
                               now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  for (int n = 1; n <= 1000; ++n) {
    keptPath = n == 1 ? stem : FormatText(u"%s-%d", stem.c_str(), n);
    // Never onto another file: when the name is taken, the next one is
    // tried; any other failure ends the attempt.
    if (move) {
      if (fs.Exists(keptPath)) continue;
      if (fs.Replace(path, keptPath) == ReplaceResult::Done) return true;
    } else if (CopyFlushed(fs, path, keptPath)) {
      return true;
    }
    if (!fs.Exists(keptPath)) break;
  }
  keptPath.clear();
  return false;
}

PendingFile::Found PendingFile::Read(FileSystem& fs, const Text& path, std::string& bytes) {
  const Text pending = PendingPath(path);
  // A power cut inside the replace of the pending file can leave only its
  // temporary (RestoreFromTemporary); one that is newer than the file
  // holds the latest content. An older one is what a cut write left behind.
  FileFacts file;
  const bool fileThere = fs.Examine(path, file);
  RestoreFromTemporary(fs, pending, [&](const std::string& content, const FileFacts& facts) {
    return !content.empty() && (!fileThere || facts.lastWrite > file.lastWrite);
  });
  if (!fs.Exists(pending)) return Found::kNone;
  // A file written after its pending file holds what came later: an edit
  // saved by another program once its hold ended, or this program's own
  // save that could not remove the pending file.
  FileFacts ours, theirs;
  if (fs.Examine(pending, ours) && fs.Examine(path, theirs) && ours.lastWrite <= theirs.lastWrite) {
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

bool PendingFile::Save(FileSystem& fs, const Text& path, std::string_view bytes,
                       HoldPatience& patience, SaveKind kind, bool& report) {
  report = false;
  const Text pending = PendingPath(path);
  if (ReplaceFileContents(fs, path, bytes, patience)) {
    // A pending file that outlived its file would be taken up at the next
    // start in place of newer content; one that cannot be removed is made
    // the same content instead (and every later save tries again).
    if (!leftAlone_ && !fs.Remove(pending) && fs.Exists(pending)) {
      ReplaceFileContents(fs, pending, bytes, patience);
    }
    current_ = false;
    reported_ = false;
    return true;
  }
  if (!leftAlone_ && (kind == SaveKind::kChange || !current_)) {
    // A scanner may look at the new file for a moment: a change gets a
    // patience of its own; a quiet retry keeps to the one it was given.
    current_ = kind == SaveKind::kChange ? ReplaceFileContents(fs, pending, bytes)
                                         : ReplaceFileContents(fs, pending, bytes, patience);
  }
  report = kind == SaveKind::kChange && (!reported_ || !current_);
  if (report) reported_ = true;
  return false;
}
