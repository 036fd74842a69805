// How an accessor follows the change notices of its relation.
//
// A deleted record d with the record m moved into its number (a heap table
// moves its last record there; m is 0 when nothing moved): an accessor that
// stood on d goes on to the record that followed it — d + 1 when a record
// moved into d, d otherwise — at most the new last record, or before the
// first when the relation is empty; then a current or work record number m
// becomes d, so an accessor on the moved record keeps showing it.
#include <algorithm>
#include <cstring>

#include "engine/cursor/accessor.h"
#include "engine/index/index_file.h"

namespace vexilo::cursor {

// A record being built (record number 0) does not come from the relation:
// other records' changes leave it as it is.
void TVxbAccessor::RecordsChanged() {
  if (FCurrentRecordNo > 0) FCurrentRecBufUpdated = false;
  if (OnRelationChanged) OnRelationChanged(*this);
}

void TVxbAccessor::RecordUpdated(int32_t recNo) {
  if (recNo == FCurrentRecordNo) FCurrentRecBufUpdated = false;
  if (OnRelationChanged) OnRelationChanged(*this);
}

void TVxbAccessor::RecordDeleted(int32_t recNo, int32_t movedFrom) {
  if (FCurrentRecordNo == recNo && recNo > 0) {
    FollowDeletionInOrder(recNo, movedFrom);
    FCurrentRecBufUpdated = false;
    FRecordDeleted = true;
  } else if (movedFrom > 0 && FCurrentRecordNo == movedFrom) {
    FCurrentRecordNo = recNo;
    FCurrentRecBufUpdated = false;
    if (FCurrentIndexInfo && FCurrentIndexInfo->DateiVerweis == movedFrom) FCurrentIndexInfo->DateiVerweis = recNo;
  }
  if (movedFrom > 0 && FWorkRecordNo == movedFrom) FWorkRecordNo = recNo;
  if (FSavedRecordNo == movedFrom && movedFrom > 0) FSavedRecordNo = recNo;
  // The list: the deleted number goes, the moved record takes its number.
  const int32_t deletedSlot = FBookmarks->Find(recNo);
  if (deletedSlot >= 0) FBookmarks->DeleteAt(deletedSlot);
  if (movedFrom > 0) {
    if (const int32_t movedSlot = FBookmarks->Find(movedFrom); movedSlot >= 0) FBookmarks->SetItem(movedSlot, recNo);
  }
  FBookmarkSlot = -1;
  if (FCurrentAccessType != tatRecordNo || FReverse) FCurrentSequenceNo = -1;
  if (OnRecordDeleted) OnRecordDeleted(*this, recNo, movedFrom);
}

// The accessor stood on the deleted record `recNo`: it goes on to the record
// that follows in its order.
int16_t TVxbAccessor::FollowDeletionInOrder(int32_t recNo, int32_t movedFrom) {
  const int32_t count = FRelation.GetRecordCount();
  switch (FCurrentAccessType) {
    case tatBookmarks: {
      int32_t here = FBookmarks->Find(recNo);
      int32_t slot = here >= 0 ? (FReverse ? FBookmarks->FindPrev(here) : FBookmarks->FindNext(here)) : -1;
      if (slot < 0 && here >= 0) slot = FReverse ? FBookmarks->FindNext(here) : FBookmarks->FindPrev(here);
      int32_t next = slot >= 0 ? FBookmarks->GetItem(slot) : -1;
      if (next == movedFrom && movedFrom > 0) next = recNo;
      FCurrentRecordNo = next > 0 && next <= count ? next : -1;
      return 0;
    }
    case tatIndex: {
      index::TVxbIndexFile* index = FRelation.GetIndexFile(FCurrentIndexNo);
      if (index != nullptr && index->IsOpen && FCurrentIndexInfo && count > 0) {
        types::TVxbLongIndexInfo& entry = ScratchEntry();
        entry.DateiVerweis = FCurrentIndexInfo->DateiVerweis;
        std::memcpy(entry.Key, FCurrentIndexInfo->Key,
                    std::min(index->GetKeyLayout().MaxKeySize(), sizeof(entry.Key)));
        int16_t found = index->Suche_Index(entry);
        if (FReverse && found == 0) found = index->Vorheriger_Index(entry);
        if (FReverse && found != 0) found = 1;
        if (found == 0 && WithinRange(entry)) {
          std::memcpy(FCurrentIndexInfo.get(), &entry, sizeof(int32_t) + index->GetKeyLayout().MaxKeySize());
          FCurrentRecordNo = entry.DateiVerweis;
          return 0;
        }
        FCurrentRecordNo = -1;
        FCurrentSequenceNo = -1;
        if (Last() == 0) return 0;
      }
      FCurrentRecordNo = -1;
      return 0;
    }
    default: {
      int32_t next = movedFrom > 0 ? recNo + 1 : recNo;
      if (FReverse) next = recNo - 1;
      if (next > count) next = count;
      FCurrentRecordNo = next > 0 ? next : -1;
      return 0;
    }
  }
}

void TVxbAccessor::StructureChanged() {
  FBookmarks->Clear();
  FBookmarkSlot = -1;
  if (OnRelationEmptied) OnRelationEmptied(*this);
  FCurrentRecordNo = -1;
  FCurrentSequenceNo = -1;
  FCurrentRecBufUpdated = false;
}

bool TVxbAccessor::IsEditing(int32_t recNo) const { return FCurrentEditState == esEdit && FWorkRecordNo == recNo; }

}  // namespace vexilo::cursor
