// The program's notification icon: its description, the shell's answers and
// the menus opened from it. The owner window (CMainDlg) decides what the icon
// shows and which menu opens; this class does the talking to the shell.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>

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
};

// The shell of the desktop.
TrayShell& SystemTray();

// Copies text into a tooltip field of `capacity` units with its terminator.
// A longer text is cut to capacity - 1 units, and one unit less when the cut
// would split a surrogate pair (the tooltip would end in half a character).
void CopyTip(const Text& text, wchar_t* field, size_t capacity);

// One icon (id 0) under one owner window, which receives the callback
// message and the commands of the menus.
class CTrayIcon {
 public:
  CTrayIcon(TrayShell& shell, const MonitorSeam& monitors) : shell_(shell), monitors_(monitors) {}
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Registers the icon; retries once a second while the shell times out.
  // False on any other failure.
  bool Add(HWND owner, UINT callbackMessage, HICON icon, const Text& tip);
  void SetTip(const Text& tip);
  // Removes the icon added under the owner window.
  void Remove();
  bool Added() const { return added_; }

  // Opens a popup menu at the cursor for the owner window; the chosen
  // command arrives there as WM_COMMAND.
  void TrackMenu(HMENU popup) const;

 private:
  NOTIFYICONDATAW Description(UINT flags) const;
  bool Register(const NOTIFYICONDATAW& nid);

  TrayShell& shell_;
  const MonitorSeam& monitors_;
  HWND owner_ = nullptr;
  bool added_ = false;
};
