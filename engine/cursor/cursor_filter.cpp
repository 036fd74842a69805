// The cursor's filters and condition search: compiling conditions, the
// lists of static filters (computed over the best index range for the
// condition, then put in the cursor's order), putting filters in force and
// taking them back, the mark operations, and keeping the lists right after
// a post.
//
// Incremental conditions are prepared on the cursor's own accessor (they
// are tested on its current record while it moves); static conditions and
// those of searches on the cursor's search accessor, which walks the
// relation on its own.
#include <algorithm>

#include "engine/cursor/condition/index_choice.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/cursor/cursor.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/bookmark_list_order.h"
#include "engine/index/index_file.h"
#include "engine/index/sorter.h"
#include "engine/storage/sharing/table_lock_guard.h"

namespace vexilo::cursor {

namespace {

// The preparation options a filter mode asks for.
uint8_t PrepareOptions(int32_t mode) {
  uint8_t options = 0;
  if ((mode & 0x10) != 0) options |= tpoCaseInsensitive;
  if ((mode & 0x20) != 0) options |= tpoUseJokers;
  if ((mode & 0x40) != 0) options |= tpoLocalFormats | tpoNativeJokers;
  return options;
}

TVxbFilterOperation OperationOf(int32_t mode) { return static_cast<TVxbFilterOperation>(mode & 0x0F); }

storage::TVxbTableLockGuard ReadLockOf(storage::TVxbRelation& relation) {
  storage::TVxbTableLocks* locks = relation.LockState();
  return locks ? storage::TVxbTableLockGuard::Read(*locks) : storage::TVxbTableLockGuard();
}

// The order of an index over a relation's records, for sorting lists.
class TIndexBookmarkOrder : public index::TVxbBookmarkOrder {
 public:
  TIndexBookmarkOrder(TVxbAccessor& accessor, int indexNo, bool reverse)
      : FAccessor(accessor), FIndexNo(indexNo), FReverse(reverse),
        FRecord(static_cast<size_t>(accessor.RecordSize())) {}
  // Releasing a read lock does not fail in a way a sort could report.
  ~TIndexBookmarkOrder() noexcept override {}

  int16_t WaitRead() override {
    storage::TVxbTableLocks* locks = FAccessor.Relation().LockState();
    if (locks == nullptr) return 0;
    FLock = storage::TVxbTableLockGuard::Read(*locks);
    return FLock ? 0 : FLock.Result();
  }
  void EndRead() override { FLock.Release(); }
  int16_t BuildEntry(int32_t recNo, types::TVxbLongIndexInfo& entry, size_t& keySize) override {
    if (const int16_t read = FAccessor.Relation().ReadRecord(recNo, FRecord.data()); read < 0) return read;
    const size_t size = FAccessor.Relation().BuildIndexEntry(FIndexNo, FRecord.data(), recNo, entry);
    keySize = size > 4 ? size - 4 : 0;
    return 0;
  }
  bool IndexLess(int32_t recNo1, const uint8_t* key1, size_t keySize1, int32_t recNo2, const uint8_t* key2,
                 size_t keySize2) const override {
    const index::TVxbIndexFile* index = FAccessor.Relation().GetIndexFile(FIndexNo);
    const int order =
        types::CompareIndexEntries(index->GetKeyLayout(), recNo1, key1, keySize1, recNo2, key2, keySize2);
    return FReverse ? order > 0 : order < 0;
  }

 private:
  TVxbAccessor& FAccessor;
  int FIndexNo;
  bool FReverse;
  std::vector<uint8_t> FRecord;
  storage::TVxbTableLockGuard FLock;
};

}  // namespace

std::unique_ptr<TVxbSqlCondition> TVxbCursor::Compile(std::u16string_view text, int32_t mode,
                                                       TVxbAccessor& accessor) {
  if (text.empty()) return nullptr;
  auto condition = std::make_unique<TVxbSqlCondition>(std::u16string(text));
  condition->Prepare({&accessor}, PrepareOptions(mode));
  return condition;
}

bool TVxbCursor::Satisfies(TVxbSqlCondition& condition, int32_t recNo) {
  TVxbAccessor& search = SearchAccessor();
  if (search.GotoRecord(recNo) < 0) return false;
  search.InvalidateRecBuf();
  try {
    return condition.Evaluate();
  } catch (const errors::EVxbEngine& e) {
    FHost.Services().SetLastError(e);
    return false;
  }
}

bool TVxbCursor::VisibleThroughCursor(int32_t recNo) {
  const TVxbAccessor::TPosition start = FAccessor->Push();
  const bool visible = FAccessor->GotoRecord(recNo) == 0 && FAccessor->IsValidRecord() == 1;
  FAccessor->Pop(start);
  return visible;
}

namespace {

// Makes `search` walk the index and key range of `choice` (its own order
// when the choice has no index).
void SetAccessFor(TVxbAccessor& search, storage::TVxbRelation& relation, const TVxbIndexChoice& choice) {
  if (choice.IndexNo == TVxbIndexChoice::kNoIndex || search.SetAccess(tatIndex, choice.IndexNo, choice.Reverse) != 0) {
    return;
  }
  std::vector<uint8_t> lower(static_cast<size_t>(search.RecordSize()));
  std::vector<uint8_t> upper(lower.size());
  relation.InitRecord(lower.data(), false);
  relation.InitRecord(upper.data(), false);
  int lowerColumns = 0, upperColumns = 0;
  bool lowerOpen = true, upperOpen = true;
  const auto put = [&](std::vector<uint8_t>& buffer, const TVxbColumnRating& rating, const TVxbKeyBound& bound) {
    search.SwitchRecBuffer(buffer);
    const bool written = search.SetValue(rating.FieldNo, bound.Value, *bound.Type) >= 0;
    search.UnswitchRecBuffer(buffer);
    return written;
  };
  for (const TVxbColumnRating& rating : choice.KeyBounds) {
    lowerOpen = lowerOpen && rating.Lower && rating.Lower->Type && put(lower, rating, *rating.Lower);
    if (lowerOpen) ++lowerColumns;
    upperOpen = upperOpen && rating.Upper && rating.Upper->Type && put(upper, rating, *rating.Upper);
    if (upperOpen) ++upperColumns;
  }
  if (lowerColumns > 0 || upperColumns > 0) {
    search.SetRange(lowerColumns > 0 ? lower.data() : nullptr, lowerColumns, upperColumns > 0 ? upper.data() : nullptr,
                    upperColumns);
  }
}

// For a condition whose top level is an OR list: the index choice of each
// term on its own, when every term has one; else nothing. Walking each
// term's range finds every record that can satisfy the whole condition.
std::vector<TVxbIndexChoice> ChoicesPerOrTerm(TVxbSearchCondition* tree, const TVxbAccessor& search,
                                              const std::vector<TVxbIndexCandidate>& candidates) {
  std::vector<TVxbIndexChoice> choices;
  if (tree == nullptr || !tree->FSearchCondition) return choices;
  for (TVxbSearchCondition* node = tree; node != nullptr; node = node->FSearchCondition.get()) {
    // The term alone: the rest of the list is set aside while it is rated.
    std::unique_ptr<TVxbSearchCondition> rest = std::move(node->FSearchCondition);
    TVxbIndexChoice choice = ChooseIndex(node, search, candidates, false);
    node->FSearchCondition = std::move(rest);
    if (choice.IndexNo == TVxbIndexChoice::kNoIndex) return {};
    choices.push_back(std::move(choice));
  }
  return choices;
}

}  // namespace

int16_t TVxbCursor::WalkMatching(TVxbSqlCondition& condition, const std::function<bool(int32_t)>& each) {
  TVxbAccessor& search = SearchAccessor();
  storage::TVxbRelation& relation = Relation();
  const storage::TVxbTableLockGuard readLock = ReadLockOf(relation);
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  search.Reset();
  // The best index and key range for the condition; every record in the
  // range is still tested against the whole condition. Without one, an OR
  // of terms that each have one walks each term's range in turn, meeting
  // every record once.
  auto* tree = const_cast<TVxbSearchCondition*>(condition.Tree());
  const std::vector<TVxbIndexCandidate> candidates = IndexCandidatesOf(relation);
  std::vector<TVxbIndexChoice> walks;
  walks.push_back(ChooseIndex(tree, search, candidates, false));
  if (walks.front().IndexNo == TVxbIndexChoice::kNoIndex) {
    std::vector<TVxbIndexChoice> perTerm = ChoicesPerOrTerm(tree, search, candidates);
    if (!perTerm.empty()) walks = std::move(perTerm);
  }
  std::vector<bool> met;
  if (walks.size() > 1) met.assign(static_cast<size_t>(relation.GetRecordCount()) + 1, false);

  int16_t step = 0;
  bool stopped = false;
  for (const TVxbIndexChoice& walk : walks) {
    SetAccessFor(search, relation, walk);
    search.SetFilter(&condition);
    step = search.First();
    while (step == 0) {
      const int32_t recNo = search.CurrentRecordNo();
      const bool first = met.empty() || (recNo >= 0 && static_cast<size_t>(recNo) < met.size() && !met[static_cast<size_t>(recNo)]);
      if (!met.empty() && first) met[static_cast<size_t>(recNo)] = true;
      if (first && !each(recNo)) {
        stopped = true;
        break;
      }
      step = search.Next();
    }
    search.SetFilter(nullptr);
    search.Reset();
    if (stopped || (step != 0 && step != -errors::vxbErrRecordNotFound)) break;
  }
  return stopped || step == 0 || step == -errors::vxbErrRecordNotFound ? 0 : step;
}

int16_t TVxbCursor::AppendBookmarks(TVxbSqlCondition& condition, index::TVxbBookmarkList& list, bool visibleOnly) {
  return WalkMatching(condition, [&](int32_t recNo) {
    if (!visibleOnly || VisibleThroughCursor(recNo)) list.Append(recNo);
    return true;
  });
}

int16_t TVxbCursor::SortBookmarks(index::TVxbBookmarkList& list) {
  bool reverse = false;
  const int indexNo = FSorting.empty() ? -1 : FindSortingIndex(reverse);
  if (indexNo < 0) {
    list.Sort();
    return 0;
  }
  TIndexBookmarkOrder order(*FAccessor, indexNo, reverse);
  index::TVxbSorter sorter;
  const int16_t result = index::SortBookmarks(order, sorter, list);
  return result < 0 ? result : 0;
}

void TVxbCursor::InsertIntoList(index::TVxbBookmarkList& list, int32_t recNo) {
  bool reverse = false;
  const int indexNo = FSorting.empty() ? -1 : FindSortingIndex(reverse);
  if (indexNo < 0) {
    list.Append(recNo);
    return;
  }
  TIndexBookmarkOrder order(*FAccessor, indexNo, reverse);
  index::InsertRecordIntoBookmarks(order, recNo, list);
}

int16_t TVxbCursor::ComputeList(TVxbSqlCondition& condition, index::TVxbBookmarkList& list) {
  list.Clear();
  const int16_t result = AppendBookmarks(condition, list, false);
  return result == 0 ? SortBookmarks(list) : result;
}

int16_t TVxbCursor::RecomputeStaticLists() {
  int16_t result = 0;
  if (FUserFilterKind == tfkStatic && FUserCondition) result = ComputeList(*FUserCondition, *FUserBookmarks);
  if (result == 0 && FActiveFilterKind == tfkStatic && FActiveCondition) {
    const int32_t here = FAccessor->CurrentRecordNo();
    std::unique_ptr<index::TVxbBookmarkList> list = std::make_unique<index::TVxbBookmarkList>();
    result = ComputeList(*FActiveCondition, *list);
    if (result == 0) {
      FAccessor->ExchangeBookmarks(list);
      if (here > 0 && FAccessor->GotoRecord(here) == 0 && FAccessor->IsValidRecord() == 1) return 0;
      SettleOnVisible();
    }
  }
  return result;
}

void TVxbCursor::SettleOnVisible() {
  if (FAccessor->CurrentRecordNo() > 0 && FAccessor->IsValidRecord() == 1) return;
  const TVxbAccessor::TPosition start = FAccessor->Push();
  if (start.RecordNo > 0) {
    if (FAccessor->Next() == 0) return;
    FAccessor->Pop(start);
    if (FAccessor->Prior() == 0) return;
  }
  if (FAccessor->First() == 0) return;
  FAccessor->ToBoT();
}

// --- setting, activating, deactivating ---

int16_t TVxbCursor::SetUserSqlFilter(std::u16string_view filterExpression, int32_t mode, bool background) {
  const TVxbFilterOperation operation = OperationOf(mode);
  switch (operation) {
    case tfoStatic: {
      std::unique_ptr<TVxbSqlCondition> condition = Compile(filterExpression, mode, SearchAccessor());
      if (background) {
        FUserCondition = std::move(condition);
        FUserFilterKind = FUserCondition ? tfkStatic : tfkNone;
        FUserMode = mode;
        FUserBookmarks->Clear();
        if (FUserCondition) return ComputeList(*FUserCondition, *FUserBookmarks);
        return 0;
      }
      FAccessor->SetFilter(nullptr);
      FActiveCondition = std::move(condition);
      FActiveFilterKind = FActiveCondition ? tfkStatic : tfkNone;
      FActiveMode = mode;
      return RebuildAccessPath();
    }
    case tfoIncremental: {
      std::unique_ptr<TVxbSqlCondition> condition = Compile(filterExpression, mode, *FAccessor);
      if (background) {
        FUserCondition = std::move(condition);
        FUserFilterKind = FUserCondition ? tfkIncremental : tfkNone;
        FUserMode = mode;
        return 0;
      }
      if (FActiveFilterKind == tfkStatic || FActiveFilterKind == tfkBookmarks) {
        FActiveFilterKind = tfkNone;
        FActiveCondition.reset();
        RebuildAccessPath();
      }
      FAccessor->SetFilter(nullptr);
      FActiveCondition = std::move(condition);
      FActiveFilterKind = FActiveCondition ? tfkIncremental : tfkNone;
      FActiveMode = mode;
      FAccessor->SetFilter(FActiveCondition.get());
      SettleOnVisible();
      return 0;
    }
    case tfoUnmarkMatching:
    case tfoKeepMarkedMatching:
    case tfoMarkMatching: {
      if (!background) return 0;
      std::unique_ptr<TVxbSqlCondition> condition = Compile(filterExpression, mode, SearchAccessor());
      if (FUserFilterKind == tfkIncremental && FUserCondition) {
        // The prepared incremental filter becomes the marks: its records.
        std::unique_ptr<TVxbSqlCondition> prepared = Compile(FUserCondition->Source(), FUserMode, SearchAccessor());
        FUserCondition.reset();
        if (const int16_t result = ComputeList(*prepared, *FUserBookmarks); result < 0) return result;
      }
      FUserCondition.reset();
      FUserFilterKind = tfkBookmarks;
      if (!condition) return 0;
      return ApplyMarkOperation(operation, *condition);
    }
    default:
      return 0;
  }
}

int16_t TVxbCursor::ApplyMarkOperation(TVxbFilterOperation operation, TVxbSqlCondition& condition) {
  switch (operation) {
    case tfoUnmarkMatching:
      return WalkMatching(condition, [&](int32_t recNo) {
        FUserBookmarks->Delete(recNo);
        return true;
      });
    case tfoKeepMarkedMatching: {
      const storage::TVxbTableLockGuard readLock = ReadLockOf(Relation());
      if (!readLock && readLock.Result() < 0) return readLock.Result();
      for (int32_t slot = FUserBookmarks->FindFirst(); slot >= 0; slot = FUserBookmarks->FindNext(slot)) {
        if (!Satisfies(condition, FUserBookmarks->GetItem(slot))) FUserBookmarks->DeleteAt(slot);
      }
      FUserBookmarks->Compress();
      return 0;
    }
    default: {
      std::vector<int32_t> found;
      const int16_t result = WalkMatching(condition, [&](int32_t recNo) {
        if (FUserBookmarks->Find(recNo) < 0 && VisibleThroughCursor(recNo)) found.push_back(recNo);
        return true;
      });
      for (const int32_t recNo : found) InsertIntoList(*FUserBookmarks, recNo);
      return result;
    }
  }
}

void TVxbCursor::ActivateFilter() {
  const TVxbFilterKind kind = FUserFilterKind;
  FAccessor->SetFilter(nullptr);
  FActiveCondition = std::move(FUserCondition);
  FActiveFilterKind = kind;
  FActiveMode = FUserMode;
  FUserFilterKind = tfkNone;
  if (kind == tfkStatic || kind == tfkBookmarks) {
    // The prepared list goes to the accessor; the marks start empty.
    FAccessor->ExchangeBookmarks(FUserBookmarks);
    FUserBookmarks = std::make_unique<index::TVxbBookmarkList>();
    FAccessor->SetAccess(tatBookmarks, kBookmarkIndexNo, false);
  } else {
    UsePlainOrder();
    if (kind == tfkIncremental) FAccessor->SetFilter(FActiveCondition.get());
  }
  SettleOnVisible();
}

void TVxbCursor::DeactivateFilter() {
  const TVxbFilterKind kind = FActiveFilterKind;
  FAccessor->SetFilter(nullptr);
  if (kind == tfkNone) return;
  FUserCondition = std::move(FActiveCondition);
  FUserFilterKind = kind;
  FUserMode = FActiveMode;
  FActiveFilterKind = tfkNone;
  if (kind == tfkStatic || kind == tfkBookmarks) {
    // The accessor's list becomes the mark list.
    FUserBookmarks = std::make_unique<index::TVxbBookmarkList>();
    FAccessor->ExchangeBookmarks(FUserBookmarks);
  }
  UsePlainOrder();
  SettleOnVisible();
}

void TVxbCursor::UsePlainOrder() {
  bool reverse = false;
  const int indexNo = FSorting.empty() ? -1 : FindSortingIndex(reverse);
  if (indexNo >= 0) {
    FAccessor->SetAccess(tatIndex, indexNo, reverse);
  } else {
    FAccessor->SetAccess(tatRecordNo, storage::kNoIndex, false);
  }
  ApplyUserRange();
}

// --- condition search ---

int16_t TVxbCursor::Locate(std::u16string_view filterExpression, int32_t mode) {
  std::unique_ptr<TVxbSqlCondition> condition = Compile(filterExpression, mode, SearchAccessor());
  const TVxbAccessor::TPosition start = FAccessor->Push();
  int32_t found = 0;
  const int16_t walked = condition ? WalkMatching(*condition, [&](int32_t recNo) {
    if (FAccessor->GotoRecord(recNo) == 0 && FAccessor->IsValidRecord() == 1) {
      found = recNo;
      return false;
    }
    return true;
  })
                                   : static_cast<int16_t>(0);
  if (walked < 0) {
    FAccessor->Pop(start);
    return -44;
  }
  if (found > 0 && OperationOf(mode) == tfoLocateStay) return 1;
  FAccessor->Pop(start);
  return found > 0 ? 1 : 0;
}

// --- conditions compiled for single records ---

int32_t TVxbCursor::TokenizeSelection(std::u16string_view condition) {
  auto compiled = std::make_unique<TVxbSqlCondition>(std::u16string(condition));
  compiled->Prepare({&SearchAccessor()}, 0);
  FSelections[++FLastSelectionNo] = std::move(compiled);
  return FLastSelectionNo;
}

int16_t TVxbCursor::EvaluateSelection(int32_t selectionNo) {
  const auto found = FSelections.find(selectionNo);
  if (found == FSelections.end()) return -10;
  const int32_t recNo = FAccessor->CurrentRecordNo();
  if (recNo < 1) return -11;
  const storage::TVxbTableLockGuard readLock = ReadLockOf(Relation());
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  return Satisfies(*found->second, recNo) ? 0 : 1;
}

int16_t TVxbCursor::FreeSelection(int32_t selectionNo) { return FSelections.erase(selectionNo) == 1 ? 0 : -10; }

// --- after a post ---

void TVxbCursor::KeepListsCurrent(int32_t recNo, bool appended) {
  if (recNo <= 0) return;
  if (FUserFilterKind == tfkStatic && FUserCondition) {
    if (Satisfies(*FUserCondition, recNo)) {
      if (!FSorting.empty()) {
        if (!appended) FUserBookmarks->Delete(recNo);
        InsertIntoList(*FUserBookmarks, recNo);
      } else if (appended || FUserBookmarks->Find(recNo) < 0) {
        FUserBookmarks->Append(recNo);
      }
    } else if (!appended) {
      FUserBookmarks->Delete(recNo);
    }
  } else if (FUserFilterKind == tfkBookmarks && appended) {
    FUserBookmarks->Append(recNo);
  }
  index::TVxbBookmarkList& active = FAccessor->Bookmarks();
  if (FActiveFilterKind == tfkStatic && FActiveCondition) {
    if (Satisfies(*FActiveCondition, recNo)) {
      if (!FSorting.empty()) {
        if (!appended) active.Delete(recNo);
        InsertIntoList(active, recNo);
      } else if (appended || active.Find(recNo) < 0) {
        active.Append(recNo);
      }
    } else if (!appended) {
      const int32_t slot = active.Find(recNo);
      if (slot >= 0) {
        const int32_t following = active.FindNext(slot);
        const int32_t preceding = active.FindPrev(slot);
        const int32_t next = following >= 0 ? active.GetItem(following) : (preceding >= 0 ? active.GetItem(preceding) : -1);
        active.DeleteAt(slot);
        if (FAccessor->CurrentRecordNo() == recNo) FAccessor->GotoRecord(next);
      }
    }
  } else if (FActiveFilterKind == tfkBookmarks && appended) {
    active.Append(recNo);
  }
  SettleOnVisible();
}

}  // namespace vexilo::cursor
