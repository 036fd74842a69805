#include "app/english_search_window.h"

namespace vexilo::app {

TForm5::TForm5()
    : TExpressionSearchForm({.Caption = QStringLiteral(" Angol kifejezés keresése:"),
                             .IndexName = QStringLiteral("ENG"),
                             .EditHint = QStringLiteral("Keresendő angol kifejezés|Keresendő angol kifejezés megadása !"),
                             .FirstField = QStringLiteral("ENG"),
                             .FirstTitle = QStringLiteral("Angol"),
                             .SecondField = QStringLiteral("HUN"),
                             .SecondTitle = QStringLiteral("Magyar")}) {
  setObjectName(QStringLiteral("Form5"));
}

}  // namespace vexilo::app
