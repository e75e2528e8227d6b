// Every line the driver and the probe print is tab-separated; control
// characters inside a text are shown as \r, \n and \t so that a line stays a
// line and a test can compare it with what it expects.
#pragma once

#include <string>

namespace driver {

inline std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r') out += L"\\r";
    else if (c == L'\n') out += L"\\n";
    else if (c == L'\t') out += L"\\t";
    else out += c;
  }
  return out;
}

}  // namespace driver
