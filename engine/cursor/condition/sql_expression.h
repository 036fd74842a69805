// TVxbSqlExpression: an expression of the engine's SQL dialect on its own —
// a calculated column's value — prepared once against the accessors of its
// context and evaluated on their current records, as the operands of a
// search condition are (sql_condition.h). A parser error becomes engine
// error 25 with the parser's message; what follows a complete expression is
// refused (25) rather than ignored, since nothing else can follow it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/condition/condition_evaluation.h"
#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

class TVxbSqlExpression {
 public:
  explicit TVxbSqlExpression(std::u16string source);
  ~TVxbSqlExpression();
  TVxbSqlExpression(const TVxbSqlExpression&) = delete;
  TVxbSqlExpression& operator=(const TVxbSqlExpression&) = delete;

  const std::u16string& Source() const { return FSource; }

  // Raises EVxbEngine; the expression is then not prepared.
  void Prepare(std::vector<TVxbAccessor*> context, uint8_t options);
  bool IsPrepared() const { return FExpression != nullptr; }
  // The type of its values (after Prepare).
  const types::TVxbDataType* ResultType() const { return FExpression ? FExpression->ResultType : nullptr; }
  // Its value on the current records; valid until the next evaluation.
  TVxbOperand Evaluate();

  const TVxbExpression* Tree() const { return FExpression.get(); }

 private:
  std::u16string FSource;
  std::vector<TVxbAccessor*> FContext;
  std::unique_ptr<TVxbExpression> FExpression;
};

}  // namespace vexilo::cursor
