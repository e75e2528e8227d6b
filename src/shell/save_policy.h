// When the program saves what a held file kept back, and what it does when a
// change stays unsaved at the end: the catch-up timer, the patience of the
// last saves, 終了's question and the end of the session. A change that no
// file holds (the pending file could not be written either) is never
// dropped without the user knowing: 終了 asks, and a sign-out is held up
// with a reason Windows shows, never with a box.
#pragma once

#include <windows.h>

#include <functional>

#include "data/activity_data.h"
#include "shell/messages.h"

// ShutdownBlockReasonCreate and ShutdownBlockReasonDestroy, behind a seam:
// Wine has only stubs of them, and tests see what Windows is asked.
struct SignOutBlock {
  std::function<BOOL(HWND, const wchar_t*)> create = ::ShutdownBlockReasonCreate;
  std::function<BOOL(HWND)> destroy = ::ShutdownBlockReasonDestroy;
};

class SavePolicy {
 public:
  // The user's answer to 終了's question: true ends the program.
  using Question = std::function<bool(const MessageText&)>;

  // The catch-up timer's id on the window; the tray icon's wait is timer 1,
  // its offers of the icon timer 3.
  static constexpr UINT_PTR kCatchUpTimer = 2;
  // A file held by a spreadsheet is caught up within seconds of its closing.
  static constexpr UINT kCatchUpMilliseconds = 4000;

  // A Yes/No message box without an owner, No the default.
  explicit SavePolicy(ActivityData& data);
  SavePolicy(ActivityData& data, Question ask, SignOutBlock block = SignOutBlock());
  ~SavePolicy();
  SavePolicy(const SavePolicy&) = delete;
  SavePolicy& operator=(const SavePolicy&) = delete;

  // From the window's creation to its destruction: every change made
  // anywhere (the item menu, the editor, the settings) starts the timer
  // while something is unsaved; a start that found a pending file too.
  void Attach(HWND window);
  void Detach();

  // Starts the timer when something is unsaved and it does not run yet.
  void KeepCatchingUp();
  // WM_TIMER: true when it was the catch-up timer's.
  bool OnTimer(UINT_PTR id);

  // 終了: the last quiet try; true when the program may end. When no file
  // holds the change, the user is asked first.
  bool ConfirmExit();
  // WM_QUERYENDSESSION: one quiet try that waits for no held file; false
  // (the sign-out waits, with a reason on its screen) when no file holds
  // the change.
  bool OnQueryEndSession();
  // WM_ENDSESSION that ends the session: the last quiet try, no waiting.
  void OnEndSession();
  // After anything that may have saved or failed to (the message loop's
  // idle time, a timer): the sign-out's reason follows whether a change is
  // held by no file.
  void UpdateBlockReason();

  bool AnythingUnsaved() const;
  bool ChangeHeldByNoFile() const;
  // The reason given to Windows for holding up the sign-out, while it
  // stands; empty otherwise.
  const Text& SignOutReason() const { return reason_; }

 private:
  // Saves what a held file kept back, quietly, within `patience`.
  void SaveUnsavedChanges(HoldPatience& patience, SaveKind kind = SaveKind::kQuiet);
  void OnCatchUpTimer();
  // One reason at a time, or none (empty).
  void SetBlockReason(const Text& reason);

  ActivityData& data_;
  Question ask_;
  SignOutBlock block_;
  HWND window_ = nullptr;
  bool catchingUp_ = false;
  Text reason_;
};
