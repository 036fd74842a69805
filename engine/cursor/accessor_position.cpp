// The accessor's walk through an order: raw steps in record-number, bookmark
// and index order within the range, the visibility test with the
// incremental filter, the moves built on them, sequence numbers, counts and
// the key search.
//
// Raw steps know only the order and its range; they run forwards in the
// order's own direction (StepFirst / StepNext with `fromEnd` / `backwards`),
// and a reversed order swaps first with last and next with prior. A raw
// step that fails leaves the position (and in index order the current key)
// as it was.
#include <algorithm>
#include <cstring>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/index_file.h"
#include "fs/text.h"

namespace vexilo::cursor {

namespace {

constexpr int16_t kNotFound = -errors::vxbErrRecordNotFound;
// Walking to count records stops being cheap here.
constexpr int32_t kWalkCountLimit = 10000;

void CopyEntry(const types::TVxbLongIndexInfo& from, types::TVxbLongIndexInfo& to, size_t keyBytes) {
  to.DateiVerweis = from.DateiVerweis;
  std::memcpy(to.Key, from.Key, std::min(keyBytes, sizeof(to.Key)));
}

size_t KeyBytes(const index::TVxbIndexFile& index) {
  return std::min(index.GetKeyLayout().MaxKeySize(), types::TVxbLongIndexInfo::kMaxKeySize);
}

}  // namespace

types::TVxbLongIndexInfo& TVxbAccessor::CurrentIndexInfo() {
  if (!FCurrentIndexInfo) FCurrentIndexInfo = std::make_unique<types::TVxbLongIndexInfo>();
  return *FCurrentIndexInfo;
}

types::TVxbLongIndexInfo& TVxbAccessor::ScratchEntry() {
  if (!FScratchEntry) FScratchEntry = std::make_unique<types::TVxbLongIndexInfo>();
  return *FScratchEntry;
}

index::TVxbIndexFile* TVxbAccessor::UsableIndex(int indexNo) {
  index::TVxbIndexFile* index = FRelation.GetIndexFile(indexNo);
  if (index == nullptr) {
    FRelation.Services().SetLastError(errors::vxbErrIndexCorrupt, {fs::u16(std::to_string(indexNo))});
    return nullptr;
  }
  if (!index->IsOpen && FRelation.OpenIndex(indexNo) < 0) {
    FRelation.Services().SetLastError(errors::vxbErrIndexCorrupt, {index->GetName()});
    return nullptr;
  }
  return index;
}

bool TVxbAccessor::BuildEntry(int indexNo, const uint8_t* rec, int32_t recNo, types::TVxbLongIndexInfo& entry) const {
  return FRelation.BuildIndexEntry(indexNo, rec, recNo, entry) > 0;
}

int TVxbAccessor::CompareEntries(int indexNo, const types::TVxbLongIndexInfo& a, const types::TVxbLongIndexInfo& b,
                                 int keyColumns, bool withRecordNo) const {
  const index::TVxbIndexFile* index = FRelation.GetIndexFile(indexNo);
  if (index == nullptr) return 0;
  const types::TVxbKeyLayout& layout = index->GetKeyLayout();
  const size_t bytes = KeyBytes(*index);
  int order = 0;
  if (keyColumns > 0 && static_cast<size_t>(keyColumns) < layout.Items.size()) {
    types::TVxbKeyLayout leading = layout;
    leading.Items.resize(static_cast<size_t>(keyColumns));
    order = types::CompareIndexKeys(leading, a.Key, bytes, b.Key, bytes);
  } else {
    order = types::CompareIndexKeys(layout, a.Key, bytes, b.Key, bytes);
  }
  if (order != 0 || !withRecordNo) return order;
  return a.DateiVerweis < b.DateiVerweis ? -1 : (a.DateiVerweis > b.DateiVerweis ? 1 : 0);
}

// --- the order and its range ---

int16_t TVxbAccessor::SetAccess(TVxbAccessType accessType, int indexNo, bool reverse) {
  ClearRange();
  if (accessType == tatIndex && indexNo == kBookmarkIndexNo) accessType = tatBookmarks;
  switch (accessType) {
    case tatIndex: {
      if (UsableIndex(indexNo) == nullptr) {
        const index::TVxbIndexFile* index = FRelation.GetIndexFile(indexNo);
        return FRelation.Services().SetLastError(
            errors::vxbErrIndexCorrupt, {index ? index->GetName() : fs::u16(std::to_string(indexNo))});
      }
      FCurrentAccessType = tatIndex;
      FCurrentIndexNo = indexNo;
      FReverse = reverse;
      FCurrentSequenceNo = -1;
      if (FCurrentRecordNo > 0) return ComputeCurrentIndexInfo();
      return 0;
    }
    case tatBookmarks: {
      FCurrentAccessType = tatBookmarks;
      FCurrentIndexNo = kBookmarkIndexNo;
      FReverse = reverse;
      const int32_t slot = FCurrentRecordNo > 0 ? FBookmarks->Find(FCurrentRecordNo) : -1;
      if (slot >= 0) {
        FBookmarkSlot = slot;
        FCurrentSequenceNo = FBookmarks->FindSequence(FCurrentRecordNo) + 1;
        return 0;
      }
      const int32_t first = FBookmarks->FindFirst();
      if (first < 0) {
        ToBoT();
        return 0;
      }
      FBookmarkSlot = first;
      SetCurrentRecordNo(FBookmarks->GetItem(first));
      FCurrentSequenceNo = 1;
      return 0;
    }
    default:
      FCurrentAccessType = tatRecordNo;
      FCurrentIndexNo = storage::kNoIndex;
      FReverse = reverse;
      FCurrentSequenceNo = FCurrentRecordNo;
      return 0;
  }
}

int16_t TVxbAccessor::SetRange(const uint8_t* lowerRec, int lowerColumns, const uint8_t* upperRec, int upperColumns) {
  if (FCurrentAccessType != tatIndex) return -errors::vxbErrInvalidAccess;
  ClearRange();
  const index::TVxbIndexFile* index = FRelation.GetIndexFile(FCurrentIndexNo);
  if (index == nullptr) return -errors::vxbErrInvalidAccess;
  const int keyCount = static_cast<int>(index->GetKeyLayout().Items.size());
  const auto setBound = [&](TVxbRangeBound& bound, const uint8_t* rec, int columns, int32_t recNo) {
    if (rec == nullptr) return;
    if (!bound.Entry) bound.Entry = std::make_unique<types::TVxbLongIndexInfo>();
    std::vector<uint8_t> copy(rec, rec + RecordSize());
    // Columns after the counted ones become null: the smallest value an
    // ascending key item takes, so a search for the bound lands on the
    // first entry of its leading columns.
    if (columns > 0 && columns < keyCount) {
      for (size_t item = static_cast<size_t>(columns); item < index->GetIndexDefinition().Items.size(); ++item) {
        FRelation.SetNull(copy.data(), index->GetIndexDefinition().Items[item].ColumnNo);
      }
    }
    if (!BuildEntry(FCurrentIndexNo, copy.data(), recNo, *bound.Entry)) {
      bound.Entry->DateiVerweis = 0;
      return;
    }
    bound.Entry->DateiVerweis = recNo;
    bound.KeyColumns = columns > 0 && columns < keyCount ? columns : 0;
  };
  setBound(FRangeLowerBound, lowerRec, lowerColumns, types::kLowestRecordNumber);
  setBound(FRangeUpperBound, upperRec, upperColumns, types::kHighestRecordNumber);
  FCurrentSequenceNo = -1;
  return 0;
}

void TVxbAccessor::SetRecordNoRange(int32_t first, int32_t last) {
  ClearRange();
  if (first > 0) {
    if (!FRangeLowerBound.Entry) FRangeLowerBound.Entry = std::make_unique<types::TVxbLongIndexInfo>();
    FRangeLowerBound.Entry->DateiVerweis = first;
  }
  if (last > 0) {
    if (!FRangeUpperBound.Entry) FRangeUpperBound.Entry = std::make_unique<types::TVxbLongIndexInfo>();
    FRangeUpperBound.Entry->DateiVerweis = last;
  }
}

void TVxbAccessor::ClearRange() {
  FRangeLowerBound.Clear();
  FRangeUpperBound.Clear();
}

TVxbSqlCondition* TVxbAccessor::ExchangeFilter(TVxbSqlCondition* filter) {
  std::swap(filter, FFilter);
  return filter;
}

void TVxbAccessor::ExchangeBookmarks(std::unique_ptr<index::TVxbBookmarkList>& bookmarks) {
  if (!bookmarks) bookmarks = std::make_unique<index::TVxbBookmarkList>();
  std::swap(bookmarks, FBookmarks);
  FBookmarkSlot = -1;
  if (FCurrentAccessType == tatBookmarks) FCurrentSequenceNo = -1;
}

bool TVxbAccessor::BelowLower(const types::TVxbLongIndexInfo& entry) const {
  if (!FRangeLowerBound.IsSet()) return false;
  return CompareEntries(FCurrentIndexNo, entry, *FRangeLowerBound.Entry, FRangeLowerBound.KeyColumns,
                        FRangeLowerBound.KeyColumns == 0) < 0;
}

bool TVxbAccessor::BeyondUpper(const types::TVxbLongIndexInfo& entry) const {
  if (!FRangeUpperBound.IsSet()) return false;
  return CompareEntries(FCurrentIndexNo, entry, *FRangeUpperBound.Entry, FRangeUpperBound.KeyColumns,
                        FRangeUpperBound.KeyColumns == 0) > 0;
}

bool TVxbAccessor::WithinRange(const types::TVxbLongIndexInfo& entry) const {
  return !BelowLower(entry) && !BeyondUpper(entry);
}

int16_t TVxbAccessor::ComputeCurrentIndexInfo() {
  if (FCurrentAccessType != tatIndex || FCurrentRecordNo <= 0) return 0;
  const uint8_t* rec = GetRecordPtr();
  if (!FCurrentRecBufUpdated) return kNotFound;
  types::TVxbLongIndexInfo& key = CurrentIndexInfo();
  if (!BuildEntry(FCurrentIndexNo, rec, FCurrentRecordNo, key)) key.DateiVerweis = 0;
  return 0;
}

void TVxbAccessor::TakeIndexEntry() {
  const int32_t recNo = FCurrentIndexInfo->DateiVerweis;
  if (recNo != FCurrentRecordNo) {
    FCurrentRecordNo = recNo;
    FCurrentRecBufUpdated = false;
  }
}

// --- raw steps ---

int16_t TVxbAccessor::RecordNoStep(bool backwards) {
  const int32_t lower = FRangeLowerBound.RecordNo();
  const int32_t upper = FRangeUpperBound.RecordNo();
  int32_t next = 0;
  if (backwards) {
    next = FCurrentRecordNo == 0 ? FRelation.GetRecordCount() : FRelation.GetPrevRecordNo(FCurrentRecordNo);
    if (next < 1 || (lower > 0 && next < lower)) return kNotFound;
    if (upper > 0 && next > upper) next = upper;
  } else {
    next = FRelation.GetNextRecordNo(FCurrentRecordNo);
    if (next < 1 || (upper > 0 && next > upper)) return kNotFound;
  }
  FCurrentRecordNo = next;
  FCurrentRecBufUpdated = false;
  return 0;
}

int16_t TVxbAccessor::BookmarkStep(bool backwards) {
  int32_t slot = -1;
  if (FCurrentRecordNo == 0 && backwards) {
    slot = FBookmarks->FindLast();
  } else {
    int32_t here = FBookmarkSlot;
    if (here < 0 || FBookmarks->GetItem(here) != FCurrentRecordNo) here = FBookmarks->Find(FCurrentRecordNo);
    if (here < 0) {
      slot = FBookmarks->FindFirst();
    } else {
      slot = backwards ? FBookmarks->FindPrev(here) : FBookmarks->FindNext(here);
    }
  }
  if (slot < 0) return kNotFound;
  FBookmarkSlot = slot;
  FCurrentRecordNo = FBookmarks->GetItem(slot);
  FCurrentRecBufUpdated = false;
  return 0;
}

int16_t TVxbAccessor::IndexFirst(bool fromEnd) {
  index::TVxbIndexFile* index = UsableIndex(FCurrentIndexNo);
  if (index == nullptr) return -errors::vxbErrIndexCorrupt;
  const size_t bytes = KeyBytes(*index);
  types::TVxbLongIndexInfo& entry = ScratchEntry();
  int16_t found = 0;
  if (!fromEnd) {
    if (FRangeLowerBound.IsSet()) {
      CopyEntry(*FRangeLowerBound.Entry, entry, bytes);
      found = index->Suche_Index(entry);
      // A bound on leading columns was searched with null after them; an
      // entry before the one found may still have the same leading columns.
      if (found == 0 && FRangeLowerBound.KeyColumns > 0) {
        types::TVxbLongIndexInfo& probe = CurrentIndexInfo();
        for (;;) {
          CopyEntry(entry, probe, bytes);
          if (index->Vorheriger_Index(probe) != 0 || BelowLower(probe)) break;
          CopyEntry(probe, entry, bytes);
        }
      }
    } else {
      found = index->Erster_Index(entry);
    }
  } else if (FRangeUpperBound.IsSet()) {
    CopyEntry(*FRangeUpperBound.Entry, entry, bytes);
    found = index->Suche_Index(entry);
    if (found != 0) {
      found = index->Letzter_Index(entry);
    } else if (!BeyondUpper(entry)) {
      // Leading columns only: the entries after the bound's search key may
      // still belong to the range.
      types::TVxbLongIndexInfo& probe = CurrentIndexInfo();
      for (;;) {
        CopyEntry(entry, probe, bytes);
        if (index->Naechster_Index(probe) != 0 || BeyondUpper(probe)) break;
        CopyEntry(probe, entry, bytes);
      }
    }
    if (found == 0 && BeyondUpper(entry)) found = index->Vorheriger_Index(entry);
  } else {
    found = index->Letzter_Index(entry);
  }
  if (found < 0 && found != -1) return found;
  if (found != 0 || !WithinRange(entry)) {
    // The current key may have been used as a probe: compute it again.
    ComputeCurrentIndexInfo();
    return kNotFound;
  }
  CopyEntry(entry, CurrentIndexInfo(), bytes);
  TakeIndexEntry();
  return 0;
}

int16_t TVxbAccessor::IndexStep(bool backwards) {
  index::TVxbIndexFile* index = UsableIndex(FCurrentIndexNo);
  if (index == nullptr) return -errors::vxbErrIndexCorrupt;
  const size_t bytes = KeyBytes(*index);
  if (FCurrentRecordNo == 0 && backwards) return IndexFirst(true);
  types::TVxbLongIndexInfo& entry = ScratchEntry();
  CopyEntry(CurrentIndexInfo(), entry, bytes);
  int16_t step = backwards ? index->Vorheriger_Index(entry) : index->Naechster_Index(entry);
  if (step == -1) {
    // The current entry is gone (the record changed or went): its
    // neighbour in key order is the next entry not smaller than it.
    CopyEntry(CurrentIndexInfo(), entry, bytes);
    step = index->Suche_Index(entry);
    if (backwards) step = step == 0 ? index->Vorheriger_Index(entry) : index->Letzter_Index(entry);
  }
  if (step < 0 && step != -1) return step;
  if (step != 0 || (backwards ? BelowLower(entry) : BeyondUpper(entry))) return kNotFound;
  CopyEntry(entry, CurrentIndexInfo(), bytes);
  TakeIndexEntry();
  return 0;
}

int16_t TVxbAccessor::StepFirst(bool fromEnd) {
  if (FRelation.GetRecordCount() <= 0) return kNotFound;
  switch (FCurrentAccessType) {
    case tatIndex:
      return IndexFirst(fromEnd);
    case tatBookmarks: {
      const int32_t slot = fromEnd ? FBookmarks->FindLast() : FBookmarks->FindFirst();
      if (slot < 0) return kNotFound;
      FBookmarkSlot = slot;
      SetCurrentRecordNo(FBookmarks->GetItem(slot));
      return 0;
    }
    default: {
      const int32_t lower = FRangeLowerBound.RecordNo();
      const int32_t upper = FRangeUpperBound.RecordNo();
      int32_t recNo = 0;
      if (fromEnd) {
        recNo = FRelation.GetLastRecordNo();
        if (upper > 0 && upper < recNo) recNo = upper;
        if (recNo < 1 || (lower > 0 && recNo < lower)) return kNotFound;
      } else {
        recNo = lower > 0 ? lower : FRelation.GetFirstRecordNo();
        if (recNo < 1 || recNo > FRelation.GetRecordCount() || (upper > 0 && recNo > upper)) return kNotFound;
      }
      SetCurrentRecordNo(recNo);
      return 0;
    }
  }
}

int16_t TVxbAccessor::StepNext(bool backwards) {
  if (FCurrentRecordNo < 0) return StepFirst(backwards);
  int16_t result = 0;
  switch (FCurrentAccessType) {
    case tatIndex:
      result = IndexStep(backwards);
      break;
    case tatBookmarks:
      result = BookmarkStep(backwards);
      break;
    default:
      result = RecordNoStep(backwards);
      break;
  }
  // A step away from a new record that finds nothing comes back to it.
  if (result < 0 && FCurrentEditState == esAppend && FWorkRecordNo == 0) {
    FCurrentRecordNo = 0;
  }
  return result;
}

int16_t TVxbAccessor::RawFirst() { return StepFirst(FReverse); }
int16_t TVxbAccessor::RawLast() { return StepFirst(!FReverse); }
int16_t TVxbAccessor::RawNext() { return StepNext(FReverse); }
int16_t TVxbAccessor::RawPrior() { return StepNext(!FReverse); }

// --- visibility and moves ---

int16_t TVxbAccessor::IsValidRecord() {
  if (FCurrentRecordNo < 0 || FCurrentRecordNo > FRelation.GetRecordCount()) return 0;
  if (FCurrentAccessType == tatBookmarks && FCurrentRecordNo > 0) {
    if (FBookmarkSlot < 0 || FBookmarks->GetItem(FBookmarkSlot) != FCurrentRecordNo) {
      FBookmarkSlot = FBookmarks->Find(FCurrentRecordNo);
    }
    if (FBookmarkSlot < 0) return 0;
  }
  if (FCurrentAccessType == tatIndex && FCurrentRecordNo > 0 && HasRange()) {
    if (!FCurrentIndexInfo || FCurrentIndexInfo->DateiVerweis != FCurrentRecordNo) {
      if (const int16_t computed = ComputeCurrentIndexInfo(); computed < 0) return 0;
    }
    if (!WithinRange(*FCurrentIndexInfo)) return 0;
  } else if (FCurrentAccessType == tatRecordNo && FCurrentRecordNo > 0) {
    const int32_t lower = FRangeLowerBound.RecordNo();
    const int32_t upper = FRangeUpperBound.RecordNo();
    if ((lower > 0 && FCurrentRecordNo < lower) || (upper > 0 && FCurrentRecordNo > upper)) return 0;
  }
  if (FFilter == nullptr) return 1;
  try {
    return FFilter->Evaluate() ? 1 : 0;
  } catch (const errors::EVxbEngine& e) {
    return FRelation.Services().SetLastError(e);
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

int16_t TVxbAccessor::SettleFromEnd(int16_t result, bool fromEnd, int32_t sequenceNo, const TPosition& start) {
  while (result == 0) {
    const int16_t visible = IsValidRecord();
    if (visible < 0) {
      result = visible;
      break;
    }
    if (visible == 1) {
      FCurrentSequenceNo = sequenceNo;
      FRecordDeleted = false;
      return 0;
    }
    if (fromEnd) {
      result = RawPrior();
      if (sequenceNo > 0) --sequenceNo;
    } else {
      result = RawNext();
      ++sequenceNo;
    }
  }
  if (result == kNotFound) {
    ToBoT();
  } else {
    Pop(start);
  }
  return result;
}

int16_t TVxbAccessor::First() {
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  const TPosition start = Push();
  return SettleFromEnd(RawFirst(), false, 1, start);
}

int16_t TVxbAccessor::Last() {
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  const TPosition start = Push();
  const int16_t result = RawLast();
  int32_t sequenceNo = -1;
  switch (FCurrentAccessType) {
    case tatBookmarks:
      sequenceNo = FBookmarks->Count();
      break;
    case tatIndex:
      if (!HasRange()) {
        if (index::TVxbIndexFile* index = FRelation.GetIndexFile(FCurrentIndexNo)) sequenceNo = index->GetItemCount();
      }
      break;
    default:
      if (!HasRange()) sequenceNo = FRelation.GetRecordCount();
      break;
  }
  return SettleFromEnd(result, true, sequenceNo, start);
}

int16_t TVxbAccessor::Next() {
  if (FCurrentRecordNo < 0) return First();
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  const TPosition start = Push();
  int32_t sequenceNo = FCurrentSequenceNo;
  for (;;) {
    const int16_t step = RawNext();
    if (step < 0) {
      Pop(start);
      return step;
    }
    if (sequenceNo > 0) ++sequenceNo;
    const int16_t visible = IsValidRecord();
    if (visible < 0) {
      Pop(start);
      return visible;
    }
    if (visible == 1) break;
  }
  FCurrentSequenceNo = sequenceNo;
  FRecordDeleted = false;
  return 0;
}

int16_t TVxbAccessor::Prior() {
  if (FCurrentRecordNo < 0) return kNotFound;
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  const TPosition start = Push();
  int32_t sequenceNo = FCurrentRecordNo == 0 ? -1 : FCurrentSequenceNo;
  for (;;) {
    const int16_t step = RawPrior();
    if (step < 0) {
      Pop(start);
      return step;
    }
    if (sequenceNo > 1) --sequenceNo;
    const int16_t visible = IsValidRecord();
    if (visible < 0) {
      Pop(start);
      return visible;
    }
    if (visible == 1) break;
  }
  FCurrentSequenceNo = sequenceNo;
  FRecordDeleted = false;
  return 0;
}

int16_t TVxbAccessor::MoveBy(int32_t delta) {
  if (delta == 0) {
    if (FCurrentRecordNo > FRelation.GetRecordCount()) {
      ToBoT();
      return 0;
    }
    if (FCurrentRecordNo < 0) return kNotFound;
    const int16_t visible = IsValidRecord();
    if (visible < 0) return visible;
    if (visible == 1) return 0;
    if (Next() == 0) return 0;
    return Last();
  }
  for (int32_t step = 0; step < (delta > 0 ? delta : -static_cast<int64_t>(delta)); ++step) {
    const int16_t result = delta > 0 ? Next() : Prior();
    if (result < 0) return result;
  }
  return 0;
}

int16_t TVxbAccessor::GotoRecord(int32_t recordNo) {
  if (recordNo < -1 || recordNo > FRelation.GetRecordCount()) return kNotFound;
  if (recordNo == -1) {
    ToBoT();
    return 0;
  }
  if (recordNo == FCurrentRecordNo) return 0;
  if (recordNo == 0 && !(FCurrentEditState == esAppend && FWorkRecordNo == 0)) return kNotFound;
  SetCurrentRecordNo(recordNo);
  FCurrentSequenceNo = FCurrentAccessType == tatRecordNo && !FReverse ? recordNo : -1;
  FBookmarkSlot = -1;
  if (FCurrentAccessType == tatIndex && recordNo > 0) {
    const storage::TVxbTableLockGuard readLock = ReadLock();
    return ComputeCurrentIndexInfo();
  }
  return 0;
}

void TVxbAccessor::ToBoT() {
  SetCurrentRecordNo(-1);
  FCurrentSequenceNo = -1;
  FBookmarkSlot = -1;
}

void TVxbAccessor::Pop(const TPosition& position) {
  const bool moved = position.RecordNo != FCurrentRecordNo;
  SetCurrentRecordNo(position.RecordNo);
  FCurrentSequenceNo = position.SequenceNo;
  FRecordDeleted = position.RecordDeleted;
  if (moved) {
    FBookmarkSlot = -1;
    if (FCurrentAccessType == tatIndex && FCurrentRecordNo > 0) ComputeCurrentIndexInfo();
  }
}

void TVxbAccessor::Reset() {
  ClearRange();
  FCurrentAccessType = tatRecordNo;
  FCurrentIndexNo = storage::kNoIndex;
  FReverse = false;
  FFilter = nullptr;
  FBookmarks->Clear();
  ToBoT();
}

// --- sequence numbers and counts ---

int32_t TVxbAccessor::GetSequenceNo() {
  if (FCurrentRecordNo <= 0) return -1;
  if (FCurrentSequenceNo > 0) return FCurrentSequenceNo;
  int32_t sequenceNo = -2;
  switch (FCurrentAccessType) {
    case tatBookmarks: {
      const int32_t position = FBookmarks->FindSequence(FCurrentRecordNo);
      if (position >= 0) sequenceNo = FReverse ? FBookmarks->Count() - position : position + 1;
      break;
    }
    case tatIndex: {
      index::TVxbIndexFile* index = UsableIndex(FCurrentIndexNo);
      if (index == nullptr) break;
      const storage::TVxbTableLockGuard readLock = ReadLock();
      if (!FCurrentIndexInfo || FCurrentIndexInfo->DateiVerweis != FCurrentRecordNo) ComputeCurrentIndexInfo();
      const int32_t rank = index->CalcItemSequenceNo(CurrentIndexInfo());
      if (rank > 0) sequenceNo = FReverse ? index->GetItemCount() + 1 - rank : rank;
      break;
    }
    default:
      sequenceNo = FReverse ? FRelation.GetRecordCount() + 1 - FCurrentRecordNo : FCurrentRecordNo;
      break;
  }
  FCurrentSequenceNo = sequenceNo;
  return sequenceNo;
}

int32_t TVxbAccessor::GotoSequenceNo(int32_t sequenceNo) {
  switch (FCurrentAccessType) {
    case tatRecordNo: {
      const int32_t count = FRelation.GetRecordCount();
      const int32_t recNo = FReverse ? count + 1 - sequenceNo : sequenceNo;
      if (recNo < 1) return kNotFound;
      const int16_t result = GotoRecord(recNo);
      if (result < 0) return result;
      FCurrentSequenceNo = sequenceNo;
      return FCurrentRecordNo;
    }
    case tatBookmarks: {
      if (sequenceNo < 1 || sequenceNo > FBookmarks->Count()) return kNotFound;
      const int32_t wanted = FReverse ? FBookmarks->Count() - sequenceNo + 1 : sequenceNo;
      int32_t slot = FBookmarks->FindFirst();
      for (int32_t n = 1; n < wanted && slot >= 0; ++n) slot = FBookmarks->FindNext(slot);
      if (slot < 0) return kNotFound;
      SetCurrentRecordNo(FBookmarks->GetItem(slot));
      FBookmarkSlot = slot;
      FCurrentSequenceNo = sequenceNo;
      return FCurrentRecordNo;
    }
    default:
      break;
  }
  const storage::TVxbTableLockGuard readLock = ReadLock();
  int32_t count = -1;
  if (index::TVxbIndexFile* index = FRelation.GetIndexFile(FCurrentIndexNo)) count = index->GetItemCount();
  int16_t result = 0;
  if (sequenceNo <= 1) {
    result = First();
  } else if (count > 0 && sequenceNo >= count) {
    result = Last();
  } else {
    // The shortest of three walks: from the first record, from the last,
    // or from here when the current position is known.
    const int64_t fromFirst = sequenceNo - 1;
    const int64_t fromLast = count > 0 ? count - sequenceNo : INT32_MAX;
    const int32_t here = FCurrentRecordNo > 0 ? GetSequenceNo() : -1;
    const int64_t fromHere = here > 0 ? std::abs(static_cast<int64_t>(sequenceNo) - here) : INT32_MAX;
    if (fromHere <= fromFirst && fromHere <= fromLast) {
      result = MoveBy(sequenceNo - here);
    } else if (fromFirst <= fromLast) {
      result = First();
      if (result == 0) result = MoveBy(static_cast<int32_t>(fromFirst));
    } else {
      result = Last();
      if (result == 0) result = MoveBy(-static_cast<int32_t>(fromLast));
    }
    if (result == 0) FCurrentSequenceNo = sequenceNo;
  }
  return result < 0 ? result : FCurrentRecordNo;
}

int32_t TVxbAccessor::CountByWalking() {
  const TPosition start = Push();
  int32_t count = 0;
  if (First() == 0) {
    ++count;
    while (Next() == 0) ++count;
  }
  Pop(start);
  return count;
}

int32_t TVxbAccessor::GetRecordCount() {
  if (FFilter == nullptr) {
    switch (FCurrentAccessType) {
      case tatBookmarks:
        return FBookmarks->Count();
      case tatIndex:
        if (!HasRange()) {
          if (index::TVxbIndexFile* index = UsableIndex(FCurrentIndexNo)) {
            const storage::TVxbTableLockGuard readLock = ReadLock();
            return index->GetItemCount();
          }
          return -1;
        }
        break;
      default:
        if (!HasRange()) return FRelation.GetRecordCount();
        break;
    }
  }
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (FRelation.GetRecordCount() >= kWalkCountLimit) return -1;
  return CountByWalking();
}

// --- key search ---

int32_t TVxbAccessor::LocateRecord2(int indexNo, const types::TVxbLongIndexInfo& key, int itemCount, bool& exact) {
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  index::TVxbIndexFile* index = UsableIndex(indexNo);
  if (index == nullptr) return -errors::vxbErrIndexCorrupt;
  const size_t bytes = KeyBytes(*index);
  const int keyCount = static_cast<int>(index->GetKeyLayout().Items.size());
  if (itemCount <= 0 || itemCount > keyCount) itemCount = keyCount;
  const TPosition start = Push();
  const bool exactWanted = exact;
  // The walk's own entry: the current key and the scratch entry serve the
  // steps of the accessor's order.
  if (!FProbeEntry) FProbeEntry = std::make_unique<types::TVxbLongIndexInfo>();
  types::TVxbLongIndexInfo* probe = FProbeEntry.get();
  CopyEntry(key, *probe, bytes);
  int16_t step = index->Suche_Index(*probe);
  // On the current index with a range, keys outside it are never visible:
  // below the range the walk jumps to its first key, beyond it the walk ends.
  const bool rangedIndex = FCurrentAccessType == tatIndex && indexNo == FCurrentIndexNo && HasRange();
  bool jumped = false;
  while (step == 0) {
    const bool agrees = CompareEntries(indexNo, *probe, key, itemCount, false) == 0;
    if (exactWanted && !agrees) break;
    if (rangedIndex && BeyondUpper(*probe)) break;
    if (rangedIndex && !jumped && BelowLower(*probe)) {
      jumped = true;
      if (IndexFirst(false) != 0) break;
      CopyEntry(CurrentIndexInfo(), *probe, bytes);
      continue;
    }
    SetCurrentRecordNo(probe->DateiVerweis);
    FBookmarkSlot = -1;
    if (FCurrentAccessType == tatIndex) {
      if (indexNo == FCurrentIndexNo) {
        CopyEntry(*probe, CurrentIndexInfo(), bytes);
      } else {
        ComputeCurrentIndexInfo();
      }
    }
    const int16_t visible = IsValidRecord();
    if (visible < 0) {
      Pop(start);
      return visible;
    }
    if (visible == 1) {
      if (!exactWanted) exact = agrees;
      FCurrentSequenceNo = -1;
      FRecordDeleted = false;
      return FCurrentRecordNo;
    }
    step = index->Naechster_Index(*probe);
  }
  Pop(start);
  if (step < -1) return step;
  return 0;
}

}  // namespace vexilo::cursor
