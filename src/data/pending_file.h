// A file the program rewrites whole (data.csv, Dorvane.ini) and, beside it,
// a pending file of the program's own ("data.csv.~pending") that holds the
// whole content whenever the file itself could not be replaced. A
// spreadsheet open on data.csv lets others read it but not replace it, for
// as long as its window stays open; a crash or a power cut meanwhile must
// not take the changes with it. A pending file is taken up at start-up only
// while it is newer than its file: one that a save failed to remove, or one
// left behind while the user saved an edit to the file with another
// program, must not bring older content back.
#pragma once

#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/files.h"
#include "base/text.h"

Text PendingPath(const Text& path);

// Puts the file at `path` aside under a name of its own that no save or
// backup writes to, dated by `clock` ("data.csv.2026-12-07_093000", or with
// "-2", "-3", ... when that is taken), in `keptPath`: by copying it, or with
// `move` by renaming it (a file above the size limit is not copied on the
// user-interface thread). False when that could not be done.
bool KeepAside(FileSystem& fs, const Clock& clock, const Text& path, bool move, Text& keptPath);

enum class SaveKind {
  kChange,  // after a change: the first failure of a hold is reported
  kQuiet,   // a retry of the same content (a timer, 終了): never reported
  kEnd,     // the same at the end of the session, where no box may show
};

class PendingFile {
 public:
  // kStale: not newer than its file (or no newer than the file's own
  // last write), so not read.
  enum class Found { kNone, kRead, kUnreadable, kTooLarge, kStale };

  // Start-up: the pending file of `path`, when there is one. kRead: `bytes`
  // holds it, and the file is to be brought up to date.
  Found Read(FileSystem& fs, const Text& path, std::string& bytes);
  // The content read is in use: the pending file holds it already.
  void Adopt() { current_ = true; }
  // An unreadable pending file that could not be kept aside: this run never
  // writes or removes it.
  void LeaveAlone() { leftAlone_ = true; }
  // The content changed since the pending file was written: it no longer
  // holds the latest, and a quiet retry has something to write.
  void Outdated() { current_ = false; }
  // The pending file holds the latest content.
  bool Holds() const { return current_; }

  // False for a quiet retry while the pending file holds the content
  // already and `path` still cannot be replaced: then it writes nothing, as
  // a spreadsheet may keep the file for hours (and every try would write
  // the whole history once more).
  bool WorthTrying(FileSystem& fs, const Text& path, SaveKind kind) const {
    return kind == SaveKind::kChange || !current_ || fs.Replaceable(path);
  }

  // Puts `bytes` in place of `path` (waiting out a hold with `patience`);
  // then a pending file is no longer needed and is removed. When the
  // replace fails, the bytes go to the pending file instead. True when
  // `path` was written. `report` tells whether the user is to hear of a
  // failure: the first one of a hold, or one that left the change only in
  // memory; later ones are already in the pending file.
  bool Save(FileSystem& fs, const Text& path, std::string_view bytes, HoldPatience& patience,
            SaveKind kind, bool& report);

 private:
  bool current_ = false;    // the pending file holds the latest content
  bool reported_ = false;   // the user has heard of the failure that goes on
  bool leftAlone_ = false;
};
