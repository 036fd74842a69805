#include "engine/cursor/condition/table_checks.h"

#include <cstring>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"

namespace vexilo::cursor {

namespace {

bool ReadsContent(const TVxbExpression& expression);

bool FactorReadsContent(const TVxbSimpleFactor& factor) {
  if (factor.FType == sftColumn && factor.FAccessor) {
    const int16_t type = factor.FAccessor->Relation().ColumnDefs().GetColumnDef(factor.FFieldNo)->TypeCode();
    return type == types::vxbMemo || type == types::vxbWideMemo || type == types::vxbBlob;
  }
  if (factor.FType == sftExpression) return ReadsContent(*factor.FExpression);
  if (factor.FType == sftFunction) {
    for (const auto& argument : factor.FSqlFunction->Arguments) {
      if (ReadsContent(*argument)) return true;
    }
  }
  return false;
}

bool ReadsContent(const TVxbExpression& expression) {
  for (const TVxbExpression* node = &expression; node; node = node->FExpression.get()) {
    for (const TVxbTerm* term = node->FTerm.get(); term; term = term->FTerm.get()) {
      if (FactorReadsContent(*term->FFactor)) return true;
    }
  }
  return false;
}

bool ConditionReadsContent(const TVxbSearchCondition& condition) {
  for (const TVxbSearchCondition* orNode = &condition; orNode; orNode = orNode->FSearchCondition.get()) {
    for (const TVxbBooleanTerm* andNode = orNode->FBooleanTerm.get(); andNode; andNode = andNode->FBooleanTerm.get()) {
      const TVxbBooleanFactor& factor = *andNode->FBooleanFactor;
      if (factor.FSearchCondition && ConditionReadsContent(*factor.FSearchCondition)) return true;
      for (const TVxbExpression* operand :
           {factor.FExpressionLeft.get(), factor.FExpressionRight.get(), factor.FExpressionRightEx.get()}) {
        if (operand && ReadsContent(*operand)) return true;
      }
      if (factor.FValueSet) {
        for (const auto& value : factor.FValueSet->FValues) {
          if (ReadsContent(*value)) return true;
        }
      }
    }
  }
  return false;
}

}  // namespace

TVxbTableChecks::TVxbTableChecks(storage::TVxbBaseTable& table) : FTable(table) {}

TVxbTableChecks::~TVxbTableChecks() { Uninstall(); }

void TVxbTableChecks::Install() {
  FTable.OnEvaluateCheck = [this](const uint8_t* recBuffer, const storage::TVxbCheckDef& check) {
    return Evaluate(recBuffer, check);
  };
}

void TVxbTableChecks::Uninstall() {
  FConditions.clear();
  FAccessor.reset();
  FTable.OnEvaluateCheck = nullptr;
}

TVxbSqlCondition& TVxbTableChecks::Prepared(const std::u16string& text) {
  auto& condition = FConditions[text];
  if (condition && condition->IsPrepared()) return *condition;
  if (!FAccessor) FAccessor = std::make_unique<TVxbAccessor>(FTable, u"Table_Checks");
  auto prepared = std::make_unique<TVxbSqlCondition>(text);
  prepared->Prepare({FAccessor.get()}, 0);
  if (prepared->Tree() && ConditionReadsContent(*prepared->Tree())) {
    throw errors::EVxbEngine(errors::vxbErrNotSupported, u"memo and blob columns in check constraints");
  }
  condition = std::move(prepared);
  return *condition;
}

void TVxbTableChecks::Validate(const std::u16string& condition) {
  try {
    Prepared(condition);
  } catch (...) {
    FConditions.erase(condition);
    throw;
  }
}

int16_t TVxbTableChecks::Evaluate(const uint8_t* recBuffer, const storage::TVxbCheckDef& check) {
  if (check.Condition.Procedural) return 1;
  try {
    TVxbSqlCondition& condition = Prepared(check.Condition.Text);
    FRecord.assign(recBuffer, recBuffer + FAccessor->RecordSize());
    FAccessor->SwitchRecBuffer(FRecord);
    TVxbTruth truth = ttTrue;
    try {
      truth = condition.EvaluateTruth();
    } catch (...) {
      FAccessor->UnswitchRecBuffer(FRecord);
      throw;
    }
    FAccessor->UnswitchRecBuffer(FRecord);
    return truth == ttFalse ? 0 : 1;
  } catch (const errors::EVxbEngine& e) {
    FConditions.erase(check.Condition.Text);
    return FTable.Services().SetLastError(e);
  }
}

}  // namespace vexilo::cursor
