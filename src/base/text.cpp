#include "base/text.h"

#include <cstdint>

namespace {

struct Spec {
  bool left = false;  // '-': pad on the right
  bool zero = false;  // '0': pad numbers with zeros after the sign
  size_t width = 0;
};

// Appends the digits of value in the given base, most significant first.
void AppendDigits(Text& out, uint32_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char16_t buffer[16];
  size_t n = 0;
  do {
    buffer[n++] = static_cast<char16_t>(digits[value % base]);
    value /= base;
  } while (value != 0);
  while (n > 0) out.push_back(buffer[--n]);
}

// Places body in the field: a negative number keeps its sign in front of
// zero padding ("-0042"), text and characters are only ever padded with
// spaces, as wvsprintfW does.
void AppendField(Text& out, const Spec& spec, const Text& body, bool number) {
  size_t pad = spec.width > body.size() ? spec.width - body.size() : 0;
  if (spec.left) {
    out += body;
    out.append(pad, u' ');
  } else if (spec.zero && number) {
    size_t sign = !body.empty() && body[0] == u'-' ? 1 : 0;
    out.append(body, 0, sign);
    out.append(pad, u'0');
    out.append(body, sign, Text::npos);
  } else {
    out.append(pad, u' ');
    out += body;
  }
}

}  // namespace

Text FormatTextV(const char16_t* format, va_list args) {
  Text out;
  if (format == nullptr) return out;
  const char16_t* p = format;
  while (*p != 0) {
    if (*p != u'%') {
      out.push_back(*p++);
      continue;
    }
    const char16_t* start = p++;
    Spec spec;
    for (;; ++p) {
      if (*p == u'-') {
        spec.left = true;
      } else if (*p == u'0') {
        spec.zero = true;
      } else {
        break;
      }
    }
    while (*p >= u'0' && *p <= u'9') {
      // Formats are the program's own; cap the width so a typo cannot ask
      // for gigabytes.
      if (spec.width < 4096) spec.width = spec.width * 10 + static_cast<size_t>(*p - u'0');
      ++p;
    }
    Text body;
    switch (*p) {
      case u'd':
      case u'i': {
        int value = va_arg(args, int);
        uint32_t magnitude = static_cast<uint32_t>(value);
        if (value < 0) {
          body.push_back(u'-');
          magnitude = 0u - magnitude;
        }
        AppendDigits(body, magnitude, 10, false);
        AppendField(out, spec, body, true);
        break;
      }
      case u'u':
        AppendDigits(body, va_arg(args, unsigned), 10, false);
        AppendField(out, spec, body, true);
        break;
      case u'x':
      case u'X':
        AppendDigits(body, va_arg(args, unsigned), 16, *p == u'X');
        AppendField(out, spec, body, true);
        break;
      case u'c':
        body.push_back(static_cast<char16_t>(va_arg(args, int)));
        AppendField(out, spec, body, false);
        break;
      case u's': {
        const char16_t* s = va_arg(args, const char16_t*);
        body = s != nullptr ? Text(s) : Text(u"(null)");
        AppendField(out, spec, body, false);
        break;
      }
      case u'%':
        AppendField(out, spec, Text(u"%"), false);
        break;
      default:
        // Not a conversion this program uses (or the format ends in '%'):
        // keep the text as written rather than guess at an argument.
        out.append(start, p);
        continue;
    }
    ++p;
  }
  return out;
}

Text FormatText(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  Text out = FormatTextV(format, args);
  va_end(args);
  return out;
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(Text& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

// Every maximal ill-formed subsequence becomes one U+FFFD (the usual
// practice): an overlong form, an encoded surrogate or a value above
// U+10FFFF is refused at the byte where it goes wrong.
Text TextFromUtf8(std::string_view utf8) {
  Text out;
  out.reserve(utf8.size());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t length;
    char32_t c;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      c = b & 0x0F;
      if (b == 0xE0) low = 0xA0;   // no overlong forms
      if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      c = b & 0x07;
      if (b == 0xF0) low = 0x90;   // no overlong forms
      if (b == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    size_t used = 1;
    bool ok = true;
    while (used < length) {
      if (i + used >= n) {
        ok = false;
        break;
      }
      const unsigned char t = static_cast<unsigned char>(utf8[i + used]);
      const unsigned char lo = used == 1 ? low : 0x80;
      const unsigned char hi = used == 1 ? high : 0xBF;
      if (t < lo || t > hi) {
        ok = false;
        break;
      }
      c = (c << 6) | (t & 0x3F);
      ++used;
    }
    AppendUtf16(out, ok ? c : kReplacement);
    i += used;
  }
  return out;
}

std::string TextToUtf8(const Text& text) {
  std::string out;
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a surrogate without its partner
    }
    AppendUtf8(out, c);
  }
  return out;
}
