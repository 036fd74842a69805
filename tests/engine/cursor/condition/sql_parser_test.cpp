// The search-condition parser on tables of texts: what each reads as (in
// the canonical text of the tree, which shows precedence, associativity and
// the literals' kinds), and which numbered error each wrong text gives, at
// which row and column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cursor/condition/condition_text.h"
#include "engine/cursor/condition/sql_parser.h"
#include "engine/errors/compiler_error.h"
#include "engine/errors/error_codes.h"
#include "fs/text.h"

namespace vexilo::cursor::testing {
namespace {

std::string Parsed(const std::u16string& text, const TSqlParserOptions& options = {}) {
  TSqlParser parser(text, options);
  return fs::u8(ConditionText(*parser.ParseCondition()));
}

struct TReading {
  std::u16string Text;
  std::string Reads;
};

TEST(SqlParser, ConditionsReadWithTheirPrecedenceAndLiterals) {
  const std::vector<TReading> readings = {
      // The dictionary's filters.
      {u"ENG = 'apple' And HUN <> 'alma'", "[ENG] = 'apple' AND [HUN] <> 'alma'"},
      {u"eng = 'apple'", "[eng] = 'apple'"},
      {u"ENG = 'It''s'", "[ENG] = 'It''s'"},
      {u"ENG = 'apple' HUN", "[ENG] = 'apple'"},  // what follows is not read
      {u"ENG = [HUN]", "[ENG] = [HUN]"},
      {u"[ENG] LIKE 'a%'", "[ENG] LIKE 'a%'"},
      {u"\"ENG\" <= $HUN", "[ENG] <= [HUN]"},
      {u"ENG-1 = 2", "[ENG-1] = 2"},
      {u"Eng_hun.ENG = 'x'", "[Eng_hun.ENG] = 'x'"},
      {u"[C:\\Dict\\Eng_hun.dat].ENG = 'x'", "[Eng_hun.ENG] = 'x'"},
      // AND binds tighter than OR, NOT tighter than AND.
      {u"A = 1 OR B = 2 AND C = 3", "[A] = 1 OR [B] = 2 AND [C] = 3"},
      {u"NOT A = 1 OR B = 2", "NOT [A] = 1 OR [B] = 2"},
      {u"(A = 1 OR B = 2) AND C = 3", "([A] = 1 OR [B] = 2) AND [C] = 3"},
      {u"X BETWEEN 1 AND 5 AND Y = 2", "[X] BETWEEN 1 AND 5 AND [Y] = 2"},
      // A "(" that does not hold a condition starts an expression.
      {u"(ENG) = 'x'", "([ENG]) = 'x'"},
      {u"(A + 1) * 2 > 3", "((([A] + 1)) * 2) > 3"},
      {u"((A = 1))", "(([A] = 1))"},
      // Arithmetic applies from left to right within a level.
      {u"a - b + c = 0", "(([a] - [b]) + [c]) = 0"},
      {u"a / b * c = 0", "(([a] / [b]) * [c]) = 0"},
      {u"a DIV b MOD c % d = 0", "((([a] DIV [b]) MOD [c]) MOD [d]) = 0"},
      {u"a + b * c - d = 0", "(([a] + ([b] * [c])) - [d]) = 0"},
      {u"ENG || 'x' = HUN | 'y'", "([ENG] + 'x') = ([HUN] + 'y')"},
      {u"-A < +2", "-[A] < +2"},
      // The other predicates, and NOT inside them.
      {u"X NOT LIKE 'a%' ESCAPE '!'", "NOT [X] LIKE 'a%' ESCAPE '!'"},
      {u"X NOT IN (1, 2)", "NOT [X] IN (1, 2)"},
      {u"X IN (1, NULL)", "[X] IN (1, NULL)"},
      {u"NOT X NOT BETWEEN 1 AND 5", "[X] BETWEEN 1 AND 5"},
      {u"X NOT = 1", "NOT [X] = 1"},
      {u"X IS NULL AND Y IS NOT NULL", "[X] IS NULL AND [Y] IS NOT NULL"},
      {u"X != 1 AND X HAS 'a'", "[X] <> 1 AND [X] HAS 'a'"},
      {u"X LIKE Y", "[X] LIKE [Y]"},
      // Literals by kind.
      {u"X = 30.03.2014", "[X] = DATE '30.03.2014'"},
      {u"X = 12:30", "[X] = TIME '12:30:00.000'"},
      {u"X = 30.03.2014_12:30", "[X] = TIMESTAMP '30.03.2014_12:30:00.000'"},
      {u"X = DATE '2014-03-30'", "[X] = DATE '30.03.2014'"},
      {u"X = TIMESTAMP '30.03.2014 08:15'", "[X] = TIMESTAMP '30.03.2014_08:15:00.000'"},
      {u"X = 1.5 OR X = 2E3 OR X = 9223372036854775807", "[X] = 1.5 OR [X] = 2000 OR [X] = 9223372036854775807"},
      {u"X = 9223372036854775808", "[X] = 9.2233720368547758e+18"},
      {u"X = TRUE OR X = false OR X = NULL OR X = numeric", "[X] = TRUE OR [X] = FALSE OR [X] = NULL OR [X] = NULL"},
      {u"X = 'körte' OR X = 'ő'", "[X] = 'körte' OR [X] = N'ő'"},
      {u"X = :Name", "[X] = :Name"},
      {u"DATE = 1", "[DATE] = 1"},
      // Comments and blanks.
      {u"X = 1 -- the rest\n AND Y = 2", "[X] = 1 AND [Y] = 2"},
      {u"X /* a\ncomment */ = // rest\n 1", "[X] = 1"},
      // Function calls.
      {u"UPPER(ENG) = 'APPLE'", "UPPER([ENG]) = 'APPLE'"},
      {u"LeftStr(ENG, 2) = 'ap'", "LEFTSTR([ENG], 2) = 'ap'"},
      {u"STR(1, 2, 3, 4, 5, 6) = 'x'", "STR(1, 2, 3, 4, 5, 6) = 'x'"},
      {u"EXTRACT(year FROM D) = 2014", "EXTRACT(YEAR FROM [D]) = 2014"},
      {u"SUBSTRING(ENG FROM 2 FOR 3) = 'ppl'", "SUBSTRING([ENG] FROM 2 FOR 3) = 'ppl'"},
      {u"TRIM(ENG) = 'a' AND TRIM(LEADING 'x' FROM ENG) = 'b'",
       "TRIM(BOTH ' ' FROM [ENG]) = 'a' AND TRIM(LEADING 'x' FROM [ENG]) = 'b'"},
      {u"CAST(X AS varchar(10)) = '1'", "CAST([X] AS VARCHAR(10)) = '1'"},
      {u"COUNT(*) > 1", "COUNT(*) > 1"},
      {u"CURRENTRECORDID(Eng_hun) = 3", "CURRENTRECORDID([Eng_hun]) = 3"},
      {u"NOW > TODAY", "NOW() > TODAY()"},
      {u"ABS = 1", "ABS() = 1"},
  };
  for (const TReading& reading : readings) {
    SCOPED_TRACE(fs::u8(reading.Text));
    EXPECT_EQ(Parsed(reading.Text), reading.Reads);
  }
}

TEST(SqlParser, LocalFormatsReadTheLocalDecimalSeparator) {
  TSqlParserOptions local;
  local.AllowLocalFormats = true;
  local.LocalDecimalSeparator = u',';
  EXPECT_EQ(Parsed(u"X IN (1,2)", local), "[X] IN (1.2)");
  EXPECT_EQ(Parsed(u"X IN (1, 2)", local), "[X] IN (1, 2)");
  EXPECT_EQ(Parsed(u"X IN (1,2)"), "[X] IN (1, 2)");
}

struct TWrongText {
  std::u16string Text;
  int16_t Code;
  int32_t Row;
  int32_t Column;
  std::string Message;
};

TEST(SqlParser, WrongTextsGiveTheirErrorAtTheirPlace) {
  const std::vector<TWrongText> wrong = {
      {u"ENG = 'apple' And", 56, 1, 18, "\"<identifier>\" expected but \"<end of statement>\" found"},
      {u"ENG = 'apple' Or ", 56, 1, 18, "\"<identifier>\" expected but \"<end of statement>\" found"},
      {u"ENG = 'abc", 56, 1, 11, "\"'\" expected but \"<end of statement>\" found"},
      {u"ENG = [abc", 56, 1, 11, "\"]\" expected but \"<end of statement>\" found"},
      {u"ENG", 56, 1, 4, "\"=\" expected but \"<end of statement>\" found"},
      {u"ENG 'x'", 56, 1, 5, "\"=\" expected but \"x\" found"},
      {u"X = 1-2", 45, 1, 6, "The character \"-\" is not allowed here"},
      {u"X = 1a", 45, 1, 6, "The character \"a\" is not allowed here"},
      {u"X = ?", 45, 1, 5, "The character \"?\" is not allowed here"},
      {u"X = : 1", 45, 1, 5, "The character \":\" is not allowed here"},
      {u"LEÍRÁS = 'x'", 45, 1, 3, "The character \"Í\" is not allowed here"},
      {u"X = 1.2.3.4", 41, 1, 5, "Expression not complete"},
      {u"X = 99.99.2014", 158, 1, 5, "\"99.99.2014\" is not a valid timestamp"},
      {u"X = 25:61", 158, 1, 5, "\"25:61\" is not a valid timestamp"},
      {u"X = 1.2e", 46, 1, 5, "\"1.2e\" is not a valid number"},
      {u"X = DATE 'soon'", 158, 1, 10, "\"soon\" is not a valid timestamp"},
      {u"X LIKE 'a' ESCAPE '!!'", 25, 1, 19, "Syntax error in expression \"!!\""},
      {u"X BETWEEN 1 OR 2", 56, 1, 13, "\"AND\" expected but \"OR\" found"},
      {u"X IN 1", 56, 1, 6, "\"(\" expected but \"1\" found"},
      {u"X IS 1", 56, 1, 6, "\"NULL\" expected but \"1\" found"},
      {u"LeftStr(ENG) = 'a'", 56, 1, 12, "\",\" expected but \")\" found"},
      {u"ABS(1, 2) = 1", 56, 1, 6, "\")\" expected but \",\" found"},
      {u"Day = 1", 56, 1, 5, "\"(\" expected but \"=\" found"},
      {u"EXTRACT(fortnight FROM D) = 1", 50, 1, 9, "Unknown identifier \"fortnight\""},
      {u"CURRENTRECORDID(1) = 1", 25, 1, 17, "Argument to CurrentRecordId must be a table name literal"},
      {u"EXISTS (SELECT 1)", 187, 1, 1, "This feature is not supported: sub-queries (EXISTS)"},
      {u"X IN (SELECT A FROM T)", 187, 1, 7, "This feature is not supported: sub-queries (IN)"},
      {u"X = ANY (SELECT A FROM T)", 187, 1, 5, "This feature is not supported: sub-queries (ANY)"},
      {u"CONTAINS (ENG, 'x')", 187, 1, 1, "This feature is not supported: full-text search (CONTAINS)"},
      {u"X = CASE WHEN 1 THEN 2 END", 187, 1, 5, "This feature is not supported: CASE expressions"},
      {u"X = 1 AND\n  Y = 'a", 56, 2, 9, "\"'\" expected but \"<end of statement>\" found"},
      {u"", 56, 1, 1, "\"<identifier>\" expected but \"<end of statement>\" found"},
  };
  for (const TWrongText& text : wrong) {
    SCOPED_TRACE(fs::u8(text.Text));
    try {
      const std::string parsed = Parsed(text.Text);
      ADD_FAILURE() << "read as " << parsed;
    } catch (const errors::ESqlParser& e) {
      EXPECT_EQ(e.Code(), text.Code);
      EXPECT_EQ(e.ErrorLineNo(), text.Row);
      EXPECT_EQ(e.ErrorCharNo(), text.Column);
      EXPECT_NE(std::string(e.what()).find(text.Message), std::string::npos) << e.what();
    }
  }
}

TEST(SqlParser, TheErrorCarriesTheLineItWasFoundIn) {
  try {
    Parsed(u"X = 1 AND\r\n  Y = ?\r\nAND Z = 3");
    ADD_FAILURE();
  } catch (const errors::ESqlParser& e) {
    EXPECT_EQ(fs::u8(e.ErrorLine()), "  Y = ?");
    EXPECT_EQ(e.ErrorLineNo(), 2);
    EXPECT_EQ(e.ErrorCharNo(), 7);
  }
}

TEST(SqlParser, DeepNestingAndLongListsAreRefusedNotOverflowed) {
  struct TCase {
    std::u16string Text;
    bool Reads;
  };
  const auto repeat = [](std::u16string_view part, int times) {
    std::u16string text;
    for (int i = 0; i < times; ++i) text += part;
    return text;
  };
  const std::vector<TCase> cases = {
      {repeat(u"(", 50) + u"X = 1" + repeat(u")", 50), true},
      {repeat(u"(", 50) + u"X" + repeat(u")", 50) + u" = 1", true},
      {repeat(u"(", 100000) + u"X = 1", false},
      {repeat(u"ABS(", 100000) + u"1", false},
      {u"X = 1" + repeat(u" OR X = 1", 5000), true},
      {u"X = 1" + repeat(u" OR X = 1", 20000), false},
      {u"X = 1" + repeat(u" + 1", 20000), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(fs::u8(c.Text.substr(0, 40)));
    try {
      Parsed(c.Text);
      EXPECT_TRUE(c.Reads);
    } catch (const errors::ESqlParser& e) {
      EXPECT_FALSE(c.Reads) << e.what();
      EXPECT_EQ(e.Code(), errors::vxbErrSyntax) << e.what();
    }
  }
}

}  // namespace
}  // namespace vexilo::cursor::testing
