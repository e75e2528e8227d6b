#include "data/help_page.h"

namespace {

constexpr char16_t kHelpRelativePath[] = u"\\help\\index.html";
constexpr char16_t kErrorCaption[] = u"エラー";
// Results without a message of their own get a caption that sets them apart.
constexpr char16_t kUnknownCaption[] = u"ERR";
constexpr char16_t kUnknownFormat[] = u"不明なエラーが発生しました (%X)";

struct KnownFailure {
  std::intptr_t result;
  const char16_t* text;
};

// The shell's results for ShellExecute, with the platform's names for them.
constexpr KnownFailure kKnownFailures[] = {
    {2, u"ヘルプファイルが見つかりません (ERROR_FILE_NOT_FOUND)"},
    {3, u"ヘルプファイルが見つかりません (ERROR_PATH_NOT_FOUND)"},
    {5, u"ヘルプファイルへのアクセスが拒否されました (SE_ERR_ACCESSDENIED)"},
    {8, u"十分なメモリがありません (SE_ERR_OOM)"},
    {26, u"共有違反が発生しました (SE_ERR_SHARE)"},
    {27, u"ファイル名の関連付けが不完全または無効です (SE_ERR_ASSOCINCOMPLETE)"},
};

}  // namespace

Text HelpPagePath(const Text& workingDirectory) { return workingDirectory + kHelpRelativePath; }

bool HelpOpenFailed(std::intptr_t shellResult, HelpFailure& failure) {
  if (shellResult > 32) return false;
  for (const KnownFailure& known : kKnownFailures) {
    if (known.result == shellResult) {
      failure.text = known.text;
      failure.caption = kErrorCaption;
      return true;
    }
  }
  // The 32-bit value as the platform's formatting shows it.
  failure.text = FormatText(kUnknownFormat, static_cast<unsigned>(shellResult));
  failure.caption = kUnknownCaption;
  return true;
}
