// Record operations of a base table: reading, initialising, appending,
// replacing and deleting records with their index entries, memo and blob
// values, checks, hooks, notices and redo-log entries; emptying, flushing
// and undoing; memo and blob access.
//
// Memo and blob values are written as new chains before the record that
// refers to them, and a record's former chains are freed only once the
// record itself has been written; an operation that fails on the way frees
// the chains it wrote and leaves the stored record and its values intact.
#include <cstring>

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
#include "engine/types/column_type.h"
#include "engine/types/date_time.h"

namespace vexilo::storage {

bool TVxbBaseTable::IsBlobColumn(int fieldNo) const {
  const TVxbColumnDef* column = Column(fieldNo);
  if (!column) return false;
  const int16_t type = column->TypeCode();
  return type == types::vxbMemo || type == types::vxbBlob || type == types::vxbWideMemo;
}

// --- reading and initialising ---

int16_t TVxbBaseTable::ReadRecord(int32_t recNo, uint8_t* recBuffer) {
  if (!GetActive()) return Fail(errors::vxbErrRecordNotFound, {});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FDataFile->ReadRecord(recNo, recBuffer);
}

int16_t TVxbBaseTable::InitRecord(uint8_t* recBuffer, bool preset) {
  std::memset(recBuffer, 0, static_cast<size_t>(GetRecordSize()));
  for (const auto& column : FColumnDefs) {
    if (column->IsNullable()) continue;
    const types::TVxbFieldLayout f = column->FieldLayout(FLevel);
    if (column->TypeCode() == types::vxbDate) {
      types::TVxbFieldCodec::WriteDate(recBuffer, f, true, types::kDefaultDate);
    } else if (column->TypeCode() == types::vxbTimeStamp) {
      types::TVxbFieldCodec::WriteTimeStamp(recBuffer, f, true, types::TVxbTimeStamp{types::kDefaultDate, 0});
    }
  }
  if (preset && FRecordIdFieldNo > 0) return SetAutoNum(recBuffer);
  return 0;
}

int16_t TVxbBaseTable::BerechneFormeln(uint8_t* recBuffer, TVxbCalculationPurposes purposes) {
  if ((FCalculationPurposes & purposes) == 0 || !OnCalculate) return 0;
  return OnCalculate(recBuffer, purposes);
}

// --- checks ---

int16_t TVxbBaseTable::CheckConstraints(const uint8_t* rec) {
  if (!OnEvaluateCheck) return 0;  // no condition language: nothing to evaluate
  for (const TVxbCheckDef& check : FChecks) {
    const int16_t result = OnEvaluateCheck(rec, check);
    if (result < 0) return result;
    if (result == 0) return Fail(errors::vxbErrConstraint, {check.Condition.Text});
  }
  return 0;
}

int16_t TVxbBaseTable::CheckForeignKeys(const uint8_t* rec) {
  if (!OnCheckReferentialIntegrity) return 0;
  for (size_t i = 0; i < FForeignKeyDefs.size(); ++i) {
    if (const int16_t result = OnCheckReferentialIntegrity(rec, static_cast<int>(i)); result < 0) return result;
  }
  return 0;
}

// --- memo and blob values of records ---

int16_t TVxbBaseTable::WriteBlobs(uint8_t* rec, const TVxbBlobDataList& blobs,
                                  std::vector<std::pair<int, int32_t>>& written) {
  for (const TVxbBlobData& blob : blobs) {
    if (blob.FieldNo <= 0 || !IsBlobColumn(blob.FieldNo)) continue;
    const int16_t type = Column(blob.FieldNo)->TypeCode();
    int32_t block = 0;
    if (type == types::vxbMemo) {
      if (!FMemo) return Fail(errors::vxbErrOpenMemoFile, {TVxbMemoFile::FileNameFor(FFileName, FLevel)});
      block = FMemo->WriteString(0, blob.AnsiData);
    } else {
      if (!FBlob) return Fail(errors::vxbErrOpenBlob, {GetName()});
      block = type == types::vxbWideMemo ? FBlob->WriteWideString(0, blob.WideData)
                                         : FBlob->WriteString(0, blob.AnsiData);
    }
    if (block < 0) return static_cast<int16_t>(block);
    if (block > 0) written.emplace_back(blob.FieldNo, block);
    SetBlockIdx(rec, blob.FieldNo, block);
  }
  return 0;
}

void TVxbBaseTable::FreeValue(int fieldNo, int32_t blockIdx) {
  if (blockIdx <= 0 || !IsBlobColumn(fieldNo)) return;
  if (Column(fieldNo)->TypeCode() == types::vxbMemo) {
    if (FMemo) FMemo->FreeValue(blockIdx);
  } else if (FBlob) {
    FBlob->FreeValue(blockIdx);
  }
}

void TVxbBaseTable::FreeWritten(const std::vector<std::pair<int, int32_t>>& written) {
  for (const auto& [fieldNo, block] : written) FreeValue(fieldNo, block);
}

TVxbBlobDataList TVxbBaseTable::CollectBlobs(const uint8_t* rec, const std::vector<int>& fieldNos) {
  TVxbBlobDataList values;
  std::vector<int> columns = fieldNos;
  if (columns.empty()) {
    for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) {
      if (IsBlobColumn(fieldNo)) columns.push_back(fieldNo);
    }
  }
  for (int fieldNo : columns) {
    if (!IsBlobColumn(fieldNo)) continue;
    TVxbBlobData value;
    value.FieldNo = fieldNo;
    const int32_t block = GetBlockIdx(rec, fieldNo);
    const int16_t type = Column(fieldNo)->TypeCode();
    if (block > 0) {
      if (type == types::vxbMemo && FMemo) {
        FMemo->ReadString(block, value.AnsiData);
      } else if (type == types::vxbWideMemo && FBlob) {
        FBlob->ReadWideString(block, value.WideData);
        value.IsWide = true;
      } else if (FBlob) {
        FBlob->ReadString(block, value.AnsiData);
      }
    }
    values.push_back(std::move(value));
  }
  return values;
}

// --- appending ---

int32_t TVxbBaseTable::AppendRecord(uint8_t* recBuffer, const TVxbBlobDataList& blobs) {
  if (!GetActive()) return Fail(errors::vxbErrRecordNotFound, {});
  const TVxbTableLockGuard upgradeLock = TVxbTableLockGuard::Upgrade(FLocks);
  if (!upgradeLock) return upgradeLock.Result();
  int32_t result = -errors::vxbErrUnknown;
  std::vector<std::pair<int, int32_t>> written;
  try {
    if (!FDataFile->CanAppend()) return Fail(errors::vxbErrCapacity, {GetFullName()});
    const int32_t recNo = FDataFile->GetCanDelete() ? GetRecordId(recBuffer) : FDataFile->GetRecordCount() + 1;
    if (!FRollingBack) {
      if ((result = CheckUnique(recBuffer, recNo)) < 0) return result;
      if ((result = CheckConstraints(recBuffer)) < 0) return result;
      if ((result = CheckForeignKeys(recBuffer)) < 0) return result;
    }
    const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
    if (!writeLock) return writeLock.Result();
    if (LoggingRedo()) FRedoLog->LogInsert(recNo);
    if ((result = WriteBlobs(recBuffer, blobs, written)) < 0) {
      FreeWritten(written);
      return result;
    }
    if ((result = AddKeys(recBuffer, recNo)) < 0) {
      FreeWritten(written);
      return result;
    }
    result = FDataFile->InsertRecord(recBuffer);
    if (result < 0) {
      RemoveKeys(recBuffer, recNo, FPlaces.Last() + 1);
      FreeWritten(written);
      return result;
    }
    NotifyRecordsChanged();
    return result;
  } catch (const std::exception& e) {
    FreeWritten(written);
    return Record(e);
  }
}

// --- replacing ---

int16_t TVxbBaseTable::ReplaceRecord(uint8_t* recBuffer, const uint8_t* origRecBuffer, const TVxbBlobDataList& blobs,
                                     int32_t recNo) {
  return Replace(recBuffer, origRecBuffer, blobs, recNo, true);
}

int16_t TVxbBaseTable::Replace(uint8_t* recBuffer, const uint8_t* origRecBuffer, const TVxbBlobDataList& blobs,
                               int32_t recNo, bool freeOldValues) {
  if (!GetActive()) return Fail(errors::vxbErrRecordNotFound, {});
  if ((FRights & kRightEdit) == 0) return Fail(errors::vxbErrNoWritePermission, {GetFullName()});
  const TVxbTableLockGuard upgradeLock = TVxbTableLockGuard::Upgrade(FLocks);
  if (!upgradeLock) return upgradeLock.Result();
  int16_t result = -errors::vxbErrUnknown;
  std::vector<std::pair<int, int32_t>> written;
  try {
    // The stored record is what the indexes and the memo and blob files hold
    // now; the caller's original stands in only when it cannot be read.
    std::vector<uint8_t> stored(static_cast<size_t>(GetRecordSize()));
    if (FDataFile->ReadRecord(recNo, stored.data()) < 0) {
      if (!origRecBuffer) return Fail(errors::vxbErrRecordNotFound, {});
      std::memcpy(stored.data(), origRecBuffer, stored.size());
    }
    if (!FRollingBack) {
      if ((result = CheckUnique(recBuffer, recNo)) < 0) return result;
      if ((result = CheckConstraints(recBuffer)) < 0) return result;
      if ((result = CheckForeignKeys(recBuffer)) < 0) return result;
      if (OnExecuteUpdateIntegrityRules && (result = OnExecuteUpdateIntegrityRules(recBuffer, 1)) < 0) return result;
    }
    TVxbBlobDataList former;
    if (TransactionRunning()) {
      std::vector<int> named;
      for (const TVxbBlobData& blob : blobs) {
        if (blob.FieldNo > 0) named.push_back(blob.FieldNo);
      }
      if (!named.empty()) former = CollectBlobs(stored.data(), named);
    }
    {
      const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
      if (!writeLock) return writeLock.Result();
      if (LoggingRedo()) FRedoLog->LogUpdate(recNo, stored.data(), former);
      if ((result = WriteBlobs(recBuffer, blobs, written)) < 0) {
        FreeWritten(written);
        return result;
      }
      if ((result = FDataFile->WriteRecord(recNo, recBuffer)) < 0) {
        FreeWritten(written);
        return result;
      }
      written.clear();
      if (freeOldValues) {
        for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) {
          if (!IsBlobColumn(fieldNo)) continue;
          const int32_t old = GetBlockIdx(stored.data(), fieldNo);
          if (old != GetBlockIdx(recBuffer, fieldNo)) FreeValue(fieldNo, old);
        }
      }
      ReplaceKeys(recBuffer, stored.data(), recNo);
      NotifyRecordUpdated(recNo);
      if (!FRollingBack && OnExecuteUpdateIntegrityRules) {
        if ((result = OnExecuteUpdateIntegrityRules(recBuffer, 0)) < 0) return result;
      }
    }
    return 0;
  } catch (const std::exception& e) {
    FreeWritten(written);
    return Record(e);
  }
}

// --- deleting ---

int16_t TVxbBaseTable::DeleteRecord(const uint8_t* recBuffer, int32_t recNo) {
  (void)recBuffer;  // the stored record is read again: it is what the files hold
  if (!GetActive()) return Fail(errors::vxbErrRecordNotFound, {});
  const TVxbTableLockGuard upgradeLock = TVxbTableLockGuard::Upgrade(FLocks);
  if (!upgradeLock) return upgradeLock.Result();
  int16_t result = -errors::vxbErrUnknown;
  try {
    const int32_t count = FDataFile->GetRecordCount();
    const bool heap = !FDataFile->GetCanDelete();
    if (heap && (recNo < 1 || recNo > count)) return Fail(errors::vxbErrRecordNotFound, {});
    std::vector<uint8_t> stored(static_cast<size_t>(GetRecordSize()));
    if (FDataFile->ReadRecord(recNo, stored.data()) < 0) return Fail(errors::vxbErrRecordNotFound, {});
    if ((result = FLocks.CheckEdit(recNo, nullptr)) < 0) return result;
    FLocks.EndEdit(recNo);
    if (!FRollingBack && OnExecuteDeleteIntegrityRules) {
      if ((result = OnExecuteDeleteIntegrityRules(stored.data(), 1)) < 0) return result;
    }
    TVxbBlobDataList former;
    if (TransactionRunning()) former = CollectBlobs(stored.data(), {});
    const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
    if (!writeLock) return writeLock.Result();
    if (LoggingRedo()) FRedoLog->LogDelete(recNo, stored.data(), former);
    for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) FreeValue(fieldNo, GetBlockIdx(stored.data(), fieldNo));
    RemoveKeys(stored.data(), recNo, FPlaces.Last() + 1);
    int32_t moved = 0;
    if (heap && recNo < count) {
      std::vector<uint8_t> last(stored.size());
      if ((result = FDataFile->ReadRecord(count, last.data())) < 0) return result;
      MoveKeys(last.data(), count, recNo);
      if ((result = FDataFile->WriteRecord(recNo, last.data())) < 0) return result;
      moved = count;
    }
    if ((result = FDataFile->DeleteRecord(recNo)) < 0) return result;
    if (!FRollingBack && OnExecuteDeleteIntegrityRules) {
      if ((result = OnExecuteDeleteIntegrityRules(stored.data(), 0)) < 0) return result;
    }
    NotifyRecordDeleted(recNo, moved);
    if (moved > 0 && FLockFile) {
      FLocks.SwitchEdit(moved, recNo);
      FLockFile->AddRecordMove(moved, recNo);
    }
    return 0;
  } catch (const std::exception& e) {
    return Record(e);
  }
}

// --- the whole table ---

int32_t TVxbBaseTable::ClearDat() {
  if (!GetActive()) return Fail(errors::vxbErrRecordNotFound, {});
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  try {
    const int32_t count = FDataFile->GetRecordCount();
    if (const int16_t result = FDataFile->Clear(); result < 0) return result;
    if (FRecordIdFieldNo > 0) {
      if (const int16_t result = FDataFile->WriteNextRecordId(1); result < 0) return result;
    }
    if (FMemo) FMemo->Empty();
    if (FBlob) FBlob->Empty();
    Flush(false);
    for (auto& index : FPlaces) {
      if (index && index->IsOpen) index->Clear_Index();
    }
    Flush(true);
    NotifyStructureChanged();
    return count;
  } catch (const std::exception& e) {
    return Record(e);
  }
}

int16_t TVxbBaseTable::Flush(bool newFileSize) {
  (void)newFileSize;  // the data file fits its length to the records at every change
  std::lock_guard<std::recursive_mutex> section(FLocks.CriticalSection());
  if (!FDataFile) return 0;
  if (GetReadOnly()) return 0;
  if (const int16_t result = FDataFile->Flush(); result < 0) return -errors::vxbErrWriteFile;
  int16_t result = 0;
  if (FBlob && FBlob->Flush() < 0) result = -errors::vxbErrWriteFile;
  if (FMemo && FMemo->Flush() < 0) result = -errors::vxbErrWriteFile;
  for (auto& index : FPlaces) {
    if (index && index->IsOpen && index->Flush() < 0) result = -errors::vxbErrWriteFile;
  }
  if ((FRights & kRightDeepFlush) != 0 || ++FFlushCounter >= kDeepFlushInterval) {
    FFlushCounter = 0;
    FDataFile->UpdateDir();
    if (FBlob) FBlob->UpdateDir();
    if (FMemo) FMemo->UpdateDir();
    for (auto& index : FPlaces) {
      if (index && index->IsOpen) index->UpdateDir();
    }
  }
  return result;
}

int16_t TVxbBaseTable::Undo() {
  if (!FDataFile) return 0;
  FDataFile->Undo();
  if (FBlob) FBlob->Undo();
  if (FMemo) FMemo->Undo();
  for (auto& index : FPlaces) {
    if (index && index->IsOpen) index->Undo();
  }
  return 0;
}

// --- memo and blob access ---

int32_t TVxbBaseTable::GetMemoLength(int fieldNo, int32_t blockIdx) {
  (void)fieldNo;
  if (blockIdx <= 0) return 0;
  if (!FMemo) return Fail(errors::vxbErrOpenMemoFile, {TVxbMemoFile::FileNameFor(FFileName, FLevel)});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FMemo->CalcMemoLength(blockIdx);
}

int16_t TVxbBaseTable::ReadMemoString(int fieldNo, int32_t blockIdx, std::string& s) {
  (void)fieldNo;
  s.clear();
  if (blockIdx <= 0) return 0;
  if (!FMemo) return Fail(errors::vxbErrOpenMemoFile, {TVxbMemoFile::FileNameFor(FFileName, FLevel)});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FMemo->ReadString(blockIdx, s);
}

int32_t TVxbBaseTable::GetBlobLength(int fieldNo, int32_t blockIdx) {
  (void)fieldNo;
  if (blockIdx <= 0) return 0;
  if (!FBlob) return Fail(errors::vxbErrOpenBlob, {GetName()});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FBlob->CalcBlobLength(blockIdx);
}

int32_t TVxbBaseTable::GetBlobType(int fieldNo, int32_t blockIdx) {
  (void)fieldNo;
  if (blockIdx <= 0) return 0;
  if (!FBlob) return Fail(errors::vxbErrOpenBlob, {GetName()});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FBlob->ReadBlobType(blockIdx);
}

int16_t TVxbBaseTable::ReadBlobData(int fieldNo, int32_t blockIdx, std::string& data) {
  (void)fieldNo;
  data.clear();
  if (blockIdx <= 0) return 0;
  if (!FBlob) return Fail(errors::vxbErrOpenBlob, {GetName()});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FBlob->ReadString(blockIdx, data);
}

int16_t TVxbBaseTable::ReadBlobDataWide(int fieldNo, int32_t blockIdx, std::u16string& data) {
  (void)fieldNo;
  data.clear();
  if (blockIdx <= 0) return 0;
  if (!FBlob) return Fail(errors::vxbErrOpenBlob, {GetName()});
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  return FBlob->ReadWideString(blockIdx, data);
}

// A value written into a record buffer here becomes the record's when the
// record is written; the value it replaces is freed then (ReplaceRecord), so
// an edit that is given up leaves the stored record's value intact.
int16_t TVxbBaseTable::WriteMemoString(uint8_t* recBuffer, int fieldNo, std::string_view memo) {
  TVxbBlobDataList blobs(1);
  blobs[0].FieldNo = fieldNo;
  blobs[0].AnsiData = std::string(memo);
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  std::vector<std::pair<int, int32_t>> written;
  return WriteBlobs(recBuffer, blobs, written);
}

int16_t TVxbBaseTable::WriteBlobData(uint8_t* recBuffer, int fieldNo, std::string_view data) {
  return WriteMemoString(recBuffer, fieldNo, data);
}

int16_t TVxbBaseTable::WriteBlobDataWide(uint8_t* recBuffer, int fieldNo, std::u16string_view data) {
  TVxbBlobDataList blobs(1);
  blobs[0].FieldNo = fieldNo;
  blobs[0].WideData = std::u16string(data);
  blobs[0].IsWide = true;
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  std::vector<std::pair<int, int32_t>> written;
  return WriteBlobs(recBuffer, blobs, written);
}

bool TVxbBaseTable::LoggingRedo() const { return TransactionRunning() && FRedoLog && FRedoLog->IsOpen(); }

bool TVxbBaseTable::GetActive() const { return FDataFile && FDataFile->IsOpen(); }

int32_t TVxbBaseTable::GetRecordCount() { return FDataFile ? FDataFile->GetRecordCount() : 0; }

int64_t TVxbBaseTable::StorageSize() const { return FDataFile ? FDataFile->GetStorageSize() : 0; }

int32_t TVxbBaseTable::GetFirstRecordNo() { return FDataFile->GetFirstRecordNo(); }

int32_t TVxbBaseTable::GetNextRecordNo(int32_t recNo) { return FDataFile->GetNextRecordNo(recNo); }

int32_t TVxbBaseTable::GetPrevRecordNo(int32_t recNo) { return FDataFile->GetPrevRecordNo(recNo); }

int32_t TVxbBaseTable::GetLastRecordNo() { return FDataFile->GetLastRecordNo(); }

}  // namespace vexilo::storage
