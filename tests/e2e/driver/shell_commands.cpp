// shell hide|show|forget [--pid P] [--timeout MS]
//   hide:   the notification area goes away, as before the taskbar exists at
//           sign-in: Wine's tray listener (Shell_TrayWnd in explorer.exe)
//           stops being a top-level window, where Shell_NotifyIconW looks
//   show:   puts it back if hidden, then broadcasts TaskbarCreated as a
//           taskbar that has just been created does
//   forget: removes the icons (id 0) of the process's top-level windows from
//           the tray, as a restarting Explorer loses every icon
// Wine's explorer never broadcasts TaskbarCreated itself, so a restart of
// Explorer is forget followed by show. Exit codes as the other subcommands.
#include <windows.h>
#include <shellapi.h>

#include "cli.h"
#include "util.h"

namespace driver {
namespace {

constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";

HWND FindListener(HWND parent) { return FindWindowExW(parent, nullptr, kTrayClass, nullptr); }

int ShellCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const std::wstring action = args.At(0, L"hide, show or forget");
  if (action == L"hide") {
    HWND tray = nullptr;
    if (!WaitUntil(args.Timeout(), [&] { return (tray = FindListener(nullptr)) != nullptr; }))
      Expectation(L"no notification area (Shell_TrayWnd) to hide");
    // Shell_NotifyIconW looks for the listener among the top-level windows
    // (under Wine the message-only ones too): it becomes the child of another
    // window of its own process, so that it lives and dies with explorer.
    // SetParent on another process's window is carried out by its thread.
    for (HWND other : TopLevelWindows(WindowProcess(tray))) {
      if (other != tray && ClassName(other) != L"IME" && SetParent(tray, other)) break;
    }
    if (!WaitUntil(args.Timeout(), [&] { return FindListener(nullptr) == nullptr; }))
      Expectation(L"the notification area is still found after hiding it");
    return 0;
  }
  if (action == L"show") {
    for (HWND top : TopLevelWindows(0)) {
      if (HWND hidden = FindListener(top)) SetParent(hidden, nullptr);
    }
    if (!WaitUntil(args.Timeout(), [&] { return FindListener(nullptr) != nullptr; }))
      Expectation(L"no notification area (Shell_TrayWnd) after showing it");
    const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
    if (!created) Fail(2, L"RegisterWindowMessageW(TaskbarCreated) failed with error " + Num(GetLastError()));
    // As the shell does: to every top-level window, hidden ones included.
    if (!SendNotifyMessageW(HWND_BROADCAST, created, 0, 0))
      Fail(2, L"the TaskbarCreated broadcast failed with error " + Num(GetLastError()));
    return 0;
  }
  if (action != L"forget") Usage(L"shell wants hide, show or forget");
  const DWORD pid = args.Pid();
  int removed = 0;
  for (HWND window : TopLevelWindows(pid)) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    nid.hWnd = window;
    nid.uID = 0;
    removed += Shell_NotifyIconW(NIM_DELETE, &nid) ? 1 : 0;
  }
  if (!removed) Expectation(L"process " + Num(pid) + L" has no icon the tray could remove");
  return 0;
}

const CommandRegistration kRegistration{L"shell", ShellCommand};

}  // namespace
}  // namespace driver
