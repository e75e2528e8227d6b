// The record-file reader on arbitrary bytes, as a file of any length (see
// Unfold). Besides not crashing, it must keep its promises
// (support/record_properties.h):
//  - a file with a malformed line adds nothing to a list that holds records
//    already (import reads into the user's history), and names a line that
//    the file has;
//  - every record it accepts survives the writer and the reader unchanged,
//    and the writer's file reads back to the same bytes (so a load followed
//    by a save never changes a history);
//  - every name it accepts is one the tracker would write.
// The same bytes as UTF-16 units are a name, as the settings file or the
// settings dialog could give one: the name rule refuses it, or it is written
// and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "support/record_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = Unfold(data, size);
  FUZZ_PROMISE(record_properties::RecordFilePromiseBroken(bytes));

  Text name(size / 2, u'\0');
  for (size_t i = 0; i < name.size(); ++i) {
    name[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  FUZZ_PROMISE(record_properties::NamePromiseBroken(name));
  return 0;
}
