#include "data/help_page.h"

#include <gtest/gtest.h>

namespace {

struct HelpCase {
  std::intptr_t result;
  const char16_t* text;
  const char16_t* caption;
};

// Every result the shell may give for the help page, with the message box it
// leads to. Results above 32 open the page and show nothing.
const HelpCase kFailures[] = {
    {2, u"ヘルプファイルが見つかりません (ERROR_FILE_NOT_FOUND)", u"エラー"},
    {3, u"ヘルプファイルが見つかりません (ERROR_PATH_NOT_FOUND)", u"エラー"},
    {5, u"ヘルプファイルへのアクセスが拒否されました (SE_ERR_ACCESSDENIED)", u"エラー"},
    {8, u"十分なメモリがありません (SE_ERR_OOM)", u"エラー"},
    {26, u"共有違反が発生しました (SE_ERR_SHARE)", u"エラー"},
    {27, u"ファイル名の関連付けが不完全または無効です (SE_ERR_ASSOCINCOMPLETE)", u"エラー"},
    // Everything else up to 32: upper-case hexadecimal, no prefix, no
    // leading zeros, and a caption of its own.
    {0, u"不明なエラーが発生しました (0)", u"ERR"},
    {1, u"不明なエラーが発生しました (1)", u"ERR"},
    {4, u"不明なエラーが発生しました (4)", u"ERR"},
    {25, u"不明なエラーが発生しました (19)", u"ERR"},
    {28, u"不明なエラーが発生しました (1C)", u"ERR"},
    {31, u"不明なエラーが発生しました (1F)", u"ERR"},  // SE_ERR_NOASSOC
    {32, u"不明なエラーが発生しました (20)", u"ERR"},  // SE_ERR_DLLNOTFOUND
    // A negative value is no success either; it shows as the platform's
    // 32-bit formatting would.
    {-1, u"不明なエラーが発生しました (FFFFFFFF)", u"ERR"},
};

TEST(HelpPage, EachFailureGetsItsTextAndCaption) {
  for (const HelpCase& c : kFailures) {
    HelpFailure failure;
    ASSERT_TRUE(HelpOpenFailed(c.result, failure)) << "result " << c.result;
    EXPECT_EQ(failure.text, c.text) << "result " << c.result;
    EXPECT_EQ(failure.caption, c.caption) << "result " << c.result;
  }
}

TEST(HelpPage, ResultsAbove32AreSuccessAndShowNothing) {
  for (std::intptr_t result : {33, 42, 0x10000}) {
    HelpFailure failure{u"unchanged", u"unchanged"};
    EXPECT_FALSE(HelpOpenFailed(result, failure)) << "result " << result;
    EXPECT_EQ(failure.text, u"unchanged");
    EXPECT_EQ(failure.caption, u"unchanged");
  }
}

TEST(HelpPage, PathIsTheWorkingDirectoryJoinedAsItStands) {
  EXPECT_EQ(HelpPagePath(u"C:\\Users\\taro\\Dorvane"), u"C:\\Users\\taro\\Dorvane\\help\\index.html");
  EXPECT_EQ(HelpPagePath(u"Z:\\作業\\記録"), u"Z:\\作業\\記録\\help\\index.html");
  // The root of a drive ends in a separator already; it is not removed.
  EXPECT_EQ(HelpPagePath(u"D:\\"), u"D:\\\\help\\index.html");
}

}  // namespace
