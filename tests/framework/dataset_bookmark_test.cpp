// Bookmarks: taking one, going back to it, comparing two, and a bookmark of
// a deleted record.
#include <gtest/gtest.h>

#include "framework/core/data_source.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

class Bookmarks : public ::testing::Test {
 protected:
  Bookmarks() : dataSet(TMemoryDataSet::NumberedRows(50)), source(&dataSet) {
    grid.SetBufferCount(5);
    grid.SetDataSource(&source);
    dataSet.Open();
  }

  TMemoryDataSet dataSet;
  TDataSource source;
  TRecordingLink grid;
};

TEST_F(Bookmarks, GoingToABookmarkMakesItsRecordCurrentInTheMiddleOfTheGrid) {
  dataSet.MoveBy(20);
  const TBookmark mark = dataSet.GetBookmark();
  ASSERT_EQ(mark.size(), 4u);
  dataSet.Last();
  TEventLog log(dataSet);
  dataSet.GotoBookmark(mark);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(CurrentNumber(dataSet), 21);
  EXPECT_EQ(grid.ActiveRecord(), 2);
  EXPECT_EQ(grid.VisibleNumbers(), (std::vector<std::optional<int32_t>>{19, 20, 21, 22, 23}));
}

TEST_F(Bookmarks, ComparingFollowsTheRecordOrderAndPutsNoBookmarkFirst) {
  dataSet.MoveBy(3);
  const TBookmark early = dataSet.GetBookmark();
  dataSet.MoveBy(10);
  const TBookmark late = dataSet.GetBookmark();
  struct Case {
    const TBookmark& a;
    const TBookmark& b;
    int expected;
  };
  const TBookmark none;
  const Case cases[] = {{early, late, -1}, {late, early, 1}, {early, early, 0},
                        {none, early, -1}, {early, none, 1}, {none, none, 0}};
  for (const Case& c : cases) EXPECT_EQ(dataSet.CompareBookmarks(c.a, c.b), c.expected);
}

TEST_F(Bookmarks, ABookmarkOfADeletedRecordIsInvalidAndCannotBeReached) {
  dataSet.MoveBy(7);
  const TBookmark mark = dataSet.GetBookmark();
  EXPECT_TRUE(dataSet.BookmarkValid(mark));
  dataSet.Delete();
  EXPECT_FALSE(dataSet.BookmarkValid(mark));
  EXPECT_EQ(CurrentNumber(dataSet), 9);
  EXPECT_THROW(dataSet.GotoBookmark(mark), EDatabaseError);
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(CurrentNumber(dataSet), 9);
  dataSet.Next();
  EXPECT_EQ(CurrentNumber(dataSet), 10);
}

TEST_F(Bookmarks, NoBookmarkWhileInsertingOrWhenEmpty) {
  dataSet.Insert();
  EXPECT_FALSE(dataSet.BookmarkAvailable());
  EXPECT_TRUE(dataSet.GetBookmark().empty());
  dataSet.Cancel();
  EXPECT_FALSE(dataSet.GetBookmark().empty());

  TMemoryDataSet empty;
  empty.Open();
  EXPECT_TRUE(empty.GetBookmark().empty());
  empty.GotoBookmark({});
  EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(Bookmarks, ABookmarkSurvivesInsertsBeforeItsRecord) {
  dataSet.MoveBy(10);
  const TBookmark mark = dataSet.GetBookmark();
  dataSet.First();
  dataSet.Insert();
  dataSet.FieldByName(u"NUMBER").SetAsInteger(0);
  dataSet.Post();
  dataSet.GotoBookmark(mark);
  EXPECT_EQ(CurrentNumber(dataSet), 11);
  EXPECT_EQ(dataSet.RecNo(), 12);
}

}  // namespace
}  // namespace vexilo::framework::testing
