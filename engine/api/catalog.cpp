#include "engine/api/catalog.h"

#include <algorithm>
#include <mutex>

#include "engine/api/table_locator.h"
#include "engine/api/unlock_thread.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/table/relation_list.h"
#include "engine/types/column_type.h"
#include "fs/contract.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

using Sync = std::lock_guard<fs::TvwOwnedMutex>;

constexpr std::u16string_view kSystemPrefix = u"sys_";
constexpr std::u16string_view kUserTables = u"sys_UserTables";
constexpr std::u16string_view kUserColumns = u"sys_UserColumns";
constexpr uint16_t kSystemTableRights = 15;

bool IsSystemName(std::u16string_view name) { return fs::StartsWithIgnoringLatin1Case(name, kSystemPrefix); }

}  // namespace

TVxbCatalog::TVxbCatalog(TVxbSessionServices& services, index::TVxbPageManager& pageManager)
    : FServices(services), FPageManager(pageManager) {}

TVxbCatalog::~TVxbCatalog() { Close(); }

// --- life ---

int16_t TVxbCatalog::Open() {
  if (FOpen) return 0;
  VEXILO_REQUIRE(FServices.DataFileSystem() != nullptr);
  FOpen = true;
  FManagementLevel = TVxbManagementLevel::Unmanaged;
  FPageManager.RegisterClient(ClientHdl(), FCacheSize);
  FUnlockThread = std::make_unique<TVxbUnlockThread>([this](int64_t ticks) { CheckUnlock(ticks); });

  // A database holding both system tables of one level is managed.
  fs::TvwFileSystem& fileSystem = *FServices.DataFileSystem();
  for (const int16_t level : {int16_t{6}, int16_t{5}}) {
    const std::u16string extension(index::TableFileExtension(level));
    const std::u16string base = FLocation + u"/";
    if (!fileSystem.FileExists(base + std::u16string(kUserTables) + extension) ||
        !fileSystem.FileExists(base + std::u16string(kUserColumns) + extension)) {
      continue;
    }
    int16_t result = TryOpenTable(std::u16string(kUserTables) + extension, FKey, false, true, kSystemTableRights);
    if (result > 0) {
      FManagementLevel = TVxbManagementLevel::Managed;
      result = OpenTable(std::u16string(kUserColumns) + extension, FKey, false, false, true, kSystemTableRights);
    }
    if (result < 0) {
      Close();
      return result;
    }
    break;
  }
  return 0;
}

void TVxbCatalog::Close() {
  if (!FOpen) return;
  if (FUnlockThread) FUnlockThread->Stop();
  FUnlockThread.reset();
  {
    const Sync sync(FRelationListSync);
    for (auto& guards : FReadLockSets) guards.clear();
    for (auto& guards : FWriteLockSets) guards.clear();
    TVxbRelationSet all;
    all.set();
    CloseRelations(all);
    // What is still in use goes all the same: the catalog is going.
    for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
      if (FRelations[rltnIdx]) FreeRelation(rltnIdx);
    }
  }
  FPageManager.UnregisterClient(ClientHdl(), FCacheSize);
  FOpen = false;
}

// --- opening tables ---

int16_t TVxbCatalog::OpenTable(std::u16string_view storagePath, std::u16string_view key, bool keepRights,
                               bool force, bool withRelTables, uint16_t rights) {
  if (!FOpen) return Fail(errors::vxbErrInvalidAccess, {});
  const Sync sync(FRelationListSync);
  const TVxbRelationSet before = FLegalFiles;

  int16_t rltnIdx = GetFreeRltnIdx();
  if (rltnIdx == 0) {
    CloseUnneededTables(false, false);
    rltnIdx = GetFreeRltnIdx();
  }
  if (rltnIdx == 0) return Fail(errors::vxbErrTooManyTables, {});

  std::u16string path;
  if (const int16_t refused = ResolveTableName(FLocation, storagePath, path); refused != 0) {
    return Fail(refused, {std::u16string(storagePath)});
  }
  const std::u16string name = StandardTableName(path);
  if (const int16_t open = FindRltnIdx(name); open > 0) {
    return Fail(errors::vxbErrTableAlreadyOpen, {GetTable(open)->GetName()});
  }
  fs::TvwFileSystem& fileSystem = *FServices.DataFileSystem();
  const std::u16string fileName = LocateTableFile(fileSystem, path);
  if (!fileSystem.FileExists(fileName)) {
    // Tables named "sys_..." of an unmanaged database would be made up from
    // the open tables; there are none of those here.
    return Fail(errors::vxbErrFileNotFound, {name});
  }
  return OpenFoundTable(rltnIdx, fileName, key, keepRights, force, withRelTables, rights, before);
}

int16_t TVxbCatalog::OpenOwnTableFile(std::u16string_view fileName, uint16_t rights) {
  if (!FOpen) return Fail(errors::vxbErrInvalidAccess, {});
  const Sync sync(FRelationListSync);
  const TVxbRelationSet before = FLegalFiles;
  const int16_t rltnIdx = GetFreeRltnIdx();
  if (rltnIdx == 0) return Fail(errors::vxbErrTooManyTables, {});
  const std::u16string name = StandardTableName(fileName);
  if (const int16_t open = FindRltnIdx(name); open > 0) {
    return Fail(errors::vxbErrTableAlreadyOpen, {GetTable(open)->GetName()});
  }
  const std::u16string file(fileName);
  if (!FServices.DataFileSystem()->FileExists(file)) return Fail(errors::vxbErrFileNotFound, {name});
  return OpenFoundTable(rltnIdx, file, {}, true, false, false, rights, before);
}

std::unique_ptr<storage::TVxbBaseTable> TVxbCatalog::NewTableObject(std::u16string_view fileName) const {
  VEXILO_REQUIRE(FServices.DataFileSystem() != nullptr);
  auto table = std::make_unique<storage::TVxbBaseTable>(FServices, FPageManager, *FServices.DataFileSystem(),
                                                        ClientHdl());
  table->SetFileName(fileName);
  table->SetSessionName(FServices.IdName());
  table->SetBlobBlockSize(FServices.DefBlobBlockSize());
  table->SetTableLockAttempts(std::max(1, FServices.LockingTimeout() / storage::kLockWaitStep));
  return table;
}

int16_t TVxbCatalog::OpenFoundTable(int16_t rltnIdx, const std::u16string& fileName, std::u16string_view key,
                                    bool keepRights, bool force, bool withRelTables, uint16_t rights,
                                    const TVxbRelationSet& before) {
  VEXILO_REQUIRE(FRelationListSync.IsHeldByThisThread());
  auto created =
      std::make_unique<TVxbCatalogTable>(FServices, FPageManager, *FServices.DataFileSystem(), ClientHdl());
  TVxbCatalogTable& table = *created;
  table.SetSessionName(FServices.IdName());
  table.SetBlobBlockSize(FServices.DefBlobBlockSize());
  table.SetTableLockAttempts(std::max(1, FServices.LockingTimeout() / storage::kLockWaitStep));
  table.SetIsolationLevel(FServices.IsolationLevel());
  table.SetRltnIdx(rltnIdx);
  FRelations[rltnIdx] = std::move(created);
  FLegalFiles.set(static_cast<size_t>(rltnIdx));
  storage::TRelationList::Instance().SetRelation(CalcRltnHdl(rltnIdx), &table);

  if (!keepRights) {
    if (FReadOnly) rights &= static_cast<uint16_t>(~kAccessRights);
    if (FExclusive) rights |= storage::kRightExclusive;
    if (FSharedReadOnly && (rights & kAccessRights) == 0) {
      rights |= storage::kRightSharedReadOnly;
    } else {
      rights &= static_cast<uint16_t>(~storage::kRightSharedReadOnly);
    }
  }
  table.SetRights(rights);
  table.SetFileName(fileName);
  table.SetKey(key.empty() ? std::u16string_view(FKey) : key);
  int16_t result = table.Open(force);
  if (result == -errors::vxbErrNoWriteAccess && (rights & kAccessRights) != 0) {
    table.Close();
    table.SetRights(static_cast<uint16_t>(rights & ~kAccessRights));
    result = table.Open(force);
  }
  if (result < 0) {
    FreeRelation(rltnIdx);
    return result;
  }
  if (withRelTables) {
    result = OpenRelatedTables(table, rights);
    if (result < 0 && !force) {
      CloseOpenedSince(before);
      return result;
    }
  }
  auto accessor = std::make_unique<cursor::TVxbAccessor>(table, cursor::TVxbAccessor::kSessionDefaultTag,
                                                         FServices.LockingTimeout());
  accessor->SetCurrentRecordNo(table.GetRecordCount() > 0 ? table.GetFirstRecordNo() : -1);
  FAccessorSet.AddAccessor(rltnIdx, std::move(accessor));
  result = table.Setup(force);
  if (result < 0 && !force) {
    CloseOpenedSince(before);
    return result;
  }
  table.InstallConditions();
  return rltnIdx;
}

int16_t TVxbCatalog::OpenRelatedTables(TVxbCatalogTable& table, uint16_t rights) {
  const std::u16string directory = DirectoryOf(table.FileName());
  for (int fieldNo = 1; fieldNo <= table.ColumnCount(); ++fieldNo) {
    const auto* column = table.ColumnDefs().GetColumnDef(fieldNo);
    if (column == nullptr || column->TypeCode() != types::vxbLink) continue;
    const auto* link = static_cast<const storage::TVxbAdlColumnDef*>(column);
    if (FindRltnIdx(link->LinkedTable()) > 0) continue;
    // A linked table that cannot be opened leaves its links unresolved.
    OpenTable(directory + link->LinkedTable(), u"", false, false, true, rights);
  }
  return 0;
}

void TVxbCatalog::CloseOpenedSince(const TVxbRelationSet& before) {
  TVxbRelationSet opened = FLegalFiles & ~before;
  for (int16_t rltnIdx = kMaxRltnIdx; rltnIdx >= 1; --rltnIdx) {
    if (opened.test(static_cast<size_t>(rltnIdx))) FreeRelation(rltnIdx);
  }
}

int16_t TVxbCatalog::TryOpenTable(std::u16string_view tableName, std::u16string_view key, bool mustBeWritable,
                                  bool withRelTables, uint16_t rights) {
  if (const int16_t open = FindRltnIdx(StandardTableName(tableName)); open > 0) return open;
  if (FDeepFlush) rights |= storage::kRightDeepFlush;
  int16_t result = OpenTable(tableName, key, false, false, withRelTables, rights);
  if (result == -errors::vxbErrFileNotFound && !mustBeWritable && (rights & kAccessRights) != 0) {
    result = OpenTable(tableName, key, false, false, withRelTables, static_cast<uint16_t>(rights & ~kAccessRights));
  }
  while (result == -errors::vxbErrCredentials && FServices.PasswordCallback()) {
    std::u16string offered;
    if (FServices.PasswordCallback()(GetHandle(), StandardTableName(tableName), offered) != 0) break;
    if (offered.size() > TVxbSessionServices::kMaxKeyLength) offered.resize(TVxbSessionServices::kMaxKeyLength);
    result = OpenTable(tableName, offered, false, false, withRelTables, rights);
  }
  return result;
}

int16_t TVxbCatalog::AddTable(std::u16string_view tableFileName, std::u16string_view key, bool force,
                              uint16_t rights) {
  return OpenTable(tableFileName, key, false, force, true, rights);
}

// --- relations ---

int16_t TVxbCatalog::FindRltnIdx(std::u16string_view relationName) const {
  for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
    const TVxbCatalogTable* table = FRelations[rltnIdx].get();
    if (table != nullptr && IsTableNameEqual(table->FileName(), relationName)) return rltnIdx;
  }
  return 0;
}

storage::TVxbRelation* TVxbCatalog::GetRelation(int16_t rltnIdx) const { return GetTable(rltnIdx); }

TVxbCatalogTable* TVxbCatalog::GetTable(int16_t rltnIdx) const {
  if (rltnIdx < 1 || rltnIdx > kMaxRltnIdx) return nullptr;
  return FRelations[rltnIdx].get();
}

bool TVxbCatalog::IsActiveRltnIdx(int16_t rltnIdx) const {
  const TVxbCatalogTable* table = GetTable(rltnIdx);
  return table != nullptr && table->GetActive();
}

int32_t TVxbCatalog::GetRelationCount() const { return static_cast<int32_t>(FLegalFiles.count()); }

int16_t TVxbCatalog::GetFreeRltnIdx() const {
  for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
    if (!FRelations[rltnIdx]) return rltnIdx;
  }
  return 0;
}

int16_t TVxbCatalog::GetMaxRltnIdx() const {
  for (int16_t rltnIdx = kMaxRltnIdx; rltnIdx >= 1; --rltnIdx) {
    if (FRelations[rltnIdx]) return rltnIdx;
  }
  return 0;
}

int32_t TVxbCatalog::CalcRltnHdl(int16_t rltnIdx) const {
  return storage::TRelationList::CalcRltnHdl(GetHandle(), rltnIdx);
}

int16_t TVxbCatalog::GetRltnIdx(int32_t rltnHdl) {
  return static_cast<int16_t>(storage::TRelationList::GetRltnIdx(rltnHdl));
}

// --- closing ---

bool TVxbCatalog::InUse(int16_t rltnIdx) const {
  const TVxbCatalogTable* table = GetTable(rltnIdx);
  if (table == nullptr) return false;
  // The default accessor is the catalog's own and no use.
  const int32_t own = FAccessorSet.GetAccessor(rltnIdx) != nullptr ? 1 : 0;
  return table->AccessorCount() > own || !FReadLockSets[rltnIdx].empty() || !FWriteLockSets[rltnIdx].empty();
}

int16_t TVxbCatalog::CloseRelation(int16_t rltnIdx, bool withRelFields, bool remove) {
  (void)withRelFields;  // relation columns (and so their relation tables) are not kept apart here
  const Sync sync(FRelationListSync);
  TVxbCatalogTable* table = GetTable(rltnIdx);
  if (table == nullptr) return 0;
  if (InUse(rltnIdx)) return Fail(errors::vxbErrTableStillAccessed, {table->GetName()});
  if (cursor::TVxbAccessor* accessor = FAccessorSet.GetAccessor(rltnIdx)) accessor->Close();
  const int16_t result = table->Close();
  if (remove) FreeRelation(rltnIdx);
  return result < 0 ? result : 0;
}

int16_t TVxbCatalog::TryCloseRelation(int16_t rltnIdx, bool withRelFields, bool remove) {
  if (InUse(rltnIdx)) {
    CloseUnneededTables(true, false);
    if (InUse(rltnIdx)) return Fail(errors::vxbErrTableStillAccessed, {GetTable(rltnIdx)->GetName()});
  }
  return CloseRelation(rltnIdx, withRelFields, remove);
}

void TVxbCatalog::CloseRelations(TVxbRelationSet set) {
  const Sync sync(FRelationListSync);
  for (int pass = 0; pass < kMaxRltnIdx && set.any(); ++pass) {
    for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
      if (!set.test(static_cast<size_t>(rltnIdx))) continue;
      if (FRelations[rltnIdx]) {
        TryCloseRelation(rltnIdx, false, true);
      } else {
        set.reset(static_cast<size_t>(rltnIdx));
      }
    }
  }
}

void TVxbCatalog::CloseUnneededTables(bool temporaryOnly, bool includeSystem) {
  const Sync sync(FRelationListSync);
  bool closed = true;
  while (closed) {
    closed = false;
    for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
      const TVxbCatalogTable* table = GetTable(rltnIdx);
      if (table == nullptr || (temporaryOnly && !table->IsTemporary())) continue;
      if (!includeSystem && IsSystemName(table->GetName())) continue;
      if (InUse(rltnIdx)) continue;
      if (TryCloseRelation(rltnIdx, true, true) == 0) closed = true;
    }
  }
}

void TVxbCatalog::FreeRelation(int16_t rltnIdx) {
  const Sync sync(FRelationListSync);
  if (GetTable(rltnIdx) == nullptr) return;
  storage::TRelationList::Instance().RemoveRelation(CalcRltnHdl(rltnIdx));
  FReadLockSets[rltnIdx].clear();
  FWriteLockSets[rltnIdx].clear();
  // The accessor unregisters from the table, so it goes first.
  FAccessorSet.DeleteAccessor(rltnIdx);
  FLegalFiles.reset(static_cast<size_t>(rltnIdx));
  FRelations[rltnIdx].reset();
}

// --- the tables of the database ---

void TVxbCatalog::GetTableNames(std::vector<std::u16string>& list) const {
  list.clear();
  fs::TvwFileSystem* fileSystem = FServices.DataFileSystem();
  if (fileSystem == nullptr) return;
  fs::TvwFindFileRec rec;
  for (bool found = fileSystem->FindFirstFile(FLocation + u"/*.*", 0, rec); found;
       found = fileSystem->FindNextFile(rec)) {
    if ((rec.Attr & fs::kAttrDirectory) != 0 || IsSystemName(rec.Name)) continue;
    if (index::HasTableFileExtension(rec.Name) ||
        fs::EndsWithIgnoringAsciiCase(rec.Name, index::kRelationTableExtension)) {
      list.push_back(StandardTableName(rec.Name));
    }
  }
  fileSystem->FindFileClose(rec);
}

bool TVxbCatalog::ExistsTable(std::u16string_view fileName) const {
  fs::TvwFileSystem* fileSystem = FServices.DataFileSystem();
  std::u16string path;
  if (fileSystem == nullptr || ResolveTableName(FLocation, fileName, path) != 0) return false;
  if (HasExtension(path)) return fileSystem->FileExists(path);
  return fileSystem->FileExists(path + std::u16string(index::TableFileExtension(6))) ||
         fileSystem->FileExists(path + std::u16string(index::TableFileExtension(5)));
}

}  // namespace vexilo::api
