#include "report/win32/report_charts.h"

#include "report/win32/gdi_canvas.h"
#include "win/handles.h"

bool CReportPage::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM /*wParam*/,
                                       LPARAM /*lParam*/, LRESULT& result) {
  if (msg != WM_PAINT) return false;
  result = OnPaint();
  return true;
}

LRESULT CReportPage::OnPaint() {
  PaintDC dc(hwnd_);
  Draw(dc.Get(), 1, 0, 0);
  return 0;
}

int CReportPage::Draw(HDC dc, int scale, int offsetX, int offsetY) const {
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
