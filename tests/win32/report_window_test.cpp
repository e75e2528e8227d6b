// The report side of CMainDlg on the real dialog resource: tabs and pages,
// the date picker and the week buttons, the pages' painting, and the page
// the print run draws.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/system_time_win32.h"
#include "resource.h"
#include "shell/main_dlg.h"
#include "support/dates.h"
#include "support/dib_surface.h"
#include "support/memory_files.h"
#include "support/recording_notifier.h"
#include "support/shell_fakes.h"
#include "support/win32_messages.h"
#include "win/handles.h"
#include "win/message_loop.h"
#include "win/module.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kUndrawn = RGB(128, 128, 128);

class ReportWindowTest : public ::testing::Test {
 protected:
  ReportWindowTest() : registration_(&loop_), data_(Workspace{u"C:\\report-test", files_, notifier_}) {
    monitors_.workArea = RECT{0, 0, 1024, 768};
    // 会議 red and counted, 読書 blue and not counted.
    data_.catalogue.AddSlot(0x0000FF, 1);
    data_.catalogue.AddSlot(0xFF0000, 0);
    data_.catalogue.AddName(u"会議");
    data_.catalogue.AddName(u"読書");
  }
  void SetUp() override { DrainMessages(); }

  HWND Create() {
    dialog_ = std::make_unique<CMainDlg>(data_, notifier_, tray_, monitors_, SystemLocalTime);
    HWND hwnd = dialog_->Create(nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }
  HWND Item(int id) const { return ::GetDlgItem(dialog_->Hwnd(), id); }
  void Add(const char16_t* name, LocalDateTime start, LocalDateTime end) {
    data_.store.Append(ActivityRecord{name, start, end});
  }
  SYSTEMTIME Picker() const {
    SYSTEMTIME st{};
    ::SendMessageW(Item(IDC_REPORT_DATEPICK), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
  }
  // What a user's change of the picker does: the new date, then the notification.
  void PickDate(const LocalDateTime& date) {
    SYSTEMTIME st = ToSystemTime(date);
    ::SendMessageW(Item(IDC_REPORT_DATEPICK), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = Item(IDC_REPORT_DATEPICK);
    change.nmhdr.idFrom = IDC_REPORT_DATEPICK;
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.st = st;
    ::SendMessageW(dialog_->Hwnd(), WM_NOTIFY, IDC_REPORT_DATEPICK, reinterpret_cast<LPARAM>(&change));
  }
  // A click on a tab, as the mouse gives it to the tab control.
  void ClickTab(int index) {
    HWND tab = Item(IDC_REPORT_TAB);
    RECT r{};
    ASSERT_TRUE(::SendMessageW(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(tab, WM_LBUTTONUP, 0, at);
  }
  bool Shown(int id) const { return (::GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  SIZE PageSize() const {
    RECT r{};
    ::GetClientRect(Item(IDC_REPORT_TIME), &r);
    return SIZE{r.right, r.bottom};
  }

  CMessageLoop loop_;
  MessageLoopRegistration registration_;
  FakeTray tray_;
  MemoryFileSystem files_;
  RecordingNotifier notifier_;
  FakeMonitors monitors_;
  ActivityData data_;
  std::unique_ptr<CMainDlg> dialog_;
};

TEST_F(ReportWindowTest, TwoTabsCarryTheirPagesAndTheTimeChartShowsFirst) {
  Create();
  HWND tab = Item(IDC_REPORT_TAB);
  ASSERT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2);
  const wchar_t* texts[] = {L"時刻", L"集計"};
  const int pages[] = {IDC_REPORT_TIME, IDC_REPORT_STATICS};
  for (int i = 0; i < 2; ++i) {
    wchar_t text[16] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = 16;
    ASSERT_TRUE(::SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, texts[i]);
    EXPECT_EQ(reinterpret_cast<HWND>(item.lParam), Item(pages[i])) << "the page's window as item data";
  }
  EXPECT_EQ(::SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(Shown(IDC_REPORT_TIME));
  EXPECT_FALSE(Shown(IDC_REPORT_STATICS));
  EXPECT_EQ(CBoundWindow::FromHandle(Item(IDC_REPORT_TIME)), &dialog_->TimeChart())
      << "the static is subclassed into the chart";
  EXPECT_EQ(CBoundWindow::FromHandle(Item(IDC_REPORT_STATICS)), &dialog_->StaticsChart());

  SYSTEMTIME today{};
  ::GetLocalTime(&today);
  const LocalDateTime& date = dialog_->ReportDate();
  EXPECT_EQ(date.wYear, today.wYear);
  EXPECT_EQ(date.wMonth, today.wMonth);
  EXPECT_EQ(date.wDay, today.wDay);
  EXPECT_EQ(date.wDayOfWeek, today.wDayOfWeek) << "read from the picker at start-up";
}

TEST_F(ReportWindowTest, ClickingATabSwapsThePagesAndFocusesTheShownOne) {
  Create();
  dialog_->ShowWindow(SW_SHOW);
  ClickTab(1);
  EXPECT_EQ(::SendMessageW(Item(IDC_REPORT_TAB), TCM_GETCURSEL, 0, 0), 1) << "the change was allowed";
  EXPECT_FALSE(Shown(IDC_REPORT_TIME));
  EXPECT_TRUE(Shown(IDC_REPORT_STATICS));
  EXPECT_EQ(::GetFocus(), Item(IDC_REPORT_STATICS));
  ClickTab(0);
  EXPECT_TRUE(Shown(IDC_REPORT_TIME));
  EXPECT_FALSE(Shown(IDC_REPORT_STATICS));
  EXPECT_EQ(::GetFocus(), Item(IDC_REPORT_TIME));
}

TEST_F(ReportWindowTest, WeekButtonsMoveThePickerAndTheDateBySevenDays) {
  Create();
  PickDate(DTW(2010, 1, 7, 4));  // a Thursday
  EXPECT_EQ(dialog_->ReportDate(), DTW(2010, 1, 7, 4));

  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_PREVWEEK, 0);
  EXPECT_EQ(dialog_->ReportDate().wYear, 2009);
  EXPECT_EQ(dialog_->ReportDate().wMonth, 12);
  EXPECT_EQ(dialog_->ReportDate().wDay, 31);
  EXPECT_EQ(dialog_->ReportDate().wDayOfWeek, 4) << "the weekday stays";
  SYSTEMTIME picked = Picker();
  EXPECT_EQ(picked.wYear, 2009);
  EXPECT_EQ(picked.wMonth, 12);
  EXPECT_EQ(picked.wDay, 31);

  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  picked = Picker();
  EXPECT_EQ(picked.wYear, 2010);
  EXPECT_EQ(picked.wMonth, 1);
  EXPECT_EQ(picked.wDay, 14);
  EXPECT_EQ(dialog_->ReportDate().wDay, 14);

  // The buttons start from the picker, not from the date read before.
  SYSTEMTIME st = ToSystemTime(DTW(2012, 2, 29, 3));
  ::SendMessageW(Item(IDC_REPORT_DATEPICK), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  EXPECT_EQ(dialog_->ReportDate().wMonth, 3);
  EXPECT_EQ(dialog_->ReportDate().wDay, 7);
}

TEST_F(ReportWindowTest, ADateChangeOrAWeekButtonRepaintsTheShownPage) {
  Create();
  dialog_->ShowWindow(SW_SHOW);
  HWND page = Item(IDC_REPORT_TIME);
  ::UpdateWindow(page);
  RECT dirty{};
  ASSERT_FALSE(::GetUpdateRect(page, &dirty, FALSE));
  PickDate(DTW(2010, 1, 7, 4));
  ASSERT_TRUE(::GetUpdateRect(page, &dirty, FALSE));
  EXPECT_EQ(dirty.right - dirty.left, PageSize().cx) << "the whole page";
  EXPECT_EQ(dirty.bottom - dirty.top, PageSize().cy);
  ::UpdateWindow(page);
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  EXPECT_TRUE(::GetUpdateRect(page, &dirty, FALSE));
}

HWND valueChanged[2] = {};
void CALLBACK OnValueChange(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_CLIENT) valueChanged[valueChanged[0] ? 1 : 0] = hwnd;
}

// A page reads as the core's text of its days; a week button tells every
// page read, the hidden one too; a paint of the same days tells nothing.
TEST_F(ReportWindowTest, APageReadsAsItsDaysAndTellsWhenTheyChange) {
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  Add(u"会議", DTW(2010, 1, 4, 1, 9, 30), DTW(2010, 1, 4, 1, 11, 45));
  Create();
  const HWND pages[2] = {Item(IDC_REPORT_TIME), Item(IDC_REPORT_STATICS)};
  for (HWND page : pages) {
    IAccessible* object = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(page, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object)), S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    BSTR value = nullptr;
    EXPECT_EQ(object->get_accValue(self, &value), S_OK);
    if (page == pages[1]) {
      EXPECT_EQ(FromWStr(value), DescribeChart(dialog_->ReportDate(), data_.catalogue,
                                               data_.store.Records(), DescribeDayTotals));
    }
    ::SysFreeString(value);
    object->Release();
  }
  HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE,
                                         nullptr, OnValueChange, ::GetCurrentProcessId(), 0,
                                         WINEVENT_OUTOFCONTEXT);
  dialog_->ShowWindow(SW_SHOW);
  ::UpdateWindow(pages[0]);
  PumpUntilIdle();
  EXPECT_EQ(valueChanged[0], nullptr);
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  PumpUntilIdle([] { return valueChanged[1] != nullptr; }, 2000);
  EXPECT_EQ(valueChanged[0], pages[0]);
  EXPECT_EQ(valueChanged[1], pages[1]);
  ::UnhookWinEvent(hook);
  dialog_.reset();
  ::CoUninitialize();
}

// The row of day d (0 to 13) of the shown weeks: the middle of its band.
int RowY(int d) { return 40 + 40 * (d % 7) + 10; }

TEST_F(ReportWindowTest, ThePagesDrawTheWeeksOfTheReportDate) {
  // 2009-12-27 is the Sunday before 2010-01-01; 10:00-12:00 is 140 to 168.
  Add(u"会議", DTW(2009, 12, 27, 0, 10, 0), DTW(2009, 12, 27, 0, 12, 0));
  Add(u"会議", DTW(2010, 1, 9, 6, 10, 0), DTW(2010, 1, 9, 6, 12, 0));
  Add(u"読書", DTW(2010, 1, 9, 6, 13, 0), DTW(2010, 1, 9, 6, 14, 0));
  Create();
  PickDate(DTW(2010, 1, 1, 5));
  const SIZE size = PageSize();
  DibSurface s(size.cx, size.cy, kUndrawn);
  EXPECT_EQ(dialog_->TimeChart().DrawChart(s.Dc(), 1, 0, 0), 0);
  const int x0 = 80;
  EXPECT_EQ(s.At(x0 + 140, RowY(0)), kBlack) << "bar's outline";
  EXPECT_EQ(s.At(x0 + 141, RowY(0)), kRed);
  EXPECT_EQ(s.At(x0 + 166, RowY(0)), kRed);
  EXPECT_EQ(s.At(x0 + 167, RowY(0)), kBlack);
  // Saturday 2010-01-09 is the last row of the second column, which starts
  // at half the page's width.
  const int x1 = 80 + size.cx / 2;
  EXPECT_EQ(s.At(x0 + 150, RowY(6)), kWhite) << "Saturday 2010-01-02 has no record";
  EXPECT_EQ(s.At(x1 + 150, RowY(13)), kRed);
  EXPECT_EQ(s.At(x1 + 190, RowY(13)), RGB(0, 0, 255)) << "every record gets its bar";
  EXPECT_EQ(s.At(0, 0), kWhite) << "the background is filled";
  EXPECT_EQ(s.At(size.cx - 1, size.cy - 1), kWhite);

  // The totals: 会議 2 h = 28 units; 読書 does not count.
  DibSurface t(size.cx, size.cy, kUndrawn);
  EXPECT_EQ(dialog_->StaticsChart().DrawChart(t.Dc(), 1, 0, 0), 0);
  EXPECT_EQ(t.At(x0 + 1, RowY(0)), kRed);
  EXPECT_EQ(t.At(x0 + 26, RowY(0)), kRed);
  EXPECT_EQ(t.At(x0 + 27, RowY(0)), kBlack);
  EXPECT_EQ(t.At(x0 + 28, RowY(0)), kWhite);
  EXPECT_EQ(t.At(x1 + 1, RowY(13)), kRed);
  EXPECT_EQ(t.At(x1 + 28, RowY(13)), kWhite) << "読書's hour is not counted";

  // A week on, the first column starts at Sunday 2010-01-03: Saturday the
  // 9th moves to its last row, 2009-12-27 is gone.
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  DibSurface u(size.cx, size.cy, kUndrawn);
  dialog_->TimeChart().DrawChart(u.Dc(), 1, 0, 0);
  EXPECT_EQ(u.At(x0 + 150, RowY(0)), kWhite);
  EXPECT_EQ(u.At(x0 + 150, RowY(6)), kRed);
}

TEST_F(ReportWindowTest, AShownPagePaintsItselfThroughWmPaint) {
  SYSTEMTIME today{};
  ::GetLocalTime(&today);
  LocalDateTime day = FromSystemTime(today);
  day.wHour = 9;
  day.wMinute = 30;
  LocalDateTime end = day;
  end.wHour = 11;
  end.wMinute = 45;
  Add(u"会議", day, end);
  Create();
  dialog_->ShowWindow(SW_SHOW);
  HWND page = Item(IDC_REPORT_TIME);
  ::RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  WindowDC dc(page);
  // 09:30 is 133 units, 11:45 is 164: the fill runs from 134 to 162.
  const int y = RowY(today.wDayOfWeek);
  EXPECT_EQ(::GetPixel(dc.Get(), 80 + 133, y), kBlack);
  EXPECT_EQ(::GetPixel(dc.Get(), 80 + 134, y), kRed);
  EXPECT_EQ(::GetPixel(dc.Get(), 80 + 162, y), kRed);
  EXPECT_EQ(::GetPixel(dc.Get(), 80 + 163, y), kBlack);
  EXPECT_EQ(::GetPixel(dc.Get(), 80 + 170, y), kWhite);
}

// ---- the printed page ----

TEST_F(ReportWindowTest, OnlyPageZeroIsPrintedAndItHoldsTheSelectedTabsChartCentred) {
  Add(u"会議", DTW(2009, 12, 27, 0, 10, 0), DTW(2009, 12, 27, 0, 12, 0));
  Create();
  PickDate(DTW(2010, 1, 1, 5));
  EXPECT_TRUE(dialog_->IsPageValid(0));
  EXPECT_FALSE(dialog_->IsPageValid(1));

  // A memory DC's printable area is the screen's: scale 1, centred.
  WindowDC screen(nullptr);
  const int width = ::GetDeviceCaps(screen.Get(), HORZRES);
  const int height = ::GetDeviceCaps(screen.Get(), VERTRES);
  const SIZE size = PageSize();
  ASSERT_LE(size.cx, width);
  ASSERT_LE(size.cy, height);
  const int x0 = (width - size.cx) / 2;
  const int y0 = (height - size.cy) / 2;
  {
    DibSurface page(width, height, kUndrawn);
    EXPECT_FALSE(dialog_->DrawPage(1, page.Dc()));
    EXPECT_EQ(page.At(x0 + 80 + 150, y0 + RowY(0)), RGB(128, 128, 128)) << "page 1 draws nothing";
    EXPECT_TRUE(dialog_->DrawPage(0, page.Dc()));
    EXPECT_EQ(page.At(x0 + 80 + 150, y0 + RowY(0)), kRed) << "time chart bar";
    EXPECT_EQ(page.At(x0 + 80 + 140, y0 + RowY(0)), kBlack);
    EXPECT_EQ(page.At(x0, y0), kWhite) << "the picture's corner";
    EXPECT_EQ(page.At(x0 - 1, y0), RGB(128, 128, 128)) << "nothing outside the picture";
    EXPECT_EQ(page.At(x0 + size.cx, y0 + size.cy), RGB(128, 128, 128));
  }
  {
    ClickTab(1);
    DibSurface page(width, height, kUndrawn);
    EXPECT_TRUE(dialog_->DrawPage(0, page.Dc()));
    EXPECT_EQ(page.At(x0 + 80 + 1, y0 + RowY(0)), kRed) << "the totals start at the band's left end";
    EXPECT_EQ(page.At(x0 + 80 + 150, y0 + RowY(0)), kWhite);
  }
  {
    // No tab selected: a blank page, still a page.
    ::SendMessageW(Item(IDC_REPORT_TAB), TCM_SETCURSEL, static_cast<WPARAM>(-1), 0);
    DibSurface page(width, height, kUndrawn);
    EXPECT_TRUE(dialog_->DrawPage(0, page.Dc()));
    EXPECT_EQ(page.At(x0 + 80 + 1, y0 + RowY(0)), RGB(128, 128, 128));
  }
}

TEST_F(ReportWindowTest, AChartWithoutAreaPrintsABlankPage) {
  Create();
  ::SetWindowPos(Item(IDC_REPORT_TIME), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
  DibSurface page(200, 100, kUndrawn);
  EXPECT_TRUE(dialog_->DrawPage(0, page.Dc())) << "no division by zero, and the page counts";
  EXPECT_EQ(page.At(0, 0), RGB(128, 128, 128));
  EXPECT_EQ(page.At(199, 99), RGB(128, 128, 128));
}

TEST_F(ReportWindowTest, APrintableAreaSmallerThanTheWindowDrawsAtScaleZero) {
  Add(u"会議", DTW(2009, 12, 27, 0, 10, 0), DTW(2009, 12, 27, 0, 12, 0));
  Create();
  PickDate(DTW(2010, 1, 1, 5));
  // Scale 0 puts every point on the offset: every rectangle and box is empty.
  DibSurface page(200, 100, kUndrawn);
  dialog_->TimeChart().DrawChart(page.Dc(), 0, 50, 40);
  for (int y = 0; y < 100; y += 3)
    for (int x = 0; x < 200; x += 3) ASSERT_EQ(page.At(x, y), RGB(128, 128, 128)) << x << "," << y;
}

TEST_F(ReportWindowTest, ANarrowPageIsClippedAtItsOwnEdge) {
  // At 600 pixels the second column's bands (from 80 + 300 to 716) run past
  // the page; the static's DC may not let them reach the dialog.
  Create();
  dialog_->ShowWindow(SW_SHOW);
  HWND page = Item(IDC_REPORT_TIME);
  ::SetWindowPos(page, nullptr, 0, 0, 600, 300, SWP_NOMOVE | SWP_NOZORDER);
  ::RedrawWindow(dialog_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  WindowDC dc(dialog_->Hwnd());
  auto at = [&](int x, int y) {
    POINT q{x, y};
    ::MapWindowPoints(page, dialog_->Hwnd(), &q, 1);
    return ::GetPixel(dc.Get(), q.x, q.y);
  };
  EXPECT_EQ(at(599, 40), kBlack) << "the band's top outline reaches the page's edge";
  int black = 0;
  for (int x = 600; x < 620; ++x)
    for (int y = 40; y < 300; ++y) black += at(x, y) == kBlack;
  EXPECT_EQ(black, 0) << "nothing of the chart beyond the page";
}

}  // namespace
