#include "engine/cursor/condition/condition_text.h"

#include <cstdio>

#include "engine/types/date_time_text.h"
#include "fs/text.h"

namespace vexilo::cursor {

namespace {

std::u16string Quoted(const std::u16string& text) {
  std::u16string quoted = u"'";
  for (const char16_t c : text) {
    quoted.push_back(c);
    if (c == u'\'') quoted.push_back(c);
  }
  return quoted + u"'";
}

std::u16string OperatorText(TVxbArithmeticOperator op) {
  switch (op) {
    case taoPlus: return u" + ";
    case taoMinus: return u" - ";
    case taoMultiply: return u" * ";
    case taoDivide: return u" / ";
    case taoDiv: return u" DIV ";
    case taoMod: return u" MOD ";
    default: return u" ? ";
  }
}

std::u16string ComparisonText(TVxbComparisonOperator op) {
  switch (op) {
    case tcoEqual: return u" = ";
    case tcoEqualNull: return u" == ";
    case tcoUnequal: return u" <> ";
    case tcoLess: return u" < ";
    case tcoLessOrEqual: return u" <= ";
    case tcoGreater: return u" > ";
    case tcoGreaterOrEqual: return u" >= ";
    case tcoHas: return u" HAS ";
    case tcoLike: return u" LIKE ";
    default: return u" ? ";
  }
}

std::u16string LiteralText(const TVxbSimpleFactor& factor) {
  const TVxbSqlLiteral& literal = factor.FLiteralValue;
  switch (literal.Kind) {
    case tlkNull: return u"NULL";
    case tlkBoolean: return literal.BooleanValue ? u"TRUE" : u"FALSE";
    case tlkInteger: return fs::u16(std::to_string(literal.IntegerValue));
    case tlkFloat: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", literal.FloatValue);
      return fs::u16(buffer);
    }
    case tlkString: return Quoted(factor.FColumnNameOrLiteral);
    case tlkWideString: return u"N" + Quoted(factor.FColumnNameOrLiteral);
    case tlkDate: return u"DATE '" + types::DateToText(literal.DateValue) + u"'";
    case tlkTime: return u"TIME '" + types::TimeToText(literal.TimeValue, 4) + u"'";
    case tlkTimeStamp: return u"TIMESTAMP '" + types::TimeStampToText(literal.TimeStampValue) + u"'";
  }
  return u"?";
}

std::u16string FunctionText(const TVxbSqlFunctionCall& call) {
  const auto argument = [&](size_t i) { return i < call.Arguments.size() ? ExpressionText(*call.Arguments[i]) : u"?"; };
  std::u16string name;
  for (const char16_t c : call.Name) name.push_back(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c);
  if (name == u"EXTRACT") return name + u"(" + call.Word + u" FROM " + argument(0) + u")";
  if (name == u"CAST") return name + u"(" + argument(0) + u" AS " + call.Word + u")";
  if (name == u"CURRENTRECORDID") return name + u"([" + call.Word + u"])";
  if (name == u"COUNT" && call.Word == u"*") return u"COUNT(*)";
  if (name == u"SUBSTRING") {
    std::u16string text = name + u"(" + argument(0) + u" FROM " + argument(1);
    if (call.Arguments.size() > 2) text += u" FOR " + argument(2);
    return text + u")";
  }
  if (name == u"TRIM") return name + u"(" + call.Word + u" " + Quoted(call.TrimCharacter) + u" FROM " + argument(0) + u")";
  std::u16string text = name + u"(";
  for (size_t i = 0; i < call.Arguments.size(); ++i) text += (i > 0 ? u", " : u"") + argument(i);
  return text + u")";
}

std::u16string FactorText(const TVxbSimpleFactor& factor) {
  std::u16string sign = factor.FSign == sfsMinus ? u"-" : factor.FSign == sfsPlus ? u"+" : u"";
  switch (factor.FType) {
    case sftLiteral: return sign + LiteralText(factor);
    case sftColumn:
    case sftOuterReference: return sign + u"[" + factor.FColumnNameOrLiteral + u"]";
    case sftParameter: return sign + u":" + factor.FParameterName;
    case sftExpression: return sign + u"(" + ExpressionText(*factor.FExpression) + u")";
    case sftFunction: return sign + FunctionText(*factor.FSqlFunction);
  }
  return u"?";
}

std::u16string TermText(const TVxbTerm& first) {
  std::u16string text = FactorText(*first.FFactor);
  for (const TVxbTerm* node = &first; node->FOperator != taoNone && node->FTerm; node = node->FTerm.get()) {
    text = u"(" + text + OperatorText(node->FOperator) + FactorText(*node->FTerm->FFactor) + u")";
  }
  return text;
}

std::u16string BooleanFactorText(const TVxbBooleanFactor& factor) {
  std::u16string text = factor.FIsNot ? u"NOT " : u"";
  if (factor.FSearchCondition) return text + u"(" + ConditionText(*factor.FSearchCondition) + u")";
  const std::u16string left = factor.FExpressionLeft ? ExpressionText(*factor.FExpressionLeft) : u"?";
  switch (factor.FComparisonOperator) {
    case tcoIsNull: return text + left + u" IS NULL";
    case tcoIsNotNull: return text + left + u" IS NOT NULL";
    case tcoBetween:
      return text + left + u" BETWEEN " + ExpressionText(*factor.FExpressionRightEx) + u" AND " +
             ExpressionText(*factor.FExpressionRight);
    case tcoIn: {
      text += left + u" IN (";
      for (size_t i = 0; i < factor.FValueSet->FValues.size(); ++i) {
        text += (i > 0 ? u", " : u"") + ExpressionText(*factor.FValueSet->FValues[i]);
      }
      return text + u")";
    }
    default:
      break;
  }
  text += left + ComparisonText(factor.FComparisonOperator) +
          (factor.FExpressionRight ? ExpressionText(*factor.FExpressionRight) : u"?");
  if (factor.FLikeEscapeChar != 0) text += u" ESCAPE " + Quoted(std::u16string(1, factor.FLikeEscapeChar));
  return text;
}

}  // namespace

std::u16string ExpressionText(const TVxbExpression& first) {
  std::u16string text = TermText(*first.FTerm);
  for (const TVxbExpression* node = &first; node->FOperator != taoNone && node->FExpression;
       node = node->FExpression.get()) {
    text = u"(" + text + OperatorText(node->FOperator) + TermText(*node->FExpression->FTerm) + u")";
  }
  return text;
}

std::u16string ConditionText(const TVxbSearchCondition& condition) {
  std::u16string text;
  for (const TVxbSearchCondition* orNode = &condition; orNode; orNode = orNode->FSearchCondition.get()) {
    if (orNode != &condition) text += u" OR ";
    for (const TVxbBooleanTerm* andNode = orNode->FBooleanTerm.get(); andNode; andNode = andNode->FBooleanTerm.get()) {
      if (andNode != orNode->FBooleanTerm.get()) text += u" AND ";
      text += BooleanFactorText(*andNode->FBooleanFactor);
    }
  }
  return text;
}

}  // namespace vexilo::cursor
