#include "report/chart_text.h"

#include <cmath>

#include "base/checked.h"
#include "data/record_file.h"

// The first part of a day always fits: a record's name and its two times.
static_assert(kDayTextLimit > kMaxRecordNameUnits + 64, "a day's first part must fit");

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

}  // namespace

void DayParts::Add(const Text& part) {
  const size_t separator = shown_ > 0 ? 1 : 0;
  if (omitted_ > 0 || out_.size() + separator + part.size() + kTailRoom > limit_) {
    ++omitted_;
    return;
  }
  if (separator) out_ += u"、";
  out_ += part;
  ++shown_;
}

void DescribeDayBars(const DayRecords& in, const LocalDateTime& day, DayParts& out) {
  const int before = out.Shown() + out.Omitted();
  for (int index : in.candidates) {
    const ActivityRecord& r = CheckedAt(in.records, index);
    Text from;
    Text to;
    if (SameDate(r.start, day)) {
      from = ClockText(r.start);
      if (r.end == r.start) {
        Text part = r.name;
        part += u' ';
        part += from;
        part += u"から計測中";
        out.Add(part);
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
    Text part = r.name;
    part += u' ';
    part += from;
    part += u'〜';
    part += to;
    out.Add(part);
  }
  if (out.Shown() + out.Omitted() == before) out.Add(u"記録なし");
}

void DescribeDayTotals(const DayRecords& in, const LocalDateTime& day, DayParts& out) {
  DayTotals totals = CountDay(in, day);
  SortLongestFirst(totals);
  double sum = 0.0;
  for (double seconds : totals.seconds) sum += seconds;
  out.Add(u"合計 " + Duration(sum));
  for (size_t k = 0; k < totals.seconds.size(); ++k) {
    const double seconds = totals.seconds[k];
    const int item = totals.order[k];
    // Items not counted, and counted ones without time, have no width.
    if (in.catalogue.Statics(item) == 0 || static_cast<long long>(seconds / 60.0) == 0) continue;
    Text part = in.catalogue.Name(item) + u' ' + Duration(seconds);
    if (sum > 0.0 && seconds > 0.0) {
      part += FormatText(u" (%d%%)", static_cast<int>(std::lround(100.0 * seconds / sum)));
    }
    out.Add(part);
  }
}

Text DescribeDay(const LocalDateTime& reportDate, int d, const ItemCatalogue& catalogue,
                 const std::vector<ActivityRecord>& records, DayTextStep step) {
  if (d < 0 || d >= chart::kDays) return Text();
  ShownDays days(reportDate);
  days.Collect(records);
  const LocalDateTime& day = days.Day(d);
  Text out = FormatText(u"%d月%d日(%s): ", day.wMonth, day.wDay, kWeekdays[day.wDayOfWeek % 7]);
  DayParts parts(out, kDayTextLimit);
  step(DayRecords{catalogue, records, days.RecordsOn(d)}, day, parts);
  if (parts.Omitted() > 0) {
    out += FormatText(parts.Shown() > 0 ? u"、ほか%d件" : u"%d件", parts.Omitted());
  }
  out += u"。";
  return out;
}
