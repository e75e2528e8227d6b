#include "shell/about_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "support/modal_spy.h"
#include "support/win32_messages.h"
#include "win/centre.h"

namespace {

const wchar_t kCaption[] = L"Dorvane About";

struct Child {
  std::wstring className;
  std::wstring text;
  int id;
  LONG style;
  HWND hwnd;
};

std::vector<Child> Children(HWND dialog) {
  std::vector<Child> children;
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    wchar_t className[64] = {}, text[128] = {};
    ::GetClassNameW(c, className, 64);
    ::GetWindowTextW(c, text, 128);
    children.push_back(Child{className, text, ::GetDlgCtrlID(c),
                             static_cast<LONG>(::GetWindowLongPtrW(c, GWL_STYLE)), c});
  }
  return children;
}

// Runs the box owned by `owner`, hands it to `action` once it shows, and
// returns what DoModal returned.
INT_PTR RunAbout(HWND owner, const ModalSpy::Action& action, bool* forced = nullptr) {
  DrainMessages();
  CAboutDlg about;
  ModalSpy spy(kCaption, action);
  INT_PTR result = about.DoModal(owner);
  EXPECT_TRUE(spy.Acted()) << "the box never showed";
  if (forced) *forced = spy.Forced();
  EXPECT_FALSE(::IsWindow(about.Hwnd())) << "the box is gone once DoModal returns";
  return result;
}

TEST(AboutDlg, ShowsTheIconNameAndVersionWithTheFocusOnOk) {
  std::vector<Child> children;
  HWND focus = nullptr;
  LRESULT icon = 0;
  INT_PTR result = RunAbout(nullptr, [&](HWND dialog) {
    children = Children(dialog);
    focus = ::GetFocus();
    for (const Child& c : children) {
      if ((c.style & SS_TYPEMASK) == SS_ICON && c.className == L"Static") {
        icon = ::SendMessageW(c.hwnd, STM_GETICON, 0, 0);
      }
    }
    ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(children.size(), 4u);
  EXPECT_EQ(children[0].className, L"Button");
  EXPECT_EQ(children[0].style & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(children[0].text, L"");
  EXPECT_EQ(children[1].style & SS_TYPEMASK, SS_ICON);
  EXPECT_NE(icon, 0) << "the program's icon is shown";
  EXPECT_EQ(children[2].text, L"Dorvane v1.04");
  EXPECT_EQ(children[2].style & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(children[3].id, IDOK);
  EXPECT_EQ(children[3].text, L"OK");
  EXPECT_EQ(children[3].style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(focus, children[3].hwnd) << "OK, the first control that takes the focus";
}

TEST(AboutDlg, OkEnterEscapeAndTheCloseBoxEndItWithTheirIds) {
  struct Way {
    const char* what;
    void (*close)(HWND dialog);
    INT_PTR result;
  };
  const Way ways[] = {
      {"OK clicked",
       [](HWND d) { ::SendMessageW(::GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }, IDOK},
      // The dialog manager in the modal loop turns the keys into commands.
      {"Enter", [](HWND) { ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0); }, IDOK},
      {"Escape", [](HWND) { ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
      {"the close box", [](HWND d) { ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
      // Any notification code: an accelerator's 1 as well as a button's 0.
      {"IDOK from an accelerator",
       [](HWND d) { ::PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0); }, IDOK},
      {"IDCANCEL with a notification code",
       [](HWND d) { ::PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
       IDCANCEL},
  };
  for (const Way& way : ways) {
    bool forced = false;
    INT_PTR result = RunAbout(nullptr, way.close, &forced);
    EXPECT_FALSE(forced) << way.what << " did not end the box";
    EXPECT_EQ(result, way.result) << way.what;
  }
}

TEST(AboutDlg, NoOtherCommandEndsIt) {
  bool forced = false;
  INT_PTR result = RunAbout(
      nullptr,
      [](HWND d) {
        for (int id : {IDM_ABOUT, IDM_HELP, IDM_EXIT, 3, 0}) {
          ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        }
        // Still open: only now does OK end it.
        if (::IsWindow(d)) ::PostMessageW(d, WM_COMMAND, IDOK, 0);
      },
      &forced);
  EXPECT_FALSE(forced);
  EXPECT_EQ(result, IDOK) << "the box stayed open through the other commands";
}

TEST(AboutDlg, CentresOverAVisibleOwnerAndOverTheWorkAreaWhenTheOwnerIsHidden) {
  RECT work{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 40, 60, 500, 400, nullptr,
                                 nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  auto placement = [&](RECT& box) {
    RunAbout(owner, [&](HWND d) {
      ::GetWindowRect(d, &box);
      ::PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
  };

  RECT box{};
  placement(box);
  POINT expected = CenteredPosition(box, work, work);
  EXPECT_EQ(box.left, expected.x) << "hidden owner (as the report window is): the work area";
  EXPECT_EQ(box.top, expected.y);

  ::ShowWindow(owner, SW_SHOWNOACTIVATE);
  placement(box);
  RECT ownerRect{};
  ::GetWindowRect(owner, &ownerRect);
  expected = CenteredPosition(box, ownerRect, work);
  EXPECT_EQ(box.left, expected.x) << "visible owner";
  EXPECT_EQ(box.top, expected.y);
  EXPECT_NE(box.left, CenteredPosition(box, work, work).x) << "the owner is off the work area's centre";
  ::DestroyWindow(owner);
}

}  // namespace
