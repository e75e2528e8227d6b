// The fuzz targets' promises (support/record_properties.h) on a bounded
// number of generated inputs, in every unit run: natively through iconv, and
// under Wine through the Win32 code page 932 converter, which the fuzzer
// cannot reach (libFuzzer does not cross-build). The generator is seeded, so
// a failure repeats; inputs are made of what the reader looks at, and one in
// 40 is tens of kilobytes long.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "base/codepage932.h"
#include "support/record_properties.h"

namespace {

class Inputs {
 public:
  explicit Inputs(unsigned seed) : random_(seed) {}

  std::string Bytes() {
    static const std::string_view kPieces[] = {
        "\x89\xef\x8b\x63,2010/04/05 09:05,2010/04/05 10:30\r\n",  // 会議
        "A,2010/4/5 9:5,2010/4/5 10:30\n", ",", " ", "\t", "\r", "\n", "\"", "'", "\x81\x40",
        "/", ":", "65535", "65536", {"\0", 1}};
    const size_t pieces = Pick(40) == 0 ? 2000 + Pick(8000) : Pick(40);
    std::string out;
    for (size_t i = 0; i < pieces; ++i) {
      if (Pick(2)) {
        out += kPieces[Pick(sizeof kPieces / sizeof kPieces[0])];
      } else {  // any byte, often a lead byte, often with a trail byte
        out.push_back(static_cast<char>(Pick(3) ? 0x81 + Pick(0x7C) : Pick(0x100)));
        if (Pick(2)) out.push_back(static_cast<char>(0x40 + Pick(0xBD)));
      }
    }
    return out;
  }

  // A name as a file could give one, with any UTF-16 unit or NUL added.
  Text Name() {
    Text name = DecodeCp932(Bytes().substr(0, Pick(20) == 0 ? 3000 : 30));
    name.insert(Pick(name.size() + 1), 1, static_cast<char16_t>(Pick(3) ? Pick(0x10000) : 0));
    return name;
  }

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
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
    const char* broken = record_properties::NamePromiseBroken(inputs.Name());
    ASSERT_EQ(broken, nullptr) << broken << " (input " << i << ")";
  }
}

// The converter takes whole buffers; a buffer it rejects goes through tables
// built from it one unit at a time. Both must agree: a byte without a
// character (0x80) in front sends the same bytes down the table path, an
// unencodable U+FFFF in front the same text.
TEST(RecordProperties, WholeBufferAndUnitByUnitConversionsAgree) {
  Inputs inputs(20103);
  for (int i = 0; i < kInputs; ++i) {
    const std::string bytes = inputs.Bytes();
    ASSERT_EQ(DecodeCp932("\x80" + bytes), u"\uFFFD" + DecodeCp932(bytes)) << "input " << i;
    const Text text = inputs.Name();
    std::string whole, byUnit;
    const bool complete = EncodeCp932(text, whole);
    ASSERT_FALSE(EncodeCp932(u"\uFFFF" + text, byUnit));
    ASSERT_EQ(byUnit, "?" + whole) << "input " << i;
    ASSERT_TRUE(!complete || DecodeCp932(whole) == text) << "input " << i;
  }
}
