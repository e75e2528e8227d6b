// ctl ACTION [--pid P] [--title T | --window HEX] [--id ID] [options]
//
// The dialog is the visible top-level window titled T (default the settings
// dialog's title) of process P, or the window given by handle; --id picks
// one of its controls. Actions:
//   find                    waits for the dialog; prints its handle
//   gone                    waits until no such dialog is open
//   owned --owner HEX [--kind window|msgbox]
//                           waits for a visible top-level window owned by
//                           HEX that is (msgbox) or is not (window, the
//                           default) a message box; prints
//                           "handle<TAB>class<TAB>title<TAB>width<TAB>height"
//   text                    the control's text
//   settext --text T        WM_SETTEXT, as another program could
//   type --text T           each character as WM_CHAR, as the keyboard would
//   press                   the button's BN_CLICKED; returns once the dialog
//                           has handled it or opened a message box from it
//   state                   "enabled|disabled<TAB>visible|hidden"
//   rect                    the control's screen rectangle and centre:
//                           "left top right bottom<TAB>x y"
//   list                    the list view's rows, one a line:
//                           "row<TAB>check<TAB>selected<TAB>image<TAB>col0<TAB>col1"
//                           check is 1 ticked, 0 unticked, - none
//   list-point --row R --part state|icon|label
//                           the screen point in the middle of that part of
//                           the row, for a real click: "x y"
//   list-columns            "header<TAB>width<TAB>left|right|center" per column
// Exit codes as the rest of the driver: 0 done, 1 not as expected, 2 usage
// or a failed system call.
#include "controls.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "util.h"

namespace driver {
namespace {

constexpr const wchar_t* kSettingsTitle = L"Dorvane \u8a2d\u5b9a";
constexpr DWORD kTimeoutMs = 10000;
constexpr DWORD kSendTimeoutMs = 10000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct CtlError {
  int code;
  std::wstring message;
};

[[noreturn]] void Fail(int code, const std::wstring& message) { throw CtlError{code, message}; }

std::wstring Num(long long v) { return std::to_wstring(v); }

std::wstring Hex(HWND hwnd) {
  wchar_t text[32];
  wsprintfW(text, L"%lX", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
  return text;
}

// Every option takes a value; the first word is the action.
class Options {
 public:
  Options(int argc, wchar_t** argv, int first) {
    for (int i = first; i < argc; ++i) {
      std::wstring a = argv[i];
      if (a.size() > 2 && a.compare(0, 2, L"--") == 0) {
        if (i + 1 >= argc) Fail(2, L"option " + a + L" needs a value");
        named_[a.substr(2)] = argv[++i];
      } else {
        words_.push_back(a);
      }
    }
  }
  bool Has(const std::wstring& name) const { return named_.count(name) != 0; }
  std::wstring Get(const std::wstring& name, const std::wstring& fallback = L"") const {
    auto it = named_.find(name);
    return it == named_.end() ? fallback : it->second;
  }
  long Number(const std::wstring& name, long fallback, int base = 10) const {
    if (!Has(name)) return fallback;
    const std::wstring v = Get(name);
    wchar_t* end = nullptr;
    const long n = static_cast<long>(wcstoul(v.c_str(), &end, base));
    if (v.empty() || *end) Fail(2, L"--" + name + L" wants a number, not \"" + v + L"\"");
    return n;
  }
  HWND Handle(const std::wstring& name) const {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(Number(name, 0, 16)));
  }
  std::wstring Action() const {
    if (words_.empty()) Fail(2, L"ctl wants an action");
    return words_[0];
  }

 private:
  std::map<std::wstring, std::wstring> named_;
  std::vector<std::wstring> words_;
};

std::wstring Title(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

HWND FindDialog(DWORD pid, const std::wstring& title) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (IsWindowVisible(hwnd) && Title(hwnd) == title) return hwnd;
  }
  return nullptr;
}

HWND Dialog(const Options& o) {
  if (o.Has(L"window")) {
    HWND hwnd = o.Handle(L"window");
    if (!IsWindow(hwnd)) Fail(1, L"no window " + o.Get(L"window"));
    return hwnd;
  }
  const DWORD pid = static_cast<DWORD>(o.Number(L"pid", 0));
  const std::wstring title = o.Get(L"title", kSettingsTitle);
  HWND found = nullptr;
  if (!WaitUntil(static_cast<DWORD>(o.Number(L"timeout", kTimeoutMs)),
                 [&] { return (found = FindDialog(pid, title)) != nullptr; })) {
    Fail(1, L"no visible window titled \"" + title + L"\"");
  }
  return found;
}

HWND Control(const Options& o) {
  HWND dialog = Dialog(o);
  if (!o.Has(L"id")) return dialog;
  HWND control = GetDlgItem(dialog, static_cast<int>(o.Number(L"id", 0)));
  if (!control) Fail(1, L"the dialog has no control " + o.Get(L"id"));
  return control;
}

// Waits until the window's thread has handled everything sent or posted to
// it so far (or sits in a modal loop that it opened meanwhile). A window
// that its own handling destroyed (a dialog's OK) has nothing left to do.
void Sync(HWND hwnd) {
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored) && IsWindow(hwnd)) {
    Fail(1, L"the window did not answer within " + Num(kSendTimeoutMs) + L" ms");
  }
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) {
    Fail(1, L"message " + Num(msg) + L" got no answer within " + Num(kSendTimeoutMs) + L" ms");
  }
  return static_cast<LRESULT>(result);
}

// A block of memory in the process that owns a window: list view messages
// carry pointers, which the system does not carry across processes.
class Remote {
 public:
  Remote(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) Fail(2, L"OpenProcess failed (error " + Num(GetLastError()) + L")");
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) {
      CloseHandle(process_);
      Fail(2, L"VirtualAllocEx failed (error " + Num(GetLastError()) + L")");
    }
  }
  ~Remote() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  Remote(const Remote&) = delete;
  Remote& operator=(const Remote&) = delete;

  char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
  LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
  void Write(size_t offset, const void* data, size_t size) const {
    SIZE_T done = 0;
    if (offset + size > size_ || !WriteProcessMemory(process_, At(offset), data, size, &done) || done != size) {
      Fail(2, L"WriteProcessMemory failed");
    }
  }
  void Read(size_t offset, void* data, size_t size) const {
    SIZE_T done = 0;
    if (offset + size > size_ || !ReadProcessMemory(process_, At(offset), data, size, &done) || done != size) {
      Fail(2, L"ReadProcessMemory failed");
    }
  }

 private:
  size_t size_;
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

constexpr size_t kTextOffset = 512;
constexpr int kTextUnits = 512;

std::wstring ItemText(HWND list, const Remote& remote, int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.At(kTextOffset));
  item.cchTextMax = kTextUnits;
  remote.Write(0, &item, sizeof(item));
  const int length = static_cast<int>(Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.Param()));
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) remote.Read(kTextOffset, &text[0], static_cast<size_t>(length) * sizeof(wchar_t));
  return text;
}

void ListRows(HWND list) {
  Remote remote(list, kTextOffset + kTextUnits * sizeof(wchar_t));
  const int rows = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0));
  std::wstring out;
  for (int row = 0; row < rows; ++row) {
    LVITEMW item{};
    item.mask = LVIF_STATE | LVIF_IMAGE;
    item.iItem = row;
    item.stateMask = LVIS_STATEIMAGEMASK | LVIS_SELECTED;
    remote.Write(0, &item, sizeof(item));
    if (!Send(list, LVM_GETITEMW, 0, remote.Param())) Fail(1, L"LVM_GETITEMW failed for row " + Num(row));
    remote.Read(0, &item, sizeof(item));
    const UINT image = (item.state & LVIS_STATEIMAGEMASK) >> 12;
    const std::wstring check = image == 2 ? L"1" : image == 1 ? L"0" : L"-";
    out += Num(row) + L"\t" + check + L"\t" + ((item.state & LVIS_SELECTED) ? L"1" : L"0") + L"\t" +
           Num(item.iImage) + L"\t" + Escape(ItemText(list, remote, row, 0)) + L"\t" +
           Escape(ItemText(list, remote, row, 1)) + L"\n";
  }
  Print(out);
}

void ListColumns(HWND list) {
  Remote remote(list, kTextOffset + kTextUnits * sizeof(wchar_t));
  std::wstring out;
  for (int column = 0;; ++column) {
    LVCOLUMNW col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    col.pszText = reinterpret_cast<wchar_t*>(remote.At(kTextOffset));
    col.cchTextMax = kTextUnits;
    remote.Write(0, &col, sizeof(col));
    if (!Send(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), remote.Param())) break;
    remote.Read(0, &col, sizeof(col));
    wchar_t header[kTextUnits] = {};
    remote.Read(kTextOffset, header, sizeof(header) - sizeof(wchar_t));
    const int align = col.fmt & LVCFMT_JUSTIFYMASK;
    out += Escape(header) + L"\t" + Num(col.cx) + L"\t" +
           (align == LVCFMT_CENTER ? L"center" : align == LVCFMT_RIGHT ? L"right" : L"left") + L"\n";
  }
  Print(out);
}

RECT ItemRect(HWND list, const Remote& remote, int row, int part) {
  RECT rect{};
  rect.left = part;
  remote.Write(0, &rect, sizeof(rect));
  if (!Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.Param())) {
    Fail(1, L"the list has no row " + Num(row));
  }
  remote.Read(0, &rect, sizeof(rect));
  return rect;
}

// The middle of a part of the row in screen coordinates. The check box has
// no rectangle of its own: it is found by hit-testing along the row.
POINT ListPoint(HWND list, int row, const std::wstring& part) {
  Remote remote(list, sizeof(LVHITTESTINFO) + sizeof(RECT));
  POINT point{};
  if (part == L"icon" || part == L"label") {
    const RECT r = ItemRect(list, remote, row, part == L"icon" ? LVIR_ICON : LVIR_LABEL);
    point = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  } else if (part == L"state") {
    const RECT bounds = ItemRect(list, remote, row, LVIR_BOUNDS);
    const int y = (bounds.top + bounds.bottom) / 2;
    int first = -1, last = -1;
    for (int x = bounds.left; x < bounds.right; ++x) {
      LVHITTESTINFO hit{};
      hit.pt = POINT{x, y};
      remote.Write(0, &hit, sizeof(hit));
      Send(list, LVM_HITTEST, 0, remote.Param());
      remote.Read(0, &hit, sizeof(hit));
      if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) {
        if (first < 0) first = x;
        last = x;
      } else if (first >= 0) {
        break;
      }
    }
    if (first < 0) Fail(1, L"row " + Num(row) + L" shows no check box");
    point = POINT{(first + last) / 2, y};
  } else {
    Fail(2, L"--part wants state, icon or label");
  }
  ClientToScreen(list, &point);
  return point;
}

bool IsMessageBox(HWND hwnd) {
  HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
  return text && ClassName(text) == L"Static";
}

int Run(const Options& o) {
  const std::wstring action = o.Action();
  if (action == L"find") {
    Print(Hex(Dialog(o)) + L"\n");
  } else if (action == L"gone") {
    const DWORD pid = static_cast<DWORD>(o.Number(L"pid", 0));
    const std::wstring title = o.Get(L"title", kSettingsTitle);
    if (!WaitUntil(static_cast<DWORD>(o.Number(L"timeout", kTimeoutMs)), [&] { return !FindDialog(pid, title); })) {
      Fail(1, L"the window \"" + title + L"\" is still open");
    }
  } else if (action == L"owned") {
    HWND owner = o.Handle(L"owner");
    const bool messageBox = o.Get(L"kind", L"window") == L"msgbox";
    HWND found = nullptr;
    WaitUntil(static_cast<DWORD>(o.Number(L"timeout", kTimeoutMs)), [&] {
      for (HWND hwnd : TopLevelWindows(0)) {
        if (IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == owner && IsMessageBox(hwnd) == messageBox) {
          found = hwnd;
          return true;
        }
      }
      return false;
    });
    if (!found) Fail(1, L"no window owned by " + o.Get(L"owner") + L" opened");
    RECT r{};
    GetWindowRect(found, &r);
    Print(Hex(found) + L"\t" + ClassName(found) + L"\t" + Escape(Title(found)) + L"\t" + Num(r.right - r.left) +
          L"\t" + Num(r.bottom - r.top) + L"\n");
  } else if (action == L"text") {
    Print(Escape(WindowText(Control(o))) + L"\n");
  } else if (action == L"settext") {
    const std::wstring text = o.Get(L"text");
    Send(Control(o), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else if (action == L"type") {
    HWND control = Control(o);
    for (wchar_t c : o.Get(L"text")) PostMessageW(control, WM_CHAR, c, 1);
    Sync(control);
  } else if (action == L"press") {
    if (!o.Has(L"id")) Fail(2, L"press wants --id");
    HWND dialog = Dialog(o);
    HWND button = Control(o);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Sync(dialog);
  } else if (action == L"state") {
    HWND control = Control(o);
    Print(std::wstring(IsWindowEnabled(control) ? L"enabled" : L"disabled") + L"\t" +
          (IsWindowVisible(control) ? L"visible" : L"hidden") + L"\n");
  } else if (action == L"rect") {
    RECT r{};
    GetWindowRect(Control(o), &r);
    Print(Num(r.left) + L" " + Num(r.top) + L" " + Num(r.right) + L" " + Num(r.bottom) + L"\t" +
          Num((r.left + r.right) / 2) + L" " + Num((r.top + r.bottom) / 2) + L"\n");
  } else if (action == L"list") {
    ListRows(Control(o));
  } else if (action == L"list-columns") {
    ListColumns(Control(o));
  } else if (action == L"list-point") {
    const POINT p = ListPoint(Control(o), static_cast<int>(o.Number(L"row", -1)), o.Get(L"part", L"label"));
    Print(Num(p.x) + L" " + Num(p.y) + L"\n");
  } else {
    Fail(2, L"unknown ctl action " + action);
  }
  return 0;
}

}  // namespace

int ControlsCommand(int argc, wchar_t** argv) {
  try {
    return Run(Options(argc, argv, 2));
  } catch (const CtlError& e) {
    PrintError(L"dorvane_driver ctl: " + e.message + L"\n");
    return e.code;
  }
}

}  // namespace driver
