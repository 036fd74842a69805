#include "engine/api/calls/maintenance_calls.h"

#include "engine/api/calls/relation_lookup.h"
#include "engine/api/calls/session_lookup.h"
#include "engine/api/database_backup.h"
#include "engine/api/database_directory.h"
#include "engine/api/table_check_report.h"
#include "engine/errors/error_codes.h"

namespace vexilo::api {

namespace {

using calls::OnSession;
using calls::TextArg;
using calls::TSessionNeed;

constexpr int16_t kEngineException = errors::vxbResEngineException;

// An engine result of 0 or a negated error as the call's result.
int16_t CallResult(int16_t result) { return result < 0 ? kEngineException : int16_t{0}; }

// Stores why a database of `databaseType` is refused: -100.
int16_t RefuseDatabaseType(TVxbLocalSession& session, int16_t databaseType) {
  if (databaseType == kVxbSingleFileDatabase) {
    session.Services()->SetLastError(errors::vxbErrNotSupported, {u"single-file databases"});
  } else {
    session.Services()->SetLastError(errors::vxbErrInvalidParameter, {u"databaseType"});
  }
  return kEngineException;
}

}  // namespace

TVxbRltnHdl VxbSessCheckTable(TVxbSessHdl sessionHdl, TVxbRltnHdl rltnHdl, const TVxbProgressProc& progress) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    int16_t rltnIdx = 0;
    if (rltnHdl != 0) {
      TVxbLocalSession* owner = nullptr;
      if (calls::FindRelation(rltnHdl, owner) == nullptr || owner != &session) {
        return errors::vxbResInvalidRelationHandle;
      }
      rltnIdx = calls::IndexOfRltnHdl(rltnHdl);
    }
    int16_t reportIdx = 0;
    const storage::TVxbCheckProgress tableProgress = [&](int64_t done, int64_t total) {
      return progress ? progress(static_cast<int32_t>(done), static_cast<int32_t>(total)) : 0;
    };
    if (CheckTablesIntoReport(session, rltnIdx, tableProgress, reportIdx) < 0) return kEngineException;
    TVxbCatalog& catalog = *session.Catalog();
    const int32_t reportHdl = catalog.CalcRltnHdl(reportIdx);
    if (reportHdl > calls::kMaxRltnHdl) {
      // No relation call would reach the report under this handle.
      catalog.CloseRelation(reportIdx, false, true);
      session.Services()->SetLastError(errors::vxbErrCapacity, {u"tables of the last session"});
      return kEngineException;
    }
    return static_cast<int16_t>(reportHdl);
  });
}

int16_t VxbSessCompressDatabase(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [](TVxbLocalSession&) -> int16_t { return 0; });
}

int16_t VxbSessBackupDatabase(TVxbSessHdl sessionHdl, const char16_t* targetLocation, int16_t databaseType,
                              const TVxbProgressProc& progress) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    if (databaseType != kVxbDirectoryDatabase) return RefuseDatabaseType(session, databaseType);
    if (session.Catalog()->GetIsSingleFile()) return RefuseDatabaseType(session, kVxbSingleFileDatabase);
    return CallResult(BackupDirectoryDatabase(session, TextArg(targetLocation), progress));
  });
}

int16_t VxbSessCreateDatabase(TVxbSessHdl sessionHdl, int16_t databaseType, const char16_t* databaseName,
                              const char16_t* key, int16_t encryptionMethod, bool managed) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    if (databaseType != kVxbDirectoryDatabase) return RefuseDatabaseType(session, databaseType);
    if (encryptionMethod != temNone) {
      session.Services()->SetLastError(errors::vxbErrNotSupported, {u"encrypted databases"});
      return kEngineException;
    }
    const int16_t result = CreateDirectoryDatabase(session, TextArg(databaseName), TextArg(key), managed);
    if (result == -errors::vxbErrCreatePermission) return errors::vxbResCannotCreateFile;
    return CallResult(result);
  });
}

int16_t VxbSessDeleteDatabase(TVxbSessHdl sessionHdl, const char16_t* databasePath, const char16_t* key) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    return CallResult(DeleteDirectoryDatabase(session, TextArg(databasePath), TextArg(key)));
  });
}

}  // namespace vexilo::api
