// The drawing of a report page as data: a list of primitives in device
// coordinates, in the order they must be drawn, so the layout is computed
// (and tested) without a device context and a GDI canvas plays it later.
//
// What the canvas supplies around the list, because the layout does not:
// one solid black pen of width 1 selected for the whole list (it outlines
// every kRectangle and draws every kLine), the 8-point caption font at the
// device's own vertical resolution (never multiplied by the scale), and the
// device context's default text colour and opaque background mode. Where a
// label of the second column overlaps the bands of the first, the pixels
// depend on that opaque background.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "base/datetime.h"
#include "base/text.h"

struct DeviceRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

inline bool operator==(const DeviceRect& a, const DeviceRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const DeviceRect& a, const DeviceRect& b) { return !(a == b); }

enum class PrimitiveKind : uint8_t {
  kFillRect,   // rect filled with color, no outline (FillRect with a solid brush)
  kRectangle,  // rect filled with color and outlined by the pen (Rectangle)
  kFrameRect,  // rect outlined one unit wide in color (FrameRect with a solid brush)
  kLine,       // from (rect.left, rect.top) to (rect.right, rect.bottom) with the pen
  kText,       // text in rect, clipped to it, aligned by align (DrawTextW)
};

enum class TextAlign : uint8_t {
  kRight,    // DT_RIGHT
  kCenter,   // DT_CENTER
  kTopLeft,  // DT_VCENTER alone: without DT_SINGLELINE the text stays at the top
};

struct Primitive {
  PrimitiveKind kind = PrimitiveKind::kFillRect;
  TextAlign align = TextAlign::kTopLeft;  // kText only
  DeviceRect rect;
  uint32_t color = 0;  // 0x00BBGGRR; not used by kLine and kText
  Text text;           // kText only
};

using PrimitiveList = std::vector<Primitive>;

// Turns a day into its row label. On Win32: GetDateFormatW with the picture
// "M'/'d' ('ddd')'"; an empty text when the formatting fails.
using DateLabelFormatter = std::function<Text(const LocalDateTime&)>;

// Logical units to device pixels: (offsetX + scale * x, offsetY + scale * y).
// Computed wide and pinned to the int range (before and after scaling), so
// absurd record data or a huge scale yields far-away rectangles rather than
// overflow.
struct DeviceMapping {
  int scale = 1;
  int offsetX = 0;
  int offsetY = 0;

  int X(int64_t x) const { return Pin(offsetX + static_cast<int64_t>(scale) * Pin(x)); }
  int Y(int64_t y) const { return Pin(offsetY + static_cast<int64_t>(scale) * Pin(y)); }
  DeviceRect Rect(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
    return DeviceRect{X(left), Y(top), X(right), Y(bottom)};
  }

 private:
  static int Pin(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int>(v);
  }
};

// Appenders, so every producer builds primitives the same way.
inline void AddBox(PrimitiveList& out, PrimitiveKind kind, DeviceRect rect, uint32_t color) {
  Primitive p;
  p.kind = kind;
  p.rect = rect;
  p.color = color;
  out.push_back(std::move(p));
}

inline void AddFillRect(PrimitiveList& out, DeviceRect rect, uint32_t color) {
  AddBox(out, PrimitiveKind::kFillRect, rect, color);
}

inline void AddRectangle(PrimitiveList& out, DeviceRect rect, uint32_t fillColor) {
  AddBox(out, PrimitiveKind::kRectangle, rect, fillColor);
}

inline void AddFrameRect(PrimitiveList& out, DeviceRect rect, uint32_t color) {
  AddBox(out, PrimitiveKind::kFrameRect, rect, color);
}

inline void AddLine(PrimitiveList& out, int fromX, int fromY, int toX, int toY) {
  Primitive p;
  p.kind = PrimitiveKind::kLine;
  p.rect = DeviceRect{fromX, fromY, toX, toY};
  out.push_back(std::move(p));
}

inline void AddText(PrimitiveList& out, DeviceRect box, Text text, TextAlign align) {
  Primitive p;
  p.kind = PrimitiveKind::kText;
  p.align = align;
  p.rect = box;
  p.text = std::move(text);
  out.push_back(std::move(p));
}
