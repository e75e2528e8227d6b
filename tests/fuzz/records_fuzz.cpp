// The record-file reader on arbitrary bytes. Besides not crashing, it must
// keep its promises:
//  - a file with a malformed line adds nothing to a list that holds records
//    already (import reads into the user's history), and names a line that
//    the file has;
//  - every record it accepts survives the writer and the reader unchanged,
//    and the writer's file reads back to the same bytes (so a load followed
//    by a save never changes a history);
//  - every name it accepts is one the tracker would write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage932.h"
#include "data/item_name.h"
#include "data/record_file.h"
#include "fuzz_check.h"

namespace {

ActivityRecord Earlier() {
  ActivityRecord r;
  r.name = u"既存";
  r.start.wYear = 2010;
  r.start.wMonth = 4;
  r.start.wDay = 5;
  r.end = r.start;
  r.end.wHour = 1;
  return r;
}

size_t LineCount(std::u16string_view text) {
  size_t lines = 0;
  for (size_t pos = 0; pos < text.size(); ++lines) {
    const size_t lf = text.find(u'\n', pos);
    pos = lf == std::u16string_view::npos ? text.size() : lf + 1;
  }
  return lines;
}

// Checks one read into a list that held `Earlier()`; true when it was
// accepted, with the records read (without the earlier one) in `read`.
bool CheckRead(int bad, std::vector<ActivityRecord>& list, size_t lines,
               std::vector<ActivityRecord>& read) {
  FUZZ_CHECK(!list.empty() && list.front() == Earlier());
  if (bad != 0) {
    FUZZ_CHECK(bad >= 1 && static_cast<size_t>(bad) <= lines);
    FUZZ_CHECK(list.size() == 1);
    return false;
  }
  read.assign(list.begin() + 1, list.end());
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As a file: code page 932 bytes.
  {
    std::vector<ActivityRecord> list = {Earlier()};
    const int bad = ParseRecordFile(bytes, list);
    std::vector<ActivityRecord> read;
    if (CheckRead(bad, list, LineCount(DecodeCp932(bytes)), read)) {
      for (const ActivityRecord& r : read) FUZZ_CHECK(RecordFileCanHoldName(r.name));
      std::string written;
      FUZZ_CHECK(FormatRecordFile(read, written));
      std::vector<ActivityRecord> again;
      FUZZ_CHECK(ParseRecordFile(written, again) == 0);
      FUZZ_CHECK(again == read);
      std::string rewritten;
      FUZZ_CHECK(FormatRecordFile(again, rewritten));
      FUZZ_CHECK(rewritten == written);
    }
  }

  return 0;
}
