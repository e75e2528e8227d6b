#include "data/record_file.h"

#include <cstdint>
#include <unordered_map>

#include "base/codepage932.h"
#include "data/item_name.h"

namespace {

// Walks a line as the reader sees it after its normalisation: a comma reads
// as a space, double quotes and apostrophes are skipped as if removed. The
// line is never copied.
class LineCursor {
 public:
  explicit LineCursor(std::u16string_view line) : p_(line.data()), end_(line.data() + line.size()) {}

  // The next character, or 0 at the end of the line (a NUL inside a line is
  // taken as its end too, as the C library's scan would).
  char16_t Peek() {
    while (p_ != end_ && (*p_ == u'"' || *p_ == u'\'')) ++p_;
    if (p_ == end_) return 0;
    return *p_ == u',' ? u' ' : *p_;
  }
  void Advance() { ++p_; }

  void SkipSpace() {
    for (char16_t c = Peek(); c != 0 && IsRecordFileSpace(c); c = Peek()) Advance();
  }

  // "%u" limited to the 16 bits of a field: white space, then one or more
  // digits. Leading zeros do not count against the limit.
  bool Number(uint16_t& value) {
    SkipSpace();
    char16_t c = Peek();
    if (c < u'0' || c > u'9') return false;
    uint32_t v = 0;
    do {
      v = v * 10 + static_cast<uint32_t>(c - u'0');
      if (v > 0xFFFF) return false;
      Advance();
      c = Peek();
    } while (c >= u'0' && c <= u'9');
    value = static_cast<uint16_t>(v);
    return true;
  }

  bool Literal(char16_t expected) {
    if (Peek() != expected) return false;
    Advance();
    return true;
  }

 private:
  const char16_t* p_;
  const char16_t* end_;
};

}  // namespace

bool ParseRecordLine(std::u16string_view line, ActivityRecord& record) {
  LineCursor in(line);
  in.SkipSpace();
  Text name;
  for (char16_t c = in.Peek(); c != 0 && !IsRecordFileSpace(c); c = in.Peek()) {
    // U+FFFD stands for bytes that were not code page 932: the name read
    // would not be the name written.
    if (c == 0xFFFD || name.size() == kMaxRecordNameUnits) return false;
    name.push_back(c);
    in.Advance();
  }
  if (name.empty()) return false;

  // Separators before each of the ten numbers, as in
  // "%s %u/%u/%u %u:%u %u/%u/%u %u:%u". A space in the format matches any
  // white space, which the number skips anyway; '/' and ':' must come next.
  static const char16_t kSeparators[10] = {u' ', u'/', u'/', u' ', u':',
                                           u' ', u'/', u'/', u' ', u':'};
  uint16_t n[10];
  for (int i = 0; i < 10; ++i) {
    if (kSeparators[i] != u' ' && !in.Literal(kSeparators[i])) return false;
    if (!in.Number(n[i])) return false;
  }
  record.name = std::move(name);
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

int ParseRecordText(std::u16string_view text, std::vector<ActivityRecord>& out) {
  std::vector<ActivityRecord> read;
  read.reserve(text.size() / 40 + 1);
  int lineNumber = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find(u'\n', pos);
    size_t next = lf == std::u16string_view::npos ? text.size() : lf + 1;
    size_t stop = lf == std::u16string_view::npos ? text.size() : lf;
    // A CR right before the LF belongs to the line end.
    if (lf != std::u16string_view::npos && stop > pos && text[stop - 1] == u'\r') --stop;
    ++lineNumber;
    if (stop > pos) {
      read.emplace_back();
      if (!ParseRecordLine(text.substr(pos, stop - pos), read.back())) return lineNumber;
    }
    pos = next;
  }
  if (out.empty()) {
    out = std::move(read);
  } else {
    out.insert(out.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  }
  return 0;
}

int ParseRecordFile(std::string_view bytes, std::vector<ActivityRecord>& out) {
  return ParseRecordText(DecodeCp932(bytes), out);
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
