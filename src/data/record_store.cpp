#include "data/record_store.h"

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

// A pending file exists only while data.csv could not be written, so it is
// the newer history unless data.csv was written after it. One that cannot
// be loaded, or is older than data.csv, is kept aside and reported, and
// data.csv is loaded after all.
bool RecordStore::LoadPending() {
  const Text pending = PendingPath(DataPath());
  std::string bytes;
  const PendingFile::Found found = pending_.Read(ws_.files, DataPath(), bytes);
  if (found == PendingFile::Found::kNone) return false;
  int badLine = 0;
  ReadStatus status = found == PendingFile::Found::kTooLarge ? ReadStatus::kTooLarge : ReadStatus::kCannotOpen;
  if (found == PendingFile::Found::kRead) status = Parse(bytes, records_, badLine);
  if (status == ReadStatus::kOk) {
    TakeOpenItem();
    pending_.Adopt();
    unsaved_ = true;
    return true;
  }
  if (found == PendingFile::Found::kStale) {
    // Renamed, so that no later start finds it again.
    Text kept;
    if (!KeepAside(ws_.files, ws_.clock, pending, true, kept)) pending_.LeaveAlone();
    ws_.reporter.Report(DataReport{DataEvent::kStalePending, pending, 0, kept});
  } else if (!KeepAsideAndReport(pending, status == ReadStatus::kMalformed ? badLine : 0, true)) {
    pending_.LeaveAlone();
  }
  return false;
}

void RecordStore::Load() {
  const Text path = DataPath();
  // An empty history is no evidence: a missing data.csv beside data.bak is
  // then kept aside as below, rather than data.bak pushed out by it.
  RestoreFromTemporary(ws_.files, path, [](const std::string& bytes, const FileFacts&) {
    std::vector<ActivityRecord> records;
    int badLine = 0;
    return Parse(bytes, records, badLine) == ReadStatus::kOk && !records.empty();
  });
  // Before reading: a write while it is read shows at the next look.
  held_.Take(ws_.files, path);
  if (LoadPending()) return;
  int badLine = 0;
  const ReadStatus status = Read(ws_.files, path, records_, badLine);
  if (status == ReadStatus::kOk) {
    TakeOpenItem();
    return;
  }
  if (status == ReadStatus::kCannotOpen && !ws_.files.Exists(path)) {
    // The first start: the first save creates the file. But when data.bak
    // is there, data.csv was lost some other way, and the second save would
    // overwrite the history that data.bak still holds.
    Text copyPath;
    if (ws_.files.Exists(BackupPath()) && KeepAside(ws_.files, ws_.clock, BackupPath(), false, copyPath)) {
      ReportOpenFailure(path, copyPath);
    } else {
      ReportOpenFailure(path);
    }
    return;
  }
  // The file holds a history this run could not load. Saving the empty list
  // over it would lose that history (and, one save later, data.bak too), so
  // it is kept under a name of its own, or, when that fails, never replaced.
  if (KeepAsideAndReport(path, status == ReadStatus::kMalformed ? badLine : 0, status == ReadStatus::kTooLarge)) {
    held_.Take(ws_.files, path);
  } else {
    savesBlocked_ = true;
  }
}

bool RecordStore::KeepAsideAndReport(const Text& path, int badLine, bool move) {
  Text copyPath;
  const bool kept = KeepAside(ws_.files, ws_.clock, path, move, copyPath);
  if (badLine == 0) {
    ReportOpenFailure(path, copyPath);
  } else {
    ws_.reporter.Report(DataReport{DataEvent::kMalformedLine, Text(), badLine, copyPath});
  }
  return kept;
}

bool RecordStore::TakeInEdit() {
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  // With a change of its own unsaved, the next save keeps the edit aside.
  if (savesBlocked_ || unsaved_ || !held_.Changed(fs, path)) return false;
  FileFacts facts;
  if (!fs.Examine(path, facts)) {
    // Removed: the next save writes the history again.
    held_.Take(fs, path);
    return false;
  }
  std::vector<ActivityRecord> records;
  int badLine = 0;
  const ReadStatus status = Read(fs, path, records, badLine);
  if (status == ReadStatus::kOk) {
    records_.swap(records);
    held_.Take(facts);
    currentActivity_ = OpenItemOf(records_);
    return true;
  }
  // Another program holds it without sharing: the next look tries again.
  if (status == ReadStatus::kCannotOpen) return false;
  // Kept aside, the history in memory may replace it; when that fails, the
  // next save tries again before it writes.
  if (KeepAsideAndReport(path, status == ReadStatus::kMalformed ? badLine : 0, status == ReadStatus::kTooLarge)) held_.Take(fs, path);
  return false;
}

// Both sides changed: the program has a change of its own to save, and
// another program wrote data.csv since this run read or wrote it. Its
// version is kept aside before the save replaces it, and reported once (at
// the end of a session nothing is shown; the copy is there all the same).
bool RecordStore::KeepEditAside(SaveKind kind, Text& keptCopy) {
  FileSystem& fs = ws_.files;
  const Text path = DataPath();
  if (!held_.Changed(fs, path) || !fs.Exists(path)) return true;
  if (!KeepAside(fs, ws_.clock, path, false, keptCopy)) return false;
  held_.Take(fs, path);
  if (kind == SaveKind::kEnd) keptCopy.clear();
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
  if (savesBlocked_) {
    if (kind == SaveKind::kChange) ReportOpenFailure(DataPath());
    return false;
  }
  if (!pending_.WorthTrying(ws_.files, DataPath(), kind)) return false;
  std::string bytes;
  Text keptCopy;
  if (!FormatAll(records_, bytes) || !KeepEditAside(kind, keptCopy)) {
    if (kind == SaveKind::kChange) ReportOpenFailure(DataPath());
    return false;
  }
  MakeBackup(patience);
  bool report = false;
  unsaved_ = !pending_.Save(ws_.files, DataPath(), bytes, patience, kind, report);
  if (!unsaved_) {
    // The backup's second name of a held data.csv can be neither renamed
    // nor removed until the hold ends.
    ws_.files.Remove(BackupTemporaryPath());
    held_.Take(ws_.files, DataPath());
  }
  // Last: the message box lets a timer's retry run inside it.
  if (!keptCopy.empty()) {
    ws_.reporter.Report(DataReport{DataEvent::kChangedElsewhere, DataPath(), 0, keptCopy});
  }
  if (report) ReportOpenFailure(DataPath());
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
