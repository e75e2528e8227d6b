// The client object at the COM boundary, on a list of our own whose answers
// throw: no exception reaches the client, each becomes the HRESULT it
// stands for.
#include "report/win32/page_accessible.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "support/child_variant.h"
#include "win/window.h"

namespace {

class ThrowingList final : public CWindowImpl, public AccessibleList {
 public:
  bool ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (msg == WM_GETOBJECT) return client_.Answer(hwnd_, *this, wParam, lParam, result);
    if (msg == WM_DESTROY) client_.Disconnect();
    return false;
  }
  Text ListName() const override { return u"list"; }
  int ItemCount() const override { return 2; }
  Text ItemName(int) const override { throw std::bad_alloc(); }
  RECT ItemRect(int) const override { throw std::runtime_error("no place"); }
  int CurrentItem() const override { return 0; }
  void SelectItem(int) override { throw 42; }

 private:
  ClientObject client_;
};

TEST(PageAccessible, AnExceptionBecomesAnErrorAtTheComBoundary) {
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  {
    ThrowingList list;
    ASSERT_NE(list.Create(nullptr, RECT{0, 0, 200, 100}, L"list", WS_POPUP), nullptr);
    IAccessible* object = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(list.Hwnd(), OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object)),
              S_OK);
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(Child(CHILDID_SELF), &name), S_OK) << "the list itself answers";
    ::SysFreeString(name);
    name = nullptr;
    EXPECT_EQ(object->get_accName(Child(1), &name), E_OUTOFMEMORY);
    EXPECT_EQ(name, nullptr);
    long l = 0, t = 0, w = 0, h = 0;
    EXPECT_EQ(object->accLocation(&l, &t, &w, &h, Child(2)), E_FAIL);
    VARIANT hit;
    ::VariantInit(&hit);
    EXPECT_EQ(object->accHitTest(10, 10, &hit), E_FAIL) << "the hit test asks each item's place";
    EXPECT_EQ(object->accSelect(SELFLAG_TAKESELECTION, Child(2)), E_FAIL);
    list.DestroyWindow();
    EXPECT_EQ(object->get_accName(Child(CHILDID_SELF), &name), RPC_E_DISCONNECTED);
    object->Release();
  }
  ::CoUninitialize();
}

// Between WM_DESTROY and the window's end a question gets the system's
// default object, not a new list.
TEST(PageAccessible, ADestroyedListMakesNoNewObject) {
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  {
    ThrowingList list;
    ASSERT_NE(list.Create(nullptr, RECT{0, 0, 200, 100}, L"list", WS_POPUP), nullptr);
    ::SendMessageW(list.Hwnd(), WM_DESTROY, 0, 0);
    IAccessible* object = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(list.Hwnd(), OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object)),
              S_OK);
    VARIANT role;
    ::VariantInit(&role);
    EXPECT_EQ(object->get_accRole(Child(CHILDID_SELF), &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT) << "the standard object";
    object->Release();
  }
  ::CoUninitialize();
}

}  // namespace
