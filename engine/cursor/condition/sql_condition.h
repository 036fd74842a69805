// TVxbSqlCondition: a search condition of the engine's SQL dialect, as a
// filter or a condition search hands it over — its text, prepared once
// against the accessors of its context (one per relation it may read), then
// evaluated on their current records as often as asked.
//
// Preparing parses the text (a parser error becomes engine error 25 with the
// parser's message), simplifies the tree (a parenthesised single factor
// loses its parentheses, NOT NOT cancels, A = B OR (A IS NULL AND B IS NULL)
// becomes one null-equal test), binds every column name to an accessor and
// column (without regard to case; error 50 for an unknown one), types every
// operand (a string literal takes the type of the operand it is compared
// with, converted from its text: 46, 137, 140, 158, 50 or 44 when it does
// not convert), and checks that the operands can be compared (44 with the
// two types' SQL names). With tpoUseJokers, a string compared with "=" to a
// literal ending in "*" becomes LIKE with a final "%".
//
// Evaluation is three-valued: a comparison with a null is unknown; NOT keeps
// unknown unknown; AND is false when any factor is false, else unknown when
// any is, else true (it stops at the first false); OR the other way round.
// Evaluate is true only for true. Column and literal operands are read into
// holders made at preparation, so a record costs no allocation for them.
//
// Errors are raised as EVxbEngine. A condition is used by one thread at a
// time; its accessors must outlive its preparation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/condition/condition_evaluation.h"
#include "engine/cursor/condition/condition_preparation.h"
#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

class TVxbSqlCondition {
 public:
  explicit TVxbSqlCondition(std::u16string source);
  ~TVxbSqlCondition();
  TVxbSqlCondition(const TVxbSqlCondition&) = delete;
  TVxbSqlCondition& operator=(const TVxbSqlCondition&) = delete;

  const std::u16string& Source() const { return FSource; }

  // Prepares the condition against `context` (not owned) with `options`
  // (TVxbPrepareOption bits). Raises EVxbEngine; the condition is then not
  // prepared.
  void Prepare(std::vector<TVxbAccessor*> context, uint8_t options);
  void Unprepare();
  bool IsPrepared() const { return FPrepared; }

  // The condition on the accessors' current records; a condition without
  // text is true. Raises EVxbEngine for values that cannot be computed.
  bool Evaluate();
  TVxbTruth EvaluateTruth();

  // The prepared tree (null for a condition without text).
  const TVxbSearchCondition* Tree() const { return FSearchCondition.get(); }

 private:
  std::u16string FSource;
  std::vector<TVxbAccessor*> FContext;
  uint8_t FOptions = 0;
  std::unique_ptr<TVxbSearchCondition> FSearchCondition;
  bool FPrepared = false;
};

}  // namespace vexilo::cursor
