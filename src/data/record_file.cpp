#include "data/record_file.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "base/codepage932.h"

// The reader works on the bytes. Everything but the names is ASCII, and
// every byte the syntax cares about (white space, comma, quotes, digits, '/',
// ':', LF) is below 0x40, where no second byte of a double-byte character
// lies; so the lines can be taken apart before decoding, and only the names
// are decoded: each distinct name once, all of them in one conversion. The
// result is what decoding the whole file and then reading its text would
// give.

namespace {

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// U+3000 IDEOGRAPHIC SPACE, white space to the C library's "%s".
constexpr unsigned char kIdeographicSpace[2] = {0x81, 0x40};
bool IsIdeographicSpace(unsigned char lead, unsigned char trail) {
  return lead == kIdeographicSpace[0] && trail == kIdeographicSpace[1];
}

// A number's field holds 16 bits.
constexpr uint32_t kFieldMax = 0xFFFF;
// What the decoder makes of a byte pair without a character.
constexpr char16_t kReplacementCharacter = 0xFFFD;

// Walks a line as the reader sees it after its normalisation: a comma reads
// as a space, double quotes and apostrophes are skipped as if removed. White
// space is what the C library's wide "%s" stops at among the characters of
// code page 932: tab, LF, VT, FF, CR, space and the ideographic space U+3000
// (bytes 81 40).
class LineCursor {
 public:
  explicit LineCursor(std::string_view line)
      : p_(reinterpret_cast<const unsigned char*>(line.data())), end_(p_ + line.size()) {}

  // The next byte, or 0 at the end of the line (a NUL inside a line is taken
  // as its end too, as the C library's scan would).
  unsigned char Peek() {
    while (p_ != end_ && (*p_ == '"' || *p_ == '\'')) ++p_;
    return p_ == end_ ? 0 : *p_;
  }
  // The byte after the one Peek saw, quotes included: the decoder sees them.
  unsigned char Following() const { return p_ + 1 < end_ ? p_[1] : 0; }
  void Advance(int n) { p_ += n; }

  // Bytes of the white space at the cursor, 0 when there is none.
  int SpaceLength() {
    unsigned char c = Peek();
    if (c == ' ' || c == ',' || (c >= 0x09 && c <= 0x0D)) return 1;
    return IsIdeographicSpace(c, Following()) ? 2 : 0;
  }

  void SkipSpace() {
    for (int n = SpaceLength(); n != 0; n = SpaceLength()) Advance(n);
  }

  // "%u" limited to the 16 bits of a field: white space, then one or more
  // digits. Leading zeros do not count against the limit.
  bool Number(uint16_t& value) {
    SkipSpace();
    unsigned char c = Peek();
    if (c < '0' || c > '9') return false;
    uint32_t v = 0;
    do {
      v = v * 10 + static_cast<uint32_t>(c - '0');
      if (v > kFieldMax) return false;
      Advance(1);
      c = Peek();
    } while (c >= '0' && c <= '9');
    value = static_cast<uint16_t>(v);
    return true;
  }

  bool Literal(char expected) {
    if (Peek() != static_cast<unsigned char>(expected)) return false;
    Advance(1);
    return true;
  }

 private:
  const unsigned char* p_;
  const unsigned char* end_;
};

// The name's bytes without quotes, up to the first white space. Fails for a
// name longer than the reader takes and for a first byte of a pair without
// its second. Bytes without a character are found when the names are
// decoded (as U+FFFD).
bool ScanName(LineCursor& in, std::string& name) {
  name.clear();
  size_t units = 0;
  for (unsigned char c = in.Peek(); c != 0 && in.SpaceLength() == 0; c = in.Peek()) {
    if (units == kMaxRecordNameUnits) return false;
    // A first byte takes its second byte with it, quote or not, as the
    // decoder would; without one it can only decode to U+FFFD.
    if (IsLeadByte(c)) {
      if (!IsTrailByte(in.Following())) return false;
      name.push_back(static_cast<char>(c));
      name.push_back(static_cast<char>(in.Following()));
      in.Advance(2);
    } else {
      name.push_back(static_cast<char>(c));
      in.Advance(1);
    }
    ++units;  // every character of code page 932, and U+FFFD, is one UTF-16 unit
  }
  return units != 0;
}

// The ten numbers of a line, in the order written: start year, month, day,
// hour, minute, then the same of the end.
constexpr int kLineNumbers = 10;
using LineNumbers = uint16_t[kLineNumbers];

// Ten numbers after the name, separated as in
// "%s %u/%u/%u %u:%u %u/%u/%u %u:%u". A space in the format matches any
// white space, which the number skips anyway; '/' and ':' must come next.
bool ScanTimes(LineCursor& in, LineNumbers& n) {
  static const char kSeparators[kLineNumbers] = {' ', '/', '/', ' ', ':', ' ', '/', '/', ' ', ':'};
  for (int i = 0; i < kLineNumbers; ++i) {
    if (kSeparators[i] != ' ' && !in.Literal(kSeparators[i])) return false;
    if (!in.Number(n[i])) return false;
  }
  return true;
}

// A line exactly as the writer writes it, "name,2010/04/05 09:05,...": a
// name without quotes or white space, then each number right after its one
// separator, and nothing after the last. Nearly every line of every file
// has this form, which the cursor would read the same way; so it is read
// here at the speed of the bytes, and any other line is left to the cursor.
bool ScanWrittenLine(const char* p, const char* stop, std::string_view& name, LineNumbers& n) {
  static const char kSeparators[kLineNumbers] = {',', '/', '/', ' ', ':', ',', '/', '/', ' ', ':'};
  const char* const begin = p;
  size_t units = 0;
  while (p != stop && *p != ',') {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (IsLeadByte(c)) {
      const unsigned char trail = stop - p >= 2 ? static_cast<unsigned char>(p[1]) : 0;
      if (!IsTrailByte(trail) || IsIdeographicSpace(c, trail)) return false;
      p += 2;
    } else {
      if (c <= ' ' || c == '"' || c == '\'') return false;
      ++p;
    }
    if (++units > kMaxRecordNameUnits) return false;
  }
  if (p == begin) return false;
  name = std::string_view(begin, static_cast<size_t>(p - begin));
  for (int i = 0; i < kLineNumbers; ++i) {
    if (p == stop || *p != kSeparators[i]) return false;
    const char* const digits = ++p;
    uint32_t v = 0;
    for (; p != stop && *p >= '0' && *p <= '9'; ++p) {
      v = v * 10 + static_cast<uint32_t>(*p - '0');
      if (v > kFieldMax) return false;
    }
    if (p == digits) return false;
    n[i] = static_cast<uint16_t>(v);
  }
  return p == stop;
}

void SetTimes(const LineNumbers& n, ActivityRecord& record) {
  record.start = LocalDateTime{};
  record.start.wYear = n[0];
  record.start.wMonth = n[1];
  record.start.wDay = n[2];
  record.start.wHour = n[3];
  record.start.wMinute = n[4];
  record.end = LocalDateTime{};
  record.end.wYear = n[5];
  record.end.wMonth = n[6];
  record.end.wDay = n[7];
  record.end.wHour = n[8];
  record.end.wMinute = n[9];
}

// Names are converted all together: joined by LFs into one text, converted
// in one conversion (one per record, or even per name, is the slow path),
// and split at the LFs again. LF is the same single unit in both encodings
// and never part of a double-byte character, so each piece is its part as
// converted alone; only a part that holds an LF itself spoils the split,
// and false is returned then.
constexpr char kNameSeparator = '\n';

template <typename Parts, typename Converted, typename Convert>
bool ConvertJoined(const Parts& parts, std::vector<Converted>& out, Convert convert) {
  using Unit = typename Parts::value_type::value_type;
  using ConvertedUnit = typename Converted::value_type;
  std::basic_string<Unit> joined;
  for (const auto& part : parts) {
    joined += part;
    joined.push_back(static_cast<Unit>(kNameSeparator));
  }
  Converted all;
  convert(std::basic_string_view<Unit>(joined), all);
  out.clear();
  out.reserve(parts.size());
  for (size_t pos = 0; pos < all.size();) {
    const size_t lf = all.find(static_cast<ConvertedUnit>(kNameSeparator), pos);
    if (lf == Converted::npos) break;
    out.emplace_back(all, pos, lf - pos);
    pos = lf + 1;
  }
  return out.size() == parts.size();
}

// The distinct names of a file, in the order first met.
class NameTable {
 public:
  uint32_t Add(std::string_view bytes, int lineNumber) {
    auto found = index_.find(bytes);
    if (found != index_.end()) return found->second;
    const uint32_t k = static_cast<uint32_t>(bytes_.size());
    bytes_.emplace_back(bytes);  // a deque never moves its strings: the key stays valid
    index_.emplace(bytes_.back(), k);
    firstLine_.push_back(lineNumber);
    return k;
  }

  // Decodes every name, all in one conversion. Returns the first line whose
  // name has a byte pair without a character (U+FFFD), or 0.
  int Decode() {
    const auto decode = [](std::string_view b, Text& t) { t = DecodeCp932(b); };
    // A count that does not agree leaves nothing to trust.
    if (!ConvertJoined(bytes_, decoded_, decode)) {
      decoded_.clear();
      for (const std::string& b : bytes_) decoded_.push_back(DecodeCp932(b));
    }
    int bad = 0;
    for (size_t k = 0; k < decoded_.size(); ++k) {
      const bool spoilt = decoded_[k].find(kReplacementCharacter) != Text::npos;
      if (spoilt && (bad == 0 || firstLine_[k] < bad)) bad = firstLine_[k];
    }
    return bad;
  }

  const Text& Name(uint32_t k) const { return decoded_[k]; }

 private:
  std::unordered_map<std::string_view, uint32_t> index_;
  std::deque<std::string> bytes_;
  std::vector<int> firstLine_;
  std::vector<Text> decoded_;
};

// Fewer bytes than a line as the writer writes it takes (two times of usual
// width are 34, the line end 2, and a name at least 1): a count of records
// to reserve that is seldom too small.
constexpr size_t kTypicalLineBytes = 32;

}  // namespace

int ParseRecordFile(std::string_view bytes, std::vector<ActivityRecord>& out) {
  std::vector<ActivityRecord> read;
  std::vector<uint32_t> nameOf;
  read.reserve(bytes.size() / kTypicalLineBytes + 1);
  nameOf.reserve(read.capacity());
  NameTable names;
  std::string scanned;
  int lineNumber = 0;
  int badLine = 0;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p != end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = lf ? lf : end;
    // A CR right before the LF belongs to the line end.
    if (lf && stop != p && stop[-1] == '\r') --stop;
    ++lineNumber;
    if (stop != p) {
      std::string_view name;
      LineNumbers n;
      if (!ScanWrittenLine(p, stop, name, n)) {
        LineCursor in(std::string_view(p, static_cast<size_t>(stop - p)));
        in.SkipSpace();
        if (!ScanName(in, scanned) || !ScanTimes(in, n)) {
          badLine = lineNumber;
          break;
        }
        name = scanned;
      }
      read.emplace_back();
      SetTimes(n, read.back());
      nameOf.push_back(names.Add(name, lineNumber));
    }
    p = lf ? lf + 1 : end;
  }
  const int badName = names.Decode();
  if (badName != 0 && (badLine == 0 || badName < badLine)) badLine = badName;
  if (badLine != 0) return badLine;

  for (size_t i = 0; i < nameOf.size(); ++i) read[i].name = names.Name(nameOf[i]);
  if (out.empty()) {
    out = std::move(read);
  } else {
    out.insert(out.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  }
  return 0;
}

namespace {

// ",%u/%02u/%02u %02u:%02u": a comma and five numbers of at most five digits
// each, with their separators.
constexpr size_t kTimeBytesMax = 5 * (1 + 5);
constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineEndBytes = sizeof kLineEnd - 1;
// What a line takes after its name when every field has its usual width:
// ",2010/04/05 09:05" twice and the line end.
constexpr size_t kUsualLineBytesAfterName = 2 * 17 + kLineEndBytes;

// "%u" (minDigits 1) or "%02u" (minDigits 2).
char* PutNumber(char* out, unsigned v, int minDigits) {
  if (v < 100 && minDigits == 2) {
    out[0] = static_cast<char>('0' + v / 10);
    out[1] = static_cast<char>('0' + v % 10);
    return out + 2;
  }
  char digits[5];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = n; i < minDigits; ++i) *out++ = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* PutTime(char* out, const LocalDateTime& t) {
  *out++ = ',';
  out = PutNumber(out, t.wYear, 1);
  *out++ = '/';
  out = PutNumber(out, t.wMonth, 2);
  *out++ = '/';
  out = PutNumber(out, t.wDay, 2);
  *out++ = ' ';
  out = PutNumber(out, t.wHour, 2);
  *out++ = ':';
  return PutNumber(out, t.wMinute, 2);
}

}  // namespace

// A history holds thousands of records under a dozen names, and everything
// but the names is ASCII. So the distinct names are converted together, and
// the lines are put together from bytes: converting the whole file would
// push megabytes of digits through the converter.
bool FormatRecordFile(const std::vector<ActivityRecord>& records, std::string& bytes) {
  std::unordered_map<std::u16string_view, size_t> nameIndex;
  std::vector<std::u16string_view> names;
  std::vector<size_t> nameOf;
  nameOf.reserve(records.size());
  for (const ActivityRecord& r : records) {
    auto inserted = nameIndex.emplace(r.name, names.size());
    if (inserted.second) names.emplace_back(r.name);
    nameOf.push_back(inserted.first->second);
  }
  bool complete = true;
  const auto encode = [&complete](std::u16string_view text, std::string& b) {
    complete = EncodeCp932(text, b) && complete;
  };
  std::vector<std::string> encoded;
  if (!ConvertJoined(names, encoded, encode)) {
    // A name holds a line end of its own; each is converted alone then.
    complete = true;
    encoded.assign(names.size(), std::string());
    for (size_t k = 0; k < names.size(); ++k) encode(names[k], encoded[k]);
  }

  size_t size = 0;
  for (size_t k : nameOf) size += encoded[k].size() + kUsualLineBytesAfterName;
  bytes.clear();
  bytes.reserve(size);
  char tail[2 * kTimeBytesMax + kLineEndBytes];
  for (size_t i = 0; i < records.size(); ++i) {
    bytes += encoded[nameOf[i]];
    char* out = PutTime(tail, records[i].start);
    out = PutTime(out, records[i].end);
    for (char c : std::string_view(kLineEnd)) *out++ = c;
    bytes.append(tail, static_cast<size_t>(out - tail));
  }
  return complete;
}
