// TForm8 (Form8): the Hungarian search window: the grid jumps to the nearest Hungarian expression
// as the user types. Until its controls are built the window is its frame: caption and size.
#pragma once

#include "app/dialog_form.h"

namespace vexilo::app {

class TForm8 : public TDialogForm {
  Q_OBJECT

 public:
  TForm8();
};

}  // namespace vexilo::app
