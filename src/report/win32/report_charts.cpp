#include "report/win32/report_charts.h"

#include <utility>

#include "report/page_geometry.h"
#include "report/win32/gdi_canvas.h"
#include "win/handles.h"

bool CReportPage::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
  if (msg == WM_GETOBJECT) {
    if (!AnswerClientObject(hwnd_, wParam, lParam, result)) return false;
    // What the client reads now is what a change is measured from.
    asked_ = true;
    announced_ = AccessibleValue();
    return true;
  }
  if (msg != WM_PAINT) return false;
  result = OnPaint();
  return true;
}

LRESULT CReportPage::OnPaint() {
  {
    PaintDC dc(hwnd_);
    DrawChart(dc.Get(), 1, 0, 0);
  }
  // A page shown again after the records changed paints them first.
  AnnounceIfChanged();
  return 0;
}

Text CReportPage::AccessibleValue() const {
  return DescribeChart(reportDate_, data_.catalogue, data_.store.Records(), textStep_);
}

void CReportPage::AnnounceIfChanged() {
  if (!asked_ || !hwnd_) return;
  Text now = AccessibleValue();
  if (now == announced_) return;
  announced_ = std::move(now);
  RaiseValueChange(hwnd_);
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
