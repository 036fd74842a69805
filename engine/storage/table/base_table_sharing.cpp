// What a base table does for its lock state and for other sessions: flushing
// before a lock is given back, refreshing after other sessions' changes, the
// redo log of a running transaction, ending a transaction, and undoing a
// redo log (a rollback, or the recovery of a dead session's transaction).
#include <cstring>

#include "engine/errors/error_codes.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/sharing/redo_log.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/column_type.h"

namespace vexilo::storage {

// --- the lock state's owner ---

void TVxbBaseTable::FlushForUnlock() {
  if (Flush(false) < 0) {
    if (auto error = FServices.CreateLastErrorExc()) throw *error;
    throw errors::EVxbEngine(errors::vxbErrWriteFile, {FFileName});
  }
}

void TVxbBaseTable::OnLockObtained() {
  if (!FLockFile || !GetActive() || FUpdating) return;
  if (FLockFile->TableChangeCount() > FLockFile->SessionChangeCount() || FLockFile->TableIndexCount() > IndexCount()) {
    if (const int16_t result = UpdateTable(); result < 0) {
      if (auto error = FServices.CreateLastErrorExc()) throw *error;
    }
  }
}

void TVxbBaseTable::OnWriteLockInTransaction() {
  if (Temporary || (FRedoLog && FRedoLog->IsOpen())) return;
  FRedoLog = std::make_unique<TVxbRedoLog>(FFileSystem, GetRecordSize(), IsRelFile, FLevel, BaseName());
  FRedoLog->NewFile();
}

bool TVxbBaseTable::IsEditedByOtherAccessor(int32_t recordNo, const void* excludedAccessor) {
  return AccessorEditing(recordNo, static_cast<const IRelationListener*>(excludedAccessor));
}

// --- other sessions' changes ---

int16_t TVxbBaseTable::CheckUpdate() {
  if (!FLockFile || !GetActive()) return 0;
  try {
    std::lock_guard<std::recursive_mutex> section(FLocks.CriticalSection());
    if (FLockFile->CheckUpdate() || FLockFile->TableIndexCount() > IndexCount()) return UpdateTable();
  } catch (const std::exception& e) {
    return Record(e);
  }
  return 0;
}

int16_t TVxbBaseTable::CheckForChanges() {
  if (!FLockFile || !GetActive()) return 0;
  try {
    std::lock_guard<std::recursive_mutex> section(FLocks.CriticalSection());
    if (!FLockFile->CheckUpdate() && FLockFile->TableIndexCount() <= IndexCount()) return 0;
    const int16_t result = UpdateTable();
    return result < 0 ? result : 1;
  } catch (const std::exception& e) {
    return Record(e);
  }
}

int16_t TVxbBaseTable::UpdateTable() {
  if (!GetActive() || FUpdating) return 0;
  FUpdating = true;
  int16_t result = 0;
  try {
    FDataFile->Invalidate();
    if (FLockFile && FLockFile->TableIndexCount() > static_cast<int16_t>(FDataFile->IndexNames().size())) {
      FDataFile->ReadIndexNames();
      for (const std::u16string& name : std::vector<std::u16string>(FDataFile->IndexNames())) {
        if (FindIndexNo(name) >= 0) continue;
        if (const int16_t place = InitIndex(name, nullptr); place >= 0) OpenIndex(place);
      }
    }
    for (auto& index : FPlaces) {
      if (index && index->IsOpen) index->Update();
    }
    if (FMemo) FMemo->Update();
    if (FBlob) FBlob->Update();
    if (FLockFile) {
      FLockFile->SetSessionChangeCount(FLockFile->TableChangeCount());
      int32_t from = 0, to = 0;
      while (FLockFile->ReadRecordMove(from, to)) NotifyRecordDeleted(to, from);
    }
    NotifyRecordsChanged();
  } catch (const std::exception& e) {
    result = Record(e);
  }
  FUpdating = false;
  return result;
}

// --- transactions ---

int16_t TVxbBaseTable::EndTransaction(bool commit) {
  int16_t result = 0;
  if (FRedoLog) {
    if (commit) {
      FRedoLog->Erase();
    } else {
      FRedoLog->Close();
      if (FRedoLog->Open() == 0) result = UndoModifications(*FRedoLog);
      else FRedoLog->Erase();
    }
    FRedoLog.reset();
  }
  FLocks.EndTransaction();
  return result;
}

int16_t TVxbBaseTable::UndoModifications(TVxbRedoLog& log) {
  FRollingBack = true;
  const TVxbIsolationLevel isolation = FIsolationLevel;
  FIsolationLevel = TVxbIsolationLevel::None;
  const size_t size = static_cast<size_t>(GetRecordSize());
  std::vector<uint8_t> current(size);
  std::vector<uint8_t> logged(size);
  int32_t result = 0;
  try {
    while (result >= 0 && log.ReadPriorAction()) {
      const int32_t recNo = log.LastActionRecordNo();
      const std::vector<uint8_t>& before = log.LastActionRecBuffer();
      if (log.LastActionKind() != takInsert) {
        if (before.size() < size) {
          result = Fail(errors::vxbErrReadFile, {log.FileName()});
          break;
        }
        std::memcpy(logged.data(), before.data(), size);
      }
      switch (log.LastActionKind()) {
        case takInsert:
          // An insert logged before the record was written may not have
          // happened at all.
          if (FDataFile->ReadRecord(recNo, current.data()) >= 0 &&
              (!FDataFile->GetCanDelete() ? recNo <= FDataFile->GetRecordCount() : true)) {
            result = DeleteRecord(current.data(), recNo);
          }
          break;
        case takUpdate:
          if ((result = FDataFile->ReadRecord(recNo, current.data())) < 0) break;
          for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) {
            if (IsBlobColumn(fieldNo)) SetBlockIdx(logged.data(), fieldNo, GetBlockIdx(current.data(), fieldNo));
          }
          result = Replace(logged.data(), current.data(), log.LastActionBlobs(), recNo, true);
          break;
        case takDelete:
          for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) {
            if (IsBlobColumn(fieldNo)) SetBlockIdx(logged.data(), fieldNo, 0);
          }
          if (FDataFile->GetCanDelete() || FDataFile->GetRecordCount() < recNo) {
            result = AppendRecord(logged.data(), log.LastActionBlobs());
          } else {
            // The record that moved into the deleted one's number goes back
            // to the end, keeping its memo and blob values.
            if ((result = FDataFile->ReadRecord(recNo, current.data())) < 0) break;
            if ((result = Replace(logged.data(), current.data(), log.LastActionBlobs(), recNo, false)) < 0) break;
            result = AppendRecord(current.data(), {});
          }
          break;
        default:
          break;
      }
    }
  } catch (const std::exception& e) {
    result = Record(e);
  }
  try {
    log.Erase();
  } catch (const std::exception&) {
    // A log that cannot be deleted is opened and found empty of work later.
  }
  Flush(false);
  FIsolationLevel = isolation;
  FRollingBack = false;
  return static_cast<int16_t>(result < 0 ? result : 0);
}

}  // namespace vexilo::storage
