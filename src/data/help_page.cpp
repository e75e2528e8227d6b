#include "data/help_page.h"

namespace {

constexpr char16_t kHelpRelativePath[] = u"\\help\\index.html";

}  // namespace

Text HelpPagePath(const Text& workingDirectory) { return workingDirectory + kHelpRelativePath; }
