// A file the program rewrites whole (data.csv, Dorvane.ini) and, beside it,
// a pending file of the program's own ("data.csv.~pending") that holds the
// whole content whenever the file itself could not be replaced. A
// spreadsheet open on data.csv lets others read it but not replace it, for
// as long as its window stays open; a crash or a power cut meanwhile must
// not take the changes with it.
//
// Beside the pending file a small record ("data.csv.~base"), written and
// flushed after it, names what the file was when the program last read or
// wrote it: the content the pending file was based on. A start takes the
// pending file up only while the file still holds that content; one left
// behind while the user saved an edit, or restored an older version (which
// keeps its old write time), must not bring older content back. Clocks
// decide nothing: two files can share a write time, and a restore keeps one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/files.h"
#include "base/text.h"

Text PendingPath(const Text& path);
// The record of what the pending file of `path` was based on.
Text PendingBasePath(const Text& path);

// Puts the file at `path` aside under a name of its own that no save or
// backup writes to, dated by `clock` ("data.csv.2026-12-07_093000", or with
// "-2", "-3", ... when that is taken), in `keptPath`: by copying it, or with
// `move` by renaming it (a file above the size limit is not copied on the
// user-interface thread). False when that could not be done.
bool KeepAside(FileSystem& fs, const Clock& clock, const Text& path, bool move, Text& keptPath);
// The same for content the program holds: `bytes` written under such a name.
bool KeepBytesAside(FileSystem& fs, const Clock& clock, const Text& path, std::string_view bytes,
                    Text& keptPath);

// Right before a try to replace `path` with content based on `held`: when
// the file there is no longer that version (an edit saved meanwhile), or
// with `always` whatever it holds, its content is kept aside under a dated
// name first, and `held` becomes the version kept; the first copy's name
// goes to `keptPath` when that is empty. A version that differs only in its
// facts (a touch) is taken as it is. False when it could not be kept aside,
// or the file kept changing: the replace must not go ahead.
bool KeepOtherVersionAside(FileSystem& fs, const Clock& clock, const Text& path, FileVersion& held,
                           bool always, Text& keptPath);

enum class SaveKind {
  kChange,  // after a change: the first failure of a hold is reported
  kQuiet,   // a retry of the same content (a timer, 終了): never reported
  kEnd,     // the same at the end of the session, where no box may show
};

class PendingFile {
 public:
  // kStale: no record of what it was based on, or one that names another
  // content of the file than the start found: not read.
  enum class Found { kNone, kRead, kUnreadable, kTooLarge, kStale };

  // Start-up: the pending file of `path`, when there is one, checked
  // against `target`, the file as the start read it. kRead: `bytes` holds
  // it, and the file is to be brought up to date. `whole` tells a whole
  // content of the file from what a write cut short leaves.
  Found Read(FileSystem& fs, const Text& path, const FileVersion& target,
             const std::function<bool(const std::string&)>& whole, std::string& bytes);
  // The content read is in use: the pending file holds it already.
  void Adopt() { current_ = true; }
  // Start-up: a pending file not taken up is renamed aside (so that no
  // later start finds it again) and its record removed; one that cannot be
  // renamed is left alone for the run. False in that case.
  bool PutAside(FileSystem& fs, const Clock& clock, const Text& path, Text& keptPath);
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

  // Puts `bytes` in place of `path` (waiting out a hold with `patience`,
  // `beforeEachTry` right before every try); then a pending file is no
  // longer needed and is removed, and `held` becomes the version written.
  // When the replace fails, the bytes go to the pending file instead, and
  // its record names `held`. True when `path` was written. `report` tells
  // whether the user is to hear of a failure: the first one of a hold, or
  // one that left the change only in memory; later ones are already in the
  // pending file.
  bool Save(FileSystem& fs, const Text& path, std::string_view bytes, HoldPatience& patience,
            SaveKind kind, FileVersion& held, const std::function<bool()>& beforeEachTry,
            bool& report);

 private:
  bool current_ = false;    // the pending file holds the latest content
  bool reported_ = false;   // the user has heard of the failure that goes on
  bool leftAlone_ = false;
};
