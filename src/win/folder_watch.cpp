#include "win/folder_watch.h"

#include <utility>

namespace {
class SystemNotifications : public ChangeNotifications {
 public:
  HANDLE First(const Text& folder) override {
    return ::FindFirstChangeNotificationW(
        WStr(folder), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  }
  bool Next(HANDLE handle) override { return ::FindNextChangeNotification(handle) != FALSE; }
  void Close(HANDLE handle) override { ::FindCloseChangeNotification(handle); }
};
}  // namespace

ChangeNotifications& SystemChangeNotifications() {
  static SystemNotifications notifications;
  return notifications;
}

bool CFolderWatch::Start(CMessageLoop* loop, const Text& folder, std::function<void()> changed) {
  Stop();
  if (!loop) return false;
  HANDLE handle = notifications_.First(folder);
  // The failure value is INVALID_HANDLE_VALUE, not null; neither is a watch.
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  if (!loop->AddWaitHandle(handle, this)) {
    notifications_.Close(handle);
    return false;
  }
  loop_ = loop;
  handle_ = handle;
  changed_ = std::move(changed);
  return true;
}

void CFolderWatch::Stop() {
  if (!handle_) return;
  // Out of the loop's wait before it is closed: a closed handle would make
  // every wait fail.
  loop_->RemoveWaitHandle(handle_);
  notifications_.Close(handle_);
  handle_ = nullptr;
  loop_ = nullptr;
}

void CFolderWatch::OnSignalled(HANDLE handle) {
  if (handle != handle_) return;
  // Armed again before the change is looked at, so that a change made while
  // it is looked at signals once more. A watch that cannot be armed again
  // (the folder went away) ends; this change is still told.
  if (!notifications_.Next(handle_)) Stop();
  if (changed_) changed_();
}
