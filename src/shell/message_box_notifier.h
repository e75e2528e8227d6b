// The user hears of a failure through a message box with an OK button and
// no owner window.
#pragma once

#include "base/notifier.h"

class MessageBoxNotifier : public Notifier {
 public:
  // An empty caption gives the system's default caption.
  void Show(const Text& text, const Text& caption, MessageIcon icon) override;
};

// MB_OK with the icon's flag.
unsigned MessageBoxStyle(MessageIcon icon);
