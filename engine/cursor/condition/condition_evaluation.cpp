#include "engine/cursor/condition/condition_evaluation.h"

#include <string>
#include <utility>

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

[[noreturn]] void RaiseAccessorError(const TVxbAccessor& accessor) {
  if (auto error = accessor.Relation().Services().CreateLastErrorExc()) throw *error;
  throw errors::EVxbEngine(errors::vxbErrInternal, std::u16string_view(u"reading a column"));
}

TVxbTruth Truth(bool value) { return value ? ttTrue : ttFalse; }

}  // namespace

static TVxbOperand EvaluateFactor(TVxbSimpleFactor& factor) {
  switch (factor.FType) {
    case sftLiteral:
      return {&factor.FValue, factor.FDataType};
    case sftColumn: {
      const TVxbDataType& type =
          factor.FSign == sfsMinus ? *TVxbDataType::GetVariableType(factor.FAccessor->GetDataType(factor.FFieldNo))
                                   : *factor.FDataType;
      if (factor.FAccessor->GetValue(factor.FFieldNo, factor.FValue, type) < 0) RaiseAccessorError(*factor.FAccessor);
      if (factor.FSign == sfsMinus) TVxbDataType::Calculate(types::duoMinus, factor.FValue, type);
      return {&factor.FValue, factor.FDataType};
    }
    case sftExpression: {
      const TVxbOperand inner = EvaluateExpression(*factor.FExpression);
      if (factor.FSign != sfsMinus) return inner;
      factor.FValue.Clear();
      inner.Type->Assign(factor.FValue, *inner.Value, *inner.Type);
      TVxbDataType::Calculate(types::duoMinus, factor.FValue, *inner.Type);
      return {&factor.FValue, factor.FDataType};
    }
    case sftFunction: {
      const TVxbOperand value = EvaluateFunction(factor);
      if (factor.FSign == sfsMinus && !IsNull(value)) TVxbDataType::Calculate(types::duoMinus, factor.FValue, *value.Type);
      return value;
    }
    default:
      throw errors::EVxbEngine(errors::vxbErrNoValue, factor.FColumnNameOrLiteral);
  }
}

static TVxbOperand EvaluateTerm(TVxbTerm& first) {
  TVxbOperand value = EvaluateFactor(*first.FFactor);
  for (TVxbTerm* node = &first; node->FOperator != taoNone && node->FTerm; node = node->FTerm.get()) {
    const TVxbOperand next = EvaluateFactor(*node->FTerm->FFactor);
    TVxbDataValue result;
    TVxbDataType::Calculate(static_cast<types::TVxbBinaryOperator>(node->FOperator), *value.Value, *next.Value,
                            *value.Type, *next.Type, result);
    node->FValue = std::move(result);
    value = {&node->FValue, node->FDataType};
  }
  return value;
}

TVxbOperand EvaluateExpression(TVxbExpression& first) {
  TVxbOperand value = EvaluateTerm(*first.FTerm);
  for (TVxbExpression* node = &first; node->FOperator != taoNone && node->FExpression;
       node = node->FExpression.get()) {
    const TVxbOperand next = EvaluateTerm(*node->FExpression->FTerm);
    TVxbDataValue result;
    TVxbDataType::Calculate(static_cast<types::TVxbBinaryOperator>(node->FOperator), *value.Value, *next.Value,
                            *value.Type, *next.Type, result);
    node->FIntermediateValue = std::move(result);
    value = {&node->FIntermediateValue, node->FDataType};
  }
  first.ResultValue = value.Value;
  return value;
}

bool IsNull(const TVxbOperand& operand) { return operand.Value->IsEmpty() || operand.Type->IsNull(*operand.Value); }

int Compare(const TVxbOperand& left, const TVxbOperand& right) {
  if (IsNull(left) || IsNull(right)) return types::kCompareNull;
  try {
    return TVxbDataType::Compare(*left.Value, *right.Value, *left.Type, *right.Type, 0);
  } catch (const types::EVxbTypeException& e) {
    throw errors::EVxbEngine(errors::vxbErrInternal, fs::u16(e.what()));
  }
}

static TVxbTruth CompareTruth(TVxbComparisonOperator op, int compared) {
  if (compared == types::kCompareNull) return ttUnknown;
  switch (op) {
    case tcoEqual:
    case tcoEqualNull: return Truth(compared == types::kCompareEqual);
    case tcoUnequal: return Truth(compared != types::kCompareEqual);
    case tcoLess: return Truth(compared == types::kCompareLess);
    case tcoLessOrEqual: return Truth(compared != types::kCompareGreater);
    case tcoGreater: return Truth(compared == types::kCompareGreater);
    case tcoGreaterOrEqual: return Truth(compared != types::kCompareLess);
    default: return ttUnknown;
  }
}

static TVxbTruth EvaluatePredicate(TVxbBooleanFactor& factor) {
  if (factor.FSearchCondition) return EvaluateSearchCondition(*factor.FSearchCondition);
  const TVxbOperand left = EvaluateExpression(*factor.FExpressionLeft);
  switch (factor.FComparisonOperator) {
    case tcoIsNull: return Truth(IsNull(left));
    case tcoIsNotNull: return Truth(!IsNull(left));
    case tcoEqualNull: {
      const TVxbOperand right = EvaluateExpression(*factor.FExpressionRight);
      if (IsNull(left) && IsNull(right)) return ttTrue;
      return CompareTruth(tcoEqual, Compare(left, right));
    }
    case tcoBetween: {
      const TVxbOperand upper = EvaluateExpression(*factor.FExpressionRight);
      const TVxbTruth belowUpper = CompareTruth(tcoLessOrEqual, Compare(left, upper));
      if (belowUpper != ttTrue) return belowUpper;
      const TVxbOperand lower = EvaluateExpression(*factor.FExpressionRightEx);
      return CompareTruth(tcoGreaterOrEqual, Compare(left, lower));
    }
    case tcoIn: {
      TVxbTruth result = ttFalse;
      for (auto& value : factor.FValueSet->FValues) {
        result = CompareTruth(tcoEqual, Compare(left, EvaluateExpression(*value)));
        if (result == ttTrue) return ttTrue;
      }
      return result;
    }
    case tcoLike: {
      const TVxbOperand pattern = EvaluateExpression(*factor.FExpressionRight);
      if (IsNull(left) || IsNull(pattern)) return ttFalse;
      const auto& type = static_cast<const types::TVxbStringType&>(*left.Type);
      return Truth(type.Matches(*left.Value, *pattern.Value, *pattern.Type, u'%', u'_', factor.FLikeEscapeChar));
    }
    case tcoHas: {
      const TVxbOperand part = EvaluateExpression(*factor.FExpressionRight);
      if (IsNull(left) || IsNull(part)) return ttFalse;
      return Truth(left.Type->GetWideString(*left.Value).find(part.Type->GetWideString(*part.Value)) !=
                   std::u16string::npos);
    }
    default:
      return CompareTruth(factor.FComparisonOperator, Compare(left, EvaluateExpression(*factor.FExpressionRight)));
  }
}

static TVxbTruth EvaluateBooleanFactor(TVxbBooleanFactor& factor) {
  const TVxbTruth truth = EvaluatePredicate(factor);
  if (!factor.FIsNot || truth == ttUnknown) return truth;
  return truth == ttTrue ? ttFalse : ttTrue;
}

TVxbTruth EvaluateSearchCondition(TVxbSearchCondition& condition) {
  bool anyUnknownTerm = false;
  for (TVxbSearchCondition* orNode = &condition; orNode; orNode = orNode->FSearchCondition.get()) {
    TVxbTruth term = ttTrue;
    for (TVxbBooleanTerm* andNode = orNode->FBooleanTerm.get(); andNode; andNode = andNode->FBooleanTerm.get()) {
      const TVxbTruth factor = EvaluateBooleanFactor(*andNode->FBooleanFactor);
      if (factor == ttFalse) {
        term = ttFalse;
        break;
      }
      if (factor == ttUnknown) term = ttUnknown;
    }
    if (term == ttTrue) return ttTrue;
    anyUnknownTerm = anyUnknownTerm || term == ttUnknown;
  }
  return anyUnknownTerm ? ttUnknown : ttFalse;
}

}  // namespace vexilo::cursor
