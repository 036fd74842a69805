// How an accessor follows the change notices of its relation.
//
// A deleted record d with the record m moved into its number (a heap table
// moves its last record there; m is 0 when nothing moved): an accessor that
// stood on d goes on to the record that followed it — d + 1 when a record
// moved into d, d otherwise — at most the new last record, or before the
// first when the relation is empty; then a current or work record number m
// becomes d, so an accessor on the moved record keeps showing it.
#include "engine/cursor/accessor.h"

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
    const int32_t count = FRelation.GetRecordCount();
    int32_t next = movedFrom > 0 ? recNo + 1 : recNo;
    if (next > count) next = count;
    FCurrentRecordNo = next > 0 ? next : -1;
    FCurrentRecBufUpdated = false;
    FRecordDeleted = true;
  } else if (movedFrom > 0 && FCurrentRecordNo == movedFrom) {
    FCurrentRecordNo = recNo;
    FCurrentRecBufUpdated = false;
  }
  if (movedFrom > 0 && FWorkRecordNo == movedFrom) FWorkRecordNo = recNo;
  if (FSavedRecordNo == movedFrom && movedFrom > 0) FSavedRecordNo = recNo;
  if (OnRecordDeleted) OnRecordDeleted(*this, recNo, movedFrom);
}

void TVxbAccessor::StructureChanged() {
  if (OnRelationEmptied) OnRelationEmptied(*this);
  FCurrentRecordNo = -1;
  FCurrentSequenceNo = -1;
  FCurrentRecBufUpdated = false;
}

bool TVxbAccessor::IsEditing(int32_t recNo) const { return FCurrentEditState == esEdit && FWorkRecordNo == recNo; }

}  // namespace vexilo::cursor
