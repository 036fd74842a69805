// TVxbRelation: the engine's abstract source of records with columns. A
// stored table (base_table.h) is one; query results and virtual relations
// are others. A relation owns its column definitions and gives:
//
// - typed access to the fields of record buffers (a record buffer holds
//   RecordSize bytes laid out as the column definitions say; fields are
//   numbered from 1);
// - the record operations, locks and memo/blob access as virtual
//   operations, which each kind of relation implements;
// - change notices to the accessors registered on it (relation_listener.h),
//   which EnableNotifications(false) holds back, nesting;
// - four integrity hooks that its owner (the catalog) may set; unset hooks
//   succeed.
//
// Results follow the storage layers' rule: 0 or a positive result for
// success, the negated engine error number for failure after the error was
// recorded in the session's services; -9999 means a lower layer recorded it.
//
// A relation is used by the thread of its session; its accessors are not
// owned and must unregister before they go.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/storage/values/blob_data.h"
#include "engine/storage/columns/column_defs.h"
#include "engine/storage/table/relation_listener.h"
#include "engine/types/date_time.h"
#include "engine/types/field_codec.h"
#include "engine/types/memory.h"

namespace vexilo::index {
class TVxbIndexFile;
}
namespace vexilo::types {
struct TVxbLongIndexInfo;
}

namespace vexilo::storage {

class TVxbTableLocks;

// Bits of a relation's rights word.
inline constexpr uint16_t kRightAppend = 0x001;     // tarAppend
inline constexpr uint16_t kRightEdit = 0x002;       // tarEdit
inline constexpr uint16_t kRightDelete = 0x004;     // tarDelete
inline constexpr uint16_t kRightIndex = 0x008;      // tarIndex
inline constexpr uint16_t kRightExclusive = 0x100;  // no other session may open the table
inline constexpr uint16_t kRightDeepFlush = 0x200;  // every flush refreshes the directories
inline constexpr uint16_t kRightSharedReadOnly = 0x400;
// The rights of a newly created table: all four access rights, exclusive.
inline constexpr uint16_t kNewTableRights = 0x10F;

// "No index" in the system index numbers.
inline constexpr int kNoIndex = 255;

// Memo and blob values written with a record (blob_data.h): Memo columns
// take AnsiData (ANSI text), Blob columns AnsiData (bytes), WideMemo columns
// WideData. Entries with FieldNo 0 or below are ignored.

// A referential-integrity hook: the record buffer and the phase flag (1
// before the change, 0 after); 0 or a negated error.
using TVxbIntegrityHook = std::function<int16_t(const uint8_t* recBuffer, int phase)>;
// The referential check of one foreign key: the record buffer and the
// 0-based number of the foreign key.
using TVxbReferentialHook = std::function<int16_t(const uint8_t* recBuffer, int foreignKeyNo)>;

class TVxbRelation {
 public:
  explicit TVxbRelation(errors::TVxbServices& services);
  virtual ~TVxbRelation();
  TVxbRelation(const TVxbRelation&) = delete;
  TVxbRelation& operator=(const TVxbRelation&) = delete;

  // --- properties ---
  virtual bool GetActive() const = 0;
  virtual bool GetReadOnly() const { return (FRights & 0x0F) == 0; }
  virtual bool GetExclusive() const { return (FRights & kRightExclusive) != 0; }
  // The file name without directory; the name without extension.
  virtual std::u16string GetFullName() const = 0;
  virtual std::u16string GetName() const = 0;
  virtual int16_t GetLevel() const = 0;
  virtual int32_t GetRecordSize() const { return FColumnDefs.GetRecordSize(); }
  virtual int32_t GetRecordCount() = 0;
  int ColumnCount() const { return FColumnDefs.Count(); }
  const TVxbColumnDefs& ColumnDefs() const { return FColumnDefs; }
  TVxbColumnDefs& ColumnDefs() { return FColumnDefs; }
  const std::u16string& StdName() const { return FStdName; }
  uint16_t Rights() const { return FRights; }
  void SetRights(uint16_t rights) { FRights = rights; }
  errors::TVxbServices& Services() const { return FServices; }
  bool HasMemo() const { return FHasMemo; }
  bool HasBlob() const { return FHasBlob; }
  bool HasRecordId() const { return FRecordIdFieldNo > 0; }
  int16_t RecordIdFieldNo() const { return FRecordIdFieldNo; }
  int InrIndexNo() const { return FInrIndexNo; }
  int IdIndexNo() const { return FIdIndexNo; }
  int PrimIndexNo() const { return FPrimIndexNo; }
  int16_t RltnIdx() const { return FRltnIdx; }
  void SetRltnIdx(int16_t rltnIdx) { FRltnIdx = rltnIdx; }

  // --- opening and closing ---
  // Opens the relation's files (OpenFiles) and computes the standard name.
  int16_t Open(bool force);
  virtual int16_t OpenFiles(bool force) = 0;
  virtual int16_t Setup(bool force) = 0;
  virtual int16_t CloseFiles() = 0;
  virtual int16_t Close() = 0;

  // --- locks ---
  virtual int16_t BeginRead(bool wait) = 0;
  virtual int16_t BeginUpgrade(bool wait) = 0;
  virtual int16_t BeginWrite(bool wait) = 0;
  virtual int16_t BeginExclusive() = 0;
  virtual void EndRead() = 0;
  virtual void EndUpgrade() = 0;
  virtual void EndWrite() = 0;
  virtual void EndExclusive() = 0;
  // The lock state accessors take their table locks from (through
  // TVxbTableLockGuard); null for a relation that keeps none, whose reads
  // and writes then need no lock of the accessor's.
  virtual TVxbTableLocks* LockState() { return nullptr; }
  // Record edit locks: takes the lock on `recordNo` for an accessor (0 or a
  // negated error, 105 when someone else edits it) and ends it. A relation
  // without shared records grants every edit.
  virtual int16_t CheckEdit(int32_t recordNo, const IRelationListener* excludedAccessor) {
    (void)recordNo, (void)excludedAccessor;
    return 0;
  }
  virtual void EndEdit(int32_t recordNo) { (void)recordNo; }

  // --- records ---
  virtual int32_t GetFirstRecordNo() = 0;
  virtual int32_t GetNextRecordNo(int32_t recNo) = 0;
  virtual int32_t GetPrevRecordNo(int32_t recNo) = 0;
  virtual int32_t GetLastRecordNo() = 0;
  virtual int16_t ReadRecord(int32_t recNo, uint8_t* recBuffer) = 0;
  virtual int16_t InitRecord(uint8_t* recBuffer, bool preset) = 0;
  // Returns the new record number.
  virtual int32_t AppendRecord(uint8_t* recBuffer, const TVxbBlobDataList& blobs) = 0;
  virtual int16_t ReplaceRecord(uint8_t* recBuffer, const uint8_t* origRecBuffer, const TVxbBlobDataList& blobs,
                                int32_t recNo) = 0;
  virtual int16_t DeleteRecord(const uint8_t* recBuffer, int32_t recNo) = 0;
  virtual int16_t SetAutoNum(uint8_t* recBuffer) = 0;
  virtual int16_t AdjustRecordId(const uint8_t* recBuffer) = 0;
  virtual int16_t CancelAutoNum(int32_t recordId) = 0;
  // Evaluates the calculated columns of `purposes` on the record; 0 or a
  // negated error. A relation without calculated columns has nothing to do.
  virtual int16_t BerechneFormeln(uint8_t* recBuffer, TVxbCalculationPurposes purposes) {
    (void)recBuffer, (void)purposes;
    return 0;
  }
  virtual int32_t ClearDat() = 0;
  virtual int16_t Flush(bool newFileSize) = 0;
  virtual int16_t Undo() = 0;

  // --- indexes, as accessors walk them (a relation without indexes has
  // none: every place is empty) ---
  // The highest index place, -1 when there is none.
  virtual int LastIndexNo() const { return -1; }
  // The index in place `indexNo`, or null; it may still be closed.
  virtual index::TVxbIndexFile* GetIndexFile(int indexNo) const {
    (void)indexNo;
    return nullptr;
  }
  // The place of the index named `name`, or -1.
  virtual int FindIndexNo(std::u16string_view name) const {
    (void)name;
    return -1;
  }
  // Opens the index in place `indexNo` when it is closed; 0 or the negated
  // error.
  virtual int16_t OpenIndex(int indexNo);
  // The entry record `recNo` (its fields in `rec`) has in index `indexNo`:
  // its size in bytes with the record number, 0 when the index holds no
  // entry for it.
  virtual size_t BuildIndexEntry(int indexNo, const uint8_t* rec, int32_t recNo,
                                 types::TVxbLongIndexInfo& entry) const {
    (void)indexNo, (void)rec, (void)recNo, (void)entry;
    return 0;
  }
  // Looks for changes other sessions made and takes them in: 1 when there
  // were some, 0 when not, or the negated error.
  virtual int16_t CheckForChanges() { return 0; }

  // --- memo and blob values (`blockIdx` is the value's reference) ---
  virtual int32_t GetMemoLength(int fieldNo, int32_t blockIdx) = 0;
  virtual int16_t ReadMemoString(int fieldNo, int32_t blockIdx, std::string& s) = 0;
  virtual int32_t GetBlobLength(int fieldNo, int32_t blockIdx) = 0;
  virtual int32_t GetBlobType(int fieldNo, int32_t blockIdx) = 0;
  virtual int16_t ReadBlobData(int fieldNo, int32_t blockIdx, std::string& data) = 0;
  virtual int16_t ReadBlobDataWide(int fieldNo, int32_t blockIdx, std::u16string& data) = 0;
  virtual int16_t WriteMemoString(uint8_t* recBuffer, int fieldNo, std::string_view memo) = 0;
  virtual int16_t WriteBlobData(uint8_t* recBuffer, int fieldNo, std::string_view data) = 0;
  virtual int16_t WriteBlobDataWide(uint8_t* recBuffer, int fieldNo, std::u16string_view data) = 0;

  // --- typed field access on record buffers ---
  // Each getter returns whether the field holds a value (false for null or
  // a field number that names no column) and stores it; each setter returns
  // false, writing nothing, for a value the column cannot hold or a field
  // of another kind.
  bool IsNull(const uint8_t* rec, int fieldNo) const;
  bool SetNull(uint8_t* rec, int fieldNo) const;
  // SmallInt, Byte, Boolean, Enum, Integer, RecordId, Link and BigInt.
  bool GetInteger(const uint8_t* rec, int fieldNo, int64_t& value) const;
  bool SetInteger(uint8_t* rec, int fieldNo, int64_t value) const;
  bool GetDouble(const uint8_t* rec, int fieldNo, double& value) const;
  bool SetDouble(uint8_t* rec, int fieldNo, double value) const;
  // Date (year * 512 + month * 32 + day), Time (100-ns ticks), TimeStamp.
  bool GetDate(const uint8_t* rec, int fieldNo, int32_t& value) const;
  bool SetDate(uint8_t* rec, int fieldNo, int32_t value) const;
  bool GetTime(const uint8_t* rec, int fieldNo, int64_t& ticks) const;
  bool SetTime(uint8_t* rec, int fieldNo, int64_t ticks) const;
  bool GetTimeStamp(const uint8_t* rec, int fieldNo, types::TVxbTimeStamp& value) const;
  bool SetTimeStamp(uint8_t* rec, int fieldNo, const types::TVxbTimeStamp& value) const;
  bool GetGuid(const uint8_t* rec, int fieldNo, types::TGuid& value) const;
  bool SetGuid(uint8_t* rec, int fieldNo, const types::TGuid& value) const;
  // Char and String (ANSI bytes).
  bool GetAnsiString(const uint8_t* rec, int fieldNo, std::string& value) const;
  bool SetAnsiString(uint8_t* rec, int fieldNo, std::string_view value) const;
  bool GetWideString(const uint8_t* rec, int fieldNo, std::u16string& value) const;
  bool SetWideString(uint8_t* rec, int fieldNo, std::u16string_view value) const;
  // The 4-byte memo/blob reference of a Memo, Blob or WideMemo field (0 for
  // none).
  int32_t GetBlockIdx(const uint8_t* rec, int fieldNo) const;
  void SetBlockIdx(uint8_t* rec, int fieldNo, int32_t blockIdx) const;
  // The record id of a record buffer; 0 when the relation has none.
  int32_t GetRecordId(const uint8_t* rec) const;
  void SetRecordId(uint8_t* rec, int32_t recordId) const;

  // --- accessors and notices ---
  void AddAccessor(IRelationListener* accessor);
  void RemoveAccessor(IRelationListener* accessor);
  // false holds notices back; true ends one level, and ending the outermost
  // level sends one records-changed notice.
  void EnableNotifications(bool enabled);
  bool NotificationsEnabled() const { return FNotificationDisableCount <= 0; }

  // --- integrity hooks, set by the relation's owner ---
  TVxbReferentialHook OnCheckReferentialIntegrity;
  TVxbIntegrityHook OnExecuteInsertIntegrityRules;
  TVxbIntegrityHook OnExecuteUpdateIntegrityRules;
  TVxbIntegrityHook OnExecuteDeleteIntegrityRules;

 protected:
  // The field layout of column `fieldNo`; null when there is no such column.
  const TVxbColumnDef* Column(int fieldNo) const { return FColumnDefs.GetColumnDef(fieldNo); }
  types::TVxbFieldLayout Layout(const TVxbColumnDef& column) const { return column.FieldLayout(GetLevel()); }
  // Computes the standard name (by default the name).
  virtual void ComputeStdName() { FStdName = GetName(); }
  // Records `code` with `args` as the session's last error; returns -code.
  int16_t Fail(int16_t code, std::initializer_list<fs::FormatArg> args) const {
    return FServices.SetLastError(code, args);
  }

  void NotifyRecordsChanged();
  void NotifyRecordUpdated(int32_t recNo);
  void NotifyRecordDeleted(int32_t recNo, int32_t movedFrom);
  void NotifyStructureChanged();
  void NotifyIndexRemoved(int indexNo);
  // Whether an accessor other than `excluded` is editing `recNo`.
  bool AccessorEditing(int32_t recNo, const IRelationListener* excluded) const;

  int32_t FNotificationDisableCount = 0;
  std::vector<IRelationListener*> FClientAccessors;
  errors::TVxbServices& FServices;
  std::u16string FStdName;
  TVxbColumnDefs FColumnDefs;
  uint16_t FRights = 0;
  bool FUseEditLocks = true;
  int16_t FRecordIdFieldNo = 0;
  bool FHasMemo = false;
  bool FHasBlob = false;
  uint8_t FCalculationPurposes = 0;
  std::vector<uint8_t> FRecBuffer;
  int FInrIndexNo = kNoIndex;
  int FIdIndexNo = kNoIndex;
  int FPrimIndexNo = kNoIndex;
  int16_t FRltnIdx = 0;
  bool IsRelFile = false;
  bool Temporary = false;
};

}  // namespace vexilo::storage
