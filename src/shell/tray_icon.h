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

// The description's size: the layout of the shells since Vista. Explorer
// treats an icon described in an older layout as one of the first shells,
// which knows no keyboard notifications. The tooltip holds 128 UTF-16 units
// in every layout.
constexpr DWORD kTrayIconDataSize = sizeof(NOTIFYICONDATAW);
#ifndef _WIN64
static_assert(kTrayIconDataSize == 956, "NOTIFYICONDATAW up to hBalloonIcon on 32-bit");
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
  // Lets `message` reach `window` across user-interface privilege isolation
  // (ChangeWindowMessageFilterEx): a copy started elevated otherwise never
  // hears from the shell of the signed-in user.
  virtual void AllowMessage(HWND window, UINT message) = 0;
  // How long a program started before the taskbar waits for one.
  virtual DWORD AreaWaitMilliseconds() const { return 60000; }
  // How often the icon is offered again meanwhile: a shell that refused it
  // once (busy, or its notification area not ready) may take it later
  // without announcing itself again.
  virtual DWORD AreaRetryMilliseconds() const { return 5000; }
};

// The shell of the desktop.
TrayShell& SystemTray();

// Copies text into a tooltip field of `capacity` units with its terminator.
// A longer text is cut to capacity - 1 units, and one unit less when the cut
// would split a surrogate pair (the tooltip would end in half a character).
void CopyTip(const Text& text, wchar_t* field, size_t capacity);

// What a callback message from the icon asks of its owner.
struct TrayRequest {
  enum Menu { kNone, kItems, kCommands };
  Menu menu = kNone;
  // Enter, Space, the menu key or Shift+F10 on the icon: the menu opens at
  // the anchor, and the keyboard focus goes back to the icon when the
  // icon's part is done.
  bool keyboard = false;
  // The icon's anchor in the owner window's (logical) coordinates.
  POINT anchor{};
};

// One icon (id 0) under one owner window, which receives the callback
// message and the commands of the menus, and passes its messages to
// ProcessWindowMessage first.
class CTrayIcon {
 public:
  // The owner window's timers of the wait for a notification area, and of
  // the offers of the icon meanwhile.
  static constexpr UINT_PTR kAreaWaitTimer = 1;
  static constexpr UINT_PTR kAreaRetryTimer = 3;

  CTrayIcon(TrayShell& shell, const MonitorSeam& monitors);
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Registers the icon and asks for version 4 of the notifications; retries
  // once a second, a few times, while the shell times out. Any other failure
  // may mean that there is no notification area yet (a start at sign-in,
  // before the taskbar): the icon is then offered again every few seconds
  // and when a notification area announces itself, and `noArea` runs if
  // none has taken it within a minute. True when the icon is there now.
  bool Add(HWND owner, UINT callbackMessage, HICON icon, const Text& tip,
           std::function<void()> noArea);
  void SetTip(const Text& tip);
  // Removes the icon added under the owner window.
  void Remove();
  bool Added() const { return added_; }

  // Decodes the callback message (version 4: the event in the low word of
  // lParam, the anchor in wParam, in physical pixels: the shell is per-monitor
  // aware, this program is not). One gesture opens one menu: nothing is
  // asked while a menu of the icon is open, nor by the message a gesture
  // that has been answered sends last (the menu message of a right click,
  // Enter's second key notification) within the double-click time.
  TrayRequest Decode(WPARAM wParam, LPARAM lParam);
  // Opens a popup menu for the owner window at the cursor, or at the anchor
  // of a keyboard request, and returns the chosen command (0: none). A
  // keyboard menu closed without a choice gives the focus back to the icon.
  UINT TrackMenu(HMENU popup, const TrayRequest& request);
  // Gives the keyboard focus back to the icon after a keyboard request
  // (NIM_SETFOCUS); nothing after a mouse one.
  void ReturnFocus(const TrayRequest& request);
  // A command of a keyboard menu has run: what it opened (a dialog, a box)
  // has closed, and the keyboard goes back to the icon where the user was;
  // a window it left open (the report) gives it back when it closes.
  void AfterKeyboardCommand(bool windowLeftOpen);
  void WindowClosed();
  // Brings the window the user was in, the owner's last active popup, to
  // the foreground: the dialogs have no taskbar button, and one behind other
  // windows is found from the icon.
  void BringForward() const;

  // A notification area announcing itself (TaskbarCreated), and the end of
  // the wait for one. False for every other message.
  bool ProcessWindowMessage(UINT msg, WPARAM wParam);

 private:
  NOTIFYICONDATAW Description(UINT flags) const;
  // `timeOutRetries` waits of a second each for a shell that times out.
  bool Register(int timeOutRetries);
  bool AddOrModify(const NOTIFYICONDATAW& nid, int timeOutRetries);
  void OnTaskbarCreated();
  void StartWaiting();
  void StopWaiting();
  // NIM_SETFOCUS, while the icon is there.
  void GiveFocusBack();

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
  bool menuOpen_ = false;
  bool focusOwed_ = false;
  // The last message of the gesture answered last, and since when.
  UINT gestureEnd_ = 0;
  DWORD gestureEndSince_ = 0;
};
