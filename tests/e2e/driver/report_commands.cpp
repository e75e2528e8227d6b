// Subcommands for the report window: its controls, the tab control and the
// date picker (read inside the program's process through memory allocated
// there, since their messages carry pointers), pixels of the chart pages
// captured from the screen, and the print dialog.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <winspool.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli.h"
#include "util.h"

namespace driver {
namespace {

constexpr const wchar_t* kReportTitle = L"Dorvane \u30ec\u30dd\u30fc\u30c8";
constexpr int kTabControlId = 32786;
constexpr int kDatePickerId = 32799;

HWND ReportWindow(DWORD pid, DWORD timeout) {
  HWND found = nullptr;
  const bool ok = WaitUntil(timeout, [&] {
    for (HWND hwnd : TopLevelWindows(pid)) {
      if (ClassName(hwnd) == L"#32770" && WindowText(hwnd) == kReportTitle) {
        found = hwnd;
        return true;
      }
    }
    return false;
  });
  if (!ok) Expectation(L"process " + Num(pid) + L" has no report window");
  return found;
}

HWND Control(const Args& args, int id) {
  HWND control = GetDlgItem(ReportWindow(args.Pid(), args.Timeout()), id);
  if (!control) Expectation(L"the report window has no control " + Num(id));
  return control;
}

RECT ClientOnScreen(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring RectText(const RECT& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom);
}

// Memory in another process for messages that pass a pointer.
class RemoteMemory {
 public:
  RemoteMemory(DWORD pid, size_t size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) Fail(2, L"OpenProcess(" + Num(pid) + L") failed with error " + Num(GetLastError()));
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) {
      CloseHandle(process_);
      Fail(2, L"VirtualAllocEx failed with error " + Num(GetLastError()));
    }
  }
  ~RemoteMemory() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
  void* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
  void Write(const void* data, size_t size, size_t offset = 0) {
    if (offset + size > size_ || !WriteProcessMemory(process_, At(offset), data, size, nullptr))
      Fail(2, L"WriteProcessMemory failed");
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    if (offset + size > size_ || !ReadProcessMemory(process_, At(offset), data, size, nullptr))
      Fail(2, L"ReadProcessMemory failed");
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

// control --pid P --id ID [--visible|--hidden] [--timeout MS]
// Prints "hwnd<TAB>visible|hidden<TAB>client area on the screen<TAB>text";
// with --visible or --hidden it first waits for that state.
int ControlCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {L"visible", L"hidden"});
  HWND control = Control(args, static_cast<int>(args.Number(L"id", 0)));
  if (args.Has(L"visible") || args.Has(L"hidden")) {
    const bool want = args.Has(L"visible");
    if (!WaitUntil(args.Timeout(), [&] { return (IsWindowVisible(control) != FALSE) == want; }))
      Expectation(L"control " + args.Get(L"id") + L" did not become " + (want ? L"visible" : L"hidden"));
  }
  Print(HexHandle(control) + L"\t" + (IsWindowVisible(control) ? L"visible" : L"hidden") + L"\t" +
        RectText(ClientOnScreen(control)) + L"\t" + Escape(WindowText(control)) + L"\n");
  return 0;
}

// focus --pid P: the control that has the keyboard focus in the program's
// thread: "id<TAB>class", or "none".
int FocusCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND report = ReportWindow(args.Pid(), args.Timeout());
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(report, nullptr), &info) || !info.hwndFocus) {
    Print(L"none\n");
    return 0;
  }
  Print(Num(static_cast<unsigned long long>(GetDlgCtrlID(info.hwndFocus))) + L"\t" + ClassName(info.hwndFocus) +
        L"\n");
  return 0;
}

// tab --pid P [--point N]
// The report's tab control: "selected<TAB>index", then "item<TAB>i<TAB>text<TAB>page id"
// for each tab (the page is the window its item data names). With --point N
// only the screen point at the centre of tab N, for a click.
int TabCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND tab = Control(args, kTabControlId);
  const DWORD pid = args.Pid();
  const LRESULT count = SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
  if (args.Has(L"point")) {
    const unsigned long index = args.Number(L"point", 0);
    if (static_cast<LRESULT>(index) >= count) Expectation(L"the tab control has no tab " + Num(index));
    RemoteMemory memory(pid, sizeof(RECT));
    if (!SendMessageW(tab, TCM_GETITEMRECT, index, memory.Address())) Fail(2, L"TCM_GETITEMRECT failed");
    RECT r{};
    memory.Read(&r, sizeof(r));
    MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&r), 2);
    Print(Num((r.left + r.right) / 2) + L" " + Num((r.top + r.bottom) / 2) + L"\n");
    return 0;
  }
  std::wstring out = L"selected\t" + std::to_wstring(SendMessageW(tab, TCM_GETCURSEL, 0, 0)) + L"\n";
  constexpr int kTextChars = 64;
  RemoteMemory memory(pid, sizeof(TCITEMW) + kTextChars * sizeof(wchar_t));
  for (LRESULT i = 0; i < count; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = static_cast<wchar_t*>(memory.At(sizeof(TCITEMW)));
    item.cchTextMax = kTextChars;
    memory.Write(&item, sizeof(item));
    if (!SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), memory.Address())) Fail(2, L"TCM_GETITEMW failed");
    memory.Read(&item, sizeof(item));
    wchar_t text[kTextChars] = {};
    memory.Read(text, sizeof(text), sizeof(TCITEMW));
    text[kTextChars - 1] = 0;
    HWND page = reinterpret_cast<HWND>(item.lParam);
    const std::wstring page_id = IsWindow(page) ? Num(static_cast<unsigned long long>(GetDlgCtrlID(page))) : L"none";
    out += L"item\t" + std::to_wstring(i) + L"\t" + text + L"\t" + page_id + L"\n";
  }
  Print(out);
  return 0;
}

// The role as a short word for the roles a report page and its items may
// have, else its number.
std::wstring RoleText(const VARIANT& role) {
  if (role.vt != VT_I4) return L"?";
  switch (role.lVal) {
    case ROLE_SYSTEM_LIST: return L"list";
    case ROLE_SYSTEM_LISTITEM: return L"listitem";
    case ROLE_SYSTEM_CLIENT: return L"client";
    case ROLE_SYSTEM_STATICTEXT: return L"text";
    case ROLE_SYSTEM_GRAPHIC: return L"graphic";
    default: return Num(static_cast<ULONG>(role.lVal));
  }
}

// The state bits a screen reader acts on, one letter each: f focusable,
// F focused, s selectable, S selected, r read-only, i invisible.
std::wstring StateText(const VARIANT& state) {
  if (state.vt != VT_I4) return L"?";
  const struct {
    LONG bit;
    wchar_t letter;
  } bits[] = {{STATE_SYSTEM_FOCUSABLE, L'f'}, {STATE_SYSTEM_FOCUSED, L'F'}, {STATE_SYSTEM_SELECTABLE, L's'},
              {STATE_SYSTEM_SELECTED, L'S'},  {STATE_SYSTEM_READONLY, L'r'}, {STATE_SYSTEM_INVISIBLE, L'i'}};
  std::wstring out;
  for (const auto& b : bits)
    if (state.lVal & b.bit) out += b.letter;
  return out.empty() ? L"-" : out;
}

VARIANT ChildId(LONG id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// One line of the tree: role, state, place (relative to the control's client
// area: x,y,width,height) and name of the object or one of its simple
// elements.
std::wstring DescribeElement(IAccessible* object, LONG child, const RECT& client) {
  const VARIANT id = ChildId(child);
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  BSTR name = nullptr;
  const HRESULT named = object->get_accName(id, &name);
  object->get_accRole(id, &role);
  object->get_accState(id, &state);
  long left = 0, top = 0, width = 0, height = 0;
  std::wstring place = L"-";
  if (object->accLocation(&left, &top, &width, &height, id) == S_OK)
    place = std::to_wstring(left - client.left) + L"," + std::to_wstring(top - client.top) + L"," +
            std::to_wstring(width) + L"," + std::to_wstring(height);
  std::wstring line = RoleText(role) + L"\t" + StateText(state) + L"\t" + place + L"\t" +
                      (SUCCEEDED(named) ? Escape(name ? name : L"") : L"(error " + Num(static_cast<ULONG>(named)) + L")");
  SysFreeString(name);
  return line;
}

// accessible --pid P --id N: the client object of control N as a screen
// reader walks it from its own process (AccessibleObjectFromWindow, then
// AccessibleChildren): "object<TAB>role<TAB>state<TAB>place<TAB>name", then
// "focus<TAB>child" (the child get_accFocus names, "self" or "none"), then
// "child<TAB>N<TAB>role<TAB>state<TAB>place<TAB>name" for each child that is a
// simple element (a child object prints "child<TAB>N<TAB>object").
int AccessibleCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND control = Control(args, static_cast<int>(args.Number(L"id", 0)));
  if (FAILED(CoInitialize(nullptr))) Fail(2, L"CoInitialize failed");
  IAccessible* object = nullptr;
  const HRESULT got = AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                                 __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  if (FAILED(got) || !object) Expectation(L"no accessible object: " + Num(static_cast<ULONG>(got)));
  const RECT client = ClientOnScreen(control);
  std::wstring out = L"object\t" + DescribeElement(object, CHILDID_SELF, client) + L"\n";
  VARIANT focus;
  VariantInit(&focus);
  const HRESULT focused = object->get_accFocus(&focus);
  out += L"focus\t";
  if (FAILED(focused)) {
    out += L"(error " + Num(static_cast<ULONG>(focused)) + L")";
  } else if (focus.vt == VT_I4) {
    out += focus.lVal == CHILDID_SELF ? std::wstring(L"self") : Num(static_cast<ULONG>(focus.lVal));
  } else {
    out += L"none";
  }
  VariantClear(&focus);
  out += L"\n";
  LONG count = 0;
  if (FAILED(object->get_accChildCount(&count)) || count < 0) count = 0;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  LONG obtained = 0;
  if (count > 0 && FAILED(AccessibleChildren(object, 0, count, children.data(), &obtained)))
    Expectation(L"AccessibleChildren failed");
  for (LONG i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<size_t>(i)];
    out += L"child\t" + Num(static_cast<ULONG>(i + 1)) + L"\t";
    if (child.vt == VT_I4) {
      out += DescribeElement(object, child.lVal, client);
    } else {
      out += L"object";
    }
    out += L"\n";
    VariantClear(&child);
  }
  object->Release();
  Print(out);
  return 0;
}

// datepick --pid P: the report's date picker as "YYYY/MM/DD<TAB>weekday (0 = Sunday)".
int DatePickCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND picker = Control(args, kDatePickerId);
  RemoteMemory memory(args.Pid(), sizeof(SYSTEMTIME));
  if (SendMessageW(picker, DTM_GETSYSTEMTIME, 0, memory.Address()) != GDT_VALID)
    Expectation(L"the date picker holds no valid date");
  SYSTEMTIME st{};
  memory.Read(&st, sizeof(st));
  wchar_t text[32];
  swprintf(text, 32, L"%04u/%02u/%02u\t%u\n", st.wYear, st.wMonth, st.wDay, st.wDayOfWeek);
  Print(text);
  return 0;
}

// ---- pixels -----------------------------------------------------------------

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Image GrabScreen(const RECT& r) {
  Image image;
  image.width = r.right - r.left;
  image.height = r.bottom - r.top;
  if (image.width <= 0 || image.height <= 0) Expectation(L"the area to capture is empty");
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = image.width;
  bmi.bmiHeader.biHeight = -image.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) Fail(2, L"CreateDIBSection failed");
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, image.width, image.height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  image.pixels.assign(source, source + static_cast<size_t>(image.width) * image.height);
  for (uint32_t& p : image.pixels) p &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

void WriteBmp(const std::wstring& path, const Image& image) {
  const int stride = (image.width * 3 + 3) & ~3;
  const DWORD data_size = static_cast<DWORD>(stride) * image.height;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + data_size;
  info.biSize = sizeof(info);
  info.biWidth = image.width;
  info.biHeight = image.height;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = data_size;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  std::string row(static_cast<size_t>(stride), '\0');
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = image.At(x, y);
      row[static_cast<size_t>(x) * 3] = static_cast<char>(p & 0xFF);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
    bytes += row;
  }
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) Fail(2, L"cannot create " + path);
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(out);
}

std::wstring Hex6(uint32_t rgb) {
  wchar_t text[8];
  swprintf(text, 8, L"%06X", rgb);
  return text;
}

// The colour runs of one row between from and to (exclusive):
// "x0-x1=RRGGBB ..." with both ends included.
std::wstring Runs(const Image& image, int y, int from, int to) {
  if (y < 0 || y >= image.height) Usage(L"row " + std::to_wstring(y) + L" lies outside the capture");
  if (from < 0) from = 0;
  if (to > image.width) to = image.width;
  std::wstring out;
  for (int x = from; x < to;) {
    const uint32_t colour = image.At(x, y);
    int end = x;
    while (end + 1 < to && image.At(end + 1, y) == colour) ++end;
    if (!out.empty()) out += L" ";
    out += std::to_wstring(x) + L"-" + std::to_wstring(end) + L"=" + Hex6(colour);
    x = end + 1;
  }
  return out;
}

std::vector<std::wstring> SplitAt(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::wstring::npos) end = text.size();
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// "size<TAB>W<TAB>H", then "row<TAB>ROW<TAB>runs" for each ROW of the list
// "ROW,ROW,...", a ROW being "Y" or "Y:FROM:TO".
std::wstring Describe(const Image& image, const std::wstring& rows) {
  std::wstring out = L"size\t" + std::to_wstring(image.width) + L"\t" + std::to_wstring(image.height) + L"\n";
  for (const std::wstring& row : SplitAt(rows, L',')) {
    std::vector<std::wstring> f = SplitAt(row, L':');
    if (f.size() != 1 && f.size() != 3) Usage(L"a row is Y or Y:FROM:TO, not " + row);
    const int from = f.size() == 3 ? _wtoi(f[1].c_str()) : 0;
    const int to = f.size() == 3 ? _wtoi(f[2].c_str()) : image.width;
    out += L"row\t" + row + L"\t" + Runs(image, _wtoi(f[0].c_str()), from, to) + L"\n";
  }
  return out;
}

// capture --pid P --id ID [--out FILE.bmp] [--rows ROW,ROW,...] [--timeout MS]
// Raises the report window and grabs the control's client area from the
// screen (a window DC of another process reads back black) until two grabs in
// a row agree, so that a paint in progress is not caught half-way. It never
// invalidates anything: what it sees is what the program painted by itself.
// Prints "size<TAB>W<TAB>H" and, for each ROW asked for, "row<TAB>ROW<TAB>runs",
// where ROW is "Y" (the whole row) or "Y:FROM:TO" (columns FROM to TO - 1).
int CaptureCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  HWND control = Control(args, static_cast<int>(args.Number(L"id", 0)));
  HWND report = GetAncestor(control, GA_ROOT);
  if (!IsWindowVisible(control)) Expectation(L"control " + args.Get(L"id") + L" is not visible");
  SetWindowPos(report, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Image last;
  Image image;
  const bool stable = WaitUntil(args.Timeout(), [&] {
    // Whatever the program still has to handle, it handles first.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(report, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
    Sleep(60);
    image = GrabScreen(ClientOnScreen(control));
    const bool same = image.width == last.width && image.height == last.height && image.pixels == last.pixels;
    last = image;
    return same;
  });
  if (!stable) Expectation(L"the picture of control " + args.Get(L"id") + L" did not settle");
  if (args.Has(L"out")) WriteBmp(args.Get(L"out"), image);
  Print(Describe(image, args.Get(L"rows")));
  return 0;
}

// ---- dialogs of the program other than the report ------------------------------

HWND FindDialog(DWORD pid, const std::wstring& title) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (!IsWindowVisible(hwnd) || ClassName(hwnd) != L"#32770") continue;
    const std::wstring text = WindowText(hwnd);
    if (text == kReportTitle) continue;
    if (title.empty() || text == title) return hwnd;
  }
  return nullptr;
}

// modal read|press ID|none --pid P [--title T] [--timeout MS]: a dialog of the
// program other than the report (the print dialog)
//   read:  the dialog's caption, then "id<TAB>class<TAB>state<TAB>text" per control
//          (state: v visible, e enabled, c checked)
//   press: posts the command of button ID as a click would and waits until the dialog is gone
//   none:  fails if a dialog other than the report is open
int ModalCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const std::wstring action = args.At(0, L"read, press or none");
  const DWORD pid = args.Pid();
  const std::wstring title = args.Get(L"title");
  if (action == L"none") {
    if (HWND open = FindDialog(pid, title)) Expectation(L"a dialog is open: \"" + WindowText(open) + L"\"");
    return 0;
  }
  HWND dialog = nullptr;
  if (!WaitUntil(args.Timeout(), [&] { return (dialog = FindDialog(pid, title)) != nullptr; }))
    Expectation(L"no dialog" + (title.empty() ? std::wstring() : L" titled \"" + title + L"\"") + L" opened in process " +
                Num(pid));
  if (action == L"read") {
    std::wstring out = L"caption\t" + Escape(WindowText(dialog)) + L"\n";
    for (HWND child : ChildWindows(dialog)) {
      std::wstring state;
      if (IsWindowVisible(child)) state += L"v";
      if (IsWindowEnabled(child)) state += L"e";
      if (ClassName(child) == L"Button" && SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED) state += L"c";
      out += std::to_wstring(GetDlgCtrlID(child)) + L"\t" + ClassName(child) + L"\t" + state + L"\t" +
             Escape(WindowText(child)) + L"\n";
    }
    Print(out);
    return 0;
  }
  if (action != L"press") Usage(L"modal wants read, press or none");
  const int id = _wtoi(args.At(1, L"the button id").c_str());
  HWND button = GetDlgItem(dialog, id);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  if (!WaitUntil(args.Timeout(), [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }))
    Expectation(L"the dialog is still open after pressing " + Num(static_cast<unsigned long long>(id)));
  return 0;
}

// printers: the printers Wine offers, "printer<TAB>name<TAB>port<TAB>driver",
// then "default<TAB>name" (empty when there is none).
int PrintersCommand(int, wchar_t**) {
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  std::wstring out;
  if (needed && EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(), needed,
                              &needed, &count)) {
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      out += std::wstring(L"printer\t") + (info[i].pPrinterName ? info[i].pPrinterName : L"") + L"\t" +
             (info[i].pPortName ? info[i].pPortName : L"") + L"\t" + (info[i].pDriverName ? info[i].pDriverName : L"") +
             L"\n";
    }
  }
  wchar_t name[512] = {};
  DWORD size = 512;
  if (!GetDefaultPrinterW(name, &size)) name[0] = 0;
  Print(out + L"default\t" + name + L"\n");
  return 0;
}

// printer-caps [--printer NAME] [--landscape]: the page of a DC made as the
// program makes it (the printer's own device mode, with --landscape turned to
// landscape): "horzres vertres logpixelsx logpixelsy physicaloffsetx
// physicaloffsety physicalwidth physicalheight". Default: the default printer.
int PrinterCapsCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {L"landscape"});
  std::wstring name = args.Get(L"printer");
  if (name.empty()) {
    wchar_t buffer[512] = {};
    DWORD size = 512;
    if (!GetDefaultPrinterW(buffer, &size)) Expectation(L"there is no default printer");
    name = buffer;
  }
  HANDLE printer = nullptr;
  if (!OpenPrinterW(&name[0], &printer, nullptr)) Expectation(L"cannot open the printer " + name);
  const LONG size = DocumentPropertiesW(nullptr, printer, &name[0], nullptr, nullptr, 0);
  std::vector<BYTE> buffer(size > 0 ? static_cast<size_t>(size) : sizeof(DEVMODEW));
  auto* mode = reinterpret_cast<DEVMODEW*>(buffer.data());
  const bool have_mode = size > 0 && DocumentPropertiesW(nullptr, printer, &name[0], mode, nullptr, DM_OUT_BUFFER) == IDOK;
  ClosePrinter(printer);
  if (!have_mode) Fail(2, L"DocumentPropertiesW failed for " + name);
  if (args.Has(L"landscape")) mode->dmOrientation = DMORIENT_LANDSCAPE;
  HDC dc = CreateDCW(nullptr, name.c_str(), nullptr, mode);
  if (!dc) Fail(2, L"CreateDCW failed for " + name);
  std::wstring out;
  for (int cap : {HORZRES, VERTRES, LOGPIXELSX, LOGPIXELSY, PHYSICALOFFSETX, PHYSICALOFFSETY, PHYSICALWIDTH,
                  PHYSICALHEIGHT})
    out += (out.empty() ? L"" : L" ") + std::to_wstring(GetDeviceCaps(dc, cap));
  DeleteDC(dc);
  Print(out + L"\n");
  return 0;
}

// runs FILE.ppm --rows ROW,ROW,...: the colour runs of rows of a binary PPM
// picture (pdftoppm's output), as capture prints them.
int RunsCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const std::wstring path = args.At(0, L"the PPM file");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(2, L"cannot open " + path);
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  // "P6", width, height, maximum, each followed by white space; then RGB bytes.
  size_t pos = 0;
  auto field = [&]() {
    while (pos < bytes.size() && isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    const size_t start = pos;
    while (pos < bytes.size() && !isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    return bytes.substr(start, pos - start);
  };
  if (field() != "P6") Usage(path + L" is not a binary PPM file");
  Image image;
  image.width = atoi(field().c_str());
  image.height = atoi(field().c_str());
  if (field() != "255") Usage(path + L" has more than 8 bits a channel");
  ++pos;
  const size_t count = static_cast<size_t>(image.width) * image.height;
  if (image.width <= 0 || image.height <= 0 || bytes.size() < pos + 3 * count) Usage(path + L" is cut short");
  image.pixels.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(&bytes[pos + 3 * i]);
    image.pixels[i] = (static_cast<uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
  }
  Print(Describe(image, args.Get(L"rows")));
  return 0;
}

const CommandRegistration kRegistrations[] = {
    {L"printers", PrintersCommand}, {L"printer-caps", PrinterCapsCommand}, {L"runs", RunsCommand},
    {L"control", ControlCommand}, {L"focus", FocusCommand},     {L"tab", TabCommand},
    {L"datepick", DatePickCommand}, {L"capture", CaptureCommand}, {L"modal", ModalCommand},
    {L"accessible", AccessibleCommand},
};

}  // namespace
}  // namespace driver
