// How the portable core tells the user about a failure without knowing about
// windows: the shell passes an implementation that shows a message box with
// an OK button and no owner window.
#pragma once

#include "base/text.h"

enum class MessageIcon { None, Warning, Information, Error };

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void Show(const Text& text, const Text& caption, MessageIcon icon) = 0;
};
