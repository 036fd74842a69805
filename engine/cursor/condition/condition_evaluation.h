// Evaluating a prepared condition tree on the current records of the
// accessors it was bound to: operand values (columns read into the holders
// of their nodes, literals as prepared, arithmetic applied from left to
// right), comparisons under the left operand's type, and the three-valued
// logic of NOT, AND and OR. Raises EVxbEngine for a value that cannot be
// read or computed.
#pragma once

#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

enum TVxbTruth : uint8_t { ttFalse, ttTrue, ttUnknown };

// A value and its type; the value lives in a node of the tree until its
// next evaluation.
struct TVxbOperand {
  const types::TVxbDataValue* Value;
  const types::TVxbDataType* Type;
};

TVxbOperand EvaluateExpression(TVxbExpression& expression);
TVxbTruth EvaluateSearchCondition(TVxbSearchCondition& condition);

// Whether the operand is null.
bool IsNull(const TVxbOperand& operand);
// The engine's comparison of two operands (kCompareNull when either is
// null, else less, equal or greater).
int Compare(const TVxbOperand& left, const TVxbOperand& right);

}  // namespace vexilo::cursor
