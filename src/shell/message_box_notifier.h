// The user hears of a failure through a message box with an OK button,
// owned by one of the program's windows or by none.
#pragma once

#include <windows.h>

#include "base/notifier.h"
#include "shell/messages.h"

class MessageBoxNotifier : public Notifier {
 public:
  ~MessageBoxNotifier() override = default;
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

 protected:
  // MessageBoxW; tests see the style each box is given.
  virtual int Box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);

 private:
  const HWND* owner_ = nullptr;
};

// While one lives, boxes come as boxes the user did not bring about (a
// timer's, not a click's): above the other programs' windows, where the user
// is working. Windows' foreground lock refuses the activation to a process
// that is not in front and did not get the last input, so MB_SETFOREGROUND
// alone leaves such a box behind the window in front (and the one notice of a
// copy kept aside unseen); MB_TOPMOST puts it above every window that is not
// topmost whatever the lock decides, and MB_SETFOREGROUND still activates it
// where the lock allows. MB_SYSTEMMODAL would add the same topmost style but
// is meant for errors that threaten the system.
class UnaskedBoxes {
 public:
  UnaskedBoxes();
  ~UnaskedBoxes();
  UnaskedBoxes(const UnaskedBoxes&) = delete;
  UnaskedBoxes& operator=(const UnaskedBoxes&) = delete;
  // The styles a box takes now: MB_TOPMOST | MB_SETFOREGROUND within a
  // scope, else none.
  static unsigned Style();

 private:
  bool previous_;
};

// MB_OK with the icon's flag.
unsigned MessageBoxStyle(MessageIcon icon);
