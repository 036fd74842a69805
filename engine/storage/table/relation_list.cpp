#include "engine/storage/table/relation_list.h"

namespace vexilo::storage {

TRelationList& TRelationList::Instance() {
  static TRelationList list;
  return list;
}

int32_t TRelationList::CalcRltnHdl(int32_t sessHdl, int32_t rltnIdx) {
  if (rltnIdx <= 0) return rltnIdx;
  return (sessHdl - 1) * kHandlesPerSession + rltnIdx;
}

TVxbRelation* TRelationList::GetRelation(int32_t rltnHdl) const {
  if (rltnHdl < 1 || rltnHdl >= kSlotCount) return nullptr;
  std::lock_guard<std::mutex> lock(FMutex);
  return FRelations[static_cast<size_t>(rltnHdl)];
}

bool TRelationList::SetRelation(int32_t rltnHdl, TVxbRelation* relation) {
  if (rltnHdl < 1 || rltnHdl > kMaxHandle) return false;
  std::lock_guard<std::mutex> lock(FMutex);
  FRelations[static_cast<size_t>(rltnHdl)] = relation;
  return true;
}

bool TRelationList::IsValidRltnHdl(int32_t rltnHdl) const {
  if (rltnHdl < 1 || rltnHdl > kMaxHandle) return false;
  const TVxbRelation* relation = GetRelation(rltnHdl);
  return relation && relation->GetActive();
}

}  // namespace vexilo::storage
