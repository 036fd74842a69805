// Record ids of a base table: the next id kept in the table file's header,
// handed out, given back and adjusted under the table's write lock.
#include "engine/errors/error_codes.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/sharing/redo_log.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"

namespace vexilo::storage {

int16_t TVxbBaseTable::SetAutoNum(uint8_t* recBuffer) {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  if ((FRights & kRightAppend) == 0) return Fail(errors::vxbErrNoWritePermission, {GetFullName()});
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  const int32_t id = FDataFile->ObtainNewRecordId();
  if (id < 0) return static_cast<int16_t>(id);
  SetRecordId(recBuffer, id);
  return 0;
}

int16_t TVxbBaseTable::CancelAutoNum(int32_t recordId) {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  return FDataFile->RevokeRecordId(recordId);
}

int16_t TVxbBaseTable::AdjustRecordId(const uint8_t* recBuffer) {
  if (FRecordIdFieldNo <= 0) return 0;
  const int32_t id = GetRecordId(recBuffer);
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  int32_t result = FDataFile->ReadNextRecordId();
  if (result >= 0 && id >= result) {
    result = id == INT32_MAX ? Fail(errors::vxbErrCapacity, {GetFullName()}) : FDataFile->WriteNextRecordId(id + 1);
  }
  return static_cast<int16_t>(result < 0 ? result : 0);
}

int16_t TVxbBaseTable::SetNextRecordId(int32_t value) {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  return FDataFile->WriteNextRecordId(value);
}

int32_t TVxbBaseTable::ReadNextRecordId() {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FDataFile->ReadNextRecordId();
}

int16_t TVxbBaseTable::RecalcAutoInc() {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  index::TVxbIndexFile* index = GetIndexFile(FInrIndexNo);
  if (!index) return Fail(errors::vxbErrIndexCorrupt, {u"sys_Id"});
  if (!index->IsOpen) {
    if (const int16_t result = OpenIndex(FInrIndexNo); result < 0) return result;
  }
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  int32_t next = 1;
  types::TVxbLongIndexInfo& last = *FEntry;
  int16_t result = index->Letzter_Index(last);
  if (result == 0) {
    // The highest key belongs to the record the entry names.
    std::vector<uint8_t> rec(static_cast<size_t>(GetRecordSize()));
    result = FDataFile->ReadRecord(last.DateiVerweis, rec.data());
    if (result >= 0) next = GetRecordId(rec.data()) + 1;
  }
  if (result >= 0) result = FDataFile->WriteNextRecordId(next);
  return result < 0 ? result : 0;
}

}  // namespace vexilo::storage
