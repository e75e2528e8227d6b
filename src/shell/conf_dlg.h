// CConfDlg: the modal item settings dialog (dialog 131). One row per colour
// slot, named or free, with the slot's statistics flag as a check box, its
// colour as a swatch and its item's name; add, change, delete, and a colour
// button. Every change is saved at once, so closing saves nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <array>

#include "base/text.h"
#include "data/activity_data.h"
#include "data/item_settings.h"
#include "win/window.h"

// The colour dialog's 16 custom colours: one table for the whole run, white
// at start, kept between openings, never saved.
using CustomColours = std::array<COLORREF, 16>;
CustomColours WhiteCustomColours();

// The platform dialogs the settings dialog opens; tests answer them.
class ConfDlgPrompts {
 public:
  virtual ~ConfDlgPrompts() = default;
  // A message box owned by the dialog, caption kWarningCaption, an OK button.
  virtual void Warn(HWND owner, const Text& text) = 0;
  // ChooseColorW: true on OK, with the choice in rgbResult.
  virtual bool ChooseColour(CHOOSECOLORW& choose) = 0;
};
ConfDlgPrompts& SystemConfDlgPrompts();

// Paints the colour button: the colour over the whole rectangle, a black
// line up the left edge and along the top, a light grey one along the
// bottom and up the right edge on the last pixels inside.
void DrawColourButton(HDC dc, const RECT& rect, COLORREF colour);

class CConfDlg : public CModalDialog {
 public:
  CConfDlg(ActivityData& data, CustomColours& customColours,
           ConfDlgPrompts& prompts = SystemConfDlgPrompts());

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;

  COLORREF CurrentColour() const { return currentColour_; }

 private:
  LRESULT OnInitDialog();
  void OnDrawColourButton(const DRAWITEMSTRUCT& draw);
  void OnItemActivate(const NMITEMACTIVATE& activate);
  void OnItemChanged(const NMLISTVIEW& change);
  bool OnCommand(UINT id);
  void OnAdd();
  void OnDelete();
  void OnChange();
  void OnChooseColour();

  void Refill();
  void SetCurrentColour(COLORREF colour);
  void EnableItemButtons(bool enable);
  // The name field's text, at most its first 20 characters.
  Text NameFieldText() const;
  int SelectedRow() const;
  // Shows the warning for a refused edit; false when there was none.
  bool WarnIfRefused(ItemEdit result);
  bool Reloaded();
  void SaveCatalogue();

  ActivityData& data_;
  CustomColours& customColours_;
  ConfDlgPrompts& prompts_;

  // The list destroys its image list with itself (no LVS_SHAREIMAGELISTS).
  HIMAGELIST swatches_ = nullptr;
  HWND list_ = nullptr;
  HWND name_ = nullptr;
  HWND colourButton_ = nullptr;
  COLORREF currentColour_ = RGB(255, 255, 255);
  HWND change_ = nullptr;
  HWND delete_ = nullptr;
};
