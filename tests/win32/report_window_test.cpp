// The report side of CMainDlg on the real dialog resource: tabs and pages,
// the date picker and the week buttons, the pages' painting, and the page
// the print run draws.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "base/system_time_win32.h"
#include "resource.h"
#include "shell/main_dlg.h"
#include "support/child_variant.h"
#include "support/dates.h"
#include "support/dib_surface.h"
#include "support/main_dlg_fixture.h"
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

class ReportWindowTest : public MainDlgFixture {
 protected:
  ReportWindowTest() : MainDlgFixture(u"C:\\report-test") {
    monitors_.workArea = RECT{0, 0, 1024, 768};
    // 会議 red and counted, 読書 blue and not counted.
    data_.catalogue.AddSlot(0x0000FF, 1);
    data_.catalogue.AddSlot(0xFF0000, 0);
    data_.catalogue.AddName(u"会議");
    data_.catalogue.AddName(u"読書");
  }

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

// ---- the pages for the keyboard and a screen reader ----

// The events a page raised, as a client out of context hears them.
struct HeardEvent {
  DWORD event;
  HWND hwnd;
  LONG child;
};
std::vector<HeardEvent> heard;
void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  const bool ours = event == EVENT_OBJECT_FOCUS || event == EVENT_OBJECT_SELECTION ||
                    event == EVENT_OBJECT_NAMECHANGE;
  if (ours && object == OBJID_CLIENT && child != CHILDID_SELF) heard.push_back(HeardEvent{event, hwnd, child});
}

class PageAccessTest : public ReportWindowTest {
 protected:
  void SetUp() override {
    ReportWindowTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    heard.clear();
    hook_ = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent,
                              ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  }
  void TearDown() override {
    ::UnhookWinEvent(hook_);
    if (object_) object_->Release();
    dialog_.reset();
    ::CoUninitialize();
  }
  // The page's client object, as a client asks for it.
  IAccessible& Object(int id) {
    if (object_) object_->Release();
    object_ = nullptr;
    EXPECT_EQ(::AccessibleObjectFromWindow(Item(id), OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object_)),
              S_OK);
    return *object_;
  }
  // A child's role or state, as its number (-1: none).
  LONG Ask(IAccessible& o, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), LONG child) {
    VARIANT v;
    ::VariantInit(&v);
    EXPECT_EQ((o.*get)(Child(child), &v), S_OK);
    return v.vt == VT_I4 ? v.lVal : -1;
  }
  LONG Role(IAccessible& o, LONG child) { return Ask(o, &IAccessible::get_accRole, child); }
  LONG State(IAccessible& o, LONG child) { return Ask(o, &IAccessible::get_accState, child); }
  Text Name(IAccessible& o, LONG child) {
    BSTR name = nullptr;
    EXPECT_EQ(o.get_accName(Child(child), &name), S_OK);
    Text text = name ? FromWStr(name) : Text();
    ::SysFreeString(name);
    return text;
  }
  LONG Focused(IAccessible& o) {
    VARIANT v;
    ::VariantInit(&v);
    o.get_accFocus(&v);
    return v.vt == VT_I4 ? v.lVal : -1;
  }
  void Key(int id, WPARAM key) {
    ::SendMessageW(Item(id), WM_KEYDOWN, key, 0);
    PumpUntilIdle();
  }
  // The events the time chart raised for its days since the last call, in
  // order, as (event, child).
  std::vector<std::pair<DWORD, LONG>> Heard() {
    PumpUntilIdle();
    std::vector<std::pair<DWORD, LONG>> out;
    for (const HeardEvent& e : heard) {
      if (e.hwnd == Item(IDC_REPORT_TIME)) out.emplace_back(e.event, e.child);
    }
    heard.clear();
    return out;
  }

  HWINEVENTHOOK hook_ = nullptr;
  IAccessible* object_ = nullptr;
};

TEST_F(PageAccessTest, APageIsAListWhoseItemsAreItsDaysNamedAsTheyRead) {
  Add(u"会議", DTW(2010, 1, 4, 1, 9, 30), DTW(2010, 1, 4, 1, 11, 45));
  Create();
  PickDate(DTW(2010, 1, 6, 3));
  const struct {
    int id;
    DayTextStep step;
    const char16_t* name;
  } pages[] = {{IDC_REPORT_TIME, DescribeDayBars, u"時刻"},
               {IDC_REPORT_STATICS, DescribeDayTotals, u"集計"}};
  for (const auto& page : pages) {
    IAccessible& o = Object(page.id);
    EXPECT_EQ(Role(o, CHILDID_SELF), ROLE_SYSTEM_LIST);
    EXPECT_EQ(Name(o, CHILDID_SELF), page.name);
    LONG count = 0;
    EXPECT_EQ(o.get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 14);
    for (LONG child = 1; child <= count; ++child) {
      EXPECT_EQ(Role(o, child), ROLE_SYSTEM_LISTITEM);
      EXPECT_EQ(Name(o, child), DescribeDay(dialog_->ReportDate(), child - 1, data_.catalogue,
                                            data_.store.Records(), page.step));
      IDispatch* simple = reinterpret_cast<IDispatch*>(1);
      EXPECT_EQ(o.get_accChild(Child(child), &simple), S_FALSE) << "a simple element";
      EXPECT_EQ(simple, nullptr);
    }
    BSTR none = nullptr;
    EXPECT_EQ(o.get_accName(Child(15), &none), E_INVALIDARG);
    EXPECT_EQ(o.get_accName(Child(0 - 1), &none), E_INVALIDARG);
  }
  // Monday 2010-01-04 is the second row; Wednesday, the report date, is
  // the current day.
  IAccessible& o = Object(IDC_REPORT_TIME);
  EXPECT_EQ(Name(o, 2), u"1月4日(月): 会議 9:30〜11:45。");
  EXPECT_EQ(State(o, 4) & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED), STATE_SYSTEM_SELECTED);
  EXPECT_EQ(State(o, 3) & STATE_SYSTEM_SELECTED, 0);
  EXPECT_TRUE(State(o, 3) & STATE_SYSTEM_FOCUSABLE);
  VARIANT selection;
  ::VariantInit(&selection);
  EXPECT_EQ(o.get_accSelection(&selection), S_OK);
  EXPECT_EQ(selection.lVal, 4);
  EXPECT_EQ(Focused(o), -1) << "the page does not have the focus";
}

// Each day's place is its band, where the drawing puts it; the hit test and
// the navigation follow the places.
TEST_F(PageAccessTest, TheDaysLieOnTheirBandsAndNavigateByThem) {
  Create();
  HWND page = Item(IDC_REPORT_TIME);
  const int half = PageSize().cx / 2;
  IAccessible& o = Object(IDC_REPORT_TIME);
  const struct {
    LONG child;
    int x0;
    int y;
  } places[] = {{1, 80, 40}, {7, 80, 280}, {8, 80 + half, 40}, {14, 80 + half, 280}};
  for (const auto& place : places) {
    POINT origin{place.x0, place.y};
    ::ClientToScreen(page, &origin);
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(o.accLocation(&left, &top, &width, &height, Child(place.child)), S_OK);
    EXPECT_EQ(left, origin.x) << place.child;
    EXPECT_EQ(top, origin.y) << place.child;
    EXPECT_EQ(width, 336);
    EXPECT_EQ(height, 20);
    VARIANT hit;
    ::VariantInit(&hit);
    EXPECT_EQ(o.accHitTest(origin.x + 100, origin.y + 10, &hit), S_OK);
    EXPECT_EQ(hit.lVal, place.child);
    EXPECT_EQ(o.accHitTest(origin.x + 100, origin.y - 10, &hit), S_OK) << "between the bands";
    EXPECT_EQ(hit.lVal, CHILDID_SELF);
  }
  struct Row {
    LONG start;
    long direction;
    LONG to;  // 0: none (S_FALSE)
  };
  const Row rows[] = {
      {CHILDID_SELF, NAVDIR_FIRSTCHILD, 1}, {CHILDID_SELF, NAVDIR_LASTCHILD, 14},
      {1, NAVDIR_NEXT, 2},     {7, NAVDIR_NEXT, 8},       {14, NAVDIR_NEXT, 0},
      {1, NAVDIR_PREVIOUS, 0}, {8, NAVDIR_PREVIOUS, 7},   {1, NAVDIR_DOWN, 2},
      {7, NAVDIR_DOWN, 0},     {8, NAVDIR_UP, 0},         {9, NAVDIR_UP, 8},
      {3, NAVDIR_RIGHT, 10},   {10, NAVDIR_RIGHT, 0},     {10, NAVDIR_LEFT, 3},
      {3, NAVDIR_LEFT, 0},
  };
  for (const Row& row : rows) {
    VARIANT to;
    ::VariantInit(&to);
    const HRESULT hr = o.accNavigate(row.direction, Child(row.start), &to);
    EXPECT_EQ(hr, row.to ? S_OK : S_FALSE) << row.start << " " << row.direction;
    EXPECT_EQ(to.vt, row.to ? VT_I4 : VT_EMPTY) << row.start << " " << row.direction;
    if (row.to) {
      EXPECT_EQ(to.lVal, row.to) << row.start << " " << row.direction;
    }
  }
}

// Tab reaches the shown page; the arrows, Home and End move the current
// day, and a client hears the focus go to each day in turn.
TEST_F(PageAccessTest, TheKeyboardMovesTheFocusedDayAndTellsTheClient) {
  Create();
  PickDate(DTW(2010, 1, 6, 3));
  dialog_->ShowWindow(SW_SHOW);
  HWND page = Item(IDC_REPORT_TIME);
  EXPECT_EQ(::GetNextDlgTabItem(dialog_->Hwnd(), Item(IDC_REPORT_TAB), FALSE), page);
  EXPECT_EQ(::GetNextDlgTabItem(dialog_->Hwnd(), page, FALSE), Item(IDC_REPORT_PRINT));
  EXPECT_EQ(::SendMessageW(page, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS)
      << "the arrows are the page's, not the dialog's";
  IAccessible& o = Object(IDC_REPORT_TIME);
  Heard();
  ::SetFocus(page);
  EXPECT_EQ(Focused(o), 4) << "the report date's day";
  EXPECT_TRUE(State(o, 4) & STATE_SYSTEM_FOCUSED);
  const std::vector<std::pair<DWORD, LONG>> onFocus = {{EVENT_OBJECT_SELECTION, 4},
                                                       {EVENT_OBJECT_FOCUS, 4}};
  EXPECT_EQ(Heard(), onFocus);
  struct Row {
    WPARAM key;
    LONG focused;
  };
  const Row rows[] = {{VK_DOWN, 5}, {VK_UP, 4},  {VK_RIGHT, 11}, {VK_RIGHT, 11}, {VK_LEFT, 4},
                      {VK_END, 14}, {VK_DOWN, 14}, {VK_HOME, 1},  {VK_UP, 1},     {VK_DOWN, 2}};
  LONG before = 4;
  for (const Row& row : rows) {
    Key(IDC_REPORT_TIME, row.key);
    EXPECT_EQ(Focused(o), row.focused) << "key " << row.key;
    EXPECT_EQ(dialog_->TimeChart().CurrentItem(), row.focused - 1);
    std::vector<std::pair<DWORD, LONG>> expected;
    if (row.focused != before) {
      expected = {{EVENT_OBJECT_SELECTION, row.focused}, {EVENT_OBJECT_FOCUS, row.focused}};
    }
    EXPECT_EQ(Heard(), expected) << "key " << row.key;
    before = row.focused;
  }
  // A client may move the focus too.
  EXPECT_EQ(o.accSelect(SELFLAG_TAKEFOCUS, Child(9)), S_OK);
  EXPECT_EQ(Focused(o), 9);
  EXPECT_EQ(o.accSelect(SELFLAG_ADDSELECTION, Child(3)), E_INVALIDARG) << "one day at a time";
  // A new date makes its day current, and tells the names changed.
  Heard();
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  EXPECT_EQ(Focused(o), 4);
  std::vector<std::pair<DWORD, LONG>> changed;
  for (LONG child = 1; child <= 14; ++child) changed.emplace_back(EVENT_OBJECT_NAMECHANGE, child);
  changed.emplace_back(EVENT_OBJECT_SELECTION, 4);
  changed.emplace_back(EVENT_OBJECT_FOCUS, 4);
  EXPECT_EQ(Heard(), changed) << "the shown page, which has the focus";
}

// The names of the days change with the date; only a client that asked
// for the list hears of it (the focus is news to every client).
TEST_F(PageAccessTest, WithoutAClientANewDateRaisesNoEvents) {
  Create();
  dialog_->ShowWindow(SW_SHOW);
  Heard();
  ::SendMessageW(dialog_->Hwnd(), WM_COMMAND, IDC_REPORT_NEXTWEEK, 0);
  EXPECT_TRUE(Heard().empty());
}

// The frame around the focused day is drawn outside its band and label,
// and only while the page has the focus.
TEST_F(PageAccessTest, TheFocusFrameShowsOnlyWhileThePageHasTheFocus) {
  Create();
  PickDate(DTW(2010, 1, 6, 3));
  dialog_->ShowWindow(SW_SHOW);
  HWND page = Item(IDC_REPORT_TIME);
  ::SetFocus(Item(IDC_REPORT_PRINT));
  ::UpdateWindow(page);
  const SIZE size = PageSize();
  auto grab = [&] {
    ::RedrawWindow(page, nullptr, nullptr, RDW_UPDATENOW);
    WindowDC dc(page);
    DibSurface copy(size.cx, size.cy, kUndrawn);
    ::BitBlt(copy.Dc(), 0, 0, size.cx, size.cy, dc.Get(), 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x) pixels.push_back(copy.At(x, y));
    return pixels;
  };
  const std::vector<COLORREF> unfocused = grab();
  ::SetFocus(page);
  const std::vector<COLORREF> focused = grab();
  // Wednesday's band: row 3 of the first column, y 160 to 180.
  int changed = 0;
  int outsideTheFrame = 0;
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      const size_t i = static_cast<size_t>(y) * size.cx + x;
      if (focused[i] == unfocused[i]) continue;
      ++changed;
      const bool onFrame = (x == 78 || x == 417) ? (y >= 158 && y <= 181)
                                                 : (y == 158 || y == 181) && x >= 78 && x <= 417;
      outsideTheFrame += !onFrame;
    }
  }
  EXPECT_GT(changed, 100) << "a frame is drawn";
  EXPECT_EQ(outsideTheFrame, 0) << "and nothing else changes";
  ::SetFocus(Item(IDC_REPORT_PRINT));
  EXPECT_EQ(grab(), unfocused) << "the frame goes with the focus";
}

// A client that holds the object after the window is gone reaches nothing;
// nor after the window is no longer the page's (the binding gone, as after
// its object let go of it).
TEST_F(PageAccessTest, AnObjectWhoseWindowIsGoneOrNoLongerBoundFailsAsDisconnected) {
  for (const bool gone : {true, false}) {
    SCOPED_TRACE(gone ? "the window is gone" : "the window is no longer bound");
    Create();
    IAccessible& o = Object(IDC_REPORT_TIME);
    EXPECT_EQ(Role(o, CHILDID_SELF), ROLE_SYSTEM_LIST);
    HWND page = Item(IDC_REPORT_TIME);
    HANDLE bound = gone ? nullptr : ::RemovePropW(page, L"Dorvane.WindowObject");
    if (gone) dialog_.reset();
    ASSERT_NE(gone, bound != nullptr);
    BSTR name = nullptr;
    LONG count = 0;
    VARIANT v;
    ::VariantInit(&v);
    long l = 0, t = 0, w = 0, h = 0;
    EXPECT_EQ(o.get_accName(Child(CHILDID_SELF), &name), RPC_E_DISCONNECTED);
    EXPECT_EQ(o.get_accName(Child(1), &name), RPC_E_DISCONNECTED);
    EXPECT_EQ(o.get_accChildCount(&count), RPC_E_DISCONNECTED);
    EXPECT_EQ(o.get_accRole(Child(1), &v), RPC_E_DISCONNECTED);
    EXPECT_EQ(o.get_accFocus(&v), RPC_E_DISCONNECTED);
    EXPECT_EQ(o.accLocation(&l, &t, &w, &h, Child(1)), RPC_E_DISCONNECTED);
    EXPECT_EQ(o.accHitTest(0, 0, &v), RPC_E_DISCONNECTED);
    IDispatch* parent = nullptr;
    EXPECT_EQ(o.get_accParent(&parent), RPC_E_DISCONNECTED);
    EXPECT_EQ(name, nullptr);
    if (gone) continue;
    ::SetPropW(page, L"Dorvane.WindowObject", bound);
    EXPECT_EQ(o.get_accChildCount(&count), S_OK);
  }
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
