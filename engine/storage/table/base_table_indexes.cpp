// The index places of a base table: setting up index objects, the automatic
// indexes, creating an index, and keeping every index's entries in step with
// the records.
#include <cstring>

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
#include "engine/storage/table/base_table.h"
#include "engine/storage/table/base_table_indexed.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/index_key.h"
#include "fs/text.h"

namespace vexilo::storage {

namespace {

// The specification text over `columns`: their names separated by commas.
std::u16string ColumnList(const std::vector<std::u16string>& columns) {
  std::u16string spec;
  for (const auto& name : columns) {
    if (!spec.empty()) spec += u',';
    spec += name;
  }
  return spec;
}

}  // namespace

std::u16string TVxbBaseTable::IndexFilePath(std::u16string_view indexName) const {
  return TVxbIndexPlaces::FilePath(PhysicalDirectory(), GetName(), indexName, FLevel);
}

int16_t TVxbBaseTable::InitIndex(std::u16string_view name, const index::TVxbSortDef* def) {
  const int place = FPlaces.Free(FLevel);
  if (place < 0) return Fail(errors::vxbErrTooManyIndexes, {});
  const std::u16string path = IndexFilePath(name);
  auto index = std::make_unique<index::TVxbIndexFile>(&FServices, FLevel, NewClient(path));
  index->SetFileName(path);
  const index::TVxbIndexKind kind = index::GetIndexKind(name, FLevel);
  index->SetKind(kind);
  index->SetName(name);
  index->SetReadOnly(GetReadOnly() && kind != index::tikTemporary);
  index->SetExclusive(GetExclusive());
  index->SetColumns(&FColumnsView);
  if (def) {
    index::TVxbSortDef named = *def;
    named.Name = std::u16string(name);
    if (const int16_t result = index->SetIndexDefinition(named); result < 0) return result;
  }
  FPlaces.Put(place, std::move(index));
  return static_cast<int16_t>(place);
}

int16_t TVxbBaseTable::OpenIndex(int indexNo) {
  index::TVxbIndexFile* index = GetIndexFile(indexNo);
  if (!index) return Fail(errors::vxbErrIndexNotFound, {fs::FormatArg(fs::u16(std::to_string(indexNo)))});
  return index::OpenIndexOnDemand(*index, *FIndexedTable);
}

int16_t TVxbBaseTable::NewIndex(std::u16string_view name, std::u16string_view specification, bool unique,
                                int64_t capacity, const index::TVxbBuildProgress& progress) {
  const index::TVxbIndexKind kind = index::GetIndexKind(name, FLevel);
  if (kind != index::tikTemporary && (FRights & kRightIndex) == 0) return Fail(errors::vxbErrNoIndexRight, {});
  index::TVxbSortDef def;
  const index::TVxbErrorReporter record = [this](int16_t code, fs::FormatArgs args) {
    FServices.SetLastError(code, args);
  };
  if (index::ParseIndexSpecification(specification, name, FLevel, FColumnsView, def, record) < 0) {
    return -errors::vxbErrInternal;
  }
  def.IsUnique = def.IsUnique || unique;
  return NewIndex(name, def, capacity, progress);
}

int16_t TVxbBaseTable::IndexAdded() {
  if (GetReadOnly() || !FDataFile) return 0;
  if (const int16_t result = WriteIndexNamesArea(); result < 0) return result;
  if (FLockFile) {
    try {
      FLockFile->WriteIndexCount(static_cast<int16_t>(FDataFile->IndexNames().size()));
    } catch (const std::exception& e) {
      return Record(e);
    }
  }
  return 0;
}

int16_t TVxbBaseTable::WriteIndexNamesArea() {
  if (GetReadOnly() || !FDataFile) return 0;
  std::vector<std::u16string>& names = FDataFile->IndexNames();
  names = FPlaces.IndexNamesArea(names);
  return FDataFile->WriteIndexNames();
}

bool TVxbBaseTable::DeriveDefinition(std::u16string_view name, index::TVxbSortDef& def) {
  std::u16string spec;
  bool unique = false;
  const auto* recordId = dynamic_cast<const TVxbRecordIdColumnDef*>(Column(FRecordIdFieldNo));
  if (recordId && index::IsSameIndexName(name, index::SystemIndexName(index::TVxbSystemIndex::Id, 0, GetName(), FLevel))) {
    spec = recordId->Name();
    unique = true;
  } else if (recordId && !recordId->IndexSpec().empty() &&
             index::IsSameIndexName(name, index::SystemIndexName(index::TVxbSystemIndex::Inr, 0, GetName(), FLevel))) {
    spec = recordId->IndexSpec();
    unique = recordId->GetUniqueIdInfo();
  } else {
    for (const auto& key : FKeyDefs) {
      const std::u16string keyName =
          key.Primary ? index::SystemIndexName(index::TVxbSystemIndex::Primary, 0, GetName(), FLevel) : u"sys_" + key.Name;
      if (!keyName.empty() && index::IsSameIndexName(name, keyName)) {
        spec = ColumnList(key.ColumnNames);
        unique = true;
        break;
      }
    }
  }
  if (spec.empty()) return false;
  if (index::ParseIndexSpecification(spec, name, FLevel, FColumnsView, def, nullptr) < 0) return false;
  def.IsUnique = unique;
  return true;
}

void TVxbBaseTable::SetUpSystemIndexes(bool force) {
  const auto setUp = [this](const std::u16string& name) -> int {
    if (name.empty()) return kNoIndex;
    int place = FindIndexNo(name);
    if (place < 0) {
      index::TVxbSortDef def;
      if (!DeriveDefinition(name, def)) return kNoIndex;
      place = InitIndex(name, &def);
      if (place < 0) return kNoIndex;
      FPlaces[place]->SetPrimary(index::IsSameIndexName(
          name, index::SystemIndexName(index::TVxbSystemIndex::Primary, 0, GetName(), FLevel)));
    }
    OpenIndex(place);
    return place;
  };
  FInrIndexNo = FIdIndexNo = FPrimIndexNo = kNoIndex;
  if (FRecordIdFieldNo > 0) {
    FInrIndexNo = setUp(index::SystemIndexName(index::TVxbSystemIndex::Id, 0, GetName(), FLevel));
    const auto* recordId = dynamic_cast<const TVxbRecordIdColumnDef*>(Column(FRecordIdFieldNo));
    if (recordId && !recordId->IndexSpec().empty()) {
      FIdIndexNo = setUp(index::SystemIndexName(index::TVxbSystemIndex::Inr, 0, GetName(), FLevel));
      const index::TVxbIndexFile* indication = GetIndexFile(FIdIndexNo);
      if (force && (!indication || !indication->IsOpen)) FIdIndexNo = FInrIndexNo;
    }
  }
  if (FLevel >= 4) {
    for (const auto& key : FKeyDefs) {
      const std::u16string name =
          key.Primary ? index::SystemIndexName(index::TVxbSystemIndex::Primary, 0, GetName(), FLevel) : u"sys_" + key.Name;
      const int place = setUp(name);
      if (key.Primary) FPrimIndexNo = place;
    }
  }
}

void TVxbBaseTable::CloseIndexes() noexcept {
  FPlaces.CloseAll();
  FInrIndexNo = FIdIndexNo = FPrimIndexNo = kNoIndex;
}

// --- entries ---

size_t TVxbBaseTable::BuildEntry(const index::TVxbIndexFile& index, const uint8_t* rec, int32_t recNo,
                                 types::TVxbLongIndexInfo& entry) const {
  // A calculated index needs the expression compiler, which this table does
  // not have: it takes no entries.
  if (index.GetCalculated()) return 0;
  return 4 + types::BuildIndexKey(index.GetKeyLayout(), rec, recNo, entry);
}

size_t TVxbBaseTable::BuildIndexEntry(int indexNo, const uint8_t* rec, int32_t recNo,
                                      types::TVxbLongIndexInfo& entry) const {
  const index::TVxbIndexFile* index = GetIndexFile(indexNo);
  return index ? BuildEntry(*index, rec, recNo, entry) : 0;
}

int16_t TVxbBaseTable::CheckUnique(const uint8_t* rec, int32_t recNo) {
  for (int place = 0; place <= FPlaces.Last(); ++place) {
    index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index) continue;
    if (!index->IsOpen && OpenIndex(place) < 0) return Fail(errors::vxbErrIndexCorrupt, {index->GetName()});
    if (!index->GetMustBeUnique()) continue;
    types::TVxbLongIndexInfo& entry = *FEntry;
    if (BuildEntry(*index, rec, recNo, entry) == 0) continue;
    if (const int16_t result = index::CheckUniqueEntry(*index, FColumnsView, entry, recNo); result < 0) return result;
  }
  return 0;
}

int16_t TVxbBaseTable::AddKeys(const uint8_t* rec, int32_t recNo) {
  for (int place = 0; place <= FPlaces.Last(); ++place) {
    index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index || !index->IsOpen) continue;
    types::TVxbLongIndexInfo& entry = *FEntry;
    const size_t size = BuildEntry(*index, rec, recNo, entry);
    if (size == 0) continue;
    if (index->Add_Index(entry, size) < 0) {
      RemoveKeys(rec, recNo, place);
      return Fail(errors::vxbErrIndexInsert, {index->GetName()});
    }
  }
  return 0;
}

void TVxbBaseTable::RemoveKeys(const uint8_t* rec, int32_t recNo, int upToPlace) {
  for (int place = 0; place < upToPlace && place <= FPlaces.Last(); ++place) {
    index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index || !index->IsOpen) continue;
    types::TVxbLongIndexInfo& entry = *FEntry;
    if (BuildEntry(*index, rec, recNo, entry) > 0) index->Loesche_Index(entry);
  }
}

void TVxbBaseTable::MoveKeys(const uint8_t* rec, int32_t fromRecNo, int32_t toRecNo) {
  for (int place = 0; place <= FPlaces.Last(); ++place) {
    index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index || !index->IsOpen) continue;
    types::TVxbLongIndexInfo& entry = *FEntry;
    if (BuildEntry(*index, rec, fromRecNo, entry) == 0) continue;
    index->Loesche_Index(entry);
    const size_t size = BuildEntry(*index, rec, toRecNo, entry);
    index->Add_Index(entry, size);
  }
}

void TVxbBaseTable::ReplaceKeys(const uint8_t* rec, const uint8_t* orig, int32_t recNo) {
  for (int place = 0; place <= FPlaces.Last(); ++place) {
    index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index || !index->IsOpen) continue;
    types::TVxbLongIndexInfo& fresh = *FEntry;
    types::TVxbLongIndexInfo& old = *FOldEntry;
    const size_t freshSize = BuildEntry(*index, rec, recNo, fresh);
    const size_t oldSize = BuildEntry(*index, orig, recNo, old);
    if (freshSize == oldSize && (freshSize == 0 || std::memcmp(fresh.Key, old.Key, freshSize - 4) == 0)) continue;
    // A failure of one index leaves the others to be kept up.
    if (oldSize > 0) index->Loesche_Index(old);
    if (freshSize > 0) index->Add_Index(fresh, freshSize);
  }
}

// --- record ids through the record id index ---

int32_t TVxbBaseTable::FindRecordId(int32_t recordId) {
  index::TVxbIndexFile* index = GetIndexFile(FInrIndexNo);
  if (!index || FRecordIdFieldNo <= 0) return kNoRecord;
  if (!index->IsOpen && OpenIndex(FInrIndexNo) < 0) return kNoRecord;
  std::vector<uint8_t> rec(static_cast<size_t>(GetRecordSize()), 0);
  SetRecordId(rec.data(), recordId);
  types::TVxbLongIndexInfo& probe = *FEntry;
  types::TVxbLongIndexInfo& key = *FOldEntry;
  const size_t size = BuildEntry(*index, rec.data(), 0, probe);
  std::memcpy(&key, &probe, size);
  if (index->Suche_Index(probe) != 0) return kNoRecord;
  if (std::memcmp(probe.Key, key.Key, size - 4) != 0) return kNoRecord;
  return probe.DateiVerweis;
}

}  // namespace vexilo::storage
