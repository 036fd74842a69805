#include "app/maintenance_window.h"

#include <QLabel>
#include <QPalette>

namespace vexilo::app {

TForm2::TForm2()
    : TDialogForm(QStringLiteral(" Adatok Karbantartása:"), QSize(553, 277),
                  TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form2"));
  Label2 = new QLabel(QStringLiteral("0"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(288, 22, 145, Label2->sizeHint().height());
  Label2->setAlignment(Qt::AlignCenter);
  QPalette blue = Label2->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label2->setPalette(blue);
}

}  // namespace vexilo::app
