#include "engine/api/calls/table_calls.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/api/calls/call_guard.h"
#include "engine/api/calls/cursor_table.h"
#include "engine/api/calls/link_text.h"
#include "engine/api/calls/session_cursor_host.h"
#include "engine/api/catalog.h"
#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "engine/cursor/cursor.h"
#include "engine/errors/caller_buffer.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/columns/column_def.h"
#include "engine/storage/columns/column_defs.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/table/base_table.h"
#include "engine/types/enum_type.h"
#include "engine/types/string_type.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

using calls::Guarded;
using calls::TCursorTable;
using calls::TextArg;
using cursor::TVxbCursor;

constexpr int16_t kInvalidTable = -101;
constexpr int16_t kInvalidRelation = -17;
constexpr int16_t kEngineFailure = -100;
constexpr int16_t kNoFreeSlot = -2;
constexpr int16_t kUnknownColumn = -10;
constexpr int16_t kInvalidAccess = -15;
constexpr int16_t kCannotDelete = -20;
constexpr int16_t kCannotWrite = -25;
constexpr int16_t kReadOnly = -30;
constexpr int16_t kAccessNotPossible = -31;
constexpr int16_t kInvalidCondition = -44;
constexpr int16_t kTableLocked = -47;
constexpr int16_t kWrongEditState = -57;
constexpr int16_t kNoSuchRecord = -11;

// What the call layer keeps per table handle besides the cursor: the
// content prepared for reading and the table locks taken through the handle.
struct THandleState {
  int32_t PreparedBlobSize = -1;
  int32_t ReadLocks = 0;
  int32_t WriteLocks = 0;
};
std::array<THandleState, TCursorTable::kSlotCount + 1> handleStates;

THandleState& StateOf(TVxbTableHdl tableHdl) { return handleStates[static_cast<size_t>(tableHdl)]; }

// Runs `body(cursor)` for a valid handle, guarded: -101 for an invalid one,
// `failure` when the body throws.
template <typename Result, typename Body>
Result TableCall(TVxbTableHdl tableHdl, Result failure, Body&& body) noexcept {
  TVxbCursor* cursor = TCursorTable::Instance().Get(tableHdl);
  if (cursor == nullptr) return kInvalidTable;
  return Guarded<Result>(&cursor->Host().Services(), failure, [&]() -> Result { return body(*cursor); });
}

bool IsContentColumn(int16_t typeCode) {
  return typeCode == types::vxbMemo || typeCode == types::vxbBlob || typeCode == types::vxbWideMemo;
}

// The type parameter the column description reports.
int32_t TypeParameter(const storage::TVxbColumnDef& column) {
  switch (column.TypeCode()) {
    case types::vxbString:
    case types::vxbWideString:
      return static_cast<const types::TVxbStringType*>(column.DataType())->MaxLength();
    case types::vxbFloat:
      return static_cast<const storage::TVxbNumberColumnDef&>(column).Scale();
    case types::vxbTime:
      return static_cast<const storage::TVxbTimeColumnDef&>(column).Precision();
    default:
      return column.Size();
  }
}

std::u16string SelectOrLinkOf(const storage::TVxbColumnDef& column) {
  switch (column.TypeCode()) {
    case types::vxbEnum: {
      std::u16string names;
      for (const std::u16string& name : static_cast<const storage::TVxbEnumColumnDef&>(column).ValueNames()) {
        if (!names.empty()) names += u',';
        names += name;
      }
      return names;
    }
    case types::vxbLink:
    case types::vxbRelation:
      return static_cast<const storage::TVxbAdlColumnDef&>(column).LinkedTable();
    default:
      return {};
  }
}

// A record buffer of the relation's size holding `buffer`'s first
// `bufferSize` bytes over a fresh record, for callers with a short buffer.
std::vector<uint8_t> FullRecord(TVxbCursor& cursor, const uint8_t* buffer, int32_t bufferSize) {
  std::vector<uint8_t> record(static_cast<size_t>(cursor.Accessor().RecordSize()));
  cursor.Relation().InitRecord(record.data(), false);
  if (buffer != nullptr && bufferSize > 0) {
    std::memcpy(record.data(), buffer, std::min(record.size(), static_cast<size_t>(bufferSize)));
  }
  return record;
}

// Whether the relation is open with the append, edit or delete right.
bool CanModify(TVxbCursor& cursor) {
  constexpr uint16_t kModifyRights = storage::kRightAppend | storage::kRightEdit | storage::kRightDelete;
  return (cursor.Relation().Rights() & kModifyRights) != 0;
}

void ReleaseHandleLocks(TVxbCursor& cursor, THandleState& state) {
  for (; state.ReadLocks > 0; --state.ReadLocks) cursor.Relation().EndRead();
  for (; state.WriteLocks > 0; --state.WriteLocks) cursor.Relation().EndWrite();
}

}  // namespace

// --- life ---

TVxbTableHdl VxbTableCreate(TVxbRltnHdl rltnHdl, const char16_t* name) {
  if (rltnHdl < 1) return kInvalidRelation;
  const auto sessionHdl = static_cast<int16_t>((rltnHdl >> 8) + 1);
  const auto rltnIdx = static_cast<int16_t>(rltnHdl & 0xFF);
  TVxbLocalSession* session = TSessionList::Instance().GetLocalSession(sessionHdl);
  if (session == nullptr || !session->GetIsOpen() || session->Catalog() == nullptr ||
      !session->Catalog()->IsActiveRltnIdx(rltnIdx)) {
    return kInvalidRelation;
  }
  return Guarded<int16_t>(session->Services(), kEngineFailure, [&]() -> int16_t {
    const int16_t handle = TCursorTable::Instance().Add(
        sessionHdl, [&](int16_t newHandle, std::unique_ptr<cursor::TVxbCursorHost>& host,
                        std::unique_ptr<TVxbCursor>& made) -> int16_t {
          host = std::make_unique<calls::TSessionCursorHost>(*session);
          made = std::make_unique<TVxbCursor>(newHandle, *host, rltnIdx, std::u16string(TextArg(name)));
          const int16_t opened = made->Open();
          return opened < 0 ? kEngineFailure : 0;
        });
    if (handle > 0) StateOf(handle) = THandleState();
    return handle == -2 ? kNoFreeSlot : handle;
  });
}

int16_t VxbTableDelete(TVxbTableHdl tableHdl) {
  TVxbCursor* cursor = TCursorTable::Instance().Get(tableHdl);
  if (cursor == nullptr) return kInvalidTable;
  TVxbLocalSession* session = TSessionList::Instance().GetLocalSession(TCursorTable::Instance().SessionOf(tableHdl));
  return Guarded<int16_t>(&cursor->Host().Services(), kEngineFailure, [&]() -> int16_t {
    ReleaseHandleLocks(*cursor, StateOf(tableHdl));
    StateOf(tableHdl) = THandleState();
    TCursorTable::Instance().Remove(tableHdl);
    // A temporary relation the cursor was the last to use goes with it.
    if (session != nullptr && session->Catalog() != nullptr) session->Catalog()->CloseUnneededTables(true, false);
    return 0;
  });
}

TVxbRltnHdl VxbTableGetRltnHdl(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [](TVxbCursor& cursor) { return static_cast<int16_t>(cursor.RltnHdl()); });
}

// --- columns ---

int16_t VxbTableGetNumFields(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [](TVxbCursor& cursor) { return static_cast<int16_t>(cursor.Relation().ColumnCount()); });
}

int16_t VxbTableGetFieldSpec(TVxbTableHdl tableHdl, int16_t index, TVxbFieldSpec* fieldSpec) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const storage::TVxbColumnDef* column = cursor.Relation().ColumnDefs().GetColumnDef(index);
    if (column == nullptr || index < 1) return kUnknownColumn;
    if (fieldSpec == nullptr) return 0;
    *fieldSpec = TVxbFieldSpec();
    fieldSpec->No = index;
    errors::CopyToCallerBuffer(column->Name(), fieldSpec->Name, 40);
    fieldSpec->Options = static_cast<uint8_t>(column->Options());
    if (column->Calculation()) {
      errors::CopyToCallerBuffer(column->Calculation()->StoredForm(), fieldSpec->RangeOrFormula, 255);
    }
    errors::CopyToCallerBuffer(SelectOrLinkOf(*column), fieldSpec->SelectOrLink, 2000);
    fieldSpec->FldType = column->TypeCode();
    fieldSpec->Param = TypeParameter(*column);
    fieldSpec->InternalPosition = static_cast<int16_t>(column->Position());
    fieldSpec->InternalSize = static_cast<int16_t>(column->Size());
    return 0;
  });
}

int16_t VxbTableGetDataType(TVxbTableHdl tableHdl, int16_t fieldNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const storage::TVxbColumnDef* column = cursor.Relation().ColumnDefs().GetColumnDef(fieldNo);
    return column == nullptr || fieldNo < 1 ? kUnknownColumn : column->TypeCode();
  });
}

int16_t VxbTableGetFieldNo(TVxbTableHdl tableHdl, const char16_t* name) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const std::u16string_view text = TextArg(name);
    if (text.empty() || text.find(u'.') != std::u16string_view::npos) return 0;
    return static_cast<int16_t>(cursor.Relation().ColumnDefs().Find(text));
  });
}

int16_t VxbTableGetRecordSize(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [](TVxbCursor& cursor) { return static_cast<int16_t>(cursor.Accessor().RecordSize()); });
}

int16_t VxbTableGetRltnVersion(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) { return cursor.Relation().GetLevel(); });
}

int16_t VxbTableCanModify(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [](TVxbCursor& cursor) -> int16_t { return CanModify(cursor) ? 1 : 0; });
}

int16_t VxbTableGetEnumValue(TVxbTableHdl tableHdl, int16_t fieldNo, const char16_t* enumStr) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const storage::TVxbColumnDef* column = cursor.Relation().ColumnDefs().GetColumnDef(fieldNo);
    if (column == nullptr || column->TypeCode() != types::vxbEnum) return kUnknownColumn;
    const types::TVxbEnumItem* item =
        static_cast<const types::TVxbEnumType*>(column->DataType())->FindName(TextArg(enumStr));
    return item != nullptr ? static_cast<int16_t>(item->Value) : int16_t{0};
  });
}

int16_t VxbTableGetLinkInfo1(TVxbTableHdl tableHdl, int16_t fieldNo, int32_t recordId, char16_t* text,
                             int32_t maxLen) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const storage::TVxbColumnDef* column = cursor.Relation().ColumnDefs().GetColumnDef(fieldNo);
    if (column == nullptr || column->TypeCode() != types::vxbLink) return kUnknownColumn;
    TVxbLocalSession* session = TSessionList::Instance().GetLocalSession(TCursorTable::Instance().SessionOf(tableHdl));
    std::u16string linkText;
    if (session != nullptr && session->Catalog() != nullptr) {
      linkText = calls::LinkDisplayText(*session->Catalog(), cursor.Relation(),
                                        static_cast<const storage::TVxbAdlColumnDef&>(*column), recordId,
                                        cursor.Host().LockingTimeout());
    }
    errors::CopyToCallerBuffer(linkText, text, maxLen);
    return 0;
  });
}

// --- order and range ---

int16_t VxbTableSetIndex(TVxbTableHdl tableHdl, const char16_t* indexName, bool reverse) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const int16_t result = cursor.SetIndex(TextArg(indexName), reverse);
    return result == -16 || result >= 0 ? result : kEngineFailure;
  });
}

int16_t VxbTableSetSortOrder(TVxbTableHdl tableHdl, const char16_t* sortOrder) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const int16_t result = cursor.SetSortOrder(TextArg(sortOrder));
    return result < 0 ? static_cast<int16_t>(-18) : result;
  });
}

int16_t VxbTableGetAccess(TVxbTableHdl tableHdl, char16_t* accessName, int32_t textLen) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    errors::CopyToCallerBuffer(cursor.GetAccessName(), accessName, textLen);
    return 0;
  });
}

int16_t VxbTableSetRange(TVxbTableHdl tableHdl, const uint8_t* rangeLower, const uint8_t* rangeUpper,
                         int32_t bufferSize, int16_t fieldCountStart, int16_t fieldCountEnd) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const bool shortBuffers = bufferSize < cursor.Accessor().RecordSize();
    std::vector<uint8_t> lower, upper;
    if (shortBuffers && rangeLower != nullptr) lower = FullRecord(cursor, rangeLower, bufferSize);
    if (shortBuffers && rangeUpper != nullptr) upper = FullRecord(cursor, rangeUpper, bufferSize);
    const int16_t result = cursor.SetUserRange(lower.empty() ? rangeLower : lower.data(),
                                               upper.empty() ? rangeUpper : upper.data(), fieldCountStart,
                                               fieldCountEnd);
    if (result == -15) return kInvalidAccess;
    return result < 0 ? kEngineFailure : result;
  });
}

int16_t VxbTableClearRange(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    cursor.ClearUserRange();
    return 0;
  });
}

// --- moves ---

int32_t VxbTableFirst(TVxbTableHdl tableHdl) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int32_t { return cursor.First(); });
}

int32_t VxbTableLast(TVxbTableHdl tableHdl) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int32_t { return cursor.Last(); });
}

int32_t VxbTableMoveBy(TVxbTableHdl tableHdl, int32_t delta) {
  return TableCall<int32_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) -> int32_t { return cursor.MoveBy(delta); });
}

int32_t VxbTableGetRecNo(TVxbTableHdl tableHdl) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) { return cursor.GetRecordNo(); });
}

int32_t VxbTableSetRecNo(TVxbTableHdl tableHdl, int32_t recNo) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) { return cursor.SetRecordNo(recNo); });
}

int32_t VxbTableGetSequenceNo(TVxbTableHdl tableHdl) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) { return cursor.GetSequenceNo(); });
}

int32_t VxbTableSetSequenceNo(TVxbTableHdl tableHdl, int32_t sequenceNo) {
  return TableCall<int32_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) { return cursor.SetSequenceNo(sequenceNo); });
}

int16_t VxbTableIsSequenced(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) { return cursor.IsSequenced(); });
}

int32_t VxbTableGetRowCount(TVxbTableHdl tableHdl) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) { return cursor.GetRowCount(); });
}

// --- searches and filters ---

int32_t VxbTableLocateRec2(TVxbTableHdl tableHdl, const char16_t* indexName, const uint8_t* recordBuffer,
                           int16_t indexItemCount, bool* exactMatch) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int32_t {
    bool exact = false;
    if (exactMatch != nullptr) *exactMatch = false;
    if (recordBuffer == nullptr) return kEngineFailure;
    const int32_t found = cursor.LocateRec2(TextArg(indexName), recordBuffer, indexItemCount, exact);
    if (exactMatch != nullptr) *exactMatch = exact;
    return found;
  });
}

int16_t VxbTableLocateRec3(TVxbTableHdl tableHdl, const char16_t* searchCondition, int32_t mode) {
  return TableCall<int16_t>(tableHdl, kInvalidCondition, [&](TVxbCursor& cursor) -> int16_t {
    const int16_t result = cursor.Locate(TextArg(searchCondition), mode);
    return result < 0 ? kInvalidCondition : result;
  });
}

int16_t VxbTableSetSQLFilter(TVxbTableHdl tableHdl, const char16_t* sqlFilter, int32_t mode, bool background) {
  return TableCall<int16_t>(tableHdl, kInvalidCondition, [&](TVxbCursor& cursor) -> int16_t {
    const int16_t result = cursor.SetUserSqlFilter(TextArg(sqlFilter), mode, background);
    return result < 0 ? kInvalidCondition : 0;
  });
}

int16_t VxbSessTokenizeSelection(TVxbSessHdl sessionHdl, TVxbTableHdl tableHdl, const char16_t* condition,
                                 int32_t* selectionNo) {
  return TableCall<int16_t>(tableHdl, kInvalidCondition, [&](TVxbCursor& cursor) -> int16_t {
    if (cursor.Host().SessionHdl() != sessionHdl) return kInvalidTable;
    const int32_t number = cursor.TokenizeSelection(TextArg(condition));
    if (selectionNo != nullptr) *selectionNo = number;
    return 0;
  });
}

int16_t VxbTableEvaluateSelection(TVxbTableHdl tableHdl, int32_t selectionNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) -> int16_t { return cursor.EvaluateSelection(selectionNo); });
}

int16_t VxbTableFreeSelection(TVxbTableHdl tableHdl, int32_t selectionNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) -> int16_t { return cursor.FreeSelection(selectionNo); });
}

int16_t VxbTableActivateFilter(TVxbTableHdl tableHdl, bool active) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    if (active) {
      cursor.ActivateFilter();
    } else {
      cursor.DeactivateFilter();
    }
    return 0;
  });
}

int16_t VxbTableSetWordFilter(TVxbTableHdl tableHdl, const char16_t* fulltextIndexName, const char16_t* words,
                              int32_t mode) {
  (void)words;
  (void)mode;
  return TableCall<int16_t>(tableHdl, kInvalidCondition, [&](TVxbCursor& cursor) -> int16_t {
    cursor.Host().Services().SetLastError(errors::vxbErrNotSupported,
                                          {u"full-text index " + std::u16string(TextArg(fulltextIndexName))});
    return kInvalidCondition;
  });
}

int16_t VxbTableRefresh(TVxbTableHdl tableHdl, bool checkNet) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) { return cursor.Refresh(checkNet); });
}

int16_t VxbTableCompareBookmarks(TVxbTableHdl tableHdl, const char16_t* indexName, int32_t bookmark1,
                                 int32_t bookmark2) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) {
    return cursor.CompareBookmarks(TextArg(indexName), bookmark1, bookmark2);
  });
}

// --- records ---

int16_t VxbTableGetRecord(TVxbTableHdl tableHdl, uint8_t* buffer, int32_t recBufSize) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    if (buffer == nullptr || recBufSize <= 0) return 0;
    cursor::TVxbAccessor& accessor = cursor.Accessor();
    if (recBufSize >= accessor.RecordSize()) {
      accessor.GetRecord(buffer);
      accessor.MarkPendingContents(buffer);
      return 0;
    }
    std::vector<uint8_t> record(static_cast<size_t>(accessor.RecordSize()));
    accessor.GetRecord(record.data());
    accessor.MarkPendingContents(record.data());
    std::memcpy(buffer, record.data(), static_cast<size_t>(recBufSize));
    return 0;
  });
}

int16_t VxbTableSetRecord(TVxbTableHdl tableHdl, const uint8_t* buffer, int32_t recBufSize) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    if (buffer == nullptr || recBufSize <= 0) return 0;
    cursor::TVxbAccessor& accessor = cursor.Accessor();
    if (recBufSize >= accessor.RecordSize()) {
      accessor.SetRecord(buffer);
    } else {
      // A short buffer changes only the bytes it holds.
      std::vector<uint8_t> record(static_cast<size_t>(accessor.RecordSize()));
      accessor.GetRecord(record.data());
      std::memcpy(record.data(), buffer, static_cast<size_t>(recBufSize));
      accessor.SetRecord(record.data());
    }
    accessor.ClearContentMarks();
    return 0;
  });
}

int16_t VxbTableAppend(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [](TVxbCursor& cursor) -> int16_t { return cursor.Append() < 0 ? kCannotWrite : 0; });
}

int16_t VxbTableAppendDuplicate(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    return cursor.Accessor().AppendDuplicate() < 0 ? kCannotWrite : 0;
  });
}

int16_t VxbTableAppendConfirm(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    if (cursor.Accessor().EditState() != cursor::esAppend) return kWrongEditState;
    return cursor.AppendConfirm() < 0 ? kCannotWrite : 0;
  });
}

int16_t VxbTableAppendCancel(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    if (cursor.Accessor().EditState() != cursor::esAppend) return kWrongEditState;
    cursor.Accessor().Cancel();
    return 0;
  });
}

int16_t VxbTableEdit(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    return cursor.Accessor().Edit() < 0 ? kAccessNotPossible : 0;
  });
}

int16_t VxbTableEditConfirm(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    if (cursor.Accessor().EditState() != cursor::esEdit) return kWrongEditState;
    return cursor.EditConfirm() < 0 ? kCannotWrite : 0;
  });
}

int16_t VxbTableEditCancel(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    cursor.Accessor().Cancel();
    return 0;
  });
}

int16_t VxbTableDeleteRecord(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [](TVxbCursor& cursor) -> int16_t { return cursor.DeleteRecord() < 0 ? kCannotDelete : 0; });
}

int32_t VxbTableGetAutoNo(TVxbTableHdl tableHdl) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int32_t {
    if (!cursor.Relation().HasRecordId()) return 0;
    return cursor.Accessor().GetRecordId();
  });
}

int16_t VxbTableSetAutoNo(TVxbTableHdl tableHdl, int32_t autoNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    if (dynamic_cast<storage::TVxbBaseTable*>(&cursor.Relation()) == nullptr) return kInvalidTable;
    if (cursor.Relation().HasRecordId()) cursor.Accessor().SetRecordId(autoNo);
    return 0;
  });
}

int16_t VxbTableSetNextRecordId(TVxbTableHdl tableHdl, int16_t fieldNo, int32_t recordId) {
  (void)fieldNo;
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    auto* table = dynamic_cast<storage::TVxbBaseTable*>(&cursor.Relation());
    if (table == nullptr) return kInvalidRelation;
    const int16_t result = table->SetNextRecordId(recordId);
    return result < 0 ? kEngineFailure : 0;
  });
}

int16_t VxbTableEmpty(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    if (!CanModify(cursor)) return kReadOnly;
    cursor.Accessor().Cancel();
    if (cursor.Relation().ClearDat() < 0) return kEngineFailure;
    cursor.Refresh(false);
    return 0;
  });
}

// --- contents ---

int32_t VxbTableInitGetBlob(TVxbTableHdl tableHdl, int16_t fieldNo, int32_t maxSize, int16_t* blobType) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int32_t {
    THandleState& state = StateOf(tableHdl);
    if (state.PreparedBlobSize >= 0) {
      cursor.Accessor().DoneGetBlob();
      state.PreparedBlobSize = -1;
    }
    if (fieldNo < 1 || fieldNo > cursor.Relation().ColumnCount()) return kUnknownColumn;
    int32_t type = 0;
    const int32_t size = cursor.Accessor().InitGetBlob(fieldNo, maxSize, type);
    if (blobType != nullptr) *blobType = static_cast<int16_t>(type);
    if (size < 0) return kEngineFailure;
    state.PreparedBlobSize = size;
    return size;
  });
}

int32_t VxbTablePerformGetBlob(TVxbTableHdl tableHdl, void* blobBuffer, int32_t size) {
  return TableCall<int32_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int32_t {
    THandleState& state = StateOf(tableHdl);
    if (state.PreparedBlobSize < 0) return kEngineFailure;
    const int32_t count = blobBuffer == nullptr ? 0 : std::clamp(size, 0, state.PreparedBlobSize);
    state.PreparedBlobSize = -1;
    const int16_t read = count > 0 ? cursor.Accessor().GetBlobChunk(0, count, blobBuffer) : 0;
    cursor.Accessor().DoneGetBlob();
    return read < 0 ? kEngineFailure : count;
  });
}

int16_t VxbTableSetBlob(TVxbTableHdl tableHdl, int16_t fieldNo, const void* blob, int32_t size) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const storage::TVxbColumnDef* column = cursor.Relation().ColumnDefs().GetColumnDef(fieldNo);
    if (fieldNo < 1 || column == nullptr || !IsContentColumn(column->TypeCode())) return kUnknownColumn;
    if (size < 0 || (column->TypeCode() == types::vxbWideMemo && size % 2 != 0)) return kUnknownColumn;
    if (cursor.Accessor().EditState() == cursor::esBrowse) return kWrongEditState;
    if (size > 0 && blob == nullptr) return kUnknownColumn;
    cursor::TVxbAccessor& accessor = cursor.Accessor();
    if (accessor.InitSetBlob(fieldNo, size) < 0) return kEngineFailure;
    if (size > 0 && accessor.SetBlobChunk(0, size, blob) < 0) {
      accessor.DoneSetBlob();
      return kEngineFailure;
    }
    accessor.DoneSetBlob();
    return 0;
  });
}

// --- table locks ---

int16_t VxbTableLock(TVxbTableHdl tableHdl, int16_t lockType, int32_t timeOut) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    THandleState& state = StateOf(tableHdl);
    const bool wait = timeOut != 0;
    if (lockType == 1) {
      if (cursor.Relation().BeginRead(wait) < 0) return kTableLocked;
      ++state.ReadLocks;
    } else {
      if (cursor.Relation().BeginWrite(wait) < 0) return kTableLocked;
      ++state.WriteLocks;
    }
    return 0;
  });
}

int16_t VxbTableUnlock(TVxbTableHdl tableHdl, int16_t lockType) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    THandleState& state = StateOf(tableHdl);
    if (lockType == 1 && state.ReadLocks > 0) {
      --state.ReadLocks;
      cursor.Relation().EndRead();
    } else if (lockType != 1 && state.WriteLocks > 0) {
      --state.WriteLocks;
      cursor.Relation().EndWrite();
    }
    return 0;
  });
}

int16_t VxbTableGetUsage(TVxbTableHdl tableHdl, TVxbTableUsage* tableUsage) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    auto* table = dynamic_cast<storage::TVxbBaseTable*>(&cursor.Relation());
    if (table == nullptr || table->LockFile() == nullptr) return kInvalidRelation;
    if (tableUsage == nullptr) return 0;
    storage::TVxbTableUsage usage;
    table->LockFile()->GetLockInfo(usage);
    *tableUsage = TVxbTableUsage();
    tableUsage->ItemCount = usage.ItemCount;
    tableUsage->UserCount = usage.UserCount;
    tableUsage->ReadCount = usage.ReadCount;
    tableUsage->UpgradeCount = usage.UpgradeCount;
    tableUsage->WriteCount = usage.WriteCount;
    tableUsage->WaitCount = usage.WaitCount;
    tableUsage->WaitWriteCount = usage.WaitWriteCount;
    tableUsage->UpdateCount = static_cast<int32_t>(usage.UpdateCount);
    const size_t users = std::min(usage.Sessions.size(), static_cast<size_t>(TVxbTableUsage::kMaxUsers));
    for (size_t i = 0; i < users; ++i) {
      const storage::TVxbSessionUsage& from = usage.Sessions[i];
      TVxbTableUserInfo& to = tableUsage->UserInfo[i];
      to.StationNo = from.StationNo;
      errors::CopyToCallerBuffer(from.Name, to.StationName, 40);
      to.InUse = from.InUse ? 1 : 0;
      to.Lock = from.Lock;
      to.EditRecNo = from.EditRecNo;
    }
    return 0;
  });
}

// --- marks ---

int16_t VxbTableAddMark(TVxbTableHdl tableHdl, int32_t recNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) -> int16_t { return cursor.AddMark(recNo) < 0 ? kNoSuchRecord : 0; });
}

int16_t VxbTableRemoveMark(TVxbTableHdl tableHdl, int32_t recNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) { return cursor.RemoveMark(recNo); });
}

int16_t VxbTableIsMarked(TVxbTableHdl tableHdl, int32_t recNo) {
  return TableCall<int16_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) -> int16_t { return cursor.IsMarked(recNo) ? 1 : 0; });
}

int16_t VxbTableUnmark(TVxbTableHdl tableHdl) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [](TVxbCursor& cursor) -> int16_t {
    cursor.Unmark();
    return 0;
  });
}

int32_t VxbTableGotoMark(TVxbTableHdl tableHdl, int32_t delta, bool restart) {
  return TableCall<int32_t>(tableHdl, kEngineFailure,
                            [&](TVxbCursor& cursor) { return cursor.GotoMark(delta, restart); });
}

int16_t VxbTableDeleteMarkedRecs(TVxbTableHdl tableHdl, const TVxbProgressProc& progress) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    const int16_t result = cursor.DeleteMarkedRecords(progress);
    if (result == kAccessNotPossible || result >= 0) return result;
    return kCannotDelete;
  });
}

int16_t VxbTableSetOnChangeProc(TVxbTableHdl tableHdl, TVxbTableOnChangeProc proc) {
  return TableCall<int16_t>(tableHdl, kEngineFailure, [&](TVxbCursor& cursor) -> int16_t {
    cursor.SetOnChangeProc(std::move(proc));
    return 0;
  });
}

}  // namespace vexilo::api
