// The whole history in memory, mirrored in data.csv (code page 932, one
// record per line) and rewritten whole after every change, with the previous
// file kept as data.bak.
//
// data.csv exists and is complete at every instant: a save writes a
// temporary file, flushes it and puts it in place of data.csv in one step,
// and data.bak is made by linking (or, where links fail, copying) data.csv
// to a temporary name that then replaces data.bak. A data.csv that exists
// but failed to load is copied aside first, so that no later save can
// overwrite the history in it; when even that copy fails, no save replaces
// data.csv (nor data.bak) until a save can make it. A data.bak without a
// data.csv is copied aside too.
//
// When data.csv cannot be replaced (another program keeps it open, it is
// read-only), the history goes to data.csv.~pending instead (PendingFile),
// which the next start takes up while data.csv still holds what it was
// based on.
//
// The store knows which version of data.csv it holds, and which records
// it last read there. What another program wrote there is taken in before
// the next change (TakeInEdit); when that lacks a record this run wrote, the
// store's own version is kept aside first. Right before every try to
// replace data.csv (each retry after a wait included), a version that
// another program saved since is kept aside under a dated name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/activity_record.h"
#include "data/pending_file.h"
#include "data/workspace.h"

// What reading a record file gave: its records, in file order, and the item
// its open last record names (empty when the last record is closed).
struct RecordFileContents {
  std::vector<ActivityRecord> records;
  Text openItem;
};

// Reads the record file at `path` into `contents`. A file that cannot be
// read, or has a malformed line, yields nothing and is reported (an import reads the file
// on its own this way before it adds anything to the store).
bool ReadRecordFile(FileSystem& files, DataReporter& reporter, const Text& path,
                    RecordFileContents& contents);

class RecordStore {
 public:
  // The store reports through ws and restores the running item into
  // currentActivity; both must outlive it.
  RecordStore(const Workspace& ws, Text& currentActivity)
      : ws_(ws), currentActivity_(currentActivity) {}

  Text DataPath() const;
  Text BackupPath() const;

  // Reads data.csv.~pending when it reads cleanly and data.csv still holds
  // what it was based on, otherwise data.csv, keeping a file it cannot load.
  void Load();
  // Looks at data.csv before a change, and when a view of the records
  // opens. When another program wrote it since the store read or wrote it,
  // and the store has no unsaved change: a file that reads cleanly is
  // loaded as a start would (the records and the running item) and true
  // returned (when it lacks a record this run wrote since it last read the
  // file, the store's own version is kept aside first, and reported); one
  // that does not read cleanly is kept aside and reported, and the history
  // in memory stays. A file touched but holding the same content is no edit.
  bool TakeInEdit();
  // Backup, then replace data.csv; false when data.csv lags behind. A
  // change's save waits out a brief hold; the first failure of a hold is
  // reported. A quiet save (a retry of what is unsaved) is never reported
  // and waits only as `patience` allows.
  bool Save();
  bool Save(HoldPatience& patience, SaveKind kind);
  bool WriteTo(const Text& path);    // writes every record; false after a reported failure

  // True after a Load that could neither read nor keep a copy of an
  // existing data.csv, until a save keeps it aside (reported then): until
  // then every save goes to the pending file.
  bool SavesBlocked() const { return savesBlocked_; }
  // True while the last Save failed or a pending file was loaded: the list
  // holds a change data.csv does not. The next Save that succeeds writes it.
  bool Unsaved() const { return unsaved_; }
  // True when the latest change is in memory only: neither data.csv nor a
  // pending file holds it (the pending file could not be written either).
  // Ending the program now would lose it.
  bool ChangeHeldByNoFile() const { return unsaved_ && !pending_.Holds(); }

  // Every change marks the list unsaved at once, before the save that
  // follows it: whatever runs in between (a tooltip's shell call, a message
  // box) may end the session, and the end of the session saves what is
  // unsaved.
  int Count() const { return static_cast<int>(records_.size()); }
  const ActivityRecord& At(int i) const;
  ActivityRecord& At(int i);  // for a change: marks the list unsaved
  const std::vector<ActivityRecord>& Records() const { return records_; }
  void Append(ActivityRecord record);
  void InsertAt(int i, ActivityRecord record);
  void RemoveAt(int i);

 private:
  void MarkChanged();
  // Reports a file that could not be loaded (badLine 0: not read at all),
  // naming the copy kept aside, if one was.
  void Report(const Text& path, int badLine, const Text& keptCopy);
  bool KeepOwnVersionAside(const std::vector<ActivityRecord>& theirs);
  // The item of an open record at the end of the list keeps running.
  void TakeOpenItem();
  bool LoadPending();
  void MakeBackup(HoldPatience& patience);
  Text BackupTemporaryPath() const;
  void ReportOpenFailure(const Text& path, const Text& keptCopy = Text());

  const Workspace& ws_;
  Text& currentActivity_;
  std::vector<ActivityRecord> records_;
  bool savesBlocked_ = false;
  bool unsaved_ = false;
  PendingFile pending_;
  FileVersion held_;  // of data.csv
  // The records of data.csv as this run last read it (their keys, sorted):
  // what the list holds beyond them, this run wrote.
  std::vector<uint64_t> readKeys_;
};
