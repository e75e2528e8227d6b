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

int CMessageLoop::Run() {
  bool doIdle = true;
  int idleCount = 0;
  MSG msg{};
  for (;;) {
    while (doIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) doIdle = false;
    }
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
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
