#include "engine/cursor/condition/table_checks.h"

#include <cstring>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/condition_walk.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"

namespace vexilo::cursor {

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
  if (prepared->Tree() && AnyFactor(*prepared->Tree(), IsContentColumnFactor)) {
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
