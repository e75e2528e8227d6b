// What the watch on the working folder does once the folder has settled:
// it looks at data.csv and Dorvane.ini and takes in what another program
// changed in them, so that the menus and the tooltip follow an edit as it
// is saved, not at the next click.
//
// Only a change of content counts. A program that rewrites a file with the
// same text (a spreadsheet saving what it opened, a sync client touching
// the time) changes the version but not the content; the content's hash
// tells them apart where the size cannot. The program's own saves count
// neither: the store and the catalogue hold the version they wrote, and
// their TakeInEdit loads nothing for it.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/files.h"
#include "data/activity_data.h"

enum class FileChange {
  kNone,        // the version seen last
  kTouched,     // another version with the same content
  kContent,     // other content, or the file came or went
  kUnreadable,  // there, but it cannot be looked at or read now: look again later
};

// Compares the file at path with what was seen and, unless it could not be
// read, remembers it as it is now.
FileChange LookAgain(FileSystem& fs, const Text& path, FileVersion& seen);

class EditWatch {
 public:
  explicit EditWatch(ActivityData& data) : data_(data) {}

  // Remembers both files as they are now: what the start loaded.
  void Start();

  struct Outcome {
    bool takenIn = false;  // the items or the records were loaded anew
    bool lookAgain = false;  // a file could not be read: its change is still to come
  };
  // Takes in the content changes since the last look, each file through its
  // owner's TakeInEdit, which keeps aside what it cannot load.
  Outcome Look();

 private:
  ActivityData& data_;
  FileVersion items_;
  FileVersion records_;
};
