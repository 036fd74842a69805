// Search conditions prepared against an accessor on a small table of words
// (wide strings, an integer, a float, a date and a description, with nulls)
// and evaluated on each record: a table of conditions and the records each
// selects, covering three-valued logic, LIKE, BETWEEN, IN, HAS, the jokers
// option, literal conversion and arithmetic; then the numbered errors of
// preparation.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/condition_text.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"
#include "tests/engine/cursor/condition/words_fixture.h"

namespace vexilo::cursor::testing {
namespace {

using SqlCondition = WordsFixture;

struct TSelection {
  std::u16string Text;
  std::set<int32_t> Records;
  uint8_t Options = 0;
};

TEST_F(SqlCondition, ConditionsSelectTheirRecords) {
  const std::vector<TSelection> selections = {
      {u"", {1, 2, 3, 4, 5, 6}},
      // Strings under the table's collation: case does not count.
      {u"ENG = 'apple'", {1, 2}},
      {u"ENG = 'APPLE' And HUN <> 'alma'", {}},  // record 2's HUN is null
      {u"ENG = 'apple' And HUN IS NULL", {2}},
      {u"ENG > 'b'", {3}},
      {u"ENG = 'It''s'", {}},
      {u"LEIR = 'It''s sweet'", {3}},
      // Nulls: unknown is neither true nor false.
      {u"ENG <> 'pear'", {1, 2, 5, 6}},
      {u"NOT (ENG = 'pear')", {1, 2, 5, 6}},
      {u"ENG IS NULL", {4}},
      {u"ENG IS NOT NULL AND N IS NULL", {2}},
      {u"NOT ENG IS NULL", {1, 2, 3, 5, 6}},
      {u"N > 0 OR HUN = 'szilva'", {1, 3, 4, 5}},
      {u"N > 0 OR ENG = 'x'", {1, 3, 5}},
      {u"NOT (N > 0 OR ENG = 'x')", {6}},  // record 4: N false, ENG unknown
      {u"ENG = HUN OR (ENG IS NULL AND HUN IS NULL)", {}},
      {u"HUN = HUN OR (HUN IS NULL AND HUN IS NULL)", {1, 2, 3, 4, 5, 6}},
      // LIKE, with an escape; a null does not match.
      {u"ENG LIKE 'ap%'", {1, 2, 5, 6}},
      {u"ENG LIKE 'ap_le'", {1, 2}},
      // LIKE on a null is false, not unknown, so NOT LIKE selects it.
      {u"ENG NOT LIKE 'ap%'", {3, 4}},
      {u"LEIR LIKE '100!%%' ESCAPE '!'", {4}},
      {u"LEIR LIKE 'a!_c' ESCAPE '!'", {6}},
      {u"LEIR LIKE 'a_c'", {6}},
      // The trailing-* rule only with the jokers option.
      {u"ENG = 'app*'", {6}},
      {u"ENG = 'app*'", {1, 2, 6}, tpoUseJokers},
      {u"ENG = 'ap*'", {1, 2, 5, 6}, tpoUseJokers},
      // BETWEEN, reversed bounds, NOT BETWEEN.
      {u"N BETWEEN 3 AND 7", {1, 5}},
      {u"N BETWEEN 7 AND 3", {}},
      {u"N NOT BETWEEN 0 AND 5", {3, 4, 5}},
      {u"ENG BETWEEN 'apple' AND 'apricot'", {1, 2, 5}},
      // IN with a null element: no match is unknown.
      {u"N IN (3, 10)", {1, 3}},
      {u"N IN (3, NULL)", {1}},
      {u"NOT N IN (3, NULL)", {}},
      {u"NOT N IN (3, 10)", {4, 5, 6}},
      // HAS: exact and case-sensitive.
      {u"LEIR HAS 'fruit'", {1}},
      {u"LEIR HAS 'Fruit'", {}},
      // Literals converted to the column's type from their text.
      {u"N = '10'", {3}},
      {u"D = '30.03.2014'", {1}},
      {u"D = 30.03.2014", {1}},
      {u"D < 01.01.2014", {3, 4}},
      {u"D >= DATE '2014-01-01'", {1, 5, 6}},
      {u"F = 1.5", {1}},
      {u"F > 1", {1, 2, 5}},
      // Arithmetic; a null operand makes the comparison unknown.
      {u"N + 1 = 4", {1}},
      {u"N * 2 - 1 = 19", {3}},
      {u"20 - N - 5 = 5", {3}},
      {u"-N = 2", {4}},
      {u"(N + 1) * 2 = 8", {1}},
      {u"N + F > 4", {1, 5}},
      // Functions; a null argument gives null.
      {u"UPPER(HUN) HAS 'ALMA'", {1}},
      {u"LOWER(ENG) HAS 'apple'", {1, 2}},
      {u"CHAR_LENGTH(ENG) = 5 AND LEN(HUN) > 3", {1}},
      {u"LENGTH(HUN) > 5", {4, 5, 6}},
      {u"ABS(N) = 2 OR -ABS(N) = -10", {3, 4}},
      {u"SQRT(N) IS NULL", {2, 4}},
      {u"INT(F * 2) = 3", {1}},
      {u"ROUND(F, 1) = 0.2", {4}},
      {u"ROUND(N, F) > 2", {1, 5}},  // a floating-point count of places is rounded
      {u"FLOOR(F) = 2 OR CEILING(F) = 1", {2, 4}},
      {u"EXTRACT(YEAR FROM D) = 2014", {1, 5, 6}},
      {u"Year(D) = 2014 AND Month(D) = 6 AND Day(D) = 15", {5}},
      {u"EXTRACT(WEEKDAY FROM D) = 7", {1, 5}},
      {u"WeekDayNo(D) = 5", {4}},
      {u"Week(D) = 1", {6}},
      {u"EXTRACT(WEEK FROM D) = 52", {3, 4}},
      {u"SUBSTRING(ENG FROM 2 FOR 3) = 'ppl'", {1, 2}},
      {u"SUBSTRING(ENG FROM 4) = 'icot'", {5}},
      {u"LeftStr(HUN, 2) = 'al' OR RightStr(HUN, 3) = 'lag'", {1, 6}},
      {u"Pos('a', HUN) = 2", {5}},
      {u"Scan('l', HUN) = 2", {6}},
      {u"EXCHANGE(ENG, 'p', 'b') = 'abble'", {1, 2}},
      {u"NTIMES(HUN, 2) = 'almaalma'", {1}},
      {u"FILLSTR(HUN, '.', 6) = 'alma..'", {1}},
      {u"TRIM(BOTH '*' FROM ENG) = 'app'", {6}},
      {u"TRIM(LEADING 'a' FROM HUN) = 'lma'", {1}},
      {u"Ascii(HUN) = 107", {3, 5}},
      {u"HexStr(N, 2) = '0A'", {3}},
      {u"CHR(65) = 'A'", {1, 2, 3, 4, 5, 6}},
      {u"CURRENT_DATE > D", {1, 3, 4, 5, 6}},
      // Simplified parentheses.
      {u"((ENG = 'pear'))", {3}},
      {u"NOT (NOT (ENG = 'pear'))", {3}},
      {u"(ENG = 'pear' OR ENG = 'apricot') AND N > 7", {3}},
  };
  for (const TSelection& selection : selections) {
    SCOPED_TRACE(fs::u8(selection.Text));
    EXPECT_EQ(Selected(selection.Text, selection.Options), selection.Records);
  }
}

TEST_F(SqlCondition, TheNullEqualShapeBecomesOneTest) {
  TVxbSqlCondition condition(u"ENG = HUN OR (HUN IS NULL AND ENG IS NULL)");
  condition.Prepare({Accessor.get()}, 0);
  EXPECT_EQ(fs::u8(ConditionText(*condition.Tree())), "[ENG] == [HUN]");
  TVxbSqlCondition nested(u"(((ENG = 'x')))");
  nested.Prepare({Accessor.get()}, 0);
  EXPECT_EQ(fs::u8(ConditionText(*nested.Tree())), "[ENG] = 'x'");
}

struct TRefusal {
  std::u16string Text;
  int16_t Code;
  std::string Message;
};

TEST_F(SqlCondition, WrongConditionsAreRefusedWithTheirError) {
  const std::vector<TRefusal> refusals = {
      {u"ENG = 'abc", errors::vxbErrSyntax, "\"'\" expected but \"<end of statement>\" found"},
      {u"NOPE = 1", errors::vxbErrUnknownIdentifier, "Unknown identifier \"NOPE\""},
      {u"Words.NOPE = 1", errors::vxbErrUnknownIdentifier, "Unknown identifier \"Words.NOPE\""},
      {u"ENG > 5", errors::vxbErrTypeMismatch, "Type mismatch"},
      {u"N LIKE 'a%'", errors::vxbErrTypeMismatch, "Type mismatch"},
      {u"N = 'ten'", errors::vxbErrNotANumber, "\"ten\" is not a valid number"},
      {u"D = 'soon'", errors::vxbErrInvalidDate, "\"soon\" is not a valid date"},
      {u"ENG + N = 1", errors::vxbErrTypeMismatch, "Type mismatch"},
      {u"N = :Limit", errors::vxbErrNoValue, "The expression does not evaluate to a value"},
      {u"ABS(ENG) = 1", errors::vxbErrTypeMismatch, "Type mismatch"},
      {u"Year(N) = 1", errors::vxbErrTypeMismatch, "Type mismatch"},
      {u"STR(N) = '1'", errors::vxbErrNotSupported, "This feature is not supported: the function STR"},
      // Nothing may follow the condition.
      {u"ENG = 'apple' HUN = 'alma'", errors::vxbErrSyntax, "\"<end of statement>\" expected but \"HUN\" found"},
      {u"ENG = 'apple' 'und'", errors::vxbErrSyntax, "\"<end of statement>\" expected"},
      {u"ENG = 'apple' )", errors::vxbErrSyntax, "\"<end of statement>\" expected"},
  };
  for (const TRefusal& refusal : refusals) {
    SCOPED_TRACE(fs::u8(refusal.Text));
    TVxbSqlCondition condition(refusal.Text);
    try {
      condition.Prepare({Accessor.get()}, 0);
      ADD_FAILURE() << "prepared";
    } catch (const errors::EVxbEngine& e) {
      EXPECT_EQ(e.Code(), refusal.Code) << e.what();
      EXPECT_NE(std::string(e.what()).find(refusal.Message), std::string::npos) << e.what();
    }
    EXPECT_FALSE(condition.IsPrepared());
  }
}

TEST_F(SqlCondition, AQualifiedColumnNamesItsTable) {
  EXPECT_EQ(Selected(u"Words.ENG = 'pear'"), (std::set<int32_t>{3}));
  EXPECT_EQ(Selected(u"words.eng = 'pear'"), (std::set<int32_t>{3}));
}

}  // namespace
}  // namespace vexilo::cursor::testing
