// The engine collation "VexBase": ordering, prefix bounds, prefix comparison,
// case mapping and code page 1252.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/types/collation.h"
#include "fs/text.h"

namespace vexilo::types {
namespace {

using fs::u16;
using fs::u8;

const TVxbCollation& Engine() { return TVxbCollation::Engine(); }

constexpr TStrCmpOptions kDefault = scoLigatureSensitive | scoAccentSensitive;  // "VexBase"

// Code page 1252 bytes of a UTF-8 text.
std::string Ansi(std::string_view utf8) { return Engine().WideToAnsi(u16(utf8)); }

int CompareWide(const std::u16string& a, const std::u16string& b, TStrCmpOptions o) {
  return Engine().CompareWide(a.data(), a.size(), b.data(), b.size(), o);
}
int CompareAnsi(const std::string& a, const std::string& b, TStrCmpOptions o) {
  return Engine().CompareAnsi(a.data(), a.size(), b.data(), b.size(), o);
}

struct OrderCase {
  const char* a;
  const char* b;
  TStrCmpOptions options;
  int expected;
};

// Cases whose characters all exist in code page 1252 hold for String (ANSI)
// and WideString (UTF-16) values alike, and in both argument orders.
TEST(EngineCollation, OrdersLatin1TextTheSameAsAnsiAndUtf16) {
  const std::vector<OrderCase> cases = {
      {"Kovacs", "Kovács", kDefault, -1},       // the accented one is greater
      {"Árpád", "Arpad", kDefault, 1},
      {"Kovács", "Kovacs", scoLigatureSensitive, 0},  // accents off
      {"strasse", "STRASSE", kDefault, 0},      // case is not significant
      {"KOVÁCS", "kovács", kDefault, 0},
      {"Kovacs", "kovacs", kDefault | scoCaseSensitive, -1},
      {"Á", "á", kDefault | scoCaseSensitive, -1},
      {"Straße", "Strasse", kDefault, -1},      // ligatures count by default
      {"Straße", "Strasse", 0, 0},              // ... and "ß" equals "ss" without
      {"Straße", "Strasse", scoAccentSensitive, 0},
      {"Straße", "Strasse", scoCaseSensitive, 0},
      {"Straße", "STRASSE", scoCaseSensitive, 1},
      {"ß", "s", 0, 1},
      {"ßa", "ssb", 0, -1},
      {"résumé", "resume", kDefault, 1},
      {"résumé", "rèsumè", kDefault, 0},        // accents at the same places cancel
      {"ée", "eé", kDefault, 1},                // the earlier accent is greater
      {"Kovács", "Kovacsné", kDefault, -1},     // a longer string wins over accents
      {"a^b", "a b", kDefault, 0},
      {"a^c", "a!c", kDefault, -1},             // "^" sorts as a blank
      {"Zoltán", "zoltan", scoLigatureSensitive, 0},
      {"Çà", "ca", scoLigatureSensitive, 0},
      {"abc", "abd", kDefault, -1},
      {"", "", kDefault, 0},
      {"", "a", kDefault, -1},
      {"a_b", "aZb", kDefault, 1},               // after folding "Z" is 90, "_" 95
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b + " options " + std::to_string(c.options));
    EXPECT_EQ(CompareWide(u16(c.a), u16(c.b), c.options), c.expected);
    EXPECT_EQ(CompareWide(u16(c.b), u16(c.a), c.options), -c.expected);
    EXPECT_EQ(CompareAnsi(Ansi(c.a), Ansi(c.b), c.options), c.expected);
    EXPECT_EQ(CompareAnsi(Ansi(c.b), Ansi(c.a), c.options), -c.expected);
  }
}

// The comparison walk step by step, without any shortcut: the fast paths of
// the collation must give exactly its results.
template <typename C>
int ReferenceCompare(const std::basic_string<C>& s1, const std::basic_string<C>& s2,
                     TStrCmpOptions o) {
  static const auto baseLetter = [](uint32_t c) -> uint32_t {
    const std::u16string from =
        u"\x8A\x8C\x9A\x9C\x9F\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD"
        u"\xCE\xCF\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD\xDF\xE0\xE1\xE2"
        u"\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF1\xF2\xF3\xF4\xF5"
        u"\xF6\xF8\xF9\xFA\xFB\xFC\xFD\xFF";
    const std::u16string to = u"SOsoYAAAAAAACEEEEIIIIDNOOOOOOUUUUYsaaaaaaaceeeeiiiidnooooooouuuuyy";
    const size_t k = from.find(static_cast<char16_t>(c));
    return k == std::u16string::npos ? c : to[k];
  };
  const size_t none = SIZE_MAX;
  size_t i = 0, j = 0, acc1 = none, acc2 = none;
  bool twice1 = false, twice2 = false;
  const auto next = [&](const std::basic_string<C>& s, size_t& pos, bool& twice, size_t& acc) {
    uint32_t c = sizeof(C) == 1 ? static_cast<uint8_t>(s[pos]) : static_cast<uint32_t>(s[pos]);
    if (c == '^') {
      c = ' ';
      ++pos;
    } else if (c == 0xDF && !(o & scoLigatureSensitive)) {
      c = 's';
      if (twice) ++pos;
      twice = !twice;
    } else if (c == 127) {
      c = sizeof(C) == 1 ? 255 : 0xFFFF;
      ++pos;
    } else if (c >= 128 && c <= 255) {
      if ((o & scoAccentSensitive) && acc == none) acc = pos;
      c = baseLetter(c);
      ++pos;
    } else {
      ++pos;
    }
    if (!(o & scoCaseSensitive) && c >= 'a' && c <= 'z') c -= 32;
    return c;
  };
  while (i < s1.size() && j < s2.size()) {
    const uint32_t c1 = next(s1, i, twice1, acc1);
    const uint32_t c2 = next(s2, j, twice2, acc2);
    if (acc1 != none && acc1 == acc2) acc1 = acc2 = none;
    if (c1 != c2) return c1 < c2 ? -1 : 1;
  }
  if (i < s1.size()) return 1;
  if (j < s2.size()) return -1;
  if (acc1 == acc2) return 0;
  return acc1 < acc2 ? 1 : -1;
}

TEST(EngineCollation, GivesTheResultsOfTheStepByStepWalk) {
  // Characters that exercise every rule: accents, "ß", "^", 127, case, and
  // (in UTF-16) units above 255; strings are made alike so that many pairs
  // get past their first characters.
  const std::u16string alphabet = u"aAsS\xDF\xE9\xC9e^ \x7F\x9F\xFF\u0151z";
  std::mt19937 random(7);
  const auto randomText = [&] {
    std::u16string t(random() % 9, u'a');
    for (char16_t& c : t) c = alphabet[random() % alphabet.size()];
    return t;
  };
  for (int k = 0; k < 20000; ++k) {
    const std::u16string a = randomText();
    std::u16string b = a;
    for (int edits = random() % 3; edits > 0 && !b.empty(); --edits) {
      const size_t at = random() % b.size();
      switch (random() % 4) {
        case 0: b[at] = alphabet[random() % alphabet.size()]; break;
        case 1: b.insert(at, 1, alphabet[random() % alphabet.size()]); break;
        case 2: b.erase(at, 1); break;
        default: b.replace(at, 1, b[at] == u'\xDF' ? u"ss" : u"\xDF"); break;
      }
    }
    if (random() % 4 == 0) b += randomText();
    std::string ansiA, ansiB;  // the same units as bytes (ő becomes "?")
    for (const char16_t c : a) ansiA += c < 256 ? static_cast<char>(c) : '?';
    for (const char16_t c : b) ansiB += c < 256 ? static_cast<char>(c) : '?';
    for (int o = 0; o < 8; ++o) {
      const auto options = static_cast<TStrCmpOptions>(o);
      ASSERT_EQ(CompareWide(a, b, options), ReferenceCompare(a, b, options))
          << fs::u8(a) << " vs " << fs::u8(b) << " options " << o;
      ASSERT_EQ(CompareAnsi(ansiA, ansiB, options), ReferenceCompare(ansiA, ansiB, options))
          << fs::u8(a) << " vs " << fs::u8(b) << " options " << o << " (ANSI)";
    }
  }
}

// Keys and record buffers hold UTF-16LE units at any byte address; comparing
// them in place must give what comparing aligned copies gives, in the engine
// collation and in a named one, for bounds (a trailing 0) and for strings
// longer than the comparison keeps on its stack.
TEST(EngineCollation, UnitsAtAnyByteAddressCompareLikeAlignedStrings) {
  const std::u16string alphabet = u"aAsS\xDF\xE9\xC9e^ \x7F\xFF\u0151\u00F6z";
  std::mt19937 random(11);
  const auto randomText = [&](size_t maxLength) {
    std::u16string t(random() % maxLength, u'a');
    for (char16_t& c : t) c = alphabet[random() % alphabet.size()];
    if (random() % 5 == 0) t += u'\0';
    return t;
  };
  // Little-endian bytes one byte past an even address.
  const auto oddBytes = [](const std::u16string& t) {
    std::vector<uint8_t> bytes(1 + 2 * t.size());
    for (size_t i = 0; i < t.size(); ++i) {
      bytes[1 + 2 * i] = static_cast<uint8_t>(t[i] & 0xFF);
      bytes[2 + 2 * i] = static_cast<uint8_t>(t[i] >> 8);
    }
    return bytes;
  };
  for (const char16_t* name : {u"", u"Hungarian"}) {
    const TVxbCollation& collation = *name ? *TVxbCollation::Resolve(name).collation : TVxbCollation::Engine();
    for (int k = 0; k < 3000; ++k) {
      const size_t maxLength = k % 50 == 0 ? 300 : 9;
      const std::u16string a = randomText(maxLength);
      const std::u16string b = k % 3 == 0 ? a.substr(0, a.size() / 2) + randomText(4) : randomText(maxLength);
      const std::vector<uint8_t> bytesA = oddBytes(a);
      const std::vector<uint8_t> bytesB = oddBytes(b);
      for (int o = 0; o < 8; ++o) {
        const auto options = static_cast<TStrCmpOptions>(o);
        ASSERT_EQ(collation.CompareWideBytes(bytesA.data() + 1, a.size(), bytesB.data() + 1, b.size(), options),
                  collation.CompareWide(a.data(), a.size(), b.data(), b.size(), options))
            << fs::u8(collation.LanguageName()) << ": " << fs::u8(a) << " vs " << fs::u8(b) << " options " << o;
      }
    }
  }
}

// The letters a String or WideString of the engine collation may hold:
// A-Z, a-z and every Latin-1 letter.
std::vector<char16_t> Latin1Letters() {
  std::vector<char16_t> letters;
  for (char16_t c = u'A'; c <= u'Z'; ++c) letters.push_back(c);
  for (char16_t c = u'a'; c <= u'z'; ++c) letters.push_back(c);
  for (char16_t c = 0xC0; c <= 0xFF; ++c) {
    if (c != 0xD7 && c != 0xF7) letters.push_back(c);
  }
  return letters;
}

// Š, Œ, š, œ and Ÿ lie at 128-159 in code page 1252 and map to base letters
// there; in UTF-16 they lie above 255 and compare by code.
TEST(EngineCollation, Letters128To159MapInAnsiButCompareByCodeInUtf16) {
  EXPECT_EQ(CompareAnsi(Ansi("Œuvre Šárka"), Ansi("ouvre sarka"), scoLigatureSensitive), 0);
  EXPECT_EQ(CompareAnsi(Ansi("Ÿ"), Ansi("y"), 0), 0);
  EXPECT_EQ(CompareWide(u16("Œuvre"), u16("ouvre"), scoLigatureSensitive), 1);
  EXPECT_EQ(CompareWide(u16("Š"), u16("z"), 0), 1);
}

TEST(EngineCollation, Code127SortsAfterEveryLetter) {
  for (const TStrCmpOptions o : {TStrCmpOptions{0}, kDefault, TStrCmpOptions{7}}) {
    for (const char16_t letter : Latin1Letters()) {
      SCOPED_TRACE(static_cast<int>(letter));
      const std::u16string del = u"a\x7F";
      const std::u16string other = {u'a', letter};
      EXPECT_EQ(CompareWide(del, other, o), 1);
      const std::string ansiDel = "a\x7F";
      const std::string ansiOther = {'a', static_cast<char>(letter)};
      EXPECT_EQ(CompareAnsi(ansiDel, ansiOther, o), 1);
    }
    EXPECT_EQ(CompareWide(u"\x7F", u"\u0151", o), 1);  // also after units above 255
    EXPECT_EQ(CompareWide(u"\x7F", u"\x7F", o), 0);
  }
}

TEST(EngineCollation, UnitsAbove255CompareByCodeAfterLatin1) {
  for (const char16_t letter : Latin1Letters()) {
    SCOPED_TRACE(static_cast<int>(letter));
    EXPECT_EQ(CompareWide(u"\u0151", std::u16string(1, letter), kDefault), 1);  // ő
  }
  EXPECT_NE(CompareWide(u"\u0150", u"\u0151", kDefault), 0);  // Ő and ő differ
  EXPECT_NE(CompareWide(u"\u0150", u"\u0151", 0), 0);
  EXPECT_EQ(CompareWide(u16("tűz"), u16("tüz"), 0), 1);
  EXPECT_EQ(CompareWide(u16("őz"), u16("zebra"), kDefault), 1);
}

// The range from P to P followed by character 0 holds exactly the values
// that begin with P, whichever side of a comparison the bound stands on.
TEST(EngineCollation, PrefixBoundsCoverExactlyTheValuesWithThePrefix) {
  struct Case {
    const char* value;
    bool inside;
  };
  const std::vector<Case> cases = {
      {"sz", true},  {"szó", true},  {"szu", true}, {"szoba", true}, {"SZÓRAKOZÁS", true},
      {"sy", false}, {"t", false},   {"s", false},  {"", false},     {"szí", true},
      {"sža", false}, {"sZ", true},
  };
  const std::u16string low = u"sz";
  const std::u16string high = std::u16string(u"sz") + u'\0';
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    for (const bool ansi : {false, true}) {
      if (ansi && u16(c.value) != Engine().AnsiToWide(Ansi(c.value))) continue;  // not in 1252
      const auto cmp = [&](const std::u16string& a, const std::u16string& b) {
        if (!ansi) return CompareWide(a, b, kDefault);
        return CompareAnsi(Engine().WideToAnsi(a), Engine().WideToAnsi(b), kDefault);
      };
      const std::u16string v = u16(c.value);
      const bool inside = cmp(v, low) >= 0 && cmp(v, high) < 0;
      EXPECT_EQ(inside, c.inside) << (ansi ? "ANSI" : "UTF-16");
      EXPECT_EQ(cmp(high, v), -cmp(v, high));
    }
  }
  // Two bounds compare as their prefixes.
  EXPECT_EQ(CompareWide(high, high, kDefault), 0);
  EXPECT_EQ(CompareWide(high, std::u16string(u"sy") + u'\0', kDefault), 1);
  // "Straße" begins with "Strass" only when ligatures are not significant.
  const std::u16string strass = std::u16string(u"Strass") + u'\0';
  EXPECT_EQ(CompareWide(u16("Straße"), u"Strass", 0), 1);
  EXPECT_EQ(CompareWide(u16("Straße"), strass, 0), -1);
  EXPECT_EQ(CompareWide(u16("Straße"), u"Strass", kDefault), -1);
  EXPECT_EQ(CompareWide(u16("Straße"), strass, kDefault), -1);
}

TEST(EngineCollation, PrefixComparisonCountsLigaturesOnlyWhenAskedTo) {
  struct Case {
    const char* s;
    const char* p;
    TStrCmpOptions options;
    int expected;
    size_t matched;
  };
  const std::vector<Case> cases = {
      {"szoba", "sz", kDefault, 0, 2},
      {"s", "sz", kDefault, -1, 1},        // shorter than the prefix
      {"Szoba", "sz", kDefault, 0, 2},
      {"sy", "sz", kDefault, -1, 2},
      {"ta", "sz", kDefault, 1, 2},
      {"ßa", "ss", 0, 0, 1},               // "ß" covers both letters of the prefix
      {"ssa", "ß", 0, 0, 2},
      {"ßa", "ss", scoLigatureSensitive, -1, 2},
      {"Kovács", "Kovac", kDefault, 1, 5},   // "Kovác" is not "Kovac"
      {"Kovács", "Kovác", kDefault, 0, 5},
      {"Kovács", "Ková", kDefault, 0, 4},
      {"Kovacs", "Ková", kDefault, -1, 4},
      {"Kovacs", "Ková", 0, 0, 4},
      {"", "", kDefault, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.s) + " / " + c.p + " options " + std::to_string(c.options));
    const std::u16string s = u16(c.s), p = u16(c.p);
    size_t matched = 99;
    EXPECT_EQ(Engine().ComparePrefixWide(s.data(), s.size(), p.data(), p.size(), c.options, &matched),
              c.expected);
    EXPECT_EQ(matched, c.matched);
    const std::string as = Ansi(c.s), ap = Ansi(c.p);
    matched = 99;
    EXPECT_EQ(Engine().ComparePrefixAnsi(as.data(), as.size(), ap.data(), ap.size(), c.options,
                                         &matched),
              c.expected);
    EXPECT_EQ(matched, c.matched);
  }
}

TEST(EngineCollation, ChangesCaseOfAsciiAndLatin1LettersOnly) {
  struct Case {
    const char* lower;
    const char* upper;
  };
  const std::vector<Case> cases = {
      {"kovács árpád", "KOVÁCS ÁRPÁD"},
      {"àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ"},
      {"ÿ", "Ÿ"},  // 255 and 159 (UTF-16: U+0178)
      {"1 + 2 × 3 ÷ 4 µ", "1 + 2 × 3 ÷ 4 µ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lower);
    EXPECT_EQ(u8(Engine().UpperWide(u16(c.lower))), c.upper);
    EXPECT_EQ(u8(Engine().LowerWide(u16(c.upper))), c.lower);
    EXPECT_EQ(Engine().UpperAnsi(Ansi(c.lower)), Ansi(c.upper));
    EXPECT_EQ(Engine().LowerAnsi(Ansi(c.upper)), Ansi(c.lower));
  }
  EXPECT_EQ(Engine().UpperAnsi("\xFF"), "\x9F");
  EXPECT_EQ(Engine().LowerAnsi("\x9F"), "\xFF");
  // "ß", "š", "ő" have no case mapping in this collation.
  EXPECT_EQ(u8(Engine().UpperWide(u16("ßšő"))), "ßšő");
  EXPECT_EQ(u8(Engine().LowerWide(u16("ŐŰ"))), "ŐŰ");
}

TEST(EngineCollation, ConvertsThroughCodePage1252) {
  EXPECT_EQ(Engine().CodePage(), 1252);
  const std::string western = "Straße, café, œuvre — 5 € „idézet”";
  EXPECT_EQ(u8(Engine().AnsiToWide(Ansi(western))), western);
  EXPECT_EQ(Ansi("é€Ÿ"), "\xE9\x80\x9F");
  // Characters code page 1252 lacks become one "?" each.
  EXPECT_EQ(Ansi("tűz ő"), "t?z ?");
  EXPECT_EQ(Ansi("a😀b"), "a?b");
  EXPECT_EQ(Engine().WideToAnsi(std::u16string(1, char16_t(0xD800))), "?");
  // A letter followed by a combining accent is composed first.
  EXPECT_EQ(Ansi("e\xCC\x81"), "\xE9");
  // Bytes 1252 leaves undefined survive a round trip.
  const std::string undefined = "\x81\x8D\x8F\x90\x9D";
  EXPECT_EQ(Engine().WideToAnsi(Engine().AnsiToWide(undefined)), undefined);
}

}  // namespace
}  // namespace vexilo::types
