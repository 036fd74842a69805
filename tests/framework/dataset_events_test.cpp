// Dataset states and the order of the before/after events around each
// operation, as controls and event handlers see them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/core/abort.h"
#include "framework/core/data_source.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

using Events = std::vector<std::string>;

struct EventCase {
  const char* name;
  std::function<void(TDataSet&)> prepare;
  std::function<void(TDataSet&)> operation;
  Events events;
  TDataSetState stateAfter;
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

class DatasetEvents : public ::testing::TestWithParam<EventCase> {};

TEST_P(DatasetEvents, FireInTheUsualOrderAndLeaveTheExpectedState) {
  const EventCase& c = GetParam();
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(5));
  dataSet.Open();
  if (c.prepare) c.prepare(dataSet);
  TEventLog log(dataSet);
  c.operation(dataSet);
  EXPECT_EQ(log.Take(), c.events);
  EXPECT_EQ(dataSet.State(), c.stateAfter);
}

void Edit(TDataSet& d) { d.Edit(); }
void ChangeName(TDataSet& d) {
  d.Edit();
  d.FieldByName(u"NAME").SetAsString(u"changed");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, DatasetEvents,
    ::testing::Values(
        EventCase{"Close", nullptr, [](TDataSet& d) { d.Close(); }, {"BeforeClose", "AfterClose"},
                  TDataSetState::dsInactive},
        EventCase{"Next", nullptr, [](TDataSet& d) { d.Next(); }, {"BeforeScroll", "AfterScroll"},
                  TDataSetState::dsBrowse},
        EventCase{"First", nullptr, [](TDataSet& d) { d.First(); }, {"BeforeScroll", "AfterScroll"},
                  TDataSetState::dsBrowse},
        EventCase{"Last", nullptr, [](TDataSet& d) { d.Last(); }, {"BeforeScroll", "AfterScroll"},
                  TDataSetState::dsBrowse},
        EventCase{"Insert", nullptr, [](TDataSet& d) { d.Insert(); },
                  {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"},
                  TDataSetState::dsInsert},
        EventCase{"Append", nullptr, [](TDataSet& d) { d.Append(); },
                  {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"},
                  TDataSetState::dsInsert},
        EventCase{"PostInsert", [](TDataSet& d) { d.Insert(); }, [](TDataSet& d) { d.Post(); },
                  {"BeforePost", "AfterPost"}, TDataSetState::dsBrowse},
        EventCase{"Edit", nullptr, Edit, {"BeforeEdit", "AfterEdit"}, TDataSetState::dsEdit},
        EventCase{"PostEdit", ChangeName, [](TDataSet& d) { d.Post(); }, {"BeforePost", "AfterPost"},
                  TDataSetState::dsBrowse},
        EventCase{"CancelEdit", ChangeName, [](TDataSet& d) { d.Cancel(); }, {"BeforeCancel", "AfterCancel"},
                  TDataSetState::dsBrowse},
        EventCase{"CancelInsert", [](TDataSet& d) { d.Insert(); }, [](TDataSet& d) { d.Cancel(); },
                  {"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}, TDataSetState::dsBrowse},
        EventCase{"Delete", nullptr, [](TDataSet& d) { d.Delete(); },
                  {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}, TDataSetState::dsBrowse},
        EventCase{"DeleteWhileInserting", [](TDataSet& d) { d.Insert(); }, [](TDataSet& d) { d.Delete(); },
                  {"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}, TDataSetState::dsBrowse},
        EventCase{"MovingWhileEditingPostsFirst", ChangeName, [](TDataSet& d) { d.Next(); },
                  {"BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}, TDataSetState::dsBrowse},
        EventCase{"Refresh", nullptr, [](TDataSet& d) { d.Refresh(); }, {"BeforeRefresh", "AfterRefresh"},
                  TDataSetState::dsBrowse}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

TEST(DatasetOpening, FiresOpenEventsThenScrollOnANonEmptyDataset) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  TEventLog log(dataSet);
  dataSet.Open();
  EXPECT_EQ(log.Take(), (Events{"BeforeOpen", "AfterOpen", "AfterScroll"}));
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_FALSE(dataSet.Eof());
  EXPECT_EQ(CurrentNumber(dataSet), 1);
}

TEST(DatasetOpening, AnEmptyDatasetOpensAtBothEndsWithoutAScroll) {
  TMemoryDataSet dataSet;
  TEventLog log(dataSet);
  dataSet.Open();
  EXPECT_EQ(log.Take(), (Events{"BeforeOpen", "AfterOpen"}));
  EXPECT_TRUE(dataSet.IsEmpty());
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_TRUE(dataSet.FieldByName(u"NUMBER").IsNull());
}

TEST(DatasetOpening, AbortInBeforeOpenKeepsTheDatasetClosed) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  dataSet.BeforeOpen = [](TDataSet&) { Abort(); };
  EXPECT_THROW(dataSet.Open(), EAbort);
  EXPECT_FALSE(dataSet.Active());
  EXPECT_EQ(dataSet.Calls(), std::vector<std::string>{});
}

TEST(DatasetOpening, DefaultFieldsComeFromTheFieldDefinitionsAndGoOnClose) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(1));
  dataSet.Open();
  ASSERT_EQ(dataSet.FieldCount(), 3);
  EXPECT_EQ(dataSet.Fields()[0].FieldName(), u"NUMBER");
  EXPECT_EQ(dataSet.Fields()[1].DataType(), TFieldType::ftWideString);
  EXPECT_EQ(dataSet.Fields()[1].Size(), 40);
  EXPECT_EQ(dataSet.Fields()[2].FieldNo(), 3);
  EXPECT_EQ(&dataSet.FieldByName(u"name"), &dataSet.Fields()[1]);
  EXPECT_EQ(dataSet.FindField(u"missing"), nullptr);
  EXPECT_THROW(dataSet.FieldByName(u"missing"), EDatabaseError);
  dataSet.Close();
  EXPECT_EQ(dataSet.FieldCount(), 0);
}

TEST(DatasetOpening, FieldDefinitionsCanBeReadWhileClosed) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(1));
  dataSet.FieldDefs().Update();
  ASSERT_EQ(dataSet.FieldDefs().Count(), 3);
  EXPECT_EQ(dataSet.FieldDefs()[2].DataType(), TFieldType::ftWideMemo);
  EXPECT_FALSE(dataSet.Active());
}

TEST(DatasetOpening, OperationsOnAClosedDatasetRaise) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(1));
  EXPECT_THROW(dataSet.Next(), EDatabaseError);
  EXPECT_THROW(dataSet.Edit(), EDatabaseError);
  EXPECT_THROW(dataSet.Delete(), EDatabaseError);
  EXPECT_THROW(dataSet.RecordCount(), EDatabaseError);
}

TEST(DatasetOpening, ClosingWhileInsertingDropsTheNewRecord) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(2));
  dataSet.Open();
  dataSet.Append();
  dataSet.FieldByName(u"NUMBER").SetAsInteger(99);
  dataSet.ResetCounters();
  dataSet.Close();
  EXPECT_EQ(dataSet.Calls(), (std::vector<std::string>{"InternalCancel", "InternalClose"}));
  EXPECT_EQ(dataSet.RowCount(), 2);
}

TEST(DataSourceState, FollowsTheDatasetThroughEditingAndClosing) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(2));
  TDataSource source(&dataSet);
  std::vector<TDataSetState> states;
  source.OnStateChange = [&](TDataSource& s) { states.push_back(s.State()); };
  dataSet.Open();
  dataSet.Edit();
  dataSet.Cancel();
  dataSet.Insert();
  dataSet.Post();
  dataSet.Close();
  EXPECT_EQ(states, (std::vector<TDataSetState>{TDataSetState::dsBrowse, TDataSetState::dsEdit,
                                                TDataSetState::dsBrowse, TDataSetState::dsInsert,
                                                TDataSetState::dsBrowse, TDataSetState::dsInactive}));
}

}  // namespace
}  // namespace vexilo::framework::testing
