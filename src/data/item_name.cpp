#include "data/item_name.h"

#include "base/codepage932.h"
#include "data/record_file.h"

bool IsRecordFileSpace(char16_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  switch (c) {
    case 0x0085: case 0x00A0: case 0x1680: case 0x180E:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F:
    case 0x3000: case 0xFEFF:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200B;
  }
}

bool RecordFileCanHoldName(const Text& name) {
  if (name.empty() || name.size() > kMaxRecordNameUnits) return false;
  for (char16_t c : name) {
    // The reader ends a line's scan at NUL, as the C library's would.
    if (c == 0 || c == u',' || c == u'"' || c == u'\'' || IsRecordFileSpace(c)) return false;
  }
  return CanEncodeCp932(name);
}
