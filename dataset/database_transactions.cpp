// TVxbDatabase: transactions and the database-wide upkeep of open tables.
#include "dataset/action_texts.h"
#include "dataset/database.h"
#include "dataset/dataset.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"

namespace vexilo::dataset {

void TVxbDatabase::StartTransaction() {
  CheckConnected();
  CheckResult(kActionStartingTransaction, api::VxbSessBeginTransaction(FSessionHdl));
}

void TVxbDatabase::Commit() {
  CheckConnected();
  CheckResult(kActionCommittingTransaction, api::VxbSessEndTransaction(FSessionHdl));
}

void TVxbDatabase::Rollback() {
  CheckConnected();
  CheckResult(kActionRollingBackTransaction, api::VxbSessCancelTransaction(FSessionHdl));
}

bool TVxbDatabase::InTransaction() {
  if (!Connected()) return false;
  return CheckResult(kActionCheckingTransactionState, api::VxbSessGetIsolationLevel(FSessionHdl)) >
         static_cast<int>(TVxbTransIsolation::tilNone);
}

void TVxbDatabase::CloseCachedTables() {
  CheckConnected();
  CheckResult(kActionClosingTables, api::VxbSessCloseUnneededTables(FSessionHdl));
}

void TVxbDatabase::RefreshDataSets() {
  CheckConnected();
  api::VxbSessRegisterModifications(FSessionHdl);
  for (int i = 0; i < DataSetCount(); ++i) {
    auto* dataSet = dynamic_cast<TVxbDataSet*>(&DataSets(i));
    if (dataSet == nullptr || !dataSet->Active() || !dataSet->RefreshOnChange()) continue;
    if (api::VxbTableRefresh(dataSet->TableHdl(), true) > 0) dataSet->ResyncWithCursor();
  }
}

}  // namespace vexilo::dataset
