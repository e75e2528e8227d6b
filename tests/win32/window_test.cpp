#include "win/window.h"

#include <gtest/gtest.h>

#include <vector>

#include "resource.h"
#include "support/win32_messages.h"

namespace {

constexpr UINT kAnswer = WM_APP + 1;

// A window that logs what reaches its dispatch operation, answers kAnswer
// and WM_GETTEXTLENGTH itself and leaves the rest to the default processing.
class ProbeWindow : public CWindowImpl {
 public:
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT& result) override {
    seen.push_back(msg);
    EXPECT_EQ(hwnd, hwnd_);
    switch (msg) {
      case kAnswer:
        result = 42;
        return true;
      case WM_GETTEXTLENGTH:
        result = 99;
        return true;
      default:
        return false;
    }
  }
  void OnFinalMessage(HWND hwnd) override { finalHwnd = hwnd; }

  std::vector<UINT> seen;
  HWND finalHwnd = nullptr;

 protected:
  const wchar_t* WindowClassName() const override { return L"DorvaneProbeWindow"; }
};

HWND CreateProbe(ProbeWindow& probe) {
  RECT rect{10, 10, 110, 60};
  return probe.Create(nullptr, rect, L"probe", WS_POPUP);
}

TEST(WindowImpl, BindsAtNcCreateAndDispatchesToTheObjectThenTheDefaults) {
  ProbeWindow probe;
  HWND hwnd = CreateProbe(probe);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(probe.Hwnd(), hwnd);
  EXPECT_EQ(CBoundWindow::FromHandle(hwnd), &probe);
  ASSERT_FALSE(probe.seen.empty());
  EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE))
      << "messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet";

  EXPECT_EQ(::SendMessageW(hwnd, kAnswer, 0, 0), 42);
  EXPECT_EQ(::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 99) << "handled: the default is skipped";
  wchar_t text[16] = {};
  EXPECT_EQ(::SendMessageW(hwnd, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text)), 5);
  EXPECT_STREQ(text, L"probe") << "unhandled: DefWindowProcW answers";

  EXPECT_TRUE(probe.DestroyWindow());
  EXPECT_EQ(probe.seen.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(probe.finalHwnd, hwnd);
  EXPECT_EQ(probe.Hwnd(), nullptr);
  EXPECT_EQ(CBoundWindow::FromHandle(hwnd), nullptr);
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(WindowImpl, AnObjectThatEndsFirstTakesItsWindowAlongWithoutItsHandlers) {
  HWND hwnd = nullptr;
  size_t seenBeforeEnd = 0;
  {
    ProbeWindow probe;
    hwnd = CreateProbe(probe);
    ASSERT_NE(hwnd, nullptr);
    seenBeforeEnd = probe.seen.size();
  }
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_GT(seenBeforeEnd, 0u);
}

TEST(WindowImpl, SubclassingKeepsTheControlsOwnProcedureForTheRest) {
  HWND control = ::CreateWindowExW(0, L"STATIC", L"label", WS_POPUP, 0, 0, 50, 20, nullptr,
                                   nullptr, nullptr, nullptr);
  ASSERT_NE(control, nullptr);
  const LONG_PTR original = ::GetWindowLongPtrW(control, GWLP_WNDPROC);
  {
    ProbeWindow probe;
    ASSERT_TRUE(probe.SubclassWindow(control));
    EXPECT_EQ(CBoundWindow::FromHandle(control), &probe);
    EXPECT_NE(::GetWindowLongPtrW(control, GWLP_WNDPROC), original);

    ProbeWindow second;
    EXPECT_FALSE(second.SubclassWindow(control)) << "a window has one object";

    EXPECT_EQ(::SendMessageW(control, kAnswer, 0, 0), 42);
    wchar_t text[16] = {};
    ::SendMessageW(control, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"label") << "the static's own procedure answers what the object leaves";

    EXPECT_EQ(probe.UnsubclassWindow(), control);
    EXPECT_EQ(::GetWindowLongPtrW(control, GWLP_WNDPROC), original);
    EXPECT_EQ(CBoundWindow::FromHandle(control), nullptr);
    EXPECT_EQ(::SendMessageW(control, kAnswer, 0, 0), 0);

    // Subclassed again, then the object ends while the control lives on.
    ASSERT_TRUE(probe.SubclassWindow(control));
  }
  EXPECT_TRUE(::IsWindow(control));
  EXPECT_EQ(::GetWindowLongPtrW(control, GWLP_WNDPROC), original);
  EXPECT_EQ(::SendMessageW(control, kAnswer, 0, 0), 0);
  ::DestroyWindow(control);
}

TEST(WindowImpl, ASubclassedControlSeesItsLastMessageAndLetsGo) {
  HWND control = ::CreateWindowExW(0, L"STATIC", L"x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                                   nullptr, nullptr);
  ASSERT_NE(control, nullptr);
  ProbeWindow probe;
  ASSERT_TRUE(probe.SubclassWindow(control));
  ::DestroyWindow(control);
  EXPECT_EQ(probe.seen.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(probe.finalHwnd, control);
  EXPECT_EQ(probe.Hwnd(), nullptr);
}

// A modeless dialog from the About template that logs its messages.
class ProbeDialog : public CModelessDialog {
 public:
  ProbeDialog() : CModelessDialog(IDD_ABOUTBOX) {}
  bool ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT& result) override {
    seen.push_back(msg);
    switch (msg) {
      case WM_INITDIALOG:
        initParam = lParam;
        result = TRUE;
        return true;
      case kAnswer:
        result = 1234;
        return true;
      case WM_CTLCOLORDLG:
        result = reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
        return true;
      default:
        return false;
    }
  }
  void OnFinalMessage(HWND hwnd) override { finalHwnd = hwnd; }

  std::vector<UINT> seen;
  LPARAM initParam = 0;
  HWND finalHwnd = nullptr;
};

TEST(Dialog, BindsAtInitDialogAndReturnsResultsTheWayTheDialogManagerWants) {
  ProbeDialog dialog;
  HWND hwnd = dialog.Create(nullptr);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_FALSE(dialog.seen.empty());
  EXPECT_EQ(dialog.seen.front(), static_cast<UINT>(WM_INITDIALOG))
      << "WM_SETFONT and the creation messages come before the binding";
  EXPECT_EQ(dialog.initParam, reinterpret_cast<LPARAM>(&dialog));
  EXPECT_EQ(dialog.Hwnd(), hwnd);
  EXPECT_FALSE(::IsWindowVisible(hwnd));

  EXPECT_EQ(::SendMessageW(hwnd, kAnswer, 0, 0), 1234) << "through DWLP_MSGRESULT";
  EXPECT_EQ(::SendMessageW(hwnd, WM_CTLCOLORDLG, 0, 0),
            reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH)))
      << "colour messages return their brush directly";
  EXPECT_EQ(::SendMessageW(hwnd, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID))
      << "unhandled: the dialog manager answers";

  EXPECT_TRUE(dialog.DestroyWindow());
  EXPECT_EQ(dialog.seen.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(dialog.finalHwnd, hwnd);
  EXPECT_EQ(dialog.Hwnd(), nullptr);
  EXPECT_EQ(CBoundWindow::FromHandle(hwnd), nullptr);
}

class EndingDialog : public CModalDialog {
 public:
  explicit EndingDialog(int templateId) : CModalDialog(templateId) {}
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (msg == WM_INITDIALOG) {
      ::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
      result = TRUE;
      return true;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
      EndDialog(7);
      result = 0;
      return true;
    }
    return false;
  }
};

TEST(Dialog, ModalReturnsWhatEndDialogWasGiven) {
  EndingDialog dialog(IDD_ABOUTBOX);
  EXPECT_EQ(dialog.DoModal(nullptr), 7);
  EXPECT_EQ(dialog.Hwnd(), nullptr);

  EndingDialog missing(4242);
  EXPECT_EQ(missing.DoModal(nullptr), -1);
}

}  // namespace
