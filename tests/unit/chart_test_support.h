// Helpers for the report page tests: catalogues and records in one line, a
// fake date label, and a reader that splits a page's primitives into its
// background, fourteen rows and legend, checking the drawing order as it goes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "data/activity_record.h"
#include "data/item_catalogue.h"
#include "report/chart_layout.h"
#include "support/dates.h"
#include "support/records.h"

inline Text Ascii(const std::string& s) { return Text(s.begin(), s.end()); }

inline std::string Narrow(const Text& t) {
  std::string s;
  for (char16_t c : t) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return s;
}

// A date as the date picker hands it over: weekday filled in, noon.
inline LocalDateTime PickedDate(int y, int mo, int d) {
  return FromEpochSeconds(ToEpochSeconds(DT(y, mo, d, 12)));
}

struct TestItem {
  const char* name;
  uint32_t color;
  int32_t statics;
};

inline ItemCatalogue MakeCatalogue(std::initializer_list<TestItem> items) {
  ItemCatalogue c;
  for (const TestItem& item : items) {
    c.AddSlot(item.color, item.statics);
    c.AddName(Ascii(item.name));
  }
  return c;
}

// "2009-12-27 0": the day's date and its weekday, so a test can tell which
// day a row shows.
inline Text FakeLabel(const LocalDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %u", static_cast<unsigned>(t.wYear),
                static_cast<unsigned>(t.wMonth), static_cast<unsigned>(t.wDay),
                static_cast<unsigned>(t.wDayOfWeek));
  return Ascii(buf);
}

struct ChartRow {
  std::vector<Primitive> step;  // what the day step drew, in order
  Primitive label;
  Primitive band;
  std::vector<Primitive> ticks;       // 23 lines, hours 1 to 23
  std::vector<Primitive> hourLabels;  // 12 texts, hours 1, 3, ..., 23
};

struct ChartPage {
  Primitive background;
  std::vector<ChartRow> rows;  // 14: column 1 rows 0-6, then column 2
  std::vector<Primitive> legend;  // swatch, name, swatch, name, ...
};

inline bool Is(const Primitive& p, PrimitiveKind kind) { return p.kind == kind; }

// Reads the page in drawing order: one background fill; per row the step's
// rectangles, the right-aligned label, the band outline, then per hour a tick
// and (odd hours) a centred label; the legend last as swatch and name pairs.
inline ::testing::AssertionResult ReadPage(const PrimitiveList& list, ChartPage& page) {
  page = ChartPage();
  size_t i = 0;
  auto fail = [&](const char* what) {
    return ::testing::AssertionFailure() << "primitive " << i << ": expected " << what;
  };
  if (list.empty() || !Is(list[0], PrimitiveKind::kFillRect)) return fail("background fill");
  page.background = list[i++];
  for (int r = 0; r < chart::kDays; ++r) {
    ChartRow row;
    while (i < list.size() && Is(list[i], PrimitiveKind::kRectangle)) row.step.push_back(list[i++]);
    if (i >= list.size() || !Is(list[i], PrimitiveKind::kText) || list[i].align != TextAlign::kRight)
      return fail("date label");
    row.label = list[i++];
    if (i >= list.size() || !Is(list[i], PrimitiveKind::kFrameRect)) return fail("band outline");
    row.band = list[i++];
    for (int h = 1; h <= 23; ++h) {
      if (i >= list.size() || !Is(list[i], PrimitiveKind::kLine)) return fail("hour tick");
      row.ticks.push_back(list[i++]);
      if (h % 2 == 1) {
        if (i >= list.size() || !Is(list[i], PrimitiveKind::kText) ||
            list[i].align != TextAlign::kCenter)
          return fail("hour label");
        row.hourLabels.push_back(list[i++]);
      }
    }
    page.rows.push_back(row);
  }
  while (i < list.size()) {
    if (!Is(list[i], PrimitiveKind::kRectangle)) return fail("legend swatch");
    page.legend.push_back(list[i++]);
    if (i >= list.size() || !Is(list[i], PrimitiveKind::kText) ||
        list[i].align != TextAlign::kTopLeft)
      return fail("legend name");
    page.legend.push_back(list[i++]);
  }
  return ::testing::AssertionSuccess();
}

inline DeviceRect R(int l, int t, int r, int b) { return DeviceRect{l, t, r, b}; }

inline std::ostream& operator<<(std::ostream& os, const DeviceRect& r) {
  return os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

// The step's rectangles of a row as (left, right) spans relative to x0 with
// their colours, the shape most assertions need.
struct Span {
  int left;
  int right;
  uint32_t color;
};

inline bool operator==(const Span& a, const Span& b) {
  return a.left == b.left && a.right == b.right && a.color == b.color;
}

inline std::ostream& operator<<(std::ostream& os, const Span& s) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "[%d..%d #%06X]", s.left, s.right, static_cast<unsigned>(s.color));
  return os << buf;
}

inline std::vector<Span> Spans(const ChartRow& row, int x0) {
  std::vector<Span> spans;
  for (const Primitive& p : row.step) spans.push_back(Span{p.rect.left - x0, p.rect.right - x0, p.color});
  return spans;
}

// Lays out a page at scale 1, offset (0, 0) and reads it; on a broken order
// the test fails and the page is empty.
inline ChartPage Page(DayStep step, const LocalDateTime& reportDate, const ItemCatalogue& catalogue,
                      const std::vector<ActivityRecord>& records, int width = 833,
                      int height = 438) {
  ChartView view;
  view.clientWidth = width;
  view.clientHeight = height;
  view.reportDate = reportDate;
  ChartPage page;
  EXPECT_TRUE(ReadPage(LayoutChart(view, catalogue, records, FakeLabel, step), page));
  return page;
}

// x0 of row i at a client width.
inline int RowX0(int i, int width = 833) {
  return i < chart::kRowsPerColumn ? 80 : 80 + width / 2;
}
