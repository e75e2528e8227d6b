// The decisions of the item settings dialog, kept apart from its windows:
// which names Add and Change accept, what they change in the catalogue, and
// when a row's check box is a real change of the slot's statistics flag.
// The caller saves the catalogue after every change and warns of a refusal
// (the warnings' texts are the shell's).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/text.h"
#include "data/item_catalogue.h"

// The name field takes at most this many typed characters. Names in the
// settings file may be longer; the field shows them whole.
constexpr int kItemNameFieldLimit = 20;

enum class ItemEdit {
  kDone,
  kNoItem,         // Change without an item row: nothing to do, nothing to say
  kCatalogueFull,  // every slot has an item
  kEmptyName,
  kUnholdableName,  // the record file could not hold it
  kDuplicateName,   // another item has this name, exactly
};

// The text of the name field as the dialog takes it. While the field still
// holds the selected item's whole name, that name whole: changing only the
// colour of an item with a longer name must not rename it. Other text (only
// another program can put more there) is cut to its first 20 characters.
Text TakeNameFieldText(const Text& field, const Text& selectedName);

// Add: appends the name as the next item, which takes the colour and flag
// of its slot. Refused when no slot is free, the name is empty or the record
// file could not hold it, or an item has this name (compared exactly).
ItemEdit AddItem(ItemCatalogue& catalogue, const Text& name);

// Change: gives item `row` the name and the colour; its flag stays. The row's
// own name may stay as it is, so the colour can change alone. A row that is
// no item (-1, or a free slot) changes nothing.
ItemEdit ChangeItem(ItemCatalogue& catalogue, int row, const Text& name, uint32_t color);

// Delete: removes item `row`; later items move up one slot each and take on
// that slot's colour and flag. False when the row is no item.
bool DeleteItem(ItemCatalogue& catalogue, int row);

// One row of the list: slot k's colour and flag, and its item's name (empty
// for a free slot).
struct SlotRow {
  uint32_t color;
  int32_t statics;
  Text name;
};

// Every slot's row, read before the list is filled: the list notifies while
// rows are inserted, and those notifications must not be able to change
// what the later rows show.
std::vector<SlotRow> SlotRows(const ItemCatalogue& catalogue);

// A list view row's state image: 0 none yet, 1 unchecked, 2 checked.
// The flag to store for slot `slot` after its state image went from
// `oldImage` to `newImage`, or nothing. Only a change between unchecked and
// checked counts (inserting a row first gives it an unchecked box, which is
// no choice of the user), and only a flag that differs from the stored one
// is worth storing: a ticked row stores 1 over a stored 2, but not over 1.
std::optional<int32_t> StaticsToStore(const ItemCatalogue& catalogue, int slot,
                                      unsigned oldImage, unsigned newImage);
