// The fuzz targets' promises (support/record_properties.h) on generated
// inputs, a bounded number of them, in every unit run: natively through
// iconv, and under Wine through the Win32 code page 932 converter, which the
// fuzzer cannot reach (libFuzzer does not cross-build). The generator is
// seeded, so a failure repeats; the inputs are made of what the reader
// looks at (separators, quotes, NUL, digits, lead and trail bytes, bytes
// without a character), some of them tens of kilobytes long.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/codepage932.h"
#include "support/record_properties.h"

namespace {

class Inputs {
 public:
  explicit Inputs(unsigned seed) : random_(seed) {}

  // Mostly a few pieces; one input in 40 is long.
  std::string Bytes() {
    const size_t pieces = Pick(40) == 0 ? 2000 + Pick(8000) : Pick(40);
    std::string out;
    for (size_t i = 0; i < pieces; ++i) AppendPiece(out);
    return out;
  }

  Text Name() {
    const size_t length = Pick(20) == 0 ? 1020 + Pick(8) : Pick(12);
    Text out;
    while (out.size() < length) {
      switch (Pick(6)) {
        case 0:
          out.push_back(static_cast<char16_t>(Pick(0x10000)));
          break;
        case 1:
          out.push_back(static_cast<char16_t>(Pick(0x80)));
          break;
        case 2:
          out.push_back(u"\0 ,\"'\t\u3000\uFF5E\u301C\u00A5"[Pick(10)]);
          break;
        default: {
          // A character code page 932 has, found through the converter.
          const char pair[2] = {static_cast<char>(0x88 + Pick(8)), static_cast<char>(0x40 + Pick(0xBC))};
          out += DecodeCp932(std::string(pair, 2));
        }
      }
    }
    return out;
  }

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

  void AppendPiece(std::string& out) {
    static const char* const kPieces[] = {
        "\x89\xef\x8b\x63,2010/04/05 09:05,2010/04/05 10:30\r\n",  // 会議
        "A,2010/4/5 9:5,2010/4/5 10:30\n", ",", " ", "\t", "\r", "\n", "\r\n", "\"", "'",
        "\x81\x40", "/", ":", "2010", "65535", "65536", "00000000012"};
    switch (Pick(6)) {
      case 0:
        out.push_back(static_cast<char>(Pick(0x100)));
        break;
      case 1:
        out.push_back('\0');
        break;
      case 2:  // a lead byte and a trail byte, with or without a character
        out.push_back(static_cast<char>(Pick(2) ? 0x81 + Pick(0x1F) : 0xE0 + Pick(0x1D)));
        out.push_back(static_cast<char>(0x40 + Pick(0xBD)));
        break;
      default:
        out += kPieces[Pick(sizeof kPieces / sizeof kPieces[0])];
    }
  }

  std::mt19937 random_;
};

constexpr int kInputs = 1500;

}  // namespace

TEST(RecordProperties, EveryFileIsRefusedOrReadWrittenAndReadBackUnchanged) {
  Inputs inputs(20101);
  for (int i = 0; i < kInputs; ++i) {
    const std::string bytes = inputs.Bytes();
    const char* broken = record_properties::RecordFilePromiseBroken(bytes);
    ASSERT_EQ(broken, nullptr) << broken << " (input " << i << ", " << bytes.size() << " bytes)";
  }
}

TEST(RecordProperties, EveryNameIsRefusedOrWrittenAndReadBackUnchanged) {
  Inputs inputs(20102);
  for (int i = 0; i < 2 * kInputs; ++i) {
    const Text name = inputs.Name();
    const char* broken = record_properties::NamePromiseBroken(name);
    ASSERT_EQ(broken, nullptr) << broken << " (input " << i << ")";
  }
}

// The converter takes whole buffers; a buffer it rejects goes through tables
// built from it one unit at a time. Both paths must agree on every buffer:
// a byte without a character in front (0x80) sends the same bytes down the
// table path, an unencodable U+FFFF in front the same text.
TEST(RecordProperties, WholeBufferAndUnitByUnitConversionsAgree) {
  Inputs inputs(20103);
  for (int i = 0; i < kInputs; ++i) {
    const std::string bytes = inputs.Bytes();
    const Text decoded = DecodeCp932(bytes);
    ASSERT_EQ(DecodeCp932("\x80" + bytes), u"\uFFFD" + decoded) << "input " << i;

    const Text text = inputs.Name() + decoded.substr(0, 64);
    std::string whole, byUnit;
    const bool complete = EncodeCp932(text, whole);
    ASSERT_FALSE(EncodeCp932(u"\uFFFF" + text, byUnit));
    ASSERT_EQ(byUnit, "?" + whole) << "input " << i;
    if (complete) {
      ASSERT_EQ(DecodeCp932(whole), text) << "input " << i;
    }
  }
}
