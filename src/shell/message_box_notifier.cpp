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
