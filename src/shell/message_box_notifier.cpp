#include "shell/message_box_notifier.h"

unsigned MessageBoxStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Warning:
      return MB_OK | MB_ICONWARNING;
    case MessageIcon::Information:
      return MB_OK | MB_ICONINFORMATION;
    case MessageIcon::Error:
      return MB_OK | MB_ICONERROR;
    case MessageIcon::None:
      break;
  }
  return MB_OK;
}

namespace {
// One thread: no box is shown on another.
bool unasked = false;
}  // namespace

UnaskedBoxes::UnaskedBoxes() : previous_(unasked) { unasked = true; }
UnaskedBoxes::~UnaskedBoxes() { unasked = previous_; }
unsigned UnaskedBoxes::Style() { return unasked ? MB_TOPMOST | MB_SETFOREGROUND : 0; }

void MessageBoxNotifier::Show(const Text& text, const Text& caption, MessageIcon icon) {
  Box(owner_ ? *owner_ : nullptr, WStr(text), caption.empty() ? nullptr : WStr(caption),
      MessageBoxStyle(icon) | UnaskedBoxes::Style());
}

bool MessageBoxNotifier::AskYesNo(const MessageText& q) {
  // MB_OK is 0: the icon's style with MB_YESNO is Yes and No with the icon.
  const UINT style = MessageBoxStyle(q.icon) | MB_YESNO | MB_DEFBUTTON2 | UnaskedBoxes::Style();
  return Box(owner_ ? *owner_ : nullptr, WStr(q.text),
             q.caption.empty() ? nullptr : WStr(q.caption), style) == IDYES;
}

int MessageBoxNotifier::Box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
  return ::MessageBoxW(owner, text, caption, style);
}
