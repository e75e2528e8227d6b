// The report's two chart windows: the time chart (page 0, "時刻") and the
// per-day totals (page 1, "集計"). Each is a static control of the report
// dialog subclassed into its object; it takes WM_PAINT and draws itself
// afresh from the catalogue, the records and the report date at every paint.
// Both are drawn through CReportPage alone, on screen and on paper; they
// differ only in the day step that fills a row. For a screen reader each
// also answers WM_GETOBJECT: its name is its tab's text, its value the
// page's days as text, made by the day step's counterpart in words.
#pragma once

#include <windows.h>

#include "base/datetime.h"
#include "data/activity_data.h"
#include "report/chart_layout.h"
#include "report/chart_text.h"
#include "report/win32/page_accessible.h"
#include "win/window.h"

class CReportPage : public CWindowImpl, public AccessibleSource {
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

  // The tab's text, and the page's days as text.
  Text AccessibleName() const override { return name_; }
  Text AccessibleValue() const override;
  // Raises EVENT_OBJECT_VALUECHANGE when the value differs from the one a
  // client last had. Only once a client has asked: a run without a screen
  // reader never makes the text.
  void AnnounceIfChanged();

 protected:
  // data and reportDate are read at every drawing and must outlive the page.
  CReportPage(const ActivityData& data, const LocalDateTime& reportDate, const char16_t* name,
              DayStep step, DayTextStep textStep)
      : data_(data), reportDate_(reportDate), name_(name), step_(step), textStep_(textStep) {}

 private:
  const ActivityData& data_;
  const LocalDateTime& reportDate_;
  Text name_;
  DayStep step_;
  DayTextStep textStep_;
  bool asked_ = false;
  Text announced_;
};

class CReportTime : public CReportPage {
 public:
  CReportTime(const ActivityData& data, const LocalDateTime& reportDate)
      : CReportPage(data, reportDate, u"時刻", DrawDayBars, DescribeDayBars) {}
};

class CReportStatics : public CReportPage {
 public:
  CReportStatics(const ActivityData& data, const LocalDateTime& reportDate)
      : CReportPage(data, reportDate, u"集計", DrawDayTotals, DescribeDayTotals) {}
};
