// The one owner of every handle the program creates, whatever the layer.
// Traits says what it owns:
//   using Handle = ...;            the handle's type
//   static void Close(Handle h);   releases it
//   static Handle Empty();         the value that is no handle
//   static void Opened();          told when an owner takes a handle
//   static void Closed();          told when an owner lets one go
// PlainHandle<H> gives the usual answers (a null handle is none, nothing is
// told); the window layer's owners count their handles through Opened and
// Closed in a test build (win/handles.h).
#pragma once

template <typename H>
struct PlainHandle {
  using Handle = H;
  static H Empty() { return H(); }
  static void Opened() {}
  static void Closed() {}
};

// Owns one handle. The empty value (the failure value of the creating call)
// is never released or told.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) { Reset(handle); }
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {
    if (handle_ != Traits::Empty()) Traits::Opened();
  }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Empty(); }

  // Releases the handle held so far, then takes `handle`.
  void Reset(Handle handle = Traits::Empty()) {
    if (handle == handle_) return;
    if (handle_ != Traits::Empty()) {
      Traits::Close(handle_);
      Traits::Closed();
    }
    handle_ = handle;
    if (handle_ != Traits::Empty()) Traits::Opened();
  }

  // Gives the handle up to the caller, who then owns it (e.g. a bitmap
  // handed to an image list, or a file whose closing reports an error).
  Handle Release() {
    Handle handle = handle_;
    if (handle_ != Traits::Empty()) Traits::Closed();
    handle_ = Traits::Empty();
    return handle;
  }

 private:
  Handle handle_ = Traits::Empty();
};
