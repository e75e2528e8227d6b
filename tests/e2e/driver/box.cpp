// box read|point|key --pid P --title T [--id N | --close-box] [--key escape|enter] [--timeout MS]
//   read:  the box, the work area and every control, one a line:
//            box<TAB>l,t,r,b<TAB>owner=<title of the owner, or "none">, visible or hidden<TAB>focus=<id>
//            workarea<TAB>l,t,r,b
//            control<TAB>id<TAB>class<TAB>kind<TAB>text
//          kind is what a user sees: groupbox, button, default-button,
//          icon (with "+picture" when an icon is set), text-left,
//          text-centre, text-right, or style=<hex>.
//   point: the screen point of the control's centre (--id) or of the
//          caption's close box (--close-box), for a click with the X pointer
//   key:   posts the key to the box's focused control, as the keyboard would,
//          so that the dialog manager in the box's modal loop sees it
// Waits up to --timeout ms (default 10000) for a visible top-level window
// of the process with that title. Exit codes as the other subcommands: 1 the
// box or control was not found, 2 bad usage.
#include <map>
#include <string>

#include "cli.h"
#include "util.h"

namespace driver {
namespace {

std::wstring Int(long long v) { return std::to_wstring(v); }

std::wstring Rect(const RECT& r) {
  return Int(r.left) + L"," + Int(r.top) + L"," + Int(r.right) + L"," + Int(r.bottom);
}

struct Options {
  std::wstring action;
  std::map<std::wstring, std::wstring> values;
  bool closeBox = false;
  bool Has(const wchar_t* name) const { return values.count(name) != 0; }
  std::wstring Get(const wchar_t* name) const {
    auto it = values.find(name);
    return it == values.end() ? std::wstring() : it->second;
  }
  unsigned long Number(const wchar_t* name, unsigned long fallback) const {
    return Has(name) ? wcstoul(Get(name).c_str(), nullptr, 10) : fallback;
  }
};

bool Parse(int argc, wchar_t** argv, Options& options) {
  if (argc < 3) return false;
  options.action = argv[2];
  for (int i = 3; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--close-box") {
      options.closeBox = true;
    } else if (a.size() > 2 && a.compare(0, 2, L"--") == 0 && i + 1 < argc) {
      options.values[a.substr(2)] = argv[++i];
    } else {
      return false;
    }
  }
  return options.Has(L"pid") && options.Has(L"title");
}

HWND FindBox(DWORD pid, const std::wstring& title) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (IsWindowVisible(hwnd) && WindowText(hwnd) == title) return hwnd;
  }
  return nullptr;
}

std::wstring Kind(HWND control) {
  const std::wstring cls = ClassName(control);
  const LONG style = static_cast<LONG>(GetWindowLongPtrW(control, GWL_STYLE));
  if (cls == L"Button") {
    switch (style & BS_TYPEMASK) {
      case BS_GROUPBOX: return L"groupbox";
      case BS_DEFPUSHBUTTON: return L"default-button";
      case BS_PUSHBUTTON: return L"button";
      default: break;
    }
  } else if (cls == L"Static") {
    switch (style & SS_TYPEMASK) {
      case SS_ICON:
        // Icons are system-wide handles, so another process can tell one is set.
        return SendMessageW(control, STM_GETICON, 0, 0) ? L"icon+picture" : L"icon";
      case SS_LEFT: return L"text-left";
      case SS_CENTER: return L"text-centre";
      case SS_RIGHT: return L"text-right";
      default: break;
    }
  }
  return L"style=" + HexHandle(reinterpret_cast<void*>(static_cast<uintptr_t>(style)));
}

HWND FocusOf(HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

int Read(HWND box) {
  RECT rect{}, work{};
  GetWindowRect(box, &rect);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  HWND owner = GetWindow(box, GW_OWNER);
  std::wstring ownerText = owner ? Escape(WindowText(owner)) + (IsWindowVisible(owner) ? L", visible" : L", hidden")
                                 : L"none";
  HWND focus = FocusOf(box);
  std::wstring out = L"box\t" + Rect(rect) + L"\towner=" + ownerText + L"\tfocus=" +
                     (focus ? Int(GetDlgCtrlID(focus)) : L"none") + L"\n";
  out += L"workarea\t" + Rect(work) + L"\n";
  for (HWND c : ChildWindows(box)) {
    const std::wstring kind = Kind(c);
    // An icon's text is the resource reference of its picture, not text.
    const std::wstring text = kind.compare(0, 4, L"icon") == 0 ? L"" : Escape(WindowText(c));
    out += L"control\t" + Int(GetDlgCtrlID(c)) + L"\t" + ClassName(c) + L"\t" + kind + L"\t" + text + L"\n";
  }
  Print(out);
  return 0;
}

// The caption's close box, found by asking the window itself which part of
// it lies under a point: scan the caption strip from the right.
bool CloseBoxPoint(HWND box, POINT& at) {
  RECT r{};
  GetWindowRect(box, &r);
  const int captionBottom = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
  for (int y = r.top + 2; y < captionBottom; y += 2) {
    for (int x = r.right - 2; x > r.right - 80 && x > r.left; x -= 2) {
      LRESULT hit = SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(x, y));
      if (hit != HTCLOSE) continue;
      // The middle of the run of HTCLOSE points on this row.
      int left = x;
      while (left > r.left && SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(left - 1, y)) == HTCLOSE) --left;
      at = POINT{(left + x) / 2, y + 3};
      return true;
    }
  }
  return false;
}

int Point(HWND box, const Options& options) {
  POINT at{};
  if (options.closeBox) {
    if (!CloseBoxPoint(box, at)) {
      PrintError(L"dorvane_driver box: the box has no close box\n");
      return 1;
    }
  } else {
    HWND control = GetDlgItem(box, static_cast<int>(options.Number(L"id", 0)));
    if (!control) {
      PrintError(L"dorvane_driver box: the box has no control " + options.Get(L"id") + L"\n");
      return 1;
    }
    RECT r{};
    GetWindowRect(control, &r);
    at = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  Print(Int(at.x) + L" " + Int(at.y) + L"\n");
  return 0;
}

int Key(HWND box, const Options& options) {
  static const std::map<std::wstring, UINT> kKeys = {{L"escape", VK_ESCAPE}, {L"enter", VK_RETURN}};
  auto key = kKeys.find(options.Get(L"key"));
  if (key == kKeys.end()) {
    PrintError(L"dorvane_driver box: --key wants escape or enter\n");
    return 2;
  }
  HWND focus = FocusOf(box);
  HWND target = focus ? focus : box;
  const UINT scan = MapVirtualKeyW(key->second, MAPVK_VK_TO_VSC);
  PostMessageW(target, WM_KEYDOWN, key->second, 1 | (scan << 16));
  PostMessageW(target, WM_KEYUP, key->second, 1 | (scan << 16) | 0xC0000000u);
  return 0;
}

int BoxCommand(int argc, wchar_t** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    PrintError(L"usage: dorvane_driver box read|point|key --pid P --title T [--id N | --close-box] "
               L"[--key escape|enter] [--timeout MS]\n");
    return 2;
  }
  const DWORD pid = options.Number(L"pid", 0);
  const std::wstring title = options.Get(L"title");
  HWND box = nullptr;
  if (!WaitUntil(options.Number(L"timeout", 10000), [&] { return (box = FindBox(pid, title)) != nullptr; })) {
    PrintError(L"dorvane_driver box: no visible window \"" + title + L"\" in process " + Int(pid) + L"\n");
    return 1;
  }
  if (options.action == L"read") return Read(box);
  if (options.action == L"point") return Point(box, options);
  if (options.action == L"key") return Key(box, options);
  PrintError(L"dorvane_driver box: unknown action " + options.action + L"\n");
  return 2;
}

const CommandRegistration kRegistration{L"box", BoxCommand};

}  // namespace
}  // namespace driver
