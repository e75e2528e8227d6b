#include "data/item_settings.h"

#include "data/item_name.h"

namespace {

constexpr unsigned kUncheckedImage = 1;
constexpr unsigned kCheckedImage = 2;

// Empty and unholdable are told apart: "enter a name" helps more than a list
// of forbidden characters when nothing was typed.
ItemEdit CheckName(const Text& name) {
  if (name.empty()) return ItemEdit::kEmptyName;
  if (!RecordFileCanHoldName(name)) return ItemEdit::kUnholdableName;
  return ItemEdit::kDone;
}

bool IsItem(const ItemCatalogue& catalogue, int row) { return row >= 0 && row < catalogue.Count(); }

}  // namespace

Text TakeNameFieldText(const Text& field, const Text& selectedName) {
  if (field == selectedName) return field;
  return field.substr(0, kItemNameFieldLimit);
}

ItemEdit AddItem(ItemCatalogue& catalogue, const Text& name) {
  if (catalogue.Count() >= catalogue.SlotCount()) return ItemEdit::kCatalogueFull;
  if (ItemEdit check = CheckName(name); check != ItemEdit::kDone) return check;
  if (catalogue.FindByName(name) >= 0) return ItemEdit::kDuplicateName;
  catalogue.AddName(name);
  return ItemEdit::kDone;
}

ItemEdit ChangeItem(ItemCatalogue& catalogue, int row, const Text& name, uint32_t color) {
  if (!IsItem(catalogue, row)) return ItemEdit::kNoItem;
  if (ItemEdit check = CheckName(name); check != ItemEdit::kDone) return check;
  for (int j = 0; j < catalogue.Count(); ++j) {
    if (j != row && catalogue.Name(j) == name) return ItemEdit::kDuplicateName;
  }
  catalogue.ReplaceItem(row, name, color);
  return ItemEdit::kDone;
}

bool DeleteItem(ItemCatalogue& catalogue, int row) {
  if (!IsItem(catalogue, row)) return false;
  catalogue.RemoveName(row);
  return true;
}

std::vector<SlotRow> SlotRows(const ItemCatalogue& catalogue) {
  std::vector<SlotRow> rows;
  rows.reserve(static_cast<size_t>(catalogue.SlotCount()));
  for (int k = 0; k < catalogue.SlotCount(); ++k) {
    rows.push_back(SlotRow{catalogue.SlotColor(k), catalogue.SlotStatics(k),
                           k < catalogue.Count() ? catalogue.Name(k) : Text()});
  }
  return rows;
}

std::optional<int32_t> StaticsToStore(const ItemCatalogue& catalogue, int slot,
                                      unsigned oldImage, unsigned newImage) {
  // A notification for no particular row (-1) or for a row the list should
  // not have is no change of a slot.
  if (slot < 0 || slot >= catalogue.SlotCount()) return std::nullopt;
  const bool toggled = (oldImage == kUncheckedImage && newImage == kCheckedImage) ||
                       (oldImage == kCheckedImage && newImage == kUncheckedImage);
  if (!toggled) return std::nullopt;
  const int32_t flag = newImage == kCheckedImage ? 1 : 0;
  if (catalogue.SlotStatics(slot) == flag) return std::nullopt;
  return flag;
}
