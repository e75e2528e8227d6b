#include "report/win32/report_charts.h"

#include "report/page_geometry.h"
#include "report/win32/gdi_canvas.h"
#include "win/handles.h"

bool CReportPage::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
  switch (msg) {
    case WM_PAINT:
      result = OnPaint();
      return true;
    case WM_GETOBJECT:
      return client_.Answer(hwnd_, *this, wParam, lParam, result);
    case WM_GETDLGCODE:
      // The arrows move the current day; Tab and Enter stay the dialog's.
      result = DLGC_WANTARROWS;
      return true;
    case WM_KEYDOWN:
      if (!OnKeyDown(wParam)) return false;
      result = 0;
      return true;
    case WM_SETFOCUS:
      // After the system's focus event for the window: the reader goes on
      // to the day.
      RaiseItemSelected(hwnd_, CurrentItem());
      InvalidateFocusRect();
      return false;
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      InvalidateFocusRect();
      return false;
    case WM_DESTROY:
      // A client may hold the object longer than the window lives.
      client_.Disconnect();
      return false;
    default:
      return false;
  }
}

LRESULT CReportPage::OnPaint() {
  PaintDC dc(hwnd_);
  DrawChart(dc.Get(), 1, 0, 0);
  // Shown only while the page has the focus, and hidden as the system hides
  // focus frames until the keyboard is used.
  if (::GetFocus() == hwnd_ && !(SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS)) {
    const RECT frame = FocusRect();
    ::DrawFocusRect(dc.Get(), &frame);
  }
  return 0;
}

bool CReportPage::OnKeyDown(WPARAM key) {
  int to = -1;
  switch (key) {
    case VK_DOWN:
      to = ItemBeside(*this, CurrentItem(), NAVDIR_NEXT);
      break;
    case VK_UP:
      to = ItemBeside(*this, CurrentItem(), NAVDIR_PREVIOUS);
      break;
    case VK_RIGHT:
      to = ItemBeside(*this, CurrentItem(), NAVDIR_RIGHT);
      break;
    case VK_LEFT:
      to = ItemBeside(*this, CurrentItem(), NAVDIR_LEFT);
      break;
    case VK_HOME:
      to = 0;
      break;
    case VK_END:
      to = ItemCount() - 1;
      break;
    default:
      return false;
  }
  if (to >= 0) SelectItem(to);
  return true;
}

Text CReportPage::ItemName(int day) const {
  return DescribeDay(reportDate_, day, data_.catalogue, data_.store.Records(), textStep_);
}

RECT CReportPage::ItemRect(int day) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const DayRow row = DayRowAt(day, client.right - client.left);
  return RECT{row.x0, row.y, row.x0 + chart::kBandWidth, row.y + chart::kBandHeight};
}

int CReportPage::CurrentItem() const {
  // The report date lies in the first week, on its weekday's row.
  return current_ >= 0 ? current_ : reportDate_.wDayOfWeek % chart::kRowsPerColumn;
}

void CReportPage::SelectItem(int day) {
  if (day < 0 || day >= ItemCount() || day == CurrentItem()) return;
  InvalidateFocusRect();
  current_ = day;
  InvalidateFocusRect();
  RaiseItemSelected(hwnd_, day);
}

void CReportPage::DaysChanged() {
  current_ = -1;
  if (!client_.Asked()) return;
  for (int day = 0; day < ItemCount(); ++day) RaiseItemNameChange(hwnd_, day);
  if (::GetFocus() == hwnd_) RaiseItemSelected(hwnd_, CurrentItem());
}

RECT CReportPage::FocusRect() const {
  RECT frame = ItemRect(CurrentItem());
  ::InflateRect(&frame, 2, 2);
  return frame;
}

void CReportPage::InvalidateFocusRect() const {
  const RECT frame = FocusRect();
  ::InvalidateRect(hwnd_, &frame, FALSE);
}

int CReportPage::DrawChart(HDC dc, int scale, int offsetX, int offsetY) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ChartView view;
  view.clientWidth = client.right - client.left;
  view.clientHeight = client.bottom - client.top;
  view.mapping = DeviceMapping{scale, offsetX, offsetY};
  view.reportDate = reportDate_;
  PlayPrimitives(dc, LayoutChart(view, data_.catalogue, data_.store.Records(), FormatDateLabel,
                                 step_));
  return 0;
}

void CReportPage::DrawOnPage(HDC dc) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const PageGeometry g = FitPage(::GetDeviceCaps(dc, HORZRES), ::GetDeviceCaps(dc, VERTRES),
                                 client.right - client.left, client.bottom - client.top);
  if (g.blank) return;  // a window without area has no scale
  DrawChart(dc, g.scale, g.x0, g.y0);
}
