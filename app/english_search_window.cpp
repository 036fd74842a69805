#include "app/english_search_window.h"

namespace vexilo::app {

TForm5::TForm5()
    : TDialogForm(QStringLiteral(" Angol kifejezés keresése:"), QSize(553, 277),
                  TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form5"));
}

}  // namespace vexilo::app
