// Hints: their short and long parts, tooltips, and the application's hint
// that follows the mouse and the highlighted menu item.
#include "framework/widgets/hints.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

namespace vexilo::framework {
namespace {

TEST(HintsTest, BarSeparatesTheShortAndTheLongPart) {
  const struct {
    const char* Hint;
    const char* Short;
    const char* Long;
  } cases[] = {
      {"Első rekord|Első rekord !", "Első rekord", "Első rekord !"},
      {"Adatok keresése !", "Adatok keresése !", "Adatok keresése !"},
      {"|csak hosszú", "", "csak hosszú"},
      {"csak rövid|", "csak rövid", ""},
      {"a|b|c", "a", "b|c"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Hint);
    EXPECT_EQ(GetShortHint(QString::fromUtf8(c.Hint)), QString::fromUtf8(c.Short));
    EXPECT_EQ(GetLongHint(QString::fromUtf8(c.Hint)), QString::fromUtf8(c.Long));
  }
}

TEST(HintsTest, ControlShowsTheShortPartAsTooltipAndReportsTheLongPart) {
  QPushButton control;
  SetHint(&control, QStringLiteral("Szűrés|Megjelenített adatok szűrése !"));
  EXPECT_EQ(control.toolTip(), QStringLiteral("Szűrés"));

  TApplicationHint& hint = TApplicationHint::Instance();
  QSignalSpy changes(&hint, &TApplicationHint::HintChanged);
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QCoreApplication::sendEvent(&control, &enter);
  EXPECT_EQ(hint.Hint(), QStringLiteral("Megjelenített adatok szűrése !"));

  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&control, &leave);
  EXPECT_EQ(hint.Hint(), QString());
  ASSERT_EQ(changes.count(), 2);
  EXPECT_EQ(changes[0][0].toString(), QStringLiteral("Megjelenített adatok szűrése !"));
}

TEST(HintsTest, HighlightedMenuItemReportsItsLongHint) {
  QMenu menu;
  QAction* item = menu.addAction(QStringLiteral("Névjegy"));
  SetHint(item, QStringLiteral("Program bemutatkozása !"));
  menu.popup(QPoint(0, 0));
  menu.setActiveAction(item);
  EXPECT_EQ(TApplicationHint::Instance().Hint(), QStringLiteral("Program bemutatkozása !"));
  menu.hide();
}

}  // namespace
}  // namespace vexilo::framework
