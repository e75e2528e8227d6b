// The report's two chart windows: the time chart (page 0, "時刻") and the
// per-day totals (page 1, "集計"). Each is a static control of the report
// dialog subclassed into its object; it takes WM_PAINT alone and draws
// itself afresh from the catalogue, the records and the report date at every
// paint. Both are drawn through CReportPage alone, on screen and on paper;
// they differ only in the day step that fills a row.
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

  // The whole chart for the window's client size, each logical point (x, y)
  // drawn at (offsetX + scale * x, offsetY + scale * y). Returns 0.
  int DrawChart(HDC dc, int scale, int offsetX, int offsetY) const;
  // The chart on a printer page: enlarged by the largest whole factor that
  // fits the DC's printable area, centred; nothing when the window has no
  // area.
  void DrawOnPage(HDC dc) const;

 protected:
  // data and reportDate are read at every drawing and must outlive the page.
  CReportPage(const ActivityData& data, const LocalDateTime& reportDate, DayStep step)
      : data_(data), reportDate_(reportDate), step_(step) {}

 private:
  const ActivityData& data_;
  const LocalDateTime& reportDate_;
  DayStep step_;
};

class CReportTime : public CReportPage {
 public:
  CReportTime(const ActivityData& data, const LocalDateTime& reportDate)
      : CReportPage(data, reportDate, DrawDayBars) {}
};

class CReportStatics : public CReportPage {
 public:
  CReportStatics(const ActivityData& data, const LocalDateTime& reportDate)
      : CReportPage(data, reportDate, DrawDayTotals) {}
};
