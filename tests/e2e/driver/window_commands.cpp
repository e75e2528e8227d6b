// Windows of other processes: listing, waiting, buttons, the close box, the
// queue barrier, and message boxes.
#include "command.h"
#include "remote.h"

namespace driver {

std::wstring Describe(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  const bool child = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) != 0;
  return HexHandle(hwnd) + L"\tpid=" + Num(WindowProcess(hwnd)) + L"\tid=" +
         (child ? std::to_wstring(GetDlgCtrlID(hwnd)) : L"-") + L"\t" +
         (IsWindowVisible(hwnd) ? L"visible" : L"hidden") + L"\t" + ClassName(hwnd) + L"\t" +
         std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom) + L"\t" + Escape(WindowText(hwnd));
}

HWND FindTopLevel(DWORD pid, const std::wstring& title, const std::wstring& class_name, bool visible_only) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (visible_only && !IsWindowVisible(hwnd)) continue;
    if (!class_name.empty() && ClassName(hwnd) != class_name) continue;
    if (WindowText(hwnd) == title) return hwnd;
  }
  return nullptr;
}

int WaitTopLevel(const Args& args, DWORD pid, HWND* window) {
  const std::wstring title = args.Get(L"title", kMainTitle);
  if (!WaitUntil(args.Timeout(), [&] { return (*window = FindTopLevel(pid, title, L"", false)) != nullptr; }))
    return Unmet(L"no window titled \"" + title + L"\"" + (pid ? L" in process " + Num(pid) : L"") + L" within " +
                 Num(args.Timeout()) + L" ms");
  return kDone;
}

std::wstring WithoutMnemonic(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

void DumpTree(HWND hwnd, int depth) {
  Print(std::wstring(static_cast<size_t>(depth) * 2, L' ') + Describe(hwnd) + L"\n");
  for (HWND child : ChildWindows(hwnd)) DumpTree(child, depth + 1);
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    DestroyWindow(hwnd);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// A message box is a visible dialog whose text is the static control 0xFFFF.
HWND FindMessageBox(DWORD pid) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (!IsWindowVisible(hwnd) || ClassName(hwnd) != L"#32770") continue;
    HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
    if (text && ClassName(text) == L"Static") return hwnd;
  }
  return nullptr;
}

std::vector<HWND> Buttons(HWND box) {
  std::vector<HWND> buttons;
  for (HWND child : ChildWindows(box))
    if (ClassName(child) == L"Button" && IsWindowVisible(child)) buttons.push_back(child);
  return buttons;
}

}  // namespace

// windows [--pid P] [--hidden]: the top-level windows and their children.
int Windows(int argc, wchar_t** argv) {
  Args args(argc, argv, {{L"hidden"}});
  if (!args.Ok()) return Broken(args.Error());
  for (HWND hwnd : TopLevelWindows(args.Pid())) {
    if (!args.Has(L"hidden") && !IsWindowVisible(hwnd)) continue;
    DumpTree(hwnd, 0);
  }
  return kDone;
}

// wait-window [--title T] [--pid P] [--class C] [--visible|--hidden] [--gone] [--timeout MS]
// Prints the window once it exists (and is visible, or hidden), or nothing
// once it is gone.
int WaitWindow(int argc, wchar_t** argv) {
  Args args(argc, argv, {{L"visible", L"hidden", L"gone"}});
  if (!args.Ok()) return Broken(args.Error());
  const std::wstring title = args.Get(L"title", kMainTitle);
  const DWORD pid = args.Pid();
  const std::wstring class_name = args.Get(L"class");
  const bool visible = args.Has(L"visible");
  const bool hidden = args.Has(L"hidden");
  if (args.Has(L"gone")) {
    if (!WaitUntil(args.Timeout(), [&] { return !FindTopLevel(pid, title, class_name, visible); }))
      return Unmet(L"the window \"" + title + L"\" is still there after " + Num(args.Timeout()) + L" ms");
    return kDone;
  }
  HWND found = nullptr;
  if (!WaitUntil(args.Timeout(), [&] {
        found = FindTopLevel(pid, title, class_name, visible);
        return found && !(hidden && IsWindowVisible(found));
      }))
    return Unmet(L"no " + std::wstring(visible ? L"visible " : hidden ? L"hidden " : L"") +
                 L"top-level window titled \"" + title + L"\"" + (pid ? L" in process " + Num(pid) : L"") +
                 L" within " + Num(args.Timeout()) + L" ms");
  Print(Describe(found) + L"\n");
  return kDone;
}

// hold-window [--title T]: keeps a hidden top-level window with that title
// (of another program than Dorvane) until the window is closed or the
// driver is ended.
int HoldWindow(int argc, wchar_t** argv) {
  Args args(argc, argv, {});
  if (!args.Ok()) return Broken(args.Error());
  const std::wstring title = args.Get(L"title", kMainTitle);
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DorvaneDriverHeldWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
  if (!hwnd) return Broken(L"CreateWindowExW failed with error " + Num(GetLastError()));
  Print(Describe(hwnd) + L"\n");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return kDone;
}

// button (--id N | --text T) [--title T] [--pid P]: clicks a button of a
// window (default: the report window) with BM_CLICK, as a user would; it
// must be visible and enabled, since a user could not click it otherwise.
int Button(int argc, wchar_t** argv) {
  Args args(argc, argv, {});
  if (!args.Ok()) return Broken(args.Error());
  if (!args.Has(L"id") && !args.Has(L"text")) return Broken(L"button wants --id or --text");
  HWND window = nullptr;
  if (int r = WaitTopLevel(args, args.Pid(), &window)) return r;
  HWND button = nullptr;
  for (HWND child : ChildWindows(window)) {
    if (ClassName(child) != L"Button") continue;
    if (args.Has(L"id") ? GetDlgCtrlID(child) == static_cast<int>(args.Number(L"id", 0))
                        : WithoutMnemonic(WindowText(child)) == args.Get(L"text"))
      button = child;
  }
  const std::wstring which = args.Has(L"id") ? L"id " + args.Get(L"id") : L"\"" + args.Get(L"text") + L"\"";
  if (!button) return Unmet(L"the window has no button " + which);
  if (!IsWindowVisible(button) || !IsWindowEnabled(button))
    return Unmet(L"the button " + which + L" is " + (IsWindowVisible(button) ? L"disabled" : L"hidden"));
  PostMessageW(button, BM_CLICK, 0, 0);
  return kDone;
}

// close-window [--title T] [--pid P]: what the close box does (SC_CLOSE).
int CloseWindow(int argc, wchar_t** argv) {
  Args args(argc, argv, {});
  if (!args.Ok()) return Broken(args.Error());
  HWND window = nullptr;
  if (int r = WaitTopLevel(args, args.Pid(), &window)) return r;
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return kDone;
}

// sync [--title T] [--pid P]: returns once the window's thread has taken
// every message posted to it before, and what handling those posted in turn
// (the probe's marker rounds); so an absence of effect is checked without a pause.
int Sync(int argc, wchar_t** argv) {
  Args args(argc, argv, {});
  if (!args.Ok()) return Broken(args.Error());
  HWND window = nullptr;
  if (int r = WaitTopLevel(args, args.Pid(), &window)) return r;
  const DWORD pid = WindowProcess(window);
  ProbeAnswer answer = CallProbe(pid, probe::kSync, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
  if (!answer.called) return Broken(L"syncing with process " + Num(pid) + L": " + answer.error);
  if (answer.status == probe::kTimedOut) return Unmet(L"the window's thread takes no messages (is it blocked?)");
  if (answer.status == probe::kWindowGone) return Unmet(L"the window was destroyed");
  if (answer.status != probe::kOk) return Broken(L"the probe could not hook the window's thread");
  return kDone;
}

// msgbox read|owner|dismiss|none [--pid P] [--button TEXT] [--timeout MS]
//   read:    caption, text and buttons of the message box, one a line
//   owner:   the process id of the process that shows it
//   dismiss: presses the button (default: the only one, or OK) and waits until the box is gone
//   none:    fails if a message box is open now
int MessageBoxCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, {{}, {}, 1});
  if (!args.Ok()) return Broken(args.Error());
  const std::wstring action = args.Words()[0];
  const DWORD pid = args.Pid();
  if (action == L"none") {
    if (HWND box = FindMessageBox(pid))
      return Unmet(L"expected no message box, found \"" + WindowText(box) + L"\": " +
                   Escape(WindowText(GetDlgItem(box, kMessageBoxTextId))));
    return kDone;
  }
  if (action != L"read" && action != L"owner" && action != L"dismiss")
    return Broken(L"msgbox wants read, owner, dismiss or none");
  HWND box = nullptr;
  if (!WaitUntil(args.Timeout(), [&] { return (box = FindMessageBox(pid)) != nullptr; }))
    return Unmet(L"no message box appeared" + (pid ? L" in process " + Num(pid) : std::wstring()) + L" within " +
                 Num(args.Timeout()) + L" ms");
  if (action == L"owner") {
    Print(Num(WindowProcess(box)) + L"\n");
    return kDone;
  }
  if (action == L"read") {
    std::wstring out = L"caption\t" + Escape(WindowText(box)) + L"\n";
    out += L"text\t" + Escape(WindowText(GetDlgItem(box, kMessageBoxTextId))) + L"\n";
    for (HWND button : Buttons(box)) out += L"button\t" + Escape(WindowText(button)) + L"\n";
    Print(out);
    return kDone;
  }
  std::vector<HWND> buttons = Buttons(box);
  HWND chosen = nullptr;
  const std::wstring wanted = args.Get(L"button");
  for (HWND button : buttons) {
    const std::wstring text = WithoutMnemonic(WindowText(button));
    if (wanted.empty() ? (buttons.size() == 1 || GetDlgCtrlID(button) == IDOK) : text == wanted) chosen = button;
  }
  if (!chosen) return Unmet(L"the message box has no button \"" + (wanted.empty() ? L"OK" : wanted) + L"\"");
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(chosen), BN_CLICKED), reinterpret_cast<LPARAM>(chosen));
  if (!WaitUntil(args.Timeout(), [&] { return !IsWindow(box); }))
    return Unmet(L"the message box is still open " + Num(args.Timeout()) + L" ms after pressing its button");
  return kDone;
}

}  // namespace driver
