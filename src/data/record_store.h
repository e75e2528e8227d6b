// The whole history in memory, mirrored in data.csv (code page 932, one
// record per line) and rewritten whole after every change, with the previous
// file kept as data.bak.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/activity_record.h"
#include "data/workspace.h"

class RecordStore {
 public:
  // The store reports through ws and restores the running item into
  // currentActivity; both must outlive it.
  RecordStore(const Workspace& ws, Text& currentActivity)
      : ws_(ws), currentActivity_(currentActivity) {}

  Text DataPath() const;

  void Load();                       // ReadFrom(DataPath())
  bool Save();                       // backup, then replace data.csv; false after a reported failure
  bool ReadFrom(const Text& path);   // appends the file's records; false after a reported failure
  bool WriteTo(const Text& path);    // writes every record; false after a reported failure

  int Count() const { return static_cast<int>(records_.size()); }
  const ActivityRecord& At(int i) const;
  ActivityRecord& At(int i);
  const std::vector<ActivityRecord>& Records() const { return records_; }
  void Append(ActivityRecord record);
  void InsertAt(int i, ActivityRecord record);
  void RemoveAt(int i);

 private:
  const Workspace& ws_;
  Text& currentActivity_;
  std::vector<ActivityRecord> records_;
};
