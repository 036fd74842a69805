#include "fs/text.h"

#include <cstdint>

namespace vexilo::fs {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  Utf8ToUtf16(utf8, out);
  return out;
}

void Utf8ToUtf16(std::string_view utf8, std::u16string& out) {
  out.clear();
  out.reserve(utf8.size());
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    const auto b0 = static_cast<uint8_t>(utf8[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    int extra;
    uint32_t cp;
    uint32_t min;
    if ((b0 & 0xE0) == 0xC0) {
      extra = 1; cp = b0 & 0x1F; min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2; cp = b0 & 0x0F; min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3; cp = b0 & 0x07; min = 0x10000;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    bool ok = true;
    size_t j = i + 1;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= n || (static_cast<uint8_t>(utf8[j]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<uint8_t>(utf8[j]) & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    AppendCodePoint(out, cp);
    i = j;
  }
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  const size_t n = utf16.size();
  for (size_t i = 0; i < n; ++i) {
    uint32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

char16_t LowerAsciiCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

char16_t LowerLatin1Case(char16_t c) {
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return LowerAsciiCase(c);
}

char16_t LowerLatinCase(char16_t c) {
  // Latin Extended-A pairs capital and small at even and odd positions,
  // shifted by one between U+0139 and U+0148 and between U+0179 and U+017E.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c | 1);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  }
  if (c == 0x178) return 0xFF;
  return LowerLatin1Case(c);
}

namespace {

template <typename TChar, typename TFold>
bool EqualsFolded(std::basic_string_view<TChar> a, std::basic_string_view<TChar> b, TFold fold) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return EqualsFolded(a, b, [](char16_t c) { return LowerAsciiCase(c); });
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return EqualsFolded(a, b, [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
}

bool EndsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

bool ContainsIgnoringAsciiCase(std::u16string_view text, std::u16string_view part) {
  if (part.size() > text.size()) return false;
  for (size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (EqualsIgnoringAsciiCase(text.substr(at, part.size()), part)) return true;
  }
  return false;
}

bool EqualsIgnoringLatin1Case(std::u16string_view a, std::u16string_view b) {
  return EqualsFolded(a, b, [](char16_t c) { return LowerLatin1Case(c); });
}

bool StartsWithIgnoringLatin1Case(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringLatin1Case(text.substr(0, prefix.size()), prefix);
}

bool EqualsIgnoringLatinCase(std::u16string_view a, std::u16string_view b) {
  return EqualsFolded(a, b, [](char16_t c) { return LowerLatinCase(c); });
}

std::u16string LowerLatinCase(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) c = LowerLatinCase(c);
  return result;
}

}  // namespace vexilo::fs
