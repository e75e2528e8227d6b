#include "data/edit_watch.h"

#include <string>

namespace {
bool SameVersion(const FileFacts& a, const FileFacts& b) {
  return a.size == b.size && a.lastWrite == b.lastWrite && a.volume == b.volume && a.index == b.index;
}
}  // namespace

FileChange LookAgain(FileSystem& fs, const Text& path, SeenFile& seen) {
  FileFacts now;
  if (!fs.Examine(path, now)) {
    if (fs.Exists(path)) return FileChange::kUnreadable;
    if (!seen.exists) return FileChange::kNone;
    seen = SeenFile();
    return FileChange::kContent;
  }
  if (seen.exists && SameVersion(now, seen.facts)) return FileChange::kNone;
  std::string bytes;
  const ReadResult read = ReadWholeFile(fs, path, bytes);
  // Held without sharing: the owner could not read it either.
  if (read == ReadResult::kCannotRead) return FileChange::kUnreadable;
  // Too large to hash is no history of ours: content to keep aside.
  const uint64_t hash = read == ReadResult::kRead ? ContentHash(bytes) : 0;
  const bool touched = seen.exists && read == ReadResult::kRead && now.size == seen.facts.size && hash == seen.hash;
  seen.exists = true;
  seen.facts = now;
  seen.hash = hash;
  return touched ? FileChange::kTouched : FileChange::kContent;
}

void EditWatch::Start() {
  LookAgain(data_.ws.files, SettingsPath(data_.ws), items_);
  LookAgain(data_.ws.files, data_.store.DataPath(), records_);
}

EditWatch::Outcome EditWatch::Look() {
  Outcome outcome;
  const FileChange items = LookAgain(data_.ws.files, SettingsPath(data_.ws), items_);
  if (items == FileChange::kContent && data_.catalogue.TakeInEdit(data_.ws)) outcome.takenIn = true;
  const FileChange records = LookAgain(data_.ws.files, data_.store.DataPath(), records_);
  if (records == FileChange::kContent && data_.store.TakeInEdit()) outcome.takenIn = true;
  outcome.lookAgain = items == FileChange::kUnreadable || records == FileChange::kUnreadable;
  return outcome;
}
