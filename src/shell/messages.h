// Every message the program shows the user, in one table: the message boxes'
// texts and captions and the notification icon's tooltip. The core reports
// what happened as values (DataReport, ItemEdit, the shell's result for the
// help page); this is where they become Japanese. Portable, so the unit tests
// check the texts on every platform.
#pragma once

#include <cstdint>
#include <vector>

#include "base/notifier.h"
#include "base/text.h"
#include "data/data_report.h"
#include "data/item_settings.h"

struct MessageText {
  Text text;
  Text caption;  // empty: the system's default caption
  MessageIcon icon = MessageIcon::None;
};

MessageText DataMessage(const DataReport& report);

// The warning for a refused edit of the settings (caption kWarningCaption),
// or null when there is nothing to say.
const char16_t* ItemEditWarning(ItemEdit result);

// The shell's result for opening the help page: above 32 it opened, and
// false is returned. Anything else fills `failure` with the message box's
// text and caption and returns true. The result is the shell's instance
// value taken as a signed integer, as the shell documents.
bool HelpOpenFailed(std::intptr_t shellResult, MessageText& failure);

// The question before an export replaces a file that holds something
// (Yes/No; No writes nothing).
MessageText OverwriteQuestion(const Text& path);

// 終了's question when the last change of the files at `paths` is held by
// no file (Yes/No; Yes ends the program and loses it).
MessageText ExitQuestion(const std::vector<Text>& paths);

// The notification icon's tooltip: the running item, or the program's name.
Text TrayTip(const Text& runningItem);

extern const char16_t kErrorCaption[];
extern const char16_t kWarningCaption[];
extern const MessageText kTrayIconFailed;
extern const MessageText kAlreadyRunning;
extern const MessageText kFileNameTooLong;
extern const MessageText kFileNotChosen;
// What the sign-out screen names while the last save runs. Both name the
// change, not the records: Dorvane.ini may be what is unsaved.
extern const char16_t kSavingAtEndOfSession[];
// What the sign-out screen names while a change is held by no file.
extern const char16_t kCannotSaveAtEndOfSession[];

// Words the core's reports and shows them through a notifier.
class ReportNotifier : public DataReporter {
 public:
  explicit ReportNotifier(Notifier& notifier) : notifier_(notifier) {}
  void Report(const DataReport& report) override;

 private:
  Notifier& notifier_;
};
