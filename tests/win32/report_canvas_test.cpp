// The GDI canvas that plays the report's primitives: what lands on which
// pixel, and what the drawing leaves behind in the DC (nothing).
#include "report/win32/gdi_canvas.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/dates.h"
#include "support/dib_surface.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

Primitive Make(PrimitiveKind kind, DeviceRect rect, uint32_t colour) {
  Primitive p;
  p.kind = kind;
  p.rect = rect;
  p.color = colour;
  return p;
}

Primitive MakeText(DeviceRect box, const char16_t* text, TextAlign align) {
  Primitive p;
  p.kind = PrimitiveKind::kText;
  p.rect = box;
  p.text = text;
  p.align = align;
  return p;
}

TEST(GdiCanvas, ShapesLandOnTheirPixelsWithAOnePixelBlackPen) {
  DibSurface c(120, 80, kWhite);
  c.Fill(kBlue);
  PrimitiveList list = {
      Make(PrimitiveKind::kFillRect, {10, 10, 20, 20}, 0x0000FF),    // red, no outline
      Make(PrimitiveKind::kRectangle, {30, 10, 40, 20}, 0x0000FF),   // red inside the black pen
      Make(PrimitiveKind::kFrameRect, {50, 10, 60, 20}, 0x000000),   // a one-pixel frame only
      Make(PrimitiveKind::kRectangle, {70, 10, 70, 20}, 0x0000FF),   // zero width: nothing
  };
  Primitive tick;
  tick.kind = PrimitiveKind::kLine;
  tick.rect = {90, 14, 90, 10};  // from (90, 14) up to (90, 10), the end excluded
  list.push_back(tick);
  PlayPrimitives(c.Dc(), list);

  EXPECT_EQ(c.CountOther(10, 10, 20, 20, kRed), 0) << "FillRect covers left..right-1";
  EXPECT_EQ(c.At(9, 15), kBlue);
  EXPECT_EQ(c.At(20, 15), kBlue);
  EXPECT_EQ(c.At(15, 20), kBlue);

  for (int x = 30; x < 40; ++x) {
    EXPECT_EQ(c.At(x, 10), kBlack) << x;
    EXPECT_EQ(c.At(x, 19), kBlack) << x;
  }
  for (int y = 10; y < 20; ++y) {
    EXPECT_EQ(c.At(30, y), kBlack) << y;
    EXPECT_EQ(c.At(39, y), kBlack) << y;
  }
  EXPECT_EQ(c.CountOther(31, 11, 39, 19, kRed), 0) << "the fill inside the outline";
  EXPECT_EQ(c.At(40, 15), kBlue) << "the right edge is exclusive";
  EXPECT_EQ(c.At(35, 20), kBlue) << "the bottom edge is exclusive";

  EXPECT_EQ(c.At(50, 15), kBlack);
  EXPECT_EQ(c.At(59, 15), kBlack);
  EXPECT_EQ(c.At(55, 10), kBlack);
  EXPECT_EQ(c.CountOther(51, 11, 59, 19, kBlue), 0) << "FrameRect leaves the inside alone";

  EXPECT_EQ(c.CountOther(68, 8, 73, 22, kBlue), 0) << "a zero-width bar draws nothing";

  for (int y = 11; y <= 14; ++y) EXPECT_EQ(c.At(90, y), kBlack) << y;
  EXPECT_EQ(c.At(90, 10), kBlue) << "LineTo leaves out the last point";
  EXPECT_EQ(c.At(91, 12), kBlue) << "one pixel wide";
}

TEST(GdiCanvas, TextStaysInItsBoxOnAnOpaqueBackgroundAndFollowsItsAlignment) {
  DibSurface c(300, 60, kWhite);
  c.Fill(kRed);
  const DeviceRect right{10, 5, 110, 25};
  const DeviceRect topLeft{150, 5, 190, 25};  // too narrow for the name: cut at the box
  PlayPrimitives(c.Dc(), {MakeText(right, u"12/27 (日)", TextAlign::kRight),
                          MakeText(topLeft, u"とても長い項目の名前です", TextAlign::kTopLeft)});

  // Ink and the opaque white background of the text, inside the boxes only.
  EXPECT_EQ(c.CountOther(0, 0, 300, 5, kRed), 0);
  EXPECT_EQ(c.CountOther(0, 25, 300, 60, kRed), 0);
  EXPECT_EQ(c.CountOther(0, 0, 10, 60, kRed), 0);
  EXPECT_EQ(c.CountOther(110, 0, 150, 60, kRed), 0);
  EXPECT_EQ(c.CountOther(190, 0, 300, 60, kRed), 0) << "a long name is cut at the box";

  // Right-aligned: the text ends at the box's right edge, the left part of
  // the box stays as it was. The background is the DC's default: opaque white.
  EXPECT_GT(c.CountOther(90, 5, 110, 25, kRed), 0);
  EXPECT_EQ(c.CountOther(10, 5, 30, 25, kRed), 0);
  int white = 0;
  int black = 0;
  for (int y = 5; y < 25; ++y) {
    for (int x = 10; x < 110; ++x) {
      white += c.At(x, y) == kWhite;
      black += c.At(x, y) == kBlack;
    }
  }
  EXPECT_GT(white, 50) << "opaque background behind the label";
  EXPECT_GT(black, 10) << "black text";
  // Top-left: the name starts at the box's left edge and top.
  EXPECT_GT(c.CountOther(150, 5, 160, 25, kRed), 0);
}

TEST(GdiCanvas, TheDcGetsBackItsOwnPenBrushAndFont) {
  DibSurface c(50, 50, kWhite);
  HGDIOBJ pen = ::GetCurrentObject(c.Dc(), OBJ_PEN);
  HGDIOBJ brush = ::GetCurrentObject(c.Dc(), OBJ_BRUSH);
  HGDIOBJ font = ::GetCurrentObject(c.Dc(), OBJ_FONT);
  PlayPrimitives(c.Dc(), {Make(PrimitiveKind::kRectangle, {1, 1, 9, 9}, 0x00FF00),
                          MakeText({0, 10, 50, 30}, u"3", TextAlign::kCenter)});
  EXPECT_EQ(::GetCurrentObject(c.Dc(), OBJ_PEN), pen);
  EXPECT_EQ(::GetCurrentObject(c.Dc(), OBJ_BRUSH), brush);
  EXPECT_EQ(::GetCurrentObject(c.Dc(), OBJ_FONT), font);
}

// What an enhanced metafile recorded of one drawing: the objects it created
// and deleted, by kind.
struct Recording {
  std::map<DWORD, int> records;  // EMR_* type -> count
  std::vector<EMRCREATEPEN> pens;
  std::vector<LOGFONTW> fonts;
  int created = 0;
  int deleted = 0;
};

int CALLBACK Collect(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM param) {
  auto* r = reinterpret_cast<Recording*>(param);
  ++r->records[record->iType];
  switch (record->iType) {
    case EMR_CREATEPEN:
      r->pens.push_back(*reinterpret_cast<const EMRCREATEPEN*>(record));
      ++r->created;
      break;
    case EMR_EXTCREATEFONTINDIRECTW:
      r->fonts.push_back(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->elfw.elfLogFont);
      ++r->created;
      break;
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEDIBPATTERNBRUSHPT:
      ++r->created;
      break;
    case EMR_DELETEOBJECT:
      ++r->deleted;
      break;
    default:
      break;
  }
  return 1;
}

Recording Record(const PrimitiveList& list, HDC reference) {
  HDC dc = ::CreateEnhMetaFileW(reference, nullptr, nullptr, nullptr);
  EXPECT_NE(dc, nullptr);
  PlayPrimitives(dc, list);
  HENHMETAFILE emf = ::CloseEnhMetaFile(dc);
  Recording r;
  ::EnumEnhMetaFile(nullptr, emf, Collect, &r, nullptr);
  ::DeleteEnhMetaFile(emf);
  return r;
}

TEST(GdiCanvas, OnePenOneFontAndATemporaryBrushPerShapeAllDeleted) {
  PrimitiveList list;
  list.push_back(Make(PrimitiveKind::kFillRect, {0, 0, 100, 100}, 0xFFFFFF));
  for (int i = 0; i < 5; ++i) list.push_back(Make(PrimitiveKind::kRectangle, {i * 10, 0, i * 10 + 8, 20}, 0x0000FF * i));
  list.push_back(Make(PrimitiveKind::kFrameRect, {0, 30, 90, 50}, 0));
  list.push_back(MakeText({0, 60, 90, 80}, u"12/27 (日)", TextAlign::kRight));
  Primitive line;
  line.kind = PrimitiveKind::kLine;
  line.rect = {5, 40, 5, 36};
  list.push_back(line);

  WindowDC screen(nullptr);
  const Recording r = Record(list, screen.Get());
  ASSERT_EQ(r.pens.size(), 1u) << "one pen for the whole drawing";
  EXPECT_EQ(r.pens[0].lopn.lopnStyle, static_cast<UINT>(PS_SOLID));
  EXPECT_EQ(r.pens[0].lopn.lopnWidth.x, 1);
  EXPECT_EQ(r.pens[0].lopn.lopnColor, kBlack);
  ASSERT_EQ(r.fonts.size(), 1u) << "one font for the whole drawing";
  EXPECT_EQ(r.fonts[0].lfHeight, -::MulDiv(8, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72))
      << "8 points at the device's vertical resolution";
  LOGFONTW caption{};
  ASSERT_TRUE(GetCaptionLogFont(caption));
  EXPECT_STREQ(r.fonts[0].lfFaceName, caption.lfFaceName) << "the caption font's face";
  EXPECT_EQ(r.records.count(EMR_CREATEBRUSHINDIRECT) ? r.records.at(EMR_CREATEBRUSHINDIRECT) : 0, 7)
      << "a brush per filled or framed shape, none shared";
  EXPECT_EQ(r.deleted, r.created) << "every pen, brush and font is deleted";
}

TEST(DateLabel, MonthAndDayWithoutZerosAndTheSystemsShortWeekday) {
  // LOCALE_SABBREVDAYNAME1 is Monday, ... 7 is Sunday.
  auto weekday = [](LCTYPE type) {
    wchar_t name[32] = {};
    ::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, type, name, 32);
    return FromWStr(name);
  };
  const LocalDateTime friday = DTW(2010, 1, 1, 5);
  EXPECT_EQ(FormatDateLabel(friday), u"1/1 (" + weekday(LOCALE_SABBREVDAYNAME5) + u")");
  const LocalDateTime sunday = DTW(2009, 12, 27, 0, 23, 59);
  EXPECT_EQ(FormatDateLabel(sunday), u"12/27 (" + weekday(LOCALE_SABBREVDAYNAME7) + u")");
  const LocalDateTime invalid = DT(2010, 0, 1);  // month 0: the system refuses it, the label stays empty
  EXPECT_EQ(FormatDateLabel(invalid), u"");
}

}  // namespace
