#include "app/filter_window.h"

namespace vexilo::app {

TForm6::TForm6()
    : TDialogForm(QStringLiteral(" Megjelenítendő adatok szűrése:"), QSize(541, 225),
                  TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form6"));
}

}  // namespace vexilo::app
