#include "engine/cursor/condition/sql_condition.h"

#include <string>
#include <utility>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/condition_evaluation.h"
#include "engine/cursor/condition/condition_preparation.h"
#include "engine/cursor/condition/condition_text.h"
#include "engine/cursor/condition/sql_parser.h"
#include "engine/errors/compiler_error.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/string_type.h"
#include "engine/types/type_errors.h"
#include "fs/text.h"

namespace vexilo::cursor {

using types::TVxbDataType;
using types::TVxbDataValue;

namespace {

// ---- simplification -------------------------------------------------------

// The only factor of `condition` (one OR term of one AND factor), or null.
TVxbBooleanFactor* SingleFactor(TVxbSearchCondition& condition) {
  if (condition.FSearchCondition || !condition.FBooleanTerm || condition.FBooleanTerm->FBooleanTerm) return nullptr;
  return condition.FBooleanTerm->FBooleanFactor.get();
}

bool IsComparison(const TVxbBooleanFactor& factor, TVxbComparisonOperator op) {
  return !factor.FSearchCondition && factor.FComparisonOperator == op;
}

// A = B, or NOT A <> B.
bool IsEquality(const TVxbBooleanFactor& factor) {
  return (!factor.FIsNot && IsComparison(factor, tcoEqual)) || (factor.FIsNot && IsComparison(factor, tcoUnequal));
}

bool IsNullTestOf(const TVxbBooleanFactor& factor, const std::u16string& operand) {
  return !factor.FIsNot && IsComparison(factor, tcoIsNull) && ExpressionText(*factor.FExpressionLeft) == operand;
}

void Simplify(std::unique_ptr<TVxbSearchCondition>& condition);

void SimplifyFactor(std::unique_ptr<TVxbBooleanFactor>& factor) {
  if (!factor->FSearchCondition) return;
  Simplify(factor->FSearchCondition);
  // A parenthesised condition of one factor is that factor.
  if (TVxbBooleanFactor* inner = SingleFactor(*factor->FSearchCondition)) {
    const bool isNot = factor->FIsNot != inner->FIsNot;
    std::unique_ptr<TVxbBooleanFactor> taken = std::move(factor->FSearchCondition->FBooleanTerm->FBooleanFactor);
    taken->FIsNot = isNot;
    factor = std::move(taken);
  }
}

void Simplify(std::unique_ptr<TVxbSearchCondition>& condition) {
  for (TVxbSearchCondition* orNode = condition.get(); orNode; orNode = orNode->FSearchCondition.get()) {
    for (TVxbBooleanTerm* andNode = orNode->FBooleanTerm.get(); andNode; andNode = andNode->FBooleanTerm.get()) {
      SimplifyFactor(andNode->FBooleanFactor);
    }
  }
  // A condition that is one parenthesised condition without NOT is that
  // condition.
  if (TVxbBooleanFactor* only = SingleFactor(*condition); only && !only->FIsNot && only->FSearchCondition) {
    std::unique_ptr<TVxbSearchCondition> inner = std::move(only->FSearchCondition);
    condition = std::move(inner);
  }
  // A = B OR (A IS NULL AND B IS NULL): A equals B, nulls included.
  TVxbSearchCondition& first = *condition;
  if (!first.FSearchCondition || first.FSearchCondition->FSearchCondition) return;
  if (!first.FBooleanTerm || first.FBooleanTerm->FBooleanTerm) return;
  TVxbBooleanFactor* equality = first.FBooleanTerm->FBooleanFactor.get();
  TVxbBooleanTerm* nullTerm = first.FSearchCondition->FBooleanTerm.get();
  if (!equality || !IsEquality(*equality) || !nullTerm || nullTerm->FBooleanTerm) return;
  TVxbBooleanFactor& nulls = *nullTerm->FBooleanFactor;
  if (nulls.FIsNot || !nulls.FSearchCondition || nulls.FSearchCondition->FSearchCondition) return;
  const TVxbBooleanTerm* both = nulls.FSearchCondition->FBooleanTerm.get();
  if (!both || !both->FBooleanTerm || both->FBooleanTerm->FBooleanTerm) return;
  const std::u16string a = ExpressionText(*equality->FExpressionLeft);
  const std::u16string b = ExpressionText(*equality->FExpressionRight);
  const TVxbBooleanFactor& x = *both->FBooleanFactor;
  const TVxbBooleanFactor& y = *both->FBooleanTerm->FBooleanFactor;
  if (!((IsNullTestOf(x, a) && IsNullTestOf(y, b)) || (IsNullTestOf(x, b) && IsNullTestOf(y, a)))) return;
  equality->FIsNot = false;
  equality->FComparisonOperator = tcoEqualNull;
  first.FSearchCondition.reset();
}

}  // namespace

TVxbSqlCondition::TVxbSqlCondition(std::u16string source) : FSource(std::move(source)) {}

TVxbSqlCondition::~TVxbSqlCondition() = default;

void TVxbSqlCondition::Prepare(std::vector<TVxbAccessor*> context, uint8_t options) {
  Unprepare();
  FContext = std::move(context);
  FOptions = options;
  bool blank = true;
  for (const char16_t c : FSource) blank = blank && (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n');
  if (blank) {
    FPrepared = true;
    return;
  }
  TSqlParserOptions parserOptions;
  parserOptions.AllowLocalFormats = (options & tpoLocalFormats) != 0;
  std::unique_ptr<TVxbSearchCondition> tree;
  try {
    TSqlParser parser(FSource, parserOptions);
    tree = parser.ParseCondition();
    // A condition stands alone: words after it would otherwise be dropped
    // without a word, and the condition would select more than was asked.
    parser.ExpectEnd();
  } catch (const errors::ESqlParser& e) {
    throw errors::EVxbEngine::CreateMsg(errors::vxbErrSyntax, fs::u16(e.what()));
  }
  Simplify(tree);
  PrepareCondition(*tree, FContext, FOptions);
  FSearchCondition = std::move(tree);
  FPrepared = true;
}

void TVxbSqlCondition::Unprepare() {
  FSearchCondition.reset();
  FPrepared = false;
}

TVxbTruth TVxbSqlCondition::EvaluateTruth() {
  if (!FSearchCondition) return ttTrue;
  try {
    return EvaluateSearchCondition(*FSearchCondition);
  } catch (const types::EVxbTypeException& e) {
    // A value the types cannot give as asked: an operation that cannot be
    // performed.
    throw errors::EVxbEngine(errors::vxbErrInternal, fs::u16(e.what()));
  }
}

bool TVxbSqlCondition::Evaluate() { return EvaluateTruth() == ttTrue; }

}  // namespace vexilo::cursor
