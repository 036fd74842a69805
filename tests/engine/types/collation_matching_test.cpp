// Wildcard pattern matching under the engine collation and named collations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/types/collation.h"
#include "fs/text.h"

namespace vexilo::types {
namespace {

using fs::u16;

struct MatchCase {
  const char* collation;  // collation name
  const char* value;
  const char* pattern;
  bool matches;
};

// Matches with "%" as the multi-character wildcard, "_" as the single one and
// "\" as the escape, as UTF-16 and (where the text fits the code page) ANSI.
void ExpectMatch(const MatchCase& c) {
  SCOPED_TRACE(std::string(c.collation) + ": \"" + c.value + "\" like \"" + c.pattern + "\"");
  const TVxbResolvedCollation r = TVxbCollation::Resolve(u16(c.collation));
  ASSERT_NE(r.collation, nullptr);
  const std::u16string value = u16(c.value), pattern = u16(c.pattern);
  EXPECT_EQ(r.collation->MatchesWide(value, pattern, u'%', u'_', u'\\', r.options), c.matches);
  const std::string ansiValue = r.collation->WideToAnsi(value);
  const std::string ansiPattern = r.collation->WideToAnsi(pattern);
  if (r.collation->AnsiToWide(ansiValue) == value && r.collation->AnsiToWide(ansiPattern) == pattern) {
    EXPECT_EQ(r.collation->MatchesAnsi(ansiValue, ansiPattern, '%', '_', '\\', r.options), c.matches);
  }
}

TEST(PatternMatching, FollowsTheCaseSensitivityOfTheCollation) {
  const std::vector<MatchCase> cases = {
      {"Hungarian", "ABC", "ab%", true},
      {"Hungarian_CS", "ABC", "ab%", false},
      {"Hungarian_CS", "abC", "ab%", true},
      {"VexBase", "ABC", "ab%", true},
      {"Hungarian", "árvíztűrő", "ÁRVÍZ%", true},
      {"Hungarian", "árvíztűrő", "arviz%", false},  // accents count in "Hungarian"
      {"Hungarian_AI", "árvíztűrő", "arviz%", true},
      {"VexBase", "résumé", "resume", false},
      {"VexBase", "résumé", "RÉSUMÉ", true},
      // Literal parts are ligature-sensitive even where comparisons are not.
      {"Hungarian_AI", "Straße", "strasse", false},
      {"Hungarian_AI", "Straße", "straße", true},
  };
  for (const MatchCase& c : cases) ExpectMatch(c);
}

TEST(PatternMatching, WildcardsAndEscape) {
  const std::vector<MatchCase> cases = {
      {"VexBase", "abc", "abc", true},
      {"VexBase", "abc", "ab", false},
      {"VexBase", "ab", "abc", false},
      {"VexBase", "abc", "a_c", true},
      {"VexBase", "ac", "a_c", false},
      {"VexBase", "abbc", "a_c", false},
      {"VexBase", "ab", "a__", false},
      {"VexBase", "abcXYZdef", "abc%def", true},
      {"VexBase", "abcdef", "abc%def", true},
      {"VexBase", "abcde", "abc%def", false},
      {"VexBase", "xabcdef", "abc%def", false},
      {"VexBase", "abcdefx", "abc%def", false},
      {"VexBase", "abcdefdef", "abc%def", true},   // the last block ends the string
      {"VexBase", "banana", "%an%", true},
      {"VexBase", "banana", "%a%a%a", true},
      {"VexBase", "banana", "%a%a%a%a%", false},
      {"VexBase", "banana", "b%_a", true},
      {"VexBase", "banana", "%%n%%", true},
      {"VexBase", "a%c", "a\\%c", true},
      {"VexBase", "abc", "a\\%c", false},
      {"VexBase", "a_c", "a\\_c", true},
      {"VexBase", "abc", "a\\_c", false},
      {"VexBase", "a\\c", "a\\\\c", true},
      {"VexBase", "50% off", "%\\%%", true},
      {"VexBase", "a\\", "a\\", true},             // a trailing escape stands for itself
      {"VexBase", "", "", true},
      {"VexBase", "", "%", true},
      {"VexBase", "", "_", false},
      {"VexBase", "a", "", false},
      {"Hungarian", "őszibarack", "_sz%", true},
      {"Hungarian", "őszibarack", "%bar_ck", true},
  };
  for (const MatchCase& c : cases) ExpectMatch(c);
}

TEST(PatternMatching, UnusedWildcardsAreLiteral) {
  const TVxbCollation& engine = TVxbCollation::Engine();
  EXPECT_TRUE(engine.MatchesWide(u"a%c", u"a%c", 0, u'_', 0, 0));
  EXPECT_FALSE(engine.MatchesWide(u"abc", u"a%c", 0, u'_', 0, 0));
  EXPECT_TRUE(engine.MatchesWide(u"abc", u"a*c", u'*', u'?', 0, 0));
  EXPECT_TRUE(engine.MatchesAnsi("a_c", "a_c", '*', 0, 0, 0));
  EXPECT_FALSE(engine.MatchesAnsi("abc", "a_c", '*', 0, 0, 0));
}

// Patterns with many wildcards against long strings finish promptly (a
// naive backtracking walk takes exponential time on these).
TEST(PatternMatching, ManyWildcardsAgainstLongStringsFinish) {
  const std::u16string as(20000, u'a');
  const std::u16string pattern = u"%a%a%a%a%a%a%a%a%a%a%b";
  EXPECT_FALSE(TVxbCollation::Engine().MatchesWide(as, pattern, u'%', u'_', 0, 0));
  EXPECT_TRUE(TVxbCollation::Engine().MatchesWide(as + u"b", pattern, u'%', u'_', 0, 0));
  EXPECT_FALSE(TVxbCollation::Engine().MatchesAnsi(std::string(20000, 'a'), "%a%_%a%_%a%_%b", '%',
                                                  '_', 0, 0));
  const TVxbResolvedCollation hungarian = TVxbCollation::Resolve(u"Hungarian");
  const std::u16string hungarianAs(2000, u'a');
  EXPECT_FALSE(hungarian.collation->MatchesWide(hungarianAs, pattern, u'%', u'_', 0,
                                                hungarian.options));
}

}  // namespace
}  // namespace vexilo::types
