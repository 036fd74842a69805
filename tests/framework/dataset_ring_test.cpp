// The ring of record buffers: it holds what the bound controls show, reads
// only the records that enter it while scrolling, and keeps each link's
// window around the current record.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <optional>
#include <vector>

#include "framework/core/data_source.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

using Numbers = std::vector<std::optional<int32_t>>;

Numbers Range(int32_t first, int32_t last) {
  Numbers numbers;
  for (int32_t n = first; n <= last; ++n) numbers.push_back(n);
  return numbers;
}

class LargeTable : public ::testing::Test {
 protected:
  static constexpr int kRows = 200000;

  LargeTable() : dataSet(TMemoryDataSet::NumberedRows(kRows)), source(&dataSet) {
    grid.SetBufferCount(10);
    grid.SetDataSource(&source);
    dataSet.Open();
  }

  TMemoryDataSet dataSet;
  TDataSource source;
  TRecordingLink grid;
};

TEST_F(LargeTable, OpeningReadsOnlyWhatTheLinkShows) {
  EXPECT_EQ(dataSet.BufferCount(), 10);
  EXPECT_EQ(dataSet.ReadCount(), 10);
  EXPECT_EQ(grid.VisibleNumbers(), Range(1, 10));
  EXPECT_EQ(grid.ActiveRecord(), 0);
}

TEST_F(LargeTable, ScrollingReadsOneRecordPerRowThatEntersTheRing) {
  struct Step {
    std::function<void(TDataSet&)> move;
    int64_t reads;     // records read by the move
    int32_t current;   // NUMBER of the current record afterwards
    int activeRow;     // its row in the grid
    Numbers visible;   // what the grid shows
  };
  const std::vector<Step> steps = {
      {[](TDataSet& d) { d.MoveBy(9); }, 0, 10, 9, Range(1, 10)},
      {[](TDataSet& d) { d.Next(); }, 1, 11, 9, Range(2, 11)},
      {[](TDataSet& d) { d.MoveBy(100); }, 100, 111, 9, Range(102, 111)},
      {[](TDataSet& d) { d.MoveBy(-9); }, 0, 102, 0, Range(102, 111)},
      {[](TDataSet& d) { d.Prior(); }, 1, 101, 0, Range(101, 110)},
      {[](TDataSet& d) { d.Last(); }, 10, kRows, 9, Range(kRows - 9, kRows)},
      {[](TDataSet& d) { d.Next(); }, 0, kRows, 9, Range(kRows - 9, kRows)},
      {[](TDataSet& d) { d.First(); }, 10, 1, 0, Range(1, 10)},
      {[](TDataSet& d) { d.SetRecNo(100000); }, 10, 100000, 4, Range(99996, 100005)},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    dataSet.ResetCounters();
    steps[i].move(dataSet);
    EXPECT_EQ(dataSet.ReadCount(), steps[i].reads);
    EXPECT_EQ(CurrentNumber(dataSet), steps[i].current);
    EXPECT_EQ(grid.ActiveRecord(), steps[i].activeRow);
    EXPECT_EQ(grid.VisibleNumbers(), steps[i].visible);
  }
}

TEST_F(LargeTable, CountingAndReadingFieldsReadNoRecords) {
  dataSet.ResetCounters();
  EXPECT_EQ(dataSet.RecordCount(), kRows);
  EXPECT_EQ(dataSet.FieldByName(u"NAME").AsString(), u"Row 1");
  grid.VisibleNumbers();
  EXPECT_EQ(dataSet.ReadCount(), 0);
}

TEST_F(LargeTable, EndsAreReportedAtTheFirstAndLastRecord) {
  EXPECT_TRUE(dataSet.Bof());
  dataSet.Prior();
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_EQ(CurrentNumber(dataSet), 1);
  dataSet.Next();
  EXPECT_FALSE(dataSet.Bof());
  dataSet.Last();
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.MoveBy(5), 0);
  EXPECT_EQ(dataSet.MoveBy(-3), -3);
  EXPECT_FALSE(dataSet.Eof());
  EXPECT_EQ(dataSet.RecNo(), kRows - 3);
}

TEST_F(LargeTable, TheGridIsToldHowFarItsRowsScrolled) {
  grid.Scrolls.clear();
  dataSet.MoveBy(3);   // inside the window
  dataSet.MoveBy(8);   // two rows past its end
  dataSet.MoveBy(-12); // two rows before its start
  EXPECT_EQ(grid.Scrolls, (std::vector<int>{0, 2, -2}));
}

TEST_F(LargeTable, ASmallerLinkSeesAWindowAroundTheCurrentRecord) {
  TRecordingLink field;
  field.SetBufferCount(3);
  field.SetDataSource(&source);
  EXPECT_EQ(dataSet.BufferCount(), 10);
  for (int i = 0; i < 15; ++i) {
    dataSet.Next();
    const Numbers visible = field.VisibleNumbers();
    ASSERT_EQ(visible.size(), 3u);
    EXPECT_EQ(visible[static_cast<size_t>(field.ActiveRecord())], CurrentNumber(dataSet));
  }
}

TEST_F(LargeTable, GrowingALinkReadsOnlyTheMissingRecords) {
  dataSet.MoveBy(50);
  dataSet.ResetCounters();
  grid.SetBufferCount(20);
  EXPECT_EQ(dataSet.BufferCount(), 20);
  EXPECT_EQ(dataSet.ReadCount(), 10);
  EXPECT_EQ(CurrentNumber(dataSet), 51);
  const Numbers visible = grid.VisibleNumbers();
  ASSERT_EQ(visible.size(), 20u);
  EXPECT_EQ(visible[static_cast<size_t>(grid.ActiveRecord())], 51);
  EXPECT_EQ(visible.front(), 42);
  EXPECT_EQ(visible.back(), 61);

  dataSet.ResetCounters();
  grid.SetBufferCount(5);
  EXPECT_EQ(dataSet.BufferCount(), 5);
  EXPECT_EQ(dataSet.ReadCount(), 0);
  EXPECT_EQ(CurrentNumber(dataSet), 51);
  const Numbers fewer = grid.VisibleNumbers();
  EXPECT_EQ(fewer[static_cast<size_t>(grid.ActiveRecord())], 51);
}

TEST_F(LargeTable, ADetachedLinkNoLongerSizesTheRing) {
  grid.SetDataSource(nullptr);
  EXPECT_FALSE(grid.Active());
  EXPECT_EQ(dataSet.BufferCount(), 1);
  EXPECT_EQ(CurrentNumber(dataSet), 1);
}

TEST(SmallTable, ALinkLargerThanTheTableShowsEveryRecord) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(4));
  TDataSource source(&dataSet);
  TRecordingLink grid;
  grid.SetBufferCount(10);
  grid.SetDataSource(&source);
  dataSet.Open();
  EXPECT_EQ(grid.RecordCount(), 4);
  dataSet.Last();
  EXPECT_EQ(grid.VisibleNumbers(), Range(1, 4));
  EXPECT_EQ(grid.ActiveRecord(), 3);
}

TEST(LinkNotices, DisableControlsHoldsBackNoticesUntilEnabled) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(20));
  TDataSource source(&dataSet);
  TRecordingLink grid;
  grid.SetBufferCount(5);
  grid.SetDataSource(&source);
  int sourceChanges = 0;
  source.OnDataChange = [&](TDataSource&, TField*) { ++sourceChanges; };
  dataSet.Open();
  grid.Notices.clear();
  sourceChanges = 0;

  dataSet.DisableControls();
  dataSet.DisableControls();
  dataSet.MoveBy(7);
  dataSet.Edit();
  dataSet.FieldByName(u"NAME").SetAsString(u"x");
  dataSet.Post();
  dataSet.EnableControls();
  EXPECT_TRUE(grid.Notices.empty());
  EXPECT_EQ(sourceChanges, 0);
  EXPECT_TRUE(dataSet.ControlsDisabled());
  dataSet.EnableControls();
  EXPECT_FALSE(dataSet.ControlsDisabled());
  EXPECT_EQ(grid.Notices, (std::vector<std::string>{"DataSetChanged"}));
  EXPECT_EQ(sourceChanges, 1);
  EXPECT_EQ(grid.VisibleNumbers()[static_cast<size_t>(grid.ActiveRecord())], 8);
}

TEST(LinkNotices, ClosingWhileControlsAreDisabledStillDeactivatesTheLinks) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  TDataSource source(&dataSet);
  TRecordingLink grid;
  grid.SetDataSource(&source);
  dataSet.Open();
  dataSet.DisableControls();
  dataSet.Close();
  EXPECT_FALSE(grid.Active());
  dataSet.EnableControls();
  EXPECT_FALSE(grid.Active());
}

TEST(LinkNotices, EditingAndFieldChangesReachTheLink) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  TDataSource source(&dataSet);
  TRecordingLink grid;
  grid.SetDataSource(&source);
  dataSet.Open();
  grid.Notices.clear();
  dataSet.Edit();
  dataSet.FieldByName(u"NAME").SetAsString(u"changed");
  dataSet.Post();
  EXPECT_EQ(grid.Notices, (std::vector<std::string>{"CheckBrowseMode", "Editing", "RecordChanged", "RecordChanged(NAME)",
                                                    "UpdateData", "CheckBrowseMode", "NotEditing",
                                                    "DataSetChanged"}));
}

TEST(LinkNotices, ADisabledSourceMakesItsLinksInactive) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  TDataSource source(&dataSet);
  TRecordingLink grid;
  grid.SetDataSource(&source);
  dataSet.Open();
  source.SetEnabled(false);
  EXPECT_FALSE(grid.Active());
  EXPECT_EQ(source.State(), TDataSetState::dsInactive);
  source.SetEnabled(true);
  EXPECT_TRUE(grid.Active());
}

TEST(LinkNotices, DestroyingEitherSideDetachesTheOther) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  auto grid = std::make_unique<TRecordingLink>();
  {
    TDataSource source(&dataSet);
    grid->SetDataSource(&source);
    dataSet.Open();
    EXPECT_TRUE(grid->Active());
  }
  EXPECT_EQ(grid->DataSource(), nullptr);
  EXPECT_FALSE(grid->Active());

  TDataSource source;
  {
    auto temporary = std::make_unique<TMemoryDataSet>(TMemoryDataSet::NumberedRows(2));
    source.SetDataSet(temporary.get());
    grid->SetDataSource(&source);
    temporary->Open();
    EXPECT_TRUE(grid->Active());
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(grid->Active());
  grid.reset();
  EXPECT_EQ(source.DataLinkCount(), 0);
}

TEST(LinkNotices, AFixedSourceCannotBeChanged) {
  TDataSource first, second;
  TRecordingLink link;
  link.SetDataSource(&first);
  link.SetDataSourceFixed(true);
  EXPECT_THROW(link.SetDataSource(&second), EDatabaseError);
  EXPECT_EQ(link.DataSource(), &first);
}

}  // namespace
}  // namespace vexilo::framework::testing
