// The report pages as text, for a screen reader: what a page shows, in the
// order the eye reads it (the first column's seven days, then the second's),
// in Japanese. Built from the same days, records and totals as the drawing,
// so the text can never tell of a bar that is not there.
#pragma once

#include <vector>

#include "base/text.h"
#include "data/activity_record.h"
#include "data/item_catalogue.h"
#include "report/chart_layout.h"

// A per-day step of the text: what one day row shows, after its date.
using DayTextStep = void (*)(const DayRecords& in, const LocalDateTime& day, Text& out);

// The time chart's row: each bar in store order as the item's name, its
// start and its end ("作業 9:30〜11:45"), cut at midnight as the bars are;
// a record still open tells only its start ("作業 9:30から計測中").
void DescribeDayBars(const DayRecords& in, const LocalDateTime& day, Text& out);

// The totals' row: the day's counted total, then each counted item with
// time on the day, longest first as in the stacked bar, with its share of
// the total ("作業 1時間30分 (60%)").
void DescribeDayTotals(const DayRecords& in, const LocalDateTime& day, Text& out);

// The fourteen days of the report date's two weeks, one line each:
// "12月6日(日): ...。"
Text DescribeChart(const LocalDateTime& reportDate, const ItemCatalogue& catalogue,
                   const std::vector<ActivityRecord>& records, DayTextStep step);
