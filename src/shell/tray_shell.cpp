#include "shell/tray_shell.h"

namespace {
class DesktopTray : public TrayShell {
 public:
  bool NotifyIcon(DWORD message, const NOTIFYICONDATAW& data) override {
    NOTIFYICONDATAW copy = data;
    // Not every shell sets an error on failure; without this a stale
    // ERROR_TIMEOUT from elsewhere could make the caller retry for ever.
    ::SetLastError(ERROR_SUCCESS);
    if (::Shell_NotifyIconW(message, &copy)) return true;
    lastError_ = ::GetLastError();
    return false;
  }
  DWORD LastError() const override { return lastError_; }
  void Wait(DWORD milliseconds) override { ::Sleep(milliseconds); }

 private:
  DWORD lastError_ = ERROR_SUCCESS;
};
}  // namespace

TrayShell& SystemTray() {
  static DesktopTray tray;
  return tray;
}

void CopyTip(const Text& text, wchar_t* field, size_t capacity) {
  if (capacity == 0) return;
  size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  for (size_t i = 0; i < n; ++i) field[i] = static_cast<wchar_t>(text[i]);
  field[n] = L'\0';
}
