#include <errno.h>
#include <iconv.h>

#include "base/codepage932_platform.h"

namespace {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr const char* kUtf16 = "UTF-16BE";
#else
constexpr const char* kUtf16 = "UTF-16LE";
#endif

// One iconv descriptor per direction and thread, opened once: opening one
// costs more than converting a short text.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (IsOpen()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of in into out (capacity bytes at most); returns the bytes
  // written, or -1 at the first invalid or incomplete sequence.
  long Convert(const char* in, size_t inSize, char* out, size_t capacity) {
    if (!IsOpen()) return -1;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    char* outPtr = out;
    size_t inLeft = inSize;
    size_t outLeft = capacity;
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return -1;
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return -1;
    return static_cast<long>(outPtr - out);
  }

 private:
  bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

}  // namespace

namespace cp932_platform {

bool Encode(std::u16string_view text, std::string& out) {
  thread_local Converter encoder("CP932", kUtf16);
  // A UTF-16 unit becomes at most two bytes.
  out.resize(text.size() * 2);
  long written = encoder.Convert(reinterpret_cast<const char*>(text.data()),
                                 text.size() * sizeof(char16_t), &out[0], out.size());
  if (written < 0) return false;
  out.resize(static_cast<size_t>(written));
  return true;
}

bool Decode(std::string_view bytes, std::u16string& out) {
  thread_local Converter decoder(kUtf16, "CP932");
  // A byte becomes at most one UTF-16 unit.
  out.resize(bytes.size());
  long written = decoder.Convert(bytes.data(), bytes.size(), reinterpret_cast<char*>(&out[0]),
                                 out.size() * sizeof(char16_t));
  if (written < 0) return false;
  out.resize(static_cast<size_t>(written) / sizeof(char16_t));
  return true;
}

}  // namespace cp932_platform
