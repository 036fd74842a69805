// The cursor's life, moves, order and range.
#include "engine/cursor/cursor.h"

#include "engine/cursor/condition/sql_condition.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/index_file.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "fs/text.h"

namespace vexilo::cursor {

namespace {

constexpr int16_t kNoSuchRecord = -11;
constexpr int16_t kReadingFailed = -201;

// The specification text of an index's key, as the cursor names its order:
// the column names separated by commas, descending ones with a "-".
std::u16string SpecificationOf(const storage::TVxbRelation& relation, const index::TVxbSortDef& def, bool reverse) {
  std::u16string text;
  for (const index::TVxbSortItem& item : def.Items) {
    if (!text.empty()) text += u',';
    if (item.Descending != reverse) text += u'-';
    const storage::TVxbColumnDef* column = relation.ColumnDefs().GetColumnDef(item.ColumnNo);
    text += column ? column->Name() : fs::u16(std::to_string(item.ColumnNo));
  }
  return text;
}

}  // namespace

TVxbCursor::TVxbCursor(int16_t tableHdl, TVxbCursorHost& host, int16_t rltnIdx, std::u16string name)
    : FHost(host), FRltnIdx(rltnIdx), FDFNo(host.RltnHdl(rltnIdx)), FTableHdl(tableHdl) {
  storage::TVxbRelation* relation = host.Relation(rltnIdx);
  if (relation == nullptr) throw errors::EVxbEngine(errors::vxbErrInvalidAccess, {});
  FAccessor = std::make_unique<TVxbAccessor>(*relation, std::move(name), host.LockingTimeout());
  FAccessor->OnRecordDeleted = [this](TVxbAccessor&, int32_t recNo, int32_t movedFrom) {
    OnRecordDeleted(recNo, movedFrom);
  };
  FAccessor->OnRelationChanged = [this](TVxbAccessor&) { FDirtyFlag = true; };
  FAccessor->OnRelationEmptied = [this](TVxbAccessor&) { FUserBookmarks->Clear(); };
}

TVxbCursor::~TVxbCursor() {
  Close();
  // The conditions refer to the accessors: they go first.
  FAccessor->SetFilter(nullptr);
  FActiveCondition.reset();
  FUserCondition.reset();
  FSearchAccessor.reset();
}

int16_t TVxbCursor::Open() {
  if (!FAccessor->IsOpen()) {
    if (const int16_t opened = FAccessor->Open(); opened < 0) return opened;
  }
  FActiveFilterKind = tfkNone;
  FOpen = true;
  return RebuildAccessPath();
}

void TVxbCursor::Close() {
  if (!FOpen) return;
  FAccessor->Cancel();
  FAccessor->SetFilter(nullptr);
  FActiveCondition.reset();
  FActiveFilterKind = tfkNone;
  FUserCondition.reset();
  FUserFilterKind = tfkNone;
  FOpen = false;
}

TVxbAccessor& TVxbCursor::SearchAccessor() {
  if (!FSearchAccessor) FSearchAccessor = TVxbAccessor::CreateClone(*FAccessor);
  return *FSearchAccessor;
}

// --- moves ---

int16_t TVxbCursor::MoveResult(int16_t accessorResult, bool storeError) {
  if (accessorResult >= 0) return accessorResult;
  if (accessorResult == -errors::vxbErrRecordNotFound) {
    if (storeError) FHost.Services().SetLastError(errors::vxbErrRecordNotFound, {});
    return kNoSuchRecord;
  }
  return kReadingFailed;
}

int16_t TVxbCursor::First() {
  Refresh(true);
  const int16_t result = FAccessor->First();
  return result == 0 ? 1 : MoveResult(result, false);
}

int16_t TVxbCursor::Last() {
  Refresh(true);
  const int16_t result = FAccessor->Last();
  return result == 0 ? 1 : MoveResult(result, true);
}

int16_t TVxbCursor::MoveBy(int32_t delta) { return MoveResult(FAccessor->MoveBy(delta), false); }

int32_t TVxbCursor::SetRecordNo(int32_t recordNo) {
  if (recordNo == -1) {
    FAccessor->ToBoT();
    return 0;
  }
  if (recordNo < -1) return kNoSuchRecord;
  const TVxbAccessor::TPosition start = FAccessor->Push();
  if (FAccessor->GotoRecord(recordNo) < 0) return kNoSuchRecord;
  if (FAccessor->IsValidRecord() == 1) return recordNo;
  FAccessor->Pop(start);
  return kNoSuchRecord;
}

int32_t TVxbCursor::SetSequenceNo(int32_t sequenceNo) {
  const int32_t result = FAccessor->GotoSequenceNo(sequenceNo);
  return result < 0 ? kNoSuchRecord : sequenceNo;
}

int32_t TVxbCursor::GetRowCount() { return FAccessor->GetRecordCount(); }

// --- order and range ---

int16_t TVxbCursor::SetIndex(std::u16string_view indexName, bool reverse) {
  std::u16string candidate;
  int indexNo = storage::kNoIndex;
  if (!indexName.empty()) {
    indexNo = Relation().FindIndexNo(indexName);
    index::TVxbIndexFile* index = indexNo >= 0 ? Relation().GetIndexFile(indexNo) : nullptr;
    if (index == nullptr || (!index->IsOpen && Relation().OpenIndex(indexNo) < 0)) return -16;
    candidate = SpecificationOf(Relation(), index->GetIndexDefinition(), reverse);
  }
  if (candidate == FSorting && (candidate.empty() || indexNo == FSortingIndexNo)) return 0;
  FSorting = candidate;
  FSortingIndexNo = indexNo;
  FSortingReverse = reverse;
  return RebuildAccessPath();
}

int16_t TVxbCursor::SetSortOrder(std::u16string_view sortOrder) {
  if (sortOrder.empty()) return SetIndex(u"", false);
  // The wished key: column names separated by commas or semicolons, a
  // leading "-" or a trailing " DESC" for a descending column.
  std::vector<std::pair<int16_t, bool>> wished;
  size_t start = 0;
  while (start <= sortOrder.size()) {
    size_t end = sortOrder.find_first_of(u",;", start);
    if (end == std::u16string_view::npos) end = sortOrder.size();
    std::u16string item(sortOrder.substr(start, end - start));
    while (!item.empty() && item.front() == u' ') item.erase(0, 1);
    while (!item.empty() && item.back() == u' ') item.pop_back();
    bool descending = false;
    if (!item.empty() && item.front() == u'-') {
      descending = true;
      item.erase(0, 1);
    }
    if (item.size() > 5 && fs::u8(item.substr(item.size() - 5)) == " DESC") {
      descending = true;
      item.resize(item.size() - 5);
    }
    const int fieldNo = Relation().ColumnDefs().Find(item);
    if (fieldNo <= 0) return -18;
    wished.emplace_back(static_cast<int16_t>(fieldNo), descending);
    start = end + 1;
  }
  for (int indexNo = 0; indexNo <= Relation().LastIndexNo(); ++indexNo) {
    const index::TVxbIndexFile* index = Relation().GetIndexFile(indexNo);
    if (index == nullptr) continue;
    const auto& items = index->GetIndexDefinition().Items;
    if (items.size() < wished.size()) continue;
    for (const bool reverse : {false, true}) {
      bool serves = true;
      for (size_t i = 0; i < wished.size() && serves; ++i) {
        serves = items[i].ColumnNo == wished[i].first && (items[i].Descending != reverse) == wished[i].second;
      }
      if (serves) return SetIndex(index->GetName(), reverse) < 0 ? -18 : 0;
    }
  }
  return -18;
}

std::u16string TVxbCursor::GetAccessName() const {
  switch (FAccessor->CurrentAccessType()) {
    case tatBookmarks:
      return u"Markierung";
    case tatIndex:
      if (const index::TVxbIndexFile* index = Relation().GetIndexFile(FAccessor->CurrentIndexNo())) {
        return index->GetName();
      }
      return u"";
    default:
      return u"Nummer";
  }
}

int TVxbCursor::FindSortingIndex(bool& reverse) {
  reverse = FSortingReverse;
  if (FSortingIndexNo >= 0 && FSortingIndexNo != storage::kNoIndex) {
    const index::TVxbIndexFile* index = Relation().GetIndexFile(FSortingIndexNo);
    if (index != nullptr && SpecificationOf(Relation(), index->GetIndexDefinition(), reverse) == FSorting) {
      return FSortingIndexNo;
    }
  }
  for (int indexNo = 0; indexNo <= Relation().LastIndexNo(); ++indexNo) {
    const index::TVxbIndexFile* index = Relation().GetIndexFile(indexNo);
    if (index == nullptr) continue;
    for (const bool backwards : {false, true}) {
      if (SpecificationOf(Relation(), index->GetIndexDefinition(), backwards) == FSorting) {
        reverse = backwards;
        FSortingIndexNo = indexNo;
        return indexNo;
      }
    }
  }
  FHost.Services().SetLastError(errors::vxbErrNoSuitableIndex, {FSorting});
  return -1;
}

int16_t TVxbCursor::RebuildAccessPath() {
  const int32_t remembered = FAccessor->CurrentRecordNo();
  TVxbSqlCondition* filter = FActiveFilterKind == tfkIncremental ? FActiveCondition.get() : nullptr;
  FAccessor->Reset();
  int16_t result = 0;
  if (FUserFilterKind == tfkStatic && FUserCondition) result = ComputeList(*FUserCondition, *FUserBookmarks);
  if (result == 0 && FActiveFilterKind == tfkStatic && FActiveCondition) {
    result = ComputeList(*FActiveCondition, FAccessor->Bookmarks());
  }
  if (result < 0) return result;
  if (FActiveFilterKind == tfkStatic || FActiveFilterKind == tfkBookmarks) {
    result = FAccessor->SetAccess(tatBookmarks, kBookmarkIndexNo, false);
  } else if (!FSorting.empty()) {
    bool reverse = false;
    const int indexNo = FindSortingIndex(reverse);
    if (indexNo < 0) return -errors::vxbErrNoSuitableIndex;
    result = FAccessor->SetAccess(tatIndex, indexNo, reverse);
  }
  if (result < 0) return result;
  FAccessor->SetFilter(filter);
  if (const int16_t ranged = ApplyUserRange(); ranged < 0) return ranged;
  if (remembered > 0 && FAccessor->GotoRecord(remembered) == 0 && FAccessor->IsValidRecord() == 1) {
    // Back on the record it stood on.
  } else if (FAccessor->First() != 0) {
    FAccessor->ToBoT();
  }
  FDirtyFlag = false;
  return 0;
}

int16_t TVxbCursor::ApplyUserRange() {
  if (FUserRangeLower.empty() && FUserRangeUpper.empty()) return 0;
  if (FAccessor->CurrentAccessType() != tatIndex) return 0;
  return FAccessor->SetRange(FUserRangeLower.empty() ? nullptr : FUserRangeLower.data(), FUserRangeLowerColumns,
                             FUserRangeUpper.empty() ? nullptr : FUserRangeUpper.data(), FUserRangeUpperColumns);
}

int16_t TVxbCursor::SetUserRange(const uint8_t* rangeLower, const uint8_t* rangeUpper, int fieldCountStart,
                                 int fieldCountEnd) {
  if (FAccessor->CurrentAccessType() != tatIndex) return -15;
  const size_t size = static_cast<size_t>(FAccessor->RecordSize());
  FUserRangeLower.assign(rangeLower, rangeLower + size);
  FUserRangeUpper.assign(rangeUpper, rangeUpper + size);
  FUserRangeLowerColumns = fieldCountStart;
  FUserRangeUpperColumns = fieldCountEnd;
  if (const int16_t result = ApplyUserRange(); result < 0) return result;
  if (FAccessor->First() != 0) FAccessor->ToBoT();
  return 0;
}

void TVxbCursor::ClearUserRange() {
  FUserRangeLower.clear();
  FUserRangeUpper.clear();
  FAccessor->ClearRange();
}

int16_t TVxbCursor::Refresh(bool checkNet) {
  if (checkNet) {
    if (Relation().CheckForChanges() == 1) FDirtyFlag = true;
  }
  FAccessor->InvalidateRecBuf();
  if (!FDirtyFlag) return 0;
  if (FUserFilterKind == tfkStatic || FActiveFilterKind == tfkStatic) RecomputeStaticLists();
  FDirtyFlag = false;
  // The position may have gone with the changes.
  if (FAccessor->CurrentRecordNo() > Relation().GetRecordCount()) FAccessor->ToBoT();
  return 1;
}

int16_t TVxbCursor::CompareBookmarks(std::u16string_view indexName, int32_t bookmark1, int32_t bookmark2) {
  const auto order = [](auto a, auto b) -> int16_t { return a < b ? 0 : (a > b ? 2 : 1); };
  switch (FAccessor->CurrentAccessType()) {
    case tatBookmarks: {
      const index::TVxbBookmarkList& list = FAccessor->Bookmarks();
      return order(list.FindSequence(bookmark1), list.FindSequence(bookmark2));
    }
    case tatRecordNo:
      if (!indexName.empty()) break;
      return order(bookmark1, bookmark2);
    case tatIndex: {
      const int indexNo = indexName.empty() ? FAccessor->CurrentIndexNo() : Relation().FindIndexNo(indexName);
      if (indexNo < 0 || Relation().GetIndexFile(indexNo) == nullptr) return -15;
      const int32_t count = Relation().GetRecordCount();
      if (bookmark1 < 1 || bookmark2 < 1 || bookmark1 > count || bookmark2 > count) return -15;
      std::vector<uint8_t> record(static_cast<size_t>(FAccessor->RecordSize()));
      auto first = std::make_unique<types::TVxbLongIndexInfo>();
      auto second = std::make_unique<types::TVxbLongIndexInfo>();
      const storage::TVxbTableLockGuard readLock =
          Relation().LockState() ? storage::TVxbTableLockGuard::Read(*Relation().LockState())
                                 : storage::TVxbTableLockGuard();
      if (Relation().ReadRecord(bookmark1, record.data()) < 0) return -15;
      FAccessor->BuildEntry(indexNo, record.data(), bookmark1, *first);
      if (Relation().ReadRecord(bookmark2, record.data()) < 0) return -15;
      FAccessor->BuildEntry(indexNo, record.data(), bookmark2, *second);
      const int compared = FAccessor->CompareEntries(indexNo, *first, *second, 0, true);
      return static_cast<int16_t>(compared < 0 ? 0 : (compared > 0 ? 2 : 1));
    }
    default:
      break;
  }
  return -15;
}

int32_t TVxbCursor::LocateRec2(std::u16string_view indexName, const uint8_t* recordBuffer, int indexItemCount,
                               bool& exact) {
  const int indexNo = Relation().FindIndexNo(indexName);
  if (indexNo < 0 || Relation().GetIndexFile(indexNo) == nullptr) return -16;
  if (!FKeyEntry) FKeyEntry = std::make_unique<types::TVxbLongIndexInfo>();
  types::TVxbLongIndexInfo* key = FKeyEntry.get();
  if (!FAccessor->BuildEntry(indexNo, recordBuffer, types::kLowestRecordNumber, *key)) return 0;
  key->DateiVerweis = types::kLowestRecordNumber;
  const int32_t found = FAccessor->LocateRecord2(indexNo, *key, indexItemCount, exact);
  if (found < 0) return MoveResult(static_cast<int16_t>(found), false);
  return found;
}

// --- records ---

int16_t TVxbCursor::Append() { return FAccessor->Append(); }

int16_t TVxbCursor::AppendConfirm() {
  const int16_t result = FAccessor->Post();
  if (result < 0) return result;
  KeepListsCurrent(FAccessor->CurrentRecordNo(), true);
  return result;
}

int16_t TVxbCursor::EditConfirm() {
  const int16_t result = FAccessor->Post();
  if (result < 0) return result;
  KeepListsCurrent(FAccessor->CurrentRecordNo(), false);
  return result;
}

int16_t TVxbCursor::DeleteRecord() { return FAccessor->DeleteRecord(); }

void TVxbCursor::OnRecordDeleted(int32_t recNo, int32_t movedFrom) {
  const int32_t slot = FUserBookmarks->Find(recNo);
  if (slot >= 0) FUserBookmarks->DeleteAt(slot);
  if (movedFrom > 0) {
    if (const int32_t moved = FUserBookmarks->Find(movedFrom); moved >= 0) FUserBookmarks->SetItem(moved, recNo);
  }
  FDirtyFlag = true;
  if (FOnChangeProc) FOnChangeProc(FHost.SessionHdl(), FTableHdl, recNo, movedFrom);
}

}  // namespace vexilo::cursor
