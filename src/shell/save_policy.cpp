#include "shell/save_policy.h"

#include <utility>
#include <vector>

#include "data/item_catalogue.h"
#include "shell/message_box_notifier.h"

SavePolicy::SavePolicy(ActivityData& data)
    : SavePolicy(data, [](const MessageText& q) { return MessageBoxNotifier().AskYesNo(q); }) {}

SavePolicy::SavePolicy(ActivityData& data, Question ask) : data_(data), ask_(std::move(ask)) {}

SavePolicy::~SavePolicy() { Detach(); }

void SavePolicy::Attach(HWND window) {
  window_ = window;
  data_.ws.changed = [this] { KeepCatchingUp(); };
  KeepCatchingUp();
}

void SavePolicy::Detach() {
  if (!window_) return;
  data_.ws.changed = nullptr;
  if (catchingUp_) ::KillTimer(window_, kCatchUpTimer);
  catchingUp_ = false;
  if (!reason_.empty()) ::ShutdownBlockReasonDestroy(window_);
  reason_.clear();
  window_ = nullptr;
}

bool SavePolicy::AnythingUnsaved() const {
  return data_.catalogue.Unsaved() || data_.store.Unsaved();
}

bool SavePolicy::ChangeHeldByNoFile() const {
  return data_.catalogue.ChangeHeldByNoFile() || data_.store.ChangeHeldByNoFile();
}

void SavePolicy::SaveUnsavedChanges(HoldPatience& patience, SaveKind kind) {
  if (data_.catalogue.Unsaved()) data_.catalogue.Save(data_.ws, patience, kind);
  if (data_.store.Unsaved()) data_.store.Save(patience, kind);
  UpdateBlockReason();
}

void SavePolicy::KeepCatchingUp() {
  if (catchingUp_ || !window_ || !AnythingUnsaved()) return;
  catchingUp_ = ::SetTimer(window_, kCatchUpTimer, kCatchUpMilliseconds, nullptr) != 0;
}

bool SavePolicy::OnTimer(UINT_PTR id) {
  if (id != kCatchUpTimer || !window_) return false;
  OnCatchUpTimer();
  return true;
}

// One try for each file and no waiting: the user-interface thread never
// stops for a retry the user did not ask for. The timer ends when all is
// saved, and the next change starts it again.
void SavePolicy::OnCatchUpTimer() {
  HoldPatience none = HoldPatience::None();
  SaveUnsavedChanges(none);
  if (AnythingUnsaved()) return;
  ::KillTimer(window_, kCatchUpTimer);
  catchingUp_ = false;
}

// A change still held back is tried once more; when that fails too and the
// pending file has it, the next start takes it up, so nothing is shown. Only
// a change that no file holds makes 終了 ask, with No the default.
bool SavePolicy::ConfirmExit() {
  HoldPatience patience;
  SaveUnsavedChanges(patience);
  if (!ChangeHeldByNoFile()) return true;
  std::vector<Text> paths;
  if (data_.store.ChangeHeldByNoFile()) paths.push_back(data_.store.DataPath());
  if (data_.catalogue.ChangeHeldByNoFile()) paths.push_back(SettingsPath(data_.ws));
  return ask_(ExitQuestion(paths));
}

// No box may stop a sign-out, and the try is done before this returns,
// within one patience for both files. A change that no file holds holds up
// the sign-out instead: Windows lists the program with its reason and the
// user decides.
bool SavePolicy::OnQueryEndSession() {
  if (!AnythingUnsaved()) return true;
  HoldPatience patience;
  SaveUnsavedChanges(patience, SaveKind::kEnd);
  if (!ChangeHeldByNoFile()) return true;
  if (reason_.empty() && window_) {
    reason_ = kCannotSaveAtEndOfSession;
    ::ShutdownBlockReasonCreate(window_, WStr(reason_));
  }
  return false;
}

// Meanwhile the sign-out screen names what the program is doing.
void SavePolicy::OnEndSession() {
  if (!AnythingUnsaved()) return;
  const bool blocking =
      window_ && ::ShutdownBlockReasonCreate(window_, WStr(kSavingAtEndOfSession)) != 0;
  HoldPatience patience;
  SaveUnsavedChanges(patience, SaveKind::kEnd);
  if (blocking) ::ShutdownBlockReasonDestroy(window_);
  reason_.clear();
}

void SavePolicy::SaveBeforeEnding() {
  HoldPatience patience;
  SaveUnsavedChanges(patience);
}

void SavePolicy::UpdateBlockReason() {
  if (reason_.empty() || ChangeHeldByNoFile()) return;
  ::ShutdownBlockReasonDestroy(window_);
  reason_.clear();
}
