// TDialogForm: the base of the dictionary's secondary windows (maintenance,
// search, filter, about). Each is a fixed-size window centred on the screen
// and shown modally from the main window any number of times; it is created
// once at start-up and keeps its controls between showings.
#pragma once

#include <QDialog>

#include "app/window_frame.h"

class QShowEvent;

namespace vexilo::app {

class TDialogForm : public QDialog {
  Q_OBJECT

 public:
  // Shows the window modally, centred on the screen; returns when it closes.
  int ShowModal();

 protected:
  TDialogForm(const QString& caption, QSize clientSize, TBorderIcons icons);

  // Runs every time the window is shown, before it is first painted (not
  // when it is merely restored from minimised).
  virtual void FormShow() {}

  void showEvent(QShowEvent* event) override;
};

}  // namespace vexilo::app
