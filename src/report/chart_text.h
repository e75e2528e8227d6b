// The report pages as text, for a screen reader: what one day row shows, in
// Japanese. Built from the same days, records and totals as the drawing, so
// the text can never tell of a bar that is not there; built for one day when
// that day is asked for, and bounded, so a day of thousands of records (or a
// client that asks again and again) costs one walk of the records and a short
// text.
#pragma once

#include <cstddef>
#include <vector>

#include "base/text.h"
#include "data/activity_record.h"
#include "data/item_catalogue.h"
#include "report/chart_layout.h"

// The most characters a day's text holds, its date and end included: room
// for the longest name a record file can give (and its times) with plenty
// to spare, far less than anyone would listen to.
constexpr size_t kDayTextLimit = 2048;

// The parts of one day row's text, each after a "、" but the first. A part is
// kept whole while the text, with room left for the count of what follows,
// stays within its limit; from the first part that does not fit on, parts
// are only counted.
class DayParts {
 public:
  DayParts(Text& out, size_t limit) : out_(out), limit_(limit) {}
  void Add(const Text& part);
  int Shown() const { return shown_; }
  int Omitted() const { return omitted_; }
  // Room kept for the end: "、ほか" and up to ten digits, "件" and "。".
  static constexpr size_t kTailRoom = 16;

 private:
  Text& out_;
  size_t limit_;
  int shown_ = 0;
  int omitted_ = 0;
};

// A per-day step of the text: the parts one day row shows, after its date.
using DayTextStep = void (*)(const DayRecords& in, const LocalDateTime& day, DayParts& out);

// The time chart's row: each bar in store order as the item's name, its
// start and its end ("作業 9:30〜11:45"), cut at midnight as the bars are;
// a record still open tells only its start ("作業 9:30から計測中"); a day
// without bars says so ("記録なし").
void DescribeDayBars(const DayRecords& in, const LocalDateTime& day, DayParts& out);

// The totals' row: the day's counted total, then each counted item with
// time on the day, longest first as in the stacked bar, with its share of
// the total ("作業 1時間30分 (60%)").
void DescribeDayTotals(const DayRecords& in, const LocalDateTime& day, DayParts& out);

// Day d (0 to 13) of the report date's two weeks as one text,
// "12月6日(日): ...。", at most kDayTextLimit characters: parts that do not
// fit are counted at the end ("、ほか12件", or "12件" when none fits).
Text DescribeDay(const LocalDateTime& reportDate, int d, const ItemCatalogue& catalogue,
                 const std::vector<ActivityRecord>& records, DayTextStep step);
