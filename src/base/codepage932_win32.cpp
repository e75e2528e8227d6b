#include <windows.h>

#include <climits>

#include "base/codepage932_platform.h"

namespace {
constexpr UINT kCodePage = 932;
}

namespace cp932_platform {

bool Encode(std::u16string_view text, std::string& out) {
  // A UTF-16 unit becomes at most two bytes.
  if (text.empty() || text.size() > INT_MAX / 2) return false;
  out.resize(text.size() * 2);
  BOOL usedDefault = FALSE;
  int written = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS,
                                    reinterpret_cast<const wchar_t*>(text.data()),
                                    static_cast<int>(text.size()), &out[0],
                                    static_cast<int>(out.size()), nullptr, &usedDefault);
  if (written <= 0 || usedDefault) return false;
  out.resize(static_cast<size_t>(written));
  return true;
}

bool Decode(std::string_view bytes, std::u16string& out) {
  // A byte becomes at most one UTF-16 unit.
  if (bytes.empty() || bytes.size() > INT_MAX) return false;
  out.resize(bytes.size());
  int written = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                    static_cast<int>(bytes.size()),
                                    reinterpret_cast<wchar_t*>(&out[0]),
                                    static_cast<int>(out.size()));
  if (written <= 0) return false;
  out.resize(static_cast<size_t>(written));
  return true;
}

}  // namespace cp932_platform
