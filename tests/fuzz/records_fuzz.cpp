// The record-file reader on arbitrary bytes, as a file of any length (see
// Unfold), and the same bytes as UTF-16 units as a name, as the settings file
// or the settings dialog could give one. Besides not crashing, they keep the
// promises of support/record_properties.h: a malformed file adds nothing to
// the user's history (import reads into it), and what is accepted survives a
// save and a load unchanged.
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
