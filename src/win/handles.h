// Every USER, GDI and kernel handle the program creates has exactly one owner
// that releases it. All owners live here, so a test build compiled with
// DORVANE_COUNT_HANDLES can count the live objects of each kind through them
// (Wine's GetGuiResources is a stub, so the count has to be our own).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

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
  Printer,    // OpenPrinterW, released with ClosePrinter
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

// Owns one handle; Traits gives its type, its kind and how to release it.
// A null handle (the failure value of every creating call used here) is
// never released or counted.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) { Reset(handle); }
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.Release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle(); }

  // Releases the handle held so far, then takes `handle`.
  void Reset(Handle handle = Handle()) {
    if (handle == handle_) return;
    if (handle_ != Handle()) {
      Traits::Close(handle_);
      DORVANE_HANDLE_CLOSED(Traits::kKind);
    }
    handle_ = handle;
    if (handle_ != Handle()) DORVANE_HANDLE_OPENED(Traits::kKind);
  }

  // Gives the handle up to the caller, who then owns it (e.g. a bitmap
  // handed to an image list).
  Handle Release() {
    Handle handle = handle_;
    if (handle_ != Handle()) DORVANE_HANDLE_CLOSED(Traits::kKind);
    handle_ = Handle();
    return handle;
  }

 private:
  Handle handle_ = Handle();
};

namespace handle_traits {
struct Icon {
  using Handle = HICON;
  static constexpr HandleKind kKind = HandleKind::Icon;
  static void Close(HICON h) { ::DestroyIcon(h); }
};
struct Menu {
  using Handle = HMENU;
  static constexpr HandleKind kKind = HandleKind::Menu;
  static void Close(HMENU h) { ::DestroyMenu(h); }
};
template <typename H, HandleKind K>
struct GdiObject {
  using Handle = H;
  static constexpr HandleKind kKind = K;
  static void Close(H h) { ::DeleteObject(h); }
};
struct MemoryDC {
  using Handle = HDC;
  static constexpr HandleKind kKind = HandleKind::MemoryDC;
  static void Close(HDC h) { ::DeleteDC(h); }
};
struct ImageList {
  using Handle = HIMAGELIST;
  static constexpr HandleKind kKind = HandleKind::ImageList;
  static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};
struct Kernel {
  using Handle = HANDLE;
  static constexpr HandleKind kKind = HandleKind::Kernel;
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct Global {
  using Handle = HGLOBAL;
  static constexpr HandleKind kKind = HandleKind::Global;
  static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct Printer {
  using Handle = HANDLE;
  static constexpr HandleKind kKind = HandleKind::Printer;
  static void Close(HANDLE h) { ::ClosePrinter(h); }
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
