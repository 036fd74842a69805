// TVxbTransferVector: the column pairs of a record copy between two
// accessors — FieldNos[i] is a source column and FieldNos[kMaxPairs + i]
// the target column it goes to, for the first Size pairs. The layout (1000
// source numbers, then 1000 target numbers) is the one the engine's callers
// hand over.

#pragma once

#include <array>
#include <cstdint>

namespace vexilo::cursor {

struct TVxbTransferVector {
  static constexpr int kMaxPairs = 1000;

  int16_t Size = 0;
  std::array<int16_t, 2 * kMaxPairs> FieldNos{};

  int16_t SourceFieldNo(int pair) const { return FieldNos[static_cast<size_t>(pair)]; }
  int16_t TargetFieldNo(int pair) const { return FieldNos[static_cast<size_t>(kMaxPairs + pair)]; }
  // Appends the pair (source, target); false when the vector is full.
  bool Add(int16_t sourceFieldNo, int16_t targetFieldNo) {
    if (Size >= kMaxPairs) return false;
    FieldNos[static_cast<size_t>(Size)] = sourceFieldNo;
    FieldNos[static_cast<size_t>(kMaxPairs + Size)] = targetFieldNo;
    ++Size;
    return true;
  }
};

}  // namespace vexilo::cursor
