// The grid: it reads only the rows it shows, shows the current record, moves
// the dataset with keys, mouse and scroll bar, and edits, inserts and deletes
// records in an editable grid only.
#include "framework/widgets/db_grid.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <string>

#include "framework/core/data_source.h"
#include "tests/framework/memory_dataset.h"
#include "tests/framework_widgets/answering_message_boxes.h"
#include "tests/framework_widgets/typing.h"

namespace vexilo::framework {
namespace {

using testing::TMemoryDataSet;
using vexilo::testing::TAnsweringMessageBoxes;

constexpr int kNumberColumn = 0;
constexpr int kNameColumn = 1;

class GridTest : public ::testing::Test {
 protected:
  explicit GridTest(int rows = 20000) : FDataSet(TMemoryDataSet::NumberedRows(rows)) {
    FSource.SetDataSet(&FDataSet);
    FGrid.resize(400, 220);
    FGrid.SetColumns({{QStringLiteral("NUMBER"), QStringLiteral("Szám"), 60},
                      {QStringLiteral("NAME"), QStringLiteral("Név"), 160}});
    FGrid.SetDataSource(&FSource);
    FGrid.show();
  }

  QTableView& View() { return *FGrid.View(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&View(), key, modifiers);
  }
  // The cell editor the grid opened, if any.
  QLineEdit* Editor() { return View().viewport()->findChild<QLineEdit*>(); }
  QString CurrentName() {
    return QString::fromStdU16String(FDataSet.FieldByName(u"NAME").AsWideString());
  }

  TMemoryDataSet FDataSet;
  TDataSource FSource;
  TDBGrid FGrid;
};

class SmallGridTest : public GridTest {
 protected:
  SmallGridTest() : GridTest(5) {}
};

TEST_F(GridTest, AsksForAsManyBuffersAsRowsFit) {
  const int rowHeight = View().verticalHeader()->defaultSectionSize();
  const int fitting = View().viewport()->height() / rowHeight;
  ASSERT_GT(fitting, 3);
  EXPECT_EQ(FGrid.VisibleRowCount(), fitting);

  // Growing the grid of an open dataset shows more records at once.
  FDataSet.Open();
  FGrid.resize(400, 220 + 3 * rowHeight);
  QCoreApplication::processEvents();
  EXPECT_EQ(FGrid.VisibleRowCount(), fitting + 3);
  EXPECT_EQ(FGrid.RowCount(), fitting + 3);
  EXPECT_EQ(FGrid.View()->model()->rowCount(), fitting + 3);
  EXPECT_EQ(FGrid.CellText(fitting + 2, kNameColumn), QStringLiteral("Row %1").arg(fitting + 3));
}

TEST_F(GridTest, ReadsOnlyTheRowsItShows) {
  const int rows = FGrid.VisibleRowCount();
  FDataSet.Open();
  EXPECT_LE(FDataSet.ReadCount(), rows + 2);
  EXPECT_EQ(FGrid.RowCount(), rows);

  FDataSet.ResetCounters();
  Key(Qt::Key_PageDown);
  Key(Qt::Key_PageDown);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(FDataSet.RecNo(), 1 + 3 * rows);
  EXPECT_LE(FDataSet.ReadCount(), 3 * rows + 3);

  FDataSet.ResetCounters();
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_LE(FDataSet.ReadCount(), rows + 2);
  EXPECT_EQ(FGrid.CellText(FGrid.Row(), kNameColumn), QStringLiteral("Row 20000"));
  EXPECT_EQ(FGrid.ScrollBar()->maximum(), 19999);
  EXPECT_EQ(FGrid.ScrollBar()->value(), 19999);
}

TEST_F(GridTest, ShowsTheCurrentRecordWithTheIndicator) {
  FDataSet.Open();
  FDataSet.Next();
  FDataSet.Next();
  ASSERT_EQ(FGrid.Row(), 2);
  EXPECT_EQ(View().currentIndex().row(), 2);
  EXPECT_EQ(FGrid.CellText(2, kNumberColumn), QStringLiteral("3"));
  EXPECT_EQ(FGrid.CellText(2, kNameColumn), QStringLiteral("Row 3"));
  EXPECT_EQ(FGrid.IndicatorText(2), QStringLiteral(">"));
  EXPECT_EQ(FGrid.IndicatorText(1), QString());
  EXPECT_EQ(FGrid.TitleText(kNameColumn), QStringLiteral("Név"));
  EXPECT_EQ(View().columnWidth(kNameColumn), 160);
  EXPECT_EQ(FGrid.ScrollBar()->value(), 2);

  FDataSet.Close();
  EXPECT_EQ(FGrid.RowCount(), 0);
  EXPECT_EQ(FGrid.Row(), -1);
  EXPECT_EQ(FGrid.TitleText(kNameColumn), QStringLiteral("Név"));
}

TEST_F(GridTest, KeysMoveTheDataset) {
  FDataSet.Open();
  const int rows = FGrid.VisibleRowCount();
  const struct {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    int32_t RecNo;
  } steps[] = {
      {Qt::Key_Down, Qt::NoModifier, 2},         {Qt::Key_Down, Qt::NoModifier, 3},
      {Qt::Key_Up, Qt::NoModifier, 2},           {Qt::Key_PageDown, Qt::NoModifier, 2 + rows},
      {Qt::Key_End, Qt::ControlModifier, 20000}, {Qt::Key_PageUp, Qt::NoModifier, 20000 - rows},
      {Qt::Key_Home, Qt::ControlModifier, 1},    {Qt::Key_Up, Qt::NoModifier, 1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.RecNo);
    Key(step.Key, step.Modifiers);
    EXPECT_EQ(FDataSet.RecNo(), step.RecNo);
    EXPECT_EQ(View().currentIndex().row(), FGrid.Row());
  }
}

TEST_F(GridTest, ClickAndWheelMoveTheDataset) {
  FDataSet.Open();
  const QRect cell = View().visualRect(View().model()->index(3, kNameColumn));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  EXPECT_EQ(FDataSet.RecNo(), 4);
  EXPECT_EQ(View().currentIndex(), View().model()->index(3, kNameColumn));

  QWheelEvent down(QPointF(5, 5), View().viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
                   QPoint(0, -2 * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(View().viewport(), &down);
  EXPECT_EQ(FDataSet.RecNo(), 6);
}

TEST_F(GridTest, ScrollBarMovesTheDataset) {
  FDataSet.Open();
  FGrid.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(FDataSet.RecNo(), 2);
  FGrid.ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(FDataSet.RecNo(), 2 + FGrid.VisibleRowCount());
  FGrid.ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(FDataSet.RecNo(), 20000);
  EXPECT_EQ(FGrid.ScrollBar()->value(), 19999);
}

TEST_F(SmallGridTest, TypingEditsTheCellAndLeavingTheRowPostsIt) {
  FDataSet.Open();
  Key(Qt::Key_Right);
  Key(Qt::Key_F2);
  ASSERT_EQ(FDataSet.State(), TDataSetState::dsEdit);
  EXPECT_EQ(FGrid.IndicatorText(0), QStringLiteral("I"));
  QLineEdit* editor = Editor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), QStringLiteral("Row 1"));
  editor->selectAll();
  QTest::keyClicks(editor, QStringLiteral("alma"));
  // The field changes only when the cell is left.
  EXPECT_EQ(CurrentName(), QStringLiteral("Row 1"));

  QTest::keyClick(editor, Qt::Key_Down);

  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FDataSet.RecNo(), 2);
  EXPECT_EQ(FDataSet.RowName(0), u"alma");
  EXPECT_EQ(FGrid.CellText(0, kNameColumn), QStringLiteral("alma"));
  EXPECT_EQ(FDataSet.RowCount(), 5);
}

TEST_F(SmallGridTest, InsertKeyStartsANewRecordThatPostsOnLeavingIt) {
  FDataSet.Open();
  Key(Qt::Key_Down);
  Key(Qt::Key_Right);
  Key(Qt::Key_Insert);
  ASSERT_EQ(FDataSet.State(), TDataSetState::dsInsert);
  EXPECT_EQ(FGrid.IndicatorText(FGrid.Row()), QStringLiteral("*"));
  EXPECT_EQ(FGrid.CellText(FGrid.Row(), kNameColumn), QString());

  QTest::keyClick(&View(), Qt::Key_K);
  QLineEdit* editor = Editor();
  ASSERT_NE(editor, nullptr);
  vexilo::testing::TypeText(editor, QStringLiteral("örte"));
  QTest::keyClick(editor, Qt::Key_Down);

  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  ASSERT_EQ(FDataSet.RowCount(), 6);
  EXPECT_EQ(FDataSet.RowName(1), u"körte");
}

TEST_F(SmallGridTest, UntouchedNewRecordIsDropped) {
  FDataSet.Open();
  Key(Qt::Key_Insert);
  Key(Qt::Key_Escape);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);

  // Down on the last record offers a new one; Up drops it again.
  Key(Qt::Key_End, Qt::ControlModifier);
  Key(Qt::Key_Down);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsInsert);
  Key(Qt::Key_Up);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FDataSet.RecNo(), 5);
  EXPECT_EQ(FDataSet.RowCount(), 5);
}

TEST_F(SmallGridTest, LeavingTheGridDropsAnUntouchedNewRecordOnly) {
  FDataSet.Open();
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);

  Key(Qt::Key_Insert);
  QCoreApplication::sendEvent(&View(), &leave);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);

  Key(Qt::Key_Insert);
  FDataSet.FieldByName(u"NAME").SetAsWideString(u"szilva");
  QCoreApplication::sendEvent(&View(), &leave);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsInsert);
}

TEST_F(SmallGridTest, CtrlDeleteAsksBeforeDeleting) {
  TAnsweringMessageBoxes boxes;
  FDataSet.Open();

  boxes.Answer(false);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(FDataSet.RowCount(), 5);
  ASSERT_EQ(boxes.Questions(), 1);
  EXPECT_EQ(boxes.Shown[0].Text, QStringLiteral("Törli a rekordot?"));

  boxes.Answer(true);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(FDataSet.RowCount(), 4);
  EXPECT_EQ(FGrid.CellText(0, kNameColumn), QStringLiteral("Row 2"));

  TDBGridOptions options = FGrid.Options();
  options.ConfirmDelete = false;
  FGrid.SetOptions(options);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(FDataSet.RowCount(), 3);
  EXPECT_EQ(boxes.Questions(), 2);
}

TEST_F(SmallGridTest, ReadOnlyGridNeverChangesTheDataset) {
  TAnsweringMessageBoxes boxes;
  FGrid.SetReadOnly(true);
  FDataSet.Open();
  Key(Qt::Key_Insert);
  Key(Qt::Key_F2);
  QTest::keyClick(&View(), Qt::Key_X);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  Key(Qt::Key_End, Qt::ControlModifier);
  Key(Qt::Key_Down);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(FDataSet.RowCount(), 5);
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(SmallGridTest, OptionsShowOrHideTitlesAndIndicator) {
  FDataSet.Open();
  EXPECT_FALSE(View().horizontalHeader()->isHidden());
  EXPECT_FALSE(View().verticalHeader()->isHidden());
  TDBGridOptions options;
  options.Titles = false;
  options.Indicator = false;
  FGrid.SetOptions(options);
  EXPECT_TRUE(View().horizontalHeader()->isHidden());
  EXPECT_TRUE(View().verticalHeader()->isHidden());
}

TEST(GridColumnsTest, WithoutColumnsEveryVisibleFieldIsShown) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  TDataSource source(&dataSet);
  TDBGrid grid;
  grid.resize(400, 200);
  grid.show();
  grid.SetDataSource(&source);
  dataSet.Open();
  dataSet.FieldByName(u"NUMBER").SetVisible(false);
  EXPECT_EQ(grid.View()->model()->columnCount(), 2);
  EXPECT_EQ(grid.TitleText(0), QStringLiteral("NAME"));
  EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("Row 2"));
}

}  // namespace
}  // namespace vexilo::framework
