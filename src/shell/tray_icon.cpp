#include "shell/tray_icon.h"

#include <windowsx.h>

#include <utility>

#include "shell/message_box_notifier.h"

namespace {
constexpr UINT kTrayIconId = 0;
constexpr DWORD kTrayRetryMilliseconds = 1000;
// A hung shell times out on every call: after this many waits the icon is
// left to the wait for a notification area, so that the program does not
// freeze with it.
constexpr int kTimeOutRetries = 3;

class DesktopTray : public TrayShell {
 public:
  bool NotifyIcon(DWORD message, const NOTIFYICONDATAW& data) override {
    NOTIFYICONDATAW copy = data;
    // Not every shell sets an error on failure; without this a stale
    // ERROR_TIMEOUT from elsewhere could make the caller retry.
    ::SetLastError(ERROR_SUCCESS);
    if (::Shell_NotifyIconW(message, &copy)) return true;
    lastError_ = ::GetLastError();
    return false;
  }
  DWORD LastError() const override { return lastError_; }
  void Wait(DWORD milliseconds) override { ::Sleep(milliseconds); }
  void AllowMessage(HWND window, UINT message) override {
    // Looked up, not imported: Vista has only the process-wide filter.
    using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32) return;
    auto filter = reinterpret_cast<FilterFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
    if (filter) filter(window, message, MSGFLT_ALLOW, nullptr);
  }

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
      // after Explorer restarts with every earlier icon gone, and after a
      // change of the display's DPI or a Remote Desktop reconnection with
      // the icons still there.
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
  if (taskbarCreated_ != 0) shell_.AllowMessage(owner_, taskbarCreated_);
  added_ = Register(kTimeOutRetries);
  if (!added_) StartWaiting();
  return added_;
}

bool CTrayIcon::Register(int timeOutRetries) {
  // Under version 4 the shell shows the standard tooltip only when asked.
  NOTIFYICONDATAW nid = Description(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  nid.uCallbackMessage = callbackMessage_;
  nid.hIcon = icon_;
  CopyTip(tip_, nid.szTip, ARRAYSIZE(nid.szTip));
  if (!AddOrModify(nid, timeOutRetries)) return false;
  // A shell without version 4 goes on sending the bare mouse messages,
  // which Decode reads as well.
  NOTIFYICONDATAW version = Description(0);
  version.uVersion = NOTIFYICON_VERSION_4;
  shell_.NotifyIcon(NIM_SETVERSION, version);
  return true;
}

bool CTrayIcon::AddOrModify(const NOTIFYICONDATAW& nid, int timeOutRetries) {
  for (int retry = 0;; ++retry) {
    if (shell_.NotifyIcon(NIM_ADD, nid)) return true;
    const bool timedOut = shell_.LastError() == ERROR_TIMEOUT;
    // The icon may be there all the same: a busy shell (at sign-in) adds it
    // after answering late, and a shell that announces itself again after a
    // DPI change keeps it. A modify puts the description of now in place.
    if (shell_.NotifyIcon(NIM_MODIFY, nid)) return true;
    if (!timedOut || retry >= timeOutRetries) return false;
    shell_.Wait(kTrayRetryMilliseconds);
  }
}

void CTrayIcon::SetTip(const Text& tip) {
  tip_ = tip;
  NOTIFYICONDATAW nid = Description(NIF_TIP | NIF_SHOWTIP);
  CopyTip(tip, nid.szTip, ARRAYSIZE(nid.szTip));
  shell_.NotifyIcon(NIM_MODIFY, nid);
}

void CTrayIcon::Remove() {
  StopWaiting();
  NOTIFYICONDATAW nid = Description(0);
  shell_.NotifyIcon(NIM_DELETE, nid);
  added_ = false;
}

TrayRequest CTrayIcon::Decode(WPARAM wParam, LPARAM lParam) {
  // A message sent while the menu is open reaches the window through the
  // menu's own loop.
  if (menuOpen_) return {};
  const UINT event = LOWORD(lParam);
  if (event == gestureEnd_ && ::GetTickCount() - gestureEndSince_ <= ::GetDoubleClickTime()) {
    gestureEnd_ = 0;
    return {};
  }
  TrayRequest request;
  // Signed: a monitor left of or above the primary one has negative ones.
  // Mapped by the monitors, not through a window: the conversion through a
  // window holds only for a point on it, and the hidden report is rarely
  // over the icon.
  request.anchor =
      monitors_.PhysicalToLogical(POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)});
  UINT end = 0;
  switch (event) {
    case WM_LBUTTONDOWN:
      // The click's NIN_SELECT opens nothing anyway.
      request.menu = TrayRequest::kItems;
      break;
    case WM_RBUTTONDOWN:
      // A right click goes on with a release and WM_CONTEXTMENU.
      request.menu = TrayRequest::kCommands;
      end = WM_CONTEXTMENU;
      break;
    case NIN_KEYSELECT:
      // Enter sends it twice, Space once.
      request.menu = TrayRequest::kItems;
      request.keyboard = true;
      end = NIN_KEYSELECT;
      break;
    case WM_CONTEXTMENU:
      request.menu = TrayRequest::kCommands;
      request.keyboard = true;
      break;
    default:
      return {};
  }
  gestureEnd_ = end;
  gestureEndSince_ = ::GetTickCount();
  return request;
}

UINT CTrayIcon::TrackMenu(HMENU popup, const TrayRequest& request) {
  menuOpen_ = true;
  // The window must be the foreground window, hidden as it is, or the menu
  // does not close when the user clicks elsewhere.
  ::SetForegroundWindow(owner_);
  POINT at = request.anchor;
  if (!request.keyboard) ::GetCursorPos(&at);
  // The command comes back here, not as a message: only the caller knows
  // whether it opens a window, and so whether the icon gets the focus back.
  const BOOL command = ::TrackPopupMenu(popup, TPM_RETURNCMD,
                                        ClampToWorkArea(at.x, at.y, monitors_), at.y, 0, owner_,
                                        nullptr);
  // Windows asks for a message to the owner after the menu: without one the
  // next menu opened from the icon can close at once. Wine does not need it.
  ::PostMessageW(owner_, WM_NULL, 0, 0);
  menuOpen_ = false;
  // The gesture's last message may come only now, if the shell waited for
  // the first one's answer.
  gestureEndSince_ = ::GetTickCount();
  if (command <= 0) ReturnFocus(request);
  return command > 0 ? static_cast<UINT>(command) : 0;
}

void CTrayIcon::ReturnFocus(const TrayRequest& request) {
  if (request.keyboard) GiveFocusBack();
}

void CTrayIcon::AfterKeyboardCommand(bool windowLeftOpen) {
  focusOwed_ = windowLeftOpen;
  if (!windowLeftOpen) GiveFocusBack();
}

void CTrayIcon::WindowClosed() {
  if (focusOwed_) GiveFocusBack();
  focusOwed_ = false;
}

void CTrayIcon::GiveFocusBack() {
  if (added_) shell_.NotifyIcon(NIM_SETFOCUS, Description(0));
}

void CTrayIcon::BringForward() const {
  HWND popup = ::GetLastActivePopup(owner_);
  if (!popup || !::IsWindowVisible(popup)) return;
  if (::IsIconic(popup)) ::ShowWindow(popup, SW_RESTORE);
  ::SetForegroundWindow(popup);
}

bool CTrayIcon::ProcessWindowMessage(UINT msg, WPARAM wParam) {
  if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
    OnTaskbarCreated();
    return true;
  }
  if (msg == WM_TIMER && wParam == kAreaRetryTimer) {
    // No waiting for a shell that times out: the user may be in a dialog.
    if (waiting_ && !added_) added_ = Register(0);
    if (added_) StopWaiting();
    return true;
  }
  if (msg == WM_TIMER && wParam == kAreaWaitTimer) {
    if (!waiting_) return true;
    StopWaiting();
    // What the owner tells the user now, nobody asked for.
    UnaskedBoxes unasked;
    if (noArea_) noArea_();
    return true;
  }
  return false;
}

void CTrayIcon::OnTaskbarCreated() {
  if (!owner_) return;
  added_ = Register(kTimeOutRetries);
  if (added_) {
    StopWaiting();
  } else {
    // The icon is gone with the old shell, and the new one refused it.
    StartWaiting();
  }
}

void CTrayIcon::StartWaiting() {
  if (waiting_) return;
  waiting_ = true;
  ::SetTimer(owner_, kAreaWaitTimer, shell_.AreaWaitMilliseconds(), nullptr);
  ::SetTimer(owner_, kAreaRetryTimer, shell_.AreaRetryMilliseconds(), nullptr);
}

void CTrayIcon::StopWaiting() {
  if (!waiting_) return;
  waiting_ = false;
  ::KillTimer(owner_, kAreaWaitTimer);
  ::KillTimer(owner_, kAreaRetryTimer);
}
