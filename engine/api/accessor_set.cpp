#include "engine/api/accessor_set.h"

#include <algorithm>

#include "fs/contract.h"

namespace vexilo::api {

void TVxbAccessorSet::AddAccessor(int16_t rltnIdx, std::unique_ptr<cursor::TVxbAccessor> accessor) {
  VEXILO_REQUIRE(rltnIdx >= 1 && rltnIdx <= kMaxRltnIdx && !FAccessors[rltnIdx]);
  FAccessors[rltnIdx] = std::move(accessor);
  FOrder.push_back(rltnIdx);
}

void TVxbAccessorSet::DeleteAccessor(int16_t rltnIdx) {
  if (rltnIdx < 1 || rltnIdx > kMaxRltnIdx || !FAccessors[rltnIdx]) return;
  FAccessors[rltnIdx].reset();
  FOrder.erase(std::remove(FOrder.begin(), FOrder.end(), rltnIdx), FOrder.end());
}

cursor::TVxbAccessor* TVxbAccessorSet::GetAccessor(int16_t rltnIdx) const {
  if (rltnIdx < 1 || rltnIdx > kMaxRltnIdx) return nullptr;
  return FAccessors[rltnIdx].get();
}

cursor::TVxbAccessor* TVxbAccessorSet::GetAccessorAt(int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return FAccessors[FOrder[static_cast<size_t>(position)]].get();
}

void TVxbAccessorSet::Clear() {
  while (!FOrder.empty()) DeleteAccessor(FOrder.back());
}

}  // namespace vexilo::api
