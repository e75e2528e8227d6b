#include "report/chart_text.h"

#include <cmath>

#include "base/checked.h"

namespace {

const char16_t* const kWeekdays[7] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};

bool SameDate(const LocalDateTime& a, const LocalDateTime& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

bool LaterDate(const LocalDateTime& a, const LocalDateTime& b) {
  if (a.wYear != b.wYear) return a.wYear > b.wYear;
  if (a.wMonth != b.wMonth) return a.wMonth > b.wMonth;
  return a.wDay > b.wDay;
}

Text ClockText(int hour, int minute) { return FormatText(u"%d:%02d", hour, minute); }
Text ClockText(const LocalDateTime& t) { return ClockText(t.wHour, t.wMinute); }

// Whole minutes, cut toward zero as the bars cut their units; a negative
// total (a reversed record) keeps its sign.
Text Duration(double seconds) {
  const long long minutes = static_cast<long long>(seconds / 60.0);
  const long long whole = minutes < 0 ? -minutes : minutes;
  const int hours = static_cast<int>(whole / 60);
  const int rest = static_cast<int>(whole % 60);
  Text out = minutes < 0 ? Text(u"マイナス") : Text();
  if (hours > 0) out += FormatText(u"%d時間", hours);
  if (rest > 0 || hours == 0) out += FormatText(u"%d分", rest);
  return out;
}

// The day's first part follows its date; every later one a "、".
void StartPart(Text& out, bool& first) {
  if (!first) out += u"、";
  first = false;
}

}  // namespace

void DescribeDayBars(const DayRecords& in, const LocalDateTime& day, Text& out) {
  bool first = true;
  for (int index : in.candidates) {
    const ActivityRecord& r = CheckedAt(in.records, index);
    Text from;
    Text to;
    if (SameDate(r.start, day)) {
      from = ClockText(r.start);
      if (r.end == r.start) {
        StartPart(out, first);
        out += r.name;
        out += u' ';
        out += from;
        out += u"から計測中";
        continue;
      }
      to = SameDate(r.end, r.start) ? ClockText(r.end) : Text(u"24:00");
    } else if (SameDate(r.end, day)) {
      from = u"0:00";
      to = ClockText(r.end);
    } else if (LaterDate(day, r.start) && LaterDate(r.end, day)) {
      from = u"0:00";
      to = u"24:00";
    } else {
      continue;
    }
    StartPart(out, first);
    out += r.name;
    out += u' ';
    out += from;
    out += u'〜';
    out += to;
  }
  if (first) out += u"記録なし";
}

void DescribeDayTotals(const DayRecords& in, const LocalDateTime& day, Text& out) {
  DayTotals totals = CountDay(in, day);
  SortLongestFirst(totals);
  double sum = 0.0;
  for (double seconds : totals.seconds) sum += seconds;
  out += u"合計 " + Duration(sum);
  for (size_t k = 0; k < totals.seconds.size(); ++k) {
    const double seconds = totals.seconds[k];
    const int item = totals.order[k];
    // Items not counted, and counted ones without time, have no width.
    if (in.catalogue.Statics(item) == 0 || static_cast<long long>(seconds / 60.0) == 0) continue;
    out += u"、";
    out += in.catalogue.Name(item);
    out += u' ';
    out += Duration(seconds);
    if (sum > 0.0 && seconds > 0.0) {
      out += FormatText(u" (%d%%)", static_cast<int>(std::lround(100.0 * seconds / sum)));
    }
  }
}

Text DescribeChart(const LocalDateTime& reportDate, const ItemCatalogue& catalogue,
                   const std::vector<ActivityRecord>& records, DayTextStep step) {
  ShownDays days(reportDate);
  days.Collect(records);
  Text out;
  for (int d = 0; d < chart::kDays; ++d) {
    const LocalDateTime& day = days.Day(d);
    if (d > 0) out += u"\n";
    out += FormatText(u"%d月%d日(%s): ", day.wMonth, day.wDay,
                      kWeekdays[day.wDayOfWeek % 7]);
    step(DayRecords{catalogue, records, days.RecordsOn(d)}, day, out);
    out += u"。";
  }
  return out;
}
