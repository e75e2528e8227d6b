// The report's two chart windows: the time chart (page 0, "時刻") and the
// per-day totals (page 1, "集計"). Each is a static control of the report
// dialog subclassed into its object; it takes WM_PAINT alone and draws
// itself afresh from the catalogue, the records and the report date at every
// paint. The same DrawChart serves the printer with a scale and an offset.
#pragma once

#include <windows.h>

#include "base/datetime.h"
#include "data/activity_data.h"
#include "report/chart_layout.h"
#include "win/window.h"

class CReportPage : public CWindowImpl {
 public:
  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;
  // BeginPaint, the chart at scale 1 at the window's origin, EndPaint.
  LRESULT OnPaint();

 protected:
  // data and reportDate are read at every drawing and must outlive the page.
  CReportPage(const ActivityData& data, const LocalDateTime& reportDate, DayStep step)
      : data_(data), reportDate_(reportDate), step_(step) {}

  // The whole chart for the window's client size, each logical point (x, y)
  // drawn at (offsetX + scale * x, offsetY + scale * y).
  int Draw(HDC dc, int scale, int offsetX, int offsetY) const;

 private:
  const ActivityData& data_;
  const LocalDateTime& reportDate_;
  DayStep step_;
};

class CReportTime : public CReportPage {
 public:
  CReportTime(const ActivityData& data, const LocalDateTime& reportDate)
      : CReportPage(data, reportDate, DrawDayBars) {}
  // Returns 0.
  int DrawChart(HDC dc, int scale, int offsetX, int offsetY) const {
    return Draw(dc, scale, offsetX, offsetY);
  }
};

class CReportStatics : public CReportPage {
 public:
  CReportStatics(const ActivityData& data, const LocalDateTime& reportDate)
      : CReportPage(data, reportDate, DrawDayTotals) {}
  // Returns 0.
  int DrawChart(HDC dc, int scale, const POINT* offset) const {
    return Draw(dc, scale, offset ? offset->x : 0, offset ? offset->y : 0);
  }
};
