// Record ids of a base table: the next id kept in the table file's header,
// handed out, given back and adjusted under the table's write lock.
#include "engine/errors/error_codes.h"
#include "engine/storage/table/base_table.h"

namespace vexilo::storage {

namespace {

constexpr int16_t kErrNoWritePermission = 160;

}  // namespace

int16_t TVxbBaseTable::SetAutoNum(uint8_t* recBuffer) {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  if ((FRights & kRightAppend) == 0) return Fail(kErrNoWritePermission, {GetFullName()});
  if (const int16_t result = BeginWrite(true); result < 0) return result;
  const int32_t id = FDataFile->ObtainNewRecordId();
  EndWrite();
  if (id < 0) return static_cast<int16_t>(id);
  SetRecordId(recBuffer, id);
  return 0;
}

int16_t TVxbBaseTable::CancelAutoNum(int32_t recordId) {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  if (const int16_t result = BeginWrite(true); result < 0) return result;
  const int16_t result = FDataFile->RevokeRecordId(recordId);
  EndWrite();
  return result;
}

int16_t TVxbBaseTable::AdjustRecordId(const uint8_t* recBuffer) {
  if (FRecordIdFieldNo <= 0) return 0;
  const int32_t id = GetRecordId(recBuffer);
  if (const int16_t result = BeginWrite(true); result < 0) return result;
  int32_t result = FDataFile->ReadNextRecordId();
  if (result >= 0 && id >= result) {
    result = id == INT32_MAX ? Fail(errors::vxbErrCapacity, {GetFullName()}) : FDataFile->WriteNextRecordId(id + 1);
  }
  EndWrite();
  return static_cast<int16_t>(result < 0 ? result : 0);
}

int16_t TVxbBaseTable::SetNextRecordId(int32_t value) {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  if (const int16_t result = BeginWrite(true); result < 0) return result;
  const int16_t result = FDataFile->WriteNextRecordId(value);
  EndWrite();
  return result;
}

int32_t TVxbBaseTable::ReadNextRecordId() {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  if (const int16_t result = BeginRead(true); result < 0) return result;
  const int32_t result = FDataFile->ReadNextRecordId();
  EndRead();
  return result;
}

int16_t TVxbBaseTable::RecalcAutoInc() {
  if (FRecordIdFieldNo <= 0) return Fail(errors::vxbErrNoRecordIdColumn, {GetName()});
  index::TVxbIndexFile* index = GetIndexFile(FInrIndexNo);
  if (!index) return Fail(errors::vxbErrIndexCorrupt, {u"sys_Id"});
  if (!index->IsOpen) {
    if (const int16_t result = OpenIndex(FInrIndexNo); result < 0) return result;
  }
  if (const int16_t result = BeginWrite(true); result < 0) return result;
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
  EndWrite();
  return result < 0 ? result : 0;
}

}  // namespace vexilo::storage
