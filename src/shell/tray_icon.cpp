#include "shell/tray_icon.h"

#include <utility>

namespace {
constexpr UINT kTrayIconId = 0;
constexpr DWORD kTrayRetryMilliseconds = 1000;
constexpr UINT_PTR kAreaWaitTimer = 1;
// How long a program started before the taskbar waits for it.
constexpr DWORD kNotificationAreaWaitMilliseconds = 60000;

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

CTrayIcon::CTrayIcon(TrayShell& shell, const MonitorSeam& monitors)
    : shell_(shell),
      monitors_(monitors),
      // Broadcast by a shell that has just created the taskbar: at sign-in,
      // and after Explorer restarts with every earlier icon gone.
      taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")) {}

NOTIFYICONDATAW CTrayIcon::Description(UINT flags) const {
  NOTIFYICONDATAW nid{};
  nid.cbSize = kTrayIconDataSize;
  nid.hWnd = owner_;
  nid.uID = kTrayIconId;
  nid.uFlags = flags;
  return nid;
}

bool CTrayIcon::Add(HWND owner, UINT callbackMessage, HICON icon, const Text& tip,
                    std::function<void()> noArea) {
  owner_ = owner;
  callbackMessage_ = callbackMessage;
  icon_ = icon;
  tip_ = tip;
  noArea_ = std::move(noArea);
  added_ = Register();
  if (!added_) {
    waiting_ = true;
    shell_.StartTimer(owner_, kAreaWaitTimer, kNotificationAreaWaitMilliseconds);
  }
  return added_;
}

bool CTrayIcon::Register() {
  NOTIFYICONDATAW nid = Description(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  nid.uCallbackMessage = callbackMessage_;
  nid.hIcon = icon_;
  CopyTip(tip_, nid.szTip, ARRAYSIZE(nid.szTip));
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
  tip_ = tip;
  NOTIFYICONDATAW nid = Description(NIF_TIP);
  CopyTip(tip, nid.szTip, ARRAYSIZE(nid.szTip));
  shell_.NotifyIcon(NIM_MODIFY, nid);
}

void CTrayIcon::Remove() {
  StopWaiting();
  NOTIFYICONDATAW nid = Description(0);
  shell_.NotifyIcon(NIM_DELETE, nid);
  added_ = false;
}

void CTrayIcon::TrackMenu(HMENU popup) const {
  // The window must be the foreground window, hidden as it is, or the menu
  // does not close when the user clicks elsewhere.
  ::SetForegroundWindow(owner_);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::TrackPopupMenu(popup, 0, ClampToWorkArea(cursor.x, cursor.y, monitors_), cursor.y, 0, owner_,
                   nullptr);
  // Windows asks for a message to the owner after the menu: without one the
  // next menu opened from the icon can close at once. Wine does not need it.
  ::PostMessageW(owner_, WM_NULL, 0, 0);
}

bool CTrayIcon::ProcessWindowMessage(UINT msg, WPARAM wParam) {
  if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
    OnTaskbarCreated();
    return true;
  }
  if (msg == WM_TIMER && wParam == kAreaWaitTimer) {
    if (!waiting_) return true;
    StopWaiting();
    if (noArea_) noArea_();
    return true;
  }
  return false;
}

void CTrayIcon::OnTaskbarCreated() {
  if (!owner_) return;
  // A new shell knows no icon: whatever the old one showed is gone, and
  // the icon goes back with the tooltip of now.
  added_ = Register();
  if (added_) StopWaiting();
}

void CTrayIcon::StopWaiting() {
  if (!waiting_) return;
  waiting_ = false;
  shell_.StopTimer(owner_, kAreaWaitTimer);
}
