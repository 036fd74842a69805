// TForm5 (Form5): the English search window: the grid jumps to the nearest English expression as
// the user types, in the order of the index "ENG"; the English column comes first.
#pragma once

#include "app/expression_search_window.h"

namespace vexilo::app {

class TForm5 : public TExpressionSearchForm {
  Q_OBJECT

 public:
  TForm5();
};

}  // namespace vexilo::app
