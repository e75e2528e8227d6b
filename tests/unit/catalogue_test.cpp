#include "data/item_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/notifier.h"
#include "support/faulty_files.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"

namespace {

class CatalogueTest : public testing::Test {
 protected:
  Text IniPath() const { return dir_.File(u"Dorvane.ini"); }
  Text PendingPath() const { return dir_.File(u"Dorvane.ini.~pending"); }
  Text OpenFailure() const { return u"ファイルを開けませんでした\r\n" + IniPath(); }

  ItemCatalogue LoadFrom(const std::string& bytes) {
    WriteBytes(IniPath(), bytes);
    ItemCatalogue catalogue;
    catalogue.Load(ws_);
    return catalogue;
  }

  // Saves and returns the file's bytes.
  std::string SaveBytes(const ItemCatalogue& catalogue) {
    EXPECT_TRUE(catalogue.Save(ws_));
    return ReadBytes(IniPath());
  }

  TempDir dir_;
  FaultyFileSystem files_;
  RecordingNotifier notifier_;
  Workspace ws_{dir_.Path(), files_, notifier_};
};

std::vector<Text> Names(const ItemCatalogue& c) {
  std::vector<Text> names;
  for (int j = 0; j < c.Count(); ++j) names.push_back(c.Name(j));
  return names;
}

std::vector<uint32_t> SlotColors(const ItemCatalogue& c) {
  std::vector<uint32_t> colors;
  for (int k = 0; k < c.SlotCount(); ++k) colors.push_back(c.SlotColor(k));
  return colors;
}

// "ITEMk_COLOR=...\r\nITEMk_STATICS=...\r\n" and the name line when given.
std::string Slot(int k, const std::string& color, const std::string& statics,
                 const char* name = nullptr) {
  const std::string n = std::to_string(k);
  std::string lines = "ITEM" + n + "_COLOR=" + color + "\r\nITEM" + n + "_STATICS=" + statics + "\r\n";
  if (name) lines += "ITEM" + n + "_NAME=" + name + "\r\n";
  return lines;
}

// The shipped defaults/Dorvane.ini.
std::string DefaultIni() {
  const std::string bytes = ReadSourceFile("defaults/Dorvane.ini");
  EXPECT_FALSE(bytes.empty()) << "no defaults/Dorvane.ini in the source tree";
  return bytes;
}

}  // namespace

// A power cut inside a save's rename on FAT can leave only the temporary;
// one that names an item goes back in place of Dorvane.ini.
TEST_F(CatalogueTest, SettingsLeftOnlyAsTheirTemporaryArePutBack) {
  const std::string ini = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "A") + Slot(2, "0x00FF00", "1");
  WriteBytes(dir_.File(u"Dorvane.ini.~tmp1"), ini);
  ItemCatalogue catalogue;
  catalogue.Load(ws_);
  EXPECT_EQ(Names(catalogue), std::vector<Text>{u"A"});
  EXPECT_EQ(ReadBytes(IniPath()), ini);
  EXPECT_TRUE(notifier_.shown.empty());

  ASSERT_TRUE(std::filesystem::remove(std::filesystem::path(IniPath())));
  WriteBytes(dir_.File(u"Dorvane.ini.~tmp1"), "[ITEM]\r\n" + Slot(1, "0x0000FF", "1"));
  ItemCatalogue none;
  none.Load(ws_);
  EXPECT_EQ(none.SlotCount(), 0) << "a temporary without items is no settings of ours";
  EXPECT_FALSE(FileExists(IniPath()));
}

TEST_F(CatalogueTest, MissingOrUnreadableFileGivesNoSlotsAndNoMessage) {
  for (bool exists : {false, true}) {
    if (exists) {
      WriteBytes(IniPath(), "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "a"));
      files_.Fail(FileStep::Read);
    }
    ItemCatalogue catalogue;
    catalogue.Load(ws_);
    EXPECT_EQ(0, catalogue.SlotCount()) << exists;
    EXPECT_EQ(0, catalogue.Count()) << exists;
    EXPECT_TRUE(notifier_.shown.empty()) << exists;
  }
}

TEST_F(CatalogueTest, FileAboveTheSizeLimitIsRefusedUnreadWithTheOpenFailure) {
  const std::string bytes = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "a");
  WriteBytes(IniPath(), bytes);
  for (uint64_t size : {kMaxReadBytes, kMaxReadBytes + 1}) {
    SCOPED_TRACE(size);
    const bool refused = size > kMaxReadBytes;
    files_.PretendSize(IniPath(), size);
    const int readsBefore = files_.Calls(FileStep::Read);
    ItemCatalogue catalogue;
    catalogue.Load(ws_);
    EXPECT_EQ(catalogue.SlotCount(), refused ? 0 : 1);
    EXPECT_EQ(files_.Calls(FileStep::Read) - readsBefore, refused ? 0 : 1);
    EXPECT_EQ(notifier_.Texts(), refused ? std::vector<Text>{OpenFailure()} : std::vector<Text>{});
    notifier_.shown.clear();
  }
  EXPECT_EQ(ReadBytes(IniPath()), bytes);
}

TEST_F(CatalogueTest, SaveWrites2NPlusMKeysInSlotOrder) {
  ItemCatalogue catalogue;
  catalogue.AddSlot(0x0000FF, 1);
  catalogue.AddSlot(0x00FF00, 0);
  catalogue.AddSlot(0xFF0000, -3);
  catalogue.AddSlot(0x000000, 1);
  catalogue.AddName(u"作業");
  catalogue.AddName(u"会議");
  EXPECT_EQ("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "\x8D\xEC\x8B\xC6") +
                Slot(2, "0x00FF00", "0", "\x89\xEF\x8B\x63") + Slot(3, "0xFF0000", "-3") +
                Slot(4, "0x000000", "1"),
            SaveBytes(catalogue));
  EXPECT_TRUE(notifier_.shown.empty());

  // No slots at all still leaves a valid, empty section.
  EXPECT_EQ("[ITEM]\r\n", SaveBytes(ItemCatalogue()));
}

TEST_F(CatalogueTest, GapAtSlot4EndsTheSlotsAndSlot5IsDroppedAtTheNextSave) {
  const std::string first3 = Slot(1, "0x0000FF", "1", "a") + Slot(2, "0x00FF00", "1", "b") +
                             Slot(3, "0xFF0000", "1", "c");
  const ItemCatalogue catalogue =
      LoadFrom("[ITEM]\r\n" + first3 + "ITEM4_STATICS=1\r\nITEM4_NAME=d\r\n" +
               Slot(5, "0x808080", "1", "e"));
  EXPECT_EQ(3, catalogue.SlotCount());
  EXPECT_EQ((std::vector<Text>{u"a", u"b", u"c"}), Names(catalogue));
  EXPECT_EQ("[ITEM]\r\n" + first3, SaveBytes(catalogue));
}

TEST_F(CatalogueTest, OnlyEighteenSlotsAreRead) {
  std::string file = "[ITEM]\r\n";
  for (int k = 1; k <= 20; ++k) file += Slot(k, "0x00000" + std::to_string(k % 10), "1", "n");
  const ItemCatalogue catalogue = LoadFrom(file);
  EXPECT_EQ(18, catalogue.SlotCount());
  EXPECT_EQ(18, catalogue.Count());
  const std::string saved = SaveBytes(catalogue);
  EXPECT_NE(std::string::npos, saved.find("ITEM18_NAME=n\r\n"));
  EXPECT_EQ(std::string::npos, saved.find("ITEM19"));
  EXPECT_EQ(file.substr(0, file.find("ITEM19")), saved);
}

TEST_F(CatalogueTest, EmptyNameInTheMiddleLeavesNoGap) {
  const ItemCatalogue catalogue =
      LoadFrom("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "first") + Slot(2, "0x00FF00", "0", "") +
               Slot(3, "0xFF0000", "1", "third") + Slot(4, "0x808080", "1"));
  EXPECT_EQ((std::vector<Text>{u"first", u"third"}), Names(catalogue));
  EXPECT_EQ(0x00FF00u, catalogue.Color(1));  // drawn in slot 2's colour
  EXPECT_EQ(0, catalogue.Statics(1));
  EXPECT_EQ("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "first") + Slot(2, "0x00FF00", "0", "third") +
                Slot(3, "0xFF0000", "1") + Slot(4, "0x808080", "1"),
            SaveBytes(catalogue));
}

TEST_F(CatalogueTest, AColourThatReadsAsMinusOneEndsTheSlots) {
  for (const char* end : {"-1", "0xFFFFFFFF", "0xffffffff", "4294967295", "", "\"\""}) {
    const ItemCatalogue catalogue = LoadFrom("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "a") +
                                             Slot(2, end, "1", "b") + Slot(3, "0x00FF00", "1", "c"));
    EXPECT_EQ(1, catalogue.SlotCount()) << end;
    EXPECT_EQ((std::vector<Text>{u"a"}), Names(catalogue)) << end;
  }
  // -2 is a colour like any other (a slot, not an end).
  EXPECT_EQ(2, LoadFrom("[ITEM]\r\n" + Slot(1, "0x0000FF", "1") + Slot(2, "-2", "1")).SlotCount());
}

TEST_F(CatalogueTest, IntegersFollowTheProfileRule) {
  const ItemCatalogue catalogue = LoadFrom(
      "[ITEM]\r\n"
      "ITEM1_COLOR=255\r\nITEM1_STATICS=1abc\r\n"
      "ITEM2_COLOR=0x00ff00 green\r\nITEM2_STATICS=+2\r\n"
      "ITEM3_COLOR=blue\r\nITEM3_STATICS=yes\r\n"
      "ITEM4_COLOR=0x800080\r\n"
      "ITEM5_COLOR=0x00FF00\r\nITEM5_STATICS=\r\n");
  EXPECT_EQ((std::vector<uint32_t>{0xFF, 0x00FF00, 0, 0x800080, 0x00FF00}), SlotColors(catalogue));
  EXPECT_EQ(1, catalogue.SlotStatics(0));
  EXPECT_EQ(2, catalogue.SlotStatics(1));
  EXPECT_EQ(0, catalogue.SlotStatics(2));  // garbage reads as 0
  EXPECT_EQ(0, catalogue.SlotStatics(3));  // missing
  EXPECT_EQ(0, catalogue.SlotStatics(4));  // empty
}

TEST_F(CatalogueTest, RemovingTheFirstOfRedGreenBlueShiftsNamesNotColours) {
  ItemCatalogue catalogue =
      LoadFrom("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "A") + Slot(2, "0x00FF00", "1", "B") +
               Slot(3, "0xFF0000", "0", "C") + Slot(4, "0x808080", "1"));
  catalogue.RemoveName(0);
  ASSERT_EQ(2, catalogue.Count());
  EXPECT_EQ(0x0000FFu, catalogue.Color(0));
  EXPECT_EQ(0x00FF00u, catalogue.Color(1));
  const std::string expected = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "B") +
                               Slot(2, "0x00FF00", "1", "C") + Slot(3, "0xFF0000", "0") +
                               Slot(4, "0x808080", "1");
  EXPECT_EQ(expected, SaveBytes(catalogue));

  ItemCatalogue reloaded;
  reloaded.Load(ws_);
  EXPECT_EQ((std::vector<Text>{u"B", u"C"}), Names(reloaded));
  EXPECT_EQ((std::vector<uint32_t>{0x0000FF, 0x00FF00, 0xFF0000, 0x808080}), SlotColors(reloaded));
}

TEST_F(CatalogueTest, LongAndJapaneseNamesSurviveLoadAndSaveInCodePage932) {
  // Twelve characters, and a name with code page 932 trail bytes that are
  // ASCII '\' (ソ 83 5C, 表 95 5C) and '[' (ー 81 5B).
  const std::string file = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "ABCDEFGHIJKL") +
                           Slot(2, "0x00FF00", "1",
                                "\x95\x5C\x8C\x76\x8E\x5A\x83\x5C\x83\x74\x83\x67\x93\xFC\x97"
                                "\xCD\x8D\xEC\x8B\xC6\x81\x5B\x81\x60") +
                           Slot(3, "0xFF0000", "1", "\x8B\x78\x8C\x65");
  const ItemCatalogue catalogue = LoadFrom(file);
  EXPECT_EQ((std::vector<Text>{u"ABCDEFGHIJKL", u"表計算ソフト入力作業ー～", u"休憩"}), Names(catalogue));
  EXPECT_EQ(file, SaveBytes(catalogue));
}

TEST_F(CatalogueTest, UnicodeFilesAreWrittenBackInTheirOwnEncoding) {
  const std::u16string text = u"[ITEM]\r\nITEM1_COLOR=0x0000FF\r\nITEM1_STATICS=1\r\nITEM1_NAME=作業\U0001F600\r\n"
                              u"ITEM2_COLOR=0x00FF00\r\nITEM2_STATICS=0\r\nITEM2_NAME=☃\r\n";
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char16_t c : text) {
    le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  }
  const std::string utf8 = "\xEF\xBB\xBF" + TextToUtf8(text);
  for (const std::string& file : {utf8, le, be}) {
    const ItemCatalogue catalogue = LoadFrom(file);
    EXPECT_EQ((std::vector<Text>{u"作業\U0001F600", u"☃"}), Names(catalogue));
    EXPECT_EQ(file, SaveBytes(catalogue));
  }
}

TEST_F(CatalogueTest, ANameCodePage932CannotHoldSwitchesTheFileToUtf8) {
  ItemCatalogue catalogue = LoadFrom("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "a"));
  catalogue.ReplaceItem(0, u"雪☃", 0x0000FF);
  const std::string saved = SaveBytes(catalogue);
  EXPECT_EQ("\xEF\xBB\xBF[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "\xE9\x9B\xAA\xE2\x98\x83"), saved);
  ItemCatalogue reloaded;
  reloaded.Load(ws_);
  EXPECT_EQ((std::vector<Text>{u"雪☃"}), Names(reloaded));
}

TEST_F(CatalogueTest, HandEditedFileQuotesSpacesCommentsCaseAndDuplicates) {
  const ItemCatalogue catalogue = LoadFrom(
      "; my items\n"
      "[item]\n"
      "  item1_color =  0x0000ff  \n"
      "Item1_Statics=1\n"
      "ITEM1_NAME = \" \x8D\xEC\x8B\xC6 \" \n"
      "ITEM1_NAME=ignored, the first one wins\n"
      ";ITEM2_COLOR=0x00FF00\n"
      "[other]\n"
      "ITEM2_COLOR=0x00FF00\n");
  ASSERT_EQ(1, catalogue.SlotCount());
  EXPECT_EQ(0x0000FFu, catalogue.SlotColor(0));
  EXPECT_EQ(1, catalogue.SlotStatics(0));
  EXPECT_EQ((std::vector<Text>{u" 作業 "}), Names(catalogue));
  // Comments and other sections go; the name keeps its spaces by its quotes.
  EXPECT_EQ("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "\" \x8D\xEC\x8B\xC6 \""), SaveBytes(catalogue));
}

TEST_F(CatalogueTest, FailedSaveKeepsTheOldFileAndSaysSo) {
  const std::string old_file = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "old") + Slot(2, "0x00FF00", "1");
  const std::function<void()> faults[] = {
      [&] { files_.Fail(FileStep::Create); },  [&] { files_.Fail(FileStep::Write); },
      [&] { files_.Fail(FileStep::Flush); },   [&] { files_.Fail(FileStep::Close); },
      [&] { files_.Fail(FileStep::Replace); }, [&] { files_.DiskFullAfter(20); },
      [&] { files_.Lock(IniPath()); },  // last: only there the pending file can be written
  };
  const std::string saved = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "old") + Slot(2, "0x00FF00", "1", "new");
  for (size_t i = 0; i < std::size(faults); ++i) {
    SCOPED_TRACE(i);
    ItemCatalogue catalogue = LoadFrom(old_file);
    catalogue.AddName(u"new");
    notifier_.shown.clear();

    faults[i]();
    EXPECT_FALSE(catalogue.Save(ws_));
    EXPECT_EQ(old_file, ReadBytes(IniPath()));
    const bool locked = i + 1 == std::size(faults);
    if (locked) {
      EXPECT_EQ(saved, ReadBytes(PendingPath()));
    }
    const std::vector<Text> withPending = {u"Dorvane.ini", u"Dorvane.ini.~base", u"Dorvane.ini.~pending"};
    EXPECT_EQ(locked ? withPending : std::vector<Text>{u"Dorvane.ini"}, dir_.Names());
    ASSERT_EQ(1u, notifier_.shown.size());
    EXPECT_EQ(OpenFailure(), notifier_.shown[0].text);
    EXPECT_EQ(u"エラー", notifier_.shown[0].caption);
    EXPECT_EQ(MessageIcon::None, notifier_.shown[0].icon);
    EXPECT_EQ((std::vector<Text>{u"old", u"new"}), Names(catalogue));
    EXPECT_TRUE(catalogue.Unsaved());
    EXPECT_EQ(!locked, catalogue.ChangeHeldByNoFile()) << "only the pending file holds it";

    files_.Heal();
    EXPECT_EQ(saved, SaveBytes(catalogue));
    EXPECT_FALSE(catalogue.Unsaved());
    EXPECT_EQ(1u, notifier_.shown.size());
    EXPECT_EQ(std::vector<Text>{u"Dorvane.ini"}, dir_.Names());
  }
}

// A pending file based on what Dorvane.ini holds and naming an item is
// loaded until a quiet retry puts it in place; any other (unreadable, no
// record, a file edited since, no item) is kept aside and reported.
TEST_F(CatalogueTest, APendingFileIsLoadedInPlaceOfDorvaneIniUntilItIsPutInPlace) {
  const std::string old = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "old"), pending = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "new");
  const std::string edited = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "edited");
  enum class Then { kNothing, kUnreadable, kNoRecord, kEdited, kNoItem };
  const char16_t* const kUnread = u"ファイルを開けませんでした\r\n%s";
  const char16_t* const kUnused = u"保存できなかった変更のファイルを読み込みませんでした\r\n%s";
  struct Case {
    const char* name;
    Then then;
    const char16_t* message;  // before the kept-copy line; null: none
  };
  for (const Case& c : {Case{"based on Dorvane.ini", Then::kNothing, nullptr}, Case{"unreadable", Then::kUnreadable, kUnread},
                        Case{"no record", Then::kNoRecord, kUnused}, Case{"restored since", Then::kEdited, kUnused},
                        Case{"no item", Then::kNoItem, kUnused}}) {
    SCOPED_TRACE(c.name);
    for (const Text& name : dir_.Names()) std::filesystem::remove(std::filesystem::path(dir_.File(name)));
    {
      ItemCatalogue run = LoadFrom(old);
      run.ReplaceItem(0, c.then == Then::kNoItem ? Text() : Text(u"new"), 0x0000FF);
      files_.Lock(IniPath());
      EXPECT_FALSE(run.Save(ws_));
      files_.Heal();
      notifier_.shown.clear();
    }
    if (c.then == Then::kNoItem) WriteBytes(PendingPath(), "[ITEM]\r\n" + Slot(1, "0x0000FF", "1"));
    if (c.then == Then::kUnreadable) files_.Fail(FileStep::Read, u".~pending", 1);
    if (c.then == Then::kNoRecord) std::filesystem::remove(std::filesystem::path(dir_.File(u"Dorvane.ini.~base")));
    if (c.then == Then::kEdited) {
      WriteBytes(IniPath(), edited);
      Age(IniPath());  // a restore keeps its old write time
    }
    const std::string before = ReadBytes(PendingPath());
    ItemCatalogue catalogue;
    catalogue.Load(ws_);
    const bool adopted = c.then == Then::kNothing;
    EXPECT_EQ(Names(catalogue), std::vector<Text>{adopted ? u"new" : c.then == Then::kEdited ? u"edited" : u"old"});
    EXPECT_EQ(catalogue.Unsaved(), adopted);
    HoldPatience none = HoldPatience::None();
    EXPECT_TRUE(catalogue.Save(ws_, none, SaveKind::kQuiet));
    EXPECT_EQ(ReadBytes(IniPath()), adopted ? pending : c.then == Then::kEdited ? edited : old);
    // Dorvane.ini and, when the pending file was not used, the dated copy
    // that the only message names: no pending file, no record of its base.
    const std::vector<Text> names = dir_.Names();
    std::vector<Text> expected;
    if (c.message) {
      ASSERT_EQ(names.size(), 2u);
      const Text kept = names.back();  // "Dorvane.ini.~pending.<date>" sorts last
      EXPECT_EQ(names.front(), u"Dorvane.ini");
      EXPECT_EQ(ReadBytes(dir_.File(kept)), before);
      expected.push_back(FormatText(c.message, PendingPath().c_str()) +
                         (c.message == kUnread ? u"\r\n読み込めなかったファイルの控えを " : u"\r\n使わなかったファイルを ") +
                         dir_.File(kept) + u" に保存しました");
    } else {
      EXPECT_EQ(names, std::vector<Text>{u"Dorvane.ini"});
    }
    EXPECT_EQ(notifier_.Texts(), expected);
    notifier_.shown.clear();
  }
}

// A hand edit is taken in, or kept aside while a change of its own is unsaved.
TEST_F(CatalogueTest, EditsOfDorvaneIniAreTakenInOrKeptAside) {
  ItemCatalogue catalogue = LoadFrom("[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "a") + Slot(2, "0x00FF00", "1"));
  EXPECT_FALSE(catalogue.TakeInEdit(ws_));
  const std::string edit = "[ITEM]\r\n" + Slot(1, "0x0000FF", "1", "a") + Slot(2, "0x00FF00", "1", "b");
  SaveElsewhere(IniPath(), edit);
  EXPECT_TRUE(catalogue.TakeInEdit(ws_));
  EXPECT_EQ((std::vector<Text>{u"a", u"b"}), Names(catalogue));
  files_.Fail(FileStep::Replace, u"Dorvane.ini", 1);
  catalogue.RemoveName(0);
  EXPECT_FALSE(catalogue.Save(ws_));
  SaveElsewhere(IniPath(), "no settings");
  EXPECT_FALSE(catalogue.TakeInEdit(ws_)) << "its own change comes first";
  notifier_.shown.clear();
  HoldPatience none = HoldPatience::None();
  EXPECT_TRUE(catalogue.Save(ws_, none, SaveKind::kQuiet));
  EXPECT_EQ((std::vector<Text>{u"b"}), Names(LoadFrom(ReadBytes(IniPath()))));
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text.rfind(u"他のプログラムでもファイルが変更されていました\r\n" + IniPath() + u"\r\n他のプログラムが保存した内容を ", 0), 0u);
  EXPECT_EQ(dir_.Names().size(), 2u);
}

TEST_F(CatalogueTest, DefaultFileOffersEighteenSlotsAndFourItems) {
  const std::string defaults = DefaultIni();
  const ItemCatalogue catalogue = LoadFrom(defaults);
  ASSERT_EQ(18, catalogue.SlotCount());
  EXPECT_EQ((std::vector<Text>{u"作業", u"会議", u"休憩", u"移動"}), Names(catalogue));
  for (int k = 0; k < 18; ++k) EXPECT_EQ(1, catalogue.SlotStatics(k)) << k;
  // Exactly the form the program writes.
  EXPECT_EQ(defaults, SaveBytes(catalogue));
}

// The chart draws items side by side and marks unknown items white on a white
// page, so the shipped colours must stay apart from each other, from white and
// from black. Distances are CIE76 in L*a*b*.
TEST_F(CatalogueTest, DefaultColoursAreWellSeparated) {
  const ItemCatalogue catalogue = LoadFrom(DefaultIni());
  struct Lab {
    double l, a, b;
  };
  auto to_lab = [](uint32_t colorref) {
    auto linear = [](uint32_t byte) {
      const double c = byte / 255.0;
      return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double r = linear(colorref & 0xFF), g = linear(colorref >> 8 & 0xFF),
                 b = linear(colorref >> 16 & 0xFF);
    auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    const double fx = f((0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047);
    const double fy = f(0.2126 * r + 0.7152 * g + 0.0722 * b);
    const double fz = f((0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883);
    return Lab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
  };
  auto distance = [](Lab p, Lab q) { return std::hypot(p.l - q.l, p.a - q.a, p.b - q.b); };
  std::vector<Lab> labs;
  for (int k = 0; k < catalogue.SlotCount(); ++k) {
    ASSERT_EQ(0u, catalogue.SlotColor(k) >> 24) << k;
    labs.push_back(to_lab(catalogue.SlotColor(k)));
  }
  for (size_t k = 0; k < labs.size(); ++k) {
    EXPECT_LT(labs[k].l, 88) << "slot " << k + 1 << " too close to white";
    EXPECT_GT(labs[k].l, 30) << "slot " << k + 1 << " too close to black";
    if (k + 1 < labs.size()) {
      EXPECT_GT(distance(labs[k], labs[k + 1]), 45) << "slots " << k + 1 << ", " << k + 2;
    }
    for (size_t other = k + 1; other < labs.size(); ++other) {
      EXPECT_GT(distance(labs[k], labs[other]), 25) << "slots " << k + 1 << ", " << other + 1;
    }
  }
}
