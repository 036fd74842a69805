#include "app/hungarian_search_window.h"

namespace vexilo::app {

TForm8::TForm8()
    : TDialogForm(QStringLiteral(" Magyar kifejezés keresése:"), QSize(553, 277),
                  TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form8"));
}

}  // namespace vexilo::app
