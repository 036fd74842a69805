#include "app/dialog_form.h"

#include <QShowEvent>

namespace vexilo::app {

TDialogForm::TDialogForm(const QString& caption, QSize clientSize, TBorderIcons icons)
    : QDialog(nullptr) {
  SetUpWindowFrame(*this, caption, clientSize, icons);
}

int TDialogForm::ShowModal() {
  CentreOnScreen(*this);
  return exec();
}

void TDialogForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

}  // namespace vexilo::app
