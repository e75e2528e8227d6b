#include "data/record_editing.h"

#include <new>
#include <utility>

#include "data/item_name.h"

namespace {

// The file keeps minutes only, so that is what the start and end are
// compared to.
int64_t MinuteOf(LocalDateTime t) {
  t.wSecond = 0;
  t.wMilliseconds = 0;
  return ToEpochSeconds(t);
}

// Everything but the milliseconds, which a changed record keeps.
void CopyToTheSecond(const LocalDateTime& from, LocalDateTime& to) {
  const uint16_t ms = to.wMilliseconds;
  to = from;
  to.wMilliseconds = ms;
}

// File names are compared as Windows does, without regard to case.
Text AsciiLower(Text s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return s;
}

// The program's own files in its working folder: records written over
// Dorvane.ini leave no items at the next start, and over data.bak or
// data.csv they replace the history's safeguards.
const char16_t* const kOwnFiles[] = {u"data.csv", u"data.bak", u"Dorvane.ini"};

// What the program writes beside each of them, named by the file's name
// and then this; a name that begins so is the program's, whatever follows.
// A pending file that export wrote would be taken up at the next start.
const char16_t* const kOwnSuffixes[] = {
    u".~pending",  // the pending file, and the temporaries of its saves
    u".~base",     // the record of what a pending file was based on
    u".~tmp",      // the temporaries of a save, numbered
    u".tmp",       // data.bak's next content, before it takes data.bak's place
};

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Where a path's drive ends ("C:", also after "\\?\" or "\\.\"); 0 without one.
size_t DriveEnd(const Text& path) {
  size_t at = 0;
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == u'?' || path[2] == u'.') && IsSeparator(path[3])) {
    at = 4;
  }
  const char16_t letter = path.size() >= at + 2 ? path[at] : u'\0';
  const bool isLetter = (letter >= u'A' && letter <= u'Z') || (letter >= u'a' && letter <= u'z');
  return isLetter && path[at + 1] == u':' ? at + 2 : at;
}

// Windows opens another name than the one given: it drops the trailing
// dots and spaces of a name, and takes what follows a ':' for a stream of
// the file before it ("data.csv::$DATA" is data.csv itself).
bool WindowsAltersName(const Text& path) {
  if (path.find(u':', DriveEnd(path)) != Text::npos) return true;
  return !path.empty() && (path.back() == u'.' || path.back() == u' ');
}

// The name of the file that Windows opens for `name`, in lower case.
Text NameAsOpened(const Text& name) {
  Text opened = name.substr(0, name.find(u':'));
  while (!opened.empty() && (opened.back() == u'.' || opened.back() == u' ')) opened.pop_back();
  return AsciiLower(opened);
}

}  // namespace

std::vector<int> RecordsOfDate(const RecordStore& store, const LocalDateTime& date) {
  std::vector<int> rows;
  for (int i = 0; i < store.Count(); ++i) {
    if (IsSameDate(store.At(i).start, date)) rows.push_back(i);
  }
  return rows;
}

int RecordOfRow(const RecordStore& store, const LocalDateTime& date, int row) {
  if (row < 0) return -1;
  for (int i = 0; i < store.Count(); ++i) {
    if (IsSameDate(store.At(i).start, date) && row-- == 0) return i;
  }
  return -1;
}

int RowOfRecord(const RecordStore& store, const LocalDateTime& date, int index) {
  if (index < 0 || index >= store.Count() || !IsSameDate(store.At(index).start, date)) return -1;
  int row = 0;
  for (int i = 0; i < index; ++i) {
    if (IsSameDate(store.At(i).start, date)) ++row;
  }
  return row;
}

int StartOrderPosition(const RecordStore& store, const LocalDateTime& start) {
  const EarlierThan isEarlier(start);
  const std::vector<ActivityRecord>& records = store.Records();
  for (size_t i = records.size(); i > 0; --i) {
    if (isEarlier(records[i - 1].start)) return static_cast<int>(i);
  }
  return 0;
}

RecordEditing::RecordEditing(ActivityData& data, DataReporter& dialog, TooltipReceiver setTip)
    : data_(data), dialog_(dialog), setTip_(std::move(setTip)) {}

bool RecordEditing::ItemName(int item, Text& name) {
  if (item < 0 || item >= data_.catalogue.Count()) return false;
  name = data_.catalogue.Name(item);
  // A hand-edited settings file may hold such a name; its records would
  // read back under another name, or make data.csv unreadable.
  if (!RecordFileCanHoldName(name)) {
    dialog_.Report(DataReport{DataEvent::kUnwritableItemName, name});
    return false;
  }
  return true;
}

// An end in the start's minute would be written as an open record (the
// running interval), and an earlier end would count negative time. Only the
// running interval itself may stay open.
bool RecordEditing::EndIsAfterStart(const LocalDateTime& start, const LocalDateTime& end,
                                    bool mayStayOpen) {
  const int64_t s = MinuteOf(start), e = MinuteOf(end);
  if (e > s || (mayStayOpen && e == s)) return true;
  dialog_.Report(DataReport{DataEvent::kEndNotAfterStart});
  return false;
}

int RecordEditing::RunningRecord() const {
  if (data_.currentActivity.empty()) return -1;
  return FindRunningRecord(data_.store, data_.currentActivity);
}

void RecordEditing::SetTip(const Text& tip) {
  if (setTip_) setTip_(tip);
}

// The user acts on the rows shown; after an edit made elsewhere a row may
// be another record. The list is refilled and nothing is applied.
bool RecordEditing::TookInEdit() {
  reloaded_ = data_.store.TakeInEdit();
  if (reloaded_) SetTip(data_.currentActivity);
  return reloaded_;
}

int RecordEditing::Add(int item, const LocalDateTime& start, const LocalDateTime& end) {
  if (TookInEdit()) return -1;
  Text name;
  if (!ItemName(item, name) || !EndIsAfterStart(start, end, false)) return -1;
  ActivityRecord record;
  record.name = std::move(name);
  record.start = start;
  record.start.wMilliseconds = 0;
  record.end = end;
  record.end.wMilliseconds = 0;

  int at = StartOrderPosition(data_.store, record.start);
  // The tracker closes the running interval by finding it; keeping it last
  // keeps the file's last line the one a restart takes up again.
  const int running = RunningRecord();
  if (running >= 0 && at > running) at = running;
  data_.store.InsertAt(at, std::move(record));
  data_.store.Save();
  return at;
}

bool RecordEditing::Change(int index, int item, const LocalDateTime& start,
                           const LocalDateTime& end) {
  if (TookInEdit() || index < 0 || index >= data_.store.Count()) return false;
  const bool running = index == RunningRecord();
  Text name;
  if (!ItemName(item, name) || !EndIsAfterStart(start, end, running)) return false;

  ActivityRecord& record = data_.store.At(index);
  record.name = name;
  CopyToTheSecond(start, record.start);
  CopyToTheSecond(end, record.end);
  if (running) {
    if (MinuteOf(end) == MinuteOf(start)) {
      // Still running: the record stays open to the second, as the tracker
      // made it, so that the next pick finds and closes it.
      record.end = record.start;
      data_.currentActivity = name;
      SetTip(name);
    } else {
      data_.currentActivity.clear();
      SetTip(Text());
    }
  }
  data_.store.Save();
  return true;
}

bool RecordEditing::Delete(int index) {
  if (TookInEdit() || index < 0 || index >= data_.store.Count()) return false;
  // Without its record the activity is no longer timed; the tooltip must not
  // go on naming it.
  if (index == RunningRecord()) {
    data_.currentActivity.clear();
    SetTip(Text());
  }
  data_.store.RemoveAt(index);
  data_.store.Save();
  return true;
}

bool RecordEditing::Import(const Text& path) {
  if (TookInEdit()) return false;
  // The file is read on its own first: a failed read then leaves the store
  // as it was, and an open last record of the file is told from one that
  // was already in the store.
  RecordFileContents file;
  const bool read = ReadRecordFile(data_.ws.files, data_.ws.reporter, path, file);
  if (read) {
    const int running = RunningRecord();
    // While an activity runs its open record stays last, and an open record
    // of the file is then an ordinary record of no length.
    const int at = running >= 0 ? running : data_.store.Count();
    const std::vector<ActivityRecord>& records = file.records;
    size_t k = 0;
    try {
      for (; k < records.size(); ++k) data_.store.InsertAt(at + static_cast<int>(k), records[k]);
    } catch (const std::bad_alloc&) {
      // The history has no room for the file: none of its records stays.
      while (k > 0) data_.store.RemoveAt(at + static_cast<int>(--k));
      data_.ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
      data_.store.Save();
      return false;
    }
    if (running < 0 && !file.openItem.empty()) {
      data_.currentActivity = file.openItem;
      SetTip(file.openItem);
    }
  }
  data_.store.Save();
  return read;
}

bool RecordEditing::IsProgramFile(const Text& chosen) {
  FileSystem& files = data_.ws.files;
  const Text path = files.ResolvePath(chosen);
  // What the file is, when it exists: any name of one of the program's
  // files that exists reaches it (an 8.3 name, a hard link, another path
  // to the folder, a stream of it).
  FileIdentity target;
  if (files.Identify(path, target)) {
    for (const char16_t* own : kOwnFiles) {
      const Text ownPath = JoinPath(data_.ws.directory, own);
      std::vector<Text> paths = {ownPath};
      for (const char16_t* suffix : kOwnSuffixes) {
        for (Text& found : files.FilesStartingWith(ownPath + suffix)) paths.push_back(std::move(found));
      }
      for (const Text& p : paths) {
        FileIdentity id;
        if (files.Identify(p, id) && id == target) return true;
      }
    }
  }
  // By name in the working folder, whether the file exists or not.
  const size_t slash = path.find_last_of(u"\\/");
  if (slash == Text::npos) return false;
  Text dir = path.substr(0, slash);
  if (dir.empty() || dir.back() == u':') dir = path.substr(0, slash + 1);  // a root
  if (!IsSameFile(files, dir, data_.ws.directory)) return false;
  const Text name = NameAsOpened(path.substr(slash + 1));
  for (const char16_t* own : kOwnFiles) {
    const Text ownName = AsciiLower(own);
    if (name == ownName) return true;
    for (const char16_t* suffix : kOwnSuffixes) {
      const Text begins = ownName + AsciiLower(suffix);
      if (name.compare(0, begins.size(), begins) == 0) return true;
    }
  }
  return false;
}

bool RecordEditing::Export(const Text& path, const OverwriteQuestion& mayOverwrite) {
  FileSystem& files = data_.ws.files;
  if (IsProgramFile(path)) {
    data_.ws.reporter.Report(DataReport{DataEvent::kProgramFile, path});
    return false;
  }
  // Not one of ours, but not the name that Windows would write either.
  if (WindowsAltersName(path)) {
    data_.ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
    return false;
  }
  FileFacts facts;
  const bool exists = files.Examine(path, facts);
  if (!exists && files.Exists(path)) {
    // There, but not to be looked at: whether it is ours is not known.
    data_.ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
    return false;
  }
  if (exists && facts.size > 0 && !mayOverwrite(path)) return false;
  return data_.store.WriteTo(path);
}
