#include "engine/types/engine_collation.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/types/code_page.h"
#include "engine/types/collation_rules.h"

namespace vexilo::types {

namespace {

constexpr size_t kNoAccent = SIZE_MAX;
constexpr uint32_t kSharpS = 0xDF;  // "ß" in code page 1252 and in UTF-16

// The character each code 0-255 compares as, with and without ASCII case
// folding. "^" counts as a blank, 127 sorts after everything (0xFFFF, which
// orders like 255 among bytes and like 0xFFFF among UTF-16 units), and codes
// 128-255 map to their base letters:
//   138 S, 140 O, 154 s, 156 o, 159 Y, 192-198 A, 199 C, 200-203 E, 204-207 I,
//   208 D, 209 N, 210-214 and 216 O, 217-220 U, 221 Y, 223 s, 224-230 a,
//   231 c, 232-235 e, 236-239 i, 240 d, 241 n, 242-246 and 248 o, 249-252 u,
//   253 and 255 y; every other code maps to itself.
struct TCompareTables {
  uint16_t exact[256];
  uint16_t folded[256];
};

constexpr uint16_t BaseLetter(int c) {
  struct Range {
    int first, last;
    char letter;
  };
  constexpr Range kRanges[] = {
      {138, 138, 'S'}, {140, 140, 'O'}, {154, 154, 's'}, {156, 156, 'o'}, {159, 159, 'Y'},
      {192, 198, 'A'}, {199, 199, 'C'}, {200, 203, 'E'}, {204, 207, 'I'}, {208, 208, 'D'},
      {209, 209, 'N'}, {210, 214, 'O'}, {216, 216, 'O'}, {217, 220, 'U'}, {221, 221, 'Y'},
      {223, 223, 's'}, {224, 230, 'a'}, {231, 231, 'c'}, {232, 235, 'e'}, {236, 239, 'i'},
      {240, 240, 'd'}, {241, 241, 'n'}, {242, 246, 'o'}, {248, 248, 'o'}, {249, 252, 'u'},
      {253, 253, 'y'}, {255, 255, 'y'},
  };
  for (const Range& r : kRanges) {
    if (c >= r.first && c <= r.last) return static_cast<uint16_t>(r.letter);
  }
  return static_cast<uint16_t>(c);
}

constexpr TCompareTables MakeCompareTables() {
  TCompareTables t{};
  for (int c = 0; c < 256; ++c) {
    uint16_t m = c == '^' ? uint16_t{' '} : c == 127 ? uint16_t{0xFFFF} : BaseLetter(c);
    t.exact[c] = m;
    t.folded[c] = m >= 'a' && m <= 'z' ? static_cast<uint16_t>(m - 32) : m;
  }
  return t;
}

constexpr TCompareTables kTables = MakeCompareTables();

template <typename C>
inline uint32_t Unit(C c) {
  if constexpr (sizeof(C) == 1) {
    return static_cast<uint8_t>(c);
  } else {
    return c;
  }
}

// A UTF-16LE code unit at any byte address: the comparison templates read
// it like a char16_t, without an aligned copy of the string first.
struct TLeUnit {
  uint8_t low;
  uint8_t high;
  constexpr operator char16_t() const { return static_cast<char16_t>(low | (high << 8)); }
};
static_assert(sizeof(TLeUnit) == 2 && alignof(TLeUnit) == 1);

// True for the codes 128-255 that go through the letter table.
inline bool IsTableCode(uint32_t u) { return u - 128u < 128u; }

// One string's side of a comparison: its position, the position of its first
// accented character and whether the second half of an expanded "ß" is due.
template <typename C>
struct TWalker {
  const C* s;
  size_t n;
  size_t pos = 0;
  size_t accent = kNoAccent;
  bool secondHalf = false;

  bool AtEnd() const { return pos >= n; }

  // The current character as it compares; advances past it.
  uint32_t Next(const uint16_t* map, bool expandSharpS, bool accents) {
    const uint32_t u = Unit(s[pos]);
    if (u < 128) {
      ++pos;
      return map[u];
    }
    if (u > 255) {
      ++pos;
      return u;
    }
    if (u == kSharpS && expandSharpS) {  // read twice: "ß" equals "ss"
      if (secondHalf) ++pos;
      secondHalf = !secondHalf;
      return map['s'];
    }
    if (accents && accent == kNoAccent) accent = pos;
    ++pos;
    return map[u];
  }
};

// The number of leading code units in which x and y agree (of at most n),
// found eight bytes at a time.
template <typename C>
size_t CommonPrefixLength(const C* x, const C* y, size_t n) {
  constexpr size_t kPerWord = sizeof(uint64_t) / sizeof(C);
  size_t k = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; k + kPerWord <= n; k += kPerWord) {
      uint64_t wx, wy;
      std::memcpy(&wx, x + k, sizeof wx);
      std::memcpy(&wy, y + k, sizeof wy);
      if (wx != wy) return k + static_cast<size_t>(std::countr_zero(wx ^ wy)) / (8 * sizeof(C));
    }
  }
  while (k < n && x[k] == y[k]) ++k;
  return k;
}

template <typename C>
int CompareEngine(const C* s1, size_t n1, const C* s2, size_t n2, TStrCmpOptions options) {
  const uint16_t* map = (options & scoCaseSensitive) ? kTables.exact : kTables.folded;
  const bool expandSharpS = !(options & scoLigatureSensitive);
  const bool accents = (options & scoAccentSensitive) != 0;
  TWalker<C> a{s1, n1};
  TWalker<C> b{s2, n2};
  for (;;) {
    if (!a.secondHalf && !b.secondHalf) {
      // Identical characters compare equal. Outside 128-255 they mark no
      // accent. Inside, at the same position in both strings, they cannot
      // change the outcome either: two first accents there cancel out, and a
      // string that already has its first accent keeps the earlier one.
      if (!accents || a.pos == b.pos) {
        const size_t same = CommonPrefixLength(s1 + a.pos, s2 + b.pos,
                                               std::min(n1 - a.pos, n2 - b.pos));
        a.pos += same;
        b.pos += same;
      } else {
        while (a.pos < n1 && b.pos < n2) {
          const uint32_t u = Unit(s1[a.pos]);
          if (u != Unit(s2[b.pos]) || IsTableCode(u)) break;
          ++a.pos;
          ++b.pos;
        }
      }
    }
    if (a.AtEnd() || b.AtEnd()) break;
    const uint32_t c1 = a.Next(map, expandSharpS, accents);
    const uint32_t c2 = b.Next(map, expandSharpS, accents);
    if (a.accent != kNoAccent && a.accent == b.accent) a.accent = b.accent = kNoAccent;
    if (c1 != c2) return c1 < c2 ? -1 : 1;
  }
  if (!a.AtEnd()) return 1;
  if (!b.AtEnd()) return -1;
  // Equal letters: the string whose first accent comes earlier is greater.
  if (a.accent == b.accent) return 0;
  return a.accent < b.accent ? 1 : -1;
}

// The engine's only ligature is "ß", which expands to two letters.
template <typename C>
size_t ExpandedLength(const C* s, size_t n) {
  size_t length = n;
  for (size_t k = 0; k < n; ++k) length += Unit(s[k]) == kSharpS;
  return length;
}

template <typename C>
int Prefix(const C* s, size_t n, const C* p, size_t m, TStrCmpOptions options, size_t* matched) {
  const auto whole = [options](const C* a, size_t na, const C* b, size_t nb) {
    return CompareEngine(a, na, b, nb, options);
  };
  return collation_rules::ComparePrefix(s, n, p, m, (options & scoLigatureSensitive) != 0, whole,
                                        ExpandedLength<C>, matched);
}

template <typename C>
int Compare(const C* s1, size_t n1, const C* s2, size_t n2, TStrCmpOptions options) {
  const auto whole = [options](const C* a, size_t na, const C* b, size_t nb) {
    return CompareEngine(a, na, b, nb, options);
  };
  const auto prefix = [options](const C* s, size_t n, const C* p, size_t m) {
    return Prefix(s, n, p, m, options, nullptr);
  };
  return collation_rules::CompareWithBounds(s1, n1, s2, n2, whole, prefix);
}

const TVxbCodePage& CodePage1252() {
  static const TVxbCodePage codePage(1252);
  return codePage;
}

}  // namespace

const TVxbEngineCollation& TVxbEngineCollation::Instance() {
  static const TVxbEngineCollation instance;
  return instance;
}

TVxbEngineCollation::TVxbEngineCollation() : TVxbCollation(kEngineLocaleId, 1252, u"VexBase") {}

int TVxbEngineCollation::CompareAnsi(const char* s1, size_t n1, const char* s2, size_t n2,
                                     TStrCmpOptions options) const {
  return Compare(s1, n1, s2, n2, options);
}

int TVxbEngineCollation::CompareWide(const char16_t* s1, size_t n1, const char16_t* s2, size_t n2,
                                     TStrCmpOptions options) const {
  return Compare(s1, n1, s2, n2, options);
}

int TVxbEngineCollation::CompareWideBytes(const uint8_t* s1, size_t n1, const uint8_t* s2, size_t n2,
                                          TStrCmpOptions options) const {
  return Compare(reinterpret_cast<const TLeUnit*>(s1), n1, reinterpret_cast<const TLeUnit*>(s2), n2, options);
}

int TVxbEngineCollation::ComparePrefixAnsi(const char* s, size_t n, const char* p, size_t m,
                                           TStrCmpOptions options, size_t* matched) const {
  return Prefix(s, n, p, m, options, matched);
}

int TVxbEngineCollation::ComparePrefixWide(const char16_t* s, size_t n, const char16_t* p, size_t m,
                                           TStrCmpOptions options, size_t* matched) const {
  return Prefix(s, n, p, m, options, matched);
}

// Case mapping: upper case maps a-z, 224-246 and 248-254 down by 32 and 255 to
// "Ÿ" (159 in code page 1252, U+0178 in UTF-16); lower case the reverse for
// A-Z, 192-214, 216-222 and "Ÿ". Other characters stay as they are.
namespace {

constexpr char16_t kWideCapitalYDiaeresis = 0x0178;

template <typename String>
String ToUpper(String text, uint32_t capitalYDiaeresis) {
  for (auto& c : text) {
    const uint32_t u = Unit(c);
    if ((u >= 'a' && u <= 'z') || (u >= 224 && u <= 254 && u != 247)) {
      c = static_cast<typename String::value_type>(u - 32);
    } else if (u == 255) {
      c = static_cast<typename String::value_type>(capitalYDiaeresis);
    }
  }
  return text;
}

template <typename String>
String ToLower(String text, uint32_t capitalYDiaeresis) {
  for (auto& c : text) {
    const uint32_t u = Unit(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 192 && u <= 222 && u != 215)) {
      c = static_cast<typename String::value_type>(u + 32);
    } else if (u == capitalYDiaeresis) {
      c = static_cast<typename String::value_type>(255);
    }
  }
  return text;
}

}  // namespace

std::string TVxbEngineCollation::UpperAnsi(std::string_view s) const {
  return ToUpper(std::string(s), 159);
}

std::string TVxbEngineCollation::LowerAnsi(std::string_view s) const {
  return ToLower(std::string(s), 159);
}

std::u16string TVxbEngineCollation::UpperWide(std::u16string_view s) const {
  return ToUpper(std::u16string(s), kWideCapitalYDiaeresis);
}

std::u16string TVxbEngineCollation::LowerWide(std::u16string_view s) const {
  return ToLower(std::u16string(s), kWideCapitalYDiaeresis);
}

std::u16string TVxbEngineCollation::AnsiToWide(std::string_view bytes) const {
  return CodePage1252().ToWide(bytes);
}

std::string TVxbEngineCollation::WideToAnsi(std::u16string_view text) const {
  return CodePage1252().FromWide(text);
}

}  // namespace vexilo::types
