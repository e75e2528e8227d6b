// Works a modal dialog of this thread from inside its own modal loop: a
// thread timer finds the dialog by its caption once it is visible, hands it
// to a test's action once, and ends it by force if it is still open long
// after the action, so that a dialog that ignores its closing cannot hang the
// test run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class ModalSpy {
 public:
  using Action = std::function<void(HWND dialog)>;

  ModalSpy(std::wstring caption, Action action)
      : caption_(std::move(caption)), action_(std::move(action)) {
    instance_ = this;
    timer_ = ::SetTimer(nullptr, 0, 20, Tick);
  }
  ~ModalSpy() {
    ::KillTimer(nullptr, timer_);
    instance_ = nullptr;
  }
  ModalSpy(const ModalSpy&) = delete;
  ModalSpy& operator=(const ModalSpy&) = delete;

  bool Acted() const { return acted_; }
  // The dialog outlived its action by about two seconds and was ended here.
  bool Forced() const { return forced_; }

  static constexpr INT_PTR kForcedResult = -2;

 private:
  static BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
    auto* self = reinterpret_cast<ModalSpy*>(param);
    wchar_t text[128] = {};
    ::GetWindowTextW(hwnd, text, 128);
    if (::IsWindowVisible(hwnd) && self->caption_ == text) {
      self->found_ = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalSpy* self = instance_;
    if (!self || self->busy_) return;
    self->found_ = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(self));
    if (!self->found_) return;
    if (!self->acted_) {
      self->acted_ = true;
      // The action may run nested loops (a menu) that fire this timer again.
      self->busy_ = true;
      self->action_(self->found_);
      self->busy_ = false;
    } else if (++self->ticksSinceAction_ > 100) {
      self->forced_ = true;
      ::EndDialog(self->found_, kForcedResult);
    }
  }

  static inline ModalSpy* instance_ = nullptr;
  std::wstring caption_;
  Action action_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool acted_ = false;
  bool busy_ = false;
  bool forced_ = false;
  int ticksSinceAction_ = 0;
};
