#include "data/record_file.h"

#include <cstdint>
#include <cstring>
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
    return c == 0x81 && Following() == 0x40 ? 2 : 0;
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
      if (v > 0xFFFF) return false;
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

// Ten numbers after the name, separated as in
// "%s %u/%u/%u %u:%u %u/%u/%u %u:%u". A space in the format matches any
// white space, which the number skips anyway; '/' and ':' must come next.
bool ScanTimes(LineCursor& in, ActivityRecord& record) {
  static const char kSeparators[10] = {' ', '/', '/', ' ', ':', ' ', '/', '/', ' ', ':'};
  uint16_t n[10];
  for (int i = 0; i < 10; ++i) {
    if (kSeparators[i] != ' ' && !in.Literal(kSeparators[i])) return false;
    if (!in.Number(n[i])) return false;
  }
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
  return true;
}

// The distinct names of a file, in the order first met.
class NameTable {
 public:
  uint32_t Add(const std::string& bytes, int lineNumber) {
    auto found = index_.find(bytes);
    if (found != index_.end()) return found->second;
    const uint32_t k = static_cast<uint32_t>(bytes_.size());
    index_.emplace(bytes, k);
    bytes_.push_back(bytes);
    firstLine_.push_back(lineNumber);
    return k;
  }

  // Decodes every name, all in one conversion. Returns the first line whose
  // name has a byte pair without a character (U+FFFD), or 0.
  int Decode() {
    std::string joined;
    for (const std::string& b : bytes_) {
      joined += b;
      joined.push_back('\n');
    }
    const Text text = DecodeCp932(joined);
    decoded_.clear();
    decoded_.reserve(bytes_.size());
    for (size_t pos = 0; pos < text.size();) {
      size_t lf = text.find(u'\n', pos);
      if (lf == Text::npos) break;
      decoded_.emplace_back(text, pos, lf - pos);
      pos = lf + 1;
    }
    // Names hold whole characters and no LF, so each decodes as it would
    // inside its line; a count that does not agree leaves nothing to trust.
    if (decoded_.size() != bytes_.size()) {
      decoded_.clear();
      for (const std::string& b : bytes_) decoded_.push_back(DecodeCp932(b));
    }
    int bad = 0;
    for (size_t k = 0; k < decoded_.size(); ++k) {
      if (decoded_[k].find(char16_t{0xFFFD}) != Text::npos && (bad == 0 || firstLine_[k] < bad)) {
        bad = firstLine_[k];
      }
    }
    return bad;
  }

  const Text& Name(uint32_t k) const { return decoded_[k]; }

 private:
  std::unordered_map<std::string, uint32_t> index_;
  std::vector<std::string> bytes_;
  std::vector<int> firstLine_;
  std::vector<Text> decoded_;
};

}  // namespace

int ParseRecordFile(std::string_view bytes, std::vector<ActivityRecord>& out) {
  std::vector<ActivityRecord> read;
  std::vector<uint32_t> nameOf;
  read.reserve(bytes.size() / 32 + 1);
  nameOf.reserve(read.capacity());
  NameTable names;
  std::string name;
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
      LineCursor in(std::string_view(p, static_cast<size_t>(stop - p)));
      in.SkipSpace();
      read.emplace_back();
      if (!ScanName(in, name) || !ScanTimes(in, read.back())) {
        badLine = lineNumber;
        break;
      }
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

template <typename String>
void AppendNumber(String& out, unsigned v, int minDigits) {
  typename String::value_type digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<typename String::value_type>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = n; i < minDigits; ++i) out.push_back('0');
  while (n > 0) out.push_back(digits[--n]);
}

// ",%u/%02u/%02u %02u:%02u" into UTF-16 text or code page 932 bytes (the
// same ASCII either way).
template <typename String>
void AppendTime(String& out, const LocalDateTime& t) {
  out.push_back(',');
  AppendNumber(out, t.wYear, 1);
  out.push_back('/');
  AppendNumber(out, t.wMonth, 2);
  out.push_back('/');
  AppendNumber(out, t.wDay, 2);
  out.push_back(' ');
  AppendNumber(out, t.wHour, 2);
  out.push_back(':');
  AppendNumber(out, t.wMinute, 2);
}

}  // namespace

void AppendRecordLine(const ActivityRecord& record, Text& out) {
  out += record.name;
  AppendTime(out, record.start);
  AppendTime(out, record.end);
  out += u"\r\n";
}

// A history holds thousands of records under a dozen names, and everything
// but the names is ASCII. So the distinct names are converted together, in
// one conversion, and the lines are put together from bytes: converting the
// whole file would push megabytes of digits through the converter.
bool FormatRecordFile(const std::vector<ActivityRecord>& records, std::string& bytes) {
  std::unordered_map<std::u16string_view, size_t> nameIndex;
  std::vector<size_t> nameOf;
  nameOf.reserve(records.size());
  Text names;
  for (const ActivityRecord& r : records) {
    auto inserted = nameIndex.emplace(r.name, nameIndex.size());
    if (inserted.second) {
      names += r.name;
      names.push_back(u'\n');
    }
    nameOf.push_back(inserted.first->second);
  }
  std::string encoded;
  const bool complete = EncodeCp932(names, encoded);

  // LF is never part of a double-byte character, so the LFs in the bytes are
  // those between the names, unless a name holds one itself.
  std::vector<std::string_view> encodedNames;
  encodedNames.reserve(nameIndex.size());
  for (size_t pos = 0; pos < encoded.size();) {
    size_t lf = encoded.find('\n', pos);
    if (lf == std::string::npos) break;
    encodedNames.emplace_back(encoded.data() + pos, lf - pos);
    pos = lf + 1;
  }
  if (encodedNames.size() != nameIndex.size()) {
    Text text;
    for (const ActivityRecord& r : records) AppendRecordLine(r, text);
    return EncodeCp932(text, bytes);
  }

  size_t size = 0;
  for (size_t i = 0; i < records.size(); ++i) size += encodedNames[nameOf[i]].size() + 36;
  bytes.clear();
  bytes.reserve(size);
  for (size_t i = 0; i < records.size(); ++i) {
    bytes += encodedNames[nameOf[i]];
    AppendTime(bytes, records[i].start);
    AppendTime(bytes, records[i].end);
    bytes += "\r\n";
  }
  return complete;
}
