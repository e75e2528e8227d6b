#include "shell/tray_icon.h"

namespace {
constexpr UINT kTrayIconId = 0;
constexpr DWORD kTrayRetryMilliseconds = 1000;

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

NOTIFYICONDATAW CTrayIcon::Description(UINT flags) const {
  NOTIFYICONDATAW nid{};
  nid.cbSize = kTrayIconDataSize;
  nid.hWnd = owner_;
  nid.uID = kTrayIconId;
  nid.uFlags = flags;
  return nid;
}

bool CTrayIcon::Add(HWND owner, UINT callbackMessage, HICON icon, const Text& tip) {
  owner_ = owner;
  NOTIFYICONDATAW nid = Description(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  nid.uCallbackMessage = callbackMessage;
  nid.hIcon = icon;
  CopyTip(tip, nid.szTip, ARRAYSIZE(nid.szTip));
  added_ = Register(nid);
  return added_;
}

bool CTrayIcon::Register(const NOTIFYICONDATAW& nid) {
  if (shell_.NotifyIcon(NIM_ADD, nid)) return true;
  // A busy shell (at log-on) answers late; it may have added the icon anyway.
  while (shell_.LastError() == ERROR_TIMEOUT) {
    if (shell_.NotifyIcon(NIM_MODIFY, nid)) return true;
    shell_.Wait(kTrayRetryMilliseconds);
    if (shell_.NotifyIcon(NIM_ADD, nid)) return true;
  }
  return false;
}

void CTrayIcon::SetTip(const Text& tip) {
  NOTIFYICONDATAW nid = Description(NIF_TIP);
  CopyTip(tip, nid.szTip, ARRAYSIZE(nid.szTip));
  shell_.NotifyIcon(NIM_MODIFY, nid);
}

void CTrayIcon::Remove() {
  NOTIFYICONDATAW nid = Description(0);
  shell_.NotifyIcon(NIM_DELETE, nid);
}

void CTrayIcon::TrackMenu(HMENU popup) const {
  // The window must be the foreground window, hidden as it is, or the menu
  // does not close when the user clicks elsewhere.
  ::SetForegroundWindow(owner_);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::TrackPopupMenu(popup, 0, ClampToWorkArea(cursor.x, cursor.y, monitors_), cursor.y, 0, owner_,
                   nullptr);
}
