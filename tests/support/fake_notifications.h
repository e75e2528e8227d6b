// Change notifications as FindFirstChangeNotificationW documents them
// (Microsoft's reference of FindFirstChangeNotificationW and
// FindNextChangeNotification): a handle that is signalled when the folder
// changes and stays signalled until FindNextChangeNotification asks for the
// next change, or INVALID_HANDLE_VALUE when the folder cannot be watched.
// A test signals a change itself, and can make either call fail.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "win/folder_watch.h"

class FakeNotifications : public ChangeNotifications {
 public:
  ~FakeNotifications() override {
    if (event) ::CloseHandle(event);
  }
  HANDLE First(const Text& folder) override {
    folders.push_back(folder);
    if (refuse) return INVALID_HANDLE_VALUE;
    event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
  }
  bool Next(HANDLE handle) override {
    ++nexts;
    const bool armed = !failNext && ::ResetEvent(handle);
    if (onNext) onNext();
    return armed;
  }
  void Close(HANDLE handle) override {
    ::CloseHandle(handle);
    if (handle == event) event = nullptr;
    ++closes;
  }
  void Signal() { ::SetEvent(event); }

  bool refuse = false;
  bool failNext = false;
  std::function<void()> onNext;  // runs inside the loop's serving of the signal
  std::vector<Text> folders;
  HANDLE event = nullptr;
  int nexts = 0;
  int closes = 0;
};
