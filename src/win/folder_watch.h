// A change notification on a folder, served by the thread's message loop:
// the program stays on one thread, and the notification arrives between
// two messages like a timer.
#pragma once

#include <windows.h>

#include <functional>

#include "base/text.h"
#include "win/message_loop.h"

// FindFirstChangeNotificationW and its companions, so that tests can make
// them fail.
class ChangeNotifications {
 public:
  virtual ~ChangeNotifications() = default;
  // Names, sizes and last-write times of the files directly in the folder;
  // INVALID_HANDLE_VALUE when the folder cannot be watched.
  virtual HANDLE First(const Text& folder) = 0;
  virtual bool Next(HANDLE handle) = 0;
  virtual void Close(HANDLE handle) = 0;
};

ChangeNotifications& SystemChangeNotifications();

class CFolderWatch : public CWaitHandler {
 public:
  explicit CFolderWatch(ChangeNotifications& notifications = SystemChangeNotifications())
      : notifications_(notifications) {}
  ~CFolderWatch() override { Stop(); }
  CFolderWatch(const CFolderWatch&) = delete;
  CFolderWatch& operator=(const CFolderWatch&) = delete;

  // Calls `changed` after each change in the folder, from `loop`. False,
  // and no watch, when the folder cannot be watched (some network shares)
  // or the loop waits on all it can.
  bool Start(CMessageLoop* loop, const Text& folder, std::function<void()> changed);
  void Stop();
  // False when the watch never started or was lost: nothing tells of a
  // change then.
  bool Active() const { return handle_ != nullptr; }

  void OnSignalled(HANDLE handle) override;

 private:
  ChangeNotifications& notifications_;
  CMessageLoop* loop_ = nullptr;
  HANDLE handle_ = nullptr;
  std::function<void()> changed_;
};
