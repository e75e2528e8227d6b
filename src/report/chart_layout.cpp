#include "report/chart_layout.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "base/checked.h"

namespace {

// Year, month and day packed so that comparing keys compares the three
// fields in that order; nothing else of the value takes part.
uint64_t DateKey(const LocalDateTime& t) {
  return (static_cast<uint64_t>(t.wYear) << 32) | (static_cast<uint64_t>(t.wMonth) << 16) |
         t.wDay;
}

// A record that starts on an earlier date and ends on a later one runs
// through the whole day. Such a record necessarily ends after it starts; one
// whose end lies before its start never runs through a day.
bool RunsThrough(const ActivityRecord& r, uint64_t dayKey) {
  return DateKey(r.start) < dayKey && dayKey < DateKey(r.end);
}

// The day's date at the given hour, 0 minutes, 0 seconds. Hour 24 is
// normalised by the local-time conversion to the next day's 00:00.
LocalDateTime AtClock(const LocalDateTime& day, int hour) {
  LocalDateTime t;
  t.wYear = day.wYear;
  t.wMonth = day.wMonth;
  t.wDay = day.wDay;
  t.wHour = static_cast<uint16_t>(hour);
  return t;
}

// Position of a clock time on the band: whole units, one unit being 60/14
// minutes; seconds play no part.
int64_t ClockUnits(const LocalDateTime& t) {
  constexpr int64_t kHourWidth = chart::kHourWidth;
  return kHourWidth * t.wHour + (kHourWidth * t.wMinute) / 60;
}

// trunc() of a bar position in units. Totals come from user data: overlapping
// or reversed records can make them huge, so the value is held within a range
// the mapping can still take before the cast (which would otherwise be
// undefined).
int64_t TruncUnits(double units) {
  constexpr double kLimit = 1e15;
  if (!(units > -kLimit)) return static_cast<int64_t>(-kLimit);
  if (!(units < kLimit)) return static_cast<int64_t>(kLimit);
  return static_cast<int64_t>(units);
}

// The number labels above the odd-hour ticks, as "%d" gives them.
const char16_t* const kOddHourLabels[12] = {u"1",  u"3",  u"5",  u"7",  u"9",  u"11",
                                            u"13", u"15", u"17", u"19", u"21", u"23"};

// The fixed part of one day row, drawn after the day step so the outline and
// the ticks stay visible over the bars.
void AddRowFrame(const DeviceMapping& map, int x0, int y, Text label, PrimitiveList& out) {
  using namespace chart;
  AddText(out, map.Rect(x0 - 80, y + 5, x0 - 5, y + 20), std::move(label), TextAlign::kRight);
  AddFrameRect(out, map.Rect(x0, y, x0 + kBandWidth, y + kBandHeight), kBlack);
  for (int h = 1; h <= 23; ++h) {
    const int x = x0 + kHourWidth * h;
    AddLine(out, map.X(x), map.Y(y + 4), map.X(x), map.Y(y));
    if (h % 2 == 1) {
      AddText(out, map.Rect(x - 8, y - 11, x + 8, y), kOddHourLabels[h / 2],
              TextAlign::kCenter);
    }
  }
}

void AddLegend(const DeviceMapping& map, const ItemCatalogue& catalogue, PrimitiveList& out) {
  using namespace chart;
  for (int k = 0; k < catalogue.Count(); ++k) {
    // One wrap only: with many items the second row runs on to the right.
    const bool firstRow = k < kLegendPerFirstRow;
    const int y = firstRow ? kLegendY : kLegendSecondY;
    const int p = firstRow ? k : k - kLegendPerFirstRow;
    const int x = kLegendX + kLegendPitch * p;
    AddRectangle(out, map.Rect(x, y, x + 10, y + 20), catalogue.Color(k));
    AddText(out, map.Rect(x + 15, y + 5, x + 85, y + 20), catalogue.Name(k), TextAlign::kTopLeft);
  }
}

}  // namespace

ShownDays::ShownDays(const LocalDateTime& reportDate) {
  // The Sunday on or before the report date, then one AddDays step per row,
  // as the rows run on from the first column into the second.
  LocalDateTime day = reportDate;
  AddDays(day, -static_cast<int>(reportDate.wDayOfWeek));
  for (size_t i = 0; i < days_.size(); ++i) {
    days_[i] = day;
    keys_[i] = DateKey(day);
    AddDays(day, 1);
  }
}

void ShownDays::Collect(const std::vector<ActivityRecord>& records) {
  for (auto& list : onDay_) list.clear();
  const uint64_t first = keys_.front();
  const uint64_t last = keys_.back();
  const int count = static_cast<int>(records.size());
  for (int i = 0; i < count; ++i) {
    const ActivityRecord& r = records[static_cast<size_t>(i)];
    const uint64_t s = DateKey(r.start);
    const uint64_t e = DateKey(r.end);
    // Most of a long history lies wholly before (or after) the two weeks.
    if (std::max(s, e) < first || std::min(s, e) > last) continue;
    for (size_t d = 0; d < keys_.size(); ++d) {
      const uint64_t k = keys_[d];
      if (s == k || e == k || (s < k && k < e)) onDay_[d].push_back(i);
    }
  }
}

void DrawDayBars(const DayRecords& in, const DayRow& row, const DeviceMapping& map,
                 PrimitiveList& out) {
  const LocalDateTime& day = row.day;
  const uint64_t dayKey = DateKey(day);
  const int64_t fullDay = chart::kBandWidth;
  const int64_t top = row.y;
  const int64_t bottom = top + chart::kBandHeight;
  for (int index : in.candidates) {
    const ActivityRecord& r = CheckedAt(in.records, index);
    int64_t sx = 0;
    int64_t ex = 0;
    if (IsSameDate(r.start, day)) {
      sx = ClockUnits(r.start);
      ex = IsSameDate(r.end, r.start) ? ClockUnits(r.end) : fullDay;
    } else if (IsSameDate(r.end, day)) {
      sx = 0;
      ex = ClockUnits(r.end);
    } else if (RunsThrough(r, dayKey)) {
      // A weekend left running must not show as nothing in between.
      sx = 0;
      ex = fullDay;
    } else {
      continue;
    }
    const int item = in.catalogue.FindLastByName(r.name);
    const uint32_t color = item < 0 ? chart::kWhite : in.catalogue.Color(item);
    const int64_t left = row.x0;
    AddRectangle(out, map.Rect(left + sx, top, left + ex, bottom), color);
  }
}

DayTotals CountDay(const DayRecords& in, const LocalDateTime& day) {
  const int count = in.catalogue.Count();
  DayTotals totals;
  totals.seconds.assign(static_cast<size_t>(count), 0.0);
  totals.order.resize(static_cast<size_t>(count));
  std::iota(totals.order.begin(), totals.order.end(), 0);

  const uint64_t dayKey = DateKey(day);
  const LocalDateTime midnight = AtClock(day, 0);
  const LocalDateTime endOfDay = AtClock(day, 24);
  for (int index : in.candidates) {
    const ActivityRecord& r = CheckedAt(in.records, index);
    int item = -1;
    double seconds = 0.0;
    if (IsSameDate(r.start, day)) {
      item = in.catalogue.FindByName(r.name);
      if (item < 0 || in.catalogue.Statics(item) == 0) continue;
      // Each field is compared by itself, so an end on an earlier date can
      // still be cut at 24:00 (its day of month may be the greater one).
      const bool cut = r.end.wYear > day.wYear || r.end.wMonth > day.wMonth || r.end.wDay > day.wDay;
      seconds = SecondsBetween(r.start, cut ? endOfDay : r.end);
    } else if (IsSameDate(r.end, day)) {
      item = in.catalogue.FindByName(r.name);
      if (item < 0 || in.catalogue.Statics(item) == 0) continue;
      if (!IsEarlier(r.start, day)) continue;  // starts on a later date
      seconds = SecondsBetween(midnight, r.end);
    } else if (RunsThrough(r, dayKey)) {
      item = in.catalogue.FindByName(r.name);
      if (item < 0 || in.catalogue.Statics(item) == 0) continue;
      // 23 or 25 hours on a daylight-saving day, so that the days of a record
      // add up to its whole duration.
      seconds = SecondsBetween(midnight, endOfDay);
    } else {
      continue;
    }
    CheckedAt(totals.seconds, item) += seconds;
  }
  return totals;
}

void SortLongestFirst(DayTotals& totals) {
  const int count = static_cast<int>(totals.seconds.size());
  for (int i = 0; i + 1 < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      if (totals.seconds[static_cast<size_t>(j)] > totals.seconds[static_cast<size_t>(i)]) {
        std::swap(totals.seconds[static_cast<size_t>(i)], totals.seconds[static_cast<size_t>(j)]);
        std::swap(totals.order[static_cast<size_t>(i)], totals.order[static_cast<size_t>(j)]);
      }
    }
  }
}

void DrawDayTotals(const DayRecords& in, const DayRow& row, const DeviceMapping& map,
                   PrimitiveList& out) {
  DayTotals totals = CountDay(in, row.day);
  SortLongestFirst(totals);
  const int64_t left = row.x0;
  const int64_t top = row.y;
  const int64_t bottom = top + chart::kBandHeight;
  // Each boundary comes from the running sum of hours, so truncation never
  // accumulates; every item gets its segment, zero-width ones included.
  double hours = 0.0;
  for (size_t k = 0; k < totals.seconds.size(); ++k) {
    const double before = hours;
    hours = before + totals.seconds[k] / 3600.0;
    AddRectangle(out,
                 map.Rect(left + TruncUnits(before * chart::kHourWidth), top,
                          left + TruncUnits(hours * chart::kHourWidth), bottom),
                 in.catalogue.Color(totals.order[k]));
  }
}

DayRow DayRowAt(int d, int clientWidth) {
  using namespace chart;
  const int column = d / kRowsPerColumn;
  DayRow row;
  // Only the second column follows the window's width.
  row.x0 = column == 0 ? kFirstColumnX : kFirstColumnX + clientWidth / 2;
  row.y = kFirstRowY + kRowPitch * (d % kRowsPerColumn);
  return row;
}

PrimitiveList LayoutChart(const ChartView& view, const ItemCatalogue& catalogue,
                          const std::vector<ActivityRecord>& records,
                          const DateLabelFormatter& formatLabel, DayStep step) {
  using namespace chart;
  const DeviceMapping& map = view.mapping;
  PrimitiveList out;
  // Background, per row about 37 frame primitives, the legend; bars on top.
  out.reserve(1 + kDays * 40 + 2 * static_cast<size_t>(catalogue.Count()));

  AddFillRect(out, map.Rect(0, 0, view.clientWidth, view.clientHeight), kWhite);

  ShownDays days(view.reportDate);
  days.Collect(records);
  for (int d = 0; d < kDays; ++d) {
    DayRow row = DayRowAt(d, view.clientWidth);
    row.day = days.Day(d);
    Text label = formatLabel ? formatLabel(row.day) : Text();
    step(DayRecords{catalogue, records, days.RecordsOn(d)}, row, map, out);
    AddRowFrame(map, row.x0, row.y, std::move(label), out);
  }
  AddLegend(map, catalogue, out);
  return out;
}
