// TVxbBaseTable: a stored table — the relation over a table file with its
// index files, memo and blob files, lock file, move file and redo log. It
// owns all of them while it is open and carries out every record operation
// with the upkeep they need: index entries, memo and blob values, record ids,
// uniqueness, the places of calculated columns and check constraints, the
// referential-integrity hooks, change notices, shared locking and the
// transaction's redo log.
//
// Life: construct with the session's services, the page cache, the file
// system and a page-cache client handle; set the file name, the password
// (SetKey) and the rights; then either define the columns (AddColumn) and
// NewFile, or Open(force) and Setup(force). Close (also done by the
// destructor) lets go of every file.
//
// Files beside the table file (dir + name + extension):
//
//   file        below level 6   level 6   when
//   table       .dat            .vxbt     always
//   memo        .mmo            .vxbm     a Memo column exists
//   blob        .blb            .vxbb     a Blob or WideMemo column exists
//   index       name!index.ind  .vxbi     one per index (levels 1-3: own name)
//   lock, move, .net .mov .tra  .vxbl .vxbv .vxbr   shared opening only
//   redo log                                         (lock_file.h)
//
// Index places 0 to 49 (0 to 14 below level 4) hold the index files; the
// user indexes listed in the table header come first, then the automatic
// ones: the record id index "sys_Id" over the RecordId column, the
// indication index "sys_Inr" over the RecordId column's indication, and
// "sys_Primary" / "sys_<key name>" over the candidate keys. Automatic index
// files are built when missing.
//
// Results as TVxbRelation says: 0 (or a record number or count) on success,
// the negated engine error after recording it in the services. Every lock
// an operation takes is given back on every path.
//
// A table object is shared by the cursors of one session; its lock counters
// live in TVxbTableLocks, whose critical section the catalog's unlock thread
// also enters. Other processes are co-ordinated through the lock file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/build_progress.h"
#include "engine/index/pages/page_storage.h"
#include "engine/index/sort_def.h"
#include "engine/storage/columns/column_index_view.h"
#include "engine/storage/columns/column_rules.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"
#include "engine/storage/sharing/table_locks.h"
#include "engine/storage/table/index_places.h"
#include "engine/storage/table/relation.h"
#include "engine/storage/values/blob_data.h"
#include "engine/storage/values/chain_visitor.h"
#include "fs/file_system.h"

namespace vexilo::index {
class TVxbClientStorage;
class TVxbIndexFile;
class TVxbPageManager;
}  // namespace vexilo::index

namespace vexilo::storage {

class TVxbBlobFile;
class TVxbDataFile;
class TVxbLockFile;
class TVxbMemoFile;
class TVxbRedoLog;

// Evaluates the calculated columns of `purposes` on the record: 0 or a
// negated error (44 type mismatch, 47 null into a non-nullable column).
using TVxbCalculationHook = std::function<int16_t(uint8_t* recBuffer, TVxbCalculationPurposes purposes)>;
// Evaluates a check constraint on the record: 1 satisfied, 0 violated, or a
// negated error.
using TVxbCheckHook = std::function<int16_t(const uint8_t* recBuffer, const TVxbCheckDef& check)>;
// Sets up the foreign keys (child indexes, parent tables): 0 or a negated
// error (184, 6).
using TVxbForeignKeySetupHook = std::function<int16_t(bool force)>;
// Progress of the table check: steps done and the total; answering 1 stops
// the check.
using TVxbCheckProgress = std::function<int(int64_t done, int64_t total)>;

class TVxbBaseTable : public TVxbRelation, private ITableLockOwner {
 public:
  // Every 1000th flush refreshes the file directories.
  static constexpr int32_t kDeepFlushInterval = 1000;
  // The record-number order's name.
  static constexpr const char16_t* kNativeSortName = u"Table_Default";

  // A closed table. None of the arguments is owned; all must outlive it.
  TVxbBaseTable(errors::TVxbServices& services, index::TVxbPageManager& pageManager, fs::TvwFileSystem& fileSystem,
                index::TVxbClientHdl clientHdl);
  // Closes the table.
  ~TVxbBaseTable() override;

  // --- definition, before NewFile or Open ---
  void SetFileName(std::u16string_view fileName) { FFileName = fileName; }
  const std::u16string& FileName() const { return FFileName; }
  // Level of a new table (1..6, default 6); an opened table takes its file's.
  void SetLevel(int16_t level) { FLevel = level; }
  void SetCapacity(int32_t capacity) { FCapacity = capacity; }
  int32_t Capacity() const { return FCapacity; }
  void SetCollationName(std::u16string_view name) { FCollationName = name; }
  // The table's collation name (empty: the engine collation); an opened
  // table takes its file's.
  const std::u16string& CollationName() const { return FCollationName; }
  // The password the table is opened or created with.
  void SetKey(std::u16string_view key) { FCryptor.SetPassword(std::u16string(key)); }
  // The block size of a new blob file (the database's BlobBlockSize).
  void SetBlobBlockSize(int32_t blockSize) { FBlobBlockSize = blockSize; }
  // Appends a column checked against the column rules; its number, or the
  // negated error.
  int16_t AddColumn(const TVxbColumnSpec& spec);
  // The session's isolation level (None outside a transaction), set by the
  // catalog when a transaction starts and ends.
  void SetIsolationLevel(TVxbIsolationLevel level) { FIsolationLevel = level; }
  // Whether record edits take lock-file edit locks (before Open).
  // Record edit locks in the lock file on or off; false (nothing changes)
  // while a record is being edited.
  bool SetUseEditLocks(bool use) {
    if (!FLocks.SetUseEditLocks(use)) return false;
    FUseEditLocks = use;
    return true;
  }
  // The session's name in the lock file.
  void SetSessionName(std::u16string_view name) { FSessionName = name; }
  // How often a refused table lock is tried again before the wait gives up
  // (each try follows a 2-6 ms pause); the session's locking timeout decides
  // it. Before Open.
  void SetTableLockAttempts(int32_t attempts) { FTableLockAttempts = attempts; }
  // A temporary table keeps no redo log.
  void SetTemporary(bool temporary) { Temporary = temporary; }

  // Creates the table's files from the columns added and the given checks,
  // foreign keys and candidate keys; the table is then open with rights
  // 0x10F. The automatic indexes are built by Setup.
  int16_t NewFile(std::vector<TVxbCheckDef> checkDefs, std::vector<TVxbForeignKeyDef> foreignKeyDefs,
                  std::vector<TVxbCandidateKeyDef> keyDefs);

  // --- TVxbRelation ---
  bool GetActive() const override;
  std::u16string GetFullName() const override;
  std::u16string GetName() const override;
  int16_t GetLevel() const override { return FLevel; }
  int32_t GetRecordCount() override;
  // The table file's directory with its trailing separator.
  std::u16string PhysicalDirectory() const;
  int64_t StorageSize() const;
  const std::vector<TVxbCandidateKeyDef>& KeyDefs() const { return FKeyDefs; }
  const std::vector<TVxbCheckDef>& Checks() const { return FChecks; }
  const std::vector<TVxbForeignKeyDef>& ForeignKeyDefs() const { return FForeignKeyDefs; }
  const index::TVxbSortDef& NativeSortDef() const { return FNativeSortDef; }
  TVxbDataFile* DataFile() const { return FDataFile.get(); }
  TVxbMemoFile* Memo() const { return FMemo.get(); }
  TVxbBlobFile* Blob() const { return FBlob.get(); }
  TVxbLockFile* LockFile() const { return FLockFile.get(); }
  TVxbTableLocks& Locks() { return FLocks; }
  fs::TvwFileSystem& FileSystem() const { return FFileSystem; }

  int16_t OpenFiles(bool force) override;
  int16_t Setup(bool force) override;
  int16_t CloseFiles() override;
  int16_t Close() override;

  int16_t BeginRead(bool wait) override { return FLocks.BeginRead(wait); }
  int16_t BeginUpgrade(bool wait) override { return FLocks.BeginUpgrade(wait); }
  int16_t BeginWrite(bool wait) override { return FLocks.BeginWrite(wait); }
  int16_t BeginExclusive() override { return FLocks.BeginExclusive(); }
  void EndRead() override { FLocks.EndRead(); }
  void EndUpgrade() override { FLocks.EndUpgrade(); }
  void EndWrite() override { FLocks.EndWrite(); }
  void EndExclusive() override { FLocks.EndExclusive(); }
  // Record edit locks (accessors pass themselves as `excludedAccessor`).
  TVxbTableLocks* LockState() override { return &FLocks; }
  int16_t CheckEdit(int32_t recordNo, const IRelationListener* excludedAccessor) override {
    return FLocks.CheckEdit(recordNo, excludedAccessor);
  }
  void EndEdit(int32_t recordNo) override { FLocks.EndEdit(recordNo); }
  void SwitchEdit(int32_t recNoFrom, int32_t recNoTo) { FLocks.SwitchEdit(recNoFrom, recNoTo); }
  // Offered the clock's milliseconds by the catalog's unlock thread.
  void CheckUnlock(int64_t ticks) { FLocks.CheckUnlock(ticks); }
  int32_t NetUsers() { return FLocks.NetUsers(); }
  int32_t CountReadLocks() { return FLocks.CountReadLocks(); }
  int32_t CountWriteLocks() { return FLocks.CountWriteLocks(); }
  // Compares the lock file's change and index counts with what this table
  // knows and refreshes when they moved on; 0 or a negated error.
  int16_t CheckUpdate();
  // CheckUpdate, telling whether there were changes: 1, 0, or the negated
  // error.
  int16_t CheckForChanges() override;
  // Refreshes after other sessions' changes: record count, new indexes,
  // cached pages, record moves; then the records-changed notice.
  int16_t UpdateTable();

  int32_t GetFirstRecordNo() override;
  int32_t GetNextRecordNo(int32_t recNo) override;
  int32_t GetPrevRecordNo(int32_t recNo) override;
  int32_t GetLastRecordNo() override;
  int16_t ReadRecord(int32_t recNo, uint8_t* recBuffer) override;
  int16_t InitRecord(uint8_t* recBuffer, bool preset) override;
  int32_t AppendRecord(uint8_t* recBuffer, const TVxbBlobDataList& blobs) override;
  int16_t ReplaceRecord(uint8_t* recBuffer, const uint8_t* origRecBuffer, const TVxbBlobDataList& blobs,
                        int32_t recNo) override;
  int16_t DeleteRecord(const uint8_t* recBuffer, int32_t recNo) override;
  int16_t SetAutoNum(uint8_t* recBuffer) override;
  int16_t AdjustRecordId(const uint8_t* recBuffer) override;
  int16_t CancelAutoNum(int32_t recordId) override;
  // Writes `value` as the next record id to hand out.
  int16_t SetNextRecordId(int32_t value);
  // The next record id as stored; negative on failure.
  int32_t ReadNextRecordId();
  // Makes the next record id the highest id in the record id index + 1.
  int16_t RecalcAutoInc();
  // The record number of the record with `recordId` (through the record id
  // index); -19 when there is none.
  int32_t FindRecordId(int32_t recordId);
  // Evaluates the calculated columns of `purposes`; nothing to do when no
  // column has such a calculation.
  int16_t BerechneFormeln(uint8_t* recBuffer, TVxbCalculationPurposes purposes) override;
  int32_t ClearDat() override;
  int16_t Flush(bool newFileSize) override;
  int16_t Undo() override;
  // The table file, every index file, the memo file and the blob file.
  void GetFileNames(std::vector<std::u16string>& fileList) const;

  int32_t GetMemoLength(int fieldNo, int32_t blockIdx) override;
  int16_t ReadMemoString(int fieldNo, int32_t blockIdx, std::string& s) override;
  int32_t GetBlobLength(int fieldNo, int32_t blockIdx) override;
  int32_t GetBlobType(int fieldNo, int32_t blockIdx) override;
  int16_t ReadBlobData(int fieldNo, int32_t blockIdx, std::string& data) override;
  int16_t ReadBlobDataWide(int fieldNo, int32_t blockIdx, std::u16string& data) override;
  int16_t WriteMemoString(uint8_t* recBuffer, int fieldNo, std::string_view memo) override;
  int16_t WriteBlobData(uint8_t* recBuffer, int fieldNo, std::string_view data) override;
  int16_t WriteBlobDataWide(uint8_t* recBuffer, int fieldNo, std::u16string_view data) override;

  // --- indexes ---
  int FirstIndexNo() const { return 0; }
  int LastIndexNo() const override { return FPlaces.Last(); }
  int IndexCount() const { return FPlaces.Last() + 1; }
  // The index file in place `indexNo`, or null.
  index::TVxbIndexFile* GetIndexFile(int indexNo) const override { return FPlaces.Get(indexNo); }
  // The place of the index named `name`, or -1.
  int FindIndexNo(std::u16string_view name) const override { return FPlaces.Find(name); }
  // Sets up an index object named `name` in the lowest free place, with
  // `def` when given (else the definition is read from its file on
  // opening); the place, or the negated error (67 no free place).
  int16_t InitIndex(std::u16string_view name, const index::TVxbSortDef* def);
  // Creates index `name` over `specification` (the column list) and builds
  // it from every record with `capacity` (the table's when below 1); its
  // place, or the negated error.
  int16_t NewIndex(std::u16string_view name, std::u16string_view specification, bool unique = false,
                   int64_t capacity = 0, const index::TVxbBuildProgress& progress = nullptr);
  // The same with a ready definition (its name is replaced by `name`).
  int16_t NewIndex(std::u16string_view name, const index::TVxbSortDef& def, int64_t capacity = 0,
                   const index::TVxbBuildProgress& progress = nullptr);
  // After an index was added: rewrites the header's index names and tells
  // the lock file the index count.
  int16_t IndexAdded();
  // After the index in place `indexNo` was removed: rewrites the header's
  // index names and tells the accessors.
  void IndexRemoved(int indexNo);
  // Deletes the index in place `indexNo` and its file under exclusive
  // access; 0 or the negated error (34, 116, 103).
  int16_t DeleteIndex(int indexNo);
  // Renames the index in place `indexNo` and its file under exclusive
  // access; 0, -3 when the file cannot be renamed, or the negated error.
  int16_t RenameIndex(int indexNo, std::u16string_view newName);
  // Rebuilds every index in place order under the write lock, stopping at
  // the first failure; 0 without the index right.
  int16_t RegenIndex(const index::TVxbBuildProgress& progress = nullptr);
  // Rebuilds the index in place `indexNo` alone, under the write lock.
  int16_t RegenIndex(int indexNo, const index::TVxbBuildProgress& progress = nullptr);
  // Renames the table and all its files, then opens it again; 0 or the
  // negated error.
  int16_t Rename(std::u16string_view newName);
  // Checks the memo file, the blob file and every index under a read lock
  // and appends one record per finding to `report` (columns: table name,
  // object kind 3 index / 4 memo or blob, object name, severity 1 or 2 —
  // 0 for the record of a check stopped by `progress` answering 1 —
  // description). 0, or the error of a refused lock.
  int16_t Check(TVxbRelation& report, const TVxbCheckProgress& progress = nullptr);
  // Opens the index in place `indexNo` when needed (rebuilding a missing
  // automatic one); 0 or the negated error.
  int16_t OpenIndex(int indexNo) override;
  size_t BuildIndexEntry(int indexNo, const uint8_t* rec, int32_t recNo,
                         types::TVxbLongIndexInfo& entry) const override;
  // The name a temporary index in place `indexNo` takes (TVxbIndexPlaces::
  // TemporaryName with the table's standard name).
  std::u16string TemporaryIndexName(int indexNo) const;

  // --- transactions ---
  // Ends the session's transaction on this table: commit erases the redo
  // log, rollback undoes it; then the locks kept for the transaction go.
  int16_t EndTransaction(bool commit);
  // Undoes the actions of the redo log, newest first, with the integrity
  // checks and hooks off; stops at the first error; the log is erased.
  int16_t UndoModifications(TVxbRedoLog& log);
  TVxbRedoLog* RedoLog() const { return FRedoLog.get(); }

  // --- places for what later layers supply ---
  TVxbCalculationHook OnCalculate;
  TVxbCheckHook OnEvaluateCheck;
  TVxbForeignKeySetupHook OnSetupForeignKeys;

 private:
  class TIndexedTable;

  // ITableLockOwner
  void FlushForUnlock() override;
  void OnLockObtained() override;
  void OnWriteLockInTransaction() override;
  bool IsEditedByOtherAccessor(int32_t recordNo, const void* excludedAccessor) override;
  TVxbIsolationLevel IsolationLevel() const override { return FIsolationLevel; }
  std::u16string TableName() const override { return GetFullName(); }

  // --- opening (base_table_open.cpp) ---
  std::unique_ptr<index::TVxbClientStorage> NewClient(std::u16string_view fileName) const;
  // The table file's path without extension (lock, move and redo names).
  std::u16string BaseName() const;
  void TakeDefinition(TVxbTableDefinition& definition);
  void UpdateColumnInfo();
  // 0, or -38 (recorded) when record 1 holds impossible values.
  int16_t CheckPlausibility();
  int16_t OpenMemoAndBlob(bool force);
  int16_t CreateMemoAndBlob();
  void LogInToLockFile();
  // Rolls back a redo log a dead session left behind (once the table is set
  // up, so that its indexes follow).
  void RecoverDeadTransaction();
  void CloseAllFiles() noexcept;
  // Records an exception as the session's last error; its code negated.
  int16_t Record(const std::exception& e);
  int16_t RecordCode(int16_t code);
  bool WithLockFile() const { return (FRights & (kRightExclusive | kRightSharedReadOnly)) == 0; }

  // --- indexes (base_table_indexes.cpp) ---
  int PlaceCount() const { return TVxbIndexPlaces::PlaceCount(FLevel); }
  // Rewrites the header's index-name area: the user and temporary indexes
  // in place order, then the full-text indexes.
  int16_t WriteIndexNamesArea();
  std::u16string IndexFilePath(std::u16string_view indexName) const;
  void SetUpSystemIndexes(bool force);
  // A definition over the columns of `spec` for the automatic index `name`;
  // false when the table has nothing for it.
  bool DeriveDefinition(std::u16string_view name, index::TVxbSortDef& def);
  // Builds the entry of `rec` under `recNo` for `index`; its size in bytes
  // (record number included), 0 when the index takes no entry.
  size_t BuildEntry(const index::TVxbIndexFile& index, const uint8_t* rec, int32_t recNo,
                    types::TVxbLongIndexInfo& entry) const;
  // Error 95 for an index that cannot be opened, 30 for a key another
  // record holds in a unique index.
  int16_t CheckUnique(const uint8_t* rec, int32_t recNo);
  // Adds the entries of `rec` under `recNo` to every open index; on a
  // refusal removes them again and returns -4 (recorded).
  int16_t AddKeys(const uint8_t* rec, int32_t recNo);
  void RemoveKeys(const uint8_t* rec, int32_t recNo, int upToPlace);
  // Moves every index's entry of `rec` from `fromRecNo` to `toRecNo`.
  void MoveKeys(const uint8_t* rec, int32_t fromRecNo, int32_t toRecNo);
  // Replaces the entries of `orig` by those of `rec` under `recNo` where
  // they differ.
  void ReplaceKeys(const uint8_t* rec, const uint8_t* orig, int32_t recNo);
  void CloseIndexes() noexcept;

  // --- index administration (base_table_index_admin.cpp) ---
  // The lowest empty place, or -1.
  int FreePlace() const { return FPlaces.Free(FLevel); }
  // Whether the header lists a full-text index named `name`.
  bool IsFullTextIndexName(std::u16string_view name) const;
  // Whether an accessor answers that it uses the index in place `indexNo`.
  bool AccessorUsesIndex(int indexNo) const;
  // With every place filled: removes, under exclusive access, the temporary
  // indexes no accessor uses and the automatic indexes whose file is lost.
  // False when nothing could be freed.
  bool FreeIndexPlaces();
  // Discards the index in place `indexNo`: unwritten changes dropped, file
  // closed and deleted, place emptied.
  void DropIndex(int indexNo);
  // Rebuilds the open index in place `indexNo` from every record, or builds
  // a lost one anew from its known definition.
  int16_t RebuildIndex(int indexNo, const index::TVxbBuildProgress& progress);

  // --- table check (base_table_check.cpp) ---
  class TCheckReport;
  // Calls `visit` for every value of the columns of `typeCodes` in every
  // record.
  void VisitValues(std::initializer_list<int16_t> typeCodes, const TVxbChainVisitor& visit);
  void CheckIndexPlace(int indexNo, TCheckReport& report);

  // --- records (base_table_records.cpp) ---
  // ReplaceRecord; `freeOldValues` false keeps the stored record's memo and
  // blob chains (a rollback that appends that record again).
  int16_t Replace(uint8_t* recBuffer, const uint8_t* origRecBuffer, const TVxbBlobDataList& blobs, int32_t recNo,
                  bool freeOldValues);
  int16_t CheckConstraints(const uint8_t* rec);
  int16_t CheckForeignKeys(const uint8_t* rec);
  // Writes the values of `blobs` as new chains and stores their references
  // in `rec`; the chains written go to `written` (column, first block).
  // Old values are not freed here.
  int16_t WriteBlobs(uint8_t* rec, const TVxbBlobDataList& blobs, std::vector<std::pair<int, int32_t>>& written);
  // Frees the chain `blockIdx` of column `fieldNo`.
  void FreeValue(int fieldNo, int32_t blockIdx);
  // Frees chains written by an operation that then failed.
  void FreeWritten(const std::vector<std::pair<int, int32_t>>& written);
  // The current values of the memo and blob columns of `rec` named by
  // `fieldNos` (every such column when empty).
  TVxbBlobDataList CollectBlobs(const uint8_t* rec, const std::vector<int>& fieldNos);
  bool IsBlobColumn(int fieldNo) const;
  bool TransactionRunning() const { return FIsolationLevel != TVxbIsolationLevel::None && !Temporary; }
  bool LoggingRedo() const;

  index::TVxbPageManager& FPageManager;
  fs::TvwFileSystem& FFileSystem;
  index::TVxbClientHdl FClientHdl;
  std::u16string FFileName;
  int16_t FLevel = 6;
  int32_t FCapacity = kDefaultCapacity;
  std::u16string FCollationName;
  TVxbTableCryptor FCryptor;
  std::vector<TVxbCandidateKeyDef> FKeyDefs;
  std::vector<TVxbCheckDef> FChecks;
  std::vector<TVxbForeignKeyDef> FForeignKeyDefs;
  index::TVxbSortDef FNativeSortDef;
  std::unique_ptr<TVxbDataFile> FDataFile;
  std::unique_ptr<TVxbRedoLog> FRedoLog;
  bool FRollingBack = false;
  int32_t FFlushCounter = 0;
  std::unique_ptr<TVxbMemoFile> FMemo;
  std::unique_ptr<TVxbBlobFile> FBlob;
  TVxbIndexPlaces FPlaces;
  std::unique_ptr<TVxbLockFile> FLockFile;
  TVxbTableLocks FLocks;
  // The session's default block size of new blob files.
  int32_t FBlobBlockSize = 512;
  TVxbIsolationLevel FIsolationLevel = TVxbIsolationLevel::None;
  std::u16string FSessionName;
  int32_t FTableLockAttempts = kTableLockAttempts;
  bool FUpdating = false;
  bool FRecovering = false;
  // Setup has run since the table was opened.
  bool FSetUp = false;
  TVxbColumnDefsIndexView FColumnsView;
  // Entry buffers of the index upkeep (the index files use their own work
  // entries inside their searches).
  std::unique_ptr<types::TVxbLongIndexInfo> FEntry = std::make_unique<types::TVxbLongIndexInfo>();
  std::unique_ptr<types::TVxbLongIndexInfo> FOldEntry = std::make_unique<types::TVxbLongIndexInfo>();
  std::unique_ptr<TIndexedTable> FIndexedTable;
};

}  // namespace vexilo::storage
