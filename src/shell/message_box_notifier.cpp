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

void MessageBoxNotifier::Show(const Text& text, const Text& caption, MessageIcon icon) {
  ::MessageBoxW(owner_ ? *owner_ : nullptr, WStr(text), caption.empty() ? nullptr : WStr(caption),
                MessageBoxStyle(icon));
}

bool MessageBoxNotifier::AskYesNo(const MessageText& q) {
  // MB_OK is 0: the icon's style with MB_YESNO is Yes and No with the icon.
  const UINT style = MessageBoxStyle(q.icon) | MB_YESNO | MB_DEFBUTTON2;
  return ::MessageBoxW(owner_ ? *owner_ : nullptr, WStr(q.text),
                       q.caption.empty() ? nullptr : WStr(q.caption), style) == IDYES;
}
