// The accessor's edit cycle: append, edit with the record edit lock, post,
// cancel, delete, and the writes outside the cycle.
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/cursor/accessor.h"
#include "engine/errors/error_codes.h"

namespace vexilo::cursor {

int16_t TVxbAccessor::PresetRecord(uint8_t* buffer) {
  const int32_t oldRecordNo = FCurrentRecordNo;
  FCurrentRecordNo = 0;
  int16_t result = FRelation.InitRecord(buffer, true);
  if (result >= 0) {
    result = FRelation.BerechneFormeln(buffer, storage::clpInitialization | storage::clpAppending |
                                                   storage::clpUpdating);
    // The id reserved for a record that will not be made goes back.
    if (result < 0 && FRelation.HasRecordId()) FRelation.CancelAutoNum(FRelation.GetRecordId(buffer));
  }
  if (result < 0) {
    FCurrentRecordNo = oldRecordNo;
    FCurrentRecBufUpdated = false;
    return result;
  }
  if (buffer == FCurrentRecBuf.data()) FCurrentRecBufUpdated = true;
  return 0;
}

// A content reference in a record that is written is either the stored
// record's own (`stored`; none for a new record) or the one the relation
// writes for a pending content: a reference copied in from another record
// (SetRecord, a record written before) would leave two records on one chain,
// and freeing one would destroy the other's content.
void TVxbAccessor::SealContentRefs(uint8_t* recBuffer, const uint8_t* stored) const {
  for (int fieldNo = 1; fieldNo <= FRelation.ColumnCount(); ++fieldNo) {
    if (!IsContentColumn(fieldNo) || FPendingBlobs.Find(fieldNo)) continue;
    FRelation.SetBlockIdx(recBuffer, fieldNo, stored ? FRelation.GetBlockIdx(stored, fieldNo) : 0);
  }
}

int16_t TVxbAccessor::Append() {
  if ((FRelation.Rights() & storage::kRightAppend) == 0) {
    return FRelation.Services().SetLastError(errors::vxbErrPermission, {});
  }
  Cancel();
  FPendingBlobs.Clear();
  FSavedRecordNo = FCurrentRecordNo;
  FCurrentRecBufUpdated = false;
  if (const int16_t result = PresetRecord(FWorkRecBuf.data()); result < 0) return result;
  FWorkRecordNo = 0;
  FWorkRecordId = FRelation.GetRecordId(FWorkRecBuf.data());
  FCurrentEditState = esAppend;
  return 0;
}

int16_t TVxbAccessor::AppendDuplicate() {
  if ((FRelation.Rights() & storage::kRightAppend) == 0) {
    return FRelation.Services().SetLastError(errors::vxbErrPermission, {});
  }
  if (FCurrentEditState == esBrowse && !FCurrentRecBufUpdated) {
    if (const int16_t result = UpdateRecBuf(); result < 0) return result;
  }
  // The record the accessor stood on: the work record of an edit, else the
  // current record.
  const std::vector<uint8_t> source(GetRecordPtr(), GetRecordPtr() + FCurrentRecBuf.size());
  const bool hadRecord = FCurrentRecordNo > 0;
  if (const int16_t result = Append(); result < 0) return result;
  storage::TVxbTableLockGuard readLock;
  for (int fieldNo = 1; fieldNo <= FRelation.ColumnCount(); ++fieldNo) {
    const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
    const int16_t type = column->TypeCode();
    if (type == types::vxbRecordId || type == types::vxbRelation) continue;
    if (!IsContentColumn(fieldNo)) {
      std::memcpy(FWorkRecBuf.data() + column->Position(), source.data() + column->Position(),
                  static_cast<size_t>(column->Size()));
      continue;
    }
    const int32_t block = FRelation.GetBlockIdx(source.data(), fieldNo);
    storage::TVxbBlobData& entry = FPendingBlobs.Take(fieldNo, type == types::vxbWideMemo);
    if (!hadRecord || block <= 0) continue;
    if (!readLock.Held()) {
      readLock = ReadLock();
      if (readLock.Result() < 0) return readLock.Result();
    }
    int16_t result = 0;
    if (type == types::vxbMemo) result = FRelation.ReadMemoString(fieldNo, block, entry.AnsiData);
    else if (type == types::vxbBlob) result = FRelation.ReadBlobData(fieldNo, block, entry.AnsiData);
    else result = FRelation.ReadBlobDataWide(fieldNo, block, entry.WideData);
    if (result < 0) return result;
  }
  return 0;
}

int16_t TVxbAccessor::AcquireEditLock() {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    int16_t result = 0;
    {
      // Under the read lock the table is current: a refresh after another
      // session's changes has moved this accessor before the lock is asked
      // for its record.
      const storage::TVxbTableLockGuard readLock = ReadLock();
      result = readLock.Result() < 0 ? readLock.Result() : FRelation.CheckEdit(FCurrentRecordNo, this);
    }
    if (result >= 0) return result;
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (waited >= FLockingTimeout) return result;
    const auto pause = std::min<int64_t>(kEditRetryInterval, FLockingTimeout - waited);
    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
  }
}

int16_t TVxbAccessor::Edit() {
  if ((FRelation.Rights() & storage::kRightEdit) == 0) {
    return FRelation.Services().SetLastError(errors::vxbErrNoWritePermission, {FRelation.GetName()});
  }
  Cancel();
  FPendingBlobs.Clear();
  if (FCurrentRecordNo < 1) return FRelation.Services().SetLastError(errors::vxbErrRecordNotFound, {});
  if (const int16_t result = AcquireEditLock(); result < 0) return result;
  const int32_t locked = FCurrentRecordNo;
  // The edit starts from the record as it is stored now.
  FCurrentRecBufUpdated = false;
  if (const int16_t result = UpdateRecBuf(); result < 0) {
    // Nothing is being edited: the lock goes back at once rather than when
    // the table is closed.
    FRelation.EndEdit(locked);
    return result;
  }
  std::memcpy(FWorkRecBuf.data(), FCurrentRecBuf.data(), FCurrentRecBuf.size());
  FWorkRecordNo = FCurrentRecordNo;
  FCurrentEditState = esEdit;
  return 0;
}

int16_t TVxbAccessor::PostEdit() {
  int16_t result = 0;
  {
    // The upgrade lock comes first: a refresh after another session's
    // deletion may move the edited record to another number.
    const storage::TVxbTableLockGuard upgradeLock = UpgradeLock();
    if (upgradeLock.Result() < 0) return upgradeLock.Result();
    if (FWorkRecordNo < 1 || FWorkRecordNo > FRelation.GetRecordCount() || FWorkRecordNo != FCurrentRecordNo) {
      return FRelation.Services().SetLastError(errors::vxbErrRecordNotFound, {});
    }
    if (!FCurrentRecBufUpdated) {
      if ((result = UpdateRecBuf()) < 0) return result;
    }
    result = FRelation.BerechneFormeln(FWorkRecBuf.data(), storage::clpUpdating);
    if (result >= 0) {
      SealContentRefs(FWorkRecBuf.data(), FCurrentRecBuf.data());
      result = FRelation.ReplaceRecord(FWorkRecBuf.data(), FCurrentRecBuf.data(), FPendingBlobs.Entries(),
                                       FWorkRecordNo);
    }
  }
  if (result < 0) return result;
  FRelation.EndEdit(FWorkRecordNo);
  EndWorkRecord();
  return 0;
}

int16_t TVxbAccessor::PostAppend() {
  if ((FRelation.Rights() & storage::kRightAppend) == 0) {
    return FRelation.Services().SetLastError(errors::vxbErrPermission, {});
  }
  if (const int16_t result = FRelation.BerechneFormeln(FWorkRecBuf.data(), storage::clpAppending |
                                                                               storage::clpUpdating);
      result < 0) {
    return result;
  }
  SealContentRefs(FWorkRecBuf.data(), nullptr);
  const int32_t recNo = FRelation.AppendRecord(FWorkRecBuf.data(), FPendingBlobs.Entries());
  if (recNo < 0) return static_cast<int16_t>(recNo);
  if (FRelation.HasRecordId()) {
    const int32_t stored = FRelation.GetRecordId(FWorkRecBuf.data());
    if (stored < FWorkRecordId) FRelation.CancelAutoNum(FWorkRecordId);
    else if (stored > FWorkRecordId) FRelation.AdjustRecordId(FWorkRecBuf.data());
  }
  FWorkRecordId = 0;
  FCurrentRecordNo = recNo;
  FCurrentSequenceNo = -1;
  EndWorkRecord();
  return 0;
}

void TVxbAccessor::EndWorkRecord() {
  FPendingBlobs.Clear();
  FBlobTransferFieldNo = 0;
  FWorkRecordNo = -1;
  FCurrentEditState = esBrowse;
  FCurrentRecBufUpdated = false;
}

int16_t TVxbAccessor::Post() {
  switch (FCurrentEditState) {
    case esEdit:
      return PostEdit();
    case esAppend:
      return PostAppend();
    default:
      return FRelation.Services().SetLastError(errors::vxbErrRecordNotFound, {});
  }
}

int16_t TVxbAccessor::Cancel() {
  if (FCurrentEditState == esEdit) {
    FRelation.EndEdit(FWorkRecordNo);
  } else if (FCurrentEditState == esAppend) {
    // The id reserved at the append goes back (the work buffer's may have
    // been overwritten since).
    if (FRelation.HasRecordId() && FWorkRecordId > 0) FRelation.CancelAutoNum(FWorkRecordId);
    FWorkRecordId = 0;
    FCurrentRecordNo = FSavedRecordNo;
    FCurrentSequenceNo = -1;
    FCurrentRecBufUpdated = false;
  } else {
    return 0;
  }
  FPendingBlobs.Clear();
  FBlobTransferFieldNo = 0;
  FWorkRecordNo = -1;
  FCurrentEditState = esBrowse;
  return 0;
}

int16_t TVxbAccessor::DeleteRecord() {
  // The table leaves rights to its callers: a table opened without the
  // delete right must not lose records through an accessor.
  if ((FRelation.Rights() & storage::kRightDelete) == 0) {
    return FRelation.Services().SetLastError(errors::vxbErrPermission, {});
  }
  // An edit of this accessor would hold the record's edit lock against its
  // own deletion, and an append in progress has no stored record.
  Cancel();
  const storage::TVxbTableLockGuard upgradeLock = UpgradeLock();
  if (upgradeLock.Result() < 0) return upgradeLock.Result();
  if (FCurrentRecordNo < 1) return FRelation.Services().SetLastError(errors::vxbErrRecordNotFound, {});
  if (!FCurrentRecBufUpdated) {
    if (const int16_t result = UpdateRecBuf(); result < 0) return result;
  }
  FSavedRecordNo = FCurrentRecordNo;
  std::memcpy(FWorkRecBuf.data(), FCurrentRecBuf.data(), FCurrentRecBuf.size());
  const int16_t result = FRelation.DeleteRecord(FWorkRecBuf.data(), FSavedRecordNo);
  if (result < 0) SetCurrentRecordNo(FSavedRecordNo);
  return result;
}

int16_t TVxbAccessor::InitRecord(bool preset) {
  if (preset) {
    if (const int16_t result = PresetRecord(FCurrentRecBuf.data()); result < 0) return result;
    FWorkRecordId = FRelation.GetRecordId(FCurrentRecBuf.data());
    return 0;
  }
  if (const int16_t result = FRelation.InitRecord(FCurrentRecBuf.data(), false); result < 0) return result;
  if (FCurrentEditState == esBrowse) FPendingBlobs.Clear();
  FCurrentRecBufUpdated = true;
  FCurrentRecordNo = 0;
  FWorkRecordId = -1;
  return 0;
}

int16_t TVxbAccessor::WriteTo(int32_t recNo) {
  int16_t result = 0;
  if (recNo < 0 || recNo > FRelation.GetRecordCount()) {
    result = FRelation.Services().SetLastError(errors::vxbErrRecordNotFound, {});
  } else if (recNo == 0) {
    uint8_t* rec = GetRecordPtr();
    SealContentRefs(rec, nullptr);
    const int32_t appended = FRelation.AppendRecord(rec, FPendingBlobs.Entries());
    result = appended < 0 ? static_cast<int16_t>(appended) : 0;
  } else {
    std::vector<uint8_t> stored(FCurrentRecBuf.size());
    result = FRelation.ReadRecord(recNo, stored.data());
    if (result >= 0) {
      uint8_t* rec = GetRecordPtr();
      SealContentRefs(rec, stored.data());
      result = FRelation.ReplaceRecord(rec, stored.data(), FPendingBlobs.Entries(), recNo);
    }
  }
  FPendingBlobs.Clear();
  return result < 0 ? result : 0;
}

}  // namespace vexilo::cursor
