// TForm2 (Form2): the data maintenance window: browse, insert, edit and delete dictionary entries,
// with the record count. Until its controls are built the window is its frame: caption and size.
#pragma once

#include "app/dialog_form.h"

namespace vexilo::app {

class TForm2 : public TDialogForm {
  Q_OBJECT

 public:
  TForm2();
};

}  // namespace vexilo::app
