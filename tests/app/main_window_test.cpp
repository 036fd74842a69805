// The main window: its menu with every caption and hint, hints in the status
// bar, the exit question, and the windows its menu opens.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <memory>

#include "app/forms.h"
#include "app/maintenance_window.h"
#include "tests/app/dictionary_directory.h"
#include "framework/widgets/hints.h"
#include "tests/framework_widgets/answering_message_boxes.h"

namespace vexilo::app {
namespace {

using vexilo::testing::TAnsweringMessageBoxes;

const QString kExitHint = QStringLiteral("Program használatának befejezése !");
const QString kExitTitle = QStringLiteral("Program vége:");
const QString kExitQuestion = QStringLiteral("Biztosan be kívánja fejezni a program használatát ?");

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDirectory = std::make_unique<testing::TDictionaryDirectory>(testing::SmallDictionary());
    FForms = std::make_unique<TForms>();
    ASSERT_NE(Form1, nullptr);
  }
  void TearDown() override {
    // Destroying the windows asks nothing.
    FForms.reset();
    FDirectory.reset();
  }

  QAction* Item(const char* name) const {
    return Form1->findChild<QAction*>(QString::fromLatin1(name));
  }

  std::unique_ptr<testing::TDictionaryDirectory> FDirectory;
  std::unique_ptr<TForms> FForms;
};

struct TMenuItemCase {
  const char* Name;
  const char* Parent;  // "" for the menu bar
  const char* Caption;
  const char* Hint;
};

// Every item of the main menu, in menu order.
const TMenuItemCase kMenuItems[] = {
    {"Mveletek1", "", "Műveletek", "Program eljárásai !"},
    {"Adatkarbantarts1", "Mveletek1", "Adatkarbantartás", "Adatok karbantartása !"},
    {"N2", "Mveletek1", "", ""},
    {"Keress1", "Mveletek1", "Keresés", "Adatok keresése !"},
    {"Angol1", "Keress1", "Angol", "Angol kifejezés keresése !"},
    {"Magyar1", "Keress1", "Magyar", "Magyar kifejezés keresése !"},
    {"N3", "Mveletek1", "", ""},
    {"Szrs1", "Mveletek1", "Szűrés", "Megjelenítendő adatok szűrése !"},
    {"Informci1", "", "Információ", "Programmal kapcsolatos információk !"},
    {"Lers1", "Informci1", "Leírás", "Program használatának leírása !"},
    {"N5", "Informci1", "", ""},
    {"Frissts1", "Informci1", "Frissítés", "Frissítés keresése (internet kapcsolat szükséges) !"},
    {"Keress3", "Frissts1", "Keresés", "Újabb verzió keresése, frissítés végrehajtása !"},
    {"N4", "Informci1", "", ""},
    {"Nvjegy1", "Informci1", "Névjegy", "Program bemutatkozása !"},
    {"Keress2", "", "Kilépés", "Program használatának befejezése !"},
    {"Befejezs1", "Keress2", "Befejezés", "Program használatának befejezése !"},
};

TEST_F(MainWindowTest, MenuHasEveryItemWithItsCaptionHintAndPlace) {
  // The items of each menu, in order, as the window built them.
  auto itemsOf = [](QWidget* menu) {
    QStringList names;
    for (QAction* action : menu->actions()) names << action->objectName();
    return names;
  };
  QMap<QString, QStringList> expectedChildren;
  for (const TMenuItemCase& item : kMenuItems) {
    SCOPED_TRACE(item.Name);
    QAction* action = Item(item.Name);
    ASSERT_NE(action, nullptr);
    const bool separator = QString::fromUtf8(item.Caption).isEmpty();
    EXPECT_EQ(action->isSeparator(), separator);
    if (!separator) {
      EXPECT_EQ(action->text(), QString::fromUtf8(item.Caption));
      EXPECT_EQ(action->statusTip(), QString::fromUtf8(item.Hint));
    }
    expectedChildren[QString::fromLatin1(item.Parent)] << QString::fromLatin1(item.Name);
  }
  EXPECT_EQ(itemsOf(Form1->menuBar()), expectedChildren.value(QString()));
  for (auto it = expectedChildren.cbegin(); it != expectedChildren.cend(); ++it) {
    if (it.key().isEmpty()) continue;
    SCOPED_TRACE(it.key().toStdString());
    auto* submenu = Form1->findChild<QMenu*>(it.key());
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(itemsOf(submenu), it.value());
  }
}

TEST_F(MainWindowTest, HighlightedMenuItemShowsItsHintInTheStatusBar) {
  Form1->show();
  const char* const highlighted[] = {"Adatkarbantarts1", "Angol1",  "Szrs1",
                                     "Keress3",          "Nvjegy1", "Befejezs1"};
  for (const char* name : highlighted) {
    SCOPED_TRACE(name);
    QAction* action = Item(name);
    auto* menu = qobject_cast<QMenu*>(action->parent());
    ASSERT_NE(menu, nullptr);
    menu->popup(QPoint(0, 0));
    menu->setActiveAction(action);
    EXPECT_EQ(Form1->StatusBar1->currentMessage(), action->statusTip());
    menu->hide();
  }
}

TEST_F(MainWindowTest, ControlUnderTheMouseShowsItsLongHintInTheMainStatusBar) {
  Form1->show();
  // A control of another window: its hint still goes to the main window.
  auto* control = new QPushButton(Form2);
  framework::SetHint(control, QStringLiteral("Rövid|Hosszú magyarázat !"));
  EXPECT_EQ(control->toolTip(), QStringLiteral("Rövid"));

  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QCoreApplication::sendEvent(control, &enter);
  EXPECT_EQ(Form1->StatusBar1->currentMessage(), QStringLiteral("Hosszú magyarázat !"));

  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(control, &leave);
  EXPECT_EQ(Form1->StatusBar1->currentMessage(), QString());
}

TEST_F(MainWindowTest, AnsweringNoToTheExitQuestionKeepsTheWindowOpen) {
  TAnsweringMessageBoxes boxes(false);
  Form1->show();

  EXPECT_FALSE(Form1->close());

  EXPECT_TRUE(Form1->isVisible());
  ASSERT_EQ(boxes.Questions(), 1);
  EXPECT_EQ(boxes.Shown[0].Title, kExitTitle);
  EXPECT_EQ(boxes.Shown[0].Text, kExitQuestion);
  // The status bar keeps the reason until the next hint.
  EXPECT_EQ(Form1->StatusBar1->currentMessage(), kExitHint);
}

TEST_F(MainWindowTest, ClosingTheWindowAsksExactlyOnce) {
  TAnsweringMessageBoxes boxes(true);
  Form1->show();

  EXPECT_TRUE(Form1->close());

  EXPECT_FALSE(Form1->isVisible());
  EXPECT_EQ(boxes.Questions(), 1);
  EXPECT_EQ(Form1->StatusBar1->currentMessage(), QString());
}

TEST_F(MainWindowTest, BefejezesWithYesEndsTheProgramWithoutASecondQuestion) {
  TAnsweringMessageBoxes boxes(true);
  Form1->show();
  // The status bar shows the reason while the question is open.
  QString statusWhileAsking;
  boxes.WhileAsking = [&] { statusWhileAsking = Form1->StatusBar1->currentMessage(); };
  QTimer::singleShot(0, Form1, [&] { Item("Befejezs1")->trigger(); });
  // A safety net: the loop must end by the menu item, long before this.
  QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });

  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_EQ(boxes.Questions(), 1);
  EXPECT_EQ(boxes.Shown[0].Title, kExitTitle);
  EXPECT_EQ(boxes.Shown[0].Text, kExitQuestion);
  EXPECT_EQ(statusWhileAsking, kExitHint);
  EXPECT_EQ(Form1->StatusBar1->currentMessage(), QString());

  // The window then closes on the way out without asking again.
  EXPECT_TRUE(Form1->close());
  EXPECT_EQ(boxes.Questions(), 1);
}

TEST_F(MainWindowTest, BefejezesWithNoKeepsTheProgramRunning) {
  TAnsweringMessageBoxes boxes(false);
  Form1->show();
  QTimer::singleShot(0, Form1, [&] { Item("Befejezs1")->trigger(); });
  QTimer::singleShot(100, qApp, [] { QCoreApplication::exit(7); });

  EXPECT_EQ(QCoreApplication::exec(), 7);
  EXPECT_EQ(boxes.Questions(), 1);
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_EQ(Form1->StatusBar1->currentMessage(), QString());
}

struct TOpenedWindowCase {
  const char* Item;
  const char* Window;
  const char* Caption;
  QSize ClientSize;
  bool Minimise;
};

TEST_F(MainWindowTest, MenuItemsOpenTheirWindowsModally) {
  const TOpenedWindowCase cases[] = {
      {"Adatkarbantarts1", "Form2", " Adatok Karbantartása:", {553, 277}, true},
      {"Angol1", "Form5", " Angol kifejezés keresése:", {553, 277}, true},
      {"Magyar1", "Form8", " Magyar kifejezés keresése:", {553, 277}, true},
      {"Szrs1", "Form6", " Megjelenítendő adatok szűrése:", {541, 225}, true},
      {"Nvjegy1", "Form7", " Névjegy:", {296, 388}, false},
  };
  Form1->show();
  for (const TOpenedWindowCase& expected : cases) {
    SCOPED_TRACE(expected.Item);
    QWidget* opened = nullptr;
    QTimer::singleShot(0, qApp, [&] {
      opened = QApplication::activeModalWidget();
      if (opened != nullptr) opened->close();
    });
    Item(expected.Item)->trigger();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->objectName(), QString::fromLatin1(expected.Window));
    EXPECT_EQ(opened->windowTitle(), QString::fromUtf8(expected.Caption));
    EXPECT_EQ(opened->size(), expected.ClientSize);
    EXPECT_EQ(opened->minimumSize(), opened->maximumSize());
    EXPECT_EQ(opened->windowFlags().testFlag(Qt::WindowMinimizeButtonHint), expected.Minimise);
    EXPECT_FALSE(opened->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(opened->isVisible());
  }
}

TEST_F(MainWindowTest, MainWindowShowsThePictureAndTheProductName) {
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral(" Vexilo V2.0.0.0"));
  EXPECT_EQ(Form1->width(), 537);
  // The client area below the menu: picture area and status bar.
  EXPECT_EQ(Form1->height() - Form1->menuBar()->sizeHint().height(), 333);
  EXPECT_EQ(Form1->StatusBar1->height(), 19);
  EXPECT_EQ(Form1->minimumSize(), Form1->maximumSize());
  EXPECT_FALSE(Form1->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(Form1->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

  EXPECT_EQ(Form1->Image1->geometry(), QRect(0, 8, 537, 313));
  EXPECT_EQ(Form1->Image1->pixmap().size(), QSize(537, 313));
  EXPECT_EQ(Form1->Label1->text(), QStringLiteral("Vexilo"));
  EXPECT_EQ(Form1->Label1->pos(), QPoint(448, 264));
  EXPECT_EQ(Form1->Label2->text(), QStringLiteral("V2.0.0.0"));
  EXPECT_EQ(Form1->Label2->pos(), QPoint(456, 280));
}

TEST_F(MainWindowTest, ShowingTheWindowRemembersTheProgramDirectory) {
  EXPECT_EQ(Form1->ProgramDirectory(), QString());
  Form1->show();
  EXPECT_EQ(Form1->ProgramDirectory(), QDir::currentPath());
}

}  // namespace
}  // namespace vexilo::app
