// TForm2 (Form2): the data maintenance window: browse, insert, edit and delete dictionary entries,
// with the record count. Of its controls the window has so far its frame (caption and size) and
// the record-count label the main window writes.
#pragma once

#include "app/dialog_form.h"

class QLabel;

namespace vexilo::app {

class TForm2 : public TDialogForm {
  Q_OBJECT

 public:
  TForm2();

  // The record count (initially "0").
  QLabel* Label2 = nullptr;
};

}  // namespace vexilo::app
