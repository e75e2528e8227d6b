#include "remote.h"

#include <memory>

#include "util.h"

namespace driver {

namespace {

constexpr DWORD kLoadTimeoutMs = 20000;
constexpr DWORD kRequestTimeoutMs = 20000;
constexpr DWORD kSyncTimeoutMs = 10000;
// Each further marker round covers messages that handling posted in turn.
constexpr int kSyncRounds = 3;

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::wstring LastError(const wchar_t* what) {
  wchar_t buf[256];
  wsprintfW(buf, L"%s failed (error %lu)", what, GetLastError());
  return buf;
}

std::wstring Named(const wchar_t* base) { return base + std::to_wstring(GetCurrentProcessId()); }

HWND FindProbeWindow(DWORD thread) {
  for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, probe::kWindowClass, nullptr); w;
       w = FindWindowExW(HWND_MESSAGE, w, probe::kWindowClass, nullptr)) {
    if (GetWindowThreadProcessId(w, nullptr) == thread) return w;
  }
  return nullptr;
}

// A window of the thread that serves the request: the program has one
// thread; in explorer.exe the tray's.
HWND TargetWindow(DWORD pid, probe::Op op, uint32_t arg) {
  if (op == probe::kSync) return reinterpret_cast<HWND>(static_cast<uintptr_t>(arg));
  for (HWND hwnd : TopLevelWindows(pid)) {
    const std::wstring name = ClassName(hwnd);
    if (op != probe::kReadTray || name == L"__winex11_standalone_tray" || name == L"Shell_TrayWnd" ||
        name == L"__winex11_tray_icon" || FindWindowExW(hwnd, nullptr, L"Shell_TrayWnd", nullptr))
      return hwnd;
  }
  return nullptr;
}

// The probe's window on the thread of `window`, loading the probe there
// first if need be: a WH_GETMESSAGE hook with the probe's module makes the
// thread load the DLL when it next takes a message from its queue, which a
// posted WM_NULL brings about.
HWND LoadProbe(HWND window, std::wstring* error) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (HWND probe_window = FindProbeWindow(thread)) return probe_window;
  static HMODULE local = nullptr;
  if (!local) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll = path;
    dll.resize(dll.find_last_of(L"\\/") + 1);
    local = LoadLibraryW((dll + L"dorvane_probe.dll").c_str());
    if (!local) {
      *error = LastError(L"loading the probe DLL in the driver");
      return nullptr;
    }
  }
  auto hook_proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(local, probe::kHookName)));
  if (!hook_proc) {
    *error = L"the probe DLL has no hook procedure " + Wide(probe::kHookName);
    return nullptr;
  }
  HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, hook_proc, local, thread);
  if (!hook) {
    *error = LastError(L"SetWindowsHookExW on the program's thread");
    return nullptr;
  }
  HWND probe_window = nullptr;
  if (PostMessageW(window, WM_NULL, 0, 0))
    WaitUntil(kLoadTimeoutMs, [&] { return (probe_window = FindProbeWindow(thread)) != nullptr; });
  UnhookWindowsHookEx(hook);
  if (!probe_window) {
    *error = IsWindow(window) ? L"the thread did not load the probe within 20 s (is it blocked?)"
                              : L"the window went away before the probe was loaded";
  }
  return probe_window;
}

void Request(HWND probe_window, probe::Op op, ProbeAnswer* answer) {
  Handle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(probe::Block),
                                    Named(probe::kBlockName).c_str()));
  if (!mapping) {
    answer->error = LastError(L"CreateFileMappingW");
    return;
  }
  auto* block = static_cast<probe::Block*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(probe::Block)));
  if (!block) {
    answer->error = LastError(L"MapViewOfFile");
    return;
  }
  DWORD_PTR handled = 0;
  if (!SendMessageTimeoutW(probe_window, probe::kRequest + op, 0, static_cast<LPARAM>(GetCurrentProcessId()),
                           SMTO_NORMAL, kRequestTimeoutMs, &handled)) {
    answer->error = L"the program's thread did not answer the probe within 20 s (is it blocked?)";
  } else if (!handled) {
    answer->error = L"the probe could not open the driver's answer block";
  } else {
    answer->called = true;
    answer->status = block->status;
    answer->text.assign(block->text, block->length < probe::kTextCapacity ? block->length : 0);
  }
  UnmapViewOfFile(block);
}

void Barrier(HWND window, ProbeAnswer* answer) {
  Handle event(CreateEventW(nullptr, FALSE, FALSE, Named(probe::kMarkerEventName).c_str()));
  if (!event) {
    answer->error = LastError(L"CreateEventW");
    return;
  }
  answer->called = true;
  answer->status = probe::kOk;
  for (int round = 1; round <= kSyncRounds; ++round) {
    if (!PostMessageW(window, WM_NULL, probe::kMarker, static_cast<LPARAM>(GetCurrentProcessId()))) {
      answer->status = probe::kWindowGone;
      return;
    }
    if (WaitForSingleObject(event.get(), kSyncTimeoutMs) != WAIT_OBJECT_0) {
      answer->status = IsWindow(window) ? probe::kTimedOut : probe::kWindowGone;
      return;
    }
  }
}

}  // namespace

ProbeAnswer CallProbe(DWORD pid, probe::Op op, uint32_t arg) {
  ProbeAnswer answer;
  HWND window = TargetWindow(pid, op, arg);
  if (!window || !IsWindow(window)) {
    if (op == probe::kSync) {
      answer.called = true;
      answer.status = probe::kWindowGone;
    } else {
      answer.error = L"process " + std::to_wstring(pid) + L" has no window whose thread could load the probe";
    }
    return answer;
  }
  HWND probe_window = LoadProbe(window, &answer.error);
  if (!probe_window) {
    if (op == probe::kSync && !IsWindow(window)) {
      answer.called = true;
      answer.status = probe::kWindowGone;
    }
    return answer;
  }
  if (op == probe::kSync) {
    Barrier(window, &answer);
  } else {
    Request(probe_window, op, &answer);
  }
  return answer;
}

}  // namespace driver
