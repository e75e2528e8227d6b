#include "data/edit_watch.h"

#include <string>

// The same version bookkeeping as the store's and the catalogue's: the
// facts say whether to read, the content's hash whether it was a touch.
FileChange LookAgain(FileSystem& fs, const Text& path, FileVersion& seen) {
  FileFacts facts;
  // There, but it cannot be looked at now: come back later.
  if (!fs.Examine(path, facts) && fs.Exists(path)) return FileChange::kUnreadable;
  if (!seen.Changed(fs, path)) return FileChange::kNone;
  std::string bytes;
  FileVersion now;
  // Held without sharing: the owner could not read it either. Too large to
  // hash is no history of ours: content, which its owner keeps aside.
  if (ReadVersion(fs, path, bytes, now) == ReadResult::kCannotRead && fs.Exists(path)) {
    return FileChange::kUnreadable;
  }
  const bool touched = seen.Exists() && now.Exists() && seen.SameContent(now);
  seen = now;
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
