#include "shell/save_policy.h"

#include <utility>
#include <vector>

#include "data/item_catalogue.h"
#include "shell/message_box_notifier.h"

SavePolicy::SavePolicy(ActivityData& data)
    : SavePolicy(data, [](const MessageText& q) { return MessageBoxNotifier().AskYesNo(q); }) {}

SavePolicy::SavePolicy(ActivityData& data, Question ask, SignOutBlock block)
    : data_(data), ask_(std::move(ask)), block_(std::move(block)) {}

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
  SetBlockReason(Text());
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

// Windows asks for the reason when the work that needs it begins, not in
// WM_QUERYENDSESSION: by then the time Windows gives may have run out.
void SavePolicy::UpdateBlockReason() {
  SetBlockReason(ChangeHeldByNoFile() ? Text(kCannotSaveAtEndOfSession) : Text());
}

void SavePolicy::SetBlockReason(const Text& reason) {
  if (!window_ || reason == reason_) return;
  // One reason for the window at a time: the old one goes first.
  if (!reason_.empty()) block_.destroy(window_);
  // Kept as asked for even when Windows refuses it (Wine has only a stub):
  // WM_QUERYENDSESSION's answer holds up the sign-out all the same.
  reason_ = reason;
  if (!reason.empty()) block_.create(window_, WStr(reason));
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
// saved, and the next change starts it again. A box it brings (a copy kept
// aside) comes while the user works in another program, which it must not
// hide behind.
void SavePolicy::OnCatchUpTimer() {
  HoldPatience none = HoldPatience::None();
  {
    UnaskedBoxes unasked;
    SaveUnsavedChanges(none);
  }
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

// No box may stop a sign-out, and nothing waits for a held file: the pending
// file holds what the file could not take, and a change that no file holds
// has held up the sign-out with its reason since it became so (here at the
// latest). Windows lists the program with that reason and the user decides.
bool SavePolicy::OnQueryEndSession() {
  if (!AnythingUnsaved()) return true;
  HoldPatience none = HoldPatience::None();
  SaveUnsavedChanges(none, SaveKind::kEnd);
  return !ChangeHeldByNoFile();
}

// Meanwhile the sign-out screen names what the program is doing.
void SavePolicy::OnEndSession() {
  if (!AnythingUnsaved()) return;
  SetBlockReason(kSavingAtEndOfSession);
  HoldPatience none = HoldPatience::None();
  SaveUnsavedChanges(none, SaveKind::kEnd);
}
