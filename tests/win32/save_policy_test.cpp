#include "shell/save_policy.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data/tracker.h"
#include "support/dates.h"
#include "support/memory_files.h"
#include "support/recording_notifier.h"

namespace {

const Text kCsv = u"C:\\dorvane-test\\data.csv";
const Text kIni = u"C:\\dorvane-test\\Dorvane.ini";

// The sign-out screen's reasons, as Microsoft's pages on
// ShutdownBlockReasonCreate and ShutdownBlockReasonDestroy describe them: one
// reason per window, set only from the thread that made the window (else
// ERROR_ACCESS_DENIED); destroying a reason that is not there does nothing.
class SignOutScreen {
 public:
  SignOutBlock Calls() {
    return {[this](HWND window, const wchar_t* reason) {
              if (::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()) {
                ::SetLastError(ERROR_ACCESS_DENIED);
                return FALSE;
              }
              reasons_[window] = reason;
              asked.push_back(reason);
              return TRUE;
            },
            [this](HWND window) {
              reasons_.erase(window);
              return TRUE;
            }};
  }
  std::wstring Shown(HWND window) const {
    auto it = reasons_.find(window);
    return it == reasons_.end() ? L"" : it->second;
  }
  std::vector<std::wstring> asked;

 private:
  std::map<HWND, std::wstring> reasons_;
};

// The reason stands from the moment no file holds a change of either file
// (the idle time after the change), not from WM_QUERYENDSESSION, and goes
// when a file holds it again; the end of the session names its save meanwhile.
TEST(SavePolicy, TheSignOutReasonStandsWhileNoFileHoldsAChange) {
  const std::wstring cannot = L"Dorvane: 変更を保存できません", saving = L"Dorvane: 変更を保存しています";
  for (const Text& file : {kCsv, kIni}) {
    SCOPED_TRACE(TextToUtf8(file));
    MemoryFileSystem files;
    RecordingNotifier notifier;
    ActivityData data(Workspace{u"C:\\dorvane-test", files, notifier});
    data.catalogue.AddSlot(0x0000FF, 1);
    data.catalogue.AddName(u"仕事");
    SignOutScreen screen;
    SavePolicy policy(data, [](const MessageText&) { return false; }, screen.Calls());
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0);
    policy.Attach(window);
    auto change = [&] {
      if (file == kCsv) {
        PickItem(data, 0, [] { return DTW(2024, 5, 14, 2, 9, 30); }, nullptr);
      } else {
        data.catalogue.Save(data.ws);  // as the settings dialog does
      }
      policy.UpdateBlockReason();  // the loop's idle time
    };

    files.held = {file, file + u".~pending"};
    change();
    EXPECT_EQ(screen.Shown(window), cannot) << "before any WM_QUERYENDSESSION";
    EXPECT_FALSE(policy.OnQueryEndSession());
    EXPECT_EQ(screen.Shown(window), cannot);

    files.held = {file};  // the pending file can be written again
    policy.OnTimer(SavePolicy::kCatchUpTimer);
    EXPECT_EQ(screen.Shown(window), L"") << "a file holds the change";
    EXPECT_TRUE(policy.OnQueryEndSession());

    files.held = {file, file + u".~pending"};
    change();
    policy.OnEndSession();
    EXPECT_EQ(screen.asked, (std::vector<std::wstring>{cannot, cannot, saving, cannot}));
    EXPECT_EQ(screen.Shown(window), cannot) << "the last save could not hold it either";
    policy.Detach();
    EXPECT_EQ(screen.Shown(window), L"");
    ::DestroyWindow(window);
  }
}

}  // namespace
