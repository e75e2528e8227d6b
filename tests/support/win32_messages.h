// Helpers shared by the Win32 tests.
#pragma once

#include <windows.h>

#include <functional>
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
// no quit message was posted. With `done`, goes on dispatching as messages
// come until it holds or `timeoutMs` has passed.
inline int PumpUntilIdle(const std::function<bool()>& done = nullptr, DWORD timeoutMs = 0) {
  const DWORD start = ::GetTickCount();
  int quit = -1;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = static_cast<int>(msg.wParam);
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const DWORD spent = ::GetTickCount() - start;
    if (!done || done() || spent >= timeoutMs) return quit;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
  }
}
