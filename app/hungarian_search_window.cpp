#include "app/hungarian_search_window.h"

namespace vexilo::app {

TForm8::TForm8()
    : TExpressionSearchForm({.Caption = QStringLiteral(" Magyar kifejezés keresése:"),
                             .IndexName = QStringLiteral("HUN"),
                             .EditHint = QStringLiteral("Keresendő magyar kifejezés|Keresendő magyar kifejezés megadása !"),
                             .FirstField = QStringLiteral("HUN"),
                             .FirstTitle = QStringLiteral("Magyar"),
                             .SecondField = QStringLiteral("ENG"),
                             .SecondTitle = QStringLiteral("Angol")}) {
  setObjectName(QStringLiteral("Form8"));
}

}  // namespace vexilo::app
