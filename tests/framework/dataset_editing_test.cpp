// Inserting, appending, editing, posting, cancelling and deleting through the
// framework: what reaches the dataset's protocol, where records land, and
// how handlers stop or retry an operation.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/core/abort.h"
#include "framework/core/application_exception.h"
#include "framework/core/data_source.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

using Calls = std::vector<std::string>;
using Numbers = std::vector<std::optional<int32_t>>;

class Editing : public ::testing::Test {
 protected:
  Editing() : dataSet(TMemoryDataSet::NumberedRows(5)), source(&dataSet) {
    grid.SetBufferCount(3);
    grid.SetDataSource(&source);
    dataSet.Open();
    dataSet.ResetCounters();
  }

  TField& Number() { return dataSet.FieldByName(u"NUMBER"); }
  TField& Name() { return dataSet.FieldByName(u"NAME"); }

  TMemoryDataSet dataSet;
  TDataSource source;
  TRecordingLink grid;
};

TEST_F(Editing, PostFromEditWritesTheRecordInPlace) {
  dataSet.MoveBy(2);
  dataSet.Edit();
  Name().SetAsString(u"third");
  EXPECT_TRUE(dataSet.Modified());
  dataSet.Post();
  EXPECT_EQ(dataSet.Calls(), (Calls{"InternalEdit", "InternalPost(edit)"}));
  EXPECT_EQ(dataSet.RowCount(), 5);
  EXPECT_EQ(dataSet.RowName(2), u"third");
  EXPECT_EQ(CurrentNumber(dataSet), 3);
  EXPECT_EQ(Name().AsString(), u"third");
  EXPECT_FALSE(dataSet.Modified());
}

TEST_F(Editing, CancelFromEditRestoresTheStoredValues) {
  dataSet.Edit();
  Name().SetAsString(u"changed");
  dataSet.Cancel();
  EXPECT_EQ(dataSet.Calls(), (Calls{"InternalEdit", "InternalCancel"}));
  EXPECT_EQ(Name().AsString(), u"Row 1");
  EXPECT_EQ(dataSet.RowName(0), u"Row 1");
}

TEST_F(Editing, InsertPutsTheNewRecordBeforeTheCurrentOne) {
  dataSet.MoveBy(2);
  dataSet.Insert();
  EXPECT_TRUE(Number().IsNull());
  EXPECT_EQ(grid.VisibleNumbers()[static_cast<size_t>(grid.ActiveRecord())], std::nullopt);
  Number().SetAsInteger(100);
  dataSet.Post();
  EXPECT_EQ(dataSet.Calls(), (Calls{"InternalInsert", "InternalPost(insert)"}));
  EXPECT_EQ(StoredNumbers(dataSet), (Numbers{1, 2, 100, 3, 4, 5}));
  EXPECT_EQ(CurrentNumber(dataSet), 100);
  dataSet.Next();
  EXPECT_EQ(CurrentNumber(dataSet), 3);
}

TEST_F(Editing, InsertIntoAnEmptyDatasetStoresTheFirstRecord) {
  TMemoryDataSet empty;
  empty.Open();
  empty.Insert();
  empty.FieldByName(u"NUMBER").SetAsInteger(1);
  empty.Post();
  EXPECT_EQ(StoredNumbers(empty), (Numbers{1}));
  EXPECT_FALSE(empty.IsEmpty());
}

TEST_F(Editing, EditOnAnEmptyDatasetInserts) {
  TMemoryDataSet empty;
  empty.Open();
  empty.Edit();
  EXPECT_EQ(empty.State(), TDataSetState::dsInsert);
}

TEST_F(Editing, AppendStoresTheNewRecordAtTheEnd) {
  dataSet.Append();
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(grid.VisibleNumbers(), (Numbers{4, 5, std::nullopt}));
  Number().SetAsInteger(6);
  dataSet.Post();
  EXPECT_EQ(StoredNumbers(dataSet), (Numbers{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(CurrentNumber(dataSet), 6);
  EXPECT_EQ(dataSet.RecordCount(), 6);
}

TEST_F(Editing, CancellingAnInsertStoresNothingAndReturnsToTheRecord) {
  dataSet.MoveBy(1);
  dataSet.Insert();
  Number().SetAsInteger(100);
  dataSet.Cancel();
  EXPECT_EQ(StoredNumbers(dataSet), (Numbers{1, 2, 3, 4, 5}));
  EXPECT_EQ(CurrentNumber(dataSet), 2);
  dataSet.Append();
  dataSet.Cancel();
  EXPECT_EQ(dataSet.RowCount(), 5);
  EXPECT_EQ(CurrentNumber(dataSet), 5);
}

TEST_F(Editing, InsertAndAppendRecordStoreValuesInOneStep) {
  const TVariant appended[] = {int64_t{7}, std::u16string(u"seven")};
  dataSet.AppendRecord(appended);
  dataSet.First();
  const TVariant inserted[] = {int64_t{0}, TVariant{}};
  dataSet.InsertRecord(inserted);
  EXPECT_EQ(dataSet.Calls(), (Calls{"InternalAddRecord(append)", "InternalAddRecord(insert)"}));
  EXPECT_EQ(StoredNumbers(dataSet), (Numbers{0, 1, 2, 3, 4, 5, 7}));
  EXPECT_EQ(dataSet.RowName(6), u"seven");
  EXPECT_EQ(dataSet.RowName(0), std::nullopt);
  EXPECT_EQ(CurrentNumber(dataSet), 0);
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
}

TEST_F(Editing, DeletingTheLastRemainingRecordLeavesAnEmptyDataset) {
  TMemoryDataSet one(TMemoryDataSet::NumberedRows(1));
  one.Open();
  one.Delete();
  EXPECT_TRUE(one.IsEmpty());
  EXPECT_TRUE(one.Eof());
  EXPECT_EQ(one.RowCount(), 0);
  EXPECT_THROW(one.Delete(), EDatabaseError);
}

TEST_F(Editing, DeleteMovesToTheFollowingRecordOrThePriorAtTheEnd) {
  dataSet.MoveBy(1);
  dataSet.Delete();
  EXPECT_EQ(CurrentNumber(dataSet), 3);
  dataSet.Last();
  dataSet.Delete();
  EXPECT_EQ(CurrentNumber(dataSet), 4);
  EXPECT_EQ(StoredNumbers(dataSet), (Numbers{1, 3, 4}));
}

TEST_F(Editing, AbortInBeforeDeleteSilentlyKeepsEverything) {
  std::vector<std::string> reported;
  const TExceptionReporter previous =
      SetExceptionReporter([&](const std::exception& error) { reported.push_back(error.what()); });
  dataSet.MoveBy(1);
  TEventLog log(dataSet);
  dataSet.BeforeDelete = [](TDataSet&) { Abort(); };
  try {
    dataSet.Delete();
    ADD_FAILURE() << "the delete went ahead";
  } catch (...) {
    HandleApplicationException(std::current_exception());
  }
  SetExceptionReporter(previous);
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(log.Take(), std::vector<std::string>{});
  EXPECT_EQ(dataSet.RowCount(), 5);
  EXPECT_EQ(dataSet.Calls(), Calls{});
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(CurrentNumber(dataSet), 2);
}

TEST_F(Editing, CheckBrowseModePostsAModifiedRecordAndCancelsAnUntouchedOne) {
  dataSet.Edit();
  Name().SetAsString(u"kept");
  dataSet.CheckBrowseMode();
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(dataSet.RowName(0), u"kept");
  dataSet.ResetCounters();
  dataSet.Edit();
  dataSet.CheckBrowseMode();
  EXPECT_EQ(dataSet.Calls(), (Calls{"InternalEdit", "InternalCancel"}));
}

TEST_F(Editing, AControlsPendingEditIsWrittenBeforePosting) {
  // A field link whose control holds a typed text until asked for it.
  class TEditorLink : public TDataLink {
   protected:
    void UpdateData() override { DataSet()->FieldByName(u"NAME").SetAsString(u"typed"); }
  } editor;
  editor.SetDataSource(&source);
  dataSet.Edit();
  dataSet.Post();
  EXPECT_EQ(dataSet.RowName(0), u"typed");
}

TEST_F(Editing, ARequiredFieldWithoutValueStopsThePost) {
  Name().SetRequired(true);
  dataSet.Insert();
  Number().SetAsInteger(9);
  try {
    dataSet.Post();
    ADD_FAILURE() << "posted without a required value";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), u"Field 'NAME' must have a value");
  }
  EXPECT_EQ(dataSet.State(), TDataSetState::dsInsert);
  Name().SetAsString(u"nine");
  dataSet.Post();
  EXPECT_EQ(dataSet.RowCount(), 6);
}

TEST_F(Editing, PostErrorHandlerDecidesBetweenFailAbortAndRetry) {
  struct Case {
    TDataAction action;
    int failures;
    bool posted;
    bool aborted;
  };
  const Case cases[] = {{TDataAction::daFail, 1, false, false},
                        {TDataAction::daAbort, 1, false, true},
                        {TDataAction::daRetry, 2, true, false}};
  for (const Case& c : cases) {
    TMemoryDataSet table(TMemoryDataSet::NumberedRows(2));
    table.Open();
    int asked = 0;
    table.OnPostError = [&](TDataSet&, const EDatabaseError&, TDataAction& action) {
      ++asked;
      action = c.action;
    };
    table.Edit();
    table.FieldByName(u"NAME").SetAsString(u"new");
    table.FailNextPosts(c.failures);
    bool aborted = false;
    try {
      table.Post();
    } catch (const EAbort&) {
      aborted = true;
    } catch (const EDatabaseError&) {
    }
    EXPECT_EQ(aborted, c.aborted);
    EXPECT_EQ(asked, c.failures);
    EXPECT_EQ(table.State(), c.posted ? TDataSetState::dsBrowse : TDataSetState::dsEdit);
    EXPECT_EQ(table.RowName(0), c.posted ? u"new" : u"Row 1");
  }
}

TEST_F(Editing, AReadOnlyDatasetRefusesEveryChange) {
  dataSet.SetReadOnly(true);
  EXPECT_FALSE(dataSet.CanModify());
  EXPECT_FALSE(Name().CanModify());
  EXPECT_THROW(dataSet.Edit(), EDatabaseError);
  EXPECT_THROW(dataSet.Insert(), EDatabaseError);
  EXPECT_THROW(dataSet.Append(), EDatabaseError);
  EXPECT_THROW(dataSet.Delete(), EDatabaseError);
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(dataSet.RowCount(), 5);
}

TEST_F(Editing, WritingAFieldOutsideEditModeRaises) {
  EXPECT_THROW(Name().SetAsString(u"x"), EDatabaseError);
  EXPECT_THROW(dataSet.Post(), EDatabaseError);
  EXPECT_EQ(dataSet.RowName(0), u"Row 1");
}

TEST_F(Editing, AFailingNewRecordHandlerGivesTheInsertUp) {
  dataSet.OnNewRecord = [](TDataSet&) { throw EDatabaseError(u"no defaults"); };
  EXPECT_THROW(dataSet.Append(), EDatabaseError);
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(dataSet.Calls(), (Calls{"InternalInsert", "InternalCancel"}));
  EXPECT_EQ(dataSet.RowCount(), 5);
  EXPECT_FALSE(dataSet.IsEmpty());
}

TEST_F(Editing, OnNewRecordFillsDefaultsWithoutMarkingTheRecordModified) {
  dataSet.OnNewRecord = [](TDataSet& d) { d.FieldByName(u"NAME").SetAsString(u"default"); };
  dataSet.Append();
  EXPECT_EQ(Name().AsString(), u"default");
  EXPECT_FALSE(dataSet.Modified());
  dataSet.CheckBrowseMode();
  EXPECT_EQ(dataSet.RowCount(), 5);
}

}  // namespace
}  // namespace vexilo::framework::testing
