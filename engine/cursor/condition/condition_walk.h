// Looking through a condition tree for a factor: whether any factor of an
// expression (the arguments of its function calls and its parenthesised
// expressions included), or of any operand of a condition, satisfies a
// test. The index choice asks it for columns, check constraints and
// calculations for columns whose contents travel apart from the record.
#pragma once

#include <functional>

#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

using TVxbFactorTest = std::function<bool(const TVxbSimpleFactor&)>;

bool AnyFactor(const TVxbExpression& expression, const TVxbFactorTest& test);
bool AnyFactor(const TVxbSearchCondition& condition, const TVxbFactorTest& test);

// A bound column whose values live in the memo or blob file.
bool IsContentColumnFactor(const TVxbSimpleFactor& factor);

}  // namespace vexilo::cursor
