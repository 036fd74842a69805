// OnFilterRecord: records the handler rejects are skipped by every move and
// left out of the count, while Filtered is on.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "framework/core/data_source.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

using Numbers = std::vector<std::optional<int32_t>>;

class FilterRecord : public ::testing::Test {
 protected:
  FilterRecord() : dataSet(TMemoryDataSet::NumberedRows(20)), source(&dataSet) {
    grid.SetBufferCount(4);
    grid.SetDataSource(&source);
    dataSet.SetOnFilterRecord([this](TDataSet& d, bool& accept) {
      offeredStates.push_back(d.State());
      accept = d.FieldByName(u"NUMBER").AsInteger() % 3 == 0;
    });
    dataSet.Open();
  }

  TMemoryDataSet dataSet;
  TDataSource source;
  TRecordingLink grid;
  std::vector<TDataSetState> offeredStates;
};

TEST_F(FilterRecord, IsIgnoredWhileFilteredIsOff) {
  EXPECT_EQ(CurrentNumber(dataSet), 1);
  EXPECT_EQ(dataSet.RecordCount(), 20);
  EXPECT_TRUE(offeredStates.empty());
}

TEST_F(FilterRecord, SkipsRejectedRecordsInEveryDirection) {
  TEventLog log(dataSet);
  dataSet.SetFiltered(true);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(CurrentNumber(dataSet), 3);
  EXPECT_EQ(grid.VisibleNumbers(), (Numbers{3, 6, 9, 12}));
  dataSet.MoveBy(4);
  EXPECT_EQ(CurrentNumber(dataSet), 15);
  dataSet.Last();
  EXPECT_EQ(CurrentNumber(dataSet), 18);
  dataSet.Prior();
  EXPECT_EQ(CurrentNumber(dataSet), 15);
  dataSet.Next();
  dataSet.Next();
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(CurrentNumber(dataSet), 18);
}

TEST_F(FilterRecord, OffersEachRecordInTheFilterStateAndCountsOnlyAcceptedOnes) {
  dataSet.SetFiltered(true);
  offeredStates.clear();
  EXPECT_EQ(dataSet.RecordCount(), 6);
  EXPECT_EQ(offeredStates, std::vector<TDataSetState>(20, TDataSetState::dsFilter));
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
}

TEST_F(FilterRecord, AHandlerThatRejectsEverythingLeavesTheDatasetEmpty) {
  dataSet.SetFiltered(true);
  dataSet.SetOnFilterRecord([](TDataSet&, bool& accept) { accept = false; });
  EXPECT_TRUE(dataSet.IsEmpty());
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(grid.RecordCount(), 0);
}

TEST_F(FilterRecord, SwitchingTheFilterOffShowsEveryRecordFromTheFirst) {
  dataSet.SetFiltered(true);
  dataSet.MoveBy(2);
  dataSet.SetFiltered(false);
  EXPECT_EQ(CurrentNumber(dataSet), 1);
  EXPECT_EQ(grid.VisibleNumbers(), (Numbers{1, 2, 3, 4}));
}

TEST_F(FilterRecord, SettingTheSameFilteredValueDoesNotMove) {
  dataSet.MoveBy(5);
  TEventLog log(dataSet);
  dataSet.SetFiltered(false);
  EXPECT_EQ(log.Take(), std::vector<std::string>{});
  EXPECT_EQ(CurrentNumber(dataSet), 6);
}

TEST_F(FilterRecord, AnErrorInTheHandlerReachesTheCallerAndLeavesTheDatasetBrowsing) {
  dataSet.SetFiltered(true);
  dataSet.SetOnFilterRecord([](TDataSet& d, bool& accept) {
    if (d.FieldByName(u"NUMBER").AsInteger() == 10) throw EDatabaseError(u"broken filter");
    accept = true;
  });
  EXPECT_EQ(CurrentNumber(dataSet), 1);
  EXPECT_THROW(dataSet.MoveBy(12), EDatabaseError);
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_FALSE(dataSet.ControlsDisabled());
  dataSet.First();
  EXPECT_EQ(CurrentNumber(dataSet), 1);
}

TEST(FilterSettings, AreKeptWhileClosedAndChangingThemWhileEditingPostsFirst) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  dataSet.SetFilter(u"NUMBER > 1");
  dataSet.SetFilterOptions({.CaseInsensitive = true});
  dataSet.SetFiltered(true);
  dataSet.Open();
  EXPECT_EQ(dataSet.Filter(), u"NUMBER > 1");
  EXPECT_TRUE(dataSet.FilterOptions().CaseInsensitive);
  dataSet.Edit();
  dataSet.FieldByName(u"NAME").SetAsString(u"posted");
  dataSet.SetFilter(u"");
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(dataSet.RowName(0), u"posted");
}

}  // namespace
}  // namespace vexilo::framework::testing
