#include "data/item_catalogue.h"

#include "base/checked.h"

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
