#include "app/maintenance_window.h"

namespace vexilo::app {

TForm2::TForm2()
    : TDialogForm(QStringLiteral(" Adatok Karbantartása:"), QSize(553, 277),
                  TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form2"));
}

}  // namespace vexilo::app
