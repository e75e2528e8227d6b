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
  // The settings reader takes any bytes, so a pending file that can be read
  // is used; one that cannot is left where it is for the next start.
  const PendingFile::Found found = pending_.Read(ws.files, path, bytes);
  ReadResult read = ReadResult::kRead;
  if (found == PendingFile::Found::kRead) {
    pending_.Adopt();
    unsaved_ = true;
  } else {
    if (found == PendingFile::Found::kUnreadable) pending_.LeaveAlone();
    read = ReadWholeFile(ws.files, path, bytes);
  }
  if (read == ReadResult::kRead) {
    try {
      Take(ParseIni(bytes));
      return;
    } catch (const std::bad_alloc&) {
      // A file near the size limit whose text the 32-bit program has no
      // room for: as one above the limit. An empty catalogue must never be
      // saved over it.
      Clear();
      unsaved_ = false;
    }
  }
  // A file that is there but too large to be ours is no settings file; it is
  // not replaced either, since without slots nothing saves the catalogue.
  if (read != ReadResult::kCannotRead) ws.reporter.Report(DataReport{DataEvent::kCannotOpenFile, path});
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
  if (!pending_.WorthTrying(ws.files, SettingsPath(ws), kind)) return false;
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
  const Text path = SettingsPath(ws);
  bool report = false;
  unsaved_ = !pending_.Save(ws.files, path, WriteIni(ini), patience, kind, report);
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
