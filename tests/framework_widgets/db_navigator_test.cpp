// The navigator: its buttons follow the dataset's position and state, do
// their actions, carry their hints, and delete only after the confirmations.
#include "framework/widgets/db_navigator.h"

#include <gtest/gtest.h>

#include <QToolButton>
#include <string>

#include "framework/core/abort.h"
#include "framework/core/data_source.h"
#include "tests/framework/memory_dataset.h"
#include "tests/framework_widgets/answering_message_boxes.h"

namespace vexilo::framework {
namespace {

using testing::TMemoryDataSet;
using vexilo::testing::TAnsweringMessageBoxes;

// Button states as a string in button order: "1" enabled, "0" disabled.
std::string EnabledButtons(const TDBNavigator& navigator) {
  std::string states;
  for (int i = 0; i < kNavigateButtonCount; ++i) {
    states += navigator.Button(static_cast<TNavigateBtn>(i))->isEnabled() ? '1' : '0';
  }
  return states;
}

class NavigatorTest : public ::testing::Test {
 protected:
  explicit NavigatorTest(int rows = 5) : FDataSet(TMemoryDataSet::NumberedRows(rows)) {
    FSource.SetDataSet(&FDataSet);
    FNavigator.SetDataSource(&FSource);
  }

  TMemoryDataSet FDataSet;
  TDataSource FSource;
  TDBNavigator FNavigator;
};

//                 first prior next last insert delete edit post cancel refresh
TEST_F(NavigatorTest, ButtonsFollowPositionAndState) {
  EXPECT_EQ(EnabledButtons(FNavigator), "0000000000") << "closed";
  FDataSet.Open();
  EXPECT_EQ(EnabledButtons(FNavigator), "0011111001") << "on the first record";
  FDataSet.Next();
  EXPECT_EQ(EnabledButtons(FNavigator), "1111111001") << "in the middle";
  FDataSet.Last();
  EXPECT_EQ(EnabledButtons(FNavigator), "1100111001") << "on the last record";
  FDataSet.Edit();
  EXPECT_EQ(EnabledButtons(FNavigator), "1100110111") << "editing";
  // Cancelling re-reads the buffers, which forgets that the last move hit
  // the end.
  FDataSet.Cancel();
  EXPECT_EQ(EnabledButtons(FNavigator), "1111111001") << "browsing again";
  FDataSet.Close();
  EXPECT_EQ(EnabledButtons(FNavigator), "0000000000") << "closed again";
}

TEST_F(NavigatorTest, DisabledNavigatorDisablesEveryButton) {
  FDataSet.Open();
  FNavigator.setEnabled(false);
  EXPECT_EQ(EnabledButtons(FNavigator), "0000000000");
  FNavigator.setEnabled(true);
  EXPECT_EQ(EnabledButtons(FNavigator), "0011111001");
}

TEST(NavigatorStatesTest, EmptyAndReadOnlyDatasetsOfferLess) {
  TMemoryDataSet empty;
  TDataSource emptySource(&empty);
  TDBNavigator emptyNavigator;
  emptyNavigator.SetDataSource(&emptySource);
  empty.Open();
  // Nothing to move to or delete; a first record can be inserted.
  EXPECT_EQ(EnabledButtons(emptyNavigator), "0000101001");

  TMemoryDataSet readOnly(TMemoryDataSet::NumberedRows(3));
  readOnly.SetReadOnly(true);
  TDataSource readOnlySource(&readOnly);
  TDBNavigator readOnlyNavigator;
  readOnlyNavigator.SetDataSource(&readOnlySource);
  readOnly.Open();
  EXPECT_EQ(EnabledButtons(readOnlyNavigator), "0011000001");
}

TEST_F(NavigatorTest, ButtonsMoveAndEditTheDataset) {
  TAnsweringMessageBoxes boxes;
  FDataSet.Open();
  const struct {
    TNavigateBtn Button;
    int32_t RecNo;
    TDataSetState State;
  } steps[] = {
      {TNavigateBtn::nbNext, 2, TDataSetState::dsBrowse},
      {TNavigateBtn::nbLast, 5, TDataSetState::dsBrowse},
      {TNavigateBtn::nbPrior, 4, TDataSetState::dsBrowse},
      {TNavigateBtn::nbFirst, 1, TDataSetState::dsBrowse},
      {TNavigateBtn::nbEdit, 1, TDataSetState::dsEdit},
      {TNavigateBtn::nbCancel, 1, TDataSetState::dsBrowse},
      {TNavigateBtn::nbInsert, -1, TDataSetState::dsInsert},
      {TNavigateBtn::nbCancel, 1, TDataSetState::dsBrowse},
      {TNavigateBtn::nbRefresh, 1, TDataSetState::dsBrowse},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(static_cast<int>(step.Button));
    FNavigator.Button(step.Button)->click();
    EXPECT_EQ(FDataSet.State(), step.State);
    if (step.RecNo > 0) {
      EXPECT_EQ(FDataSet.RecNo(), step.RecNo);
    }
  }
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(NavigatorTest, PostStoresTheEditedRecord) {
  FDataSet.Open();
  FNavigator.Button(TNavigateBtn::nbEdit)->click();
  FDataSet.FieldByName(u"NAME").SetAsWideString(u"alma");
  FNavigator.Button(TNavigateBtn::nbPost)->click();
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FDataSet.RowName(0), u"alma");
}

TEST_F(NavigatorTest, DeleteAsksFirstUnlessConfirmationIsOff) {
  TAnsweringMessageBoxes boxes;
  FDataSet.Open();

  boxes.Answer(false);
  FNavigator.Button(TNavigateBtn::nbDelete)->click();
  EXPECT_EQ(FDataSet.RowCount(), 5);
  ASSERT_EQ(boxes.Questions(), 1);
  EXPECT_EQ(boxes.Shown[0].Text, QStringLiteral("Törli a rekordot?"));

  boxes.Answer(true);
  FNavigator.Button(TNavigateBtn::nbDelete)->click();
  EXPECT_EQ(FDataSet.RowCount(), 4);

  FNavigator.SetConfirmDelete(false);
  FNavigator.Button(TNavigateBtn::nbDelete)->click();
  EXPECT_EQ(FDataSet.RowCount(), 3);
  EXPECT_EQ(boxes.Questions(), 2);
}

TEST_F(NavigatorTest, AbortInBeforeDeleteKeepsTheRecordAndShowsNothing) {
  TAnsweringMessageBoxes boxes;
  FNavigator.SetConfirmDelete(false);
  int asked = 0;
  FDataSet.BeforeDelete = [&](TDataSet&) {
    ++asked;
    Abort();
  };
  FDataSet.Open();
  FNavigator.Button(TNavigateBtn::nbDelete)->click();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(FDataSet.RowCount(), 5);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(NavigatorTest, BeforeActionCanCancelTheAction) {
  FDataSet.Open();
  std::vector<TNavigateBtn> seen;
  FNavigator.BeforeAction = [&](TNavigateBtn button) {
    seen.push_back(button);
    if (button == TNavigateBtn::nbNext) Abort();
  };
  FNavigator.Button(TNavigateBtn::nbNext)->click();
  FNavigator.Button(TNavigateBtn::nbLast)->click();
  EXPECT_EQ(seen, (std::vector<TNavigateBtn>{TNavigateBtn::nbNext, TNavigateBtn::nbLast}));
  EXPECT_EQ(FDataSet.RecNo(), 5);
}

TEST_F(NavigatorTest, FailedActionIsReportedAndTheRecordStaysInEditing) {
  TAnsweringMessageBoxes boxes;
  FDataSet.Open();
  FNavigator.Button(TNavigateBtn::nbEdit)->click();
  FDataSet.FieldByName(u"NAME").SetAsWideString(u"körte");
  FDataSet.FailNextPosts(1);
  FNavigator.Button(TNavigateBtn::nbPost)->click();
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_FALSE(boxes.Shown[0].Question);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsEdit);
}

TEST_F(NavigatorTest, ButtonsCarryTheirHints) {
  const QStringList hints = {
      QStringLiteral("Első rekord|Első rekord !"),
      QStringLiteral("Előző rekord|Előző rekord !"),
      QStringLiteral("Következő rekord|Következő rekord !"),
      QStringLiteral("Utolsó rekord|Utolsó rekord !"),
      QStringLiteral("Új rekord|Új rekord !"),
      QStringLiteral("Rekord törlése|Rekord törlése !"),
      QStringLiteral("Rekord szerkesztése|Rekord szerkesztése !"),
      QStringLiteral("Rekord tárolása|Rekord tárolása !"),
      QStringLiteral("Elvetés|Elvetés !"),
      QStringLiteral("Frissítés|Frissítés !"),
  };
  FNavigator.SetHints(hints);
  EXPECT_EQ(FNavigator.Hints(), hints);
  for (int i = 0; i < kNavigateButtonCount; ++i) {
    SCOPED_TRACE(i);
    const QToolButton* button = FNavigator.Button(static_cast<TNavigateBtn>(i));
    EXPECT_EQ(button->toolTip(), hints[i].section(QLatin1Char('|'), 0, 0));
    EXPECT_EQ(button->statusTip(), hints[i].section(QLatin1Char('|'), 1));
  }
}

}  // namespace
}  // namespace vexilo::framework
