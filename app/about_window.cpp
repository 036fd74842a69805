#include "app/about_window.h"

namespace vexilo::app {

TForm7::TForm7()
    : TDialogForm(QStringLiteral(" Névjegy:"), QSize(296, 388), TBorderIcons::SystemMenu) {
  setObjectName(QStringLiteral("Form7"));
}

}  // namespace vexilo::app
