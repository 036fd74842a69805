// Preparing a parsed condition or expression against the accessors of its
// context: column names bound to an accessor and column (without regard to
// case; 50 for an unknown one), every operand typed (a string literal takes
// the type of what it is compared with, converted from its text), functions
// given their result types, comparisons checked for comparable types (44),
// and with tpoUseJokers the trailing-* rule applied. Raises EVxbEngine.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

// The preparation options (a set of these bits). Only tpoLocalFormats
// (literal texts in the local formats) and tpoUseJokers change a condition
// of this language.
enum TVxbPrepareOption : uint8_t {
  tpoLocalFormats = 1,
  tpoCaseInsensitive = 2,
  tpoUseJokers = 4,
  tpoNativeJokers = 8,
};

void PrepareCondition(TVxbSearchCondition& condition, const std::vector<TVxbAccessor*>& context, uint8_t options);
void PrepareExpression(TVxbExpression& expression, const std::vector<TVxbAccessor*>& context, uint8_t options);

}  // namespace vexilo::cursor
