// The index and range a condition chooses on the words table, for a table
// of conditions against a set of indexes: single and combined columns, AND
// and OR, NOT, mirrored comparisons, LIKE prefixes, BETWEEN, the bar of half
// the wished score, temporary indexes and descending keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cursor/condition/index_choice.h"
#include "tests/engine/cursor/condition/words_fixture.h"

namespace vexilo::cursor::testing {
namespace {

using IndexChoice = WordsFixture;

TVxbIndexCandidate Index(int indexNo, std::u16string name, std::vector<TVxbIndexKeyColumn> keys) {
  return TVxbIndexCandidate{indexNo, std::move(name), std::move(keys)};
}

struct TChoiceCase {
  std::u16string Condition;
  std::vector<TVxbIndexCandidate> Indexes;
  std::string Chosen;  // DescribeChoice
  bool AutoCreate = false;
};

TEST_F(IndexChoice, ConditionsChooseTheirIndexAndRange) {
  const TVxbIndexCandidate eng = Index(1, u"ENG", {{kEng, false}});
  const TVxbIndexCandidate hun = Index(2, u"HUN", {{kHun, false}});
  const TVxbIndexCandidate n = Index(3, u"N", {{kN, false}});
  const TVxbIndexCandidate engHun = Index(4, u"ENG_HUN", {{kEng, false}, {kHun, false}});
  const TVxbIndexCandidate engDown = Index(5, u"ENG_DOWN", {{kEng, true}});
  const TVxbIndexCandidate engUpHunDown = Index(6, u"MIXED", {{kEng, false}, {kHun, true}});
  const std::vector<TChoiceCase> cases = {
      {u"ENG = 'apple'", {eng, hun}, "index ENG (score 400 of 400): ENG from 'apple' to 'apple'"},
      {u"ENG = 'a' OR HUN = 'b'", {eng, hun}, "no index: every record"},
      {u"ENG = 'a' AND HUN = 'b'", {eng, hun}, "index ENG (score 400 of 600): ENG from 'a' to 'a'"},
      {u"HUN = 'b' AND ENG = 'a'", {eng, hun}, "index ENG (score 400 of 600): ENG from 'a' to 'a'"},
      {u"HUN = 'b' AND ENG > 'a'", {eng, hun}, "index HUN (score 400 of 450): HUN from 'b' to 'b'"},
      {u"ENG = 'a' AND HUN = 'b'", {eng, engHun}, "index ENG_HUN (score 600 of 600): ENG from 'a' to 'a', HUN from 'b' to 'b'"},
      {u"ENG > 'm' AND ENG < 'p'", {eng}, "index ENG (score 300 of 300): ENG from 'm' to 'p'"},
      {u"ENG >= 'm'", {eng}, "index ENG (score 200 of 200): ENG from 'm' to the last"},
      {u"ENG < 'm'", {eng}, "index ENG (score 100 of 100): ENG from the first to 'm'"},
      {u"'m' < ENG", {eng}, "index ENG (score 100 of 100): ENG from 'm' to the last"},
      {u"NOT ENG <> 'a'", {eng}, "index ENG (score 400 of 400): ENG from 'a' to 'a'"},
      {u"NOT ENG < 'a'", {eng}, "index ENG (score 200 of 200): ENG from 'a' to the last"},
      {u"NOT ENG LIKE 'a%'", {eng}, "no index: every record"},
      {u"ENG LIKE 'ap%'", {eng}, "index ENG (score 300 of 300): ENG from 'ap' to 'ap\u2026'"},
      {u"ENG LIKE '10!%%' ESCAPE '!'", {eng}, "index ENG (score 300 of 300): ENG from '10%' to '10%\u2026'"},
      {u"ENG LIKE '%pple'", {eng}, "no index: every record"},
      {u"N BETWEEN 3 AND 7", {eng, n}, "index N (score 300 of 300): N from '3' to '7'"},
      // The equality supplies the upper bound the first factor lacks.
      {u"N > 3 AND N = 5", {n}, "index N (score 300 of 300): N from '3' to '5'"},
      {u"N = 5 AND N > 3", {n}, "index N (score 400 of 400): N from '5' to '5'"},
      {u"ENG = 'a' AND (HUN = 'b')", {hun}, "index HUN (score 400 of 600): HUN from 'b' to 'b'"},
      {u"ENG = 'a' AND (HUN = 'b' OR HUN = 'c')", {hun}, "no index: every record"},
      {u"ENG = HUN", {eng, hun}, "no index: every record"},
      {u"N + 1 = 2", {n}, "no index: every record"},
      {u"LEIR = 'x'", {eng}, "no index: every record"},
      // The bar: an index must reach more than half the wished score.
      {u"ENG = 'a'", {hun}, "no index: every record"},
      {u"ENG = 'a'", {hun}, "a temporary index on ENG", true},
      {u"ENG = 'a' AND N = 1", {eng}, "index ENG (score 400 of 600): ENG from 'a' to 'a'"},
      {u"ENG = 'a' AND N = 1", {hun}, "a temporary index on ENG, N", true},
      {u"", {eng}, "no index: every record", true},
      // Descending keys.
      {u"ENG >= 'm'", {engDown}, "index ENG_DOWN (score 200 of 200), in reverse: ENG from the first to 'm'"},
      {u"ENG = 'a' AND HUN = 'b'", {engUpHunDown}, "no index: every record"},
  };
  for (const TChoiceCase& c : cases) {
    SCOPED_TRACE(fs::u8(c.Condition));
    TVxbSqlCondition condition(c.Condition);
    condition.Prepare({Accessor.get()}, 0);
    const TVxbIndexChoice choice =
        ChooseIndex(const_cast<TVxbSearchCondition*>(condition.Tree()), *Accessor, c.Indexes, c.AutoCreate);
    EXPECT_EQ(fs::u8(DescribeChoice(choice, *Accessor)), c.Chosen);
  }
}

}  // namespace
}  // namespace vexilo::cursor::testing
