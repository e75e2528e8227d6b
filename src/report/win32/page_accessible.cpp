#include "report/win32/page_accessible.h"

#include <oleacc.h>

#include <new>
#include <string>

#include "win/window.h"

namespace {

using CreateStdFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

struct Library {
  CreateStdFn createStd = nullptr;
  LresultFn lresult = nullptr;
};

// Not imported: the accessibility library is no KnownDLL, so an import
// would be looked for beside the executable first. Loaded by full path at
// the first question from a client (most runs never have one) and kept for
// the rest of the run: the objects handed out run its code until then.
const Library& Oleacc() {
  static const Library library = [] {
    Library lib;
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return lib;
    const std::wstring path = std::wstring(system, length) + L"\\oleacc.dll";
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return lib;
    lib.createStd = reinterpret_cast<CreateStdFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "CreateStdAccessibleObject")));
    lib.lresult = reinterpret_cast<LresultFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "LresultFromObject")));
    return lib;
  }();
  return library;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT ToBstr(const Text& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = ::SysAllocStringLen(WStr(text), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The standard object with the page's name and value. Everything else is
// the standard object's answer, so the page keeps its place in the tree.
class PageObject final : public IAccessible {
 public:
  PageObject(HWND window, IAccessible* standard) : window_(window), standard_(standard) {}
  PageObject(const PageObject&) = delete;
  PageObject& operator=(const PageObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: the standard object's type information.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument) override {
    return standard_->Invoke(id, iid, lcid, flags, params, result, exception, argument);
  }

  // IAccessible: the page's own name and value.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return standard_->get_accName(child, name);
    const AccessibleSource* page = Page();
    return page ? ToBstr(page->AccessibleName(), name) : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!IsSelf(child)) return standard_->get_accValue(child, value);
    const AccessibleSource* page = Page();
    return page ? ToBstr(page->AccessibleValue(), value) : E_FAIL;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return standard_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return standard_->get_accDescription(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    return standard_->get_accRole(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    return standard_->get_accState(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
    return standard_->get_accHelp(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    return standard_->get_accKeyboardShortcut(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    return standard_->get_accFocus(out);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    return standard_->get_accSelection(out);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return standard_->get_accDefaultAction(child, out);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
    return standard_->accNavigate(direction, start, out);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    return standard_->accHitTest(x, y, out);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~PageObject() { standard_->Release(); }

  // Calls come on the window's own thread (the object lives in its
  // apartment), where the binding of window to page can be read.
  const AccessibleSource* Page() const {
    return dynamic_cast<const AccessibleSource*>(CBoundWindow::FromHandle(window_));
  }

  HWND window_;
  IAccessible* standard_;
  ULONG references_ = 1;
};

}  // namespace

bool AnswerClientObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // The object id arrives in the low 32 bits, sign and all.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
  const Library& lib = Oleacc();
  if (!lib.createStd || !lib.lresult) return false;
  IAccessible* standard = nullptr;
  if (FAILED(lib.createStd(window, OBJID_CLIENT, __uuidof(IAccessible),
                           reinterpret_cast<void**>(&standard))) ||
      !standard) {
    return false;
  }
  auto* object = new (std::nothrow) PageObject(window, standard);
  if (!object) {
    standard->Release();
    return false;
  }
  result = lib.lresult(__uuidof(IAccessible), wParam, object);
  // The client holds its own reference now, or none when the answer failed.
  object->Release();
  return result > 0;
}

void RaiseValueChange(HWND window) {
  ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}
