#include "engine/cursor/condition/condition_walk.h"

#include "engine/cursor/accessor.h"
#include "engine/types/column_type.h"

namespace vexilo::cursor {

bool AnyFactor(const TVxbExpression& expression, const TVxbFactorTest& test) {
  for (const TVxbExpression* node = &expression; node; node = node->FExpression.get()) {
    for (const TVxbTerm* term = node->FTerm.get(); term; term = term->FTerm.get()) {
      const TVxbSimpleFactor& factor = *term->FFactor;
      if (test(factor)) return true;
      if (factor.FType == sftExpression && AnyFactor(*factor.FExpression, test)) return true;
      if (factor.FType == sftFunction) {
        for (const auto& argument : factor.FSqlFunction->Arguments) {
          if (AnyFactor(*argument, test)) return true;
        }
      }
    }
  }
  return false;
}

bool AnyFactor(const TVxbSearchCondition& condition, const TVxbFactorTest& test) {
  for (const TVxbSearchCondition* orNode = &condition; orNode; orNode = orNode->FSearchCondition.get()) {
    for (const TVxbBooleanTerm* andNode = orNode->FBooleanTerm.get(); andNode; andNode = andNode->FBooleanTerm.get()) {
      const TVxbBooleanFactor& factor = *andNode->FBooleanFactor;
      if (factor.FSearchCondition && AnyFactor(*factor.FSearchCondition, test)) return true;
      for (const TVxbExpression* operand :
           {factor.FExpressionLeft.get(), factor.FExpressionRight.get(), factor.FExpressionRightEx.get()}) {
        if (operand && AnyFactor(*operand, test)) return true;
      }
      if (factor.FValueSet) {
        for (const auto& value : factor.FValueSet->FValues) {
          if (AnyFactor(*value, test)) return true;
        }
      }
    }
  }
  return false;
}

bool IsContentColumnFactor(const TVxbSimpleFactor& factor) {
  if (factor.FType != sftColumn || !factor.FAccessor) return false;
  const int16_t type = factor.FAccessor->Relation().ColumnDefs().GetColumnDef(factor.FFieldNo)->TypeCode();
  return type == types::vxbMemo || type == types::vxbWideMemo || type == types::vxbBlob;
}

}  // namespace vexilo::cursor
