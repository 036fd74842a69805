#include "engine/cursor/condition/sql_expression.h"

#include <utility>

#include "engine/cursor/condition/condition_preparation.h"
#include "engine/cursor/condition/sql_parser.h"
#include "engine/errors/compiler_error.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/type_errors.h"
#include "fs/text.h"

namespace vexilo::cursor {

TVxbSqlExpression::TVxbSqlExpression(std::u16string source) : FSource(std::move(source)) {}

TVxbSqlExpression::~TVxbSqlExpression() = default;

void TVxbSqlExpression::Prepare(std::vector<TVxbAccessor*> context, uint8_t options) {
  FExpression.reset();
  FContext = std::move(context);
  TSqlParserOptions parserOptions;
  parserOptions.AllowLocalFormats = (options & tpoLocalFormats) != 0;
  std::unique_ptr<TVxbExpression> tree;
  try {
    TSqlParser parser(FSource, parserOptions);
    tree = parser.ParseExpression();
    if (!parser.AtEnd()) parser.FailHere();
  } catch (const errors::ESqlParser& e) {
    throw errors::EVxbEngine::CreateMsg(errors::vxbErrSyntax, fs::u16(e.what()));
  }
  PrepareExpression(*tree, FContext, options);
  FExpression = std::move(tree);
}

TVxbOperand TVxbSqlExpression::Evaluate() {
  if (!FExpression) throw errors::EVxbEngine(errors::vxbErrNoValue, FSource);
  try {
    return EvaluateExpression(*FExpression);
  } catch (const types::EVxbTypeException& e) {
    throw errors::EVxbEngine(errors::vxbErrInternal, fs::u16(e.what()));
  }
}

}  // namespace vexilo::cursor
