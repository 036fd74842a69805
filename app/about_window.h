// TForm7 (Form7): the about window: product, maker and information on the computer.
// Until its controls are built the window is its frame: caption and size.
#pragma once

#include "app/dialog_form.h"

namespace vexilo::app {

class TForm7 : public TDialogForm {
  Q_OBJECT

 public:
  TForm7();
};

}  // namespace vexilo::app
