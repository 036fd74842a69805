#include "engine/api/calls/relation_calls.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "engine/api/calls/fixed_text.h"
#include "engine/api/calls/index_description.h"
#include "engine/api/calls/relation_lookup.h"
#include "engine/errors/caller_buffer.h"
#include "engine/errors/error_codes.h"
#include "engine/index/index_file.h"
#include "engine/index/index_names.h"
#include "engine/storage/columns/column_index_view.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"

namespace vexilo::api {

namespace {

using calls::OnRelation;
using calls::TextArg;
using calls::TRelationTarget;

constexpr int16_t kInvalidRelation = errors::vxbResInvalidRelationHandle;
constexpr int16_t kEngineException = errors::vxbResEngineException;

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<int32_t>::max()));
}

// The size of every file of the table that is open now.
int64_t OpenFilesSize(storage::TVxbBaseTable& table) {
  int64_t size = table.StorageSize();
  if (table.Memo() != nullptr) size += table.Memo()->GetFileSize();
  if (table.Blob() != nullptr) size += table.Blob()->GetFileSize();
  for (int indexNo = 0; indexNo <= table.LastIndexNo(); ++indexNo) {
    const index::TVxbIndexFile* indexFile = table.GetIndexFile(indexNo);
    if (indexFile != nullptr && indexFile->IsOpen && indexFile->Storage().IsOpen()) {
      size += indexFile->Storage().GetSize();
    }
  }
  return size;
}

// The place of the index `indexName` names, or -1.
int FindIndex(const TRelationTarget& target, const char16_t* indexName) {
  return target.Table.FindIndexNo(TextArg(indexName));
}

}  // namespace

int16_t VxbRltnGetTableInfo(TVxbRltnHdl rltnHdl, TVxbTableInfo& tableInfo) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    tableInfo = TVxbTableInfo{};
    calls::SetFixedText(tableInfo.FileName, target.Table.FileName());
    tableInfo.Level = target.Table.GetLevel();
    calls::SetFixedText(tableInfo.Language, target.Table.CollationName());
    // Tables stored with a cipher do not open.
    tableInfo.EncryptionMethod = temNone;
    tableInfo.Capacity = target.Table.Capacity();
    return 0;
  });
}

int16_t VxbRltnGetInfo(TVxbRltnHdl rltnHdl, TVxbRltnInfo& rltnInfo) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    storage::TVxbBaseTable& table = target.Table;
    rltnInfo = TVxbRltnInfo{};
    rltnInfo.nRecs = std::max(0, table.GetRecordCount());
    rltnInfo.nFields = table.ColumnCount();
    rltnInfo.RecSize = table.GetRecordSize();
    rltnInfo.FSize = ClampToInt32(table.StorageSize());
    rltnInfo.TotalSize = ClampToInt32(OpenFilesSize(table));
    rltnInfo.MemoOkay = table.HasMemo() && table.Memo() != nullptr ? 1 : 0;
    rltnInfo.BlobOkay = table.HasBlob() && table.Blob() != nullptr ? 1 : 0;
    return 0;
  });
}

int16_t VxbRltnGetIndexNames(TVxbRltnHdl rltnHdl, char16_t* names, int32_t maxLen) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    std::u16string list;
    for (int indexNo = 0; indexNo <= target.Table.LastIndexNo(); ++indexNo) {
      const index::TVxbIndexFile* indexFile = target.Table.GetIndexFile(indexNo);
      if (indexFile == nullptr || indexFile->GetKind() == index::tikTemporary) continue;
      if (!list.empty()) list += u',';
      list += indexFile->GetName();
    }
    errors::CopyToCallerBuffer(list, names, maxLen);
    return 0;
  });
}

int16_t VxbRltnGetIndexDesc(TVxbRltnHdl rltnHdl, const char16_t* name, char16_t* desc, int32_t maxLen, bool readable,
                            bool includeLen) {
  // Both forms name the columns: the dataset layer reads key fields from
  // either.
  (void)readable;
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    const int indexNo = FindIndex(target, name);
    if (indexNo < 0) return errors::vxbResNoSuchIndex;
    if (target.Table.OpenIndex(indexNo) < 0) return errors::vxbResIndexNotAvailable;
    const index::TVxbIndexFile& indexFile = *target.Table.GetIndexFile(indexNo);
    const storage::TVxbColumnDefsIndexView columns(target.Table.ColumnDefs());
    errors::CopyToCallerBuffer(calls::IndexDescription(indexFile.GetIndexDefinition(), columns, includeLen), desc,
                               maxLen);
    if (indexFile.GetIsPrimary() || indexNo == target.Table.PrimIndexNo()) return 2;
    return indexFile.GetMustBeUnique() ? 1 : 0;
  });
}

int16_t VxbRltnGetRealIndexName(TVxbRltnHdl rltnHdl, const char16_t* indexName, char16_t* realIndexName,
                                int32_t maxLen) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    const int indexNo = FindIndex(target, indexName);
    if (indexNo < 0) return errors::vxbResNoSuchIndex;
    errors::CopyToCallerBuffer(target.Table.GetIndexFile(indexNo)->GetName(), realIndexName, maxLen);
    return 0;
  });
}

int16_t VxbRltnGetName(TVxbRltnHdl rltnHdl, char16_t* name, int32_t textLen, bool fullName) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    errors::CopyToCallerBuffer(fullName ? target.Table.FileName() : target.Table.GetName(), name, textLen);
    return 0;
  });
}

int32_t VxbRltnRecordCount(TVxbRltnHdl rltnHdl) {
  return OnRelation(
      rltnHdl, int32_t{errors::vxbResInvalidTableHandle}, int32_t{kEngineException},
      [&](const TRelationTarget& target) -> int32_t { return std::max(0, target.Table.GetRecordCount()); });
}

int16_t VxbRltnClose(TVxbRltnHdl rltnHdl) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    const int16_t result = target.Catalog().TryCloseRelation(target.RltnIdx, true, true);
    return result < 0 ? static_cast<int16_t>(errors::vxbResCannotDeleteTable) : int16_t{0};
  });
}

int16_t VxbRltnActivateEditLocks(TVxbRltnHdl rltnHdl, bool value) {
  return OnRelation(rltnHdl, int16_t{errors::vxbResInvalidSessionHandle}, int16_t{errors::vxbResEngineFailure},
                    [&](const TRelationTarget& target) -> int16_t {
                      // Refused while a record is being edited.
                      return target.Table.SetUseEditLocks(value) ? int16_t{0}
                                                                 : int16_t{errors::vxbResEngineFailure};
                    });
}

int16_t VxbRltnGetCheckCount(TVxbRltnHdl rltnHdl) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    return static_cast<int16_t>(std::min<size_t>(target.Table.Checks().size(), std::numeric_limits<int16_t>::max()));
  });
}

int16_t VxbRltnGetCheckSpec(TVxbRltnHdl rltnHdl, int16_t index, char16_t* name, int32_t nameMaxLen, char16_t* check,
                            int32_t checkMaxLen) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    const std::vector<storage::TVxbCheckDef>& checks = target.Table.Checks();
    if (index < 1 || static_cast<size_t>(index) > checks.size()) return errors::vxbResUnknownColumn;
    const storage::TVxbCheckDef& def = checks[static_cast<size_t>(index) - 1];
    errors::CopyToCallerBuffer(def.Name, name, nameMaxLen);
    errors::CopyToCallerBuffer(def.Condition.StoredForm(), check, checkMaxLen);
    return 0;
  });
}

int16_t VxbRltnCreateIndex(TVxbRltnHdl rltnHdl, const char16_t* indexName, const char16_t* specification, bool unique) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    const std::u16string name(TextArg(indexName));
    // The engine's own indexes (record id, links, keys, temporary ones) are
    // made by the table alone: a caller's index with such a name would be
    // taken for one of them.
    if (index::IsReservedIndexName(name) || index::GetIndexKind(name, target.Table.GetLevel()) != index::tikUser) {
      target.Services().SetLastError(errors::vxbErrInvalidIndexName, {name});
      return kEngineException;
    }
    return target.Table.NewIndex(name, TextArg(specification), unique) < 0 ? kEngineException : int16_t{0};
  });
}

int16_t VxbRltnDeleteIndex(TVxbRltnHdl rltnHdl, const char16_t* indexName) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    const int indexNo = FindIndex(target, indexName);
    if (indexNo < 0) return errors::vxbResNoSuchIndex;
    return target.Table.DeleteIndex(indexNo) < 0 ? kEngineException : int16_t{0};
  });
}

int16_t VxbRltnRefreshIndex(TVxbRltnHdl rltnHdl, const char16_t* indexName) {
  return OnRelation(rltnHdl, kInvalidRelation, kEngineException, [&](const TRelationTarget& target) -> int16_t {
    if (TextArg(indexName).empty()) return target.Table.RegenIndex() < 0 ? kEngineException : int16_t{0};
    const int indexNo = FindIndex(target, indexName);
    if (indexNo < 0) return errors::vxbResNoSuchIndex;
    return target.Table.RegenIndex(indexNo) < 0 ? kEngineException : int16_t{0};
  });
}

}  // namespace vexilo::api
