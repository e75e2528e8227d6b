#include "win/centre.h"

#include <gtest/gtest.h>

#include "support/shell_fakes.h"

namespace {

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

TEST(CenteredPosition, CentresAndKeepsInsideTheWorkArea) {
  const RECT work = Rect(0, 0, 1024, 768);
  struct Case {
    const char* what;
    RECT window, over;
    LONG left, top;
  };
  const Case cases[] = {
      {"centred over the area", Rect(0, 0, 100, 50), Rect(0, 0, 1000, 800), 450, 375},
      {"odd sizes: halves truncated", Rect(0, 0, 101, 51), Rect(0, 0, 1001, 801), 450, 375},
      {"position of the window itself plays no part", Rect(300, 300, 400, 350),
       Rect(0, 0, 1000, 800), 450, 375},
      {"past the left edge", Rect(0, 0, 300, 50), Rect(-500, 0, 100, 800), 0, 375},
      {"past the right edge", Rect(0, 0, 300, 50), Rect(900, 0, 1100, 800), 724, 375},
      {"past the top edge", Rect(0, 0, 100, 200), Rect(0, -400, 1000, 100), 450, 0},
      {"past the bottom edge", Rect(0, 0, 100, 200), Rect(0, 700, 1000, 800), 450, 568},
      {"wider than the work area: the left edge wins", Rect(0, 0, 2000, 50),
       Rect(0, 0, 1000, 800), 0, 375},
  };
  for (const Case& c : cases) {
    POINT at = CenteredPosition(c.window, c.over, work);
    EXPECT_EQ(at.x, c.left) << c.what;
    EXPECT_EQ(at.y, c.top) << c.what;
  }
}

TEST(CenteredPosition, HalvesTruncateTowardZeroLeftOfTheOrigin) {
  // A work area on a monitor left of and above the primary one.
  const RECT work = Rect(-2000, -2000, 2000, 2000);
  // Centre x = -101 / 2 = -50 (not -51), width 101 / 2 = 50: left -100.
  POINT at = CenteredPosition(Rect(0, 0, 101, 51), Rect(-101, -51, 0, 0), work);
  EXPECT_EQ(at.x, -100);
  EXPECT_EQ(at.y, -50);
}

// Real windows: where CenterWindow puts a 100 x 50 box owned by `owner`.
class CenterWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_, 0));
  }
  void TearDown() override {
    if (box_) ::DestroyWindow(box_);
    if (owner_) ::DestroyWindow(owner_);
  }
  void MakeOwner(int x, int y, int show) {
    owner_ = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, x, y, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
    if (show != SW_HIDE) ::ShowWindow(owner_, show);
  }
  POINT Centre(const MonitorSeam& monitors = SystemMonitors()) {
    box_ = ::CreateWindowExW(0, L"STATIC", L"box", WS_POPUP, 5, 5, 100, 50, owner_, nullptr,
                             nullptr, nullptr);
    EXPECT_NE(box_, nullptr);
    EXPECT_TRUE(CenterWindow(box_, monitors));
    RECT r{};
    ::GetWindowRect(box_, &r);
    EXPECT_EQ(r.right - r.left, 100) << "size kept";
    EXPECT_EQ(r.bottom - r.top, 50) << "size kept";
    return POINT{r.left, r.top};
  }
  POINT WorkAreaCentre() const {
    return POINT{(work_.left + work_.right) / 2 - 50, (work_.top + work_.bottom) / 2 - 25};
  }

  RECT work_{};
  HWND owner_ = nullptr;
  HWND box_ = nullptr;
};

TEST_F(CenterWindowTest, OverAVisibleOwner) {
  MakeOwner(100, 100, SW_SHOWNOACTIVATE);
  POINT at = Centre();
  EXPECT_EQ(at.x, 100 + 200 - 50);
  EXPECT_EQ(at.y, 100 + 150 - 25);
}

TEST_F(CenterWindowTest, OnTheWorkAreaWithoutAVisibleOwner) {
  POINT expected = WorkAreaCentre();
  {
    SCOPED_TRACE("no owner");
    POINT at = Centre();
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
  }
  ::DestroyWindow(box_);
  box_ = nullptr;
  {
    SCOPED_TRACE("hidden owner");
    MakeOwner(100, 100, SW_HIDE);
    POINT at = Centre();
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
  }
  ::DestroyWindow(box_);
  box_ = nullptr;
  ::DestroyWindow(owner_);
  {
    SCOPED_TRACE("minimised owner");
    MakeOwner(100, 100, SW_SHOWNOACTIVATE);
    ::ShowWindow(owner_, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(owner_));
    POINT at = Centre();
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
  }
}

TEST_F(CenterWindowTest, OnTheMonitorOfTheOwnerOrElseOfTheCommand) {
  struct Case {
    const char* what;
    int ownerX, ownerY, show;
    POINT command;
    LONG left, top;
  } cases[] = {
      // Kept above the secondary's bottom, not the primary's.
      {"owner on the secondary", 900, 900, SW_SHOWNOACTIVATE, {500, 300}, 1050, 1024 - 50},
      {"owner on the primary", 100, 100, SW_SHOWNOACTIVATE, {1500, 500}, 250, 225},
      {"hidden owner, chosen on the secondary", 100, 100, SW_HIDE, {1500, 500}, 1562, 487},
      {"hidden owner, chosen on the primary", 1500, 100, SW_HIDE, {500, 300}, 482, 345},
  };
  MadeUpMonitors monitors = TwoMonitors();
  for (const Case& c : cases) {
    MakeOwner(c.ownerX, c.ownerY, c.show);
    monitors.commandPoint = c.command;
    POINT at = Centre(monitors);
    EXPECT_EQ(at.x, c.left) << c.what;
    EXPECT_EQ(at.y, c.top) << c.what;
    ::DestroyWindow(box_);
    ::DestroyWindow(owner_);
    box_ = owner_ = nullptr;
  }
}

TEST_F(CenterWindowTest, OnOneMonitorTheSystemsWorkAreaAsBefore) {
  RECT monitorWork{};
  ASSERT_TRUE(SystemMonitors().NearestWorkArea(POINT{work_.left, work_.top}, monitorWork));
  EXPECT_TRUE(::EqualRect(&monitorWork, &work_)) << "the monitor's work area is SPI_GETWORKAREA's";
}

TEST_F(CenterWindowTest, AnOwnerHalfOffTheScreenLeavesTheBoxAtTheWorkAreasEdge) {
  MakeOwner(work_.left - 300, work_.top - 200, SW_SHOWNOACTIVATE);
  POINT at = Centre();
  EXPECT_EQ(at.x, work_.left);
  EXPECT_EQ(at.y, work_.top);
}

}  // namespace
