// The probe: a DLL that the GUI thread of another process loads itself (the
// driver hooks it onto that thread, see remote.cpp) to read what Wine keeps
// private to that process: the items of an open popup menu (a menu handle
// means nothing outside its process), the icons and tooltips of Wine's system
// tray (which live in explorer.exe) and a counting build's live handles. It
// answers each request on that thread, in the driver's shared block.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "escape.h"
#include "probe_protocol.h"
#include "win/handles.h"

namespace {

void Append(probe::Block* block, const std::wstring& s) {
  for (wchar_t c : s) {
    if (block->length + 1 >= probe::kTextCapacity) return;
    block->text[block->length++] = c;
  }
  block->text[block->length] = 0;
}

std::wstring Hex(uintptr_t v) {
  wchar_t buf[32];
  wsprintfW(buf, L"%08lX", static_cast<unsigned long>(v));
  return buf;
}

std::wstring Num(long v) {
  wchar_t buf[32];
  wsprintfW(buf, L"%ld", v);
  return buf;
}

std::wstring RectText(const RECT& r) {
  return Num(r.left) + L"," + Num(r.top) + L"," + Num(r.right) + L"," + Num(r.bottom);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

struct WindowSearch {
  const wchar_t* class_name;
  bool visible_only;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOwnWindows(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  if (search->visible_only && !IsWindowVisible(hwnd)) return TRUE;
  if (ClassOf(hwnd) == search->class_name) search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> OwnTopLevelWindows(const wchar_t* class_name, bool visible_only) {
  WindowSearch search{class_name, visible_only, {}};
  EnumWindows(CollectOwnWindows, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Lists the open popup menu: a header line, then one line per entry:
//   menu <TAB> hwnd <TAB> count
//   item <TAB> pos <TAB> id <TAB> type <TAB> state <TAB> l,t,r,b <TAB> text
// With several popups open (a submenu) the one on top, first in z-order, is read.
void ReadMenu(probe::Block* block) {
  std::vector<HWND> popups = OwnTopLevelWindows(L"#32768", true);
  if (popups.empty()) {
    block->status = probe::kNoMenu;
    return;
  }
  HWND popup = popups.front();
  // The popup belongs to this thread, which is inside its menu loop.
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  if (!menu || !IsMenu(menu)) {
    block->status = probe::kNoMenuHandle;
    return;
  }
  int count = GetMenuItemCount(menu);
  Append(block, L"menu\t" + Hex(reinterpret_cast<uintptr_t>(popup)) + L"\t" + Num(count) + L"\n");
  for (int pos = 0; pos < count; ++pos) {
    wchar_t text[512] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 511;
    if (!GetMenuItemInfoW(menu, pos, TRUE, &info)) {
      text[0] = 0;
      info.fType = info.fState = 0;
      info.wID = 0;
    }
    RECT rect{};
    GetMenuItemRect(popup, menu, pos, &rect);
    Append(block, L"item\t" + Num(pos) + L"\t" + Num(static_cast<long>(info.wID)) + L"\t" +
                      Hex(info.fType) + L"\t" + Hex(info.fState) + L"\t" + RectText(rect) + L"\t" +
                      driver::Escape(text) + L"\n");
  }
  block->status = probe::kOk;
}

// Copies memory of this process without faulting on a bad address.
bool ReadOwn(const void* address, void* out, size_t size) {
  SIZE_T done = 0;
  return ReadProcessMemory(GetCurrentProcess(), address, out, size, &done) && done == size;
}

// Wine's X11 tray keeps a record per icon behind the icon window's user data:
// a list entry (two pointers), the icon image, the owner window (the window
// given to Shell_NotifyIcon) and the icon window itself. The owner is only
// trusted when the record names the icon window back.
HWND TrayIconOwner(HWND icon_window) {
  auto* record = reinterpret_cast<const uint8_t*>(GetWindowLongPtrW(icon_window, GWLP_USERDATA));
  if (!record) return nullptr;
  HWND fields[2] = {};
  const size_t owner_offset = 2 * sizeof(void*) + sizeof(HICON);
  if (!ReadOwn(record + owner_offset, fields, sizeof fields)) return nullptr;
  if (fields[1] != icon_window || !IsWindow(fields[0])) return nullptr;
  return fields[0];
}

struct TooltipSearch {
  HWND tool_window;
  std::wstring text;
  bool found;
};

BOOL CALLBACK FindToolText(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<TooltipSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId() || ClassOf(hwnd) != TOOLTIPS_CLASSW) return TRUE;
  wchar_t text[1024] = {};
  TTTOOLINFOW info{};
  info.cbSize = sizeof info;
  info.hwnd = search->tool_window;
  info.uId = reinterpret_cast<UINT_PTR>(search->tool_window);
  info.lpszText = text;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info), SMTO_NORMAL,
                           5000, &result) ||
      !result)
    return TRUE;  // not this icon's tool
  text[0] = 0;
  info.lpszText = text;
  SendMessageTimeoutW(hwnd, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&info), SMTO_NORMAL, 5000,
                      &result);
  search->text = text;
  search->found = true;
  return FALSE;
}

// The listener Shell_NotifyIconW sends to, at the top level or as the child
// that the driver's "shell hide" made it: a process that has it is the
// notification area, icons or none.
BOOL CALLBACK FindOwnListener(HWND top, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  if (ClassOf(top) != L"Shell_TrayWnd" && !FindWindowExW(top, nullptr, L"Shell_TrayWnd", nullptr)) return TRUE;
  *reinterpret_cast<bool*>(param) = true;
  return FALSE;
}

// Lists Wine's tray: for each tray window a line, for each icon a line:
//   tray <TAB> hwnd <TAB> visible <TAB> l,t,r,b
//   icon <TAB> hwnd <TAB> visible <TAB> l,t,r,b <TAB> owner hwnd <TAB> owner pid
//        <TAB> tooltip found (0/1) <TAB> tooltip text
void ReadTray(probe::Block* block) {
  std::vector<HWND> trays = OwnTopLevelWindows(L"__winex11_standalone_tray", false);
  std::vector<HWND> icons = OwnTopLevelWindows(L"__winex11_tray_icon", false);  // docked
  for (HWND tray : trays) {
    RECT rect{};
    GetWindowRect(tray, &rect);
    Append(block, L"tray\t" + Hex(reinterpret_cast<uintptr_t>(tray)) + L"\t" +
                      Num(IsWindowVisible(tray) ? 1 : 0) + L"\t" + RectText(rect) + L"\n");
    for (HWND child = GetWindow(tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (ClassOf(child) == L"__winex11_tray_icon") icons.push_back(child);
    }
  }
  bool listener = false;
  EnumWindows(FindOwnListener, reinterpret_cast<LPARAM>(&listener));
  if (trays.empty() && icons.empty() && !listener) {
    block->status = probe::kNoTray;
    return;
  }
  for (HWND icon : icons) {
    RECT rect{};
    GetWindowRect(icon, &rect);
    HWND owner = TrayIconOwner(icon);
    DWORD owner_pid = 0;
    if (owner) GetWindowThreadProcessId(owner, &owner_pid);
    TooltipSearch search{icon, L"", false};
    EnumWindows(FindToolText, reinterpret_cast<LPARAM>(&search));
    Append(block, L"icon\t" + Hex(reinterpret_cast<uintptr_t>(icon)) + L"\t" +
                      Num(IsWindowVisible(icon) ? 1 : 0) + L"\t" + RectText(rect) + L"\t" +
                      Hex(reinterpret_cast<uintptr_t>(owner)) + L"\t" + Num(static_cast<long>(owner_pid)) +
                      L"\t" + Num(search.found ? 1 : 0) + L"\t" + driver::Escape(search.text) + L"\n");
  }
  block->status = probe::kOk;
}

// The counts of a build with DORVANE_COUNT_HANDLES, one line per kind:
//   kind <TAB> live
void ReadHandles(probe::Block* block) {
  static const wchar_t* const kNames[] = {L"icon",      L"menu",       L"brush",     L"pen",
                                          L"font",      L"bitmap",     L"memory-dc", L"window-dc",
                                          L"imagelist", L"kernel",     L"global",    L"printer"};
  static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(HandleKind::kCount),
                "a name for every kind of handle");
  using Reader = long (*)(int);
  auto read = reinterpret_cast<Reader>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), "DorvaneLiveHandles")));
  if (!read) {
    block->status = probe::kNoCounter;
    return;
  }
  for (int k = 0; k < static_cast<int>(HandleKind::kCount); ++k) {
    Append(block, std::wstring(kNames[k]) + L"\t" + Num(read(k)) + L"\n");
  }
  block->status = probe::kOk;
}

// As a library the program asks for by name would be looked for.
void LoadByName(probe::Block* block) {
  HMODULE module = LoadLibraryW(probe::kPlantName);
  if (module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    Append(block, std::wstring(L"loaded ") + path);
    FreeLibrary(module);
  } else {
    Append(block, L"refused " + Num(static_cast<long>(GetLastError())));
  }
  block->status = probe::kOk;
}

std::wstring Named(const wchar_t* base, LPARAM pid) { return base + Num(static_cast<long>(pid)); }

// The barrier: a message hook on this thread sees each message the thread
// takes from its queue, in whatever loop (its own, a dialog's, a menu's).
// Posted messages come out in order, so once the driver's marker is taken,
// every message posted before it has been taken, and all but the last handled.
LRESULT CALLBACK MarkerHook(int code, WPARAM removal, LPARAM param) {
  const MSG* msg = reinterpret_cast<const MSG*>(param);
  if (code == HC_ACTION && removal == PM_REMOVE && msg->message == WM_NULL && msg->wParam == probe::kMarker) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, Named(probe::kMarkerEventName, msg->lParam).c_str());
    if (event) {
      SetEvent(event);
      CloseHandle(event);
    }
  }
  return CallNextHookEx(nullptr, code, removal, param);
}

void Answer(UINT op, probe::Block* block) {
  block->status = probe::kBadRequest;
  block->length = 0;
  block->text[0] = 0;
  switch (op) {
    case probe::kReadMenu:
      ReadMenu(block);
      break;
    case probe::kReadTray:
      ReadTray(block);
      break;
    case probe::kReadHandles:
      ReadHandles(block);
      break;
    case probe::kLoadByName:
      LoadByName(block);
      break;
    default:
      break;
  }
}

// A request: message kRequest + op; lParam names the driver's block.
LRESULT CALLBACK ProbeWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message <= probe::kRequest || message > probe::kRequest + probe::kLoadByName)
    return DefWindowProcW(hwnd, message, wparam, lparam);
  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, Named(probe::kBlockName, lparam).c_str());
  if (!mapping) return 0;
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(probe::Block));
  if (view) {
    Answer(message - probe::kRequest, static_cast<probe::Block*>(view));
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
  return view ? 1 : 0;
}

HWND g_window = nullptr;

// Runs once, on the GUI thread, from inside its message loop. Pinned, the
// probe stays when the driver's hook goes; its window, made last, tells the
// driver it is ready.
void Install() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                          reinterpret_cast<LPCWSTR>(&ProbeWindowProc), &self))
    return;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = ProbeWindowProc;
  window_class.hInstance = self;
  window_class.lpszClassName = probe::kWindowClass;
  RegisterClassW(&window_class);
  if (!SetWindowsHookExW(WH_GETMESSAGE, MarkerHook, nullptr, GetCurrentThreadId())) return;
  g_window = CreateWindowExW(0, probe::kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, self, nullptr);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wparam, LPARAM lparam) {
  static bool installing = false;
  if (!g_window && !installing) {
    installing = true;
    Install();
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
