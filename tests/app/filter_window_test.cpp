// The filter window driven as a user drives it: choosing and typing in the
// row controls, Enter and Tab between them, the radio buttons and the
// buttons; then the composed lines, the main window's table, the count in
// the maintenance window, and what vxbtool (another process) counts for the
// same condition.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "app/filter_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "dataset/table.h"
#include "fs/text.h"
#include "tests/app/dictionary_directory.h"
#include "tests/engine/api/calls/real_dictionary.h"
#include "tests/framework_widgets/answering_message_boxes.h"

namespace vexilo::app {
namespace {

using vexilo::testing::TAnsweringMessageBoxes;
using vexilo::testing::TDictionaryEntry;

// What the user puts into one row: texts typed into the boxes and the edit.
struct TRowInput {
  QString Column;
  QString Operator;
  QString Value;
  QString Joining;
};

// Types `text` into `widget` key by key; letters beyond ASCII arrive as the
// text of their key events, as from a Hungarian keyboard.
void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(widget, static_cast<char>(c.unicode()));
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

class FilterWindowTest : public ::testing::Test {
 protected:
  void Open(const std::vector<TDictionaryEntry>& entries) {
    FDirectory = std::make_unique<testing::TDictionaryDirectory>(entries);
    OpenForms();
  }

  void OpenForms() {
    FForms = std::make_unique<TForms>();
    Form1->show();
    ASSERT_TRUE(Form1->Table1->Active());
    ShowFilterWindow();
  }

  void ShowFilterWindow() {
    Form6->show();
    Form6->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form6));
  }

  ~FilterWindowTest() override {
    if (Form6 != nullptr) Form6->hide();
    FForms.reset();
    FDirectory.reset();
  }

  // Types `text` into `control` after emptying it, as a user selecting what
  // is there and typing over it.
  static void TypeInto(QWidget* control, const QString& text) {
    auto* box = qobject_cast<QComboBox*>(control);
    QLineEdit* edit = box != nullptr ? box->lineEdit() : qobject_cast<QLineEdit*>(control);
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    if (!text.isEmpty()) TypeText(edit, text);
  }

  // Fills row 1 or 2 control by control, each left with Enter.
  void FillRow(int row, const TRowInput& input) {
    const std::array<QWidget*, 4> controls =
        row == 1 ? std::array<QWidget*, 4>{Form6->ComboBox1, Form6->ComboBox2, Form6->Edit1, Form6->ComboBox3}
                 : std::array<QWidget*, 4>{Form6->ComboBox4, Form6->ComboBox5, Form6->Edit2, Form6->ComboBox6};
    const QString texts[] = {input.Column, input.Operator, input.Value, input.Joining};
    for (size_t i = 0; i < controls.size(); ++i) {
      TypeInto(controls[i], texts[i]);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
  }

  // Sets row 1 (and row 2) and presses "Beállít" with "Bekapcsolva".
  void Apply(const TRowInput& row1, const TRowInput& row2 = {}, bool switchOn = true) {
    QTest::mouseClick(Form6->BitBtn3, Qt::LeftButton);
    FillRow(1, row1);
    FillRow(2, row2);
    QTest::mouseClick(switchOn ? Form6->RadioButton1 : Form6->RadioButton2, Qt::LeftButton);
    QTest::mouseClick(Form6->BitBtn2, Qt::LeftButton);
  }

  int ToolCount(const std::string& condition) const {
    return std::stoi(FDirectory->Tool({"count", FDirectory->Table(), condition}));
  }

  std::unique_ptr<testing::TDictionaryDirectory> FDirectory;
  std::unique_ptr<TForms> FForms;
};

TEST_F(FilterWindowTest, EveryEnterAndExitComposesTheConditionLines) {
  TAnsweringMessageBoxes boxes(true);
  Open(testing::SmallDictionary());
  struct TCase {
    const char* Name;
    TRowInput Row1;
    TRowInput Row2;
    QString Lines;
  };
  const TCase cases[] = {
      {"one row", {"Angol", "=", "apple", ""}, {}, "ENG = 'apple' "},
      {"both rows", {"Angol", "=", "apple", "And"}, {"Magyar", "<>", "alma", ""}, "ENG = 'apple' And\nHUN <> 'alma' "},
      {"second row only", {}, {"Magyar", "<", "b", "Or"}, "HUN < 'b' Or"},
      {"empty value", {"Magyar", ">=", "", ""}, {}, "HUN >= '' "},
      {"blanks around", {"  Angol ", " = ", "  apple  ", " Or "}, {}, "ENG = 'apple' Or"},
      {"lower-case column", {"angol", "=", "x", ""}, {}, "'angol' = 'x' "},
      {"free-text operator", {"Angol", "LIKE", "a%", ""}, {}, "ENG LIKE 'a%' "},
      {"quote in the value", {"Angol", "=", "doesn't", ""}, {}, "ENG = 'doesn''t' "},
      {"quotes in every free text", {"it's", "=", "''", "a'b"}, {}, "'it''s' = '''''' 'a''b'"},
      {"operator alone", {"", "=", "", ""}, {}, " =  "},
      {"nothing", {}, {}, ""},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    QTest::mouseClick(Form6->BitBtn3, Qt::LeftButton);
    FillRow(1, test.Row1);
    FillRow(2, test.Row2);
    EXPECT_EQ(Form6->Memo1->toPlainText(), test.Lines);
  }

  // A hand-edited memo counts until the focus passes a row control again.
  QTest::mouseClick(Form6->BitBtn3, Qt::LeftButton);
  FillRow(1, {"Angol", "=", "apple", ""});
  Form6->Memo1->setFocus(Qt::MouseFocusReason);
  Form6->Memo1->selectAll();
  TypeText(Form6->Memo1, "HUN = 'dió'");
  QTest::mouseClick(Form6->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(Form1->Table1->Filter(), u"HUN = 'dió'");
  Form6->Edit1->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Form6->Memo1->toPlainText(), "ENG = 'apple' ");
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(FilterWindowTest, SettingAFilterShowsItsStateAndCountEverywhere) {
  TAnsweringMessageBoxes boxes(true);
  Open(testing::SmallDictionary());
  Apply({"Angol", "<", "d", "Or"}, {"Magyar", "=", "dió", ""});
  EXPECT_TRUE(boxes.Shown.empty());
  EXPECT_EQ(Form1->Table1->Filter(), u"ENG < 'd' Or HUN = 'dió'");
  EXPECT_TRUE(Form1->Table1->Filtered());
  EXPECT_EQ(Form6->Label2->text(), "Bekapcsolva");
  EXPECT_EQ(Form2->Label2->text(), QString::number(ToolCount("ENG < 'd' Or HUN = 'dió'")));
  EXPECT_EQ(Form2->Label2->text(), "5");

  // Closing and opening again shows the state; the rows are kept.
  Form6->close();
  QTest::mouseClick(Form6->RadioButton2, Qt::LeftButton);
  ShowFilterWindow();
  EXPECT_TRUE(Form6->RadioButton1->isChecked());
  EXPECT_EQ(Form6->Edit2->text(), "dió");

  // "Alaphelyzet" empties the window but the filter stays until "Beállít".
  QTest::mouseClick(Form6->BitBtn3, Qt::LeftButton);
  EXPECT_TRUE(Form6->Memo1->toPlainText().isEmpty());
  EXPECT_TRUE(Form6->Edit1->text().isEmpty());
  EXPECT_TRUE(Form6->ComboBox1->currentText().isEmpty());
  EXPECT_TRUE(Form6->RadioButton2->isChecked());
  EXPECT_TRUE(Form1->Table1->Filtered());
  EXPECT_EQ(Form6->Label2->text(), "Bekapcsolva");

  // "Kikapcsolva" keeps the text but switches the filter off.
  Apply({"Magyar", "=", "vár", ""}, {}, false);
  EXPECT_EQ(Form1->Table1->Filter(), u"HUN = 'vár'");
  EXPECT_FALSE(Form1->Table1->Filtered());
  EXPECT_EQ(Form6->Label2->text(), "Kikapcsolva");
  EXPECT_EQ(Form2->Label2->text(), "10");
  Form6->close();
  ShowFilterWindow();
  EXPECT_TRUE(Form6->RadioButton2->isChecked());
}

TEST_F(FilterWindowTest, ARefusedConditionIsReportedAndThePreviousFilterStays) {
  TAnsweringMessageBoxes boxes(true);
  Open(testing::SmallDictionary());
  Apply({"Angol", ">", "s", ""});
  ASSERT_TRUE(boxes.Shown.empty());
  const QString countBefore = Form2->Label2->text();
  EXPECT_EQ(countBefore, QString::number(ToolCount("ENG > 's'")));

  struct TCase {
    const char* Name;
    TRowInput Row1;
    TRowInput Row2;
  };
  const TCase refused[] = {
      {"a dangling joining word", {"Angol", "=", "apple", "And"}, {}},
      {"an unknown operator", {"Angol", "=>", "apple", ""}, {}},
      {"a free-text joining word", {"Angol", "=", "apple", "und"}, {"Magyar", "=", "alma", ""}},
  };
  for (const TCase& test : refused) {
    SCOPED_TRACE(test.Name);
    boxes.Shown.clear();
    Apply(test.Row1, test.Row2);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Title, "Szűrő beállítása:");
    EXPECT_EQ(boxes.Shown[0].Text, "Hibás a szűrési feltétel !!!");
    EXPECT_FALSE(boxes.Shown[0].Question);
    EXPECT_EQ(Form1->Table1->Filter(), u"ENG > 's'");
    EXPECT_TRUE(Form1->Table1->Filtered());
    EXPECT_EQ(Form6->Label2->text(), "Bekapcsolva");
    EXPECT_EQ(Form2->Label2->text(), countBefore);
  }
}

TEST_F(FilterWindowTest, TypedValuesMatchExactlyTheEntriesThatHoldThem) {
  TAnsweringMessageBoxes boxes(true);
  const std::string thousand(1000, 'q');
  // The table file's TSV form: a backslash is written doubled.
  std::vector<TDictionaryEntry> entries = testing::SmallDictionary();
  const std::vector<std::pair<std::string, std::string>> stored = {
      {"doesn't", "doesn't"}, {"'", "'"},           {"''", "''"},          {"100%", "100%"},
      {"a\\\\b", "a\\b"},     {"ő Ű", "ő Ű"},       {"Ősz", "Ősz"},         {"100", "100"},
      {"ab", "ab"},           {"a%", "a%"}};
  for (const auto& [tsv, value] : stored) entries.push_back({tsv, "x", ""});
  Open(entries);
  struct TCase {
    QString Typed;
    QString Matches;  // the ENG of the one entry it selects; empty for none
  };
  const TCase cases[] = {
      {"doesn't", "doesn't"}, {"'", "'"},       {"''", "''"},          {"100%", "100%"}, {"a\\b", "a\\b"},
      {"  ő Ű  ", "ő Ű"},     {"Ősz", "Ősz"},   {QString::fromStdString(thousand), ""}, {"a%", "a%"},
      {"' Or ENG <> '", ""},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Typed.left(40).toStdString());
    boxes.Shown.clear();
    Apply({"Angol", "=", test.Typed, ""});
    ASSERT_TRUE(boxes.Shown.empty()) << boxes.Shown[0].Text.toStdString();
    const std::string condition = QString::fromStdU16String(Form1->Table1->Filter()).toStdString();
    const int expected = test.Matches.isEmpty() ? 0 : 1;
    EXPECT_EQ(Form1->Table1->RecordCount(), expected) << condition;
    EXPECT_EQ(ToolCount(condition), expected) << condition;
    EXPECT_EQ(Form2->Label2->text(), QString::number(expected));
    if (expected == 1) {
      EXPECT_EQ(QString::fromStdU16String(Form1->Table1->FieldByName(u"ENG").AsString()), test.Matches);
    }
  }

  // Comparisons other than equality take the value as it was typed too.
  Apply({"Angol", "<", "'", ""});
  EXPECT_EQ(Form1->Table1->RecordCount(), ToolCount("ENG < ''''"));
}

TEST_F(FilterWindowTest, OpensModallyFromTheMenuWithItsFrameAndControls) {
  TAnsweringMessageBoxes boxes(true);
  FDirectory = std::make_unique<testing::TDictionaryDirectory>(testing::SmallDictionary());
  FForms = std::make_unique<TForms>();
  Form1->show();
  bool modal = false;
  QTimer::singleShot(0, [&] {
    modal = Form6->isVisible() && Form6->isModal();
    QTest::mouseClick(Form6->BitBtn1, Qt::LeftButton);  // "Befejezés"
  });
  QAction* item = Form1->findChild<QAction*>(QStringLiteral("Szrs1"));
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_TRUE(modal);
  EXPECT_FALSE(Form6->isVisible());

  EXPECT_EQ(Form6->windowTitle(), " Megjelenítendő adatok szűrése:");
  EXPECT_EQ(Form6->size(), QSize(541, 225));
  struct TControl {
    QWidget* Widget;
    QRect Geometry;
    QString Text;
    QString Hint;
  };
  const TControl controls[] = {
      {Form6->BitBtn2, {8, 8, 100, 25}, "Beállít", "Megadott szűrési feltétel beállítása !"},
      {Form6->BitBtn3, {120, 8, 100, 25}, "Alaphelyzet", "Értékek alaphelyzetbe állítása !"},
      {Form6->BitBtn1, {432, 8, 100, 25}, "Befejezés", "Befejezés !"},
      {Form6->ComboBox1, {32, 16, 169, 21}, "", ""},
      {Form6->ComboBox2, {208, 16, 65, 21}, "", ""},
      {Form6->Edit1, {280, 16, 173, 21}, "", ""},
      {Form6->ComboBox3, {460, 16, 65, 21}, "", ""},
      {Form6->ComboBox4, {32, 48, 169, 21}, "", ""},
      {Form6->Edit2, {280, 48, 173, 21}, "", ""},
      {Form6->GroupBox1, {16, 80, 510, 93}, "", ""},
      {Form6->Memo1, {11, 21, 371, 60}, "", ""},
  };
  for (const TControl& control : controls) {
    SCOPED_TRACE(control.Widget->objectName().toStdString());
    EXPECT_EQ(control.Widget->geometry(), control.Geometry);
    if (auto* button = qobject_cast<QPushButton*>(control.Widget)) EXPECT_EQ(button->text(), control.Text);
    if (!control.Hint.isEmpty()) EXPECT_EQ(control.Widget->toolTip(), control.Hint);
  }
  EXPECT_EQ(Form6->GroupBox1->title(), " Szűrési feltétel ");
  EXPECT_EQ(Form6->Label1->text(), "Szűrés");
  EXPECT_EQ(Form6->RadioButton1->text(), "Bekapcsolva");
  EXPECT_EQ(Form6->RadioButton2->text(), "Kikapcsolva");
  const QStringList columns{Form6->ComboBox4->itemText(0), Form6->ComboBox4->itemText(1)};
  EXPECT_EQ(columns, (QStringList{"Angol", "Magyar"}));
  EXPECT_EQ(Form6->ComboBox5->count(), 6);
  EXPECT_EQ(Form6->ComboBox6->itemText(1), "Or");

  // Tab walks the rows in order.
  ShowFilterWindow();
  Form6->ComboBox1->lineEdit()->setFocus(Qt::TabFocusReason);
  const QWidget* expected[] = {Form6->ComboBox2, Form6->Edit1, Form6->ComboBox3, Form6->ComboBox4,
                               Form6->ComboBox5, Form6->Edit2, Form6->ComboBox6, Form6->Memo1};
  for (const QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == next || focus->parentWidget() == next) << focus->objectName().toStdString();
  }
}

TEST_F(FilterWindowTest, OnTheRealDictionaryTheCountIsWhatAnotherReaderCounts) {
  if (!api::testing::FreeDictInstalled()) GTEST_SKIP() << "Debian's FreeDict dictionaries are not installed";
  std::string error;
  const std::string dictionary = api::testing::RealDictionaryDir(error);
  ASSERT_FALSE(dictionary.empty()) << error;
  TAnsweringMessageBoxes boxes(true);
  FDirectory = std::make_unique<testing::TDictionaryDirectory>(std::vector<TDictionaryEntry>{}, false);
  QDir::setCurrent(QString::fromStdString(dictionary));
  OpenForms();
  const int total = Form1->Table1->RecordCount();
  ASSERT_GT(total, 100000);

  Apply({"Angol", "=", "apple", "Or"}, {"Magyar", "=", "alma", ""});
  ASSERT_TRUE(boxes.Shown.empty());
  const std::string condition = "ENG = 'apple' Or HUN = 'alma'";
  EXPECT_EQ(Form1->Table1->Filter(), fs::Utf8ToUtf16(condition));
  const int counted = std::stoi(FDirectory->Tool({"count", dictionary + "/Eng_hun", condition}));
  EXPECT_GT(counted, 0);
  EXPECT_EQ(Form2->Label2->text(), QString::number(counted));
  for (Form1->Table1->First(); !Form1->Table1->Eof(); Form1->Table1->Next()) {
    const std::u16string eng = Form1->Table1->FieldByName(u"ENG").AsString();
    const std::u16string hun = Form1->Table1->FieldByName(u"HUN").AsString();
    EXPECT_TRUE(eng == u"apple" || hun == u"alma");
  }

  // Switching off restores every entry.
  Apply({"Angol", "=", "apple", "Or"}, {"Magyar", "=", "alma", ""}, false);
  EXPECT_EQ(Form2->Label2->text(), QString::number(total));
  Form1->Table1->Close();
}

}  // namespace
}  // namespace vexilo::app
