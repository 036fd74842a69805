// TVxbChainVisitor and TVxbChainSource: how a consistency check of the memo
// and blob files (blocked_binary_file.h) is told which stored values the
// table's records refer to.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace vexilo::storage {

// One stored value that a consistency check walks: the record, the column and
// the value's first block (0 for no value).
using TVxbChainVisitor = std::function<void(int32_t recordNo, std::u16string_view fieldName, int32_t blockIdx)>;
// Calls its argument once for each value of the file's kind in the table.
using TVxbChainSource = std::function<void(const TVxbChainVisitor& visit)>;

}  // namespace vexilo::storage
