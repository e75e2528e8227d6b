// What the record editor does to the records, apart from its dialog: the
// rows of a day, adding in start order, changing in place, deleting, and
// importing and exporting record files. Every change is saved at once.
#pragma once

#include <functional>
#include <vector>

#include "data/activity_data.h"
#include "data/tracker.h"

// The editor's list shows one day: row r is the r-th record, in store order,
// whose start falls on that date (its end may lie on another day). Returns
// the store positions of the rows.
std::vector<int> RecordsOfDate(const RecordStore& store, const LocalDateTime& date);

// The store position of row `row` of the date, or -1 when there is none.
int RecordOfRow(const RecordStore& store, const LocalDateTime& date, int row);

// The row of the record at store position `index` among the date's rows, or
// -1 when it does not start on that date.
int RowOfRecord(const RecordStore& store, const LocalDateTime& date, int index);

// Where a record that starts at `start` goes in start order: right after the
// last record that starts strictly earlier (to the second), so before the
// records that start at the same second; 0 when none starts earlier.
int StartOrderPosition(const RecordStore& store, const LocalDateTime& start);

// The editor's operations on the process-wide data. What is wrong with what
// the user entered goes to `dialog` (shown in message boxes owned by the
// editor); failures of the record files go to the workspace's reporter. When
// a change starts, renames or stops the running activity, the running item
// goes to setTip.
class RecordEditing {
 public:
  RecordEditing(ActivityData& data, DataReporter& dialog, TooltipReceiver setTip);

  // Adds a record of item `item` (an index of the catalogue; -1, no
  // selection, does nothing) in start order and saves. While an activity
  // runs its open record stays last: a record that would go after it goes
  // right before it. Returns the new record's position, or -1 when nothing
  // was added.
  int Add(int item, const LocalDateTime& start, const LocalDateTime& end);

  // Overwrites the record at `index` in place (its position stays, wherever
  // its start moves) with item `item`, the given times and its own
  // milliseconds, and saves. False when nothing was changed.
  bool Change(int index, int item, const LocalDateTime& start, const LocalDateTime& end);

  // Removes the record at `index` and saves. False when there is none.
  bool Delete(int index);

  // Reads a record file into the store and saves the store, whatever the
  // read did. A file that cannot be opened or has a malformed line adds
  // nothing. False after a failed read.
  bool Import(const Text& path);

  // Asked before an export replaces a file that holds something; true lets
  // it go ahead.
  using OverwriteQuestion = std::function<bool(const Text& path)>;

  // Writes every record to the file. The program's own data.csv, data.bak
  // and Dorvane.ini, their pending files (with the records of what they
  // were based on) and temporaries are refused with a message of their
  // own: by what they are where they exist, and by the name Windows
  // resolves the path to (trailing dots and spaces dropped, a stream's ':'
  // and what follows it ignored, case ignored) where they do not. Any
  // other name that Windows would alter, and a file that exists but cannot
  // be looked at, are refused with the open-failure message. A file that
  // exists and is not empty is replaced only when mayOverwrite agrees.
  // False when nothing was written.
  bool Export(const Text& path, const OverwriteQuestion& mayOverwrite);

  // True when the last Add, Change, Delete or Import found data.csv written
  // by another program and loaded it instead of changing anything: the
  // editor's list is to be refilled.
  bool Reloaded() const { return reloaded_; }

 private:
  bool TookInEdit();
  bool IsProgramFile(const Text& path);
  // The item's name, or false after refusing it.
  bool ItemName(int item, Text& name);
  bool EndIsAfterStart(const LocalDateTime& start, const LocalDateTime& end, bool mayStayOpen);
  int RunningRecord() const;
  void SetTip(const Text& tip);

  ActivityData& data_;
  DataReporter& dialog_;
  TooltipReceiver setTip_;
  bool reloaded_ = false;
};
