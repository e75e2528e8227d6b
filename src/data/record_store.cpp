#include "data/record_store.h"

#include <new>
#include <utility>

#include "base/checked.h"
#include "data/record_file.h"

namespace {

enum class ReadStatus { kOk, kCannotOpen, kMalformed };

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
  if (ReadWholeFile(files, path, bytes) != ReadResult::kRead) return ReadStatus::kCannotOpen;
  return Parse(bytes, records, badLine);
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

// Copies a file of the working directory to a name of its own that no save
// or backup writes to, "data.csv.2026-12-07_093000", or with "-2", "-3", ...
// when that exists.
bool RecordStore::KeepCopyOf(const Text& path, Text& copyPath) {
  FileSystem& fs = ws_.files;
  const LocalDateTime now = ws_.clock();
  const Text stem = FormatText(u"%s.%04u-%02u-%02u_%02u%02u%02u", path.c_str(), now.wYear,
                               now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  for (int n = 1; n <= 1000; ++n) {
    copyPath = n == 1 ? stem : FormatText(u"%s-%d", stem.c_str(), n);
    // The copy never overwrites: when the name is taken, the next one is
    // tried; any other failure ends the attempt.
    if (fs.Copy(path, copyPath, false)) return true;
    if (!fs.Exists(copyPath)) return false;
  }
  return false;
}

// A pending file exists only while data.csv could not be written, so it is
// the newer history. One that cannot be loaded is kept aside like an
// unreadable data.csv and reported, and data.csv is loaded after all.
bool RecordStore::LoadPending() {
  const Text pending = PendingPath(DataPath());
  std::string bytes;
  const PendingFile::Found found = pending_.Read(ws_.files, DataPath(), bytes);
  if (found == PendingFile::Found::kNone) return false;
  int badLine = 0;
  const ReadStatus status =
      found == PendingFile::Found::kRead ? Parse(bytes, records_, badLine) : ReadStatus::kCannotOpen;
  if (status == ReadStatus::kOk) {
    TakeOpenItem();
    pending_.Adopt();
    unsaved_ = true;
    return true;
  }
  if (KeepAsideAndReport(pending, status == ReadStatus::kMalformed ? badLine : 0)) {
    ws_.files.Remove(pending);
  } else {
    pending_.LeaveAlone();
  }
  return false;
}

void RecordStore::Load() {
  if (LoadPending()) return;
  const Text path = DataPath();
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
    if (ws_.files.Exists(BackupPath()) && KeepCopyOf(BackupPath(), copyPath)) {
      ReportOpenFailure(path, copyPath);
    } else {
      ReportOpenFailure(path);
    }
    return;
  }
  // The file holds a history this run could not load. Saving the empty list
  // over it would lose that history (and, one save later, data.bak too), so
  // it is kept under a name of its own, or, when that fails, never replaced.
  if (!KeepAsideAndReport(path, status == ReadStatus::kMalformed ? badLine : 0)) savesBlocked_ = true;
}

bool RecordStore::KeepAsideAndReport(const Text& path, int badLine) {
  Text copyPath;
  const bool kept = KeepCopyOf(path, copyPath);
  if (!kept) copyPath.clear();
  if (badLine == 0) {
    ReportOpenFailure(path, copyPath);
  } else {
    ws_.reporter.Report(DataReport{DataEvent::kMalformedLine, Text(), badLine, copyPath});
  }
  return kept;
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
  if (!fs.Exists(path)) return;
  const Text temp = BackupTemporaryPath();
  fs.Remove(temp);  // left by an interrupted save
  if (!fs.HardLink(path, temp) && !fs.Copy(path, temp, false)) {
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
  if (!FormatAll(records_, bytes)) {
    if (kind == SaveKind::kChange) ReportOpenFailure(DataPath());
    return false;
  }
  MakeBackup(patience);
  bool report = false;
  unsaved_ = !pending_.Save(ws_.files, DataPath(), bytes, patience, kind, report);
  // The backup's second name of a held data.csv can be neither renamed nor
  // removed until the hold ends.
  if (!unsaved_) ws_.files.Remove(BackupTemporaryPath());
  // Last: the message box lets a timer's retry run inside it.
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
