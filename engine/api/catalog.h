// TVxbCatalog: a session's table of open relations. It opens stored tables
// by name (finding their files, choosing their rights, opening the tables
// they link to), hands out relation indexes 1 to 254 and relation handles,
// keeps each relation's default accessor, closes relations no longer needed,
// takes and gives back locks over sets of relations, and runs the session's
// transactions. While open it runs the unlock thread, which lets the tables
// give back lock-file locks they keep for a short while after use.
//
// Ownership: the catalog owns its relations (TVxbBaseTable) and their default
// accessors; it enters every relation in the process-wide relation list
// (TRelationList) under its relation handle and removes it before the
// relation goes. The services object, the page manager and the file system
// are the session's and are not owned.
//
// Results: relation indexes (above 0) or 0 on success; the negated engine
// error number, recorded as the session's last error, on failure. Nothing a
// failed call opened stays open.
//
// Threads: the catalog is used by its session's thread. The unlock thread
// walks the relations under FRelationListSync, which the session's thread
// holds whenever it enters, opens, closes or frees a relation; so the unlock
// thread never meets a relation half made or half gone. The unlock thread
// enters a table's own critical section only by non-blocking attempts, so
// the order FRelationListSync before a table's critical section is the only
// one there is.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/api/accessor_set.h"
#include "engine/api/catalog_table.h"
#include "engine/api/relation_set.h"
#include "engine/api/session_services.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/base_table.h"
#include "fs/owned_mutex.h"

namespace vexilo::api {

class TVxbUnlockThread;

enum class TVxbManagementLevel : uint8_t { Unmanaged, Managed };

class TVxbCatalog {
 public:
  static constexpr int16_t kMaxRltnIdx = 254;
  static constexpr int32_t kDefaultCacheSizeKiB = 40960;
  // The four access rights of the rights word.
  static constexpr uint16_t kAccessRights = storage::kRightAppend | storage::kRightEdit |
                                            storage::kRightDelete | storage::kRightIndex;

  // A closed catalog of the session whose services are `services`; tables
  // are read through `pageManager` (both not owned, must outlive it).
  TVxbCatalog(TVxbSessionServices& services, index::TVxbPageManager& pageManager);
  // Closes the catalog.
  ~TVxbCatalog();
  TVxbCatalog(const TVxbCatalog&) = delete;
  TVxbCatalog& operator=(const TVxbCatalog&) = delete;

  // --- how the database is opened (set before Open) ---
  const std::u16string& Location() const { return FLocation; }
  void SetLocation(std::u16string_view location) { FLocation = location; }
  const std::u16string& Key() const { return FKey; }
  void SetKey(std::u16string_view key) { FKey = key; }
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool value) { FExclusive = value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool SharedReadOnly() const { return FSharedReadOnly; }
  void SetSharedReadOnly(bool value) { FSharedReadOnly = value; }
  bool DeepFlush() const { return FDeepFlush; }
  void SetDeepFlush(bool value) { FDeepFlush = value; }
  int32_t CacheSize() const { return FCacheSize; }
  void SetCacheSize(int32_t kiloBytes) { FCacheSize = kiloBytes; }
  TVxbManagementLevel ManagementLevel() const { return FManagementLevel; }
  bool GetIsSingleFile() const { return FServices.DatabaseType() == TVxbDatabaseType::SingleFile; }

  // --- life ---
  // Opens the catalog over the session's data file system (which must be
  // set): registers with the page cache and starts the unlock thread. 0.
  int16_t Open();
  // Stops the unlock thread, closes every relation, leaves the page cache.
  // Nothing when closed.
  void Close();
  bool IsOpen() const { return FOpen; }

  // --- opening tables ---
  // Opens the stored table `storagePath` (a table name or file name, see
  // table_locator.h) with `key` (the catalog's when empty) and `rights`;
  // unless `keepRights` the rights follow how the database is opened. With
  // `withRelTables` the tables its link columns name are opened too. Its
  // relation index, or the negated error: 94 no free index, 35 a table of
  // that name is open, 58 a name that is refused, 37 no such file, or the
  // table's own. A table whose file may only be read opens read-only.
  int16_t OpenTable(std::u16string_view storagePath, std::u16string_view key, bool keepRights, bool force,
                    bool withRelTables, uint16_t rights);
  // The index of the open table of that name, else OpenTable with the
  // fallbacks: read-only when the file is not found for writing and
  // `mustBeWritable` is false, and the session's password callback when a
  // key is needed.
  int16_t TryOpenTable(std::u16string_view tableName, std::u16string_view key, bool mustBeWritable,
                       bool withRelTables, uint16_t rights);
  // OpenTable as a caller of the engine asks for it (rights as given,
  // related tables opened).
  int16_t AddTable(std::u16string_view tableFileName, std::u16string_view key, bool force, uint16_t rights);
  // Opens the stored table file `fileName` (a full path with extension)
  // with `rights` as given and without its linked tables. Unlike OpenTable
  // the file need not lie in the database directory: this is for the tables
  // the session makes for itself, such as check reports in its private
  // directory. Its relation index, or the negated error (94, 35, 37, or the
  // table's own).
  int16_t OpenOwnTableFile(std::u16string_view fileName, uint16_t rights);
  // A closed stored table object for a new table file `fileName` over the
  // session's services, page cache and data file system (which must be
  // set); the caller defines its columns, makes the file and closes it
  // before the catalog closes.
  std::unique_ptr<storage::TVxbBaseTable> NewTableObject(std::u16string_view fileName) const;

  // --- relations ---
  // The first index whose relation has the table name `relationName`; 0.
  int16_t FindRltnIdx(std::u16string_view relationName) const;
  storage::TVxbRelation* GetRelation(int16_t rltnIdx) const;
  // The stored table under `rltnIdx`, or null.
  TVxbCatalogTable* GetTable(int16_t rltnIdx) const;
  bool IsValidRltnIdx(int16_t rltnIdx) const { return GetRelation(rltnIdx) != nullptr; }
  bool IsActiveRltnIdx(int16_t rltnIdx) const;
  int32_t GetRelationCount() const;
  // The first free index, 0 when every one is taken.
  int16_t GetFreeRltnIdx() const;
  // The highest index in use, 0 when none.
  int16_t GetMaxRltnIdx() const;
  int32_t CalcRltnHdl(int16_t rltnIdx) const;
  static int16_t GetRltnIdx(int32_t rltnHdl);
  // The session handle.
  int16_t GetHandle() const { return FServices.SessionHdl(); }
  TVxbRelationSet GetCurrentRltnSet() const { return FLegalFiles; }
  // The relation's default accessor ("Session_Default"), or null.
  cursor::TVxbAccessor* GetAccessor(int16_t rltnIdx) const { return FAccessorSet.GetAccessor(rltnIdx); }

  // --- closing ---
  // Closes the relation (with `withRelFields` also the tables it links to
  // when nothing else uses them); with `remove` frees its index. 0 or the
  // negated error 175 when it is still in use.
  int16_t CloseRelation(int16_t rltnIdx, bool withRelFields, bool remove);
  // CloseRelation after closing unneeded temporary tables if it is in use.
  int16_t TryCloseRelation(int16_t rltnIdx, bool withRelFields, bool remove);
  // Closes every relation of the set that is not in use.
  void CloseRelations(TVxbRelationSet set);
  // Closes, pass after pass until a pass closes nothing, every relation not
  // in use (only temporary ones with `temporaryOnly`; those named "sys_..."
  // only with `includeSystem`).
  void CloseUnneededTables(bool temporaryOnly, bool includeSystem);
  // Removes the relation from the relation list and frees its index.
  void FreeRelation(int16_t rltnIdx);
  // Whether anything besides its default accessor uses the relation.
  bool InUse(int16_t rltnIdx) const;

  // --- the tables of the database ---
  // The standardised names of the table files of the database directory
  // (".dat", ".vxbt", ".rel"; not those named "sys_..."), in the file
  // system's order.
  void GetTableNames(std::vector<std::u16string>& list) const;
  bool ExistsTable(std::u16string_view fileName) const;

  // --- lock sets ---
  // Waits for a read (write) lock on each relation of the list in turn; when
  // one is refused, gives back the locks already taken, last first, and
  // returns the refusal (its index in `refusedRltnIdx` when given). 0.
  int16_t AcquireReadLocks(TVxbRelationList list, int16_t* refusedRltnIdx = nullptr);
  int16_t AcquireWriteLocks(TVxbRelationList list, int16_t* refusedRltnIdx = nullptr);
  // Ends the read (write) lock of each relation of the list; 0.
  int16_t ReleaseReadLocks(TVxbRelationList list);
  int16_t ReleaseWriteLocks(TVxbRelationList list);
  // The same over a set, in increasing index order.
  int16_t WaitReadFiles(const TVxbRelationSet& set, int16_t* refusedRltnIdx = nullptr);
  int16_t WaitWriteFiles(const TVxbRelationSet& set, int16_t* refusedRltnIdx = nullptr);
  int16_t EndReadFiles(const TVxbRelationSet& set);
  int16_t EndWriteFiles(const TVxbRelationSet& set);

  // --- transactions ---
  // Starts the session's transaction: 0, or -183 when one runs.
  int16_t BeginTransaction();
  // Ends it: commit keeps the changes, rollback undoes them. -170 (naming
  // the table) while a relation holds a read lock or more than one write
  // lock; nothing when no transaction runs.
  int16_t EndTransaction(bool commit);
  int16_t CancelTransaction() { return EndTransaction(false); }
  bool InTransaction() const { return FServices.IsolationLevel() != storage::TVxbIsolationLevel::None; }

  // --- for the unlock thread ---
  // Offers `ticks` to every stored table's lazy lock release.
  void CheckUnlock(int64_t ticks);
  fs::TvwOwnedMutex& RelationListSync() { return FRelationListSync; }

 private:
  // Lock-set locks taken and not yet given back, per relation index.
  using TLockSetGuards = std::array<std::vector<storage::TVxbTableLockGuard>, 256>;

  int16_t Fail(int16_t code, std::initializer_list<fs::FormatArg> args) const {
    return FServices.SetLastError(code, args);
  }
  // OpenTable's steps once the index is chosen and the file found.
  int16_t OpenFoundTable(int16_t rltnIdx, const std::u16string& fileName, std::u16string_view key, bool keepRights,
                         bool force, bool withRelTables, uint16_t rights, const TVxbRelationSet& before);
  int16_t OpenRelatedTables(TVxbCatalogTable& table, uint16_t rights);
  // Closes every relation that was not in `before`.
  void CloseOpenedSince(const TVxbRelationSet& before);
  // Takes a lock of `kind` on each relation of `indexes` in order, all or
  // nothing; the locks are kept in `held`.
  int16_t AcquireAll(const std::vector<int16_t>& indexes, storage::TVxbTableLockKind kind, TLockSetGuards& held,
                     int16_t* refusedRltnIdx);
  // Gives back one lock of `held` on each relation of `indexes`; stops at
  // the first that holds none when `stopAtMissing`, with error 87.
  int16_t ReleaseAll(const std::vector<int16_t>& indexes, TLockSetGuards& held, bool stopAtMissing);
  // The relation indexes of a list (without its 0 entries) or of a set.
  static std::vector<int16_t> ListIndexes(TVxbRelationList list);
  static std::vector<int16_t> SetIndexes(const TVxbRelationSet& set);
  index::TVxbClientHdl ClientHdl() const { return FServices.SessionHdl(); }

  TVxbSessionServices& FServices;
  index::TVxbPageManager& FPageManager;
  std::u16string FLocation;
  bool FExclusive = false;
  bool FReadOnly = false;
  bool FSharedReadOnly = false;
  std::u16string FKey;
  int32_t FCacheSize = kDefaultCacheSizeKiB;
  TVxbManagementLevel FManagementLevel = TVxbManagementLevel::Unmanaged;
  bool FDeepFlush = false;
  // Entry i holds the relation with index i (0 and 255 stay empty).
  std::array<std::unique_ptr<TVxbCatalogTable>, 256> FRelations;
  TLockSetGuards FReadLockSets;
  TLockSetGuards FWriteLockSets;
  TVxbAccessorSet FAccessorSet;
  TVxbRelationSet FLegalFiles;
  mutable fs::TvwOwnedMutex FRelationListSync;
  bool FOpen = false;
  std::unique_ptr<TVxbUnlockThread> FUnlockThread;
};

}  // namespace vexilo::api
