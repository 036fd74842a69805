#include "engine/cursor/condition/condition_preparation.h"

#include <string>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/condition_functions.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/string_type.h"
#include "engine/types/type_errors.h"
#include "fs/text.h"

namespace vexilo::cursor {

using types::TVxbDataType;
using types::TVxbDataValue;

namespace {

// Literals and intermediate values are typed as at the newest table level.
constexpr int16_t kLevel = 6;

bool IsStringType(const TVxbDataType& type) {
  const int16_t code = type.ColumnType();
  return code == types::vxbString || code == types::vxbWideString || code == types::vxbMemo ||
         code == types::vxbWideMemo || code == types::vxbChar;
}

[[noreturn]] void TypeMismatch(const std::u16string& what) {
  throw errors::EVxbEngine(errors::vxbErrTypeMismatch, what);
}

// The literal's own type.
const TVxbDataType* LiteralType(const TVxbSqlLiteral& literal) {
  switch (literal.Kind) {
    case tlkNull: return TVxbDataType::GetNullType(kLevel);
    case tlkBoolean: return TVxbDataType::GetDataType(types::vxbBoolean, true, kLevel);
    case tlkInteger: return TVxbDataType::GetDataType(types::vxbBigInt, true, kLevel);
    case tlkFloat: return TVxbDataType::GetDataType(types::vxbFloat, true, kLevel);
    case tlkString: return TVxbDataType::GetStringType(types::vxbString, true, 0, u"", kLevel);
    case tlkWideString: return TVxbDataType::GetStringType(types::vxbWideString, true, 0, u"", kLevel);
    case tlkDate: return TVxbDataType::GetDataType(types::vxbDate, true, kLevel);
    case tlkTime: return TVxbDataType::GetDataType(types::vxbTime, true, kLevel);
    case tlkTimeStamp: return TVxbDataType::GetDataType(types::vxbTimeStamp, true, kLevel);
  }
  return nullptr;
}

void SetLiteralValue(TVxbSimpleFactor& factor) {
  const TVxbSqlLiteral& literal = factor.FLiteralValue;
  const TVxbDataType& type = *factor.FDataType;
  TVxbDataValue& value = factor.FValue;
  switch (literal.Kind) {
    case tlkNull: type.SetNull(value); break;
    case tlkBoolean: type.SetInteger(value, literal.BooleanValue ? 1 : 0); break;
    case tlkInteger: type.SetInteger(value, literal.IntegerValue); break;
    case tlkFloat: type.SetDouble(value, literal.FloatValue); break;
    case tlkString:
    case tlkWideString:
      type.SetWideString(value, factor.FColumnNameOrLiteral.data(), factor.FColumnNameOrLiteral.size());
      break;
    case tlkDate: type.SetDate(value, literal.DateValue); break;
    case tlkTime: type.SetTime(value, literal.TimeValue); break;
    case tlkTimeStamp: type.SetTimeStamp(value, literal.TimeStampValue); break;
  }
}

// The error a text that does not convert to `type` gives.
int16_t ConversionError(const TVxbDataType& type) {
  switch (type.ColumnType()) {
    case types::vxbDate: return errors::vxbErrInvalidDate;
    case types::vxbTime: return errors::vxbErrInvalidTime;
    case types::vxbTimeStamp: return errors::vxbErrInvalidTimeStamp;
    case types::vxbEnum: return errors::vxbErrUnknownIdentifier;
    case types::vxbBoolean: return errors::vxbErrTypeMismatch;
    default: return errors::vxbErrNotANumber;
  }
}

class TPreparer {
 public:
  TPreparer(const std::vector<TVxbAccessor*>& context, uint8_t options) : FContext(context), FOptions(options) {}

  void Condition(TVxbSearchCondition& condition) {
    for (TVxbSearchCondition* orNode = &condition; orNode; orNode = orNode->FSearchCondition.get()) {
      for (TVxbBooleanTerm* andNode = orNode->FBooleanTerm.get(); andNode; andNode = andNode->FBooleanTerm.get()) {
        BooleanFactor(*andNode->FBooleanFactor);
      }
    }
  }

  void Expression(TVxbExpression& first) {
    const TVxbDataType* type = Term(*first.FTerm);
    for (TVxbExpression* node = &first; node->FOperator != taoNone && node->FExpression;
         node = node->FExpression.get()) {
      const TVxbDataType* next = Term(*node->FExpression->FTerm);
      type = ResultOf(node->FOperator, *type, *next);
      node->FDataType = type;
    }
    first.ResultType = type;
  }

 private:
  void BooleanFactor(TVxbBooleanFactor& factor) {
    factor.FOptions = FOptions;
    if (factor.FSearchCondition) {
      Condition(*factor.FSearchCondition);
      return;
    }
    TVxbExpression& left = *factor.FExpressionLeft;
    Expression(left);
    if (factor.FExpressionRight) Expression(*factor.FExpressionRight);
    if (factor.FExpressionRightEx) Expression(*factor.FExpressionRightEx);
    if (factor.FValueSet) {
      for (auto& value : factor.FValueSet->FValues) Expression(*value);
    }
    // LIKE and HAS compare strings: a left operand of another type is a
    // mismatch before any literal is converted to it.
    const TVxbComparisonOperator op = factor.FComparisonOperator;
    if ((op == tcoLike || op == tcoHas) && !IsStringType(*left.ResultType)) {
      TypeMismatch(left.ResultType->GetSqlName() + u"-> String");
    }
    // A string literal takes the type of what it is compared with.
    TVxbSimpleFactor* leftLiteral = PlainLiteral(left);
    if (factor.FComparisonOperator == tcoIn) {
      if (!leftLiteral) {
        for (auto& value : factor.FValueSet->FValues) TypeLiteral(*value, *left.ResultType);
      }
    } else if (factor.FExpressionRight) {
      TVxbExpression& right = *factor.FExpressionRight;
      if (FOptions & tpoUseJokers) ApplyJokers(factor);
      if (leftLiteral && !PlainLiteral(right)) {
        TypeLiteral(left, *right.ResultType);
      } else {
        TypeLiteral(right, *left.ResultType);
        if (factor.FExpressionRightEx) TypeLiteral(*factor.FExpressionRightEx, *left.ResultType);
      }
    }
    CheckTypes(factor);
  }

  // With tpoUseJokers, STRING = 'text*' is STRING LIKE 'text%'.
  void ApplyJokers(TVxbBooleanFactor& factor) {
    if (factor.FComparisonOperator != tcoEqual || !IsStringType(*factor.FExpressionLeft->ResultType)) return;
    TVxbSimpleFactor* literal = PlainLiteral(*factor.FExpressionRight);
    if (!literal || literal->FColumnNameOrLiteral.empty() || literal->FColumnNameOrLiteral.back() != u'*') return;
    literal->FColumnNameOrLiteral.back() = u'%';
    SetLiteralValue(*literal);
    factor.FComparisonOperator = tcoLike;
  }

  void CheckTypes(const TVxbBooleanFactor& factor) {
    const TVxbDataType& left = *factor.FExpressionLeft->ResultType;
    switch (factor.FComparisonOperator) {
      case tcoIsNull:
      case tcoIsNotNull:
        return;
      case tcoLike:
      case tcoHas:
      case tcoContains: {
        const TVxbDataType& right = *factor.FExpressionRight->ResultType;
        if (!IsStringType(left)) TypeMismatch(left.GetSqlName() + u"-> String");
        if (!IsStringType(right)) TypeMismatch(right.GetSqlName() + u"-> String");
        return;
      }
      case tcoIn:
        for (const auto& value : factor.FValueSet->FValues) CheckComparable(left, *value->ResultType);
        return;
      default:
        CheckComparable(left, *factor.FExpressionRight->ResultType);
        if (factor.FExpressionRightEx) CheckComparable(left, *factor.FExpressionRightEx->ResultType);
        return;
    }
  }

  static void CheckComparable(const TVxbDataType& left, const TVxbDataType& right) {
    if (right.ColumnType() == types::vxbNullType || left.ColumnType() == types::vxbNullType) return;
    if (!TVxbDataType::CanCompare(left, right)) TypeMismatch(right.GetSqlName() + u"->" + left.GetSqlName());
  }

  // The expression's only factor when it is a string literal without sign.
  static TVxbSimpleFactor* PlainLiteral(TVxbExpression& expression) {
    if (expression.FOperator != taoNone || expression.FTerm->FOperator != taoNone) return nullptr;
    TVxbSimpleFactor& factor = *expression.FTerm->FFactor;
    return factor.FUntypedLiteral && factor.FSign == sfsNone ? &factor : nullptr;
  }

  // Converts a plain string literal to `type`.
  static void TypeLiteral(TVxbExpression& expression, const TVxbDataType& type) {
    TVxbSimpleFactor* literal = PlainLiteral(expression);
    if (!literal || type.ColumnType() == types::vxbNullType) return;
    const std::u16string& text = literal->FColumnNameOrLiteral;
    if (IsStringType(type)) {
      const auto& stringType = static_cast<const types::TVxbStringType&>(type);
      const int16_t code = stringType.IsWide() ? types::vxbWideString : types::vxbString;
      literal->FDataType = TVxbDataType::GetStringType(code, true, 0, stringType.CollationName(), kLevel);
      SetLiteralValue(*literal);
    } else {
      literal->FDataType = &type;
      try {
        type.ConvertFromString(literal->FValue, text);
      } catch (const types::EVxbTypeException&) {
        throw errors::EVxbEngine(ConversionError(type), text);
      } catch (const errors::EVxbEngine&) {
        throw errors::EVxbEngine(ConversionError(type), text);
      }
    }
    literal->FUntypedLiteral = false;
    expression.FTerm->FDataType = literal->FDataType;
    expression.FDataType = literal->FDataType;
    expression.ResultType = literal->FDataType;
  }

  const TVxbDataType* Term(TVxbTerm& first) {
    const TVxbDataType* type = Factor(*first.FFactor);
    for (TVxbTerm* node = &first; node->FOperator != taoNone && node->FTerm; node = node->FTerm.get()) {
      const TVxbDataType* next = Factor(*node->FTerm->FFactor);
      type = ResultOf(node->FOperator, *type, *next);
      node->FDataType = type;
    }
    if (first.FOperator == taoNone) first.FDataType = type;
    return type;
  }

  static const TVxbDataType* ResultOf(TVxbArithmeticOperator op, const TVxbDataType& a, const TVxbDataType& b) {
    const TVxbDataType* result = TVxbDataType::GetResultDataType(static_cast<types::TVxbBinaryOperator>(op), a, b);
    if (!result) TypeMismatch(a.GetSqlName() + u"->" + b.GetSqlName());
    return result;
  }

  const TVxbDataType* Factor(TVxbSimpleFactor& factor) {
    switch (factor.FType) {
      case sftLiteral:
        factor.FDataType = LiteralType(factor.FLiteralValue);
        factor.FUntypedLiteral =
            factor.FLiteralValue.Kind == tlkString || factor.FLiteralValue.Kind == tlkWideString;
        SetLiteralValue(factor);
        break;
      case sftColumn:
        BindColumn(factor);
        break;
      case sftExpression:
        Expression(*factor.FExpression);
        factor.FDataType = factor.FExpression->ResultType;
        break;
      case sftParameter:
      case sftOuterReference:
        throw errors::EVxbEngine(errors::vxbErrNoValue, factor.FParameterName);
      case sftFunction:
        for (auto& argument : factor.FSqlFunction->Arguments) Expression(*argument);
        factor.FDataType = PrepareFunction(factor);
        break;
    }
    if (factor.FSign == sfsMinus) {
      const TVxbDataType* negated = factor.FDataType->GetResultDataType(types::duoMinus);
      if (!negated) TypeMismatch(u"-" + factor.FDataType->GetSqlName());
      if (factor.FType == sftLiteral) {
        TVxbDataType::Calculate(types::duoMinus, factor.FValue, *factor.FDataType);
        factor.FUntypedLiteral = false;
      }
      factor.FDataType = negated;
    }
    return factor.FDataType;
  }

  void BindColumn(TVxbSimpleFactor& factor) {
    std::u16string_view name = factor.FColumnNameOrLiteral;
    std::u16string_view table;
    if (const size_t dot = name.find(u'.'); dot != std::u16string_view::npos) {
      table = name.substr(0, dot);
      name.remove_prefix(dot + 1);
    }
    for (TVxbAccessor* accessor : FContext) {
      if (!table.empty() && !fs::EqualsIgnoringLatin1Case(accessor->Relation().GetName(), table)) continue;
      const int fieldNo = accessor->Relation().ColumnDefs().Find(name);
      if (fieldNo < 1) continue;
      const TVxbDataType* type = accessor->GetDataType(fieldNo);
      if (!type) continue;
      factor.FAccessor = accessor;
      factor.FFieldNo = fieldNo;
      factor.FDataType = TVxbDataType::GetVariableType(type);
      return;
    }
    throw errors::EVxbEngine(errors::vxbErrUnknownIdentifier, factor.FColumnNameOrLiteral);
  }

  const std::vector<TVxbAccessor*>& FContext;
  uint8_t FOptions;
};

}  // namespace

void PrepareCondition(TVxbSearchCondition& condition, const std::vector<TVxbAccessor*>& context, uint8_t options) {
  TPreparer(context, options).Condition(condition);
}

void PrepareExpression(TVxbExpression& expression, const std::vector<TVxbAccessor*>& context, uint8_t options) {
  TPreparer(context, options).Expression(expression);
}

}  // namespace vexilo::cursor
