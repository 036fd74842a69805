// TSqlParser: reads one search condition of the engine's SQL dialect into a
// condition tree (condition_tree.h), by recursive descent from the first
// token of the text. What follows a complete condition is not examined.
//
//   search condition  boolean term [OR search condition]
//   boolean term      boolean factor [AND boolean term]
//   boolean factor    [NOT] ( "(" search condition ")" | predicate )
//   predicate         expression [NOT] ( comparison expression
//                     | LIKE expression [ESCAPE 'c'] | BETWEEN e AND e
//                     | IN "(" e {"," e} ")" | IS [NOT] NULL )
//   comparison        = <> != < <= > >= LIKE HAS
//   expression        term {("+" | "||" | "-") term}
//   term              factor {("*" | "/" | DIV | MOD | "%") factor}
//   factor            ["+" | "-"] ( "(" expression ")" | TRUE | FALSE | NULL
//                     | number | string | parameter | DATE/TIME/TIMESTAMP
//                     string | function call | column [. column] )
//
// A boolean factor starting with "(" is read as a parenthesised condition
// first; when that fails, again from the "(" as a predicate whose left
// operand starts with a parenthesised expression, so (A + 1) * 2 > 3 reads.
// Numbers become 64-bit integers, floating-point numbers, dates (two
// dots), times (a colon) or time stamps (an underscore); a string with a
// character the code page cannot hold becomes a wide string.
//
// Sub-queries (EXISTS, IN/ALL/ANY/SOME with a query), full-text predicates
// (CONTAINS) and CASE belong to the SQL engine, which this engine does not
// have: they are refused with error 187 at their place.
//
// Errors raise ESqlParser (or its EVxbSqlUnexpectedToken) with the row,
// column and line of the offending token: 56 for an unexpected token, 45
// for a character the scanner cannot read, 25 for an ESCAPE string that is
// not one character, 41, 46 and 158 for numbers that read as nothing, 50
// for an unknown EXTRACT field. Deeply nested or very long texts are
// refused (25) before they could exhaust the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/cursor/condition/condition_tree.h"
#include "engine/cursor/condition/sql_functions.h"
#include "engine/cursor/condition/sql_scanner.h"

namespace vexilo::types {
class TVxbCodePage;
}

namespace vexilo::cursor {

struct TSqlParserOptions {
  // Numbers may use the local decimal separator.
  bool AllowLocalFormats = false;
  char16_t LocalDecimalSeparator = u',';
  // The single-byte code page of string literals; without one, a string
  // with a character above U+00FF is a wide string.
  const types::TVxbCodePage* CodePage = nullptr;
};

class TSqlParser {
 public:
  // The most parentheses, function calls and signs one inside the other, and
  // the most operands of one list.
  static constexpr int kMaxNesting = 100;
  static constexpr int kMaxListLength = 10000;

  TSqlParser(std::u16string_view text, const TSqlParserOptions& options);

  // The condition at the start of the text.
  std::unique_ptr<TVxbSearchCondition> ParseCondition();
  // The expression at the start of the text (a calculated column's value).
  std::unique_ptr<TVxbExpression> ParseExpression();
  // Whether the text ends after what was read.
  bool AtEnd() const { return Is(sqltEndOfStatement); }
  // Raises 56 ("<end of statement>" expected) unless the text ends after
  // what was read.
  void ExpectEnd() { Expect(sqltEndOfStatement); }
  // Raises error 25 with the current token's text, at that token.
  [[noreturn]] void FailHere() const;

 private:
  // Counts one level of nesting while it lives.
  class TNesting {
   public:
    explicit TNesting(TSqlParser& parser);
    ~TNesting() { --FParser.FDepth; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

   private:
    TSqlParser& FParser;
  };

  const TSqlToken& Token() const { return FScanner.Token(); }
  bool Is(TSqlTokenType type) const { return FScanner.Token().Type == type; }
  // Reads past the current token when it is `type`, else raises 56.
  void Expect(TSqlTokenType type);
  [[noreturn]] void Refuse(const std::u16string& feature) const;
  void CountListItem(int& count);

  std::unique_ptr<TVxbSearchCondition> SearchCondition();
  std::unique_ptr<TVxbBooleanTerm> BooleanTerm();
  std::unique_ptr<TVxbBooleanFactor> BooleanFactor();
  void Predicate(TVxbBooleanFactor& factor);
  std::unique_ptr<TVxbExpression> Expression();
  std::unique_ptr<TVxbTerm> Term();
  std::unique_ptr<TVxbSimpleFactor> Factor();
  void Literal(TVxbSimpleFactor& factor);
  void NumberLiteral(TVxbSimpleFactor& factor);
  void StringLiteral(TVxbSimpleFactor& factor);
  bool DateTimeLiteral(TVxbSimpleFactor& factor);
  void FunctionCall(TVxbSimpleFactor& factor, const TSqlFunctionInfo& info);
  void PlainArguments(TVxbSqlFunctionCall& call, int minArguments, int maxArguments);
  void SpecialArguments(TVxbSqlFunctionCall& call, const TSqlFunctionInfo& info);
  void ColumnReference(TVxbSimpleFactor& factor);

  TSqlScanner FScanner;
  TSqlParserOptions FOptions;
  int FDepth = 0;
  // A nesting or length limit was hit: no backtracking retries it.
  bool FLimitReached = false;
};

}  // namespace vexilo::cursor
