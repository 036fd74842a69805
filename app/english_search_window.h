// TForm5 (Form5): the English search window: the grid jumps to the nearest English expression as
// the user types. Until its controls are built the window is its frame: caption and size.
#pragma once

#include "app/dialog_form.h"

namespace vexilo::app {

class TForm5 : public TDialogForm {
  Q_OBJECT

 public:
  TForm5();
};

}  // namespace vexilo::app
