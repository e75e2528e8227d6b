// The report's two chart windows: the time chart (page 0, "時刻") and the
// per-day totals (page 1, "集計"). Each is a static control of the report
// dialog subclassed into its object; it takes WM_PAINT and draws itself
// afresh from the catalogue, the records and the report date at every paint.
// Both are drawn through CReportPage alone, on screen and on paper; they
// differ only in the day step that fills a row. For the keyboard and a
// screen reader each is also a list of its fourteen days: it takes the
// focus (a tab stop), the arrow keys, Home and End move the current day
// (framed while the page has the focus), and WM_GETOBJECT answers with the
// list, named by its tab's text, whose items are the days, each named by the
// day step's counterpart in words.
#pragma once

#include <windows.h>

#include "base/datetime.h"
#include "data/activity_data.h"
#include "report/chart_layout.h"
#include "report/chart_text.h"
#include "report/win32/page_accessible.h"
#include "win/window.h"

class CReportPage : public CWindowImpl, public AccessibleList {
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

  // The list a screen reader reads: the tab's text, and the days.
  Text ListName() const override { return name_; }
  int ItemCount() const override { return chart::kDays; }
  Text ItemName(int day) const override;
  RECT ItemRect(int day) const override;  // the day's band
  int CurrentItem() const override;
  void SelectItem(int day) override;

  // The days shown changed (the report date moved): the current day becomes
  // the report date's, and clients that asked hear that the names changed.
  void DaysChanged();

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
  // The current day, or -1 for the report date's.
  int current_ = -1;
  ClientObject client_;

  // The frame around the current day's band, outside the band and its
  // label, so that a page without the focus looks as it always did.
  RECT FocusRect() const;
  void InvalidateFocusRect() const;
  bool OnKeyDown(WPARAM key);
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
