// TVxbAccessorSet: at most one accessor per relation index 1 to 254, and the
// order in which they were added (the first one's relation is the primary
// relation). The catalog keeps the default accessor of each open relation
// here, tagged "Session_Default".
//
// The set owns its accessors; each must go before its relation does, so the
// relation's owner deletes the accessor first. Used by one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/cursor/accessor.h"

namespace vexilo::api {

class TVxbAccessorSet {
 public:
  static constexpr int16_t kMaxRltnIdx = 254;

  TVxbAccessorSet() = default;
  TVxbAccessorSet(const TVxbAccessorSet&) = delete;
  TVxbAccessorSet& operator=(const TVxbAccessorSet&) = delete;

  // Takes `accessor` for relation `rltnIdx` (1 to 254, holding none yet).
  void AddAccessor(int16_t rltnIdx, std::unique_ptr<cursor::TVxbAccessor> accessor);
  // Frees the accessor of `rltnIdx` and closes its gap in the order.
  void DeleteAccessor(int16_t rltnIdx);
  // The accessor of `rltnIdx`, or null.
  cursor::TVxbAccessor* GetAccessor(int16_t rltnIdx) const;
  // The accessor added `position`-th (from 0), or null.
  cursor::TVxbAccessor* GetAccessorAt(int32_t position) const;
  int32_t Count() const { return static_cast<int32_t>(FOrder.size()); }
  // The relation index of the first accessor added; 0 when empty.
  int16_t PrimaryRltnIdx() const { return FOrder.empty() ? int16_t{0} : FOrder.front(); }
  // Frees every accessor, last added first.
  void Clear();

 private:
  std::array<std::unique_ptr<cursor::TVxbAccessor>, 256> FAccessors;
  std::vector<int16_t> FOrder;
};

}  // namespace vexilo::api
