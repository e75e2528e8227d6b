// A Notifier that keeps every message it is asked to show, in order.
#pragma once

#include <vector>

#include "base/notifier.h"
#include "base/text.h"

struct ShownMessage {
  Text text;
  Text caption;
  MessageIcon icon;
};

class RecordingNotifier : public Notifier {
 public:
  void Show(const Text& text, const Text& caption, MessageIcon icon) override {
    shown.push_back(ShownMessage{text, caption, icon});
  }

  std::vector<Text> Texts() const {
    std::vector<Text> texts;
    for (const ShownMessage& m : shown) texts.push_back(m.text);
    return texts;
  }

  std::vector<ShownMessage> shown;
};
