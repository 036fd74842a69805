#include "framework/widgets/message_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "framework/widgets/translations.h"

namespace vexilo::framework {

namespace {

TMessageBoxes* GInstalled = nullptr;

// The standard buttons read "Igen", "Nem" and "OK" through Qt's Hungarian
// translation; without it they are named here.
void NameButtons(QMessageBox& box) {
  if (HungarianTranslationsInstalled()) return;
  if (QAbstractButton* yes = box.button(QMessageBox::Yes)) yes->setText(QStringLiteral("Igen"));
  if (QAbstractButton* no = box.button(QMessageBox::No)) no->setText(QStringLiteral("Nem"));
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("OK"));
}

}  // namespace

bool TQtMessageBoxes::AskYesNo(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  NameButtons(box);
  return box.exec() == QMessageBox::Yes;
}

void TQtMessageBoxes::ShowOk(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  NameButtons(box);
  box.exec();
}

TMessageBoxes& MessageBoxes() {
  static TQtMessageBoxes qtBoxes;
  return GInstalled != nullptr ? *GInstalled : qtBoxes;
}

TMessageBoxesOverride::TMessageBoxesOverride(TMessageBoxes& boxes) : FPrevious(GInstalled) {
  GInstalled = &boxes;
}

TMessageBoxesOverride::~TMessageBoxesOverride() { GInstalled = FPrevious; }

}  // namespace vexilo::framework
