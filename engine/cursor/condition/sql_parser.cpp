#include "engine/cursor/condition/sql_parser.h"

#include <charconv>
#include <string>
#include <vector>

#include "engine/errors/compiler_error.h"
#include "engine/errors/error_codes.h"
#include "engine/types/code_page.h"
#include "engine/types/date_time_text.h"

namespace vexilo::cursor {

namespace {

std::u16string Upper(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return upper;
}

// The comparison a token stands for; tcoNone for any other token.
TVxbComparisonOperator ComparisonOf(TSqlTokenType type) {
  switch (type) {
    case sqltEqual: return tcoEqual;
    case sqltNotEqual: return tcoUnequal;
    case sqltLess: return tcoLess;
    case sqltLessOrEqual: return tcoLessOrEqual;
    case sqltGreater: return tcoGreater;
    case sqltGreaterOrEqual: return tcoGreaterOrEqual;
    case sqltHas: return tcoHas;
    default: return tcoNone;
  }
}

// The first part of a qualified column name as a table name: without a
// directory part and without an extension ".dat".
std::u16string TableNameOf(std::u16string_view name) {
  const size_t slash = name.find_last_of(u"/\\");
  if (slash != std::u16string_view::npos) name.remove_prefix(slash + 1);
  if (name.size() > 4 && Upper(name.substr(name.size() - 4)) == u".DAT") name.remove_suffix(4);
  return std::u16string(name);
}

constexpr std::u16string_view kExtractFields[] = {u"YEAR",   u"MONTH",  u"DAY",    u"WEEKDAY",    u"WEEKDAYNAME",
                                                  u"WEEK",   u"HOUR",   u"MINUTE", u"SECOND",     u"MILLISECOND"};

}  // namespace

TSqlParser::TNesting::TNesting(TSqlParser& parser) : FParser(parser) {
  if (++FParser.FDepth > kMaxNesting) {
    FParser.FLimitReached = true;
    FParser.FScanner.Fail(errors::vxbErrSyntax, FParser.Token().Position, u"the expression is nested too deeply");
  }
}

TSqlParser::TSqlParser(std::u16string_view text, const TSqlParserOptions& options)
    : FScanner(text, options.AllowLocalFormats, options.LocalDecimalSeparator), FOptions(options) {}

std::unique_ptr<TVxbSearchCondition> TSqlParser::ParseCondition() {
  FScanner.Next();
  return SearchCondition();
}

std::unique_ptr<TVxbExpression> TSqlParser::ParseExpression() {
  FScanner.Next();
  return Expression();
}

void TSqlParser::FailHere() const { FScanner.Fail(errors::vxbErrSyntax, Token().Position, Token().Text); }

void TSqlParser::Expect(TSqlTokenType type) {
  if (!Is(type)) FScanner.Unexpected(DisplayName(type));
  FScanner.Next();
}

void TSqlParser::Refuse(const std::u16string& feature) const {
  FScanner.Fail(errors::vxbErrNotSupported, Token().Position, feature);
}

void TSqlParser::CountListItem(int& count) {
  if (++count > kMaxListLength) {
    FLimitReached = true;
    FScanner.Fail(errors::vxbErrSyntax, Token().Position, u"the expression is too long");
  }
}

// The lists are read in a loop and linked right-nested afterwards, so that
// a long list does not recurse.
std::unique_ptr<TVxbSearchCondition> TSqlParser::SearchCondition() {
  std::vector<std::unique_ptr<TVxbBooleanTerm>> terms;
  int count = 0;
  for (;;) {
    CountListItem(count);
    terms.push_back(BooleanTerm());
    if (!Is(sqltOr)) break;
    FScanner.Next();
  }
  std::unique_ptr<TVxbSearchCondition> rest;
  for (auto term = terms.rbegin(); term != terms.rend(); ++term) {
    auto condition = std::make_unique<TVxbSearchCondition>();
    condition->FBooleanTerm = std::move(*term);
    condition->FSearchCondition = std::move(rest);
    rest = std::move(condition);
  }
  return rest;
}

std::unique_ptr<TVxbBooleanTerm> TSqlParser::BooleanTerm() {
  std::vector<std::unique_ptr<TVxbBooleanFactor>> factors;
  int count = 0;
  for (;;) {
    CountListItem(count);
    factors.push_back(BooleanFactor());
    if (!Is(sqltAnd)) break;
    FScanner.Next();
  }
  std::unique_ptr<TVxbBooleanTerm> rest;
  for (auto factor = factors.rbegin(); factor != factors.rend(); ++factor) {
    auto term = std::make_unique<TVxbBooleanTerm>();
    term->FBooleanFactor = std::move(*factor);
    term->FBooleanTerm = std::move(rest);
    rest = std::move(term);
  }
  return rest;
}

std::unique_ptr<TVxbBooleanFactor> TSqlParser::BooleanFactor() {
  const TNesting nesting(*this);
  auto factor = std::make_unique<TVxbBooleanFactor>();
  if (Is(sqltNot)) {
    factor->FIsNot = true;
    FScanner.Next();
  }
  if (Is(sqltContains)) Refuse(u"full-text search (CONTAINS)");
  if (Is(sqltExists)) Refuse(u"sub-queries (EXISTS)");
  if (Is(sqltOpenParenthesis)) {
    const TSqlScanner::TMark mark = FScanner.Mark();
    try {
      FScanner.Next();
      auto inner = SearchCondition();
      Expect(sqltCloseParenthesis);
      factor->FSearchCondition = std::move(inner);
      return factor;
    } catch (const errors::ESqlParser& e) {
      // Refusals and nesting limits stand; any other failure may be a
      // predicate whose left operand starts with "(".
      if (e.Code() == errors::vxbErrNotSupported || FLimitReached) throw;
      FScanner.Reset(mark);
    }
  }
  Predicate(*factor);
  return factor;
}

void TSqlParser::Predicate(TVxbBooleanFactor& factor) {
  factor.FExpressionLeft = Expression();
  if (Is(sqltNot)) {
    factor.FIsNot = !factor.FIsNot;
    FScanner.Next();
  }
  switch (Token().Type) {
    case sqltLike: {
      FScanner.Next();
      factor.FComparisonOperator = tcoLike;
      factor.FExpressionRight = Expression();
      if (Is(sqltEscape)) {
        FScanner.Next();
        if (!Is(sqltString)) FScanner.Unexpected(DisplayName(sqltString));
        if (Token().Text.size() != 1) FScanner.Fail(errors::vxbErrSyntax, Token().Position, Token().Text);
        factor.FLikeEscapeChar = Token().Text[0];
        FScanner.Next();
      }
      return;
    }
    case sqltBetween:
      FScanner.Next();
      factor.FComparisonOperator = tcoBetween;
      factor.FExpressionRightEx = Expression();
      Expect(sqltAnd);
      factor.FExpressionRight = Expression();
      return;
    case sqltIn: {
      FScanner.Next();
      factor.FComparisonOperator = tcoIn;
      const TNesting nesting(*this);
      Expect(sqltOpenParenthesis);
      if (Is(sqltSelect)) Refuse(u"sub-queries (IN)");
      factor.FValueSet = std::make_unique<TVxbSqlValueSet>();
      int count = 0;
      for (;;) {
        CountListItem(count);
        factor.FValueSet->FValues.push_back(Expression());
        if (!Is(sqltComma)) break;
        FScanner.Next();
      }
      Expect(sqltCloseParenthesis);
      return;
    }
    case sqltIs:
      FScanner.Next();
      factor.FComparisonOperator = tcoIsNull;
      if (Is(sqltNot)) {
        factor.FComparisonOperator = tcoIsNotNull;
        FScanner.Next();
      }
      Expect(sqltNull);
      return;
    default:
      break;
  }
  const TVxbComparisonOperator comparison = ComparisonOf(Token().Type);
  if (comparison == tcoNone) FScanner.Unexpected(DisplayName(sqltEqual));
  FScanner.Next();
  if (Is(sqltAll) || Is(sqltAny) || Is(sqltSome)) Refuse(u"sub-queries (" + Token().Text + u")");
  factor.FComparisonOperator = comparison;
  factor.FExpressionRight = Expression();
}

std::unique_ptr<TVxbExpression> TSqlParser::Expression() {
  std::vector<std::pair<std::unique_ptr<TVxbTerm>, TVxbArithmeticOperator>> terms;
  int count = 0;
  for (;;) {
    CountListItem(count);
    auto term = Term();
    TVxbArithmeticOperator op = taoNone;
    if (Is(sqltPlus)) op = taoPlus;
    if (Is(sqltMinus)) op = taoMinus;
    terms.emplace_back(std::move(term), op);
    if (op == taoNone) break;
    FScanner.Next();
  }
  std::unique_ptr<TVxbExpression> rest;
  for (auto term = terms.rbegin(); term != terms.rend(); ++term) {
    auto expression = std::make_unique<TVxbExpression>();
    expression->FTerm = std::move(term->first);
    expression->FOperator = term->second;
    expression->FExpression = std::move(rest);
    rest = std::move(expression);
  }
  return rest;
}

std::unique_ptr<TVxbTerm> TSqlParser::Term() {
  std::vector<std::pair<std::unique_ptr<TVxbSimpleFactor>, TVxbArithmeticOperator>> factors;
  int count = 0;
  for (;;) {
    CountListItem(count);
    auto factor = Factor();
    TVxbArithmeticOperator op = taoNone;
    switch (Token().Type) {
      case sqltAsterisk: op = taoMultiply; break;
      case sqltSlash: op = taoDivide; break;
      case sqltDiv: op = taoDiv; break;
      case sqltMod:
      case sqltPercent: op = taoMod; break;
      default: break;
    }
    factors.emplace_back(std::move(factor), op);
    if (op == taoNone) break;
    FScanner.Next();
  }
  std::unique_ptr<TVxbTerm> rest;
  for (auto factor = factors.rbegin(); factor != factors.rend(); ++factor) {
    auto term = std::make_unique<TVxbTerm>();
    term->FFactor = std::move(factor->first);
    term->FOperator = factor->second;
    term->FTerm = std::move(rest);
    rest = std::move(term);
  }
  return rest;
}

std::unique_ptr<TVxbSimpleFactor> TSqlParser::Factor() {
  const TNesting nesting(*this);
  auto factor = std::make_unique<TVxbSimpleFactor>();
  factor->FPosition = Token().Position;
  if (Is(sqltMinus) || Is(sqltPlus)) {
    factor->FSign = Is(sqltMinus) ? sfsMinus : sfsPlus;
    FScanner.Next();
  }
  switch (Token().Type) {
    case sqltCase:
      Refuse(u"CASE expressions");
    case sqltOpenParenthesis:
      FScanner.Next();
      factor->FType = sftExpression;
      factor->FExpression = Expression();
      Expect(sqltCloseParenthesis);
      return factor;
    case sqltTrue:
    case sqltFalse:
    case sqltNull:
    case sqltNumber:
    case sqltString:
      Literal(*factor);
      return factor;
    case sqltParameter:
      factor->FType = sftParameter;
      factor->FParameterName = Token().Text;
      FScanner.Next();
      return factor;
    case sqltIdentifier: {
      if (DateTimeLiteral(*factor)) return factor;
      if (const TSqlFunctionInfo* info = FindSqlFunction(Token().Text)) {
        FunctionCall(*factor, *info);
        return factor;
      }
      ColumnReference(*factor);
      return factor;
    }
    case sqltReference:
      ColumnReference(*factor);
      return factor;
    default:
      FScanner.Unexpected(DisplayName(sqltIdentifier));
  }
}

void TSqlParser::Literal(TVxbSimpleFactor& factor) {
  factor.FType = sftLiteral;
  factor.FColumnNameOrLiteral = Token().Text;
  TVxbSqlLiteral& literal = factor.FLiteralValue;
  switch (Token().Type) {
    case sqltTrue:
    case sqltFalse:
      literal.Kind = tlkBoolean;
      literal.BooleanValue = Is(sqltTrue);
      break;
    case sqltNull:
      literal.Kind = tlkNull;
      break;
    case sqltNumber:
      NumberLiteral(factor);
      break;
    default:
      StringLiteral(factor);
      break;
  }
  FScanner.Next();
}

void TSqlParser::StringLiteral(TVxbSimpleFactor& factor) {
  const std::u16string& text = Token().Text;
  bool wide = false;
  if (FOptions.CodePage != nullptr) {
    wide = FOptions.CodePage->ToWide(FOptions.CodePage->FromWide(text)) != text;
  } else {
    for (const char16_t c : text) wide = wide || c > 0xFF;
  }
  factor.FLiteralValue.Kind = wide ? tlkWideString : tlkString;
}

void TSqlParser::NumberLiteral(TVxbSimpleFactor& factor) {
  std::u16string text = Token().Text;
  const int32_t position = Token().Position;
  if (FOptions.AllowLocalFormats && FOptions.LocalDecimalSeparator != u'.') {
    for (char16_t& c : text) {
      if (c == FOptions.LocalDecimalSeparator) c = u'.';
    }
  }
  TVxbSqlLiteral& literal = factor.FLiteralValue;
  size_t dots = 0;
  for (const char16_t c : text) dots += c == u'.' ? 1 : 0;
  if (text.find(u'_') != std::u16string::npos) {
    const auto stamp = types::TimeStampFromText(text);
    if (!stamp) FScanner.Fail(errors::vxbErrInvalidTimeStamp, position, Token().Text);
    literal.Kind = tlkTimeStamp;
    literal.TimeStampValue = *stamp;
    return;
  }
  if (dots == 2) {
    const auto date = types::DateFromText(text);
    if (!date) FScanner.Fail(errors::vxbErrInvalidTimeStamp, position, Token().Text);
    literal.Kind = tlkDate;
    literal.DateValue = *date;
    return;
  }
  if (text.find(u':') != std::u16string::npos) {
    const auto time = types::TimeFromText(text);
    if (!time) FScanner.Fail(errors::vxbErrInvalidTimeStamp, position, Token().Text);
    literal.Kind = tlkTime;
    literal.TimeValue = *time;
    return;
  }
  if (dots >= 3) FScanner.Fail(errors::vxbErrExpressionNotComplete, position, Token().Text);
  // What is left holds only ASCII digits, ".", "e", "E", "+" and "-".
  std::string ascii(text.begin(), text.end());
  const char* begin = ascii.data();
  const char* end = ascii.data() + ascii.size();
  int64_t integer = 0;
  if (const auto read = std::from_chars(begin, end, integer); read.ec == std::errc() && read.ptr == end) {
    literal.Kind = tlkInteger;
    literal.IntegerValue = integer;
    return;
  }
  double real = 0;
  if (const auto read = std::from_chars(begin, end, real); read.ec == std::errc() && read.ptr == end) {
    literal.Kind = tlkFloat;
    literal.FloatValue = real;
    return;
  }
  FScanner.Fail(errors::vxbErrNotANumber, position, Token().Text);
}

bool TSqlParser::DateTimeLiteral(TVxbSimpleFactor& factor) {
  const std::u16string word = Upper(Token().Text);
  if (word != u"DATE" && word != u"TIME" && word != u"TIMESTAMP") return false;
  const TSqlScanner::TMark mark = FScanner.Mark();
  FScanner.Next();
  if (!Is(sqltString)) {
    FScanner.Reset(mark);
    return false;
  }
  const std::u16string& text = Token().Text;
  TVxbSqlLiteral& literal = factor.FLiteralValue;
  factor.FType = sftLiteral;
  factor.FColumnNameOrLiteral = text;
  if (word == u"DATE") {
    const auto date = types::DateFromText(text);
    if (!date) FScanner.Fail(errors::vxbErrInvalidTimeStamp, Token().Position, text);
    literal.Kind = tlkDate;
    literal.DateValue = *date;
  } else if (word == u"TIME") {
    const auto time = types::TimeFromText(text);
    if (!time) FScanner.Fail(errors::vxbErrInvalidTimeStamp, Token().Position, text);
    literal.Kind = tlkTime;
    literal.TimeValue = *time;
  } else {
    const auto stamp = types::TimeStampFromText(text);
    if (!stamp) FScanner.Fail(errors::vxbErrInvalidTimeStamp, Token().Position, text);
    literal.Kind = tlkTimeStamp;
    literal.TimeStampValue = *stamp;
  }
  FScanner.Next();
  return true;
}

void TSqlParser::FunctionCall(TVxbSimpleFactor& factor, const TSqlFunctionInfo& info) {
  factor.FType = sftFunction;
  factor.FSqlFunction = std::make_unique<TVxbSqlFunctionCall>();
  TVxbSqlFunctionCall& call = *factor.FSqlFunction;
  call.Name = Token().Text;
  FScanner.Next();
  if (info.MaxArguments == 0) return;
  if (info.IsDataFunction) {
    Expect(sqltOpenParenthesis);
  } else {
    // A standard function without "(" takes no arguments.
    if (!Is(sqltOpenParenthesis)) return;
    FScanner.Next();
  }
  if (info.Form == sffPlain) {
    PlainArguments(call, info.MinArguments, info.MaxArguments);
  } else {
    SpecialArguments(call, info);
  }
}

void TSqlParser::PlainArguments(TVxbSqlFunctionCall& call, int minArguments, int maxArguments) {
  for (;;) {
    call.Arguments.push_back(Expression());
    const int given = static_cast<int>(call.Arguments.size());
    if (Is(sqltComma)) {
      if (given >= maxArguments) FScanner.Unexpected(DisplayName(sqltCloseParenthesis));
      FScanner.Next();
      continue;
    }
    if (given < minArguments) FScanner.Unexpected(DisplayName(sqltComma));
    Expect(sqltCloseParenthesis);
    return;
  }
}

void TSqlParser::SpecialArguments(TVxbSqlFunctionCall& call, const TSqlFunctionInfo& info) {
  switch (info.Form) {
    case sffCount:
      if (Is(sqltAsterisk)) {
        call.Word = u"*";
        FScanner.Next();
        Expect(sqltCloseParenthesis);
        return;
      }
      PlainArguments(call, 1, 1);
      return;
    case sffCast: {
      call.Arguments.push_back(Expression());
      Expect(sqltAs);
      if (!Is(sqltIdentifier)) FScanner.Unexpected(DisplayName(sqltDataType));
      call.Word = Upper(Token().Text);
      FScanner.Next();
      if (Is(sqltOpenParenthesis)) {
        // A length, or precision and scale.
        call.Word += u"(";
        FScanner.Next();
        if (!Is(sqltNumber)) FScanner.Unexpected(DisplayName(sqltNumber));
        call.Word += Token().Text;
        FScanner.Next();
        if (Is(sqltComma)) {
          FScanner.Next();
          if (!Is(sqltNumber)) FScanner.Unexpected(DisplayName(sqltNumber));
          call.Word += u"," + Token().Text;
          FScanner.Next();
        }
        Expect(sqltCloseParenthesis);
        call.Word += u")";
      }
      Expect(sqltCloseParenthesis);
      return;
    }
    case sffExtract: {
      if (!Is(sqltIdentifier)) FScanner.Unexpected(DisplayName(sqltIdentifier));
      const std::u16string field = Upper(Token().Text);
      bool known = false;
      for (const std::u16string_view name : kExtractFields) known = known || name == field;
      if (!known) FScanner.Fail(errors::vxbErrUnknownIdentifier, Token().Position, Token().Text);
      call.Word = field;
      FScanner.Next();
      Expect(sqltFrom);
      call.Arguments.push_back(Expression());
      Expect(sqltCloseParenthesis);
      return;
    }
    case sffSubstring:
      call.Arguments.push_back(Expression());
      Expect(sqltFrom);
      call.Arguments.push_back(Expression());
      if (Is(sqltFor)) {
        FScanner.Next();
        call.Arguments.push_back(Expression());
      }
      Expect(sqltCloseParenthesis);
      return;
    case sffTrim:
      call.Word = u"BOTH";
      call.TrimCharacter = u" ";
      if (Is(sqltLeading) || Is(sqltTrailing) || Is(sqltBoth)) {
        call.Word = Upper(Token().Text);
        FScanner.Next();
        if (Is(sqltString)) {
          call.TrimCharacter = Token().Text;
          FScanner.Next();
        }
        Expect(sqltFrom);
      }
      call.Arguments.push_back(Expression());
      Expect(sqltCloseParenthesis);
      return;
    case sffCurrentRecordId:
      if (!Is(sqltIdentifier) && !Is(sqltReference)) {
        FScanner.Fail(errors::vxbErrSyntax, Token().Position, u"Argument to CurrentRecordId must be a table name literal");
      }
      call.Word = Token().Text;
      FScanner.Next();
      Expect(sqltCloseParenthesis);
      return;
    case sffPlain:
      PlainArguments(call, info.MinArguments, info.MaxArguments);
      return;
  }
}

void TSqlParser::ColumnReference(TVxbSimpleFactor& factor) {
  factor.FType = sftColumn;
  std::u16string name = Token().Text;
  FScanner.Next();
  if (Is(sqltDot)) {
    FScanner.Next();
    if (!Is(sqltIdentifier) && !Is(sqltReference)) FScanner.Unexpected(DisplayName(sqltIdentifier));
    name = TableNameOf(name) + u"." + Token().Text;
    FScanner.Next();
  }
  factor.FColumnNameOrLiteral = std::move(name);
}

}  // namespace vexilo::cursor
