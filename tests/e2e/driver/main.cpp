// dorvane_driver: drives the program from outside, as a user and the shell
// would, for the end-to-end tests. One subcommand per call; bash scripts
// orchestrate them. Exit codes: 0 done, 1 the expected state did not come
// (the message says what was expected and what was found), 2 bad usage or a
// system call that failed.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "controls.h"
#include "editor_controls.h"
#include "cli.h"
#include "remote.h"
#include "util.h"

namespace driver {
namespace {

constexpr const wchar_t* kMainTitle = L"Dorvane \u30ec\u30dd\u30fc\u30c8";
constexpr UINT kTrayMessage = WM_USER + 1;
constexpr int kMessageBoxTextId = 0xFFFF;

// ---- processes ----------------------------------------------------------

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
      out += c;
      backslashes = 0;
      continue;
    } else {
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, L'\\');
  return out + L"\"";
}

void WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  const std::wstring temp = path + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(2, L"cannot create " + temp);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) Fail(2, L"cannot write " + path);
}

void AppendLine(const std::wstring& path, const std::string& line) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(2, L"cannot open " + path);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// launch [--cwd DIR] [--count N] --pid-file F --exit-file E EXE [ARG...]
// Starts N copies (suspended, then all resumed at once, so that they race),
// writes their process ids to F, one a line, and appends "pid code" to E as
// each ends: the full 32-bit exit code, which `wine` itself cuts to 8 bits.
int Launch(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {}, true);
  const std::wstring exe = args.At(0, L"the program to start");
  const std::wstring pid_file = args.Get(L"pid-file");
  const std::wstring exit_file = args.Get(L"exit-file");
  if (pid_file.empty() || exit_file.empty()) Usage(L"launch needs --pid-file and --exit-file");
  const unsigned long count = args.Number(L"count", 1);
  if (count < 1 || count > 16) Usage(L"--count must be 1 to 16");
  std::wstring command_line = QuoteArgument(exe);
  for (size_t i = 1; i < args.Positional().size(); ++i) command_line += L" " + QuoteArgument(args.Positional()[i]);
  const std::wstring cwd = args.Get(L"cwd");

  std::vector<PROCESS_INFORMATION> started;
  for (unsigned long i = 0; i < count; ++i) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring mutable_line = command_line;
    if (!CreateProcessW(exe.c_str(), &mutable_line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
      const DWORD error = GetLastError();
      for (auto& p : started) TerminateProcess(p.hProcess, 1);
      Fail(2, L"CreateProcessW(" + exe + L") in \"" + cwd + L"\" failed with error " + Num(error));
    }
    started.push_back(pi);
  }
  std::string pids;
  for (auto& p : started) pids += std::to_string(p.dwProcessId) + "\n";
  WriteFileAtomically(pid_file, pids);
  for (auto& p : started) ResumeThread(p.hThread);

  std::vector<HANDLE> waiting;
  for (auto& p : started) waiting.push_back(p.hProcess);
  while (!waiting.empty()) {
    DWORD r = WaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), FALSE, INFINITE);
    if (r >= WAIT_OBJECT_0 + waiting.size()) Fail(2, L"waiting for the started processes failed");
    HANDLE done = waiting[r - WAIT_OBJECT_0];
    DWORD code = 0;
    GetExitCodeProcess(done, &code);
    AppendLine(exit_file, std::to_string(GetProcessId(done)) + " " + std::to_string(code) + "\n");
    waiting.erase(waiting.begin() + (r - WAIT_OBJECT_0));
  }
  for (auto& p : started) {
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
  }
  return 0;
}

bool IsRunning(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// alive --pid P: 0 while the process runs, 1 once it has ended.
int Alive(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const DWORD pid = args.Pid();
  if (!IsRunning(pid)) Expectation(L"process " + Num(pid) + L" is not running");
  Print(L"running\n");
  return 0;
}

// wait-exit --pid P [--timeout MS]
int WaitExit(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const DWORD pid = args.Pid();
  if (!WaitUntil(args.Timeout(), [&] { return !IsRunning(pid); }))
    Expectation(L"process " + Num(pid) + L" still runs after " + Num(args.Timeout()) + L" ms");
  return 0;
}

// kill --pid P: ends a process the test started (cleanup after a failure).
int Kill(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const DWORD pid = args.Pid();
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) return 0;  // already gone
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  return 0;
}

// ---- windows --------------------------------------------------------------

std::wstring Describe(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  const bool child = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) != 0;
  return HexHandle(hwnd) + L"\tpid=" + Num(WindowProcess(hwnd)) + L"\tid=" +
         (child ? std::to_wstring(GetDlgCtrlID(hwnd)) : L"-") + L"\t" + (IsWindowVisible(hwnd) ? L"visible" : L"hidden") + L"\t" + ClassName(hwnd) + L"\t" +
         std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom) + L"\t" + Escape(WindowText(hwnd));
}

void DumpTree(HWND hwnd, int depth) {
  Print(std::wstring(static_cast<size_t>(depth) * 2, L' ') + Describe(hwnd) + L"\n");
  for (HWND child : ChildWindows(hwnd)) DumpTree(child, depth + 1);
}

// windows [--pid P] [--hidden]: the top-level windows and their children.
int Windows(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {L"hidden"});
  const DWORD pid = args.Number(L"pid", 0);
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (!args.Has(L"hidden") && !IsWindowVisible(hwnd)) continue;
    DumpTree(hwnd, 0);
  }
  return 0;
}

HWND FindTopLevel(DWORD pid, const std::wstring& title, const std::wstring& class_name, bool visible_only) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (visible_only && !IsWindowVisible(hwnd)) continue;
    if (!class_name.empty() && ClassName(hwnd) != class_name) continue;
    if (WindowText(hwnd) == title) return hwnd;
  }
  return nullptr;
}

// wait-window --title T [--pid P] [--class C] [--visible|--hidden] [--gone] [--timeout MS]
// Prints the window once it exists (and is visible, or hidden), or nothing
// once it is gone.
int WaitWindow(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {L"visible", L"hidden", L"gone"});
  const std::wstring title = args.Get(L"title", kMainTitle);
  const DWORD pid = args.Number(L"pid", 0);
  const std::wstring class_name = args.Get(L"class");
  const bool visible = args.Has(L"visible");
  const bool hidden = args.Has(L"hidden");
  HWND found = nullptr;
  if (args.Has(L"gone")) {
    if (!WaitUntil(args.Timeout(), [&] { return !FindTopLevel(pid, title, class_name, visible); }))
      Expectation(L"the window \"" + title + L"\" is still there after " + Num(args.Timeout()) + L" ms");
    return 0;
  }
  if (!WaitUntil(args.Timeout(), [&] {
        found = FindTopLevel(pid, title, class_name, visible);
        return found && !(hidden && IsWindowVisible(found));
      }))
    Expectation(L"no " + std::wstring(visible ? L"visible " : hidden ? L"hidden " : L"") + L"top-level window titled \"" + title +
                L"\"" + (pid ? L" in process " + Num(pid) : L"") + L" within " + Num(args.Timeout()) + L" ms");
  Print(Describe(found) + L"\n");
  return 0;
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    DestroyWindow(hwnd);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// hold-window --title T: keeps a hidden top-level window with that title
// (of another program than Dorvane) until the window is closed or the
// driver is ended.
int HoldWindow(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const std::wstring title = args.Get(L"title", kMainTitle);
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DorvaneDriverHeldWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
  if (!hwnd) Fail(2, L"CreateWindowExW failed with error " + Num(GetLastError()));
  Print(Describe(hwnd) + L"\n");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

std::wstring WithoutMnemonic(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

HWND WaitTopLevel(const Args& args, DWORD pid) {
  const std::wstring title = args.Get(L"title", kMainTitle);
  HWND hwnd = nullptr;
  if (!WaitUntil(args.Timeout(), [&] { return (hwnd = FindTopLevel(pid, title, L"", false)) != nullptr; }))
    Expectation(L"no window titled \"" + title + L"\"" + (pid ? L" in process " + Num(pid) : L"") + L" within " +
                Num(args.Timeout()) + L" ms");
  return hwnd;
}

// button (--id N | --text T) [--title T] [--pid P]: clicks a button of a
// window (default: the report window) with BM_CLICK, as a user would; it
// must be visible and enabled, since a user could not click it otherwise.
int Button(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND window = WaitTopLevel(args, args.Number(L"pid", 0));
  HWND button = nullptr;
  for (HWND child : ChildWindows(window)) {
    if (ClassName(child) != L"Button") continue;
    if (args.Has(L"id") ? GetDlgCtrlID(child) == static_cast<int>(args.Number(L"id", 0))
                        : WithoutMnemonic(WindowText(child)) == args.Get(L"text"))
      button = child;
  }
  const std::wstring which = args.Has(L"id") ? L"id " + args.Get(L"id") : L"\"" + args.Get(L"text") + L"\"";
  if (!button) Expectation(L"the window has no button " + which);
  if (!IsWindowVisible(button) || !IsWindowEnabled(button))
    Expectation(L"the button " + which + L" is " + (IsWindowVisible(button) ? L"disabled" : L"hidden"));
  PostMessageW(button, BM_CLICK, 0, 0);
  return 0;
}

// close-window [--title T] [--pid P]: what the close box does (SC_CLOSE).
int CloseWindow(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  PostMessageW(WaitTopLevel(args, args.Number(L"pid", 0)), WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

// sync [--title T] [--pid P]: returns once the window's thread has taken
// every message posted to it before, and what handling those posted in turn
// (the probe's marker rounds); so an absence of effect is checked without a pause.
int Sync(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND window = WaitTopLevel(args, args.Number(L"pid", 0));
  const DWORD pid = WindowProcess(window);
  ProbeAnswer answer = CallProbe(pid, probe::kSync, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
  if (!answer.called) Fail(2, L"syncing with process " + Num(pid) + L": " + answer.error);
  if (answer.status == probe::kTimedOut) Expectation(L"the window's thread takes no messages (is it blocked?)");
  if (answer.status == probe::kWindowGone) Expectation(L"the window was destroyed");
  if (answer.status != probe::kOk) Fail(2, L"the probe could not hook the window's thread");
  return 0;
}

// ---- message boxes ---------------------------------------------------------

// A message box is a visible dialog whose text is the static control 0xFFFF.
HWND FindMessageBox(DWORD pid) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (!IsWindowVisible(hwnd) || ClassName(hwnd) != L"#32770") continue;
    HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
    if (text && ClassName(text) == L"Static") return hwnd;
  }
  return nullptr;
}

HWND WaitMessageBox(const Args& args, DWORD pid) {
  HWND box = nullptr;
  if (!WaitUntil(args.Timeout(), [&] { return (box = FindMessageBox(pid)) != nullptr; }))
    Expectation(L"no message box appeared" + (pid ? L" in process " + Num(pid) : std::wstring()) + L" within " +
                Num(args.Timeout()) + L" ms");
  return box;
}

std::vector<HWND> Buttons(HWND box) {
  std::vector<HWND> buttons;
  for (HWND child : ChildWindows(box))
    if (ClassName(child) == L"Button" && IsWindowVisible(child)) buttons.push_back(child);
  return buttons;
}


// msgbox read|owner|dismiss|none [--pid P] [--button TEXT] [--timeout MS]
//   read:    caption, text and buttons of the message box, one a line
//   owner:   the process id of the process that shows it
//   dismiss: presses the button (default: the only one, or OK) and waits until the box is gone
//   none:    fails if a message box is open now
int MessageBoxCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const std::wstring action = args.At(0, L"read, owner, dismiss or none");
  const DWORD pid = args.Number(L"pid", 0);
  if (action == L"none") {
    if (HWND box = FindMessageBox(pid))
      Expectation(L"expected no message box, found \"" + WindowText(box) + L"\": " +
                  Escape(WindowText(GetDlgItem(box, kMessageBoxTextId))));
    return 0;
  }
  HWND box = WaitMessageBox(args, pid);
  if (action == L"owner") {
    Print(Num(WindowProcess(box)) + L"\n");
    return 0;
  }
  if (action == L"read") {
    std::wstring out = L"caption\t" + Escape(WindowText(box)) + L"\n";
    out += L"text\t" + Escape(WindowText(GetDlgItem(box, kMessageBoxTextId))) + L"\n";
    for (HWND button : Buttons(box)) out += L"button\t" + Escape(WindowText(button)) + L"\n";
    Print(out);
    return 0;
  }
  if (action != L"dismiss") Usage(L"msgbox wants read, owner, dismiss or none");
  std::vector<HWND> buttons = Buttons(box);
  HWND chosen = nullptr;
  const std::wstring wanted = args.Get(L"button");
  for (HWND button : buttons) {
    const std::wstring text = WithoutMnemonic(WindowText(button));
    if (wanted.empty() ? (buttons.size() == 1 || GetDlgCtrlID(button) == IDOK) : text == wanted) chosen = button;
  }
  if (!chosen) Expectation(L"the message box has no button \"" + (wanted.empty() ? L"OK" : wanted) + L"\"");
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(chosen), BN_CLICKED), reinterpret_cast<LPARAM>(chosen));
  if (!WaitUntil(args.Timeout(), [&] { return !IsWindow(box); }))
    Expectation(L"the message box is still open " + Num(args.Timeout()) + L" ms after pressing its button");
  return 0;
}

// ---- menus ----------------------------------------------------------------

HWND FindOpenMenu(DWORD pid) {
  for (HWND hwnd : TopLevelWindows(pid))
    if (IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32768") return hwnd;
  return nullptr;
}

struct MenuEntry {
  int pos = 0;
  UINT id = 0;
  UINT type = 0;
  UINT state = 0;
  RECT rect{};
  std::wstring text;
};

struct OpenMenu {
  HWND window = nullptr;
  std::vector<MenuEntry> entries;
};

std::vector<std::wstring> Split(const std::wstring& s, wchar_t sep) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    size_t end = s.find(sep, start);
    parts.push_back(s.substr(start, end - start));
    if (end == std::wstring::npos) return parts;
    start = end + 1;
  }
}

OpenMenu ReadOpenMenu(DWORD pid, DWORD timeout_ms) {
  if (!WaitUntil(timeout_ms, [&] { return FindOpenMenu(pid) != nullptr; }))
    Expectation(L"no popup menu is open in process " + Num(pid) + L" (waited " + Num(timeout_ms) + L" ms)");
  ProbeAnswer answer = CallProbe(pid, probe::kReadMenu);
  if (!answer.called) Fail(2, L"reading the menu inside process " + Num(pid) + L": " + answer.error);
  if (answer.status == probe::kNoMenu) Expectation(L"the popup menu closed before it could be read");
  if (answer.status != probe::kOk) Fail(2, L"the probe could not read the menu (status " + Num(answer.status) + L")");
  OpenMenu menu;
  for (const std::wstring& line : Split(answer.text, L'\n')) {
    std::vector<std::wstring> f = Split(line, L'\t');
    if (f[0] == L"menu" && f.size() >= 2) menu.window = reinterpret_cast<HWND>(wcstoul(f[1].c_str(), nullptr, 16));
    if (f[0] != L"item" || f.size() < 7) continue;
    MenuEntry e;
    e.pos = _wtoi(f[1].c_str());
    e.id = wcstoul(f[2].c_str(), nullptr, 10);
    e.type = wcstoul(f[3].c_str(), nullptr, 16);
    e.state = wcstoul(f[4].c_str(), nullptr, 16);
    std::vector<std::wstring> r = Split(f[5], L',');
    if (r.size() == 4) e.rect = RECT{_wtoi(r[0].c_str()), _wtoi(r[1].c_str()), _wtoi(r[2].c_str()), _wtoi(r[3].c_str())};
    e.text = f[6];
    for (size_t i = 7; i < f.size(); ++i) e.text += L"\t" + f[i];
    menu.entries.push_back(e);
  }
  return menu;
}

// One line per entry: "----" for a separator, else "id<TAB>text", followed by
// the states a user would notice (grayed, checked, default) when present.
std::wstring FormatEntry(const MenuEntry& e) {
  if (e.type & MFT_SEPARATOR) return L"----";
  std::wstring line = Num(e.id) + L"\t" + e.text;
  if (e.state & MFS_GRAYED) line += L"\tgrayed";
  if (e.state & MFS_CHECKED) line += L"\tchecked";
  if (e.state & MFS_DEFAULT) line += L"\tdefault";
  const UINT unusual = e.type & ~(MFT_SEPARATOR | MFT_STRING);
  if (unusual) line += L"\ttype=" + HexHandle(reinterpret_cast<void*>(static_cast<uintptr_t>(unusual)));
  return line;
}

std::wstring FormatMenu(const OpenMenu& menu) {
  std::wstring out;
  for (const MenuEntry& e : menu.entries) out += FormatEntry(e) + L"\n";
  return out;
}

int Highlighted(const OpenMenu& menu) {
  for (const MenuEntry& e : menu.entries)
    if (e.state & MFS_HILITE) return e.pos;
  return -1;
}

const MenuEntry* EntryWithId(const OpenMenu& menu, UINT id) {
  for (const MenuEntry& e : menu.entries)
    if (!(e.type & MFT_SEPARATOR) && e.id == id) return &e;
  return nullptr;
}

void PostKey(HWND window, UINT vk) {
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, vk, 1 | (scan << 16));
}

bool MenuClosed(DWORD pid) { return FindOpenMenu(pid) == nullptr; }

// The popup is gone before TrackPopupMenu has returned; a press that comes
// in between would find the program still inside its last menu. Waits until
// the menu's thread takes a message posted to another of its windows, which
// only its own message loop does.
void WaitMenuLoopLeft(DWORD pid, DWORD thread) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (GetWindowThreadProcessId(hwnd, nullptr) != thread || ClassName(hwnd) == L"#32768") continue;
    ProbeAnswer answer = CallProbe(pid, probe::kSync, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)));
    // A command such as Exit may have destroyed the window or ended the process.
    if (!IsWindow(hwnd) || (answer.called && answer.status == probe::kWindowGone)) return;
    if (!answer.called) Fail(2, L"syncing with process " + Num(pid) + L": " + answer.error);
    if (answer.status != probe::kOk) Expectation(L"the program did not return to its message loop after the menu");
    return;
  }
}

// menu read|choose ID|point ID|close --pid P [--timeout MS]
//   read:   the open popup menu, one entry a line (see FormatEntry)
//   choose: selects the entry with the keyboard (arrows, then Enter), as a user would
//   point:  the screen point at the centre of the entry, for a click with the X pointer
//   close:  Esc, and waits until the menu is gone
int MenuCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const std::wstring action = args.At(0, L"read, choose, point or close");
  const DWORD pid = args.Pid();
  const DWORD timeout = args.Timeout();
  if (action == L"read") {
    Print(FormatMenu(ReadOpenMenu(pid, timeout)));
    return 0;
  }
  if (action == L"close") {
    if (!WaitUntil(timeout, [&] { return FindOpenMenu(pid) != nullptr; }))
      Expectation(L"no popup menu is open in process " + Num(pid));
    HWND popup = FindOpenMenu(pid);
    const DWORD thread = GetWindowThreadProcessId(popup, nullptr);
    PostKey(popup, VK_ESCAPE);
    if (!WaitUntil(timeout, [&] { return MenuClosed(pid); })) Expectation(L"the menu did not close on Esc");
    WaitMenuLoopLeft(pid, thread);
    return 0;
  }
  const std::wstring id_text = args.At(1, L"the command id of the entry");
  const UINT id = wcstoul(id_text.c_str(), nullptr, 10);
  OpenMenu menu = ReadOpenMenu(pid, timeout);
  const MenuEntry* target = EntryWithId(menu, id);
  if (!target) Expectation(L"the open menu has no entry with id " + id_text + L"; it holds:\n" + FormatMenu(menu));
  if (action == L"point") {
    Print(Num((target->rect.left + target->rect.right) / 2) + L" " + Num((target->rect.top + target->rect.bottom) / 2) +
          L"\n");
    return 0;
  }
  if (action != L"choose") Usage(L"menu wants read, choose, point or close");
  // The menu's own loop reads keys posted to any window of its thread. The
  // arrows skip separators; count the stops between the highlight and the target.
  const int from = Highlighted(menu);  // -1 when nothing is highlighted yet
  const int to = target->pos;
  const int step = to >= from ? 1 : -1;
  for (int p = from; p != to;) {
    p += step;
    if (!(menu.entries[static_cast<size_t>(p)].type & MFT_SEPARATOR)) PostKey(menu.window, step > 0 ? VK_DOWN : VK_UP);
  }
  if (!WaitUntil(timeout, [&] { return Highlighted(ReadOpenMenu(pid, timeout)) == to; }))
    Expectation(L"the arrow keys did not reach entry " + id_text + L" of the menu");
  const DWORD thread = GetWindowThreadProcessId(menu.window, nullptr);
  PostKey(menu.window, VK_RETURN);
  if (!WaitUntil(timeout, [&] { return MenuClosed(pid); }))
    Expectation(L"the menu stayed open after Enter on entry " + id_text + L" (is it disabled?)");
  WaitMenuLoopLeft(pid, thread);
  Print(Num(id) + L"\t" + target->text + L"\n");
  return 0;
}

// ---- the notification icon ---------------------------------------------------

HWND WaitMainWindow(DWORD pid, DWORD timeout) {
  HWND hwnd = nullptr;
  if (!WaitUntil(timeout, [&] { return (hwnd = FindTopLevel(pid, kMainTitle, L"", false)) != nullptr; }))
    Expectation(L"process " + Num(pid) + L" has no window titled \"" + kMainTitle + L"\" after " + Num(timeout) +
                L" ms");
  return hwnd;
}

// The numbers of the sends whose handler has returned. A send's callback
// can arrive during a later step of the same driver process (repeat), so it
// names its send by number rather than pointing at a flag that is gone.
ULONG_PTR g_sends = 0;
std::set<ULONG_PTR> g_sends_done;
void CALLBACK SendDone(HWND, UINT, ULONG_PTR send, LRESULT) { g_sends_done.insert(send); }

int OpenMenus(DWORD pid) {
  int menus = 0;
  for (HWND hwnd : TopLevelWindows(pid)) menus += IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32768";
  return menus;
}

// What a menu that did not stay open leaves to go on: whether it was seen at
// all (one that closed at once, or none), and who has the activation now.
std::wstring WhyNoMenu(HWND main, bool glimpsed) {
  std::wstring why = glimpsed ? L" (one was seen open, then closed" : L" (none was seen open";
  auto name = [](HWND w) {
    return w ? HexHandle(w) + L" " + ClassName(w) + L" of process " + Num(WindowProcess(w)) : std::wstring(L"none");
  };
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui))
    why += L"; the program's active window " + name(gui.hwndActive) + L", capture " + name(gui.hwndCapture);
  return why + L"; foreground " + name(GetForegroundWindow()) + L")";
}

// tray EVENT[,EVENT...] --pid P [--at X,Y] [--expect-no-menu] [--timeout MS]
// Delivers the icon's callback message 1025 to the program's window as the
// shell does under version 4 (sent, not posted, as Wine's tray does): the
// event in the low word of lParam, the anchor in wParam (--at, else the
// cursor). EVENT is a mouse message (left, right, left-up, right-up,
// left-double, move) or a notification: select (NIN_SELECT), key
// (NIN_KEYSELECT), context (WM_CONTEXTMENU); a list is one gesture, sent at
// once. The sends do not wait: a handler that opens a menu stays in it.
// Success means that one popup menu opened and every other handler returned,
// or with --expect-no-menu that every handler returned without opening one.
int Tray(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {L"expect-no-menu"});
  static const std::map<std::wstring, UINT> kEvents = {
      {L"left", WM_LBUTTONDOWN},   {L"right", WM_RBUTTONDOWN},         {L"left-up", WM_LBUTTONUP},
      {L"right-up", WM_RBUTTONUP}, {L"left-double", WM_LBUTTONDBLCLK}, {L"move", WM_MOUSEMOVE},
      {L"select", NIN_SELECT},     {L"key", NIN_KEYSELECT},            {L"context", WM_CONTEXTMENU}};
  const std::wstring which = args.At(0, L"the event (left, right, key, context, ...)");
  std::vector<UINT> events;
  for (const std::wstring& name : Split(which, L',')) {
    auto event = kEvents.find(name);
    if (event == kEvents.end()) Usage(L"unknown tray event " + name);
    events.push_back(event->second);
  }
  POINT anchor{};
  if (args.Has(L"at")) {
    std::vector<std::wstring> xy = Split(args.Get(L"at"), L',');
    if (xy.size() != 2) Usage(L"--at wants X,Y");
    anchor = POINT{_wtoi(xy[0].c_str()), _wtoi(xy[1].c_str())};
  } else {
    GetCursorPos(&anchor);
  }
  const DWORD pid = args.Pid();
  const DWORD timeout = args.Timeout();
  HWND hwnd = WaitMainWindow(pid, timeout);
  if (FindOpenMenu(pid)) Expectation(L"a popup menu is already open in process " + Num(pid));
  const WPARAM at = MAKEWPARAM(static_cast<WORD>(anchor.x), static_cast<WORD>(anchor.y));
  const ULONG_PTR first = g_sends + 1;
  for (UINT event : events) {
    if (!SendMessageCallbackW(hwnd, kTrayMessage, at, MAKELPARAM(event, 0), SendDone, ++g_sends))
      Fail(2, L"SendMessageCallbackW failed with error " + Num(GetLastError()));
  }
  auto done = [&] {
    return static_cast<size_t>(std::distance(g_sends_done.lower_bound(first), g_sends_done.end()));
  };
  const bool expect_menu = !args.Has(L"expect-no-menu");
  bool glimpsed = false;  // a menu seen open while waiting, whatever became of it
  const bool settled = WaitUntil(timeout, [&] {
    const bool open = FindOpenMenu(pid) != nullptr;
    glimpsed = glimpsed || open;
    return done() == events.size() || (done() + 1 == events.size() && open);
  });
  const int menus = OpenMenus(pid);
  if (menus > 1 || (!settled && menus == 1))
    Expectation(L"message 1025 (" + which + L") opened " + Num(menus) + L" menus, one inside another");
  if (!settled)
    Expectation(L"the program neither opened a menu nor returned from message 1025 (" + which + L") within " +
                Num(timeout) + L" ms");
  const bool opened = menus == 1;
  if (expect_menu && !opened)
    Expectation(L"message 1025 (" + which + L") was handled without opening a menu" + WhyNoMenu(hwnd, glimpsed));
  if (!expect_menu && opened) Expectation(L"message 1025 (" + which + L") opened a menu; expected none");
  Print(opened ? L"menu opened\n" : L"no menu\n");
  return 0;
}

struct TrayIcon {
  RECT rect{};
  bool visible = false;
  DWORD owner_pid = 0;
  bool has_tip = false;
  std::wstring tip;
};

struct TrayState {
  bool tray_found = false;  // a tray window exists in some process
  std::vector<TrayIcon> icons;
};

TrayState ReadTray(std::wstring* raw) {
  TrayState state;
  std::set<DWORD> tray_processes;
  // The listener is looked for one level down too, where "shell hide" puts it.
  for (HWND hwnd : TopLevelWindows(0))
    if (ClassName(hwnd) == L"__winex11_standalone_tray" || ClassName(hwnd) == L"Shell_TrayWnd" ||
        FindWindowExW(hwnd, nullptr, L"Shell_TrayWnd", nullptr))
      tray_processes.insert(WindowProcess(hwnd));
  for (DWORD pid : tray_processes) {
    ProbeAnswer answer = CallProbe(pid, probe::kReadTray);
    if (!answer.called) Fail(2, L"reading the tray inside process " + Num(pid) + L": " + answer.error);
    if (answer.status != probe::kOk) continue;
    state.tray_found = true;
    if (raw) *raw += answer.text;
    for (const std::wstring& line : Split(answer.text, L'\n')) {
      std::vector<std::wstring> f = Split(line, L'\t');
      if (f[0] != L"icon" || f.size() < 8) continue;
      TrayIcon icon;
      icon.visible = f[2] == L"1";
      std::vector<std::wstring> r = Split(f[3], L',');
      if (r.size() == 4) icon.rect = RECT{_wtoi(r[0].c_str()), _wtoi(r[1].c_str()), _wtoi(r[2].c_str()), _wtoi(r[3].c_str())};
      icon.owner_pid = wcstoul(f[5].c_str(), nullptr, 10);
      icon.has_tip = f[6] == L"1";
      icon.tip = f[7];
      state.icons.push_back(icon);
    }
  }
  return state;
}

const TrayIcon* IconOf(const std::vector<TrayIcon>& icons, DWORD pid) {
  for (const TrayIcon& icon : icons)
    if (icon.owner_pid == pid) return &icon;
  return nullptr;
}

// tray-icons: every icon of Wine's tray, as the probe reports it.
int TrayIcons(int, wchar_t**) {
  std::wstring raw;
  if (!ReadTray(&raw).tray_found) Expectation(L"Wine's system tray has no window (is explorer.exe running?)");
  Print(raw);
  return 0;
}

// tray-icon --pid P [--tip TEXT] [--gone] [--timeout MS]
// Waits until the process has an icon in Wine's tray (with --tip: whose
// tooltip reads TEXT; with --gone: until a tray was read and holds none of
// its icons) and prints the icon's centre on the screen and its tooltip:
// "x<TAB>y<TAB>tooltip".
int TrayIconCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {L"gone"});
  const DWORD pid = args.Pid();
  const bool want_tip = args.Has(L"tip");
  const std::wstring tip = args.Get(L"tip");
  TrayState tray;
  if (args.Has(L"gone")) {
    if (!WaitUntil(args.Timeout(), [&] {
          tray = ReadTray(nullptr);
          return tray.tray_found && !IconOf(tray.icons, pid);
        })) {
      if (!tray.tray_found) Expectation(L"no notification area could be read (no tray window nor listener)");
      Expectation(L"process " + Num(pid) + L" still has an icon in the tray");
    }
    return 0;
  }
  const bool ok = WaitUntil(args.Timeout(), [&] {
    tray = ReadTray(nullptr);
    const TrayIcon* icon = IconOf(tray.icons, pid);
    return icon && icon->visible && (!want_tip || (icon->has_tip && icon->tip == tip));
  });
  const TrayIcon* icon = IconOf(tray.icons, pid);
  if (!ok) {
    const std::wstring waited = L" (waited " + Num(args.Timeout()) + L" ms)";
    if (!tray.tray_found) Expectation(L"Wine's system tray has no window" + waited);
    if (!icon) {
      size_t unknown = 0;
      for (const TrayIcon& other : tray.icons) unknown += other.owner_pid == 0;
      Expectation(L"process " + Num(pid) + L" has no icon in Wine's tray" + waited +
                  (unknown ? L"; " + Num(unknown) + L" icon(s) have an owner the probe could not read" : L""));
    }
    if (!icon->visible) Expectation(L"the tray icon of process " + Num(pid) + L" is hidden" + waited);
    Expectation(L"the tray icon's tooltip is \"" + icon->tip + L"\"" + (icon->has_tip ? L"" : L" (no tool found)") +
                L", expected \"" + tip + L"\"" + waited);
  }
  Print(Num((icon->rect.left + icon->rect.right) / 2) + L"\t" + Num((icon->rect.top + icon->rect.bottom) / 2) + L"\t" +
        icon->tip + L"\n");
  return 0;
}

// ---- the prefix -------------------------------------------------------------

// env: what the prefix gives a Japanese program: the ANSI code page, the
// weekday names of the user locale and the font that "ＭＳ Ｐゴシック" becomes.
int Env(int, wchar_t**) {
  std::wstring out = L"acp\t" + Num(GetACP()) + L"\n";
  out += L"weekdays\t";
  for (WORD day = 0; day < 7; ++day) {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 3;
    st.wDay = static_cast<WORD>(3 + day);  // 2024-03-03 was a Sunday
    wchar_t name[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, L"dddd", name, 64);
    out += std::wstring(day ? L" " : L"") + name;
  }
  out += L"\n";
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                           L"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af");
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<char> metrics_buffer(GetOutlineTextMetricsW(dc, 0, nullptr) + 1);
  auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(metrics_buffer.data());
  std::wstring family = L"(no outline font)";
  if (metrics_buffer.size() > 1 && GetOutlineTextMetricsW(dc, static_cast<UINT>(metrics_buffer.size()), otm))
    family = reinterpret_cast<const wchar_t*>(metrics_buffer.data() + reinterpret_cast<uintptr_t>(otm->otmpFamilyName));
  const std::wstring sample = L"\u30d5\u30a1\u30a4\u30eb\u65e5\u672c";
  WORD glyphs[16] = {};
  GetGlyphIndicesW(dc, sample.c_str(), static_cast<int>(sample.size()), glyphs, GGI_MARK_NONEXISTING_GLYPHS);
  int missing = 0;
  for (size_t i = 0; i < sample.size(); ++i) missing += glyphs[i] == 0xFFFF;
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  out += L"font\t" + family + L"\n";
  out += L"missing-glyphs\t" + Num(missing) + L"\n";
  Print(out);
  return 0;
}

int Repeat(int argc, wchar_t** argv);

const Command kCommands[] = {
    {L"launch", Launch},       {L"alive", Alive},          {L"wait-exit", WaitExit},
    {L"kill", Kill},           {L"windows", Windows},      {L"wait-window", WaitWindow},
    {L"hold-window", HoldWindow},
    {L"button", Button},       {L"close-window", CloseWindow}, {L"sync", Sync},
    {L"msgbox", MessageBoxCommand}, {L"menu", MenuCommand}, {L"tray", Tray},
    {L"tray-icons", TrayIcons}, {L"tray-icon", TrayIconCommand}, {L"env", Env},
    {L"ctl", ControlsCommand},
    {L"controls", DialogControlsCommand}, {L"listview", ListViewCommand},
    {L"picker", PickerCommand},     {L"combo", ComboCommand}, {L"press", PressCommand},
    {L"repeat", Repeat},
};

// repeat N STEP [+ STEP ...]: runs the steps (each a subcommand with its
// arguments) in order, N rounds, in this one process, so that a long series
// of menu or dialog openings does not start Wine for every step. Stops at the
// first step that fails, naming the round.
int Repeat(int argc, wchar_t** argv) {
  if (argc < 4) Usage(L"repeat N STEP [+ STEP ...]");
  wchar_t* end = nullptr;
  const unsigned long rounds = wcstoul(argv[2], &end, 10);
  if (*end || rounds == 0) Usage(L"repeat wants a number of rounds, not \"" + std::wstring(argv[2]) + L"\"");
  std::vector<std::vector<wchar_t*>> steps(1, std::vector<wchar_t*>{argv[0]});
  for (int i = 3; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"+") {
      steps.push_back({argv[0]});
    } else {
      steps.back().push_back(argv[i]);
    }
  }
  for (unsigned long round = 1; round <= rounds; ++round) {
    for (std::vector<wchar_t*> step : steps) {
      if (step.size() < 2) Usage(L"repeat: an empty step");
      // The first command of the name, as wmain finds it.
      const Command* command = nullptr;
      for (const Command& c : kCommands) {
        if (!command && step[1] == std::wstring(c.name)) command = &c;
      }
      for (const Command& c : MoreCommands()) {
        if (!command && step[1] == std::wstring(c.name)) command = &c;
      }
      if (!command || command->run == Repeat) Usage(L"repeat: no step command " + std::wstring(step[1]));
      int code = 0;
      try {
        code = command->run(static_cast<int>(step.size()), step.data());
      } catch (const Failure& f) {
        Fail(f.code, L"round " + Num(round) + L", " + command->name + L": " + f.message);
      }
      if (code != 0) Fail(code, L"round " + Num(round) + L": " + command->name + L" failed");
    }
  }
  return 0;
}

}  // namespace
}  // namespace driver

int wmain(int argc, wchar_t** argv) {
  using namespace driver;
  std::vector<Command> commands(std::begin(kCommands), std::end(kCommands));
  commands.insert(commands.end(), MoreCommands().begin(), MoreCommands().end());
  // A name taken twice would hide one of the commands without a word.
  for (size_t i = 0; i < commands.size(); ++i) {
    for (size_t j = i + 1; j < commands.size(); ++j) {
      if (std::wstring(commands[i].name) == commands[j].name) {
        PrintError(std::wstring(L"dorvane_driver: the command name ") + commands[i].name + L" is taken twice\n");
        return 2;
      }
    }
  }
  // commands: every subcommand's name, one a line, in the order they are looked up.
  if (argc == 2 && argv[1] == std::wstring(L"commands")) {
    for (const Command& c : commands) Print(std::wstring(c.name) + L"\n");
    return 0;
  }
  if (argc < 2) {
    std::wstring names;
    for (const Command& c : commands) names += std::wstring(L" ") + c.name;
    PrintError(L"usage: dorvane_driver COMMAND [OPTIONS]; commands:" + names + L"\n");
    return 2;
  }
  for (const Command& c : commands) {
    if (argv[1] != std::wstring(c.name)) continue;
    try {
      return c.run(argc, argv);
    } catch (const Failure& f) {
      PrintError(std::wstring(L"dorvane_driver ") + c.name + L": " + f.message + L"\n");
      return f.code;
    }
  }
  PrintError(std::wstring(L"dorvane_driver: unknown command ") + argv[1] + L"\n");
  return 2;
}
