// The two-week report page as a pure computation: the frame (background, two
// columns of seven day rows with date labels, the 24-hour band with ticks and
// odd-hour labels, the legend) filled row by row by a per-day step. The time
// chart fills a row with one bar per record (DrawDayBars); the totals page
// with one stacked bar of the day's per-item totals (DrawDayTotals).
//
// All positions are logical units, mapped to the device by DeviceMapping:
// on screen scale 1 and offset (0, 0), on a printer page the fitted scale and
// the page's origin.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/datetime.h"
#include "data/activity_record.h"
#include "data/item_catalogue.h"
#include "report/primitives.h"

namespace chart {
constexpr int kFirstColumnX = 80;   // left edge of the first column's band
constexpr int kHourWidth = 14;
constexpr int kBandWidth = 24 * kHourWidth;
constexpr int kBandHeight = 20;
constexpr int kFirstRowY = 40;
constexpr int kRowPitch = 40;
constexpr int kRowsPerColumn = 7;
constexpr int kDays = 2 * kRowsPerColumn;
constexpr int kLegendY = 330;        // items 0 to 8
constexpr int kLegendSecondY = 360;  // items 9 and later, on one row
constexpr int kLegendPerFirstRow = 9;
constexpr int kLegendX = 40;
constexpr int kLegendPitch = 90;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
}  // namespace chart

// The fourteen days of a page, ReportWeek and the week after it, and for
// each day the records that touch it. Built once per paint: the days come
// from fourteen AddDays steps, and the records are sorted onto the days in
// one walk that compares date fields only, so no record is converted through
// local time unless a day step needs its exact duration.
class ShownDays {
 public:
  explicit ShownDays(const LocalDateTime& reportDate);

  const LocalDateTime& Day(int i) const { return days_[static_cast<size_t>(i)]; }

  // Store indices, in store order, of the records that start or end on day i
  // or run through the whole of it (starting on an earlier date and ending
  // on a later one).
  const std::vector<int>& RecordsOn(int i) const { return onDay_[static_cast<size_t>(i)]; }

  void Collect(const std::vector<ActivityRecord>& records);

 private:
  std::array<LocalDateTime, chart::kDays> days_;
  std::array<uint64_t, chart::kDays> keys_{};
  std::array<std::vector<int>, chart::kDays> onDay_;
};

// What a per-day step reads besides the geometry: the catalogue, the whole
// record list and the candidates for the day (store indices in store order).
// The steps test every candidate themselves, so any superset of the records
// that touch the day in store order gives the same drawing.
struct DayRecords {
  const ItemCatalogue& catalogue;
  const std::vector<ActivityRecord>& records;
  const std::vector<int>& candidates;
};

// One day row of the page: its date and the top-left corner of its band, in
// logical units. Bars fill the band's height; nothing is clipped to its
// width.
struct DayRow {
  LocalDateTime day;
  int x0 = 0;
  int y = 0;
};

// Where day d (0 to 13) of a page whose client area is clientWidth wide has
// its row: the first column's seven days, then the second's, which follows
// the window's width. The drawing and the page's list of days for a screen
// reader both place a day here.
DayRow DayRowAt(int d, int clientWidth);

// A per-day step: draws one day row through the page's mapping.
using DayStep = void (*)(const DayRecords& in, const DayRow& row, const DeviceMapping& map,
                         PrimitiveList& out);

// One bar per record on the day, in store order, each in the colour of the
// last item of the record's name (white when no item has it). A record that
// runs over midnight gets a bar to 24:00 on its first date and from 00:00 on
// its last; a record that runs through a whole date (end after start) covers
// that date's band entirely.
void DrawDayBars(const DayRecords& in, const DayRow& row, const DeviceMapping& map,
                 PrimitiveList& out);

// The counted seconds of one day per item, indexed by catalogue position
// (seconds), and the catalogue index each position belongs to (order).
struct DayTotals {
  std::vector<double> seconds;
  std::vector<int> order;
};

// The day's totals before sorting: order is 0, 1, ..., M - 1.
DayTotals CountDay(const DayRecords& in, const LocalDateTime& day);

// Longest first by exchanges: position i swaps with each later position j
// whose total is strictly greater, so equal totals never swap directly with
// each other; seconds and order move together.
void SortLongestFirst(DayTotals& totals);

// The day's counted seconds per item (the first item of a record's name;
// items whose statistics flag is clear, and unknown names, count nothing),
// drawn as one stacked bar, longest total first.
void DrawDayTotals(const DayRecords& in, const DayRow& row, const DeviceMapping& map,
                   PrimitiveList& out);

// What the window supplies: its client size, the mapping to the device and
// the date chosen in the report.
struct ChartView {
  int clientWidth = 0;
  int clientHeight = 0;
  DeviceMapping mapping;
  LocalDateTime reportDate;
};

// The whole page in drawing order: background; per row the day step, the
// date label, the band outline, the ticks with the odd-hour labels; the
// legend last.
PrimitiveList LayoutChart(const ChartView& view, const ItemCatalogue& catalogue,
                          const std::vector<ActivityRecord>& records,
                          const DateLabelFormatter& formatLabel, DayStep step);
