// Helpers shared by the Win32 tests.
#pragma once

#include <windows.h>

#include <vector>

// Removes every message waiting for this thread, so that one test's leftovers
// (posted commands, WM_QUIT) cannot reach the next.
inline void DrainMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) ::DispatchMessageW(&msg);
  }
}

// Dispatches the waiting messages and returns WM_QUIT's exit code, or -1 when
// no quit message was posted.
inline int PumpUntilIdle() {
  MSG msg;
  int quit = -1;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = static_cast<int>(msg.wParam);
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return quit;
}

// A window of the dialog class (#32770): a dialog or a message box.
inline bool IsDialogWindow(HWND hwnd) {
  wchar_t name[16] = {};
  ::GetClassNameW(hwnd, name, 16);
  return lstrcmpW(name, L"#32770") == 0;
}

// Dispatches messages as they come until `done()` holds or `timeoutMs` has
// passed; true when it holds. A WM_QUIT met on the way leaves its exit code
// in `*quit`.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs, int* quit = nullptr) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= timeoutMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        if (quit) *quit = static_cast<int>(msg.wParam);
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return true;
}
