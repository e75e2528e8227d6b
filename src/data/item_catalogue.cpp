#include "data/item_catalogue.h"

#include <new>
#include <string>
#include <utility>

#include "base/checked.h"
#include "base/files.h"

namespace {

constexpr char16_t kSection[] = u"ITEM";

}  // namespace

Text SettingsPath(const Workspace& ws) { return JoinPath(ws.directory, u"Dorvane.ini"); }

void ItemCatalogue::Load(const Workspace& ws) {
  Clear();
  unsaved_ = false;
  std::string bytes;
  const Text path = SettingsPath(ws);
  // Settings that name no item are no evidence (the reader takes any bytes).
  RestoreFromTemporary(ws.files, path, [](const std::string& text, const FileFacts&) {
    ItemCatalogue probe;
    return probe.TakeText(text) && probe.Count() > 0;
  });
  held_.Take(ws.files, path);
  if (LoadPending(ws)) return;
  const ReadResult read = ReadWholeFile(ws.files, path, bytes);
  if (read == ReadResult::kRead && TakeText(bytes)) return;
  // A file that is there but too large to be ours is no settings file; it is
  // not replaced either, since without slots nothing saves the catalogue.
  if (read != ReadResult::kCannotRead) ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
}

// The settings reader takes any bytes, so a pending file that can be read
// is used while it is newer than Dorvane.ini and names an item (garbage, or
// a sync client's empty copy, must not empty the menu). Any other is
// renamed aside and reported; one that cannot be read is left where it is.
bool ItemCatalogue::LoadPending(const Workspace& ws) {
  const Text pending = PendingPath(SettingsPath(ws));
  std::string bytes;
  const PendingFile::Found found = pending_.Read(ws.files, SettingsPath(ws), bytes);
  if (found == PendingFile::Found::kNone) return false;
  if (found == PendingFile::Found::kUnreadable) {
    pending_.LeaveAlone();
    return false;
  }
  if (found == PendingFile::Found::kRead && TakeText(bytes) && Count() > 0) {
    pending_.Adopt();
    unsaved_ = true;
    return true;
  }
  Clear();
  Text kept;
  if (!KeepAside(ws.files, ws.clock, pending, true, kept)) pending_.LeaveAlone();
  ws.reporter.Report(DataReport{DataEvent::kStalePending, pending, 0, kept});
  return false;
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
  FileFacts facts;
  std::string bytes;
  const ReadResult read = fs.Examine(path, facts) ? ReadWholeFile(fs, path, bytes) : ReadResult::kCannotRead;
  if (read == ReadResult::kCannotRead) {
    // Removed (the next save writes it again), or held without sharing
    // (the next look tries again).
    if (!fs.Exists(path)) held_.Take(fs, path);
    return false;
  }
  ItemCatalogue loaded;
  if (read == ReadResult::kRead && loaded.TakeText(bytes) && loaded.SlotCount() > 0) {
    names_.swap(loaded.names_);
    colors_.swap(loaded.colors_);
    statics_.swap(loaded.statics_);
    encoding_ = loaded.encoding_;
    held_.Take(facts);
    return true;
  }
  // No settings of ours: kept aside before a change of the items replaces
  // it. Without slots in memory there is nothing to save over it.
  Text kept;
  if (SlotCount() == 0 || KeepAside(fs, ws.clock, path, read == ReadResult::kTooLarge, kept)) {
    held_.Take(fs, path);
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
  // Both sides changed: what another program wrote is kept aside first.
  Text kept;
  if (held_.Changed(ws.files, path) && ws.files.Exists(path)) {
    if (!KeepAside(ws.files, ws.clock, path, false, kept)) {
      unsaved_ = true;
      if (kind == SaveKind::kChange) ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
      return false;
    }
    held_.Take(ws.files, path);
    if (kind == SaveKind::kEnd) kept.clear();
  }
  IniSection section{kSection, {}};
  for (size_t slot = 0; slot < colors_.size(); ++slot) {
    const int k = static_cast<int>(slot) + 1;
    section.entries.push_back({FormatText(u"ITEM%d_COLOR", k), FormatText(u"0x%06X", colors_[slot])});
    section.entries.push_back({FormatText(u"ITEM%d_STATICS", k), FormatText(u"%d", statics_[slot])});
    if (slot < names_.size()) section.entries.push_back({FormatText(u"ITEM%d_NAME", k), names_[slot]});
  }
  IniFile ini;
  ini.encoding = encoding_;
  ini.sections.push_back(std::move(section));

  // Replaced, never deleted and rewritten: a crash in between would lose
  // every item.
  bool report = false;
  unsaved_ = !pending_.Save(ws.files, path, WriteIni(ini), patience, kind, report);
  if (!unsaved_) held_.Take(ws.files, path);
  if (!kept.empty()) ws.reporter.Report(DataReport{DataEvent::kChangedElsewhere, path, 0, kept});
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
