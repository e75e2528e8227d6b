// What every subcommand of the driver shares: failures with their exit
// codes, the option parser, and the table through which a source file of
// its own adds subcommands (so areas of the program extend the driver
// without editing one shared list).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace driver {

struct Failure {
  int code;
  std::wstring message;
};

[[noreturn]] inline void Fail(int code, const std::wstring& message) { throw Failure{code, message}; }
[[noreturn]] inline void Expectation(const std::wstring& message) { Fail(1, message); }
[[noreturn]] inline void Usage(const std::wstring& message) { Fail(2, message); }

inline std::wstring Num(unsigned long long v) { return std::to_wstring(v); }

constexpr DWORD kDefaultTimeoutMs = 10000;

// --name value options, --flag switches and positional words.
class Args {
 public:
  Args(int argc, wchar_t** argv, int first, const std::set<std::wstring>& flags,
       bool stop_at_positional = false) {
    for (int i = first; i < argc; ++i) {
      std::wstring a = argv[i];
      if (!rest_started_ && a.size() > 2 && a.compare(0, 2, L"--") == 0) {
        std::wstring name = a.substr(2);
        if (flags.count(name)) {
          options_[name] = L"1";
        } else {
          if (i + 1 >= argc) Usage(L"option --" + name + L" needs a value");
          options_[name] = argv[++i];
        }
      } else {
        positional_.push_back(a);
        if (stop_at_positional) rest_started_ = true;
      }
    }
  }
  bool Has(const std::wstring& name) const { return options_.count(name) != 0; }
  std::wstring Get(const std::wstring& name, const std::wstring& fallback = L"") const {
    auto it = options_.find(name);
    return it == options_.end() ? fallback : it->second;
  }
  unsigned long Number(const std::wstring& name, unsigned long fallback) const {
    if (!Has(name)) return fallback;
    std::wstring v = Get(name);
    wchar_t* end = nullptr;
    unsigned long n = wcstoul(v.c_str(), &end, 10);
    if (v.empty() || *end) Usage(L"--" + name + L" wants a number, not \"" + v + L"\"");
    return n;
  }
  DWORD Pid() const {
    if (!Has(L"pid")) Usage(L"--pid is required");
    return Number(L"pid", 0);
  }
  DWORD Timeout() const { return Number(L"timeout", kDefaultTimeoutMs); }
  const std::vector<std::wstring>& Positional() const { return positional_; }
  std::wstring At(size_t i, const std::wstring& what) const {
    if (i >= positional_.size()) Usage(L"missing " + what);
    return positional_[i];
  }

 private:
  std::map<std::wstring, std::wstring> options_;
  std::vector<std::wstring> positional_;
  bool rest_started_ = false;
};

struct Command {
  const wchar_t* name;
  int (*run)(int, wchar_t**);
};

// Subcommands defined in other source files; each file adds its own with a
// static CommandRegistration.
inline std::vector<Command>& MoreCommands() {
  static std::vector<Command> commands;
  return commands;
}

struct CommandRegistration {
  CommandRegistration(const wchar_t* name, int (*run)(int, wchar_t**)) {
    MoreCommands().push_back(Command{name, run});
  }
};

}  // namespace driver
