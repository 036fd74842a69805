// The tree a search condition is read into: OR lists of AND lists of
// boolean factors (comparisons and the other predicates), whose operands are
// arithmetic expressions over factors (literals, columns, parameters,
// function calls, parenthesised expressions). Every node owns its children.
//
// Lists are held right-nested: a search condition is a boolean term and the
// rest of its OR list, a boolean term a factor and the rest of its AND list,
// an expression a term, its operator and the rest, a term a factor, its
// operator and the rest. The arithmetic operators of one level still apply
// from left to right: in the expression a - b + c the node of a holds "-",
// the node of b holds "+", and the value is (a - b) + c.
//
// The parser (sql_parser.h) builds the tree; preparing it against the
// accessors of a condition (sql_condition.h) fills in the prepared part of
// each node: the bound column, the operand types and the value holders that
// evaluation reuses for every record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/types/data_type.h"
#include "engine/types/data_value.h"
#include "engine/types/date_time.h"

namespace vexilo::cursor {

class TVxbAccessor;
struct TVxbSearchCondition;
struct TVxbExpression;

enum TVxbComparisonOperator : uint8_t {
  tcoNone,
  tcoIsNull,
  tcoIsNotNull,
  tcoEqual,
  tcoEqualNull,
  tcoUnequal,
  tcoLess,
  tcoLessOrEqual,
  tcoGreater,
  tcoGreaterOrEqual,
  tcoIn,
  tcoBetween,
  tcoLike,
  tcoHas,
  tcoContains,
  tcoFullTextRank,
  tcoExists,
};

// The additive operators of an expression and the multiplicative ones of a
// term, numbered as the engine stores them.
enum TVxbArithmeticOperator : uint8_t {
  taoPlus = 0,  // also string concatenation (||)
  taoMinus = 1,
  taoMultiply = 2,
  taoDivide = 3,
  taoDiv = 4,
  taoMod = 5,
  taoNone = 255,
};

enum TVxbSimpleFactorType : uint8_t {
  sftFunction,
  sftExpression,
  sftLiteral,
  sftColumn,
  sftParameter,
  sftOuterReference,
};

enum TSqlFactorSign : uint8_t { sfsNone, sfsMinus, sfsPlus };

enum TVxbLiteralKind : uint8_t {
  tlkNull,
  tlkBoolean,
  tlkInteger,
  tlkFloat,
  tlkString,
  tlkWideString,
  tlkDate,
  tlkTime,
  tlkTimeStamp,
};

// A literal as the text gave it; its value in the form of its kind.
struct TVxbSqlLiteral {
  TVxbLiteralKind Kind = tlkNull;
  bool BooleanValue = false;
  int64_t IntegerValue = 0;
  double FloatValue = 0;
  int32_t DateValue = 0;  // packed date
  int64_t TimeValue = 0;  // ticks since midnight
  types::TVxbTimeStamp TimeStampValue;
};

// A function call: the name as written, the arguments, and the words the
// special forms carry (EXTRACT's field, TRIM's side and character, CAST's
// data type, COUNT(*)).
struct TVxbSqlFunctionCall {
  std::u16string Name;
  std::vector<std::unique_ptr<TVxbExpression>> Arguments;
  // EXTRACT: the field (upper case); TRIM: LEADING, TRAILING or BOTH; CAST:
  // the data type's text; COUNT: "*" for COUNT(*).
  std::u16string Word;
  // TRIM: the character to trim (a blank unless a string was given).
  std::u16string TrimCharacter;
};

struct TVxbSimpleFactor {
  TVxbSimpleFactorType FType = sftLiteral;
  TSqlFactorSign FSign = sfsNone;
  // The column name (a table-qualified one as "Table.Column") or the
  // literal's text.
  std::u16string FColumnNameOrLiteral;
  TVxbSqlLiteral FLiteralValue;
  std::u16string FParameterName;
  std::unique_ptr<TVxbExpression> FExpression;
  std::unique_ptr<TVxbSqlFunctionCall> FSqlFunction;
  // Where the factor starts in the text (1-based).
  int32_t FPosition = 0;

  // Prepared: the column's accessor and number, the factor's type and its
  // value (a literal's converted value, or the holder a column, function or
  // expression is read into).
  TVxbAccessor* FAccessor = nullptr;
  int FFieldNo = 0;
  const types::TVxbDataType* FDataType = nullptr;
  types::TVxbDataValue FValue;
  // A literal that no typed operand has typed yet.
  bool FUntypedLiteral = false;
};

struct TVxbTerm {
  std::unique_ptr<TVxbSimpleFactor> FFactor;
  TVxbArithmeticOperator FOperator = taoNone;
  std::unique_ptr<TVxbTerm> FTerm;
  // Prepared: the type of this node's operation applied to what came before
  // it and its own operand, and the holder of that intermediate value.
  const types::TVxbDataType* FDataType = nullptr;
  types::TVxbDataValue FValue;
};

struct TVxbExpression {
  std::unique_ptr<TVxbTerm> FTerm;
  TVxbArithmeticOperator FOperator = taoNone;
  std::unique_ptr<TVxbExpression> FExpression;
  // Prepared: as for a term; ResultValue is the value of the whole
  // expression after an evaluation, of type ResultType.
  const types::TVxbDataType* FDataType = nullptr;
  types::TVxbDataValue FIntermediateValue;
  const types::TVxbDataType* ResultType = nullptr;
  const types::TVxbDataValue* ResultValue = nullptr;
};

struct TVxbSqlValueSet {
  std::vector<std::unique_ptr<TVxbExpression>> FValues;
};

struct TVxbBooleanFactor {
  std::unique_ptr<TVxbExpression> FExpressionLeft;
  std::unique_ptr<TVxbExpression> FExpressionRight;
  // BETWEEN: the lower bound (FExpressionRight is the upper one).
  std::unique_ptr<TVxbExpression> FExpressionRightEx;
  std::unique_ptr<TVxbSqlValueSet> FValueSet;
  // A parenthesised condition (then no operator).
  std::unique_ptr<TVxbSearchCondition> FSearchCondition;
  bool FIsNot = false;
  TVxbComparisonOperator FComparisonOperator = tcoNone;
  // LIKE ... ESCAPE: the escape character; 0 without one.
  char16_t FLikeEscapeChar = 0;
  // Prepared: the options of the preparation.
  uint8_t FOptions = 0;
};

struct TVxbBooleanTerm {
  std::unique_ptr<TVxbBooleanFactor> FBooleanFactor;
  std::unique_ptr<TVxbBooleanTerm> FBooleanTerm;
};

struct TVxbSearchCondition {
  std::unique_ptr<TVxbBooleanTerm> FBooleanTerm;
  std::unique_ptr<TVxbSearchCondition> FSearchCondition;
};

}  // namespace vexilo::cursor
