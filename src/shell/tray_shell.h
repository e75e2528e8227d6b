// The notification-area calls behind a seam: tests see every description
// sent to the shell and can make it time out or refuse.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>

#include "base/text.h"

// The description's size: the layout whose tooltip holds 128 UTF-16 units.
// The program asks for no later behaviour of the shell (no NIM_SETVERSION).
constexpr DWORD kTrayIconDataSize = NOTIFYICONDATAW_V2_SIZE;
#ifndef _WIN64
static_assert(kTrayIconDataSize == 936, "NOTIFYICONDATAW up to szInfoTitle (V2) on 32-bit");
#endif

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
