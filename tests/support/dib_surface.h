// A drawing surface for GDI tests: a 32-bit top-down DIB section selected
// into a memory DC, its pixels read back as COLORREF.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/handles.h"

class DibSurface {
 public:
  DibSurface(int width, int height, COLORREF background) : width_(width), height_(height) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    dc_.Reset(::CreateCompatibleDC(nullptr));
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &bmi, DIB_RGB_COLORS, &bits_, nullptr, 0));
    old_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    Fill(background);
  }
  ~DibSurface() { ::SelectObject(dc_.Get(), old_); }
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  HDC Dc() const { return dc_.Get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Fill(COLORREF colour) {
    ::GdiFlush();
    auto* p = static_cast<uint32_t*>(bits_);
    const uint32_t bgr = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < width_ * height_; ++i) p[i] = bgr;
  }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const uint32_t p = static_cast<const uint32_t*>(bits_)[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Pixels in [left, right) x [top, bottom) that are not `colour`.
  int CountOther(int left, int top, int right, int bottom, COLORREF colour) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += At(x, y) != colour;
    return n;
  }

 private:
  int width_;
  int height_;
  OwnedDC dc_;
  OwnedBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};
