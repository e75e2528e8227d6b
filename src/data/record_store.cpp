#include "data/record_store.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

#include "base/checked.h"
#include "data/record_file.h"

namespace {

enum class ReadStatus { kOk, kCannotOpen, kTooLarge, kMalformed };

// Appends the file's records; badLine is the first malformed line (1-based).
ReadStatus Parse(const std::string& bytes, std::vector<ActivityRecord>& records, int& badLine) {
  try {
    badLine = ParseRecordFile(bytes, records);
  } catch (const std::bad_alloc&) {
    // A file near the size limit may hold more records than the 32-bit
    // program has room for; the list is as it was.
    return ReadStatus::kCannotOpen;
  }
  return badLine != 0 ? ReadStatus::kMalformed : ReadStatus::kOk;
}

ReadStatus Read(FileSystem& files, const Text& path, std::vector<ActivityRecord>& records,
                int& badLine) {
  std::string bytes;
  switch (ReadWholeFile(files, path, bytes)) {
    case ReadResult::kRead:
      return Parse(bytes, records, badLine);
    case ReadResult::kTooLarge:
      return ReadStatus::kTooLarge;
    case ReadResult::kCannotRead:
      break;
  }
  return ReadStatus::kCannotOpen;
}

// The whole file as text; false when the 32-bit program has no room for it,
// which must end nothing: the change stays unsaved and the user is told.
bool FormatAll(const std::vector<ActivityRecord>& records, std::string& bytes) {
  try {
    FormatRecordFile(records, bytes);
    return true;
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    return false;
  }
}

// A record as the file keeps it: its name and both times to the minute.
uint64_t RecordKey(const ActivityRecord& r) {
  uint64_t key = ContentHash(std::string_view(reinterpret_cast<const char*>(r.name.data()),
                                              r.name.size() * sizeof(char16_t)));
  for (const LocalDateTime* t : {&r.start, &r.end}) {
    for (const uint16_t field : {t->wYear, t->wMonth, t->wDay, t->wHour, t->wMinute}) {
      key = (key ^ field) * 1099511628211u;
    }
  }
  return key;
}

std::vector<uint64_t> SortedKeys(const std::vector<ActivityRecord>& records) {
  std::vector<uint64_t> keys;
  keys.reserve(records.size());
  for (const ActivityRecord& r : records) keys.push_back(RecordKey(r));
  std::sort(keys.begin(), keys.end());
  return keys;
}

Text OpenItemOf(const std::vector<ActivityRecord>& records) {
  return !records.empty() && IsOpenRecord(records.back()) ? records.back().name : Text();
}

}  // namespace

bool ReadRecordFile(FileSystem& files, DataReporter& reporter, const Text& path,
                    RecordFileContents& contents) {
  contents = RecordFileContents();
  int badLine = 0;
  switch (Read(files, path, contents.records, badLine)) {
    case ReadStatus::kOk:
      contents.openItem = OpenItemOf(contents.records);
      return true;
    case ReadStatus::kCannotOpen:
    case ReadStatus::kTooLarge:
      reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
      break;
    case ReadStatus::kMalformed:
      reporter.Report(DataReport{DataEvent::kMalformedLine, Text(), badLine});
      break;
  }
  contents = RecordFileContents();
  return false;
}

Text RecordStore::DataPath() const { return JoinPath(ws_.directory, u"data.csv"); }

Text RecordStore::BackupPath() const { return JoinPath(ws_.directory, u"data.bak"); }

void RecordStore::ReportOpenFailure(const Text& path, const Text& keptCopy) {
  ws_.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path, 0, keptCopy});
}

namespace {

// A history that parses and holds a record: an empty one is no evidence of
// a save, which never writes one over records.
bool WholeHistory(const std::string& bytes) {
  std::vector<ActivityRecord> records;
  int badLine = 0;
  return Parse(bytes, records, badLine) == ReadStatus::kOk && !records.empty();
}

}  // namespace

// A pending file is taken up only while data.csv still holds what it was
// based on. One that does not, or cannot be loaded, is renamed aside and
// reported, and data.csv is loaded after all.
bool RecordStore::LoadPending() {
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  const Text pending = PendingPath(path);
  std::string bytes;
  const PendingFile::Found found = pending_.Read(fs, path, held_, WholeHistory, bytes);
  if (found == PendingFile::Found::kNone) return false;
  Text kept;
  if (found == PendingFile::Found::kStale) {
    pending_.PutAside(fs, ws_.clock, path, kept);
    ws_.reporter.Report(DataReport{DataEvent::kStalePending, pending, 0, kept});
    return false;
  }
  std::vector<ActivityRecord> records;
  int badLine = 0;
  ReadStatus status = found == PendingFile::Found::kTooLarge ? ReadStatus::kTooLarge : ReadStatus::kCannotOpen;
  if (found == PendingFile::Found::kRead) status = Parse(bytes, records, badLine);
  if (status == ReadStatus::kOk) {
    records_.swap(records);
    TakeOpenItem();
    pending_.Adopt();
    unsaved_ = true;
    return true;
  }
  pending_.PutAside(fs, ws_.clock, path, kept);
  Report(pending, status == ReadStatus::kMalformed ? badLine : 0, kept);
  return false;
}

void RecordStore::Load() {
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  // An empty history is no evidence: a missing data.csv beside data.bak is
  // then kept aside as below, rather than data.bak pushed out by it.
  RestoreFromTemporary(fs, path, [](const std::string& text, const FileFacts&) {
    return WholeHistory(text);
  });
  std::string bytes;
  const ReadResult read = ReadVersion(fs, path, bytes, held_);
  std::vector<ActivityRecord> records;
  int badLine = 0;
  ReadStatus status = read == ReadResult::kTooLarge ? ReadStatus::kTooLarge : ReadStatus::kCannotOpen;
  if (read == ReadResult::kRead) status = Parse(bytes, records, badLine);
  std::string().swap(bytes);
  if (LoadPending()) {
    // What data.csv held is what this run last read, though the pending
    // file is in use.
    if (status == ReadStatus::kOk) readKeys_ = SortedKeys(records);
    return;
  }
  if (status == ReadStatus::kOk) {
    records_.swap(records);
    readKeys_ = SortedKeys(records_);
    TakeOpenItem();
    return;
  }
  if (status == ReadStatus::kCannotOpen && !held_.Exists() && !fs.Exists(path)) {
    // The first start: the first save creates the file. But when data.bak
    // is there, data.csv was lost some other way, and the second save would
    // overwrite the history that data.bak still holds.
    Text copyPath;
    if (fs.Exists(BackupPath()) && KeepAside(fs, ws_.clock, BackupPath(), false, copyPath)) {
      ReportOpenFailure(path, copyPath);
    } else {
      ReportOpenFailure(path);
    }
    return;
  }
  // The file holds a history this run could not load. Saving the empty list
  // over it would lose that history (and, one save later, data.bak too), so
  // it is kept under a name of its own, or, when that fails, kept aside by
  // the first save that can (until then, a change goes to the pending file).
  const bool move = status == ReadStatus::kTooLarge;
  Text copyPath;
  const bool kept = KeepAside(fs, ws_.clock, path, move, copyPath);
  Report(path, status == ReadStatus::kMalformed ? badLine : 0, copyPath);
  if (!kept) {
    savesBlocked_ = true;
  } else if (move) {
    held_.TakeMissing();
  }
}

void RecordStore::Report(const Text& path, int badLine, const Text& keptCopy) {
  if (badLine == 0) {
    ReportOpenFailure(path, keptCopy);
  } else {
    ws_.reporter.Report(DataReport{DataEvent::kMalformedLine, Text(), badLine, keptCopy});
  }
}

bool RecordStore::TakeInEdit() {
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  // With a change of its own unsaved, the next save keeps the edit aside.
  if (savesBlocked_ || unsaved_ || !held_.Changed(fs, path)) return false;
  std::string bytes;
  FileVersion now;
  const ReadResult read = ReadVersion(fs, path, bytes, now);
  if (!now.Exists()) {
    // Removed: the next save writes the history again.
    if (!fs.Exists(path)) held_.TakeMissing();
    return false;
  }
  if (read == ReadResult::kRead && held_.Holds(bytes)) {
    held_ = now;  // touched, not edited
    return false;
  }
  std::vector<ActivityRecord> records;
  int badLine = 0;
  ReadStatus status = read == ReadResult::kTooLarge ? ReadStatus::kTooLarge : ReadStatus::kCannotOpen;
  if (read == ReadResult::kRead) status = Parse(bytes, records, badLine);
  if (status == ReadStatus::kOk) {
    if (!KeepOwnVersionAside(records)) return false;
    records_.swap(records);
    held_ = now;
    readKeys_ = SortedKeys(records_);
    currentActivity_ = OpenItemOf(records_);
    return true;
  }
  // Another program holds it without sharing: the next look tries again.
  if (status == ReadStatus::kCannotOpen) return false;
  // Kept aside, the history in memory may replace it; when that fails, the
  // next save tries again before it writes.
  const bool move = status == ReadStatus::kTooLarge;
  Text copyPath;
  if (KeepAside(fs, ws_.clock, path, move, copyPath)) {
    if (move) {
      held_.TakeMissing();
    } else {
      held_ = now;
    }
  }
  Report(path, status == ReadStatus::kMalformed ? badLine : 0, copyPath);
  return false;
}

// A file that lacks a record this run wrote since it last read the file
// (added, changed or closed here) was saved from a copy read before that
// save: taken in as it is, it would drop the record without a word. The
// program's own last-written version is kept aside first, and reported once.
// An edit that only adds records, or removes records this run did not
// write, is taken in quietly.
bool RecordStore::KeepOwnVersionAside(const std::vector<ActivityRecord>& theirs) {
  const std::vector<uint64_t> mine = SortedKeys(records_);
  std::vector<uint64_t> written;
  std::set_difference(mine.begin(), mine.end(), readKeys_.begin(), readKeys_.end(),
                      std::back_inserter(written));
  const std::vector<uint64_t> found = SortedKeys(theirs);
  if (std::includes(found.begin(), found.end(), written.begin(), written.end())) return true;
  std::string bytes;
  Text kept;
  if (!FormatAll(records_, bytes) || !KeepBytesAside(ws_.files, ws_.clock, DataPath(), bytes, kept)) {
    return false;  // the next look tries again; the history in memory stays
  }
  ws_.reporter.Report(DataReport{DataEvent::kOwnVersionKept, DataPath(), 0, kept});
  return true;
}

void RecordStore::TakeOpenItem() {
  const Text openItem = OpenItemOf(records_);
  if (!openItem.empty()) currentActivity_ = openItem;
}

// data.bak becomes what data.csv holds now, and neither file is ever missing
// or incomplete: a second name for data.csv (a hard link costs no copying)
// replaces data.bak in one step. A failed backup does not stop the save.
void RecordStore::MakeBackup(HoldPatience& patience) {
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  FileFacts facts;
  if (!fs.Examine(path, facts)) return;
  if (facts.readOnly) {
    // A link or a copy would be read-only too: the next backup could
    // neither replace data.bak nor remove its own temporary. The content
    // goes to a new file instead.
    std::string bytes;
    if (ReadWholeFile(fs, path, bytes) == ReadResult::kRead) {
      ReplaceFileContents(fs, BackupPath(), bytes, patience);
    }
    return;
  }
  const Text temp = BackupTemporaryPath();
  fs.Remove(temp);  // left by an interrupted save
  if (!fs.HardLink(path, temp) && !CopyFlushed(fs, path, temp)) {
    fs.Remove(temp);  // a copy that failed half way
    return;
  }
  // When data.bak is already a link to data.csv (a save failed after its
  // backup), renaming one name of a file onto another name of the same file
  // succeeds without removing the source.
  if (!patience.Replace(fs, temp, BackupPath()) || fs.Exists(temp)) fs.Remove(temp);
}

Text RecordStore::BackupTemporaryPath() const { return JoinPath(ws_.directory, u"data.bak.tmp"); }

bool RecordStore::WriteTo(const Text& path) {
  std::string bytes;
  // A name that code page 932 cannot hold is written with '?' in its place;
  // the tracker and the dialogs never let such a name into the list.
  if (!FormatAll(records_, bytes) || !ReplaceFileContents(ws_.files, path, bytes)) {
    ReportOpenFailure(path);
    return false;
  }
  return true;
}

bool RecordStore::Save() {
  // One patience for both files: the user waits about two seconds at most.
  HoldPatience patience;
  return Save(patience, SaveKind::kChange);
}

bool RecordStore::Save(HoldPatience& patience, SaveKind kind) {
  unsaved_ = true;
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  if (!pending_.WorthTrying(fs, path, kind)) return false;
  std::string bytes;
  if (!FormatAll(records_, bytes)) {
    if (kind == SaveKind::kChange) ReportOpenFailure(path);
    return false;
  }
  // A data.csv this run could not load is kept aside before anything
  // replaces it, data.bak included; until it can be, changes go to the
  // pending file.
  Text unloadedCopy, keptCopy;
  if (savesBlocked_ && KeepOtherVersionAside(fs, ws_.clock, path, held_, true, unloadedCopy)) {
    savesBlocked_ = false;
  }
  if (!savesBlocked_) MakeBackup(patience);
  // Right before each try to replace data.csv: what another program saved
  // there since this run read or wrote it is kept aside first.
  const auto keepEdit = [&] {
    return !savesBlocked_ && KeepOtherVersionAside(fs, ws_.clock, path, held_, false, keptCopy);
  };
  // A pending file made while data.csv is unloaded is based on nothing a
  // start may build on: the next start keeps it aside and deals with
  // data.csv first.
  FileVersion unloaded;
  unloaded.Restore(held_.Exists(), held_.Facts(), false, 0, 0);
  bool report = false;
  unsaved_ = !pending_.Save(fs, path, bytes, patience, kind, savesBlocked_ ? unloaded : held_, keepEdit, report);
  // The backup's second name of a held data.csv can be neither renamed
  // nor removed until the hold ends.
  if (!unsaved_) fs.Remove(BackupTemporaryPath());
  // Last, at the end of the session never: the message box lets a timer's
  // retry run inside it.
  if (kind != SaveKind::kEnd) {
    if (!unloadedCopy.empty()) ReportOpenFailure(path, unloadedCopy);
    if (!keptCopy.empty()) {
      ws_.reporter.Report(DataReport{DataEvent::kChangedElsewhere, path, 0, keptCopy});
    }
  }
  if (report) ReportOpenFailure(path);
  return !unsaved_;
}

void RecordStore::MarkChanged() {
  unsaved_ = true;
  pending_.Outdated();
  if (ws_.changed) ws_.changed();
}

const ActivityRecord& RecordStore::At(int i) const { return CheckedAt(records_, i); }

ActivityRecord& RecordStore::At(int i) {
  ActivityRecord& record = CheckedAt(records_, i);
  MarkChanged();
  return record;
}

void RecordStore::Append(ActivityRecord record) {
  records_.push_back(std::move(record));
  MarkChanged();
}

void RecordStore::InsertAt(int i, ActivityRecord record) {
  if (i < 0 || i > Count()) BrokenIndex();
  records_.insert(records_.begin() + i, std::move(record));
  MarkChanged();
}

void RecordStore::RemoveAt(int i) {
  CheckedAt(records_, i);
  records_.erase(records_.begin() + i);
  MarkChanged();
}
