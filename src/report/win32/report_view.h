// The report dialog's chart area: a tab control whose two tabs ("時刻",
// "集計") show the chart pages, and the date picker whose date the pages
// draw around. The dialog owns the controls and hands them over once they
// exist; this object shows the selected page and keeps the report date.
#pragma once

#include <windows.h>

#include "base/datetime.h"
#include "data/activity_data.h"
#include "report/win32/report_charts.h"

class CReportView {
 public:
  explicit CReportView(const ActivityData& data)
      : timeChart_(data, reportDate_), staticsChart_(data, reportDate_) {}

  // Subclasses the two page controls into the charts, adds one tab for each
  // (its item data is the page's window), shows the first and reads the
  // picker's date.
  void Attach(HWND tab, HWND timePage, HWND staticsPage, HWND datePicker);
  // The tab's and the picker's notifications; false for any other.
  bool OnNotify(const NMHDR& header, LRESULT& result);
  // Moves the picker and the pages by whole days; the weekday stays.
  void MoveWeek(int days);

  // The date last read from the picker: the charts show its week and the
  // week after.
  const LocalDateTime& ReportDate() const { return reportDate_; }
  const CReportTime& TimeChart() const { return timeChart_; }
  const CReportStatics& StaticsChart() const { return staticsChart_; }
  // The chart of the selected tab, or null.
  const CReportPage* SelectedChart() const;

 private:
  // The page of the selected tab (its item data), or null.
  HWND SelectedPage() const;
  void ReadReportDate();
  void InvalidatePages();

  // Process-wide like the report itself: the pages read it at every paint.
  LocalDateTime reportDate_;
  HWND tab_ = nullptr;
  HWND datePicker_ = nullptr;
  CReportTime timeChart_;
  CReportStatics staticsChart_;
};
