// Creating, opening, setting up and closing a base table, and the names of
// its files.
#include <algorithm>

#include "engine/errors/error_codes.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/file/data_file_selection.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/sharing/redo_log.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/table/base_table_indexed.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time.h"
#include "fs/text.h"

namespace vexilo::storage {

namespace {

size_t LastSeparator(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? 0 : slash + 1;
}

using fs::EndsWithIgnoringAsciiCase;

}  // namespace

TVxbBaseTable::TVxbBaseTable(errors::TVxbServices& services, index::TVxbPageManager& pageManager,
                             fs::TvwFileSystem& fileSystem, index::TVxbClientHdl clientHdl)
    : TVxbRelation(services),
      FPageManager(pageManager),
      FFileSystem(fileSystem),
      FClientHdl(clientHdl),
      FLocks(*this, services, nullptr),
      FColumnsView(FColumnDefs),
      FIndexedTable(std::make_unique<TIndexedTable>(*this)) {
  FNativeSortDef.Name = kNativeSortName;
}

TVxbBaseTable::~TVxbBaseTable() { Close(); }

// --- names ---

std::u16string TVxbBaseTable::GetFullName() const { return FFileName.substr(LastSeparator(FFileName)); }

std::u16string TVxbBaseTable::GetName() const {
  std::u16string full = GetFullName();
  const size_t dot = full.find_last_of(u'.');
  return dot == std::u16string::npos ? full : full.substr(0, dot);
}

std::u16string TVxbBaseTable::PhysicalDirectory() const { return FFileName.substr(0, LastSeparator(FFileName)); }

std::u16string TVxbBaseTable::BaseName() const { return PhysicalDirectory() + GetName(); }

void TVxbBaseTable::GetFileNames(std::vector<std::u16string>& fileList) const {
  fileList.push_back(FFileName);
  for (int place = 0; place <= FPlaces.Last(); ++place) {
    if (FPlaces[place]) fileList.push_back(FPlaces[place]->GetFileName());
  }
  if (FHasMemo) fileList.push_back(TVxbMemoFile::FileNameFor(FFileName, FLevel));
  if (FHasBlob) fileList.push_back(TVxbBlobFile::FileNameFor(FFileName, FLevel));
}

std::unique_ptr<index::TVxbClientStorage> TVxbBaseTable::NewClient(std::u16string_view fileName) const {
  auto client = std::make_unique<index::TVxbClientStorage>(FPageManager, FFileSystem, FClientHdl);
  client->SetName(fileName);
  return client;
}

// --- errors ---

int16_t TVxbBaseTable::Record(const std::exception& e) {
  if (const auto* engine = dynamic_cast<const errors::EVxbEngine*>(&e)) {
    if (engine->Code() == errors::vxbErrInternal) return -errors::vxbErrInternal;
    return FServices.SetLastError(*engine);
  }
  return Fail(errors::vxbErrReadFile, {FFileName});
}

int16_t TVxbBaseTable::RecordCode(int16_t code) { return Fail(code, {GetFullName()}); }

// --- definition ---

int16_t TVxbBaseTable::AddColumn(const TVxbColumnSpec& spec) {
  return storage::AddColumn(FColumnDefs, spec, FLevel, FCollationName, FServices);
}

void TVxbBaseTable::TakeDefinition(TVxbTableDefinition& definition) {
  FColumnDefs = std::move(definition.ColumnDefs);
  FCapacity = definition.Capacity;
  FCollationName = definition.CollationName;
  FChecks = std::move(definition.CheckDefs);
  FKeyDefs = std::move(definition.KeyDefs);
  FForeignKeyDefs = std::move(definition.ForeignKeyDefs);
}

void TVxbBaseTable::UpdateColumnInfo() {
  FRecordIdFieldNo = static_cast<int16_t>(FColumnDefs.FindFirst(types::vxbRecordId));
  FHasMemo = FColumnDefs.FindFirst(types::vxbMemo) > 0;
  FHasBlob = FColumnDefs.FindFirst(types::vxbBlob) > 0 || FColumnDefs.FindFirst(types::vxbWideMemo) > 0;
  FCalculationPurposes = 0;
  for (const auto& column : FColumnDefs) FCalculationPurposes |= column->CalculationPurposes();
  FNativeSortDef = index::TVxbSortDef{};
  FNativeSortDef.Name = kNativeSortName;
  FRecBuffer.assign(static_cast<size_t>(std::max(FColumnDefs.GetRecordSize(), 1)), 0);
}

// --- creating ---

int16_t TVxbBaseTable::NewFile(std::vector<TVxbCheckDef> checkDefs, std::vector<TVxbForeignKeyDef> foreignKeyDefs,
                               std::vector<TVxbCandidateKeyDef> keyDefs) {
  if (GetActive()) Close();
  FChecks = std::move(checkDefs);
  FForeignKeyDefs = std::move(foreignKeyDefs);
  FKeyDefs = std::move(keyDefs);
  TVxbTableDefinition definition;
  definition.Capacity = FCapacity;
  definition.CollationName = FCollationName;
  definition.ColumnDefs = FColumnDefs.Clone();
  definition.CheckDefs = FChecks;
  definition.KeyDefs = FKeyDefs;
  definition.ForeignKeyDefs = FForeignKeyDefs;
  int16_t result = 0;
  try {
    FDataFile = CreateDataFile(DataFileKindForNewTable(FLevel, FColumnDefs), FServices, NewClient(FFileName));
    result = FDataFile->NewFile(FLevel, FCryptor, definition);
  } catch (const std::exception& e) {
    result = Record(e);
  }
  if (result < 0) {
    CloseAllFiles();
    return result;
  }
  FColumnDefs = std::move(definition.ColumnDefs);
  FLevel = FDataFile->Version();
  FRights = kNewTableRights;
  UpdateColumnInfo();
  result = CreateMemoAndBlob();
  if (result < 0) {
    FDataFile->Undo();
    CloseAllFiles();
    return result;
  }
  ComputeStdName();
  return Flush(true);
}

int16_t TVxbBaseTable::CreateMemoAndBlob() {
  if (FHasMemo) {
    const std::u16string name = TVxbMemoFile::FileNameFor(FFileName, FLevel);
    FMemo = std::make_unique<TVxbMemoFile>(FServices, NewClient(name), FLevel);
    FMemo->SetFileName(name);
    FMemo->SetTableName(GetName());
    if (const int16_t result = FMemo->NewFile(); result < 0) return result;
  }
  if (FHasBlob) {
    const std::u16string name = TVxbBlobFile::FileNameFor(FFileName, FLevel);
    FBlob = std::make_unique<TVxbBlobFile>(FServices, NewClient(name), FLevel, FBlobBlockSize);
    FBlob->SetFileName(name);
    FBlob->SetTableName(GetName());
    if (const int16_t result = FBlob->NewFile(); result < 0) return result;
  }
  return 0;
}

// --- opening ---

void TVxbBaseTable::LogInToLockFile() {
  // The lock file's name follows the level, which only the table file
  // holds; its extension tells the level-6 name apart from the others.
  const bool level6 = EndsWithIgnoringAsciiCase(FFileName, index::TableFileExtension(6));
  const int16_t level = level6 ? 6 : 5;
  const bool relTable = index::IsRelationTableFile(FFileName, GetName(), level);
  FLockFile = std::make_unique<TVxbLockFile>(FFileSystem, FServices.Station(), FSessionName, nullptr,
                                           FTableLockAttempts);
  FLockFile->SetOnHijack([this] { RecoverDeadTransaction(); });
  FLockFile->LogIn(BaseName(), level, relTable);
  FLocks.SetLockFile(FLockFile.get());
}

int16_t TVxbBaseTable::OpenFiles(bool force) {
  if (GetActive()) return 0;
  if (!FFileSystem.FileExists(FFileName)) return Fail(errors::vxbErrFileNotFound, {FFileName});
  if (WithLockFile()) {
    try {
      LogInToLockFile();
    } catch (const std::exception& e) {
      const int16_t result = Record(e);
      FLockFile.reset();
      return result;
    }
  }
  FChecks.clear();
  FForeignKeyDefs.clear();
  int16_t result = 0;
  {
    std::lock_guard<std::recursive_mutex> section(FLocks.CriticalSection());
    const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
    result = readLock.Result();
    if (readLock) {
      try {
        const bool readOnly = GetReadOnly();
        const bool exclusive = GetExclusive();
        FDataFile = SelectDataFile(FServices, NewClient(FFileName), readOnly, exclusive);
        TVxbTableDefinition definition;
        FDataFile->Open(readOnly, exclusive, FCryptor, definition);
        TakeDefinition(definition);
        FLevel = FDataFile->Version();
        IsRelFile = index::IsRelationTableFile(FFileName, GetName(), FLevel);
        UpdateColumnInfo();
        result = CheckPlausibility();
        if (result >= 0) result = OpenMemoAndBlob(force);
      } catch (const std::exception& e) {
        result = Record(e);
      }
    }
  }
  if (result < 0) {
    CloseAllFiles();
    return result;
  }
  if (FLockFile) FLockFile->SetSessionChangeCount(FLockFile->TableChangeCount());
  return 0;
}

int16_t TVxbBaseTable::CheckPlausibility() {
  if (FDataFile->GetRecordCount() <= 0) return 0;
  std::vector<uint8_t> record(FRecBuffer.size(), 0);
  if (FDataFile->ReadRecord(FDataFile->GetFirstRecordNo(), record.data()) < 0) {
    return Fail(errors::vxbErrCredentials, {});
  }
  const uint8_t* rec = record.data();
  for (const auto& column : FColumnDefs) {
    const types::TVxbFieldLayout f = column->FieldLayout(FLevel);
    const uint8_t* value = rec + types::TVxbFieldCodec::ValueOffset(f);
    const size_t valueSize = types::TVxbFieldCodec::ValueSize(f);
    bool plausible = true;
    switch (column->TypeCode()) {
      case types::vxbString:
        // The prefix is one byte up to a maximum length of 255, else two.
        if (valueSize <= 256) plausible = valueSize >= 1 && value[0] <= valueSize - 1;
        else plausible = types::TvwMemory::ReadUInt16(value, 0) <= valueSize - 2;
        break;
      case types::vxbWideString:
        plausible = valueSize >= 2 && types::TvwMemory::ReadUInt16(value, 0) <= (valueSize - 2) / 2;
        break;
      case types::vxbEnum: {
        const auto* enumColumn = dynamic_cast<const TVxbEnumColumnDef*>(column.get());
        plausible = !enumColumn || valueSize < 1 || value[0] <= enumColumn->ValueNames().size();
        break;
      }
      case types::vxbRecordId:
      case types::vxbLink:
        plausible = valueSize < 4 || types::TvwMemory::ReadInt32(value, 0) >= 0;
        break;
      case types::vxbTime: {
        int64_t ticks = 0;
        plausible = !types::TVxbFieldCodec::ReadTime(rec, f, ticks) || ticks >= 0;
        break;
      }
      case types::vxbTimeStamp:
        plausible = valueSize < 8 ||
                    (types::TvwMemory::ReadInt32(value, 0) >= 0 && types::TvwMemory::ReadInt32(value, 4) >= 0);
        break;
      default:
        break;
    }
    if (!plausible) return Fail(errors::vxbErrCredentials, {});
  }
  return 0;
}

int16_t TVxbBaseTable::OpenMemoAndBlob(bool force) {
  const bool readOnly = GetReadOnly();
  const bool exclusive = GetExclusive();
  if (FHasMemo) {
    const std::u16string name = TVxbMemoFile::FileNameFor(FFileName, FLevel);
    FMemo = std::make_unique<TVxbMemoFile>(FServices, NewClient(name), FLevel);
    FMemo->SetFileName(name);
    FMemo->SetTableName(GetName());
    if (const int16_t result = FMemo->Open(readOnly, exclusive); result < 0) {
      FMemo.reset();
      if (!force) return result;
    }
  }
  if (FHasBlob) {
    const std::u16string name = TVxbBlobFile::FileNameFor(FFileName, FLevel);
    FBlob = std::make_unique<TVxbBlobFile>(FServices, NewClient(name), FLevel, FBlobBlockSize);
    FBlob->SetFileName(name);
    FBlob->SetTableName(GetName());
    if (const int16_t result = FBlob->Open(readOnly, exclusive); result < 0) {
      FBlob.reset();
      if (!force) return result;
    }
  }
  return 0;
}

int16_t TVxbBaseTable::Setup(bool force) {
  if (!GetActive()) return Fail(errors::vxbErrFileNotFound, {FFileName});
  for (const std::u16string& name : std::vector<std::u16string>(FDataFile->IndexNames())) {
    if (index::IsFullTextIndexName(name)) continue;
    if (FindIndexNo(name) >= 0) continue;
    const int16_t place = InitIndex(name, nullptr);
    if (place >= 0) OpenIndex(place);  // an index that cannot be opened stays lost
  }
  SetUpSystemIndexes(force);
  if (!force && !FForeignKeyDefs.empty() && OnSetupForeignKeys) {
    if (const int16_t result = OnSetupForeignKeys(force); result < 0) return result;
  }
  // A dead session's transaction is undone once the indexes are there to
  // be kept up with it.
  FSetUp = true;
  RecoverDeadTransaction();
  return 0;
}

// --- dead sessions' transactions ---

void TVxbBaseTable::RecoverDeadTransaction() {
  if (FRecovering || !FSetUp || !GetActive() || GetReadOnly()) return;
  // A log held by this table's own running transaction is not a dead one.
  if (FRedoLog && FRedoLog->IsOpen()) return;
  auto log = std::make_unique<TVxbRedoLog>(FFileSystem, GetRecordSize(), IsRelFile, FLevel, BaseName());
  if (!FFileSystem.FileExists(log->FileName())) return;
  try {
    if (log->Open() != 0) return;  // in use by its living owner, or no log of ours
  } catch (const std::exception&) {
    return;
  }
  FRecovering = true;
  const TVxbIsolationLevel isolation = FIsolationLevel;
  FIsolationLevel = TVxbIsolationLevel::None;
  UndoModifications(*log);
  FIsolationLevel = isolation;
  FRecovering = false;
}

// --- closing ---

int16_t TVxbBaseTable::CloseFiles() {
  if (GetActive()) {
    bool temporaryIndexes = false;
    for (const auto& index : FPlaces) temporaryIndexes |= index && index->GetKind() == index::tikTemporary;
    // Only temporary indexes need exclusive access (the data file has no
    // room to give back), so a table others still use closes quietly.
    // A read-only table writes nothing and asks for no exclusive lock.
    TVxbTableLockGuard exclusiveLock;
    if (temporaryIndexes && !GetReadOnly()) exclusiveLock = TVxbTableLockGuard::Exclusive(FLocks);
    if (temporaryIndexes && (GetReadOnly() || exclusiveLock)) {
      for (int place = 0; place <= FPlaces.Last(); ++place) {
        auto& index = FPlaces[place];
        if (!index || index->GetKind() != index::tikTemporary) continue;
        const std::u16string fileName = index->GetFileName();
        index->Close(false);
        index.reset();
        FFileSystem.DeleteFile(fileName);
        NotifyIndexRemoved(place);
      }
      WriteIndexNamesArea();
      if (!GetReadOnly()) FDataFile->Truncate();
    }
    exclusiveLock.Release();
    // Changes still buffered go to the files before they are let go.
    if (!GetReadOnly()) Flush(false);
    while (FLocks.EditLocks() > 0) FLocks.EndEdit(FLockFile ? FLockFile->GetLockedRecord() : 0);
    FLocks.ReleaseAll();
  }
  CloseAllFiles();
  return 0;
}

void TVxbBaseTable::CloseAllFiles() noexcept {
  FSetUp = false;
  if (FMemo) FMemo->Close();
  FMemo.reset();
  if (FBlob) FBlob->Close();
  FBlob.reset();
  CloseIndexes();
  if (FDataFile) FDataFile->Close();
  FDataFile.reset();
  if (FRedoLog) FRedoLog->Close();
  FRedoLog.reset();
  FLocks.SetLockFile(nullptr);
  try {
    if (FLockFile) FLockFile->LogOut();
  } catch (const std::exception&) {
    // The slot of a session that is gone is reclaimed by the next sweep.
  }
  FLockFile.reset();
}

int16_t TVxbBaseTable::Close() {
  CloseFiles();
  FColumnDefs.Clear();
  FKeyDefs.clear();
  FChecks.clear();
  FForeignKeyDefs.clear();
  FRecBuffer.clear();
  FRecordIdFieldNo = 0;
  FHasMemo = FHasBlob = false;
  return 0;
}

}  // namespace vexilo::storage
