// TForm6 (Form6): the filter window: up to two comparisons restricting the entries shown
// everywhere. Until its controls are built the window is its frame: caption and size.
#pragma once

#include "app/dialog_form.h"

namespace vexilo::app {

class TForm6 : public TDialogForm {
  Q_OBJECT

 public:
  TForm6();
};

}  // namespace vexilo::app
