// The icon's callback message and the popup menus it opens.
#include "command.h"
#include "remote.h"

namespace driver {
namespace {

constexpr UINT kTrayMessage = WM_USER + 1;

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


// Reads the open popup menu inside the process; false with the outcome and
// its reason when it cannot.
bool ProbeMenu(DWORD pid, OpenMenu* menu, int* outcome, std::wstring* why) {
  ProbeAnswer answer = CallProbe(pid, probe::kReadMenu);
  *outcome = kBroken;
  if (!answer.called) {
    *why = L"reading the menu inside process " + Num(pid) + L": " + answer.error;
    return false;
  }
  if (answer.status == probe::kNoMenu) {
    *outcome = kUnmet;
    *why = L"the popup menu closed before it could be read";
    return false;
  }
  if (answer.status != probe::kOk) {
    *why = L"the probe could not read the menu (status " + Num(answer.status) + L")";
    return false;
  }
  menu->entries.clear();
  for (const std::wstring& line : Split(answer.text, L'\n')) {
    std::vector<std::wstring> f = Split(line, L'\t');
    if (f[0] == L"menu" && f.size() >= 2) menu->window = reinterpret_cast<HWND>(wcstoul(f[1].c_str(), nullptr, 16));
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
    menu->entries.push_back(e);
  }
  *outcome = kDone;
  return true;
}

// Waits for a popup menu of the process and reads it.
int ReadOpenMenu(DWORD pid, DWORD timeout_ms, OpenMenu* menu) {
  if (!WaitUntil(timeout_ms, [&] { return FindOpenMenu(pid) != nullptr; }))
    return Unmet(L"no popup menu is open in process " + Num(pid) + L" (waited " + Num(timeout_ms) + L" ms)");
  int outcome = kDone;
  std::wstring why;
  if (!ProbeMenu(pid, menu, &outcome, &why)) return outcome == kUnmet ? Unmet(why) : Broken(why);
  return kDone;
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

void CALLBACK SendDone(HWND, UINT, ULONG_PTR data, LRESULT) { *reinterpret_cast<bool*>(data) = true; }

// The popup is gone before TrackPopupMenu has returned; a press that comes
// in between would find the program still inside its last menu. Waits until
// the menu's thread takes a message posted to another of its windows, which
// only its own message loop does.
int WaitMenuLoopLeft(DWORD pid, DWORD thread) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (GetWindowThreadProcessId(hwnd, nullptr) != thread || ClassName(hwnd) == L"#32768") continue;
    ProbeAnswer answer = CallProbe(pid, probe::kSync, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)));
    // A command such as Exit may have destroyed the window or ended the process.
    if (!IsWindow(hwnd) || (answer.called && answer.status == probe::kWindowGone)) return kDone;
    if (!answer.called) return Broken(L"syncing with process " + Num(pid) + L": " + answer.error);
    if (answer.status != probe::kOk) return Unmet(L"the program did not return to its message loop after the menu");
    return kDone;
  }
  return kDone;  // the thread has no other window: nothing can reach it
}

}  // namespace

// menu read|choose ID|point ID|close --pid P [--timeout MS]
//   read:   the open popup menu, one entry a line (see FormatEntry)
//   choose: selects the entry with the keyboard (arrows, then Enter), as a user would
//   point:  the screen point at the centre of the entry, for a click with the X pointer
//   close:  Esc, and waits until the menu is gone
int MenuCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, {{}, {L"pid"}, 1});
  if (!args.Ok()) return Broken(args.Error());
  const std::wstring action = args.Words()[0];
  const DWORD pid = args.Pid();
  const DWORD timeout = args.Timeout();
  OpenMenu menu;
  if (action == L"read") {
    if (int r = ReadOpenMenu(pid, timeout, &menu)) return r;
    Print(FormatMenu(menu));
    return kDone;
  }
  if (action == L"close") {
    if (!WaitUntil(timeout, [&] { return FindOpenMenu(pid) != nullptr; }))
      return Unmet(L"no popup menu is open in process " + Num(pid));
    HWND popup = FindOpenMenu(pid);
    const DWORD thread = GetWindowThreadProcessId(popup, nullptr);
    PostKey(popup, VK_ESCAPE);
    if (!WaitUntil(timeout, [&] { return MenuClosed(pid); })) return Unmet(L"the menu did not close on Esc");
    return WaitMenuLoopLeft(pid, thread);
  }
  if (action != L"choose" && action != L"point") return Broken(L"menu wants read, choose, point or close");
  if (args.Words().size() < 2) return Broken(L"menu " + action + L" wants the command id of the entry");
  const std::wstring id_text = args.Words()[1];
  if (int r = ReadOpenMenu(pid, timeout, &menu)) return r;
  const MenuEntry* target = EntryWithId(menu, wcstoul(id_text.c_str(), nullptr, 10));
  if (!target) return Unmet(L"the open menu has no entry with id " + id_text + L"; it holds:\n" + FormatMenu(menu));
  if (action == L"point") {
    Print(Num((target->rect.left + target->rect.right) / 2) + L" " + Num((target->rect.top + target->rect.bottom) / 2) +
          L"\n");
    return kDone;
  }
  // The menu's own loop reads keys posted to any window of its thread. The
  // arrows skip separators; count the stops between the highlight and the target.
  const int from = Highlighted(menu);  // -1 when nothing is highlighted yet
  const int to = target->pos;
  const int step = to >= from ? 1 : -1;
  for (int p = from; p != to;) {
    p += step;
    if (!(menu.entries[static_cast<size_t>(p)].type & MFT_SEPARATOR)) PostKey(menu.window, step > 0 ? VK_DOWN : VK_UP);
  }
  OpenMenu now;
  int outcome = kDone;
  std::wstring why;
  if (!WaitUntil(timeout, [&] { return ProbeMenu(pid, &now, &outcome, &why) && Highlighted(now) == to; }))
    return Unmet(L"the arrow keys did not reach entry " + id_text + L" of the menu" + (why.empty() ? L"" : L": " + why));
  const DWORD thread = GetWindowThreadProcessId(menu.window, nullptr);
  PostKey(menu.window, VK_RETURN);
  if (!WaitUntil(timeout, [&] { return MenuClosed(pid); }))
    return Unmet(L"the menu stayed open after Enter on entry " + id_text + L" (is it disabled?)");
  if (int r = WaitMenuLoopLeft(pid, thread)) return r;
  Print(id_text + L"\t" + target->text + L"\n");
  return kDone;
}

// tray left|right|left-up|right-up|left-double|move --pid P [--expect-no-menu] [--timeout MS]
// Delivers the icon's callback message 1025 to the program's window as Wine's
// tray does (sent, not posted), with the mouse message in lParam. The send
// does not wait: a handler that opens a menu stays in it. Success means a
// popup menu opened, or with --expect-no-menu that the handler returned
// without opening one.
int Tray(int argc, wchar_t** argv) {
  Args args(argc, argv, {{L"expect-no-menu"}, {L"pid"}, 1});
  if (!args.Ok()) return Broken(args.Error());
  static const std::map<std::wstring, UINT> kMessages = {
      {L"left", WM_LBUTTONDOWN},   {L"right", WM_RBUTTONDOWN},         {L"left-up", WM_LBUTTONUP},
      {L"right-up", WM_RBUTTONUP}, {L"left-double", WM_LBUTTONDBLCLK}, {L"move", WM_MOUSEMOVE}};
  const std::wstring which = args.Words()[0];
  auto message = kMessages.find(which);
  if (message == kMessages.end()) return Broken(L"unknown mouse message " + which);
  const DWORD pid = args.Pid();
  const DWORD timeout = args.Timeout();
  HWND hwnd = nullptr;
  if (int r = WaitTopLevel(args, pid, &hwnd)) return r;
  if (FindOpenMenu(pid)) return Unmet(L"a popup menu is already open in process " + Num(pid));
  bool handled = false;
  if (!SendMessageCallbackW(hwnd, kTrayMessage, 0, message->second, SendDone, reinterpret_cast<ULONG_PTR>(&handled)))
    return Broken(L"SendMessageCallbackW failed with error " + Num(GetLastError()));
  const bool expect_menu = !args.Has(L"expect-no-menu");
  if (!WaitUntil(timeout, [&] { return handled || FindOpenMenu(pid) != nullptr; }))
    return Unmet(L"the program neither opened a menu nor returned from message 1025 (" + which + L") within " +
                 Num(timeout) + L" ms");
  const bool opened = FindOpenMenu(pid) != nullptr;
  if (expect_menu && !opened) return Unmet(L"message 1025 (" + which + L") was handled without opening a menu");
  if (!expect_menu && opened) return Unmet(L"message 1025 (" + which + L") opened a menu; expected none");
  Print(opened ? L"menu opened\n" : L"no menu\n");
  return kDone;
}

}  // namespace driver
