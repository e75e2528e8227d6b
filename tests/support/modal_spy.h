// Works a modal dialog of this thread from inside its own modal loop:
// DoModal does not return until the dialog ends, so a thread timer, which the
// dialog's own loop dispatches, finds the dialog by its caption (or a
// matcher) once it is visible and hands it to a test's action once. With
// kCancelAfter a dialog the action left open is cancelled, so an action that
// failed half-way does not leave the test waiting; either way a dialog still open long after the
// action is ended by force, so that one that ignores its closing cannot hang
// the test run. Create the spy before the call that opens the dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

class ModalSpy {
 public:
  using Action = std::function<void(HWND dialog)>;
  enum AfterAction { kLeaveOpen, kCancelAfter };

  using Matcher = std::function<bool(HWND window)>;

  ModalSpy(std::wstring caption, Action action, AfterAction after = kLeaveOpen)
      : ModalSpy(
            [caption = std::move(caption)](HWND hwnd) {
              wchar_t text[128] = {};
              ::GetWindowTextW(hwnd, text, 128);
              return caption == text;
            },
            std::move(action), after) {}
  // For a dialog of the system's whose caption depends on the locale.
  ModalSpy(Matcher match, Action action, AfterAction after = kLeaveOpen)
      : match_(std::move(match)), action_(std::move(action)), after_(after) {
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
    if (::IsWindowVisible(hwnd) && self->match_(hwnd)) {
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
      if (self->after_ == kCancelAfter && ::IsWindowVisible(self->found_)) {
        ::PostMessageW(self->found_, WM_COMMAND, IDCANCEL, 0);
      }
    } else if (++self->ticksSinceAction_ > 100) {
      self->forced_ = true;
      ::EndDialog(self->found_, kForcedResult);
    }
  }

  static inline ModalSpy* instance_ = nullptr;
  Matcher match_;
  Action action_;
  AfterAction after_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool acted_ = false;
  bool busy_ = false;
  bool forced_ = false;
  int ticksSinceAction_ = 0;
};
