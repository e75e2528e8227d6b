// Every USER, GDI and kernel handle the program creates has exactly one owner
// that releases it: UniqueHandle (base/unique_handle.h) with the traits
// below. The window layer's owners live here, so a test build compiled with
// DORVANE_COUNT_HANDLES can count the live objects of each kind through them
// (Wine's GetGuiResources is a stub, so the count has to be our own). The
// file layer's handles are opened and closed within one call of base/files.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include "base/unique_handle.h"
#include "win/spooler.h"

enum class HandleKind {
  Icon,
  Menu,
  Brush,
  Pen,
  Font,
  Bitmap,
  MemoryDC,   // CreateCompatibleDC / CreateDCW, released with DeleteDC
  WindowDC,   // GetDC, released with ReleaseDC
  ImageList,
  Kernel,     // CloseHandle
  Global,     // GlobalAlloc (movable blocks), released with GlobalFree
  Printer,    // spooler::OpenPrinterW, released with spooler::ClosePrinter
  kCount
};

#ifdef DORVANE_COUNT_HANDLES
namespace handle_count {
void Opened(HandleKind kind);
void Closed(HandleKind kind);
// Handles of the kind that are owned right now.
long Live(HandleKind kind);
}  // namespace handle_count
#define DORVANE_HANDLE_OPENED(kind) handle_count::Opened(kind)
#define DORVANE_HANDLE_CLOSED(kind) handle_count::Closed(kind)
#else
#define DORVANE_HANDLE_OPENED(kind) ((void)0)
#define DORVANE_HANDLE_CLOSED(kind) ((void)0)
#endif

namespace handle_traits {
// The window layer's owners count their live handles of each kind.
template <typename H, HandleKind K>
struct Counted : PlainHandle<H> {
  static void Opened() { DORVANE_HANDLE_OPENED(K); }
  static void Closed() { DORVANE_HANDLE_CLOSED(K); }
};
struct Icon : Counted<HICON, HandleKind::Icon> {
  static void Close(HICON h) { ::DestroyIcon(h); }
};
struct Menu : Counted<HMENU, HandleKind::Menu> {
  static void Close(HMENU h) { ::DestroyMenu(h); }
};
template <typename H, HandleKind K>
struct GdiObject : Counted<H, K> {
  static void Close(H h) { ::DeleteObject(h); }
};
struct MemoryDC : Counted<HDC, HandleKind::MemoryDC> {
  static void Close(HDC h) { ::DeleteDC(h); }
};
struct ImageList : Counted<HIMAGELIST, HandleKind::ImageList> {
  static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};
struct Kernel : Counted<HANDLE, HandleKind::Kernel> {
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct Global : Counted<HGLOBAL, HandleKind::Global> {
  static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct Printer : Counted<HANDLE, HandleKind::Printer> {
  static void Close(HANDLE h) { spooler::ClosePrinter(h); }
};
}  // namespace handle_traits

using OwnedIcon = UniqueHandle<handle_traits::Icon>;      // LoadImageW without LR_SHARED, CreateIcon...
using OwnedMenu = UniqueHandle<handle_traits::Menu>;      // LoadMenuW, CreatePopupMenu
using OwnedBrush = UniqueHandle<handle_traits::GdiObject<HBRUSH, HandleKind::Brush>>;
using OwnedPen = UniqueHandle<handle_traits::GdiObject<HPEN, HandleKind::Pen>>;
using OwnedFont = UniqueHandle<handle_traits::GdiObject<HFONT, HandleKind::Font>>;
using OwnedBitmap = UniqueHandle<handle_traits::GdiObject<HBITMAP, HandleKind::Bitmap>>;
using OwnedDC = UniqueHandle<handle_traits::MemoryDC>;    // CreateCompatibleDC, CreateDCW
// A list view without LVS_SHAREIMAGELISTS destroys its image lists itself:
// Release() the owner when the list is handed over.
using OwnedImageList = UniqueHandle<handle_traits::ImageList>;
using OwnedKernelHandle = UniqueHandle<handle_traits::Kernel>;  // mutexes, files, processes
// A block that is kept locked must be unlocked before its owner frees it.
using OwnedGlobal = UniqueHandle<handle_traits::Global>;
using OwnedPrinter = UniqueHandle<handle_traits::Printer>;  // OpenPrinterW

// The DC of a window from GetDC, given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd);
  ~WindowDC();
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// BeginPaint ... EndPaint around a WM_PAINT handler.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
  ~PaintDC() { ::EndPaint(hwnd_, &ps_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC Get() const { return dc_; }
  const PAINTSTRUCT& Info() const { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects a pen, brush, font or bitmap into a DC for one scope and puts the
// previous object back at its end, so that the owner of the selected object
// can delete it (an object still selected into a DC cannot be deleted).
// Declare it after the owner of the object, so that it ends first.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelect() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};
