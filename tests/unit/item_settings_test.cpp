#include "data/item_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "shell/messages.h"

namespace {

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kGrey = 0x808080;
constexpr uint32_t kWhite = 0xFFFFFF;

// Slots red, green, blue and grey with flags 1, 0, 1, 0; items A, B, C.
ItemCatalogue ThreeItemsAndAFreeSlot() {
  ItemCatalogue c;
  c.AddSlot(kRed, 1);
  c.AddSlot(kGreen, 0);
  c.AddSlot(kBlue, 1);
  c.AddSlot(kGrey, 0);
  c.AddName(u"A");
  c.AddName(u"B");
  c.AddName(u"C");
  return c;
}

std::vector<Text> Names(const ItemCatalogue& c) {
  std::vector<Text> names;
  for (int j = 0; j < c.Count(); ++j) names.push_back(c.Name(j));
  return names;
}

// Everything the dialog shows of the catalogue, for "nothing changed" checks.
struct Shown {
  std::vector<Text> names;
  std::vector<uint32_t> colors;
  std::vector<int32_t> statics;
  bool operator==(const Shown& o) const {
    return names == o.names && colors == o.colors && statics == o.statics;
  }
};

Shown Show(const ItemCatalogue& c) {
  Shown s{Names(c), {}, {}};
  for (const SlotRow& row : SlotRows(c)) {
    s.colors.push_back(row.color);
    s.statics.push_back(row.statics);
  }
  return s;
}

TEST(ItemSettingsTest, RowsShowEverySlotWithFreeSlotsUnnamed) {
  const ItemCatalogue c = ThreeItemsAndAFreeSlot();
  const std::vector<SlotRow> rows = SlotRows(c);
  ASSERT_EQ(4u, rows.size());
  EXPECT_EQ(u"A", rows[0].name);
  EXPECT_EQ(u"C", rows[2].name);
  EXPECT_EQ(Text(), rows[3].name);
  EXPECT_EQ(kBlue, rows[2].color);
  EXPECT_EQ(kGrey, rows[3].color);
  EXPECT_EQ(1, rows[2].statics);
  EXPECT_EQ(0, rows[3].statics);
  EXPECT_TRUE(SlotRows(ItemCatalogue()).empty());
}

TEST(ItemSettingsTest, AddTakesTheNextSlotsColourAndFlag) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  // The dialog's current colour plays no part: an added item is drawn in the
  // colour its slot was given in the settings file.
  ASSERT_EQ(ItemEdit::kDone, AddItem(c, u"D"));
  EXPECT_EQ((std::vector<Text>{u"A", u"B", u"C", u"D"}), Names(c));
  EXPECT_EQ(kGrey, c.Color(3));
  EXPECT_EQ(0, c.Statics(3));
}

TEST(ItemSettingsTest, AddRefusesWhenEverySlotHasAnItem) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  ASSERT_EQ(ItemEdit::kDone, AddItem(c, u"D"));
  const Shown before = Show(c);
  EXPECT_EQ(ItemEdit::kCatalogueFull, AddItem(c, u"E"));
  // Fullness is told first, whatever the name.
  EXPECT_EQ(ItemEdit::kCatalogueFull, AddItem(c, u"A"));
  EXPECT_EQ(ItemEdit::kCatalogueFull, AddItem(c, u""));
  EXPECT_EQ(before, Show(c));

  // Without a settings file there are no slots: nothing can ever be added.
  ItemCatalogue empty;
  EXPECT_EQ(ItemEdit::kCatalogueFull, AddItem(empty, u"A"));
  EXPECT_EQ(0, empty.Count());
}

TEST(ItemSettingsTest, DuplicatesAreExactAndCaseSensitive) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  c.ReplaceItem(0, u"Mail", kRed);
  const Shown before = Show(c);
  EXPECT_EQ(ItemEdit::kDuplicateName, AddItem(c, u"Mail"));
  EXPECT_EQ(ItemEdit::kDuplicateName, ChangeItem(c, 1, u"Mail", kBlue));
  EXPECT_EQ(before, Show(c));

  EXPECT_EQ(ItemEdit::kDone, ChangeItem(c, 1, u"mail", kGreen));
  EXPECT_EQ(ItemEdit::kDone, AddItem(c, u"MAIL"));
  EXPECT_EQ((std::vector<Text>{u"Mail", u"mail", u"C", u"MAIL"}), Names(c));
  // Full-width letters are other characters again.
  c = ThreeItemsAndAFreeSlot();
  EXPECT_EQ(ItemEdit::kDone, AddItem(c, u"Ａ"));
}

TEST(ItemSettingsTest, NamesTheRecordFileCannotHoldAreRefusedAndChangeNothing) {
  struct Case {
    const char16_t* name;
    ItemEdit expected;
  };
  const Case cases[] = {
      {u"", ItemEdit::kEmptyName},
      {u"a b", ItemEdit::kUnholdableName},
      {u"a\u3000b", ItemEdit::kUnholdableName},  // ideographic space
      {u"a\tb", ItemEdit::kUnholdableName},
      {u"\u00A0", ItemEdit::kUnholdableName},    // no-break space
      {u"x ", ItemEdit::kUnholdableName},
      {u"a,b", ItemEdit::kUnholdableName},
      {u"a\"b", ItemEdit::kUnholdableName},
      {u"a'b", ItemEdit::kUnholdableName},
      {u"\uD55C", ItemEdit::kUnholdableName},    // Hangul: no code page 932 form
      {u"\U0001F600", ItemEdit::kUnholdableName},
      {u"会議", ItemEdit::kDone},
      {u"ｶﾅ-_.;:()!", ItemEdit::kDone},
      {u"①Ⅱ", ItemEdit::kDone},                  // NEC extensions are in 932
      {u"12345678901234567890", ItemEdit::kDone},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&tc - cases));
    ItemCatalogue added = ThreeItemsAndAFreeSlot();
    const Shown before = Show(added);
    EXPECT_EQ(tc.expected, AddItem(added, tc.name));

    ItemCatalogue changed = ThreeItemsAndAFreeSlot();
    EXPECT_EQ(tc.expected, ChangeItem(changed, 1, tc.name, kWhite));
    if (tc.expected == ItemEdit::kDone) {
      EXPECT_EQ(Text(tc.name), added.Name(3));
      EXPECT_EQ(Text(tc.name), changed.Name(1));
    } else {
      EXPECT_EQ(before, Show(added));
      EXPECT_EQ(before, Show(changed));
    }
  }
}

TEST(ItemSettingsTest, ChangeWithTheOwnNameRecoloursOnly) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  ASSERT_EQ(ItemEdit::kDone, ChangeItem(c, 1, u"B", kWhite));
  const Shown after = Show(c);
  EXPECT_EQ((std::vector<Text>{u"A", u"B", u"C"}), after.names);
  EXPECT_EQ((std::vector<uint32_t>{kRed, kWhite, kBlue, kGrey}), after.colors);
  EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), after.statics);
}

TEST(ItemSettingsTest, ChangeRenamesAndRecoloursButKeepsTheFlag) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  ASSERT_EQ(ItemEdit::kDone, ChangeItem(c, 2, u"Z", kGreen));
  EXPECT_EQ(u"Z", c.Name(2));
  EXPECT_EQ(kGreen, c.Color(2));
  EXPECT_EQ(1, c.Statics(2));
  EXPECT_EQ(kGreen, c.Color(1));  // two items may share a colour
}

TEST(ItemSettingsTest, ChangeWithoutAnItemRowDoesNothing) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  const Shown before = Show(c);
  // No row selected (-1), a free slot (3), and rows past the list either way.
  for (int row : {-1, 3, 4, -2}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ItemEdit::kNoItem, ChangeItem(c, row, u"X", kWhite));
    // No message either: the user chose nothing to change.
    EXPECT_EQ(nullptr, ItemEditWarning(ItemEdit::kNoItem));
  }
  EXPECT_EQ(before, Show(c));
}

TEST(ItemSettingsTest, DeletingTheFirstOfRedGreenBlueShiftsNamesNotColours) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  ASSERT_TRUE(DeleteItem(c, 0));
  const Shown after = Show(c);
  // B turns red, C green; the blue and grey slots are free.
  EXPECT_EQ((std::vector<Text>{u"B", u"C"}), after.names);
  EXPECT_EQ((std::vector<uint32_t>{kRed, kGreen, kBlue, kGrey}), after.colors);
  EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), after.statics);
  const std::vector<SlotRow> rows = SlotRows(c);
  EXPECT_EQ(Text(), rows[2].name);
  EXPECT_EQ(Text(), rows[3].name);
}

TEST(ItemSettingsTest, DeleteWithoutAnItemRowRemovesNothing) {
  ItemCatalogue c = ThreeItemsAndAFreeSlot();
  const Shown before = Show(c);
  for (int row : {-1, 3, 4}) EXPECT_FALSE(DeleteItem(c, row)) << row;
  EXPECT_EQ(before, Show(c));
  ASSERT_TRUE(DeleteItem(c, 2));  // the last item
  EXPECT_EQ((std::vector<Text>{u"A", u"B"}), Names(c));
}

TEST(ItemSettingsTest, TheNameFieldGivesAtMostTwentyCharactersButASelectedNameWhole) {
  const Text twenty = u"あいうえおかきくけこさしすせそたちつてと";
  ASSERT_EQ(20u, twenty.size());
  EXPECT_EQ(twenty, TakeNameFieldText(twenty, Text()));
  EXPECT_EQ(twenty, TakeNameFieldText(twenty + u"なにぬねの", Text()));
  EXPECT_EQ(twenty, TakeNameFieldText(twenty + u"x", twenty + u"y"));
  EXPECT_EQ(twenty + u"x", TakeNameFieldText(twenty + u"x", twenty + u"x"));
  EXPECT_EQ(twenty.substr(0, 19), TakeNameFieldText(twenty.substr(0, 19), Text()));
  EXPECT_EQ(Text(), TakeNameFieldText(Text(), Text()));
  EXPECT_EQ(20, kItemNameFieldLimit);
}

TEST(ItemSettingsTest, EveryRefusalHasItsWarning) {
  EXPECT_EQ(Text(u"これ以上追加できません"), ItemEditWarning(ItemEdit::kCatalogueFull));
  EXPECT_EQ(Text(u"同じ名前の項目が既にあります"), ItemEditWarning(ItemEdit::kDuplicateName));
  ASSERT_NE(nullptr, ItemEditWarning(ItemEdit::kEmptyName));
  const char16_t* unholdable = ItemEditWarning(ItemEdit::kUnholdableName);
  ASSERT_NE(nullptr, unholdable);
  // The text names each kind of character that cannot be used.
  const Text text = unholdable;
  for (const char16_t* part : {u"空白", u"全角", u",", u"\"", u"'", u"シフトJIS"}) {
    EXPECT_NE(Text::npos, text.find(part)) << "missing a mention";
  }
  EXPECT_EQ(nullptr, ItemEditWarning(ItemEdit::kDone));
}

// State images: 0 none, 1 unchecked, 2 checked.
TEST(ItemSettingsTest, OnlyARealToggleThatDiffersFromTheStoredFlagIsStored) {
  struct Case {
    int32_t stored;
    unsigned oldImage, newImage;
    std::optional<int32_t> expected;
  };
  const Case cases[] = {
      // Inserting a row gives it an unchecked box: never a choice of the user.
      {1, 0, 1, std::nullopt},
      {2, 0, 1, std::nullopt},
      {0, 0, 2, std::nullopt},
      // The refill ticks a row whose flag is set: only a flag other than 1
      // is rewritten, to 1.
      {1, 1, 2, std::nullopt},
      {2, 1, 2, 1},
      {-5, 1, 2, 1},
      {0, 1, 2, 1},
      // Unticking.
      {1, 2, 1, 0},
      {7, 2, 1, 0},
      {0, 2, 1, std::nullopt},
      // Selection and focus changes leave the state image as it is.
      {1, 2, 2, std::nullopt},
      {0, 1, 1, std::nullopt},
      {3, 0, 0, std::nullopt},
      // A box removed is no choice either.
      {1, 2, 0, std::nullopt},
      {0, 1, 0, std::nullopt},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(testing::Message() << "stored " << tc.stored << ", " << tc.oldImage << " -> "
                                    << tc.newImage);
    ItemCatalogue c;
    c.AddSlot(kRed, tc.stored);
    EXPECT_EQ(tc.expected, StaticsToStore(c, 0, tc.oldImage, tc.newImage));
  }
}

TEST(ItemSettingsTest, NotificationsForNoSlotStoreNothing) {
  const ItemCatalogue c = ThreeItemsAndAFreeSlot();
  EXPECT_EQ(std::nullopt, StaticsToStore(c, -1, 2, 1));
  EXPECT_EQ(std::nullopt, StaticsToStore(c, 4, 2, 1));
  EXPECT_EQ(std::nullopt, StaticsToStore(ItemCatalogue(), 0, 1, 2));
  EXPECT_EQ(std::optional<int32_t>(1), StaticsToStore(c, 3, 1, 2));  // a free slot has a flag too
}

// What the list reports while the dialog fills it: each row is inserted with
// an unchecked box, then ticked when its flag is set. Applying the rule to
// that sequence must leave flags 0 and 1 alone and save only to turn other
// set flags into 1.
TEST(ItemSettingsTest, FillingTheListStoresOnlyFlagsOtherThanZeroAndOne) {
  ItemCatalogue c;
  const std::vector<int32_t> flags = {0, 1, 2, 0, -1, 1};
  for (int32_t f : flags) c.AddSlot(kGrey, f);
  int saves = 0;
  const std::vector<SlotRow> rows = SlotRows(c);
  for (size_t k = 0; k < rows.size(); ++k) {
    const int slot = static_cast<int>(k);
    std::vector<std::pair<unsigned, unsigned>> notices = {{0, 1}};
    if (rows[k].statics != 0) notices.push_back({1, 2});
    for (auto [from, to] : notices) {
      if (std::optional<int32_t> flag = StaticsToStore(c, slot, from, to)) {
        c.SetStatics(slot, *flag);
        ++saves;
      }
    }
  }
  EXPECT_EQ(2, saves);
  EXPECT_EQ((std::vector<int32_t>{0, 1, 1, 0, 1, 1}), Show(c).statics);
}

}  // namespace
