#include "shell/messages.h"

const char16_t kErrorCaption[] = u"エラー";
const char16_t kWarningCaption[] = u"警告";

const MessageText kTrayIconFailed{u"通知領域にアイコンを登録できませんでした。", Text(),
                                  MessageIcon::Warning};
const MessageText kAlreadyRunning{u"起動済みです", u"通知"};
const MessageText kFileNameTooLong{u"ファイル名が長すぎます", kErrorCaption};
const MessageText kFileNotChosen{u"ファイルを選択できませんでした", kErrorCaption};
const char16_t kSavingAtEndOfSession[] = u"Dorvane: 変更を保存しています";
const char16_t kCannotSaveAtEndOfSession[] = u"Dorvane: 変更を保存できません";

namespace {

constexpr char16_t kIdleTip[] = u"Dorvane";

constexpr char16_t kCannotOpen[] = u"ファイルを開けませんでした\r\n%s";
// The last line of a message that kept a file aside names the copy, and
// which content it holds.
constexpr char16_t kKeptUnreadable[] = u"\r\n読み込めなかったファイルの控えを %s に保存しました";
constexpr char16_t kKeptOthersEdit[] = u"\r\n他のプログラムが保存した内容を %s に保存しました";
constexpr char16_t kKeptUnused[] = u"\r\n使わなかったファイルを %s に保存しました";
constexpr char16_t kMalformedLine[] = u"%d番目のデータの形式が誤っています";
constexpr char16_t kUnwritableItem[] = u"「%s」は記録ファイルに書けない文字を含むため使えません";
constexpr char16_t kChangedElsewhere[] = u"他のプログラムでもファイルが変更されていました\r\n%s";
constexpr char16_t kOwnVersionKept[] =
    u"他のプログラムが保存したファイルに、Dorvane が保存した変更がありませんでした\r\n%s\r\n"
    u"Dorvane が保存していた内容を %s に保存しました";
constexpr char16_t kStalePending[] = u"保存できなかった変更のファイルを読み込みませんでした\r\n%s";
constexpr char16_t kProgramFile[] = u"Dorvane の記録と設定のファイルには出力できません\r\n%s";
constexpr char16_t kOverwrite[] = u"%s は既にあります。上書きしますか?";
constexpr char16_t kEndNotAfterStart[] =
    u"終了日時は開始日時より1分以上後にしてください。\r\n"
    u"記録ファイルは分までしか保存しないため、同じ分の開始と終了は計測中の記録と区別できません。";

// Results without a message of their own get a caption that sets them apart.
constexpr char16_t kUnknownHelpCaption[] = u"ERR";
constexpr char16_t kUnknownHelpFailure[] = u"不明なエラーが発生しました (%X)";

struct KnownHelpFailure {
  std::intptr_t result;
  const char16_t* text;
};

// The shell's results for ShellExecute, with the platform's names for them.
constexpr KnownHelpFailure kKnownHelpFailures[] = {
    {2, u"ヘルプファイルが見つかりません (ERROR_FILE_NOT_FOUND)"},
    {3, u"ヘルプファイルが見つかりません (ERROR_PATH_NOT_FOUND)"},
    {5, u"ヘルプファイルへのアクセスが拒否されました (SE_ERR_ACCESSDENIED)"},
    {8, u"十分なメモリがありません (SE_ERR_OOM)"},
    {26, u"共有違反が発生しました (SE_ERR_SHARE)"},
    {27, u"ファイル名の関連付けが不完全または無効です (SE_ERR_ASSOCINCOMPLETE)"},
};

// The line added when a file was kept aside first.
Text KeptCopyLine(const char16_t* line, const Text& keptCopy) {
  return keptCopy.empty() ? Text() : FormatText(line, keptCopy.c_str());
}

}  // namespace

MessageText DataMessage(const DataReport& r) {
  switch (r.event) {
    case DataEvent::kCannotOpenFile:
      return {FormatText(kCannotOpen, r.subject.c_str()) + KeptCopyLine(kKeptUnreadable, r.keptCopy), kErrorCaption};
    case DataEvent::kMalformedLine:
      return {FormatText(kMalformedLine, r.line) + KeptCopyLine(kKeptUnreadable, r.keptCopy), kErrorCaption};
    case DataEvent::kUnwritableItemName:
      return {FormatText(kUnwritableItem, r.subject.c_str()), kErrorCaption};
    case DataEvent::kChangedElsewhere:
      return {FormatText(kChangedElsewhere, r.subject.c_str()) + KeptCopyLine(kKeptOthersEdit, r.keptCopy), kWarningCaption};
    case DataEvent::kStalePending:
      return {FormatText(kStalePending, r.subject.c_str()) + KeptCopyLine(kKeptUnused, r.keptCopy), kWarningCaption};
    case DataEvent::kOwnVersionKept:
      return {FormatText(kOwnVersionKept, r.subject.c_str(), r.keptCopy.c_str()), kWarningCaption};
    case DataEvent::kProgramFile:
      return {FormatText(kProgramFile, r.subject.c_str()), kErrorCaption};
    case DataEvent::kEndNotAfterStart:
      break;
  }
  return {kEndNotAfterStart, kWarningCaption};
}

const char16_t* ItemEditWarning(ItemEdit result) {
  switch (result) {
    case ItemEdit::kCatalogueFull:
      return u"これ以上追加できません";
    case ItemEdit::kDuplicateName:
      return u"同じ名前の項目が既にあります";
    case ItemEdit::kEmptyName:
      return u"項目名を入力してください";
    case ItemEdit::kUnholdableName:
      return u"項目名に使えない文字が含まれています\r\n"
             u"空白（全角の空白も）、カンマ「,」、二重引用符「\"」、アポストロフィ「'」と、"
             u"シフトJISで表せない文字は使えません";
    case ItemEdit::kDone:
    case ItemEdit::kNoItem:
      break;
  }
  return nullptr;
}

bool HelpOpenFailed(std::intptr_t shellResult, MessageText& failure) {
  if (shellResult > 32) return false;
  failure.icon = MessageIcon::None;
  for (const KnownHelpFailure& known : kKnownHelpFailures) {
    if (known.result == shellResult) {
      failure.text = known.text;
      failure.caption = kErrorCaption;
      return true;
    }
  }
  // The 32-bit value as the platform's formatting shows it.
  failure.text = FormatText(kUnknownHelpFailure, static_cast<unsigned>(shellResult));
  failure.caption = kUnknownHelpCaption;
  return true;
}

MessageText OverwriteQuestion(const Text& path) {
  return {FormatText(kOverwrite, path.c_str()), kWarningCaption, MessageIcon::Warning};
}

MessageText ExitQuestion(const std::vector<Text>& paths) {
  static constexpr char16_t kLostAtExit[] =
      u"\r\n終了すると、保存できなかった変更は失われます。終了しますか?";
  Text text;
  for (const Text& path : paths) {
    text += text.empty() ? FormatText(kCannotOpen, path.c_str()) : u"\r\n" + path;
  }
  // A question, as the other one the program asks: a warning's caption.
  return {text + kLostAtExit, kWarningCaption, MessageIcon::Warning};
}

Text TrayTip(const Text& runningItem) { return runningItem.empty() ? Text(kIdleTip) : runningItem; }

void ReportNotifier::Report(const DataReport& report) {
  const MessageText m = DataMessage(report);
  notifier_.Show(m.text, m.caption, m.icon);
}
