// TVxbDatabase: checking, compressing, backing up, creating and deleting
// the database.
#include "dataset/action_texts.h"
#include "dataset/call_session_errors.h"
#include "dataset/database.h"
#include "dataset/error_check.h"
#include "dataset/table.h"
#include "engine/api/calls/maintenance_calls.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

constexpr char16_t kNameChangeWhenConnected[] = u"Cannot change the database name when connected";

int16_t EngineDatabaseType(TVxbDatabaseType type) {
  return type == TVxbDatabaseType::dbtSingleFile ? api::kVxbSingleFileDatabase : api::kVxbDirectoryDatabase;
}

}  // namespace

void TVxbDatabase::Compress() {
  CheckConnected();
  if (FDatabaseType != TVxbDatabaseType::dbtSingleFile) return;
  CheckResult(kActionCompressingDatabase, api::VxbSessCompressDatabase(FSessionHdl));
}

void TVxbDatabase::Backup(std::u16string_view targetLocation, TVxbDatabaseType databaseType) {
  CheckConnected();
  const std::u16string target(targetLocation);
  CheckResult(framework::FormatErrorMessage(kActionBackingUpDatabase, {target}),
        api::VxbSessBackupDatabase(FSessionHdl, target.c_str(), EngineDatabaseType(databaseType), {}));
}

void TVxbDatabase::Check(TVxbTable* checkTable, TVxbTable& resultTable) {
  CheckConnected();
  resultTable.Close();
  api::TVxbProgressProc progress;
  if (checkTable != nullptr && checkTable->OnProgress) {
    progress = [checkTable](int32_t done, int32_t total) {
      const int percent = total == 0 ? 100 : static_cast<int>(int64_t{done} * 100 / total);
      bool stop = false;
      checkTable->OnProgress(*checkTable, percent, stop);
      return stop ? 1 : 0;
    };
  }
  const api::TVxbRltnHdl report = static_cast<api::TVxbRltnHdl>(
      CheckResult(kActionCheckingDatabase,
            api::VxbSessCheckTable(FSessionHdl, checkTable != nullptr ? checkTable->RltnHdl() : 0, progress)));
  api::TVxbTableInfo info;
  CheckResult(kActionCheckingDatabase, api::VxbRltnGetTableInfo(report, info));
  resultTable.SetTableName(info.FileName);
  resultTable.Open();
}

// Runs `call` on a session of its own (the component must be disconnected);
// a negative result raises with `action`.
template <class TCall>
void RunOnOwnSession(bool connected, std::u16string_view action, TCall&& call) {
  if (connected) throw framework::EDatabaseError(kNameChangeWhenConnected);
  const api::TVxbSessHdl session = api::VxbCreateSession(u"");
  TCallSessionErrors errors(session);
  if (session < 0) RaiseEngineError(errors, action, session);
  struct TSession {
    api::TVxbSessHdl hdl;
    ~TSession() { api::VxbSessDelete(hdl); }
  } own{session};
  const int16_t result = call(session);
  if (result < 0) RaiseEngineError(errors, action, result);
}

void TVxbDatabase::CreateDatabase(bool managed) {
  RunOnOwnSession(Connected(), framework::FormatErrorMessage(kActionCreatingDatabase, {FLocation}),
                  [&](api::TVxbSessHdl session) {
                    return api::VxbSessCreateDatabase(session, EngineDatabaseType(FDatabaseType), FLocation.c_str(),
                                                      FPassword.c_str(), api::temNone, managed);
                  });
}

void TVxbDatabase::DeleteDatabase() {
  RunOnOwnSession(Connected(), framework::FormatErrorMessage(kActionDeletingDatabase, {FLocation}),
                  [&](api::TVxbSessHdl session) {
                    return api::VxbSessDeleteDatabase(session, FLocation.c_str(), FPassword.c_str());
                  });
}

}  // namespace vexilo::dataset
