#include "report/win32/page_accessible.h"

#include <oleacc.h>

#include <new>
#include <type_traits>

#include "win/window.h"

namespace {

using CreateStdFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

struct Library {
  CreateStdFn createStd = nullptr;
  LresultFn lresult = nullptr;
};

// Loaded at the first question from a client (most runs never have one)
// and kept for the rest of the run: the objects handed out run its code
// until then.
const Library& Oleacc() {
  static const Library library = [] {
    Library lib;
    HMODULE module = LoadAccessibilityLibrary(
        ::LoadLibraryExW, library_search::FindSetDefaultDllDirectories() != nullptr);
    if (!module) return lib;
    lib.createStd = reinterpret_cast<CreateStdFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "CreateStdAccessibleObject")));
    lib.lresult = reinterpret_cast<LresultFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "LresultFromObject")));
    return lib;
  }();
  return library;
}

// Nothing a client does may unwind into its marshalling code: every method
// runs its body here, and an exception becomes the HRESULT it stands for.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT ToBstr(const Text& text, BSTR* out) {
  *out = ::SysAllocStringLen(WStr(text), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void SetChild(VARIANT* out, LONG child) {
  out->vt = VT_I4;
  out->lVal = child;
}

HRESULT NoChild(VARIANT* out) {
  out->vt = VT_EMPTY;
  return S_FALSE;
}

// The client object: the list itself (CHILDID_SELF) and its items as simple
// elements. What belongs to the window (its parent, its place, its
// visibility) is the system's standard object's answer, so the list keeps
// its place in the tree.
class ListObject final : public IAccessible {
 public:
  ListObject(HWND window, AccessibleList& list, IAccessible* standard)
      : window_(window), list_(&list), standard_(standard) {}
  ListObject(const ListObject&) = delete;
  ListObject& operator=(const ListObject&) = delete;

  // The window is gone, or about to be: no call reaches the list again.
  void Disconnect() {
    list_ = nullptr;
    if (standard_) standard_->Release();
    standard_ = nullptr;
  }

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
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: the standard object's type information.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return Standard([&](IAccessible& s) { return s.GetTypeInfoCount(count); });
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return Standard([&](IAccessible& s) { return s.GetTypeInfo(index, lcid, info); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    return Standard([&](IAccessible& s) { return s.GetIDsOfNames(iid, names, count, lcid, ids); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument) override {
    return Standard([&](IAccessible& s) {
      return s.Invoke(id, iid, lcid, flags, params, result, exception, argument);
    });
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return Standard([&](IAccessible& s) { return s.get_accParent(parent); });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return Call([&](const AccessibleList& list) {
      *count = list.ItemCount();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    // The items are simple elements: the client asks this object about them.
    return Item(child, [&](AccessibleList&, int) { return S_FALSE; }, nullptr);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    return Item(
        child, [&](const AccessibleList& list, int index) { return ToBstr(list.ItemName(index), name); },
        [&](const AccessibleList& list) { return ToBstr(list.ListName(), name); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    return None(child);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return None(child);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return Item(
        child,
        [&](AccessibleList&, int) {
          SetChild(out, ROLE_SYSTEM_LISTITEM);
          return S_OK;
        },
        [&](AccessibleList&) {
          SetChild(out, ROLE_SYSTEM_LIST);
          return S_OK;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return Item(
        child,
        [&](const AccessibleList& list, int index) {
          LONG state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_READONLY;
          if (!::IsWindowVisible(window_)) state |= STATE_SYSTEM_INVISIBLE;
          if (index == list.CurrentItem()) {
            state |= STATE_SYSTEM_SELECTED;
            if (::GetFocus() == window_) state |= STATE_SYSTEM_FOCUSED;
          }
          SetChild(out, state);
          return S_OK;
        },
        [&](AccessibleList&) {
          // The window's own state (visible, focused), and focusable on
          // Windows too: the window takes the focus although a static's
          // standard object does not say so.
          const HRESULT got = standard_->get_accState(SelfChild(), out);
          if (FAILED(got)) return got;
          if (out->vt != VT_I4) SetChild(out, 0);
          out->lVal |= STATE_SYSTEM_FOCUSABLE;
          return S_OK;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return None(child);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return None(child);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return None(child);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return Call([&](const AccessibleList& list) {
      if (::GetFocus() != window_) return NoChild(out);
      SetChild(out, list.CurrentItem() + 1);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return Call([&](const AccessibleList& list) {
      SetChild(out, list.CurrentItem() + 1);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return None(child);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return Item(
        child,
        [&](AccessibleList& list, int index) {
          // One item is selected at a time: it is the current one.
          if (flags & (SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION | SELFLAG_EXTENDSELECTION)) {
            return E_INVALIDARG;
          }
          if (!(flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION))) return S_OK;
          list.SelectItem(index);
          if ((flags & SELFLAG_TAKEFOCUS) && ::GetFocus() != window_) ::SetFocus(window_);
          return S_OK;
        },
        [&](AccessibleList&) { return standard_->accSelect(flags, SelfChild()); });
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Item(
        child,
        [&](AccessibleList& list, int index) {
          RECT r = list.ItemRect(index);
          ::MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
          *left = r.left;
          *top = r.top;
          *width = r.right - r.left;
          *height = r.bottom - r.top;
          return S_OK;
        },
        [&](AccessibleList&) { return standard_->accLocation(left, top, width, height, SelfChild()); });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return Item(
        start,
        [&](const AccessibleList& list, int index) {
          if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) return E_INVALIDARG;
          const int beside = ItemBeside(list, index, direction);
          if (beside < 0) return NoChild(out);
          SetChild(out, beside + 1);
          return S_OK;
        },
        [&](const AccessibleList& list) {
          const int count = list.ItemCount();
          if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            if (count == 0) return NoChild(out);
            SetChild(out, direction == NAVDIR_FIRSTCHILD ? 1 : count);
            return S_OK;
          }
          // The list's siblings are the window's.
          return standard_->accNavigate(direction, SelfChild(), out);
        });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    return Call([&](const AccessibleList& list) {
      POINT p{x, y};
      ::ScreenToClient(window_, &p);
      RECT client{};
      ::GetClientRect(window_, &client);
      if (!::PtInRect(&client, p)) return NoChild(out);
      const int count = list.ItemCount();
      for (int i = 0; i < count; ++i) {
        const RECT r = list.ItemRect(i);
        if (::PtInRect(&r, p)) {
          SetChild(out, i + 1);
          return S_OK;
        }
      }
      SetChild(out, CHILDID_SELF);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return None(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~ListObject() { Disconnect(); }

  static VARIANT SelfChild() {
    VARIANT self;
    ::VariantInit(&self);
    SetChild(&self, CHILDID_SELF);
    return self;
  }

  // The list, while the window is still the one it was made for: alive,
  // of this thread (calls come on the window's thread, in its apartment),
  // and bound by the framework to that list. Null once disconnected.
  AccessibleList* Live() const {
    if (!list_ || !standard_ || !::IsWindow(window_)) return nullptr;
    if (::GetWindowThreadProcessId(window_, nullptr) != ::GetCurrentThreadId()) return nullptr;
    if (dynamic_cast<AccessibleList*>(CBoundWindow::FromHandle(window_)) != list_) return nullptr;
    return list_;
  }

  template <typename Body>
  HRESULT Call(Body&& body) {
    return Guarded([&]() -> HRESULT {
      AccessibleList* list = Live();
      return list ? body(*list) : RPC_E_DISCONNECTED;
    });
  }

  template <typename Body>
  HRESULT Standard(Body&& body) {
    return Call([&](AccessibleList&) { return body(*standard_); });
  }

  // The item `child` names (onItem) or the list itself (onSelf; null: the
  // list has no such property, E_INVALIDARG).
  template <typename OnItem, typename OnSelf>
  HRESULT Item(const VARIANT& child, OnItem&& onItem, OnSelf&& onSelf) {
    return Call([&](AccessibleList& list) -> HRESULT {
      if (child.vt != VT_I4) return E_INVALIDARG;
      if (child.lVal == CHILDID_SELF) {
        if constexpr (std::is_same_v<std::decay_t<OnSelf>, std::nullptr_t>) {
          return E_INVALIDARG;
        } else {
          return onSelf(list);
        }
      }
      if (child.lVal < 1 || child.lVal > list.ItemCount()) return E_INVALIDARG;
      return onItem(list, static_cast<int>(child.lVal - 1));
    });
  }

  // A property neither the list nor its items have.
  HRESULT None(const VARIANT& child) {
    return Item(child, [](AccessibleList&, int) { return DISP_E_MEMBERNOTFOUND; },
                [](AccessibleList&) { return DISP_E_MEMBERNOTFOUND; });
  }

  HWND window_;
  AccessibleList* list_;
  IAccessible* standard_;
  LONG references_ = 1;
};

}  // namespace

int ItemBeside(const AccessibleList& list, int index, long direction) {
  const int count = list.ItemCount();
  if (index < 0 || index >= count) return -1;
  if (direction == NAVDIR_NEXT) return index + 1 < count ? index + 1 : -1;
  if (direction == NAVDIR_PREVIOUS) return index - 1;
  const RECT from = list.ItemRect(index);
  int best = -1;
  long bestDistance = 0;
  for (int i = 0; i < count; ++i) {
    const RECT r = list.ItemRect(i);
    long distance = 0;
    switch (direction) {
      case NAVDIR_DOWN:
        distance = r.left == from.left ? r.top - from.top : 0;
        break;
      case NAVDIR_UP:
        distance = r.left == from.left ? from.top - r.top : 0;
        break;
      case NAVDIR_RIGHT:
        distance = r.top == from.top ? r.left - from.left : 0;
        break;
      case NAVDIR_LEFT:
        distance = r.top == from.top ? from.left - r.left : 0;
        break;
      default:
        return -1;
    }
    if (distance > 0 && (best < 0 || distance < bestDistance)) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

bool ClientObject::Answer(HWND window, AccessibleList& list, WPARAM wParam, LPARAM lParam,
                          LRESULT& result) {
  // The object id arrives in the low 32 bits, sign and all.
  if (closed_ || static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
  const Library& lib = Oleacc();
  if (!lib.createStd || !lib.lresult) return false;
  if (!object_) {
    IAccessible* standard = nullptr;
    if (FAILED(lib.createStd(window, OBJID_CLIENT, __uuidof(IAccessible),
                             reinterpret_cast<void**>(&standard))) ||
        !standard) {
      return false;
    }
    object_ = new (std::nothrow) ListObject(window, list, standard);
    if (!object_) {
      standard->Release();
      return false;
    }
  }
  // One object for every question: a client that asks again and again
  // (any program on the desktop may) costs a reference, not a new object.
  result = lib.lresult(__uuidof(IAccessible), wParam, object_);
  return result > 0;
}

void ClientObject::Disconnect() {
  closed_ = true;
  if (!object_) return;
  static_cast<ListObject*>(object_)->Disconnect();
  // Clients in other processes hold proxies: their calls now fail in the
  // proxy, and the references they held are let go here.
  ::CoDisconnectObject(object_, 0);
  object_->Release();
  object_ = nullptr;
}

void RaiseItemSelected(HWND window, int index) {
  ::NotifyWinEvent(EVENT_OBJECT_SELECTION, window, OBJID_CLIENT, index + 1);
  if (::GetFocus() == window) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, index + 1);
}

void RaiseItemNameChange(HWND window, int index) {
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, index + 1);
}

HMODULE LoadAccessibilityLibrary(library_search::LoadLibraryExFn load, bool searchFlags) {
  return library_search::LoadFromSystem(L"oleacc.dll", load, searchFlags);
}
