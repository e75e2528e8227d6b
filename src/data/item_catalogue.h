// The items the user can time: names in menu order on top of the colour slots
// of the settings file. Item j is (name j, colour of slot j, flag of slot j);
// slots without a name are free places waiting for the next item.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "data/ini_file.h"
#include "data/pending_file.h"
#include "data/workspace.h"

// Dorvane.ini in the working directory.
Text SettingsPath(const Workspace& ws);

class ItemCatalogue {
 public:
  static constexpr int kMaxSlots = 18;

  // Fills the empty catalogue from Dorvane.ini in the working directory, or
  // from the pending file a failed save left beside it (PendingFile) while
  // Dorvane.ini still holds what it was based on and it names an item. A missing or unreadable file gives an
  // empty catalogue (no slots, no items).
  void Load(const Workspace& ws);
  // Looks at Dorvane.ini before a change of the items and before they are
  // shown. When another program wrote it since the catalogue read or wrote
  // it, and the catalogue has no unsaved change: a file with slots is
  // loaded and true returned (when it lacks a setting this run wrote since
  // it last read the file, the catalogue's own version is kept aside first,
  // and reported); one without is kept aside and reported, and
  // the catalogue in memory stays. A file touched but holding the same
  // content is no edit. Right before each try of a save to replace a file
  // written so since, that file is kept aside too.
  bool TakeInEdit(const Workspace& ws);
  // Rewrites Dorvane.ini whole, atomically, in the encoding it was read in,
  // or when it cannot be replaced, its pending file; the first failure of a
  // hold is reported to the user and false returned, the catalogue in
  // memory stays as it is. A quiet save is never reported.
  bool Save(const Workspace& ws) const;
  bool Save(const Workspace& ws, HoldPatience& patience, SaveKind kind) const;
  // True while the last Save failed or a pending file was loaded:
  // Dorvane.ini lacks a change.
  bool Unsaved() const { return unsaved_; }
  // True when the latest change is in memory only: neither Dorvane.ini nor
  // its pending file holds it.
  bool ChangeHeldByNoFile() const { return unsaved_ && !pending_.Holds(); }

  int Count() const { return static_cast<int>(names_.size()); }  // M
  int SlotCount() const { return static_cast<int>(colors_.size()); }  // N
  const Text& Name(int j) const;
  uint32_t Color(int j) const;    // 0x00BBGGRR of item j (= slot j)
  uint32_t SlotColor(int k) const;
  int32_t SlotStatics(int k) const;
  int32_t Statics(int j) const;   // flag of item j (= slot j)

  // First item whose name equals `name` exactly, or -1.
  int FindByName(const Text& name) const;
  // Last item whose name equals `name` exactly, or -1.
  int FindLastByName(const Text& name) const;

  // Changes made by the settings dialog; each is followed by Save.
  void AddName(const Text& name);  // requires Count() < SlotCount()
  void RemoveName(int j);
  void ReplaceItem(int j, const Text& name, uint32_t color);
  void SetStatics(int k, int32_t flag);

  // Appends a slot as the loader does (tests and tools build catalogues so).
  void AddSlot(uint32_t color, int32_t statics);

 private:
  void Clear();
  // The slots and names of a settings file's text.
  void Take(const IniFile& ini);
  // False, and an empty catalogue, when the text is too large for memory.
  bool TakeText(const std::string& bytes);
  // Settings that name an item: any others are no evidence (the reader
  // takes any bytes).
  static bool WholeSettings(const std::string& text);
  bool LoadPending(const Workspace& ws);
  // The settings section as Save writes it, and the whole file.
  IniSection Section() const;
  std::string Render() const;
  // Each entry of the section as a hash of "key=value", sorted.
  std::vector<uint64_t> EntryKeys() const;
  bool KeepOwnVersionAside(const Workspace& ws, const ItemCatalogue& theirs) const;

  std::vector<Text> names_;
  std::vector<uint32_t> colors_;
  std::vector<int32_t> statics_;
  // Kept from Load so that a file the user saved as UTF-8 or UTF-16 stays so.
  IniEncoding encoding_ = IniEncoding::kCp932;
  // About the file, not the items: Save keeps it and stays const.
  mutable bool unsaved_ = false;
  mutable PendingFile pending_;
  mutable FileVersion held_;  // of Dorvane.ini
  // The entries of Dorvane.ini as this run last read it (EntryKeys): what
  // the catalogue holds beyond them, this run wrote.
  std::vector<uint64_t> readKeys_;
};
