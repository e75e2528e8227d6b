// A Notifier that keeps every message it is asked to show, in order. It
// takes the core's reports too, worded as the shell words them, so a test
// of the core sees the texts the user would read.
#pragma once

#include <vector>

#include "base/notifier.h"
#include "base/text.h"
#include "data/data_report.h"
#include "shell/messages.h"

struct ShownMessage {
  Text text;
  Text caption;
  MessageIcon icon;
};

class RecordingNotifier : public Notifier, public DataReporter {
 public:
  void Show(const Text& text, const Text& caption, MessageIcon icon) override {
    shown.push_back(ShownMessage{text, caption, icon});
  }
  void Report(const DataReport& report) override {
    const MessageText m = DataMessage(report);
    Show(m.text, m.caption, m.icon);
  }

  std::vector<Text> Texts() const {
    std::vector<Text> texts;
    for (const ShownMessage& m : shown) texts.push_back(m.text);
    return texts;
  }

  std::vector<ShownMessage> shown;
};
