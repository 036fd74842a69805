#include "engine/types/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vexilo::types {

namespace {

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// The ASCII bytes of `text`, or nothing when it holds any other character.
std::optional<std::string> Narrow(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c == 0 || c > 0x7F) return std::nullopt;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

std::u16string IntegerToText(int64_t value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return Ascii(std::string_view(buf, result.ptr - buf));
}

std::optional<int64_t> IntegerFromText(std::u16string_view text) {
  const auto narrow = Narrow(text);
  if (!narrow) return std::nullopt;
  std::string_view s = *narrow;
  const bool plus = !s.empty() && s.front() == '+';
  if (plus) s.remove_prefix(1);
  if (s.empty() || s.front() == '+' || (plus && s.front() == '-')) return std::nullopt;
  int64_t value = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return std::nullopt;
  return value;
}

std::u16string DoubleToText(double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  if (value == 0) return u"0";
  // 15 significant digits in scientific form give the digits and the
  // decimal exponent after rounding.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  const std::string_view sci(buf);
  const size_t ePos = sci.find('e');
  const int exponent = std::atoi(buf + ePos + 1);
  const bool negative = sci.front() == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < ePos; ++i)
    if (sci[i] != '.') digits.push_back(sci[i]);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= -5 && exponent < 15) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const size_t intDigits = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
      } else {
        out += digits.substr(0, intDigits);
        out += '.';
        out += digits.substr(intDigits);
      }
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
  }
  return Ascii(out);
}

std::optional<double> DoubleFromText(std::u16string_view text) {
  const auto narrow = Narrow(text);
  if (!narrow) return std::nullopt;
  std::string_view s = TrimBlanks(*narrow);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  // Only plain decimal numbers: digits, an optional fraction, an optional
  // exponent. No "inf", "nan" or hexadecimal forms.
  if (s.empty() || !(s.front() == '.' || (s.front() >= '0' && s.front() <= '9'))) return std::nullopt;
  double value = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (result.ptr != s.data() + s.size()) return std::nullopt;
  if (result.ec == std::errc::result_out_of_range) {
    // Either an overflow or an underflow: tell them apart by the exponent
    // sign of the text (an underflow reads as zero).
    const size_t e = s.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
    value = tiny ? 0.0 : HUGE_VAL;
  } else if (result.ec != std::errc()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::u16string GuidToText(const TGuid& g) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3),
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return Ascii(buf);
}

std::optional<TGuid> GuidFromText(std::u16string_view text) {
  // Positions of the hexadecimal digits in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
  if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-' ||
      text[19] != u'-' || text[24] != u'-')
    return std::nullopt;
  uint8_t bytes[16];
  size_t pos = 1;
  for (uint8_t& byte : bytes) {
    if (text[pos] == u'-') ++pos;
    const int hi = HexDigit(text[pos]), lo = HexDigit(text[pos + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    byte = static_cast<uint8_t>(hi << 4 | lo);
    pos += 2;
  }
  // The text shows Data1, Data2 and Data3 most significant digit first.
  TGuid g;
  g.Data1 = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  g.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  g.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  return g;
}

std::u16string BooleanToText(bool value) { return value ? u"True" : u"False"; }

std::optional<bool> BooleanFromText(std::u16string_view text) {
  const auto narrow = Narrow(text);
  if (!narrow) return std::nullopt;
  std::string lower = *narrow;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  if (lower == "true") return true;
  if (lower == "false") return false;
  return std::nullopt;
}

}  // namespace vexilo::types
