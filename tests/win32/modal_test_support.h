// Driving a modal dialog from the test that opened it: DialogBoxParamW does
// not return until the dialog ends, so the test's steps run from a thread
// timer, which the dialog's own message loop dispatches once the dialog is
// shown.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace modal_test {

struct Pending {
  std::wstring title;
  std::function<void(HWND)> body;
  UINT_PTR timer = 0;
  bool ran = false;
};

inline Pending& Current() {
  static Pending pending;
  return pending;
}

struct Search {
  const std::wstring* title;
  HWND found;
};

inline BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<Search*>(lParam);
  wchar_t text[256] = {};
  ::GetWindowTextW(hwnd, text, 256);
  if (::IsWindowVisible(hwnd) && *s->title == text) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The visible dialog of this thread with the title, or null.
inline HWND FindThreadDialog(const std::wstring& title) {
  Search search{&title, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  Pending& p = Current();
  HWND dialog = FindThreadDialog(p.title);
  if (!dialog || p.ran) return;
  ::KillTimer(nullptr, p.timer);
  p.ran = true;
  p.body(dialog);
  // A body that failed half-way must not leave the test waiting forever.
  if (::IsWindowVisible(dialog)) ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace modal_test

// Arranges for `body` to run with the dialog's window as soon as a visible
// dialog titled `title` is open on this thread; the dialog is cancelled after
// the body unless the body ended it. Call before the call that opens it.
inline void WhenDialogOpens(const std::wstring& title, std::function<void(HWND)> body) {
  modal_test::Pending& p = modal_test::Current();
  p.title = title;
  p.body = std::move(body);
  p.ran = false;
  p.timer = ::SetTimer(nullptr, 0, 10, modal_test::OnTimer);
}

// True when the body of the last WhenDialogOpens ran; stops its timer.
inline bool DialogBodyRan() {
  modal_test::Pending& p = modal_test::Current();
  if (!p.ran) ::KillTimer(nullptr, p.timer);
  return p.ran;
}
