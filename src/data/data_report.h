// What the core has to tell the user, as values: the shell words each report
// from its table of messages (src/shell/messages.h) and shows it.
#pragma once

#include <utility>

#include "base/text.h"

enum class DataEvent {
  kCannotOpenFile,      // subject: the file; keptCopy: where an unreadable one was copied, if it was
  kMalformedLine,       // line: the first malformed line, 1-based; keptCopy as above
  kUnwritableItemName,  // subject: an item's name that the record file cannot hold
  kEndNotAfterStart,    // the editor's end lies in its start's minute or before it
  kChangedElsewhere,    // subject: a file another program wrote while this one had a change
                        // of its own to save; keptCopy: where the other program's version went
  kStalePending,        // subject: a pending file not taken up at start-up; keptCopy as above
  kOwnVersionKept,      // subject: a file another program saved from a copy read before this
                        // program's last save; keptCopy: where this program's version went
  kProgramFile,         // subject: an export's target that is one of the program's own files
};

struct DataReport {
  explicit DataReport(DataEvent e, Text subject_ = Text(), int line_ = 0, Text keptCopy_ = Text())
      : event(e), subject(std::move(subject_)), line(line_), keptCopy(std::move(keptCopy_)) {}

  DataEvent event;
  Text subject;
  int line;
  Text keptCopy;
};

class DataReporter {
 public:
  virtual ~DataReporter() = default;
  virtual void Report(const DataReport& report) = 0;
};
