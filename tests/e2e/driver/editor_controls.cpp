#include "editor_controls.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "remote.h"
#include "util.h"

namespace driver {
namespace {

constexpr DWORD kDefaultTimeoutMs = 10000;
constexpr DWORD kSendTimeoutMs = 5000;

// Exit code 1: the expected state did not come; 2: bad usage or a system call failed.
struct Failure {
  int code;
  std::wstring message;
};
[[noreturn]] void Expectation(const std::wstring& m) { throw Failure{1, m}; }
[[noreturn]] void Broken(const std::wstring& m) { throw Failure{2, m}; }

std::wstring Num(long long v) { return std::to_wstring(v); }

// ACTION [VALUE] --pid P --title T [--id N] [--row R] [--timeout MS]
struct Request {
  std::vector<std::wstring> words;
  std::map<std::wstring, std::wstring> options;

  Request(int argc, wchar_t** argv) {
    for (int i = 2; i < argc; ++i) {
      std::wstring a = argv[i];
      if (a.size() > 2 && a.compare(0, 2, L"--") == 0) {
        if (i + 1 >= argc) Broken(L"option " + a + L" needs a value");
        options[a.substr(2)] = argv[++i];
      } else {
        words.push_back(a);
      }
    }
  }
  bool Has(const std::wstring& name) const { return options.count(name) != 0; }
  std::wstring Text(const std::wstring& name) const {
    auto it = options.find(name);
    if (it == options.end()) Broken(L"--" + name + L" is required");
    return it->second;
  }
  long Number(const std::wstring& name, long fallback) const {
    if (!Has(name)) return fallback;
    const std::wstring v = Text(name);
    wchar_t* end = nullptr;
    const long n = wcstol(v.c_str(), &end, 10);
    if (v.empty() || *end) Broken(L"--" + name + L" wants a number, not \"" + v + L"\"");
    return n;
  }
  std::wstring Word(size_t i, const std::wstring& what) const {
    if (i >= words.size()) Broken(L"missing " + what);
    return words[i];
  }
};

HWND FindDialog(const Request& r) {
  const DWORD pid = static_cast<DWORD>(r.Number(L"pid", 0));
  const std::wstring title = r.Text(L"title");
  const DWORD timeout = static_cast<DWORD>(r.Number(L"timeout", kDefaultTimeoutMs));
  HWND found = nullptr;
  WaitUntil(timeout, [&] {
    for (HWND hwnd : TopLevelWindows(pid)) {
      if (IsWindowVisible(hwnd) && WindowText(hwnd) == title) {
        found = hwnd;
        return true;
      }
    }
    return false;
  });
  if (!found) Expectation(L"no visible window titled \"" + title + L"\" within " + Num(timeout) + L" ms");
  return found;
}

HWND FindControl(const Request& r) {
  HWND dialog = FindDialog(r);
  const long id = r.Number(L"id", -1);
  HWND control = GetDlgItem(dialog, id);
  if (!control) Expectation(L"the dialog has no control with id " + Num(id));
  return control;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result))
    Broken(L"message " + Num(msg) + L" to the control got no answer");
  return static_cast<LRESULT>(result);
}

// A block in the control's process: list view and picker messages carry
// pointers that the system does not translate between processes.
class RemoteBlock {
 public:
  static constexpr size_t kSize = 8192;
  static constexpr size_t kTextOffset = 1024;  // structures first, text after

  explicit RemoteBlock(HWND control) {
    process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               WindowProcess(control)));
    if (!process_) Broken(L"OpenProcess failed (error " + Num(GetLastError()) + L")");
    memory_ = std::make_unique<RemoteMemory>(process_.get(), kSize);
    if (!memory_->get()) Broken(L"VirtualAllocEx failed (error " + Num(GetLastError()) + L")");
  }
  LPARAM At(size_t offset) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(memory_->get()) + offset);
  }
  wchar_t* Text() const { return reinterpret_cast<wchar_t*>(At(kTextOffset)); }
  static constexpr int TextUnits() { return static_cast<int>((kSize - kTextOffset) / sizeof(wchar_t)); }
  void Write(const void* data, size_t size, size_t offset = 0) const {
    if (!WriteProcessMemory(process_.get(), reinterpret_cast<void*>(At(offset)), data, size, nullptr))
      Broken(L"WriteProcessMemory failed (error " + Num(GetLastError()) + L")");
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    if (!ReadProcessMemory(process_.get(), reinterpret_cast<void*>(At(offset)), data, size, nullptr))
      Broken(L"ReadProcessMemory failed (error " + Num(GetLastError()) + L")");
  }
  std::wstring ReadText() const {
    std::vector<wchar_t> text(static_cast<size_t>(TextUnits()));
    Read(text.data(), text.size() * sizeof(wchar_t), kTextOffset);
    text.back() = 0;
    return text.data();
  }

 private:
  struct Closer {
    void operator()(HANDLE h) const {
      if (h) CloseHandle(h);
    }
  };
  std::unique_ptr<void, Closer> process_;
  std::unique_ptr<RemoteMemory> memory_;
};

// ---- controls ----

std::wstring RectText(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return Num(r.left) + L"," + Num(r.top) + L"," + Num(r.right) + L"," + Num(r.bottom);
}

// owner<TAB>title of the owner window; then per control:
// id<TAB>class<TAB>enabled|disabled<TAB>visible|hidden<TAB>screen rect<TAB>text
int Controls(const Request& r) {
  HWND dialog = FindDialog(r);
  HWND owner = GetWindow(dialog, GW_OWNER);
  std::wstring out = L"owner\t" + (owner ? Escape(WindowText(owner)) : std::wstring(L"(none)")) + L"\n";
  for (HWND child : ChildWindows(dialog)) {
    out += Num(GetDlgCtrlID(child)) + L"\t" + ClassName(child) + L"\t" +
           (IsWindowEnabled(child) ? L"enabled" : L"disabled") + L"\t" +
           (IsWindowVisible(child) ? L"visible" : L"hidden") + L"\t" + RectText(child) + L"\t" +
           Escape(WindowText(child)) + L"\n";
  }
  Print(out);
  return 0;
}

// ---- list view ----

std::wstring Alignment(int fmt) {
  switch (fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_CENTER: return L"centre";
    case LVCFMT_RIGHT: return L"right";
    default: return L"left";
  }
}

std::wstring CellText(HWND list, const RemoteBlock& block, int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = block.Text();
  item.cchTextMax = RemoteBlock::TextUnits();
  const wchar_t empty = 0;
  block.Write(&empty, sizeof(empty), RemoteBlock::kTextOffset);
  block.Write(&item, sizeof(item));
  Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), block.At(0));
  return block.ReadText();
}

// style <styles>; column<TAB>i<TAB>header<TAB>width<TAB>alignment, one per
// column; top<TAB>first visible row; row<TAB>i<TAB>cells...[<TAB>selected]
int ListViewRead(HWND list) {
  RemoteBlock block(list);
  std::wstring out = L"style";
  const DWORD ex = static_cast<DWORD>(Send(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  if (ex & LVS_EX_FULLROWSELECT) out += L"\tfullrowselect";
  if (ex & LVS_EX_ONECLICKACTIVATE) out += L"\toneclickactivate";
  out += L"\n";
  int columns = 0;
  for (;; ++columns) {
    LVCOLUMNW col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    col.pszText = block.Text();
    col.cchTextMax = RemoteBlock::TextUnits();
    block.Write(&col, sizeof(col));
    if (!Send(list, LVM_GETCOLUMNW, static_cast<WPARAM>(columns), block.At(0))) break;
    block.Read(&col, sizeof(col));
    out += L"column\t" + Num(columns) + L"\t" + Escape(block.ReadText()) + L"\t" + Num(col.cx) + L"\t" +
           Alignment(col.fmt) + L"\n";
  }
  const int rows = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0));
  out += L"top\t" + Num(Send(list, LVM_GETTOPINDEX, 0, 0)) + L"\n";
  for (int row = 0; row < rows; ++row) {
    out += L"row\t" + Num(row);
    for (int c = 0; c < columns; ++c) out += L"\t" + Escape(CellText(list, block, row, c));
    if (Send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED)
      out += L"\tselected";
    out += L"\n";
  }
  Print(out);
  return 0;
}

// The screen point a click on the row would use: inside its first column.
int ListViewPoint(HWND list, int row) {
  RemoteBlock block(list);
  RECT rect{};
  rect.left = LVIR_BOUNDS;
  block.Write(&rect, sizeof(rect));
  if (!Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), block.At(0)))
    Expectation(L"the list has no row " + Num(row));
  block.Read(&rect, sizeof(rect));
  POINT p{rect.left + 20, (rect.top + rect.bottom) / 2};
  MapWindowPoints(list, nullptr, &p, 1);
  Print(Num(p.x) + L" " + Num(p.y) + L"\n");
  return 0;
}

int ListView(const Request& r) {
  const std::wstring action = r.Word(0, L"read or point");
  HWND list = FindControl(r);
  if (action == L"read") return ListViewRead(list);
  if (action == L"point") return ListViewPoint(list, static_cast<int>(r.Number(L"row", 0)));
  Broken(L"listview wants read or point");
}

// ---- date-time picker ----

std::wstring FormatTime(const SYSTEMTIME& st) {
  wchar_t buf[64];
  wsprintfW(buf, L"%04u/%02u/%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
            st.wSecond);
  return buf;
}

// get: "YYYY/MM/DD HH:MM:SS<TAB>shown text". The tests change a picker by
// typing into it, as a user does; the control then tells the dialog itself
// (a WM_NOTIFY from another process would not arrive: Wine does not carry
// it across processes).
int Picker(const Request& r) {
  if (r.Word(0, L"get") != L"get") Broken(L"picker wants get");
  HWND picker = FindControl(r);
  RemoteBlock block(picker);
  SYSTEMTIME st{};
  block.Write(&st, sizeof(st));
  if (Send(picker, DTM_GETSYSTEMTIME, 0, block.At(0)) != GDT_VALID) Expectation(L"the picker holds no time");
  block.Read(&st, sizeof(st));
  Print(FormatTime(st) + L"\t" + Escape(WindowText(picker)) + L"\n");
  return 0;
}

// ---- combo box ----

// read: "selected<TAB>index<TAB>text" then "item<TAB>i<TAB>text" per entry;
// select INDEX: selects the entry and tells the dialog (CBN_SELCHANGE).
int Combo(const Request& r) {
  const std::wstring action = r.Word(0, L"read or select");
  HWND combo = FindControl(r);
  if (action == L"read") {
    const int count = static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0));
    const int selected = static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0));
    // CB_GETLBTEXT is one of the messages the system copies between processes.
    auto text = [&](int i) {
      std::wstring t(static_cast<size_t>(Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
      Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&t[0]));
      return std::wstring(t.c_str());
    };
    std::wstring out = L"selected\t" + Num(selected) + L"\t" + (selected >= 0 ? text(selected) : L"") + L"\n";
    for (int i = 0; i < count; ++i) out += L"item\t" + Num(i) + L"\t" + text(i) + L"\n";
    Print(out);
    return 0;
  }
  if (action != L"select") Broken(L"combo wants read or select");
  const int index = _wtoi(r.Word(1, L"the entry's index").c_str());
  if (Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index)
    Expectation(L"the combo box has no entry " + Num(index));
  Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
       reinterpret_cast<LPARAM>(combo));
  return 0;
}

// ---- buttons ----

void CALLBACK ClickDone(HWND, UINT, ULONG_PTR data, LRESULT) { *reinterpret_cast<bool*>(data) = true; }

// Clicks the button and waits until its handler has returned ("done"), or
// until the handler opened a modal window (a message box, the file dialog),
// which disables the dialog ("modal"). A plain send would wait for the modal
// window to close; a post would not tell when the handler is through.
int Press(const Request& r) {
  HWND button = FindControl(r);
  HWND dialog = GetParent(button);
  if (!IsWindowEnabled(button)) Expectation(L"the button " + Escape(WindowText(button)) + L" is disabled");
  bool done = false;
  if (!SendMessageCallbackW(button, BM_CLICK, 0, 0, ClickDone, reinterpret_cast<ULONG_PTR>(&done)))
    Broken(L"SendMessageCallbackW failed (error " + Num(GetLastError()) + L")");
  const DWORD timeout = static_cast<DWORD>(r.Number(L"timeout", kDefaultTimeoutMs));
  if (!WaitUntil(timeout, [&] { return done || !IsWindowEnabled(dialog); }))
    Expectation(L"the click on " + Escape(WindowText(button)) + L" was not handled within " + Num(timeout) + L" ms");
  Print(done ? L"done\n" : L"modal\n");
  return 0;
}

int Run(int argc, wchar_t** argv, int (*body)(const Request&)) {
  try {
    return body(Request(argc, argv));
  } catch (const Failure& f) {
    PrintError(std::wstring(L"dorvane_driver ") + argv[1] + L": " + f.message + L"\n");
    return f.code;
  }
}

}  // namespace

int DialogControlsCommand(int argc, wchar_t** argv) { return Run(argc, argv, Controls); }
int ListViewCommand(int argc, wchar_t** argv) { return Run(argc, argv, ListView); }
int PickerCommand(int argc, wchar_t** argv) { return Run(argc, argv, Picker); }
int ComboCommand(int argc, wchar_t** argv) { return Run(argc, argv, Combo); }
int PressCommand(int argc, wchar_t** argv) { return Run(argc, argv, Press); }

}  // namespace driver
