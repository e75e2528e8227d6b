#include "data/help_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "shell/messages.h"
#include "support/temp_dir.h"

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
    MessageText failure;
    ASSERT_TRUE(HelpOpenFailed(c.result, failure)) << "result " << c.result;
    EXPECT_EQ(failure.text, c.text) << "result " << c.result;
    EXPECT_EQ(failure.caption, c.caption) << "result " << c.result;
  }
}

TEST(HelpPage, ResultsAbove32AreSuccessAndShowNothing) {
  for (std::intptr_t result : {33, 42, 0x10000}) {
    MessageText failure{u"unchanged", u"unchanged"};
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

// ---- the shipped help page ----

std::string ShippedPage() {
  const std::string page = ReadSourceFile("defaults/help/index.html");
  EXPECT_FALSE(page.empty()) << "no defaults/help/index.html in the source tree";
  return page;
}

// Every value of attribute `name` ("id", "href") in the page, in order.
std::vector<std::string> AttributeValues(const std::string& page, const std::string& name) {
  std::vector<std::string> values;
  const std::string opening = " " + name + "=\"";
  for (size_t at = page.find(opening); at != std::string::npos; at = page.find(opening, at + 1)) {
    const size_t begin = at + opening.size();
    const size_t close = page.find('"', begin);
    if (close == std::string::npos) break;
    values.push_back(page.substr(begin, close - begin));
  }
  return values;
}

TEST(ShippedHelpPage, ExplainsEveryMessageTheHelpCommandShows) {
  const std::string page = ShippedPage();
  // The six results with a message of their own, and the unknown result a
  // user meets: no program associated with HTML files (31).
  for (std::intptr_t result : {2, 3, 5, 8, 26, 27, 31}) {
    MessageText failure;
    ASSERT_TRUE(HelpOpenFailed(result, failure));
    const std::string text = TextToUtf8(failure.text);
    EXPECT_NE(page.find(text), std::string::npos) << "the page does not explain \"" << text << "\"";
  }
}

// What Windows shows at a sign-out while the last save runs or a change
// cannot be saved is the program's own text; the user reads it there first.
TEST(ShippedHelpPage, NamesWhatWindowsShowsAtSignOut) {
  const std::string page = ShippedPage();
  for (const char16_t* reason : {kSavingAtEndOfSession, kCannotSaveAtEndOfSession}) {
    const std::string text = TextToUtf8(reason);
    EXPECT_NE(page.find("「" + text + "」"), std::string::npos) << "the page does not name \"" << text << "\"";
  }
}

// The messages of the files, as the page quotes them: each line's words
// around the path, the kept copy's line up to its path included.
TEST(ShippedHelpPage, QuotesTheFileMessagesAsTheyRead) {
  const std::string page = ShippedPage();
  for (DataEvent event : {DataEvent::kCannotOpenFile, DataEvent::kChangedElsewhere, DataEvent::kStalePending}) {
    const std::string text = TextToUtf8(DataMessage(DataReport(event, u"PATH", 0, u"KEPT")).text);
    for (size_t begin = 0, end = 0; end != std::string::npos; begin = end + 2) {
      end = text.find("\r\n", begin);
      std::string line = text.substr(begin, end - begin);
      line.resize(std::min(line.size(), line.find(" KEPT")));
      if (line != "PATH") { EXPECT_NE(page.find(line), std::string::npos) << "the page does not quote \"" << line << "\""; }
    }
  }
}

TEST(ShippedHelpPage, IsOneOfflineDocumentWhoseLinksAllLand) {
  const std::string page = ShippedPage();
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_EQ(TextToUtf8(TextFromUtf8(page)), page) << "the page is valid UTF-8";

  // Nothing is fetched from a network: no absolute or protocol-relative URLs.
  for (const char* remote : {"http:", "https:", "\"//", "'//"}) {
    EXPECT_EQ(page.find(remote), std::string::npos) << remote;
  }

  std::set<std::string> ids;
  for (const std::string& id : AttributeValues(page, "id")) {
    EXPECT_TRUE(ids.insert(id).second) << "the id " << id << " is used twice";
  }
  const std::vector<std::string> links = AttributeValues(page, "href");
  EXPECT_GT(links.size(), 10u) << "the page has its table of contents";
  for (const std::string& target : links) {
    ASSERT_FALSE(target.empty());
    if (target[0] == '#') {
      EXPECT_EQ(ids.count(target.substr(1)), 1u) << "the link " << target << " lands nowhere";
    } else {
      // A file beside the page, shipped with it.
      EXPECT_FALSE(ReadSourceFile(("defaults/help/" + target).c_str()).empty())
          << "the page refers to " << target << ", which is not shipped";
    }
  }
}

}  // namespace
