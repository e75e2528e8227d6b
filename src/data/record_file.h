// The line format of the record file, apart from any file: bytes in code page
// 932 to records and back. The writer writes one line per record,
//   name,2010/04/05 09:05,2010/04/05 10:30 CR LF
// and the reader accepts more than that: LF or CR LF line ends, a last line
// without one, empty lines, unpadded numbers, white space before any number,
// quotes anywhere (they drop out) and any text after the tenth number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "data/activity_record.h"

// The reader's limit for a name; a longer one makes its line malformed.
constexpr size_t kMaxRecordNameUnits = 1023;

// Reads every line of a record file (code page 932) and appends the records
// to out, but only when all of them are well formed. Returns 0 then,
// otherwise the position of the first malformed line counted from 1, empty
// lines included, and out is unchanged.
//
// A line is read as the C library would scan it after its normalisation:
// commas are white space, double quotes and apostrophes are not there at
// all, the name runs up to the first white space (U+3000 included), and ten
// unsigned numbers follow, as in "%s %u/%u/%u %u:%u %u/%u/%u %u:%u"; second,
// millisecond and day of week stay 0. A number above 65535 does not fit its
// field, and a name with bytes that are no character of code page 932 would
// not be the name written: both make the line malformed.
int ParseRecordFile(std::string_view bytes, std::vector<ActivityRecord>& out);

// The whole file in code page 932, one line per record as above, with all
// names converted in one conversion (never one per record). Returns false when a name holds a character that
// code page 932 cannot hold; it is written as '?'.
bool FormatRecordFile(const std::vector<ActivityRecord>& records, std::string& bytes);
