// Shared by the driver's commands: outcomes, argument parsing, and the
// window look-ups that several commands use.
//
// A command returns its outcome, which becomes the driver's exit code. On a
// failure it says why on stderr through Unmet or Broken, which return the
// outcome: `if (!window) return Unmet(L"...");`. Helpers that can fail
// return an outcome too (0 when done), so that `if (int r = Helper()) return r;`.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "util.h"

namespace driver {

constexpr const wchar_t* kMainTitle = L"Dorvane \u30ec\u30dd\u30fc\u30c8";
constexpr DWORD kDefaultTimeoutMs = 10000;

enum Outcome : int {
  kDone = 0,
  kUnmet = 1,   // the expected state did not come
  kBroken = 2,  // bad usage, or a system call that failed
};

int Unmet(const std::wstring& message);
int Broken(const std::wstring& message);

inline std::wstring Num(unsigned long long v) { return std::to_wstring(v); }

struct ArgSpec {
  ArgSpec(std::set<std::wstring> switches = {}, std::set<std::wstring> needed = {}, size_t word_count = 0,
          bool rest_verbatim = false)
      : flags(std::move(switches)), required(std::move(needed)), words(word_count), rest(rest_verbatim) {}
  std::set<std::wstring> flags;     // options without a value
  std::set<std::wstring> required;  // options that must be given
  size_t words;                     // positional words that must be given
  bool rest;                        // words after the first one are not parsed (launch)
};

// --name value options, --flag switches and positional words. The options
// pid, timeout, count and id must be numbers.
class Args {
 public:
  Args(int argc, wchar_t** argv, const ArgSpec& spec);
  bool Ok() const { return error_.empty(); }
  const std::wstring& Error() const { return error_; }
  bool Has(const std::wstring& name) const { return options_.count(name) != 0; }
  std::wstring Get(const std::wstring& name, const std::wstring& fallback = L"") const;
  unsigned long Number(const std::wstring& name, unsigned long fallback) const;
  DWORD Pid() const { return Number(L"pid", 0); }
  DWORD Timeout() const { return Number(L"timeout", kDefaultTimeoutMs); }
  const std::vector<std::wstring>& Words() const { return words_; }

 private:
  std::map<std::wstring, std::wstring> options_;
  std::vector<std::wstring> words_;
  std::wstring error_;
};

// One line describing a window: handle, pid, control id, visibility, class,
// rectangle, text.
std::wstring Describe(HWND hwnd);
HWND FindTopLevel(DWORD pid, const std::wstring& title, const std::wstring& class_name, bool visible_only);
// Waits for the top-level window titled --title (default: the report window).
int WaitTopLevel(const Args& args, DWORD pid, HWND* window);
std::wstring WithoutMnemonic(const std::wstring& text);

// The commands, one per subcommand of the driver.
int Launch(int argc, wchar_t** argv);
int Alive(int argc, wchar_t** argv);
int WaitExit(int argc, wchar_t** argv);
int Kill(int argc, wchar_t** argv);
int Windows(int argc, wchar_t** argv);
int WaitWindow(int argc, wchar_t** argv);
int HoldWindow(int argc, wchar_t** argv);
int Button(int argc, wchar_t** argv);
int CloseWindow(int argc, wchar_t** argv);
int Sync(int argc, wchar_t** argv);
int MessageBoxCommand(int argc, wchar_t** argv);
int MenuCommand(int argc, wchar_t** argv);
int Tray(int argc, wchar_t** argv);
int TrayIcons(int argc, wchar_t** argv);
int TrayIconCommand(int argc, wchar_t** argv);
int Env(int argc, wchar_t** argv);

}  // namespace driver
