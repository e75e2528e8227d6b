#include "shell/conf_dlg.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "resource.h"
#include "support/faulty_files.h"
#include "support/ini_by_hand.h"
#include "support/modal_spy.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"
#include "support/win32_messages.h"
#include "win/handles.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Warning {
  HWND owner;
  Text text;
};

struct ColourCall {
  CHOOSECOLORW choose;
  CustomColours customSeen;
};

// Answers the colour dialog from a script of (OK?, colour) and may change
// the custom colours as a user would; records every warning.
class FakePrompts : public ConfDlgPrompts {
 public:
  void Warn(HWND owner, const Text& text) override { warnings.push_back(Warning{owner, text}); }
  bool ChooseColour(CHOOSECOLORW& choose) override {
    ColourCall call{choose, {}};
    std::copy(choose.lpCustColors, choose.lpCustColors + 16, call.customSeen.begin());
    colourCalls.push_back(call);
    if (defineCustom) choose.lpCustColors[defineCustomAt] = defineCustom;
    if (answers.empty()) return false;
    auto [ok, colour] = answers.front();
    answers.pop_front();
    if (ok) choose.rgbResult = colour;
    return ok;
  }

  std::vector<Warning> warnings;
  std::vector<ColourCall> colourCalls;
  std::deque<std::pair<bool, COLORREF>> answers;
  COLORREF defineCustom = 0;
  int defineCustomAt = 0;
};

// The open dialog, seen as a user sees it.
class Dialog {
 public:
  Dialog(HWND hwnd, const CConfDlg& object)
      : hwnd_(hwnd), list_(::GetDlgItem(hwnd, IDC_CONF_DATALIST)), object_(object) {}

  HWND Hwnd() const { return hwnd_; }
  COLORREF CurrentColour() const { return object_.CurrentColour(); }
  HWND List() const { return list_; }

  int Rows() const { return static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Text(int row, int column) const {
    wchar_t buffer[64] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 64;
    ::SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (int r = 0; r < Rows(); ++r) names.push_back(Text(r, 1));
    return names;
  }
  UINT StateImage(int row) const {
    return (static_cast<UINT>(::SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK)) &
            LVIS_STATEIMAGEMASK) >> 12;
  }
  std::vector<bool> Ticks() const {
    std::vector<bool> ticks;
    for (int r = 0; r < Rows(); ++r) ticks.push_back(StateImage(r) == 2);
    return ticks;
  }
  int Image(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  HIMAGELIST Swatches() const {
    return reinterpret_cast<HIMAGELIST>(::SendMessageW(list_, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  }
  // The colour in the middle of a row's swatch.
  COLORREF SwatchColour(int row) const {
    WindowDC screen(nullptr);
    OwnedDC dc(::CreateCompatibleDC(screen.Get()));
    OwnedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), 20, 16));
    ScopedSelect select(dc.Get(), bitmap.Get());
    ::ImageList_Draw(Swatches(), Image(row), dc.Get(), 0, 0, ILD_NORMAL);
    return ::GetPixel(dc.Get(), 10, 8);
  }

  void SetTick(int row, bool ticked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    ::SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  void Select(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  int Selected() const {
    return static_cast<int>(::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  // What a click on the row reports with one-click activation: the row is
  // selected and activated.
  void Activate(int row) {
    Select(row);
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = list_;
    activate.hdr.idFrom = IDC_CONF_DATALIST;
    activate.hdr.code = LVN_ITEMACTIVATE;
    activate.iItem = row;
    ::SendMessageW(hwnd_, WM_NOTIFY, IDC_CONF_DATALIST, reinterpret_cast<LPARAM>(&activate));
  }

  HWND NameField() const { return ::GetDlgItem(hwnd_, IDC_CONF_NAME); }
  void SetName(const std::wstring& text) { ::SetWindowTextW(NameField(), text.c_str()); }
  std::wstring Name() const {
    wchar_t buffer[64] = {};
    ::GetWindowTextW(NameField(), buffer, 64);
    return buffer;
  }
  void Press(int id) {
    ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hwnd_, id)));
  }
  bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(hwnd_, id)) != FALSE; }

 private:
  HWND hwnd_;
  HWND list_;
  const CConfDlg& object_;
};

class ConfDlgTest : public ::testing::Test {
 protected:
  ConfDlgTest() : data_(Workspace{dir_.Path(), files_, notifier_}) {}
  void SetUp() override { DrainMessages(); }

  // Slots red, green, blue, grey with flags 1, 0, 2, 0 and items A, B, C.
  void ThreeItemsAndAFreeSlot() {
    data_.catalogue.AddSlot(kRed, 1);
    data_.catalogue.AddSlot(kGreen, 0);
    data_.catalogue.AddSlot(kBlue, 2);
    data_.catalogue.AddSlot(kGrey, 0);
    for (const char16_t* name : {u"A", u"B", u"C"}) data_.catalogue.AddName(name);
  }

  // Opens the dialog, runs the body in it, and returns DoModal's result.
  INT_PTR Run(const std::function<void(Dialog&)>& body) {
    CConfDlg dialog(data_, customColours_, prompts_);
    ModalSpy spy(L"Dorvane 設定", [&](HWND hwnd) {
      Dialog d(hwnd, dialog);
      body(d);
    }, ModalSpy::kCancelAfter);
    const INT_PTR result = dialog.DoModal(nullptr);
    EXPECT_TRUE(spy.Acted());
    return result;
  }

  std::string Ini() const {
    return ReadBytes(dir_.File(u"Dorvane.ini"));
  }

  std::vector<int32_t> Flags() const {
    std::vector<int32_t> flags;
    for (int k = 0; k < data_.catalogue.SlotCount(); ++k) flags.push_back(data_.catalogue.SlotStatics(k));
    return flags;
  }

  std::vector<Text> Names() const {
    std::vector<Text> names;
    for (int j = 0; j < data_.catalogue.Count(); ++j) names.push_back(data_.catalogue.Name(j));
    return names;
  }

  // The settings file's rewrites since the last CountSavesFromHere.
  int Saves() const { return files_.Calls(FileStep::Replace) - savesBefore_; }
  void CountSavesFromHere() { savesBefore_ = files_.Calls(FileStep::Replace); }

  TempDir dir_;
  FaultyFileSystem files_;
  int savesBefore_ = 0;
  RecordingNotifier notifier_;
  ActivityData data_;
  FakePrompts prompts_;
  CustomColours customColours_ = WhiteCustomColours();
};

// ---- what the dialog shows ----

TEST_F(ConfDlgTest, ListHasItsColumnsStylesAndOneRowPerSlot) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    HWND list = d.List();
    const DWORD extended = static_cast<DWORD>(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE),
              extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE));
    struct Column {
      const wchar_t* header;
      int width;
      int format;
    };
    const Column columns[] = {{L"集計・表示色", 80, LVCFMT_CENTER}, {L"項目", 230, LVCFMT_LEFT}};
    for (int c = 0; c < 2; ++c) {
      wchar_t header[32] = {};
      LVCOLUMNW col{};
      col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
      col.pszText = header;
      col.cchTextMax = 32;
      ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&col))) << c;
      EXPECT_STREQ(columns[c].header, header);
      EXPECT_EQ(columns[c].width, col.cx) << c;
      EXPECT_EQ(columns[c].format, col.fmt & LVCFMT_JUSTIFYMASK) << c;
    }
    wchar_t caption[32] = {};
    ::GetWindowTextW(d.Hwnd(), caption, 32);
    EXPECT_STREQ(L"Dorvane 設定", caption);

    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C", L""}), d.Names());
    EXPECT_EQ(L"", d.Text(0, 0));
    EXPECT_EQ(-1, d.Selected()) << "no row selected after the fill";
    EXPECT_FALSE(d.Enabled(IDC_CONF_CHANGE));
    EXPECT_FALSE(d.Enabled(IDC_CONF_DELETE));
    EXPECT_TRUE(d.Enabled(IDC_CONF_ADD));
    EXPECT_EQ(20, static_cast<int>(::SendMessageW(d.NameField(), EM_GETLIMITTEXT, 0, 0)));
  });
}

TEST_F(ConfDlgTest, EachRowHasItsSlotsSwatchAndEachFillAppendsNewOnes) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    HIMAGELIST swatches = d.Swatches();
    ASSERT_NE(nullptr, swatches);
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(swatches, &cx, &cy);
    EXPECT_EQ(20, cx);
    EXPECT_EQ(16, cy);
    EXPECT_EQ(4, ::ImageList_GetImageCount(swatches));
    const COLORREF colours[] = {kRed, kGreen, kBlue, kGrey};
    for (int r = 0; r < 4; ++r) {
      EXPECT_EQ(r, d.Image(r));
      EXPECT_EQ(colours[r], d.SwatchColour(r)) << r;
    }

    // Delete the first item: every row gets a fresh swatch of its slot's
    // colour, appended after the old ones.
    d.Select(0);
    d.Press(IDC_CONF_DELETE);
    EXPECT_EQ(8, ::ImageList_GetImageCount(swatches));
    EXPECT_EQ((std::vector<std::wstring>{L"B", L"C", L"", L""}), d.Names());
    for (int r = 0; r < 4; ++r) {
      EXPECT_EQ(4 + r, d.Image(r));
      EXPECT_EQ(colours[r], d.SwatchColour(r)) << "colours stay with their slots";
    }
  });
}

// ---- check boxes and flags ----

TEST_F(ConfDlgTest, OpeningStoresOnlyAFlagOtherThanZeroAndOne) {
  ThreeItemsAndAFreeSlot();  // flags 1, 0, 2, 0
  Run([&](Dialog& d) {
    EXPECT_EQ((std::vector<bool>{true, false, true, false}), d.Ticks());
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), Flags());
    EXPECT_EQ(1, Saves()) << "the 2 became 1, once";
  });
  EXPECT_NE(std::string::npos, Ini().find("ITEM3_STATICS=1\r\n"));

  // With flags of 0 and 1 only, opening and closing writes nothing.
  CountSavesFromHere();
  const std::string before = Ini();
  EXPECT_EQ(IDCANCEL, Run([](Dialog&) {}));
  EXPECT_EQ(0, Saves());
  EXPECT_EQ(before, Ini());
}

TEST_F(ConfDlgTest, UntickingAndTickingARowStoresItsFlagAtOnce) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    CountSavesFromHere();
    d.SetTick(0, false);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 1, 0}), Flags());
    EXPECT_EQ(1, Saves());
    EXPECT_NE(std::string::npos, Ini().find("ITEM1_STATICS=0\r\n"));

    d.SetTick(3, true);  // a free slot has a flag too
    EXPECT_EQ((std::vector<int32_t>{0, 0, 1, 1}), Flags());
    EXPECT_EQ(2, Saves());
    EXPECT_NE(std::string::npos, Ini().find("ITEM4_STATICS=1\r\n"));

    // Selecting and activating rows changes no flag.
    d.Activate(1);
    d.Activate(2);
    EXPECT_EQ(2, Saves());
  });
}

// ---- add ----

TEST_F(ConfDlgTest, AddTakesTheFieldsNameAndTheSlotsColour) {
  ThreeItemsAndAFreeSlot();
  prompts_.answers.push_back({true, RGB(1, 2, 3)});
  Run([&](Dialog& d) {
    d.Press(IDC_CONF_COLOR);
    ASSERT_EQ(RGB(1, 2, 3), d.CurrentColour());
    d.SetName(L"会議");
    d.Press(IDC_CONF_ADD);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C", L"会議"}), d.Names());
    EXPECT_TRUE(prompts_.warnings.empty());
    EXPECT_EQ(L"会議", d.Name()) << "the field keeps its text";
  });
  EXPECT_EQ(kGrey, data_.catalogue.Color(3)) << "not the colour chosen before";
  const std::string ini = Ini();
  EXPECT_NE(std::string::npos, ini.find("ITEM4_COLOR=0x808080\r\nITEM4_STATICS=0\r\nITEM4_NAME="));
}

TEST_F(ConfDlgTest, RefusedNamesWarnOwnedByTheDialogAndChangeNothing) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    const std::string before = Ini();
    const int saves = Saves();
    struct Case {
      const wchar_t* name;
      const char16_t* warning;
    };
    const Case cases[] = {
        {L"A", u"同じ名前の項目が既にあります"},
        {L"", nullptr},
        {L"a b", nullptr},
        {L"会\u3000議", nullptr},
        {L"x,y", nullptr},
    };
    for (const Case& tc : cases) {
      prompts_.warnings.clear();
      d.SetName(tc.name);
      d.Press(IDC_CONF_ADD);
      ASSERT_EQ(1u, prompts_.warnings.size()) << "one warning";
      EXPECT_EQ(d.Hwnd(), prompts_.warnings[0].owner);
      if (tc.warning) {
        EXPECT_EQ(Text(tc.warning), prompts_.warnings[0].text);
      }
    }
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C", L""}), d.Names());
    EXPECT_EQ(saves, Saves());
    EXPECT_EQ(before, Ini());

    // Letter case makes another name.
    prompts_.warnings.clear();
    d.SetName(L"a");
    d.Press(IDC_CONF_ADD);
    EXPECT_TRUE(prompts_.warnings.empty());
    // Now every slot has an item.
    d.SetName(L"Z");
    d.Press(IDC_CONF_ADD);
    ASSERT_EQ(1u, prompts_.warnings.size());
    EXPECT_EQ(Text(u"これ以上追加できません"), prompts_.warnings[0].text);
  });
  EXPECT_EQ((std::vector<Text>{u"A", u"B", u"C", u"a"}), Names());
}

TEST_F(ConfDlgTest, WithoutSlotsAddAlwaysSaysTheCatalogueIsFull) {
  Run([&](Dialog& d) {
    EXPECT_EQ(0, d.Rows());
    d.SetName(L"A");
    d.Press(IDC_CONF_ADD);
    ASSERT_EQ(1u, prompts_.warnings.size());
    EXPECT_EQ(Text(u"これ以上追加できません"), prompts_.warnings[0].text);
  });
  EXPECT_EQ(0, Saves());
}

TEST_F(ConfDlgTest, TheNameFieldStopsAtTwentyAndLongerTextIsCut) {
  data_.catalogue.AddSlot(kRed, 1);
  data_.catalogue.AddSlot(kGreen, 1);
  Run([&](Dialog& d) {
    const std::wstring twentyFive = L"あいうえおかきくけこさしすせそたちつてとなにぬねの";
    for (wchar_t c : twentyFive) ::SendMessageW(d.NameField(), WM_CHAR, c, 0);
    EXPECT_EQ(twentyFive.substr(0, 20), d.Name()) << "typing stops at 20";
    // Only another program can set more; the first 20 are taken.
    ::SetWindowTextW(d.NameField(), (L"x" + twentyFive).c_str());
    d.Press(IDC_CONF_ADD);
  });
  ASSERT_EQ(1, data_.catalogue.Count());
  EXPECT_EQ(u"xあいうえおかきくけこさしすせそたちつて", data_.catalogue.Name(0));
}

// ---- activate, change, delete ----

TEST_F(ConfDlgTest, ActivatingARowLoadsItsItemOrClearsTheField) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    d.Activate(1);
    EXPECT_EQ(L"B", d.Name());
    EXPECT_TRUE(d.Enabled(IDC_CONF_CHANGE));
    EXPECT_TRUE(d.Enabled(IDC_CONF_DELETE));
    d.Activate(3);
    EXPECT_EQ(L"", d.Name());
    EXPECT_FALSE(d.Enabled(IDC_CONF_CHANGE));
    EXPECT_FALSE(d.Enabled(IDC_CONF_DELETE));
  });
}

TEST_F(ConfDlgTest, ChangeRenamesAndRecoloursTheSelectedItem) {
  ThreeItemsAndAFreeSlot();
  prompts_.answers.push_back({true, RGB(10, 20, 30)});
  Run([&](Dialog& d) {
    EXPECT_EQ(kWhite, d.CurrentColour());
    d.Activate(1);
    EXPECT_EQ(kGreen, d.CurrentColour());
    d.Press(IDC_CONF_COLOR);
    EXPECT_EQ(RGB(10, 20, 30), d.CurrentColour());
    d.SetName(L"Bee");
    d.Press(IDC_CONF_CHANGE);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"Bee", L"C", L""}), d.Names());
    EXPECT_EQ(RGB(10, 20, 30), d.SwatchColour(1));
    EXPECT_EQ(-1, d.Selected()) << "the fill clears the selection";
    EXPECT_TRUE(d.Enabled(IDC_CONF_CHANGE)) << "the buttons stay as they were";
  });
  EXPECT_EQ(RGB(10, 20, 30), data_.catalogue.Color(1));
  EXPECT_EQ(0, data_.catalogue.Statics(1));
  EXPECT_NE(std::string::npos, Ini().find("ITEM2_COLOR=0x1E140A\r\nITEM2_STATICS=0\r\nITEM2_NAME=Bee\r\n"));
}

TEST_F(ConfDlgTest, ChangeWithTheSameNameRecoloursOnlyAndAnotherItemsNameWarns) {
  ThreeItemsAndAFreeSlot();
  prompts_.answers.push_back({true, kWhite});
  Run([&](Dialog& d) {
    d.Activate(2);
    d.Press(IDC_CONF_COLOR);
    d.Press(IDC_CONF_CHANGE);
    EXPECT_TRUE(prompts_.warnings.empty());
    d.Activate(2);
    d.SetName(L"A");
    d.Press(IDC_CONF_CHANGE);
    ASSERT_EQ(1u, prompts_.warnings.size());
    EXPECT_EQ(Text(u"同じ名前の項目が既にあります"), prompts_.warnings[0].text);
  });
  EXPECT_EQ((std::vector<Text>{u"A", u"B", u"C"}), Names());
  EXPECT_EQ(kWhite, data_.catalogue.Color(2));
}

TEST_F(ConfDlgTest, ChangeKeepsTheWholeOfALongNameTheFieldStillHolds) {
  const Text longName(30, u'長');  // the settings file allows more than the field takes
  data_.catalogue.AddSlot(kRed, 1);
  data_.catalogue.AddName(longName);
  prompts_.answers.push_back({true, kWhite});
  Run([&](Dialog& d) {
    d.Activate(0);
    d.Press(IDC_CONF_COLOR);
    d.Press(IDC_CONF_CHANGE);
  });
  EXPECT_EQ((std::vector<Text>{longName}), Names());
  EXPECT_EQ(kWhite, data_.catalogue.Color(0));
}

TEST_F(ConfDlgTest, ChangeWithoutAnItemRowDoesNothing) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    const int saves = Saves();
    d.Activate(0);  // enables 変更, then the selection goes away
    d.Select(0);
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    ::SendMessageW(d.List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    ASSERT_EQ(-1, d.Selected());
    d.SetName(L"X");
    d.Press(IDC_CONF_CHANGE);
    d.Select(3);  // a free slot chosen with the keyboard while 変更 is enabled
    d.Press(IDC_CONF_CHANGE);
    EXPECT_TRUE(prompts_.warnings.empty());
    EXPECT_EQ(saves, Saves());
  });
  EXPECT_EQ((std::vector<Text>{u"A", u"B", u"C"}), Names());
}

TEST_F(ConfDlgTest, DeleteRemovesTheSelectedItemAndAlwaysRewritesTheFile) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    const int saves = Saves();
    d.Press(IDC_CONF_DELETE);  // nothing selected: nothing removed, still saved
    EXPECT_EQ(saves + 1, Saves());
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C", L""}), d.Names());
    d.Select(1);
    d.Press(IDC_CONF_DELETE);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"C", L"", L""}), d.Names());
  });
  EXPECT_EQ(kGreen, data_.catalogue.Color(1)) << "C moved into B's green slot";
  EXPECT_EQ(std::string::npos, Ini().find("ITEM3_NAME"));
}

// ---- the colour dialog and the colour button ----

TEST_F(ConfDlgTest, TheColourDialogOpensOnBlackClosedAndKeepsItsCustomColours) {
  data_.catalogue.AddSlot(kRed, 1);
  prompts_.defineCustom = RGB(9, 8, 7);
  prompts_.defineCustomAt = 5;
  prompts_.answers.push_back({false, 0});
  Run([&](Dialog& d) {
    d.Press(IDC_CONF_COLOR);
    ASSERT_EQ(1u, prompts_.colourCalls.size());
    const CHOOSECOLORW& cc = prompts_.colourCalls[0].choose;
    EXPECT_EQ(sizeof(CHOOSECOLORW), cc.lStructSize);
    EXPECT_EQ(0u, cc.rgbResult);
    EXPECT_EQ(0u, cc.Flags & (CC_RGBINIT | CC_FULLOPEN));
    EXPECT_EQ(customColours_.data(), cc.lpCustColors);
    EXPECT_EQ(WhiteCustomColours(), prompts_.colourCalls[0].customSeen);
  });
  // Cancelled: the current colour stays; a second dialog of the same run
  // sees the custom colour the user defined in the first.
  prompts_.defineCustom = 0;
  Run([&](Dialog& d) {
    d.Press(IDC_CONF_COLOR);
    EXPECT_EQ(kWhite, d.CurrentColour()) << "cancel changes nothing";
  });
  ASSERT_EQ(2u, prompts_.colourCalls.size());
  EXPECT_EQ(RGB(9, 8, 7), prompts_.colourCalls[1].customSeen[5]);
  EXPECT_EQ(kWhite, prompts_.colourCalls[1].customSeen[4]);
}

TEST(ColourButtonTest, FillsWithTheColourAndDrawsTheSunkenEdge) {
  constexpr int kWidth = 30, kHeight = 21;
  WindowDC screen(nullptr);
  OwnedDC dc(::CreateCompatibleDC(screen.Get()));
  OwnedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), kWidth + 2, kHeight + 2));
  ScopedSelect select(dc.Get(), bitmap.Get());
  const RECT outside{0, 0, kWidth + 2, kHeight + 2};
  OwnedBrush magenta(::CreateSolidBrush(RGB(255, 0, 255)));
  ::FillRect(dc.Get(), &outside, magenta.Get());

  const RECT button{1, 1, 1 + kWidth, 1 + kHeight};
  const COLORREF colour = RGB(12, 140, 200);
  DrawColourButton(dc.Get(), button, colour);

  constexpr COLORREF kBlack = RGB(0, 0, 0), kLight = RGB(200, 200, 200), kOut = RGB(255, 0, 255);
  auto at = [&](int x, int y) { return ::GetPixel(dc.Get(), x, y); };
  const int l = button.left, t = button.top, r = button.right - 1, b = button.bottom - 1;
  // Nothing outside the rectangle.
  for (int x = 0; x < kWidth + 2; ++x) {
    EXPECT_EQ(kOut, at(x, 0));
    EXPECT_EQ(kOut, at(x, kHeight + 1));
  }
  for (int y = 0; y < kHeight + 2; ++y) {
    EXPECT_EQ(kOut, at(0, y));
    EXPECT_EQ(kOut, at(kWidth + 1, y));
  }
  // Top row black to the last column; left column black down to the last
  // row but one; the last row and the right column light grey below the top.
  for (int x = l; x <= r; ++x) EXPECT_EQ(kBlack, at(x, t)) << x;
  for (int y = t; y < b; ++y) EXPECT_EQ(kBlack, at(l, y)) << y;
  for (int x = l; x <= r; ++x) EXPECT_EQ(kLight, at(x, b)) << x;
  for (int y = t + 1; y <= b; ++y) EXPECT_EQ(kLight, at(r, y)) << y;
  for (int y = t + 1; y < b; ++y) {
    for (int x = l + 1; x < r; ++x) ASSERT_EQ(colour, at(x, y)) << x << "," << y;
  }
}

TEST_F(ConfDlgTest, TheButtonShowsTheActivatedItemsColour) {
  ThreeItemsAndAFreeSlot();
  Run([&](Dialog& d) {
    HWND button = ::GetDlgItem(d.Hwnd(), IDC_CONF_COLOR);
    auto middle = [&] {
      ::UpdateWindow(button);
      RECT rc{};
      ::GetClientRect(button, &rc);
      WindowDC screen(nullptr);
      OwnedDC dc(::CreateCompatibleDC(screen.Get()));
      OwnedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), rc.right, rc.bottom));
      ScopedSelect select(dc.Get(), bitmap.Get());
      // Ask the dialog to draw the button into our bitmap as it would on
      // screen.
      DRAWITEMSTRUCT draw{};
      draw.CtlType = ODT_BUTTON;
      draw.CtlID = IDC_CONF_COLOR;
      draw.itemAction = ODA_DRAWENTIRE;
      draw.hwndItem = button;
      draw.hDC = dc.Get();
      draw.rcItem = rc;
      ::SendMessageW(d.Hwnd(), WM_DRAWITEM, IDC_CONF_COLOR, reinterpret_cast<LPARAM>(&draw));
      return ::GetPixel(dc.Get(), rc.right / 2, rc.bottom / 2);
    };
    EXPECT_EQ(kWhite, middle()) << "white when the dialog opens";
    d.Activate(2);
    EXPECT_EQ(kBlue, middle());
    d.Activate(3);
    EXPECT_EQ(kWhite, middle()) << "a free slot resets it";
  });
}

TEST_F(ConfDlgTest, EnterEscAndTheCloseBoxEndTheDialogWithTwo) {
  data_.catalogue.AddSlot(kRed, 1);
  for (UINT command : {static_cast<UINT>(IDCANCEL), static_cast<UINT>(IDOK)}) {
    EXPECT_EQ(2, Run([&](Dialog& d) { ::SendMessageW(d.Hwnd(), WM_COMMAND, command, 0); })) << command;
  }
  EXPECT_EQ(2, Run([&](Dialog& d) { ::SendMessageW(d.Hwnd(), WM_CLOSE, 0, 0); }));
  EXPECT_EQ(0, Saves());
}

// Dorvane.ini saved by another program while the dialog is open: the next
// operation on a row applies nothing, saves nothing, and the list shows the
// edit, so that the user acts on what is there.
TEST_F(ConfDlgTest, AnOperationAfterAnEditElsewhereShowsTheEditAndAppliesNothing) {
  struct Case {
    const char* what;
    std::function<void(Dialog&)> act;
  };
  const Case cases[] = {
      {"追加", [](Dialog& d) { d.SetName(L"D"); d.Press(IDC_CONF_ADD); }},
      {"削除", [](Dialog& d) { d.Press(IDC_CONF_DELETE); }},
      {"変更", [](Dialog& d) { d.SetName(L"E"); d.Press(IDC_CONF_CHANGE); }},
      {"a tick", [](Dialog& d) { d.SetTick(1, false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(dir_.File(u"Dorvane.ini"), IniByHand({u"A", u"B", u"C"}));
    data_.catalogue.TakeInEdit(data_.ws);
    ASSERT_EQ(Names(), (std::vector<Text>{u"A", u"B", u"C"}));
    std::vector<std::wstring> shown;
    Run([&](Dialog& d) {
      d.Activate(0);
      WriteBytes(dir_.File(u"Dorvane.ini"), IniByHand({u"X", u"Y"}));
      CountSavesFromHere();
      c.act(d);
      shown = d.Names();
    });
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"X", L"Y"}));
    EXPECT_EQ(Names(), (std::vector<Text>{u"X", u"Y"}));
    EXPECT_EQ(Saves(), 0);
  }
  EXPECT_TRUE(notifier_.shown.empty());
}

}  // namespace
