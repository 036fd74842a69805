// TForm8 (Form8): the Hungarian search window: the grid jumps to the nearest Hungarian expression
// as the user types, in the order of the index "HUN"; the Hungarian column comes first.
#pragma once

#include "app/expression_search_window.h"

namespace vexilo::app {

class TForm8 : public TExpressionSearchForm {
  Q_OBJECT

 public:
  TForm8();
};

}  // namespace vexilo::app
