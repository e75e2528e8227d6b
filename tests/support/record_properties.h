// The promises of the record file's reader, writer and name rule, checked on
// any input: the fuzz targets (native, libFuzzer) and a bounded property
// test that runs under Wine too, where the Win32 code page 932 converter
// does the work. Each check returns the promise that was broken, or null.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/codepage932.h"
#include "data/item_name.h"
#include "data/record_file.h"

namespace record_properties {

inline bool SameRecords(const std::vector<ActivityRecord>& a, const std::vector<ActivityRecord>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || !(a[i].start == b[i].start) || !(a[i].end == b[i].end)) return false;
  }
  return true;
}

inline ActivityRecord EarlierRecord() {
  ActivityRecord r;
  r.name = u"既存";
  r.start.wYear = 2010;
  r.start.wMonth = 4;
  r.start.wDay = 5;
  r.end = r.start;
  r.end.wHour = 1;
  return r;
}

inline size_t LineCount(std::u16string_view text) {
  size_t lines = 0;
  for (size_t pos = 0; pos < text.size(); ++lines) {
    const size_t lf = text.find(u'\n', pos);
    pos = lf == std::u16string_view::npos ? text.size() : lf + 1;
  }
  return lines;
}

// Records written, read back and written again: the same records, and the
// same bytes (a load and a save never change a history).
inline const char* RoundTripBroken(const std::vector<ActivityRecord>& records) {
  std::string written;
  if (!FormatRecordFile(records, written)) return "a record cannot be written";
  std::vector<ActivityRecord> again;
  if (ParseRecordFile(written, again) != 0) return "the written file is malformed";
  if (!SameRecords(again, records)) return "the records changed on the way through the file";
  std::string rewritten;
  if (!FormatRecordFile(again, rewritten) || rewritten != written) {
    return "a load and a save changed the file";
  }
  return nullptr;
}

// Every name either is refused by the rule, or is written and read back
// unchanged.
inline const char* NamePromiseBroken(const Text& name) {
  if (!RecordFileCanHoldName(name)) return nullptr;
  ActivityRecord r = EarlierRecord();
  r.name = name;
  return RoundTripBroken({r});
}

// A read into a list that holds a record already: a malformed file adds
// nothing and names a line it has; an accepted file's names are ones the
// rule holds, and its records survive the writer and the reader unchanged.
inline const char* RecordFilePromiseBroken(std::string_view bytes) {
  std::vector<ActivityRecord> list = {EarlierRecord()};
  const int bad = ParseRecordFile(bytes, list);
  if (list.empty() || !SameRecords({list.front()}, {EarlierRecord()})) {
    return "the read changed the records that were there";
  }
  if (bad != 0) {
    if (bad < 1 || static_cast<size_t>(bad) > LineCount(DecodeCp932(bytes))) {
      return "the malformed line is not a line of the file";
    }
    return list.size() == 1 ? nullptr : "a malformed file added records";
  }
  const std::vector<ActivityRecord> read(list.begin() + 1, list.end());
  for (const ActivityRecord& r : read) {
    if (!RecordFileCanHoldName(r.name)) return "the reader gave a name the rule refuses";
  }
  return RoundTripBroken(read);
}

}  // namespace record_properties
