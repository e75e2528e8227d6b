// The program's notification icon: its description, the shell's answers and
// the menus opened from it. The owner window (CMainDlg) decides what the icon
// shows and which menu opens; this class does the talking to the shell.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <functional>

#include "base/text.h"
#include "shell/work_area.h"

// The description's size: the layout whose tooltip holds 128 UTF-16 units.
// The program asks for no later behaviour of the shell (no NIM_SETVERSION).
constexpr DWORD kTrayIconDataSize = NOTIFYICONDATAW_V2_SIZE;
#ifndef _WIN64
static_assert(kTrayIconDataSize == 936, "NOTIFYICONDATAW up to szInfoTitle (V2) on 32-bit");
#endif

// The notification-area calls behind a seam: tests see every description
// sent to the shell and can make it time out or refuse.
class TrayShell {
 public:
  virtual ~TrayShell() = default;
  // Shell_NotifyIconW.
  virtual bool NotifyIcon(DWORD message, const NOTIFYICONDATAW& data) = 0;
  // The error code of the last NotifyIcon that failed (GetLastError).
  virtual DWORD LastError() const = 0;
  virtual void Wait(DWORD milliseconds) = 0;
  // The wait for a notification area: a WM_TIMER `id` to `window`.
  virtual void StartTimer(HWND window, UINT_PTR id, DWORD milliseconds) {
    ::SetTimer(window, id, milliseconds, nullptr);
  }
  virtual void StopTimer(HWND window, UINT_PTR id) { ::KillTimer(window, id); }
};

// The shell of the desktop.
TrayShell& SystemTray();

// Copies text into a tooltip field of `capacity` units with its terminator.
// A longer text is cut to capacity - 1 units, and one unit less when the cut
// would split a surrogate pair (the tooltip would end in half a character).
void CopyTip(const Text& text, wchar_t* field, size_t capacity);

// One icon (id 0) under one owner window, which receives the callback
// message and the commands of the menus, and passes its messages to
// ProcessWindowMessage first.
class CTrayIcon {
 public:
  CTrayIcon(TrayShell& shell, const MonitorSeam& monitors);
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Registers the icon; retries once a second while the shell times out.
  // Any other failure may mean that there is no notification area yet (a
  // start at sign-in, before the taskbar): the icon is then added when one
  // announces itself, and `noArea` runs if none has within a minute. True
  // when the icon is there now.
  bool Add(HWND owner, UINT callbackMessage, HICON icon, const Text& tip,
           std::function<void()> noArea);
  void SetTip(const Text& tip);
  // Removes the icon added under the owner window.
  void Remove();
  bool Added() const { return added_; }

  // Opens a popup menu at the cursor for the owner window; the chosen
  // command arrives there as WM_COMMAND.
  void TrackMenu(HMENU popup) const;

  // A notification area announcing itself (TaskbarCreated), and the end of
  // the wait for one. False for every other message.
  bool ProcessWindowMessage(UINT msg, WPARAM wParam);

 private:
  NOTIFYICONDATAW Description(UINT flags) const;
  bool Register();
  void OnTaskbarCreated();
  void StopWaiting();

  TrayShell& shell_;
  const MonitorSeam& monitors_;
  const UINT taskbarCreated_;
  HWND owner_ = nullptr;
  UINT callbackMessage_ = 0;
  HICON icon_ = nullptr;
  Text tip_;
  bool added_ = false;
  bool waiting_ = false;
  std::function<void()> noArea_;
};
