#include "report/win32/gdi_canvas.h"

#include <cstddef>

#include "base/system_time_win32.h"
#include "win/handles.h"

namespace {

// The size of NONCLIENTMETRICSW without iPaddedBorderWidth: every version of
// Windows accepts it, where the full size fails before Vista.
constexpr UINT kNonClientMetricsSize = 500;
static_assert(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth) == kNonClientMetricsSize,
              "the caption font lies within the first 500 bytes");

constexpr int kLabelPoints = 8;
constexpr int kDateLabelCapacity = 20;

RECT ToRect(const DeviceRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

UINT DrawTextFlags(TextAlign align) {
  switch (align) {
    case TextAlign::kRight:
      return DT_RIGHT;
    case TextAlign::kCenter:
      return DT_CENTER;
    case TextAlign::kTopLeft:
      // Without DT_SINGLELINE, DT_VCENTER has no effect: the name stays at
      // the top of its box, where the legend has always shown it.
      return DT_VCENTER;
  }
  return 0;
}

void Play(HDC dc, const Primitive& p) {
  RECT rect = ToRect(p.rect);
  switch (p.kind) {
    case PrimitiveKind::kFillRect: {
      OwnedBrush brush(::CreateSolidBrush(p.color));
      ::FillRect(dc, &rect, brush.Get());
      break;
    }
    case PrimitiveKind::kRectangle: {
      OwnedBrush brush(::CreateSolidBrush(p.color));
      ScopedSelect selected(dc, brush.Get());
      ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
      break;
    }
    case PrimitiveKind::kFrameRect: {
      OwnedBrush brush(::CreateSolidBrush(p.color));
      ::FrameRect(dc, &rect, brush.Get());
      break;
    }
    case PrimitiveKind::kLine:
      ::MoveToEx(dc, p.rect.left, p.rect.top, nullptr);
      ::LineTo(dc, p.rect.right, p.rect.bottom);
      break;
    case PrimitiveKind::kText:
      ::DrawTextW(dc, WStr(p.text), static_cast<int>(p.text.size()), &rect,
                  DrawTextFlags(p.align));
      break;
  }
}

}  // namespace

BOOL GetCaptionLogFont(LOGFONTW& font) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = kNonClientMetricsSize;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) {
    return FALSE;
  }
  font = metrics.lfCaptionFont;
  return TRUE;
}

void PlayPrimitives(HDC dc, const PrimitiveList& primitives) {
  OwnedPen pen(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  ScopedSelect penSelected(dc, pen.Get());

  LOGFONTW description{};
  GetCaptionLogFont(description);
  // 8 points at the device's resolution: on a printer page the labels stay
  // 8 points tall however far the picture is enlarged.
  description.lfHeight = -::MulDiv(kLabelPoints, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  OwnedFont font(::CreateFontIndirectW(&description));
  ScopedSelect fontSelected(dc, font.Get());

  for (const Primitive& p : primitives) Play(dc, p);
}

Text FormatDateLabel(const LocalDateTime& day) {
  const SYSTEMTIME st = ToSystemTime(day);
  wchar_t buffer[kDateLabelCapacity] = {};
  const int written = ::GetDateFormatW(LOCALE_SYSTEM_DEFAULT, 0, &st, L"M'/'d' ('ddd')'", buffer,
                                       kDateLabelCapacity);
  if (written <= 0) return Text();
  return FromWStr(buffer);
}
