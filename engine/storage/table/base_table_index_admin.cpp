// Managing a table's set of indexes: creating an index in a free place (and
// freeing places held by indexes nobody needs), removing, renaming and
// rebuilding indexes.
//
// Locks: a new index is built under the table's write lock, so other
// sessions go on reading and learn of it through the lock file's index
// count; deleting and renaming need exclusive access, since other sessions
// hold the index file open; rebuilding runs under the write lock.
#include "engine/errors/error_codes.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/index_names.h"
#include "engine/index/index_spec.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/sharing/redo_log.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/table/base_table_indexed.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "fs/format.h"
#include "fs/text.h"

namespace vexilo::storage {

namespace {

// An index number as the text of an error message.
fs::FormatArg PlaceText(int indexNo) { return fs::FormatArg(fs::u16(std::to_string(indexNo))); }

}  // namespace

std::u16string TVxbBaseTable::TemporaryIndexName(int indexNo) const {
  return TVxbIndexPlaces::TemporaryName(FLevel, StdName().empty() ? GetName() : StdName(), indexNo);
}

bool TVxbBaseTable::IsFullTextIndexName(std::u16string_view name) const {
  if (!FDataFile) return false;
  for (const std::u16string& stored : FDataFile->IndexNames()) {
    const std::u16string_view stem = index::FullTextIndexStem(stored);
    if (!stem.empty() && index::IsSameIndexName(stem, name)) return true;
  }
  return false;
}

bool TVxbBaseTable::AccessorUsesIndex(int indexNo) const {
  for (const IRelationListener* accessor : FClientAccessors) {
    if (accessor->UsesIndex(indexNo)) return true;
  }
  return false;
}

bool TVxbBaseTable::FreeIndexPlaces() {
  const auto removable = [this](int place) {
    const index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index) return false;
    if (index->GetKind() == index::tikTemporary) return !AccessorUsesIndex(place);
    return index->GetIsAutomatic() && index->IsLost;
  };
  bool any = false;
  for (int place = 0; place < PlaceCount(); ++place) any = any || removable(place);
  if (!any) return false;
  const TVxbTableLockGuard exclusiveLock = TVxbTableLockGuard::Exclusive(FLocks);
  if (!exclusiveLock) return false;
  for (int place = PlaceCount() - 1; place >= 0; --place) {
    if (!removable(place)) continue;
    DropIndex(place);
    IndexRemoved(place);
  }
  return true;
}

void TVxbBaseTable::DropIndex(int indexNo) {
  std::unique_ptr<index::TVxbIndexFile>& index = FPlaces[indexNo];
  const std::u16string fileName = index->GetFileName();
  if (index->IsOpen) index->Undo();
  index->Close(false);
  index.reset();
  FFileSystem.DeleteFile(fileName);
  if (FInrIndexNo == indexNo) FInrIndexNo = kNoIndex;
  if (FIdIndexNo == indexNo) FIdIndexNo = kNoIndex;
  if (FPrimIndexNo == indexNo) FPrimIndexNo = kNoIndex;
}

int16_t TVxbBaseTable::NewIndex(std::u16string_view name, const index::TVxbSortDef& def, int64_t capacity,
                                const index::TVxbBuildProgress& progress) {
  const index::TVxbIndexKind kind = index::GetIndexKind(name, FLevel);
  if (kind != index::tikTemporary && (FRights & kRightIndex) == 0) return Fail(errors::vxbErrNoIndexRight, {});
  if (FreePlace() < 0 && !FreeIndexPlaces()) return Fail(errors::vxbErrTooManyIndexes, {});
  index::TVxbSortDef named = def;
  named.Name = std::u16string(name);
  const index::TVxbErrorReporter record = [this](int16_t code, fs::FormatArgs args) {
    FServices.SetLastError(code, args);
  };
  if (index::CheckIndexDefinition(named, FLevel, FColumnsView, record) < 0) return -errors::vxbErrInternal;
  if (FindIndexNo(name) >= 0 || IsFullTextIndexName(name)) return Fail(errors::vxbErrIndexAlreadyOpen, {name});
  const std::u16string path = IndexFilePath(name);
  if (FFileSystem.FileExists(path)) return Fail(errors::vxbErrIndexFileExists, {path});

  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  const int lastIndexNo = FPlaces.Last();
  int16_t result = InitIndex(name, &named);
  if (result >= 0) {
    const int place = result;
    index::TVxbIndexFile& index = *FPlaces[place];
    index.SetUnique(named.IsUnique);
    // A new file is created for this process alone; closed after the build
    // and opened again, it is shared with the other sessions.
    result = index::BuildIndex(index, *FIndexedTable, false, capacity, progress, true);
    if (result >= 0) result = OpenIndex(place);
    if (result < 0) {
      // Nothing of a failed index stays: neither its place nor its file.
      DropIndex(place);
      FPlaces.SetLast(lastIndexNo);
    } else {
      IndexAdded();
      result = static_cast<int16_t>(place);
    }
  }
  return result;
}

void TVxbBaseTable::IndexRemoved(int indexNo) {
  if (!GetReadOnly()) WriteIndexNamesArea();
  NotifyIndexRemoved(indexNo);
}

int16_t TVxbBaseTable::DeleteIndex(int indexNo) {
  index::TVxbIndexFile* index = GetIndexFile(indexNo);
  if (!index) return Fail(errors::vxbErrIndexNotFound, {PlaceText(indexNo)});
  const bool allowed =
      !index->GetIsAutomatic() && (index->GetKind() == index::tikTemporary || (FRights & kRightIndex) != 0);
  if (!allowed) return Fail(errors::vxbErrPermission, {index->GetName()});
  if (AccessorUsesIndex(indexNo)) return Fail(errors::vxbErrIndexInUse, {index->GetName()});
  const TVxbTableLockGuard exclusiveLock = TVxbTableLockGuard::Exclusive(FLocks);
  if (!exclusiveLock) return exclusiveLock.Result();
  DropIndex(indexNo);
  IndexRemoved(indexNo);
  return 0;
}

int16_t TVxbBaseTable::RenameIndex(int indexNo, std::u16string_view newName) {
  index::TVxbIndexFile* index = GetIndexFile(indexNo);
  if (!index) return Fail(errors::vxbErrIndexNotFound, {PlaceText(indexNo)});
  // The name decides the kind: an automatic index keeps the name the table
  // gives it, and a user index may not become temporary (dropped on close)
  // or automatic.
  const index::TVxbIndexKind kind = index->GetKind();
  if (index->GetIsAutomatic() || index::GetIndexKind(newName, FLevel) != kind ||
      (kind != index::tikTemporary && (FRights & kRightIndex) == 0)) {
    return Fail(errors::vxbErrPermission, {index->GetName()});
  }
  const int existing = FindIndexNo(newName);
  if (existing >= 0 && existing != indexNo) return Fail(errors::vxbErrIndexAlreadyOpen, {newName});
  const std::u16string oldPath = index->GetFileName();
  const std::u16string newPath = IndexFilePath(newName);
  const bool sameFile = newPath == oldPath;
  // Renaming onto another file would destroy it.
  if (!sameFile && FFileSystem.FileExists(newPath)) return Fail(errors::vxbErrIndexFileExists, {newPath});
  const TVxbTableLockGuard exclusiveLock = TVxbTableLockGuard::Exclusive(FLocks);
  if (!exclusiveLock) return exclusiveLock.Result();

  const bool wasOpen = index->IsOpen;
  index->Close(true);
  int16_t result = 0;
  if (!sameFile && !FFileSystem.RenameFile(oldPath, newPath)) {
    result = Fail(errors::vxbErrWriteFile, {oldPath});
  } else {
    index->SetName(newName);
    index->SetFileName(newPath);
    WriteIndexNamesArea();
  }
  if (wasOpen) OpenIndex(indexNo);
  return result;
}

int16_t TVxbBaseTable::RebuildIndex(int indexNo, const index::TVxbBuildProgress& progress) {
  index::TVxbIndexFile& index = *FPlaces[indexNo];
  if (!index.IsOpen && !index.IsLost) OpenIndex(indexNo);
  if (index.IsOpen) {
    const int16_t result = index::BuildIndex(index, *FIndexedTable, true, 0, progress, false);
    if (result >= 0) return result;
  }
  // A file that cannot be opened or emptied is built anew from the
  // definition the table knows.
  const index::TVxbSortDef& def = index.GetIndexDefinition();
  if (def.Items.empty() && !def.IsCalculated) {
    return Fail(errors::vxbErrIndexCorrupt, {index.GetName()});
  }
  const TVxbTableLockGuard writeLock = TVxbTableLockGuard::Write(FLocks);
  if (!writeLock) return writeLock.Result();
  if (index.IsOpen) index.Undo();
  index.Close(false);
  index.IsLost = false;
  int16_t result = index::BuildIndex(index, *FIndexedTable, false, 0, progress, false);
  if (result < 0) index.IsLost = true;
  return result;
}

int16_t TVxbBaseTable::RegenIndex(const index::TVxbBuildProgress& progress) {
  if ((FRights & kRightIndex) == 0) return 0;
  for (int place = 0; place < IndexCount(); ++place) {
    if (!FPlaces[place]) continue;
    if (const int16_t result = RebuildIndex(place, progress); result < 0) return result;
  }
  return 0;
}

int16_t TVxbBaseTable::RegenIndex(int indexNo, const index::TVxbBuildProgress& progress) {
  if ((FRights & kRightIndex) == 0) return 0;
  if (!GetIndexFile(indexNo)) return Fail(errors::vxbErrIndexNotFound, {PlaceText(indexNo)});
  return RebuildIndex(indexNo, progress);
}

}  // namespace vexilo::storage
