#include "engine/api/calls/session_calls.h"

#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "engine/api/calls/call_guard.h"
#include "engine/api/calls/cursor_table.h"
#include "engine/api/calls/fixed_text.h"
#include "engine/api/calls/relation_lookup.h"
#include "engine/api/calls/session_lookup.h"
#include "engine/api/session_list.h"
#include "engine/api/table_locator.h"
#include "engine/errors/caller_buffer.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

using calls::OnSession;
using calls::TextArg;
using calls::TSessionNeed;

constexpr int16_t kEngineException = errors::vxbResEngineException;
constexpr uint16_t kAllAccessRights = 15;
constexpr uint32_t kMaxStation = 2147483646;
constexpr int32_t kDefaultServerTimeout = 20000;

// A station number from 1 to kMaxStation. Station 0 would stand for "no
// station" in the tables' lock files, which refuse it, so it is never
// handed out.
uint32_t DrawStation() {
  static std::mutex mutex;
  static std::mt19937 generator{std::random_device{}()};
  const std::lock_guard<std::mutex> guard(mutex);
  std::uniform_int_distribution<uint32_t> station(1, kMaxStation);
  return station(generator);
}

// Runs `body` for a call that opens tables: an engine exception gives -100,
// any other -102, each stored as the session's last error first.
template <typename Body>
int16_t GuardedTableOpen(errors::TVxbServices* services, Body&& body) noexcept {
  try {
    return body();
  } catch (const errors::EVxbEngine&) {
    calls::StoreCurrentException(services);
    return errors::vxbResEngineException;
  } catch (...) {
    calls::StoreCurrentException(services);
    return errors::vxbResEngineFailure;
  }
}

// The catalog's result of opening a table as the call's result.
int16_t OpenTableResult(TVxbLocalSession& session, int16_t result) {
  TVxbCatalog& catalog = *session.Catalog();
  if (result > 0) {
    const int32_t rltnHdl = catalog.CalcRltnHdl(result);
    if (rltnHdl <= calls::kMaxRltnHdl) return static_cast<int16_t>(rltnHdl);
    // The last session's highest indexes have handles no relation call
    // accepts: a table opened under one could never be used or closed.
    catalog.CloseRelation(result, true, true);
    session.Services()->SetLastError(errors::vxbErrCapacity, {u"tables of the last session"});
    return errors::vxbResOutOfMemory;
  }
  if (result == -errors::vxbErrTooManyTables) return errors::vxbResOutOfMemory;
  if (result == -errors::vxbErrCredentials) return errors::vxbResWrongPassword;
  return errors::vxbResCannotOpenTable;
}

int16_t OpenTable(TVxbSessHdl sessionHdl, const char16_t* tableName, const char16_t* key, uint16_t rights,
                  bool withRelTables, bool force) {
  return OnSession(
      sessionHdl, TSessionNeed::Open, int16_t{errors::vxbResEngineFailure}, [&](TVxbLocalSession& session) {
        return GuardedTableOpen(session.Services(), [&]() -> int16_t {
          const std::u16string name(TextArg(tableName));
          TVxbCatalog& catalog = *session.Catalog();
          fs::TvwFileSystem* fileSystem = session.Services()->DataFileSystem();
          if ((rights & storage::kRightExclusive) != 0 && !catalog.Exclusive() && fileSystem != nullptr &&
              !fileSystem->SupportsExclusiveFiles()) {
            // The feature's name as the engine has always spelt it in this message.
            session.Services()->SetLastError(errors::vxbErrLevelFeature, {name, u"Exlusive"});
            return kEngineException;
          }
          const int16_t result = withRelTables ? catalog.AddTable(name, TextArg(key), force, rights)
                                               : catalog.OpenTable(name, TextArg(key), false, force, false, rights);
          return OpenTableResult(session, result);
        });
      });
}

// Ends the session's cursors (statements are not built, so there are none
// of those) before its database closes under them.
void RemoveCursors(TVxbSessHdl sessionHdl) { calls::TCursorTable::Instance().RemoveSessionCursors(sessionHdl); }

int16_t OpenDatabase(TVxbLocalSession& session, std::u16string_view location, std::u16string_view password,
                     int32_t cacheSizeKiB, int32_t attributes) {
  // The open database goes first, before the catalog's settings change
  // under it (its share of the page cache is given back with the size it
  // was taken with).
  if (session.GetIsOpen()) {
    RemoveCursors(session.Handle());
    session.CloseDb();
  }
  TVxbCatalog& catalog = *session.Catalog();
  catalog.SetLocation(location);
  catalog.SetKey(password);
  catalog.SetReadOnly((attributes & kVxbOpenReadOnly) != 0);
  catalog.SetExclusive((attributes & kVxbOpenExclusive) != 0);
  catalog.SetDeepFlush((attributes & kVxbOpenDeepFlush) != 0);
  catalog.SetSharedReadOnly((attributes & kVxbOpenSharedReadOnly) != 0);
  catalog.SetCacheSize(cacheSizeKiB > 0 ? cacheSizeKiB : TVxbCatalog::kDefaultCacheSizeKiB);
  const int16_t result = session.OpenDb();
  if (result == -errors::vxbErrFileNotFound || result == -errors::vxbErrCredentials) {
    return errors::vxbResDatabaseNotFound;
  }
  return result < 0 ? errors::vxbResCannotCreateSession : errors::vxbResOk;
}

}  // namespace

// --- the session ---

TVxbSessHdl VxbCreateSession(const char16_t* location) {
  try {
    const int16_t sessionHdl = TSessionList::Instance().CreateSession(TextArg(location));
    return sessionHdl > 0 ? sessionHdl : static_cast<TVxbSessHdl>(errors::vxbResCannotCreateSession);
  } catch (...) {
    return errors::vxbResCannotCreateSession;
  }
}

int16_t VxbSessGetDefaultNetParams(TVxbSessHdl sessionHdl, TVxbNetParams& netParams) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession&) -> int16_t {
    netParams = TVxbNetParams{};
    calls::SetFixedText(netParams.NetDirs, u"AUTO");
    calls::SetFixedText(netParams.StationName, u"Undefined");
    netParams.StationNo = DrawStation();
    netParams.ServerTimeout = kDefaultServerTimeout;
    return 0;
  });
}

int16_t VxbSessSetNetParams(TVxbSessHdl sessionHdl, const TVxbNetParams& netParams) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    TVxbSessionServices& services = *session.Services();
    if (netParams.StationNo != 0) {
      services.SetStation(netParams.StationNo);
      session.SetConnectionId(netParams.StationNo);
    }
    services.SetIdName(calls::FixedText(netParams.StationName));
    services.SetReadOnlyDirs(calls::FixedText(netParams.ReadOnlyDirs));
    services.SetNetworkDirs(calls::FixedText(netParams.NetDirs));
    services.SetPrivateDir(calls::FixedText(netParams.PrivateDir));
    // A private directory that cannot be made shows when the log is opened.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(fs::u8(services.PrivateDir())), ignored);
    return 0;
  });
}

int16_t VxbSessSetPasswordCallback(TVxbSessHdl sessionHdl, TVxbPasswordProc callback) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    session.Services()->SetPasswordCallback(std::move(callback));
    return 0;
  });
}

int16_t VxbSessSetSystemSettings(TVxbSessHdl sessionHdl, int32_t indPageSize, int32_t blobBlockSize) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    session.Services()->SetDefIndPageSize(indPageSize);
    session.Services()->SetDefBlobBlockSize(blobBlockSize);
    return 0;
  });
}

int16_t VxbSessOpenDb(TVxbSessHdl sessionHdl, const char16_t* location, const char16_t* userName,
                      const char16_t* password, int32_t cacheSizeKiB, int32_t attributes) {
  (void)userName;
  return OnSession(sessionHdl, TSessionNeed::Exists, int16_t{errors::vxbResCannotCreateSession},
                   [&](TVxbLocalSession& session) {
                     return OpenDatabase(session, TextArg(location), TextArg(password), cacheSizeKiB, attributes);
                   });
}

int16_t VxbSessGetDbInfo(TVxbSessHdl sessionHdl, TVxbDatabaseInfo& dbInfo) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    dbInfo = TVxbDatabaseInfo{};
    dbInfo.ManagementLevel = static_cast<int16_t>(session.Catalog()->ManagementLevel());
    // Databases of this engine are not enciphered as a whole; tables are.
    dbInfo.EncryptionMethod = temNone;
    return 0;
  });
}

int16_t VxbSessSetSettings(TVxbSessHdl sessionHdl, bool caseSensitive, bool caretSwitch, bool autoCreateIndexes,
                           int32_t lockingTimeout) {
  (void)caretSwitch;
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    session.SetSettings(caseSensitive, autoCreateIndexes, lockingTimeout);
    return 0;
  });
}

int16_t VxbSessSetLogLevel(TVxbSessHdl sessionHdl, int32_t level) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    return session.Services()->SetLogLevel(level) < 0 ? kEngineException : int16_t{0};
  });
}

int16_t VxbSessIsSingleFile(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException,
                   [&](TVxbLocalSession& session) -> int16_t { return session.Catalog()->GetIsSingleFile() ? 1 : 0; });
}

int16_t VxbSessGetIsolationLevel(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    return static_cast<int16_t>(session.Services()->IsolationLevel());
  });
}

// --- tables ---

TVxbRltnHdl VxbSessOpenTable(TVxbSessHdl sessionHdl, const char16_t* tableName, const char16_t* key, uint16_t rights,
                             bool withRelTables, bool force) {
  return OpenTable(sessionHdl, tableName, key, rights, withRelTables, force);
}

TVxbRltnHdl VxbSessAddTable(TVxbSessHdl sessionHdl, const char16_t* tablePath) {
  return OpenTable(sessionHdl, tablePath, nullptr, kAllAccessRights, true, false);
}

TVxbRltnHdl VxbSessFindRltnHdl(TVxbSessHdl sessionHdl, const char16_t* name) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    const int16_t rltnIdx = session.Catalog()->FindRltnIdx(TextArg(name));
    return rltnIdx > 0 ? static_cast<int16_t>(session.Catalog()->CalcRltnHdl(rltnIdx)) : int16_t{0};
  });
}

int16_t VxbSessRemoveTable(TVxbSessHdl sessionHdl, const char16_t* tableName) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    TVxbCatalog& catalog = *session.Catalog();
    const std::u16string name(TextArg(tableName));
    const int16_t rltnIdx = catalog.FindRltnIdx(name);
    if (rltnIdx <= 0) {
      session.Services()->SetLastError(errors::vxbErrTableNotFound, {StandardTableName(name)});
      return kEngineException;
    }
    return catalog.TryCloseRelation(rltnIdx, true, true) < 0 ? kEngineException : int16_t{0};
  });
}

int16_t VxbSessCloseUnneededTables(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    session.Catalog()->CloseUnneededTables(false, false);
    return 0;
  });
}

int16_t VxbSessRegisterModifications(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Open, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    TVxbCatalog& catalog = *session.Catalog();
    bool changed = false;
    for (int16_t rltnIdx = 1; rltnIdx <= TVxbCatalog::kMaxRltnIdx; ++rltnIdx) {
      // A table that cannot look (its error is stored) counts as unchanged;
      // the others are still asked.
      if (catalog.IsActiveRltnIdx(rltnIdx) && catalog.GetRelation(rltnIdx)->CheckForChanges() > 0) changed = true;
    }
    return changed ? 1 : 0;
  });
}

int32_t VxbSessGetTableNames(TVxbSessHdl sessionHdl, char16_t* tableNames, int32_t maxLen) {
  return OnSession(sessionHdl, TSessionNeed::Open, int32_t{kEngineException},
                   [&](TVxbLocalSession& session) -> int32_t {
                     std::vector<std::u16string> names;
                     session.Catalog()->GetTableNames(names);
                     std::u16string list;
                     for (const std::u16string& name : names) {
                       if (!list.empty()) list += u';';
                       list += name;
                     }
                     errors::CopyToCallerBuffer(list, tableNames, maxLen);
                     return static_cast<int32_t>(list.size());
                   });
}

// --- transactions ---

int16_t VxbSessBeginTransaction(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Open, int16_t{errors::vxbResTransaction},
                   [&](TVxbLocalSession& session) -> int16_t {
                     return session.Catalog()->BeginTransaction() < 0 ? int16_t{errors::vxbResTransaction} : int16_t{0};
                   });
}

int16_t VxbSessEndTransaction(TVxbSessHdl sessionHdl) {
  return OnSession(
      sessionHdl, TSessionNeed::Open, int16_t{errors::vxbResTransaction}, [&](TVxbLocalSession& session) -> int16_t {
        return session.Catalog()->EndTransaction(true) < 0 ? int16_t{errors::vxbResTransaction} : int16_t{0};
      });
}

int16_t VxbSessCancelTransaction(TVxbSessHdl sessionHdl) {
  return OnSession(
      sessionHdl, TSessionNeed::Open, int16_t{errors::vxbResTransaction}, [&](TVxbLocalSession& session) -> int16_t {
        return session.Catalog()->CancelTransaction() < 0 ? int16_t{errors::vxbResTransaction} : int16_t{0};
      });
}

// --- the end ---

int16_t VxbSessCloseDb(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    RemoveCursors(sessionHdl);
    return session.CloseDb();
  });
}

int16_t VxbSessDelete(TVxbSessHdl sessionHdl) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession&) -> int16_t {
    RemoveCursors(sessionHdl);
    TSessionList::Instance().DeleteSession(sessionHdl);
    return 0;
  });
}

// --- errors and version ---

int16_t VxbSessGetLastError(TVxbSessHdl sessionHdl, int16_t& errCode, char16_t* errMsg, int32_t maxLen) {
  return OnSession(sessionHdl, TSessionNeed::Exists, kEngineException, [&](TVxbLocalSession& session) -> int16_t {
    return session.Services()->GetLastError(errCode, errMsg, maxLen);
  });
}

int32_t VxbSessGetLastErrorPos(TVxbSessHdl sessionHdl, char16_t* errMsg, int32_t maxLen) {
  return OnSession(
      sessionHdl, TSessionNeed::Exists, int32_t{kEngineException},
      [&](TVxbLocalSession& session) -> int32_t { return session.Services()->GetLastErrorPos(errMsg, maxLen); });
}

int16_t VxbGetVersion() { return kVxbEngineVersion; }

}  // namespace vexilo::api
