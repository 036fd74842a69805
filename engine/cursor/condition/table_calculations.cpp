#include "engine/cursor/condition/table_calculations.h"

#include <cstring>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/condition_walk.h"
#include "engine/cursor/condition/sql_expression.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"

namespace vexilo::cursor {

namespace {

bool IsContentColumn(const storage::TVxbColumnDef& column) {
  const int16_t type = column.TypeCode();
  return type == types::vxbMemo || type == types::vxbWideMemo || type == types::vxbBlob;
}

}  // namespace

TVxbTableCalculations::TVxbTableCalculations(storage::TVxbBaseTable& table) : FTable(table) {}

TVxbTableCalculations::~TVxbTableCalculations() { Uninstall(); }

void TVxbTableCalculations::Install() {
  FTable.OnCalculate = [this](uint8_t* recBuffer, storage::TVxbCalculationPurposes purposes) {
    return Calculate(recBuffer, purposes);
  };
}

void TVxbTableCalculations::Uninstall() {
  FExpressions.clear();
  FAccessor.reset();
  FTable.OnCalculate = nullptr;
}

TVxbSqlExpression& TVxbTableCalculations::Prepared(int fieldNo) {
  auto& expression = FExpressions[fieldNo];
  if (expression && expression->IsPrepared()) return *expression;
  const storage::TVxbColumnDef& column = *FTable.ColumnDefs().GetColumnDef(fieldNo);
  if (IsContentColumn(column)) {
    throw errors::EVxbEngine(errors::vxbErrNotSupported, u"calculated memo and blob columns");
  }
  if (!FAccessor) FAccessor = std::make_unique<TVxbAccessor>(FTable, u"Table_Calculations");
  auto prepared = std::make_unique<TVxbSqlExpression>(column.Calculation()->Text);
  prepared->Prepare({FAccessor.get()}, 0);
  if (AnyFactor(*prepared->Tree(), IsContentColumnFactor)) {
    throw errors::EVxbEngine(errors::vxbErrNotSupported, u"memo and blob columns in calculations");
  }
  const types::TVxbDataType& result = *prepared->ResultType();
  const types::TVxbDataType& target = *column.DataType();
  if (result.ColumnType() != types::vxbNullType && !types::TVxbDataType::CanConvert(result, target, false)) {
    throw errors::EVxbEngine(errors::vxbErrTypeMismatch, result.GetSqlName() + u"->" + target.GetSqlName());
  }
  expression = std::move(prepared);
  return *expression;
}

void TVxbTableCalculations::Validate(int fieldNo) {
  try {
    Prepared(fieldNo);
  } catch (...) {
    FExpressions.erase(fieldNo);
    throw;
  }
}

int16_t TVxbTableCalculations::Calculate(uint8_t* recBuffer, storage::TVxbCalculationPurposes purposes) {
  bool lent = false;
  try {
    for (int fieldNo = 1; fieldNo <= FTable.ColumnCount(); ++fieldNo) {
      const storage::TVxbColumnDef& column = *FTable.ColumnDefs().GetColumnDef(fieldNo);
      if ((column.CalculationPurposes() & purposes) == 0 || column.Calculation()->Procedural) continue;
      TVxbSqlExpression& expression = Prepared(fieldNo);
      if (!lent) {
        FRecord.assign(recBuffer, recBuffer + FAccessor->RecordSize());
        FAccessor->SwitchRecBuffer(FRecord);
        lent = true;
      }
      const TVxbOperand value = expression.Evaluate();
      // An integer that does not fit the column is an error, not a value cut
      // to the column's width.
      const types::TVxbDataType& target = *column.DataType();
      if (types::IsIntegerColumnType(target.ColumnType()) && types::IsIntegerColumnType(value.Type->ColumnType()) &&
          !IsNull(value)) {
        types::TVxbDataValue probe;
        target.SetInteger(probe, value.Type->GetInteger(*value.Value));
      }
      if (const int16_t result = FAccessor->PutFieldValue(fieldNo, *value.Value, *value.Type); result < 0) {
        FAccessor->UnswitchRecBuffer(FRecord);
        return result;
      }
    }
    if (lent) {
      FAccessor->UnswitchRecBuffer(FRecord);
      std::memcpy(recBuffer, FRecord.data(), FRecord.size());
    }
    return 0;
  } catch (const errors::EVxbEngine& e) {
    if (lent) FAccessor->UnswitchRecBuffer(FRecord);
    return FTable.Services().SetLastError(e);
  }
}

}  // namespace vexilo::cursor
