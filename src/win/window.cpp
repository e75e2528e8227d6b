#include "win/window.h"

#include "win/module.h"

// The binding of HWND to object lives here and nowhere else. A window
// property rather than GWLP_USERDATA: a subclassed control may use its own
// user data, and FromHandle of a window that the framework never bound finds
// nothing instead of a stranger's pointer.
namespace {
constexpr wchar_t kObjectProperty[] = L"Dorvane.WindowObject";
}

CBoundWindow* CBoundWindow::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<CBoundWindow*>(::GetPropW(hwnd, kObjectProperty)) : nullptr;
}

void CBoundWindow::Bind(HWND hwnd) {
  hwnd_ = hwnd;
  ::SetPropW(hwnd, kObjectProperty, static_cast<HANDLE>(this));
}

void CBoundWindow::Unbind() {
  if (hwnd_ && FromHandle(hwnd_) == this) ::RemovePropW(hwnd_, kObjectProperty);
  hwnd_ = nullptr;
}

// ---- windows ----

CWindowImpl::~CWindowImpl() {
  if (!hwnd_) return;
  // The derived object is gone: its handlers must not run any more. A
  // subclassed control carries on with its own procedure; a window of ours
  // is destroyed without the object.
  if (superProc_ != ::DefWindowProcW) {
    UnsubclassWindow();
  } else {
    HWND hwnd = hwnd_;
    Unbind();
    ::DestroyWindow(hwnd);
  }
}

HWND CWindowImpl::Create(HWND parent, const RECT& rect, const wchar_t* title, DWORD style,
                         DWORD exStyle, UINT id) {
  if (hwnd_) return nullptr;
  HINSTANCE instance = TheModule().ResourceInstance();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(instance, WindowClassName(), &wc)) {
    wc.style = WindowClassStyle();
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = WindowClassName();
    if (!::RegisterClassExW(&wc)) return nullptr;
  }
  HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
  return ::CreateWindowExW(exStyle, WindowClassName(), title, style, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId,
                           instance, this);
}

bool CWindowImpl::SubclassWindow(HWND hwnd) {
  if (hwnd_ || !hwnd || FromHandle(hwnd)) return false;
  Bind(hwnd);
  auto old = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
  if (!old) {
    Unbind();
    return false;
  }
  superProc_ = old;
  return true;
}

HWND CWindowImpl::UnsubclassWindow() {
  HWND hwnd = hwnd_;
  if (!hwnd || superProc_ == ::DefWindowProcW) return nullptr;
  ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
  superProc_ = ::DefWindowProcW;
  Unbind();
  return hwnd;
}

bool CWindowImpl::DestroyWindow() { return hwnd_ && ::DestroyWindow(hwnd_); }

LRESULT CWindowImpl::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(superProc_, hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK CWindowImpl::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CWindowImpl*>(FromHandle(hwnd));
  if (!self) {
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and windows created
    // without an object get the defaults.
    if (msg != WM_NCCREATE) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    self = static_cast<CWindowImpl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    self->Bind(hwnd);
  }
  LRESULT result = 0;
  bool handled = self->ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
  // The old procedure of a subclassed control must see its last message to
  // free what it holds, whatever the object did with it.
  if (!handled || msg == WM_NCDESTROY) {
    LRESULT defaultResult = self->DefWindowProc(msg, wParam, lParam);
    if (!handled) result = defaultResult;
  }
  if (msg == WM_NCDESTROY) {
    if (self->superProc_ != ::DefWindowProcW) {
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->superProc_));
      self->superProc_ = ::DefWindowProcW;
    }
    self->Unbind();
    self->OnFinalMessage(hwnd);
  }
  return result;
}

// ---- dialogs ----

namespace {
// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg) {
  switch (msg) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}
}  // namespace

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CDialogImplBase* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialogImplBase*>(lParam);
    if (!self) return FALSE;
    self->Bind(hwnd);
  } else {
    self = static_cast<CDialogImplBase*>(FromHandle(hwnd));
    if (!self) return FALSE;
  }
  LRESULT result = 0;
  bool handled = self->ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
  if (msg == WM_NCDESTROY) {
    self->Unbind();
    self->OnFinalMessage(hwnd);
    return FALSE;
  }
  if (!handled) return FALSE;
  if (ReturnsResultDirectly(msg)) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

CModelessDialog::~CModelessDialog() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  Unbind();
  ::DestroyWindow(hwnd);
}

HWND CModelessDialog::Create(HWND parent) {
  if (hwnd_) return nullptr;
  HINSTANCE instance = TheModule().ResourceInstance();
  return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(TemplateId()), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

bool CModelessDialog::DestroyWindow() { return hwnd_ && ::DestroyWindow(hwnd_); }

INT_PTR CModalDialog::DoModal(HWND owner) {
  HINSTANCE instance = TheModule().ResourceInstance();
  return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(TemplateId()), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CModalDialog::EndDialog(INT_PTR result) { return hwnd_ && ::EndDialog(hwnd_, result); }
