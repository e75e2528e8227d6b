#include "shell/file_watch.h"

#include <utility>

#include "data/tracker.h"

void CFileWatch::Attach(HWND window, CMessageLoop* loop, std::function<bool()> mayLook,
                        std::function<void()> followed) {
  window_ = window;
  mayLook_ = std::move(mayLook);
  followed_ = std::move(followed);
  edits_.Start();
  folder_.Start(loop, data_.ws.directory, [this] { OnFolderChanged(); });
}

void CFileWatch::Detach() {
  folder_.Stop();
  if (window_) ::KillTimer(window_, kQuietTimer);
  window_ = nullptr;
  timerRuns_ = false;
}

void CFileWatch::OnFolderChanged() {
  if (!window_) return;
  const DWORD now = ::GetTickCount();
  if (!timerRuns_) {
    burstStart_ = now;
  } else if (now - burstStart_ >= kLongestBurst) {
    return;  // the timer runs out soon: it is not put off again
  }
  // Setting a running timer again starts its interval anew.
  timerRuns_ = ::SetTimer(window_, kQuietTimer, kQuietMilliseconds, nullptr) != 0;
}

bool CFileWatch::OnTimer(UINT_PTR id) {
  if (id != kQuietTimer || !window_) return false;
  ::KillTimer(window_, kQuietTimer);
  timerRuns_ = false;
  // A message box of a look (a file kept aside) runs a loop of its own, in
  // which this timer can fire again.
  if (looking_ || (mayLook_ && !mayLook_())) {
    heldBack_ = true;
    return true;
  }
  Look();
  return true;
}

void CFileWatch::Resume() {
  if (!heldBack_ || looking_ || !window_ || (mayLook_ && !mayLook_())) return;
  Look();
}

void CFileWatch::Look() {
  heldBack_ = false;
  looking_ = true;
  const EditWatch::Outcome outcome = edits_.Look();
  looking_ = false;
  if (outcome.takenIn && followed_) followed_();
  // A file held without sharing is looked at again while it is held: its
  // edit is still to come.
  if (outcome.lookAgain && window_) {
    timerRuns_ = ::SetTimer(window_, kQuietTimer, kHeldMilliseconds, nullptr) != 0;
    burstStart_ = ::GetTickCount();
  }
  if (heldBack_) Resume();
}

bool CFileWatch::LookBeforeShowing() {
  if (Watching()) return false;
  return TakeInEdits(data_);
}
