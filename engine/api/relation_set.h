// Relation sets and relation lists, the two ways callers name several
// relations of one catalog at once.
//
// A relation set holds relation indexes 1 to 254 (bit i for index i). A
// relation list is a sequence of at most 254 relation indexes that ends at
// its first negative entry (or its end); 0 entries are skipped.
#pragma once

#include <bitset>
#include <cstdint>
#include <span>

namespace vexilo::api {

using TVxbRelationSet = std::bitset<256>;
using TVxbRelationList = std::span<const int16_t>;

}  // namespace vexilo::api
