#include "data/item_catalogue.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>
#include <utility>

#include "base/checked.h"
#include "base/files.h"

namespace {

constexpr char16_t kSection[] = u"ITEM";

}  // namespace

bool ItemCatalogue::WholeSettings(const std::string& text) {
  ItemCatalogue probe;
  return probe.TakeText(text) && probe.Count() > 0;
}

Text SettingsPath(const Workspace& ws) { return JoinPath(ws.directory, u"Dorvane.ini"); }

void ItemCatalogue::Load(const Workspace& ws) {
  Clear();
  readKeys_.clear();
  unsaved_ = false;
  std::string bytes;
  const Text path = SettingsPath(ws);
  RestoreFromTemporary(ws.files, path,
                       [](const std::string& text, const FileFacts&) { return WholeSettings(text); });
  const ReadResult read = ReadVersion(ws.files, path, bytes, held_);
  if (LoadPending(ws)) {
    ItemCatalogue file;
    if (read == ReadResult::kRead && file.TakeText(bytes)) readKeys_ = file.EntryKeys();
    return;
  }
  if (read == ReadResult::kRead && TakeText(bytes)) {
    readKeys_ = EntryKeys();
    return;
  }
  // A file that is there but too large to be ours is no settings file; it is
  // not replaced either, since without slots nothing saves the catalogue.
  if (read != ReadResult::kCannotRead) ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
}

// The settings reader takes any bytes, so a pending file that can be read
// is used while Dorvane.ini still holds what it was based on and it names
// an item (garbage, or a sync client's empty copy, must not empty the
// menu). Any other is renamed aside and reported: one that cannot be read
// (or is too large to be ours) as a file that could not be opened.
bool ItemCatalogue::LoadPending(const Workspace& ws) {
  const Text path = SettingsPath(ws);
  const Text pending = PendingPath(path);
  std::string bytes;
  const PendingFile::Found found = pending_.Read(ws.files, path, held_, WholeSettings, bytes);
  if (found == PendingFile::Found::kNone) return false;
  if (found == PendingFile::Found::kRead && TakeText(bytes) && Count() > 0) {
    pending_.Adopt();
    unsaved_ = true;
    return true;
  }
  Clear();
  Text kept;
  pending_.PutAside(ws.files, ws.clock, path, kept);
  const bool unread = found == PendingFile::Found::kUnreadable || found == PendingFile::Found::kTooLarge;
  ws.reporter.Report(DataReport{unread ? DataEvent::kCannotOpenFile : DataEvent::kStalePending, pending, 0, kept});
  return false;
}

IniSection ItemCatalogue::Section() const {
  IniSection section{kSection, {}};
  for (size_t slot = 0; slot < colors_.size(); ++slot) {
    const int k = static_cast<int>(slot) + 1;
    section.entries.push_back({FormatText(u"ITEM%d_COLOR", k), FormatText(u"0x%06X", colors_[slot])});
    section.entries.push_back({FormatText(u"ITEM%d_STATICS", k), FormatText(u"%d", statics_[slot])});
    if (slot < names_.size()) section.entries.push_back({FormatText(u"ITEM%d_NAME", k), names_[slot]});
  }
  return section;
}

std::string ItemCatalogue::Render() const {
  IniFile ini;
  ini.encoding = encoding_;
  ini.sections.push_back(Section());
  return WriteIni(ini);
}

std::vector<uint64_t> ItemCatalogue::EntryKeys() const {
  std::vector<uint64_t> keys;
  for (const IniEntry& entry : Section().entries) {
    const Text line = entry.key + u"=" + entry.value;
    keys.push_back(ContentHash(std::string_view(reinterpret_cast<const char*>(line.data()),
                                                line.size() * sizeof(char16_t))));
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

// As for data.csv: a file saved from a copy read before this run's last
// save lacks a setting this run wrote (an item added, renamed, moved up or
// recoloured here). The catalogue's own last-written version is kept aside
// first, and reported once.
bool ItemCatalogue::KeepOwnVersionAside(const Workspace& ws, const ItemCatalogue& theirs) const {
  const std::vector<uint64_t> mine = EntryKeys(), found = theirs.EntryKeys();
  std::vector<uint64_t> written;
  std::set_difference(mine.begin(), mine.end(), readKeys_.begin(), readKeys_.end(),
                      std::back_inserter(written));
  if (std::includes(found.begin(), found.end(), written.begin(), written.end())) return true;
  Text kept;
  if (!KeepBytesAside(ws.files, ws.clock, SettingsPath(ws), Render(), kept)) return false;
  ws.reporter.Report(DataReport{DataEvent::kOwnVersionKept, SettingsPath(ws), 0, kept});
  return true;
}

bool ItemCatalogue::TakeText(const std::string& bytes) {
  try {
    Take(ParseIni(bytes));
    return true;
  } catch (const std::bad_alloc&) {
    // A file near the size limit whose text the 32-bit program has no
    // room for: as one above the limit. An empty catalogue must never be
    // saved over it.
    Clear();
    return false;
  }
}

bool ItemCatalogue::TakeInEdit(const Workspace& ws) {
  FileSystem& fs = ws.files;
  const Text path = SettingsPath(ws);
  if (unsaved_ || !held_.Changed(fs, path)) return false;
  std::string bytes;
  FileVersion now;
  const ReadResult read = ReadVersion(fs, path, bytes, now);
  if (read == ReadResult::kCannotRead) {
    // Removed (the next save writes it again), or held without sharing
    // (the next look tries again).
    if (!fs.Exists(path)) held_.TakeMissing();
    return false;
  }
  if (read == ReadResult::kRead && held_.Holds(bytes)) {
    held_ = now;  // touched, not edited
    return false;
  }
  ItemCatalogue loaded;
  if (read == ReadResult::kRead && loaded.TakeText(bytes) && loaded.SlotCount() > 0) {
    if (!KeepOwnVersionAside(ws, loaded)) return false;
    readKeys_ = loaded.EntryKeys();
    names_.swap(loaded.names_);
    colors_.swap(loaded.colors_);
    statics_.swap(loaded.statics_);
    encoding_ = loaded.encoding_;
    held_ = now;
    return true;
  }
  // No settings of ours: kept aside before a change of the items replaces
  // it. Without slots in memory there is nothing to save over it.
  Text kept;
  const bool move = read == ReadResult::kTooLarge;
  if (SlotCount() == 0 || KeepAside(fs, ws.clock, path, move, kept)) {
    if (move && !kept.empty()) {
      held_.TakeMissing();
    } else {
      held_ = now;
    }
  }
  if (SlotCount() > 0) ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path, 0, kept});
  return false;
}

void ItemCatalogue::Clear() {
  names_.clear();
  colors_.clear();
  statics_.clear();
  encoding_ = IniEncoding::kCp932;
}

void ItemCatalogue::Take(const IniFile& ini) {
  encoding_ = ini.encoding;
  for (int k = 1; k <= kMaxSlots; ++k) {
    // A colour of -1 ends the slot list; later slots are not looked at.
    const int32_t color = ini.GetInt(kSection, FormatText(u"ITEM%d_COLOR", k), -1);
    if (color == -1) break;
    AddSlot(static_cast<uint32_t>(color), ini.GetInt(kSection, FormatText(u"ITEM%d_STATICS", k), 0));
    // Names are taken whole, so that a name keeps matching its records after
    // a restart. An empty name leaves no gap: the next name moves up.
    Text name = ini.GetText(kSection, FormatText(u"ITEM%d_NAME", k), Text());
    if (!name.empty()) names_.push_back(std::move(name));
  }
}

bool ItemCatalogue::Save(const Workspace& ws) const {
  HoldPatience patience;
  return Save(ws, patience, SaveKind::kChange);
}

bool ItemCatalogue::Save(const Workspace& ws, HoldPatience& patience, SaveKind kind) const {
  const Text path = SettingsPath(ws);
  if (!pending_.WorthTrying(ws.files, path, kind)) return false;
  // Replaced, never deleted and rewritten: a crash in between would lose
  // every item. Right before each try, what another program saved since
  // this run read or wrote the file is kept aside (both sides changed).
  Text kept;
  const auto keepEdit = [&] { return KeepOtherVersionAside(ws.files, ws.clock, path, held_, false, kept); };
  bool report = false;
  unsaved_ = !pending_.Save(ws.files, path, Render(), patience, kind, held_, keepEdit, report);
  if (!kept.empty() && kind != SaveKind::kEnd) {
    ws.reporter.Report(DataReport{DataEvent::kChangedElsewhere, path, 0, kept});
  }
  if (unsaved_ && ws.changed) ws.changed();
  if (report) ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
  return !unsaved_;
}

const Text& ItemCatalogue::Name(int j) const { return CheckedAt(names_, j); }

uint32_t ItemCatalogue::Color(int j) const {
  CheckedAt(names_, j);
  return CheckedAt(colors_, j);
}

int32_t ItemCatalogue::Statics(int j) const {
  CheckedAt(names_, j);
  return CheckedAt(statics_, j);
}

int ItemCatalogue::FindByName(const Text& name) const {
  for (size_t j = 0; j < names_.size(); ++j) {
    if (names_[j] == name) return static_cast<int>(j);
  }
  return -1;
}

int ItemCatalogue::FindLastByName(const Text& name) const {
  for (size_t j = names_.size(); j-- > 0;) {
    if (names_[j] == name) return static_cast<int>(j);
  }
  return -1;
}

void ItemCatalogue::AddName(const Text& name) {
  if (names_.size() >= colors_.size()) BrokenIndex();
  names_.push_back(name);
}

void ItemCatalogue::RemoveName(int j) {
  CheckedAt(names_, j);
  names_.erase(names_.begin() + j);
}

void ItemCatalogue::ReplaceItem(int j, const Text& name, uint32_t color) {
  CheckedAt(names_, j) = name;
  CheckedAt(colors_, j) = color;
}

void ItemCatalogue::SetStatics(int k, int32_t flag) { CheckedAt(statics_, k) = flag; }

void ItemCatalogue::AddSlot(uint32_t color, int32_t statics) {
  colors_.push_back(color);
  statics_.push_back(statics);
}

uint32_t ItemCatalogue::SlotColor(int k) const { return CheckedAt(colors_, k); }

int32_t ItemCatalogue::SlotStatics(int k) const { return CheckedAt(statics_, k); }
