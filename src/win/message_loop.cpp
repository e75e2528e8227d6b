#include "win/message_loop.h"

#include <algorithm>

namespace {
template <typename T>
bool RemoveFrom(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

// Where item sits in the list now; `gone` when it is no longer there.
template <typename T>
size_t PositionOf(const std::vector<T*>& list, T* item, size_t gone) {
  auto it = std::find(list.begin(), list.end(), item);
  return it == list.end() ? gone : static_cast<size_t>(it - list.begin());
}

constexpr UINT kSystemTimer = 0x0118;  // WM_SYSTIMER: caret blinking
}  // namespace

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) { filters_.push_back(filter); }
bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { return RemoveFrom(filters_, filter); }
void CMessageLoop::AddIdleHandler(CIdleHandler* handler) { idleHandlers_.push_back(handler); }
bool CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { return RemoveFrom(idleHandlers_, handler); }

bool CMessageLoop::AddWaitHandle(HANDLE handle, CWaitHandler* handler) {
  // One place of the wait's array is the message queue's.
  if (waits_.size() >= MAXIMUM_WAIT_OBJECTS - 1) return false;
  for (const Wait& wait : waits_) {
    if (wait.handle == handle) return false;
  }
  waits_.push_back(Wait{handle, handler});
  return true;
}

bool CMessageLoop::RemoveWaitHandle(HANDLE handle) {
  auto it = std::find_if(waits_.begin(), waits_.end(), [handle](const Wait& w) { return w.handle == handle; });
  if (it == waits_.end()) return false;
  waits_.erase(it);
  return true;
}

BOOL CMessageLoop::NextMessage(MSG& msg) {
  while (!waits_.empty()) {
    // Messages first after every handle served: a handle that stays
    // signalled must not starve the queue.
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return msg.message != WM_QUIT;
    std::vector<HANDLE> handles;
    for (const Wait& wait : waits_) handles.push_back(wait.handle);
    const DWORD count = static_cast<DWORD>(handles.size());
    // MWMO_INPUTAVAILABLE: a message the idle round's PeekMessageW saw but
    // left in the queue wakes the wait too; without it the wait would sleep
    // on a message already there.
    const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE, QS_ALLINPUT,
                                                      MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 + count) continue;  // input: PeekMessageW takes it (a sent one it handles)
    if (woken >= WAIT_OBJECT_0 + count) break;     // the wait failed: messages alone this time
    const HANDLE signalled = handles[woken - WAIT_OBJECT_0];
    // Its handler of now: one served before may have removed it.
    CWaitHandler* handler = nullptr;
    for (const Wait& wait : waits_) {
      if (wait.handle == signalled) handler = wait.handler;
    }
    if (handler) handler->OnSignalled(signalled);
  }
  return ::GetMessageW(&msg, nullptr, 0, 0);
}

int CMessageLoop::Run() {
  bool doIdle = true;
  int idleCount = 0;
  MSG msg{};
  for (;;) {
    while (doIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) doIdle = false;
    }
    BOOL got = NextMessage(msg);
    if (got == -1) continue;
    if (!got) break;
    if (!PreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (IsIdleMessage(msg)) {
      doIdle = true;
      idleCount = 0;
    }
  }
  return static_cast<int>(msg.wParam);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
  // A filter may remove itself or another one while it runs (IsDialogMessageW
  // can destroy a dialog): after each call go on from where the filter sits
  // now, so no filter is skipped, called twice or called after removal.
  size_t i = filters_.size();
  while (i > 0) {
    CMessageFilter* filter = filters_[i - 1];
    if (filter->PreTranslateMessage(msg)) return TRUE;
    i = std::min(PositionOf(filters_, filter, i - 1), filters_.size());
  }
  return FALSE;
}

bool CMessageLoop::OnIdle(int /*idleCount*/) {
  if (idleHandlers_.empty()) return false;
  size_t i = 0;
  while (i < idleHandlers_.size()) {
    CIdleHandler* handler = idleHandlers_[i];
    if (!handler->OnIdle()) return false;
    // A handler that removed itself left its successor in slot i.
    auto it = std::find(idleHandlers_.begin(), idleHandlers_.end(), handler);
    if (it != idleHandlers_.end()) i = static_cast<size_t>(it - idleHandlers_.begin()) + 1;
  }
  return true;
}

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kSystemTimer:
      return false;
    default:
      return true;
  }
}
