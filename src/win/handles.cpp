#include "win/handles.h"

#ifdef DORVANE_COUNT_HANDLES
#include <atomic>

namespace handle_count {
namespace {
std::atomic<long> live[static_cast<int>(HandleKind::kCount)];
}
void Opened(HandleKind kind) { ++live[static_cast<int>(kind)]; }
void Closed(HandleKind kind) { --live[static_cast<int>(kind)]; }
long Live(HandleKind kind) { return live[static_cast<int>(kind)]; }
}  // namespace handle_count

// The counts as the end-to-end tests read them: their probe, loaded into the
// process, finds this export of the executable with GetProcAddress. -1 for a
// kind that does not exist.
extern "C" __declspec(dllexport) long DorvaneLiveHandles(int kind) {
  if (kind < 0 || kind >= static_cast<int>(HandleKind::kCount)) return -1;
  return handle_count::Live(static_cast<HandleKind>(kind));
}
#endif

WindowDC::WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {
  if (dc_) DORVANE_HANDLE_OPENED(HandleKind::WindowDC);
}

WindowDC::~WindowDC() {
  if (!dc_) return;
  ::ReleaseDC(hwnd_, dc_);
  DORVANE_HANDLE_CLOSED(HandleKind::WindowDC);
}
