// Named collations: locale-aware ordering with case and accent options, prefix
// bounds, case mapping and the ANSI code page of the language.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "engine/types/collation.h"
#include "engine/types/collation_error.h"
#include "fs/text.h"

namespace vexilo::types {
namespace {

using fs::u16;
using fs::u8;

// A collation name resolved for a test; fails the test when it is unknown.
struct Named {
  explicit Named(const char16_t* name) : resolved(TVxbCollation::Resolve(name)) {
    EXPECT_NE(resolved.collation, nullptr);
  }
  const TVxbCollation& Collation() const { return *resolved.collation; }

  int Wide(const std::u16string& a, const std::u16string& b, TStrCmpOptions extra = 0) const {
    return Collation().CompareWide(a.data(), a.size(), b.data(), b.size(), resolved.options | extra);
  }
  // Compares the texts as String values in the language's code page.
  int Ansi(const std::string& a, const std::string& b) const {
    const std::string x = Collation().WideToAnsi(u16(a));
    const std::string y = Collation().WideToAnsi(u16(b));
    return Collation().CompareAnsi(x.data(), x.size(), y.data(), y.size(), resolved.options);
  }

  TVxbResolvedCollation resolved;
};

TEST(NamedCollation, CaseAndAccentOptionsDecideEquality) {
  struct Case {
    const char16_t* collation;
    const char* a;
    const char* b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {u"Hungarian_CI_AI", "árvíztűrő", "ARVIZTURO", true},
      {u"Hungarian_CI_AI", "tükörfúrógép", "tukorfurogep", true},
      {u"Hungarian", "ÁRVÍZTŰRŐ", "árvíztűrő", true},
      {u"Hungarian", "árvíztűrő", "arvizturo", false},
      {u"Hungarian_CS", "Árvíztűrő", "árvíztűrő", false},
      {u"Hungarian_CS", "árvíztűrő", "árvíztűrő", true},
      {u"Hungarian_CS_AI", "Árvíztűrő", "Arvizturo", true},
      {u"Hungarian_CS_AI", "Arvizturo", "arvizturo", false},
      {u"German_AI", "Müller", "MULLER", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(u8(c.collation) + ": " + c.a + " vs " + c.b);
    const Named named(c.collation);
    EXPECT_EQ(named.Wide(u16(c.a), u16(c.b)) == 0, c.equal);
    EXPECT_EQ(named.Ansi(c.a, c.b) == 0, c.equal);
  }
}

TEST(NamedCollation, HungarianOrdersItsOwnLetters) {
  // ő sorts among the o words (after ö, before p), and the digraph "cs"
  // after every other c.
  const std::vector<std::string> sorted = {"cukor", "csak", "dal",   "olló", "orr",
                                           "öröm",  "őz",   "pap",  "zebra"};
  const Named hungarian(u"Hungarian");
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    SCOPED_TRACE(sorted[i] + " < " + sorted[i + 1]);
    EXPECT_EQ(hungarian.Wide(u16(sorted[i]), u16(sorted[i + 1])), -1);
    EXPECT_EQ(hungarian.Wide(u16(sorted[i + 1]), u16(sorted[i])), 1);
    EXPECT_EQ(hungarian.Ansi(sorted[i], sorted[i + 1]), -1);
  }
}

TEST(NamedCollation, PrefixBoundsCoverExactlyTheValuesWithThePrefix) {
  const Named hungarian(u"Hungarian");
  const std::u16string low = u"sz";
  const std::u16string high = std::u16string(u"sz") + u'\0';
  for (const char* v : {"sz", "szó", "Szu", "szoba"}) {
    SCOPED_TRACE(v);
    EXPECT_GE(hungarian.Wide(u16(v), low), 0);
    EXPECT_EQ(hungarian.Wide(u16(v), high), -1);
    EXPECT_EQ(hungarian.Wide(high, u16(v)), 1);
  }
  for (const char* v : {"s", "sy", "t", "tüske"}) {
    SCOPED_TRACE(v);
    EXPECT_FALSE(hungarian.Wide(u16(v), low) >= 0 && hungarian.Wide(u16(v), high) < 0);
  }
}

TEST(NamedCollation, PrefixComparisonExpandsLigaturesUnlessLigatureSensitive) {
  const TVxbCollation& german = *TVxbCollation::Resolve(u"German").collation;
  struct Case {
    const char* s;
    const char* p;
    TStrCmpOptions options;
    int expected;
    size_t matched;
  };
  const std::vector<Case> cases = {
      {"ßa", "ss", 0, 0, 1},
      {"ssa", "ß", 0, 0, 2},
      {"ﬁnal", "fi", 0, 0, 1},
      {"ßa", "ss", scoLigatureSensitive, 1, 2},
      {"Straße", "stra", 0, 0, 4},
      {"Str", "stra", 0, -1, 3},
      {"Str", "stra", scoLigatureSensitive, -1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.s) + " / " + c.p);
    const std::u16string s = u16(c.s), p = u16(c.p);
    size_t matched = 99;
    const int r = german.ComparePrefixWide(s.data(), s.size(), p.data(), p.size(), c.options, &matched);
    EXPECT_EQ(r == 0 ? 0 : r < 0 ? -1 : 1, c.expected == 0 ? 0 : c.expected < 0 ? -1 : 1);
    EXPECT_EQ(matched, c.matched);
  }
}

TEST(NamedCollation, MapsCaseInTheLanguage) {
  struct Case {
    const char16_t* collation;
    const char* lower;
    const char* upper;
  };
  const std::vector<Case> cases = {
      {u"Hungarian", "árvíztűrő tükörfúrógép", "ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"},
      {u"Turkish", "istanbul ılık", "İSTANBUL ILIK"},
      {u"Russian", "москва", "МОСКВА"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lower);
    const TVxbCollation& collation = Named(c.collation).Collation();
    EXPECT_EQ(u8(collation.UpperWide(u16(c.lower))), c.upper);
    EXPECT_EQ(u8(collation.LowerWide(u16(c.upper))), c.lower);
    const std::string lower = collation.WideToAnsi(u16(c.lower));
    const std::string upper = collation.WideToAnsi(u16(c.upper));
    EXPECT_EQ(collation.UpperAnsi(lower), upper);
    EXPECT_EQ(collation.LowerAnsi(upper), lower);
  }
}

TEST(NamedCollation, ConvertsThroughTheLanguagesCodePage) {
  const TVxbCollation& hungarian = Named(u"Hungarian").Collation();
  const std::string text = "Árvíztűrő tükörfúrógép, ŐŰ őű – 5 €";
  const std::string bytes = hungarian.WideToAnsi(u16(text));
  EXPECT_EQ(bytes.size(), u16(text).size());
  EXPECT_EQ(hungarian.WideToAnsi(u"őűŐŰ"), "\xF5\xFB\xD5\xDB");  // code page 1250
  EXPECT_EQ(u8(hungarian.AnsiToWide(bytes)), text);
  // Characters 1250 lacks become "?": no best-fit "n" for "ñ" or "A" for "Ā".
  EXPECT_EQ(hungarian.WideToAnsi(u16("señor Ā 日")), "se?or ? ?");
  EXPECT_EQ(hungarian.WideToAnsi(u16("o\xCC\x8B")), "\xF5");  // o + combining double acute

  const TVxbCollation& japanese = Named(u"Japanese").Collation();
  const std::string kanji = japanese.WideToAnsi(u16("日本語 ok"));
  EXPECT_EQ(kanji.size(), 9u);
  EXPECT_EQ(u8(japanese.AnsiToWide(kanji)), "日本語 ok");
  EXPECT_EQ(japanese.WideToAnsi(u16("ő")), "?");
  // The prefix comparison of String values counts bytes, not characters.
  const std::string prefix = japanese.WideToAnsi(u16("日本"));
  size_t matched = 0;
  EXPECT_EQ(japanese.ComparePrefixAnsi(kanji.data(), kanji.size(), prefix.data(), prefix.size(), 0,
                                       &matched),
            0);
  EXPECT_EQ(matched, 4u);
}

TEST(NamedCollation, LongAnsiValuesCompareLikeShortOnes) {
  const Named hungarian(u"Hungarian");
  std::string a(1000, 'a');
  std::string b = a;
  a += "ő";
  b += "p";
  EXPECT_EQ(hungarian.Ansi(a, b), -1);
  EXPECT_EQ(hungarian.Ansi(b, a), 1);
}

TEST(NamedCollation, SharedAcrossThreads) {
  const Named hungarian(u"Hungarian_CS_AI");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const TStrCmpOptions extra = static_cast<TStrCmpOptions>(t & 1 ? scoAccentSensitive : 0);
      for (int k = 0; k < 200; ++k) {
        if (hungarian.Wide(u"Árvíztűrő", u"Arvizturo", extra) != (extra ? 1 : 0)) ++failures[t];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST(NamedCollation, RefusedLocaleNamesNumberAndLanguage) {
  const ECollationError error = ECollationError::Unsupported(0x40E, u"Hungarian");
  EXPECT_STREQ(error.what(), "Locale 1038 (Hungarian) is not supported on this computer.");
}

}  // namespace
}  // namespace vexilo::types
