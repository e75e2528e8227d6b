// The user hears of a failure through a message box with an OK button,
// owned by one of the program's windows or by none.
#pragma once

#include <windows.h>

#include "base/notifier.h"
#include "shell/messages.h"

class MessageBoxNotifier : public Notifier {
 public:
  // No owner: the box stands alone (the tray program has no main window).
  MessageBoxNotifier() = default;
  // Owned by the window `*owner` names when the box is shown: a dialog's
  // handle exists only while the dialog is open.
  explicit MessageBoxNotifier(const HWND* owner) : owner_(owner) {}

  // An empty caption gives the system's default caption.
  void Show(const Text& text, const Text& caption, MessageIcon icon) override;
  void Show(const MessageText& message) { Show(message.text, message.caption, message.icon); }
  // A question with Yes and No, No the default; true for Yes.
  bool AskYesNo(const MessageText& question);

 private:
  const HWND* owner_ = nullptr;
};

// MB_OK with the icon's flag.
unsigned MessageBoxStyle(MessageIcon icon);
