#include "data/ini_file.h"

#include "base/codepage932.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsQuoted(std::u16string_view s) {
  return s.size() >= 2 && s.front() == u'"' && s.back() == u'"';
}

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

Text DecodeUtf16(std::string_view bytes, bool big_endian) {
  Text text;
  text.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<char16_t>(big_endian ? (first << 8 | second) : (second << 8 | first)));
  }
  if (bytes.size() % 2 != 0) text.push_back(kReplacement);
  return text;
}

void AppendUtf16(const Text& text, bool big_endian, std::string& out) {
  out.reserve(out.size() + text.size() * 2);
  for (char16_t c : text) {
    const char high = static_cast<char>(c >> 8);
    const char low = static_cast<char>(c & 0xFF);
    out.push_back(big_endian ? high : low);
    out.push_back(big_endian ? low : high);
  }
}

Text Decode(std::string_view bytes, IniEncoding& encoding) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    encoding = IniEncoding::kUtf8Bom;
    return TextFromUtf8(bytes.substr(3));
  }
  if (StartsWith(bytes, "\xFF\xFE")) {
    encoding = IniEncoding::kUtf16LeBom;
    return DecodeUtf16(bytes.substr(2), false);
  }
  if (StartsWith(bytes, "\xFE\xFF")) {
    encoding = IniEncoding::kUtf16BeBom;
    return DecodeUtf16(bytes.substr(2), true);
  }
  encoding = IniEncoding::kCp932;
  return DecodeCp932(bytes);
}

// A key, value or section name stays on its own line, whatever it holds.
void AppendOnOneLine(std::u16string_view s, Text& out) {
  for (char16_t c : s) out.push_back(c == u'\r' || c == u'\n' ? u' ' : c);
}

void AppendValue(std::u16string_view value, Text& out) {
  const bool needs_quotes =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || IsQuoted(value));
  if (needs_quotes) out.push_back(u'"');
  AppendOnOneLine(value, out);
  if (needs_quotes) out.push_back(u'"');
}

}  // namespace

IniFile ParseIni(std::string_view bytes) {
  IniFile file;
  const Text text = Decode(bytes, file.encoding);
  std::u16string_view rest(text);
  IniSection* section = nullptr;
  while (!rest.empty()) {
    size_t end = 0;
    while (end < rest.size() && rest[end] != u'\r' && rest[end] != u'\n') ++end;
    std::u16string_view line = Trim(rest.substr(0, end));
    if (end < rest.size()) {
      end += (rest[end] == u'\r' && end + 1 < rest.size() && rest[end + 1] == u'\n') ? 2 : 1;
    }
    rest.remove_prefix(end);

    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      line.remove_prefix(1);
      const size_t close = line.find(u']');
      if (close != std::u16string_view::npos) line = line.substr(0, close);
      file.sections.push_back(IniSection{Text(Trim(line)), {}});
      section = &file.sections.back();
      continue;
    }
    const size_t equals = line.find(u'=');
    // Lines before the first section header belong to no section.
    if (section == nullptr || equals == std::u16string_view::npos) continue;
    const std::u16string_view key = Trim(line.substr(0, equals));
    if (key.empty()) continue;
    std::u16string_view value = Trim(line.substr(equals + 1));
    if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
    section->entries.push_back(IniEntry{Text(key), Text(value)});
  }
  return file;
}

const Text* IniFile::Find(std::u16string_view section, std::u16string_view key) const {
  for (const IniSection& s : sections) {
    if (!EqualsIgnoringCase(s.name, section)) continue;
    for (const IniEntry& entry : s.entries) {
      if (EqualsIgnoringCase(entry.key, key)) return &entry.value;
    }
  }
  return nullptr;
}

Text IniFile::GetText(std::u16string_view section, std::u16string_view key,
                      const Text& fallback) const {
  const Text* value = Find(section, key);
  return value ? *value : fallback;
}

int32_t IniFile::GetInt(std::u16string_view section, std::u16string_view key,
                        int32_t fallback) const {
  const Text* value = Find(section, key);
  return (value && !value->empty()) ? ParseProfileInt(*value) : fallback;
}

int32_t ParseProfileInt(std::u16string_view value) {
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) {
    negative = value[i] == u'-';
    ++i;
  }
  uint32_t result = 0;
  if (i + 1 < value.size() && value[i] == u'0' && (value[i + 1] == u'x' || value[i + 1] == u'X')) {
    for (i += 2; i < value.size(); ++i) {
      const char16_t c = value[i];
      uint32_t digit;
      if (c >= u'0' && c <= u'9') {
        digit = c - u'0';
      } else if (c >= u'a' && c <= u'f') {
        digit = c - u'a' + 10;
      } else if (c >= u'A' && c <= u'F') {
        digit = c - u'A' + 10;
      } else {
        break;
      }
      result = result * 16 + digit;
    }
  } else {
    for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
      result = result * 10 + static_cast<uint32_t>(value[i] - u'0');
    }
  }
  if (negative) result = 0u - result;
  return static_cast<int32_t>(result);
}

std::string WriteIni(const IniFile& file, IniEncoding* written_as) {
  Text text;
  for (const IniSection& section : file.sections) {
    text += u'[';
    AppendOnOneLine(section.name, text);
    text += u"]\r\n";
    for (const IniEntry& entry : section.entries) {
      AppendOnOneLine(entry.key, text);
      text += u'=';
      AppendValue(entry.value, text);
      text += u"\r\n";
    }
  }

  IniEncoding encoding = file.encoding;
  std::string bytes;
  if (encoding == IniEncoding::kCp932 && !EncodeCp932(text, bytes)) {
    encoding = IniEncoding::kUtf8Bom;
  }
  switch (encoding) {
    case IniEncoding::kCp932:
      break;
    case IniEncoding::kUtf8Bom:
      bytes = "\xEF\xBB\xBF" + TextToUtf8(text);
      break;
    case IniEncoding::kUtf16LeBom:
      bytes.assign("\xFF\xFE");
      AppendUtf16(text, false, bytes);
      break;
    case IniEncoding::kUtf16BeBom:
      bytes.assign("\xFE\xFF");
      AppendUtf16(text, true, bytes);
      break;
  }
  if (written_as) *written_as = encoding;
  return bytes;
}
