#include "fs/format.h"

#include <cstdio>

#include "fs/text.h"

namespace vexilo::fs {

FormatArg::FormatArg(std::string_view utf8) : FValue(Utf8ToUtf16(utf8)) {}

namespace {

std::u16string Ascii(const char* s) {
  std::u16string out;
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

void Pad(std::u16string& out, std::u16string_view text, int width, bool left) {
  const int fill = width - static_cast<int>(text.size());
  if (fill > 0 && !left) out.append(static_cast<size_t>(fill), u' ');
  out.append(text);
  if (fill > 0 && left) out.append(static_cast<size_t>(fill), u' ');
}

}  // namespace

std::u16string FormatMessage(std::u16string_view pattern, FormatArgs args) {
  std::u16string out;
  out.reserve(pattern.size() + 32);
  size_t nextArg = 0;
  const size_t n = pattern.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = pattern[i];
    if (c != u'%') {
      out.push_back(c);
      continue;
    }
    if (++i >= n) throw EFormatError("incomplete placeholder at end of format");
    if (pattern[i] == u'%') {
      out.push_back(u'%');
      continue;
    }
    bool left = false;
    if (pattern[i] == u'-') {
      left = true;
      if (++i >= n) throw EFormatError("incomplete placeholder");
    }
    int width = 0;
    while (i < n && pattern[i] >= u'0' && pattern[i] <= u'9') width = width * 10 + (pattern[i++] - u'0');
    int precision = -1;
    if (i < n && pattern[i] == u'.') {
      ++i;
      precision = 0;
      while (i < n && pattern[i] >= u'0' && pattern[i] <= u'9') precision = precision * 10 + (pattern[i++] - u'0');
    }
    if (i >= n) throw EFormatError("incomplete placeholder");
    if (width > 4096 || precision > 4096) throw EFormatError("placeholder width too large");
    const char16_t type = pattern[i] | 0x20;  // types are case-insensitive
    if (nextArg >= args.size()) throw EFormatError("too few arguments for format");
    const FormatArg& arg = args[nextArg++];
    char buf[512];
    switch (type) {
      case u's': {
        if (!arg.IsText()) throw EFormatError("%s needs a text argument");
        std::u16string_view text = arg.Text();
        if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text = text.substr(0, precision);
        Pad(out, text, width, left);
        break;
      }
      case u'd':
      case u'u':
      case u'x': {
        if (!arg.IsInteger()) throw EFormatError("integer placeholder needs an integer argument");
        const int64_t v = arg.Integer();
        if (type == u'd') {
          std::snprintf(buf, sizeof buf, "%.*lld", precision < 0 ? 1 : precision, static_cast<long long>(v));
        } else if (type == u'u') {
          std::snprintf(buf, sizeof buf, "%.*llu", precision < 0 ? 1 : precision,
                        static_cast<unsigned long long>(v));
        } else {
          std::snprintf(buf, sizeof buf, "%.*llX", precision < 0 ? 1 : precision,
                        static_cast<unsigned long long>(v));
        }
        Pad(out, Ascii(buf), width, left);
        break;
      }
      case u'f':
      case u'g':
      case u'e': {
        double v;
        if (arg.IsFloat()) v = arg.Float();
        else throw EFormatError("floating-point placeholder needs a number argument");
        const int p = precision < 0 ? (type == u'g' ? 15 : 2) : precision;
        const char* f = type == u'f' ? "%.*f" : type == u'g' ? "%.*G" : "%.*E";
        std::snprintf(buf, sizeof buf, f, p, v);
        Pad(out, Ascii(buf), width, left);
        break;
      }
      default:
        throw EFormatError("unknown placeholder type");
    }
  }
  return out;
}

std::optional<std::u16string> TryFormatMessage(std::u16string_view pattern, FormatArgs args) {
  try {
    return FormatMessage(pattern, args);
  } catch (const EFormatError&) {
    return std::nullopt;
  }
}

}  // namespace vexilo::fs
