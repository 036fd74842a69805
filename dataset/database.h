// TVxbDatabase: the dataset layer's connection to one VexBase database (a
// directory of table files or a single database file). It keeps the
// connection settings, opens and closes one engine session through the
// engine call interface, and offers the database-wide operations
// (transactions, the table list, opening tables by name, maintenance).
// Datasets find their component by DatabaseName, make it connect and use its
// session handle for their own calls.
//
// Connected exactly while it holds a session (SessionHdl() > 0). Every
// component is in the process-wide TVxbDatabaseList from construction to
// destruction. A component a dataset created for a database name nobody
// offered ("automatic") is destroyed when its last dataset leaves it.
//
// Every failed engine call raises through the dataset layer's error check
// with the action text of what was being done. Used on one thread; the
// process-wide list has its own lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/database_list.h"
#include "dataset/dataset_types.h"
#include "dataset/table_defs.h"
#include "engine/api/calls/call_types.h"
#include "framework/core/connection.h"

namespace vexilo::dataset {

class TVxbDataSet;
class TVxbTable;

// Bits of the set of rights a table is opened with.
inline constexpr uint16_t kRightAppend = 0x1;
inline constexpr uint16_t kRightEdit = 0x2;
inline constexpr uint16_t kRightDelete = 0x4;
inline constexpr uint16_t kRightIndex = 0x8;
inline constexpr uint16_t kAllTableRights = kRightAppend | kRightEdit | kRightDelete | kRightIndex;

class TVxbDatabase : public framework::TCustomConnection {
 public:
  // `owner` is what the component belongs to (a window); components and
  // datasets of one owner share automatic database names. Null: none.
  explicit TVxbDatabase(const void* owner = nullptr);
  ~TVxbDatabase() override;

  // ---- Identity ----
  const void* Owner() const { return FOwner; }
  void SetName(std::u16string value) override;
  // The name datasets find the component by (the component name while
  // empty). Not while connected.
  const std::u16string& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(std::u16string value);
  // Makes the name unique among the process's components with a "_<n>"
  // suffix and gives it to the owner's datasets. Not while connected.
  bool AutoDatabaseName() const { return FAutoDatabaseName; }
  void SetAutoDatabaseName(bool value);
  void Loaded() override;
  // Created by a dataset; destroyed when its last dataset leaves.
  bool Automatic() const { return FAutomatic; }
  void SetAutomatic(bool value) { FAutomatic = value; }

  // ---- Connection settings (stored; take effect at the next connect unless noted) ----
  // The database directory or single database file. Not while connected.
  const std::u16string& Location() const { return FLocation; }
  void SetLocation(std::u16string value);
  // Temporary files and logs of the session. Not while connected.
  const std::u16string& PrivateDir() const { return FPrivateDir; }
  void SetPrivateDir(std::u16string value);
  // Exclusive, DatabaseType and SharedReadOnly disconnect a connected
  // component when they change; ReadOnly always does.
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool SharedReadOnly() const { return FSharedReadOnly; }
  void SetSharedReadOnly(bool value);
  // What was opened, once connected.
  TVxbDatabaseType DatabaseType() const { return FDatabaseType; }
  void SetDatabaseType(TVxbDatabaseType value);
  TVxbFlushMode FlushMode() const { return FFlushMode; }
  void SetFlushMode(TVxbFlushMode value) { FFlushMode = value; }
  // Sent at once when connected.
  int32_t IndexPageSize() const { return FIndexPageSize; }
  void SetIndexPageSize(int32_t value);
  int32_t BlobBlockSize() const { return FBlobBlockSize; }
  void SetBlobBlockSize(int32_t value);
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value);
  bool CaretSwitch() const { return FCaretSwitch; }
  void SetCaretSwitch(bool value);
  bool AutoCreateIndexes() const { return FAutoCreateIndexes; }
  void SetAutoCreateIndexes(bool value);
  int32_t LogLevel() const { return FLogLevel; }
  void SetLogLevel(int32_t value);
  // Kilobytes of page cache the session adds (default 40960).
  int32_t CacheSize() const { return FCacheSize; }
  void SetCacheSize(int32_t value) { FCacheSize = value; }
  // Milliseconds a locked record or table is waited for (default 20000).
  int32_t LockingTimeout() const { return FLockingTimeout; }
  void SetLockingTimeout(int32_t value) { FLockingTimeout = value; }
  // Milliseconds; 0 takes the engine's default on connect.
  int32_t ServerTimeout() const { return FServerTimeout; }
  void SetServerTimeout(int32_t value) { FServerTimeout = value; }
  // The station name sent to the engine (cut to 40 characters) and the
  // station number it assigned.
  const std::u16string& ConnectionName() const { return FConnectionName; }
  void SetConnectionName(std::u16string value) { FConnectionName = std::move(value); }
  uint32_t ConnectionId() const { return FConnectionId; }
  const std::u16string& UserName() const { return FUserName; }
  void SetUserName(std::u16string value) { FUserName = std::move(value); }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(std::u16string value) { FPassword = std::move(value); }
  TVxbTransIsolation TransIsolation() const { return FTransIsolation; }
  void SetTransIsolation(TVxbTransIsolation value) { FTransIsolation = value; }
  // Read from the engine on connect.
  TVxbManagementLevel ManagementLevel() const { return FManagementLevel; }
  api::TVxbEncryptionMethod EncryptionMethod() const { return FEncryptionMethod; }
  // Tables opened with the connection.
  TVxbBaseTableDefs& TableDefs() { return FTableDefs; }
  // Asked when a table needs a key.
  TVxbPasswordEvent OnPassword;

  // The engine session, 0 while not connected.
  api::TVxbSessHdl SessionHdl() const { return FSessionHdl; }

  // ---- Datasets ----
  void RegisterClient(framework::TDataSet& dataSet, TConnectChangeEvent event = {}) override;
  // An automatic component destroys itself when its last dataset leaves:
  // nothing may touch it after that call.
  void UnRegisterClient(framework::TDataSet& dataSet) override;

  // ---- Database-wide operations (need a connection) ----
  void StartTransaction();
  void Commit();
  void Rollback();
  // False when disconnected.
  bool InTransaction();
  void CloseCachedTables();
  // The database's table names (none with `systemTables`); connects for the
  // call when not connected.
  void GetTableNames(std::vector<std::u16string>& list, bool systemTables);
  // Takes in other sessions' changes and refreshes the datasets that follow
  // them.
  void RefreshDataSets();
  // Opens the table for the session's catalog (rights from the last three
  // arguments) and gives its relation handle.
  api::TVxbRltnHdl OpenTable(std::u16string_view tableName, std::u16string_view key, TVxbFlushMode flushMode,
                             uint16_t rights, bool exclusive);
  void AddTable(std::u16string_view tableName);
  void RemoveTable(std::u16string_view tableName);
  // Gives back unused space (a single-file database; a directory database
  // has none to give).
  void Compress();
  // Copies the database, consistent under its tables' read locks, to
  // `targetLocation`.
  void Backup(std::u16string_view targetLocation, TVxbDatabaseType databaseType);
  // Checks `checkTable` (null: every open table; its OnProgress hears the
  // percentage done and may stop) and opens `resultTable` on the report:
  // TableName, ObjectType, ObjectName, Severity, Description.
  void Check(TVxbTable* checkTable, TVxbTable& resultTable);
  // Creates (deletes) the database at Location, of DatabaseType, with
  // Password as key, through a session of its own; only while disconnected.
  void CreateDatabase(bool managed = false);
  void DeleteDatabase();

  // ---- For the datasets of the component ----
  // The rights word for opening a table: the base bits, the `rights`
  // wanted, exclusive when wanted or the component is, deep flush by the
  // table's and the component's flush modes.
  uint16_t TableRightsWord(bool exclusive, uint16_t rights, TVxbFlushMode tableFlushMode) const;
  // Opens a table by name: an open relation of that name is reused; a full
  // session is relieved once; a key asked for goes to the password
  // handlers; linked tables are opened too. The relation handle, or the
  // negative call result.
  api::TVxbRltnHdl OpenTableByName(std::u16string_view tableName, std::u16string_view key, bool force,
                                   uint16_t rights);
  // Raises the error check's exception for call result `result`.
  [[noreturn]] void RaiseError(std::u16string_view action, int32_t result);
  int32_t CheckResult(std::u16string_view action, int32_t result);
  // Raises "Cannot perform this action on a disconnected database" unless
  // connected.
  void CheckConnected();

  // The component that owns session `sessionHdl`, or nullptr.
  static TVxbDatabase* FindBySession(api::TVxbSessHdl sessionHdl);

 protected:
  void DoConnect() override;
  void DoDisconnect() override;
  bool GetConnected() override { return FSessionHdl > 0; }

 private:
  void OpenSessionDatabase();
  void ConfigureSession();
  void OpenTableDefs();
  void ApplyAutoDatabaseName();
  void SendSettings();
  void DisconnectIfConnected();
  // Offers `tableName` to the password handlers: true with `key` filled when
  // one of them wants the open retried.
  bool AskPassword(std::u16string_view tableName, std::u16string& key);
  void OpenLinkedTables(api::TVxbRltnHdl rltnHdl, std::u16string_view tableName, std::u16string_view key,
                        bool force, uint16_t rights);

  const void* FOwner;
  api::TVxbSessHdl FSessionHdl = 0;
  bool FAutomatic = false;
  bool FDisconnecting = false;
  std::u16string FConnectionName;
  uint32_t FConnectionId = 0;
  std::u16string FPrivateDir;
  std::u16string FDatabaseName;
  int32_t FSessionNumber = 0;
  std::u16string FLocation;
  bool FExclusive = false;
  bool FReadOnly = false;
  bool FCaseSensitive = false;
  bool FCaretSwitch = false;
  bool FAutoCreateIndexes = true;
  TVxbFlushMode FFlushMode = TVxbFlushMode::tfmDefault;
  bool FSharedReadOnly = false;
  TVxbDatabaseType FDatabaseType = TVxbDatabaseType::dbtDirectory;
  TVxbManagementLevel FManagementLevel = TVxbManagementLevel::tmlUnmanaged;
  api::TVxbEncryptionMethod FEncryptionMethod = api::temNone;
  std::u16string FUserName;
  std::u16string FPassword;
  bool FAutoDatabaseName = false;
  int32_t FBlobBlockSize = 512;
  int32_t FIndexPageSize = 4096;
  TVxbTransIsolation FTransIsolation = TVxbTransIsolation::tilReadCommited;
  int32_t FLogLevel = 0;
  int32_t FCacheSize = 40960;
  int32_t FLockingTimeout = 20000;
  int32_t FServerTimeout = 0;
  TVxbBaseTableDefs FTableDefs;
};

}  // namespace vexilo::dataset
