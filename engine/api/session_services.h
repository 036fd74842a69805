// TVxbSessionServices: a session's services object — the last error and the
// log (errors::TVxbServices, which every table of the session reports to)
// together with the settings every table of the session shares, the
// session's file systems, the database kind and the transaction state.
//
// Settings and their values in a new session:
//   case sensitivity false, decimal character ',', automatic index creation
//   true, private directory the system's temporary directory, station 0
//   (the session draws one), read-only and network directories empty,
//   isolation level none, locking timeout 20000 ms, blob block size 512,
//   index page size 4096 (kept for callers; an index file computes its
//   own), no password callback.
//
// The file systems are not owned: the session acquires them when it opens
// the database and releases them when it closes it; the session counts as
// open exactly while the data file system is set.
//
// One object per session, owned by the session, used by the session's
// thread (the unlock thread reads nothing here).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/errors/services.h"
#include "engine/storage/sharing/lock_types.h"
#include "fs/file_system.h"

namespace vexilo::api {

enum class TVxbDatabaseType : uint8_t { DbDirectory, SingleFile };

// Asked for the key of table `tableName` of session `sessionHdl`: writes at
// most 80 characters into `key` and answers 0, or declines with another
// value.
using TVxbPasswordCallback = std::function<int(int16_t sessionHdl, std::u16string_view tableName,
                                               std::u16string& key)>;

class TVxbSessionServices : public errors::TVxbServices {
 public:
  static constexpr int32_t kDefaultLockingTimeout = 20000;
  static constexpr int32_t kDefaultBlobBlockSize = 512;
  static constexpr int32_t kDefaultIndexPageSize = 4096;
  static constexpr size_t kMaxKeyLength = 80;

  explicit TVxbSessionServices(int16_t sessionHdl) : FSessionHdl(sessionHdl) {}

  int16_t SessionHdl() const { return FSessionHdl; }

  // The station's name (the decimal text of its number unless set).
  const std::u16string& IdName() const { return FIdName; }
  void SetIdName(std::u16string_view name) { FIdName = name; }

  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value) { FCaseSensitive = value; }
  char16_t DecimalChar() const { return FDecimalChar; }
  void SetDecimalChar(char16_t value) { FDecimalChar = value; }
  bool AutoCreateIndexes() const { return FAutoCreateIndexes; }
  void SetAutoCreateIndexes(bool value) { FAutoCreateIndexes = value; }
  // Milliseconds a locked table or record is waited for.
  int32_t LockingTimeout() const { return FLockingTimeout; }
  void SetLockingTimeout(int32_t milliseconds) { FLockingTimeout = milliseconds < 0 ? 0 : milliseconds; }
  int32_t DefBlobBlockSize() const { return FDefBlobBlockSize; }
  void SetDefBlobBlockSize(int32_t value) { FDefBlobBlockSize = value; }
  int32_t DefIndPageSize() const { return FDefIndPageSize; }
  void SetDefIndPageSize(int32_t value) { FDefIndPageSize = value; }
  // Read-only (CD) and network directories, as the caller gives them.
  const std::u16string& ReadOnlyDirs() const { return FGetCD; }
  void SetReadOnlyDirs(std::u16string_view dirs) { FGetCD = dirs; }
  const std::u16string& NetworkDirs() const { return FNetDrv; }
  void SetNetworkDirs(std::u16string_view dirs) { FNetDrv = dirs; }

  storage::TVxbIsolationLevel IsolationLevel() const { return FIsolationLevel; }
  void SetIsolationLevel(storage::TVxbIsolationLevel level) { FIsolationLevel = level; }

  TVxbDatabaseType DatabaseType() const { return FDataBaseType; }
  void SetDatabaseType(TVxbDatabaseType type) { FDataBaseType = type; }
  // Where table files live; null while the session is closed.
  fs::TvwFileSystem* DataFileSystem() const { return FDataFileSystem; }
  // Where names with a directory part are looked up.
  fs::TvwFileSystem* OSFileSystem() const { return FOSFileSystem; }
  void SetFileSystems(fs::TvwFileSystem* dataFileSystem, fs::TvwFileSystem* osFileSystem) {
    FDataFileSystem = dataFileSystem;
    FOSFileSystem = osFileSystem;
  }

  const TVxbPasswordCallback& PasswordCallback() const { return FPasswordCallback; }
  void SetPasswordCallback(TVxbPasswordCallback callback) { FPasswordCallback = std::move(callback); }

 private:
  int16_t FSessionHdl;
  std::u16string FIdName;
  bool FCaseSensitive = false;
  char16_t FDecimalChar = u',';
  bool FAutoCreateIndexes = true;
  std::u16string FGetCD;
  std::u16string FNetDrv;
  storage::TVxbIsolationLevel FIsolationLevel = storage::TVxbIsolationLevel::None;
  TVxbDatabaseType FDataBaseType = TVxbDatabaseType::DbDirectory;
  fs::TvwFileSystem* FDataFileSystem = nullptr;
  fs::TvwFileSystem* FOSFileSystem = nullptr;
  int32_t FLockingTimeout = kDefaultLockingTimeout;
  TVxbPasswordCallback FPasswordCallback;
  int32_t FDefBlobBlockSize = kDefaultBlobBlockSize;
  int32_t FDefIndPageSize = kDefaultIndexPageSize;
};

}  // namespace vexilo::api
