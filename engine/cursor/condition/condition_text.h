// The text of a condition tree in one canonical form: keywords upper case,
// columns in square brackets, strings in apostrophes (a wide string with a
// leading N), dates and times as DATE/TIME/TIMESTAMP literals in the
// engine's text forms, and every arithmetic operation in parentheses in the
// order it applies, so that ((a - b) + c) shows that a - b + c subtracts
// first. A parenthesised condition keeps its parentheses; the NOT of a
// predicate stands before it.
//
// Error messages quote operands through it, and tests compare trees by it.
#pragma once

#include <string>

#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

std::u16string ConditionText(const TVxbSearchCondition& condition);
std::u16string ExpressionText(const TVxbExpression& expression);

}  // namespace vexilo::cursor
