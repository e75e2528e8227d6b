#include "command.h"

namespace driver {

namespace {

const std::set<std::wstring> kNumericOptions = {L"pid", L"timeout", L"count", L"id"};

int Say(int outcome, const std::wstring& message) {
  PrintError(L"dorvane_driver: " + message + L"\n");
  return outcome;
}

}  // namespace

int Unmet(const std::wstring& message) { return Say(kUnmet, message); }
int Broken(const std::wstring& message) { return Say(kBroken, message); }

Args::Args(int argc, wchar_t** argv, const ArgSpec& spec) {
  bool rest = false;
  for (int i = 2; i < argc; ++i) {
    const std::wstring word = argv[i];
    if (rest || word.size() <= 2 || word.compare(0, 2, L"--") != 0) {
      words_.push_back(word);
      rest = rest || spec.rest;
      continue;
    }
    const std::wstring name = word.substr(2);
    if (spec.flags.count(name)) {
      options_[name] = L"1";
      continue;
    }
    if (i + 1 >= argc) {
      error_ = L"option --" + name + L" needs a value";
      return;
    }
    const std::wstring value = argv[++i];
    if (kNumericOptions.count(name) && (value.empty() || value.find_first_not_of(L"0123456789") != std::wstring::npos)) {
      error_ = L"--" + name + L" wants a number, not \"" + value + L"\"";
      return;
    }
    options_[name] = value;
  }
  for (const std::wstring& name : spec.required) {
    if (!Has(name)) {
      error_ = L"--" + name + L" is required";
      return;
    }
  }
  if (words_.size() < spec.words) error_ = L"missing words: " + Num(spec.words) + L" needed";
}

std::wstring Args::Get(const std::wstring& name, const std::wstring& fallback) const {
  auto it = options_.find(name);
  return it == options_.end() ? fallback : it->second;
}

unsigned long Args::Number(const std::wstring& name, unsigned long fallback) const {
  return Has(name) ? wcstoul(Get(name).c_str(), nullptr, 10) : fallback;
}

}  // namespace driver
