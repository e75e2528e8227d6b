#include "shell/conf_dlg.h"

#include <optional>
#include <vector>

#include "resource.h"
#include "shell/message_box_notifier.h"
#include "shell/messages.h"
#include "win/centre.h"
#include "win/handles.h"
#include "win/list_view.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kSwatchWidth = 20;
constexpr int kSwatchHeight = 16;

// A list view row's state image holds its check box: 1 unchecked, 2 checked.
constexpr UINT kUncheckedImage = 1;
constexpr UINT kCheckedImage = 2;

class SystemPrompts : public ConfDlgPrompts {
 public:
  void Warn(HWND owner, const Text& text) override {
    MessageBoxNotifier(&owner).Show(text, kWarningCaption, MessageIcon::None);
  }
  bool ChooseColour(CHOOSECOLORW& choose) override { return ::ChooseColorW(&choose) != FALSE; }
};

// A 20 x 16 swatch of the colour appended to the image list; its index, or
// I_IMAGENONE when it could not be made (-1 would ask the list's owner).
int AppendSwatch(HIMAGELIST list, COLORREF colour) {
  WindowDC screen(nullptr);
  if (!screen) return I_IMAGENONE;
  OwnedDC dc(::CreateCompatibleDC(screen.Get()));
  OwnedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), kSwatchWidth, kSwatchHeight));
  OwnedBrush brush(::CreateSolidBrush(colour));
  if (!dc || !bitmap || !brush) return I_IMAGENONE;
  {
    ScopedSelect select(dc.Get(), bitmap.Get());
    const RECT all{0, 0, kSwatchWidth, kSwatchHeight};
    ::FillRect(dc.Get(), &all, brush.Get());
  }
  // The image list copies the bitmap; ours is deleted at the end.
  const int index = ::ImageList_Add(list, bitmap.Get(), nullptr);
  return index < 0 ? I_IMAGENONE : index;
}

UINT StateImage(UINT state) { return (state & LVIS_STATEIMAGEMASK) >> 12; }

}  // namespace

CustomColours WhiteCustomColours() {
  CustomColours colours;
  colours.fill(kWhite);
  return colours;
}

ConfDlgPrompts& SystemConfDlgPrompts() {
  static SystemPrompts prompts;
  return prompts;
}

CConfDlg::CConfDlg(ActivityData& data, CustomColours& customColours, ConfDlgPrompts& prompts)
    : CModalDialog(IDD_CONF), data_(data), customColours_(customColours), prompts_(prompts) {}

bool CConfDlg::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) {
  switch (msg) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_DRAWITEM: {
      if (wParam != IDC_CONF_COLOR) return false;
      OnDrawColourButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    }
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.idFrom != IDC_CONF_DATALIST) return false;
      if (header.code == LVN_ITEMACTIVATE) {
        OnItemActivate(*reinterpret_cast<const NMITEMACTIVATE*>(lParam));
      } else if (header.code == LVN_ITEMCHANGED) {
        OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
      } else {
        return false;
      }
      result = 0;
      return true;
    }
    case WM_COMMAND:
      result = 0;
      return OnCommand(LOWORD(wParam));
    default:
      return false;
  }
}

bool CConfDlg::OnCommand(UINT id) {
  switch (id) {
    case IDCANCEL:  // 閉じる, Esc and the close box
    case IDOK:      // Enter, should the dialog manager not name 閉じる as default
      EndDialog(IDCANCEL);
      return true;
    case IDC_CONF_ADD:
      OnAdd();
      return true;
    case IDC_CONF_DELETE:
      OnDelete();
      return true;
    case IDC_CONF_CHANGE:
      OnChange();
      return true;
    case IDC_CONF_COLOR:
      OnChooseColour();
      return true;
    default:
      return false;
  }
}

LRESULT CConfDlg::OnInitDialog() {
  CenterWindow(hwnd_);

  list_ = GetDlgItem(IDC_CONF_DATALIST);
  name_ = GetDlgItem(IDC_CONF_NAME);
  colourButton_ = GetDlgItem(IDC_CONF_COLOR);
  change_ = GetDlgItem(IDC_CONF_CHANGE);
  delete_ = GetDlgItem(IDC_CONF_DELETE);

  list_view::SetExtendedStyles(list_,
                               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
  list_view::InsertColumn(list_, 0, L"集計・表示色", 80, LVCFMT_CENTER);
  list_view::InsertColumn(list_, 1, L"項目", 230, LVCFMT_LEFT);
  // A limit on the field itself, so that nothing typed is cut silently.
  ::SendMessageW(name_, EM_SETLIMITTEXT, kItemNameFieldLimit, 0);

  EnableItemButtons(false);

  OwnedImageList swatches(::ImageList_Create(kSwatchWidth, kSwatchHeight, ILC_COLOR24, 0, 1));
  if (swatches) {
    swatches_ = swatches.Get();
    ::SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(swatches_));
    swatches.Release();  // the list destroys it with itself
  }

  Refill();
  SetCurrentColour(kWhite);
  return TRUE;
}

void CConfDlg::Refill() {
  list_view::DeleteAllRows(list_);
  // Read before the first row goes in: the list notifies item changes while
  // it inserts and ticks rows, and those may store flags.
  const std::vector<SlotRow> rows = SlotRows(data_.catalogue);
  for (const SlotRow& slot : rows) {
    const int image = swatches_ ? AppendSwatch(swatches_, slot.color) : I_IMAGENONE;
    const int row = list_view::AppendRow(list_, Text(), image);
    if (row < 0) continue;

    LVITEMW state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(slot.statics != 0 ? kCheckedImage : kUncheckedImage);
    ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));

    list_view::SetCell(list_, row, 1, slot.name);
  }
}

void CConfDlg::OnDrawColourButton(const DRAWITEMSTRUCT& draw) {
  // Neither focus nor the pressed state is drawn: the button only shows the
  // colour.
  RECT client{};
  ::GetClientRect(draw.hwndItem, &client);
  DrawColourButton(draw.hDC, client, currentColour_);
}

void CConfDlg::OnItemActivate(const NMITEMACTIVATE& activate) {
  const int row = activate.iItem;
  if (row < 0) return;  // no row was activated
  const ItemCatalogue& catalogue = data_.catalogue;
  if (row < catalogue.Count()) {
    SetCurrentColour(catalogue.Color(row));
    ::SetWindowTextW(name_, WStr(catalogue.Name(row)));
    EnableItemButtons(true);
  } else {
    SetCurrentColour(kWhite);
    ::SetWindowTextW(name_, L"");
    EnableItemButtons(false);
  }
}

void CConfDlg::OnItemChanged(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE)) return;
  const std::optional<int32_t> flag = StaticsToStore(
      data_.catalogue, change.iItem, StateImage(change.uOldState), StateImage(change.uNewState));
  if (!flag || Reloaded()) return;
  data_.catalogue.SetStatics(change.iItem, *flag);
  SaveCatalogue();
}

void CConfDlg::OnAdd() {
  if (Reloaded()) return;
  // The current colour plays no part: the new item takes its slot's colour.
  if (WarnIfRefused(AddItem(data_.catalogue, NameFieldText()))) return;
  SaveCatalogue();
  Refill();
}

void CConfDlg::OnDelete() {
  if (Reloaded()) return;
  DeleteItem(data_.catalogue, SelectedRow());
  // Also when no item row was selected: the file is rewritten as it is.
  SaveCatalogue();
  Refill();
}

void CConfDlg::OnChange() {
  if (Reloaded()) return;
  const ItemEdit result = ChangeItem(data_.catalogue, SelectedRow(), NameFieldText(), currentColour_);
  if (WarnIfRefused(result)) return;  // also nothing to change
  SaveCatalogue();
  Refill();
}

void CConfDlg::OnChooseColour() {
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = ::GetActiveWindow();
  // No CC_RGBINIT: the dialog opens on black, not on the current colour.
  // No CC_FULLOPEN: the custom-colour part stays closed.
  choose.rgbResult = 0;
  choose.lpCustColors = customColours_.data();
  choose.Flags = 0;
  if (prompts_.ChooseColour(choose)) SetCurrentColour(choose.rgbResult);
}

void CConfDlg::SetCurrentColour(COLORREF colour) {
  currentColour_ = colour;
  if (colourButton_) ::InvalidateRect(colourButton_, nullptr, FALSE);
}

void CConfDlg::EnableItemButtons(bool enable) {
  ::EnableWindow(change_, enable);
  ::EnableWindow(delete_, enable);
}

Text CConfDlg::NameFieldText() const {
  const int length = ::GetWindowTextLengthW(name_);
  std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  ::GetWindowTextW(name_, buffer.data(), static_cast<int>(buffer.size()));
  const int row = SelectedRow();
  const ItemCatalogue& catalogue = data_.catalogue;
  const Text selected = row >= 0 && row < catalogue.Count() ? catalogue.Name(row) : Text();
  return TakeNameFieldText(FromWStr(buffer.data()), selected);
}

int CConfDlg::SelectedRow() const { return list_view::SelectedRow(list_); }

bool CConfDlg::WarnIfRefused(ItemEdit result) {
  if (result == ItemEdit::kDone) return false;
  if (const char16_t* text = ItemEditWarning(result)) prompts_.Warn(hwnd_, text);
  return true;
}

// An item the user acts on by its row may be another after an edit made
// elsewhere: the list shows the edit and nothing is applied.
bool CConfDlg::Reloaded() {
  if (!data_.catalogue.TakeInEdit(data_.ws)) return false;
  Refill();
  return true;
}

void CConfDlg::SaveCatalogue() {
  // A failure has been shown to the user; the catalogue in memory stays as
  // the user left it, and the next change tries again.
  data_.catalogue.Save(data_.ws);
}
