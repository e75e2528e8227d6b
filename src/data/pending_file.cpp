#include "data/pending_file.h"

Text PendingPath(const Text& path) { return path + u".~pending"; }

PendingFile::Found PendingFile::Read(FileSystem& fs, const Text& path, std::string& bytes) {
  const Text pending = PendingPath(path);
  if (!fs.Exists(pending)) return Found::kNone;
  // Above the size limit it is no history of ours, as for data.csv.
  return ReadWholeFile(fs, pending, bytes) == ReadResult::kRead ? Found::kRead : Found::kUnreadable;
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
