// The table calls on a small dictionary: orders, moves, key search, ranges,
// filters, marks, the edit cycle with descriptions, and the handle and
// buffer rules every call keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/engine/api/calls/table_call_fixture.h"

namespace vexilo::api::testing {
namespace {

constexpr int16_t kEngField = 2;
constexpr int16_t kHunField = 3;
constexpr int16_t kLeirField = 4;

// Record numbers follow this order; ENG order is apple, bread, cat, dog,
// egg, fish, grape.
const std::vector<TEntry> kEntries = {
    {u"dog", u"kutya", u"a loyal animal"}, {u"apple", u"alma", u"a fruit"}, {u"fish", u"hal", u""},
    {u"bread", u"kenyér", u"baked"},       {u"egg", u"tojás", u"laid"},      {u"cat", u"macska", u"purrs"},
    {u"grape", u"szőlő", u"vine"},
};

const std::vector<std::u16string> kEngOrder = {u"apple", u"bread", u"cat", u"dog", u"egg", u"fish", u"grape"};

class TableCallsTest : public TableCallFixture {
 protected:
  void SetUp() override { Prepare(kEntries); }
};

TEST_F(TableCallsTest, WalksRecordNumberAndIndexOrdersBothWays) {
  const TVxbTableHdl byNumber = NewTable();
  std::vector<std::u16string> numberOrder;
  for (const TEntry& entry : kEntries) numberOrder.push_back(entry.Eng);
  EXPECT_EQ(Walk(byNumber), numberOrder);

  const TVxbTableHdl byEng = NewTable(u"ENG");
  EXPECT_EQ(Walk(byEng), kEngOrder);
  std::vector<std::u16string> reversed(kEngOrder.rbegin(), kEngOrder.rend());
  EXPECT_EQ(Walk(byEng, -1), reversed);
  EXPECT_EQ(VxbTableGetRowCount(byEng), 7);

  // Reverse order by the index's own flag.
  ASSERT_EQ(VxbTableSetIndex(byEng, u"ENG", true), 0);
  EXPECT_EQ(Walk(byEng), reversed);

  std::u16string name(16, u'\0');
  ASSERT_EQ(VxbTableSetIndex(byEng, u"HUN", false), 0);
  EXPECT_EQ(VxbTableGetAccess(byEng, name.data(), 15), 0);
  EXPECT_EQ(std::u16string(name.c_str()), u"HUN");
  EXPECT_EQ(VxbTableGetAccess(byNumber, name.data(), 15), 0);
  EXPECT_EQ(std::u16string(name.c_str()), u"Nummer");
  EXPECT_EQ(VxbTableSetIndex(byEng, u"NOSUCH", false), -16);
}

TEST_F(TableCallsTest, MovesKeepTheirPositionAtTheEnds) {
  const TVxbTableHdl table = NewTable(u"ENG");
  // Opening puts the cursor on the first record by number (dog), and
  // choosing an order keeps it there.
  EXPECT_EQ(VxbTableGetRecNo(table), 1);
  EXPECT_EQ(Text(table, kEngField), u"dog");
  ASSERT_EQ(VxbTableLast(table), 1);
  EXPECT_EQ(VxbTableMoveBy(table, 1), -11);
  EXPECT_EQ(Text(table, kEngField), u"grape");
  EXPECT_EQ(VxbTableMoveBy(table, -3), 0);
  EXPECT_EQ(Text(table, kEngField), u"dog");
  EXPECT_EQ(VxbTableGetSequenceNo(table), 4);
  EXPECT_EQ(VxbTableSetSequenceNo(table, 2), 2);
  EXPECT_EQ(Text(table, kEngField), u"bread");
  EXPECT_EQ(VxbTableSetRecNo(table, 7), 7);
  EXPECT_EQ(Text(table, kEngField), u"grape");
  EXPECT_EQ(VxbTableSetRecNo(table, 99), -11);
  EXPECT_EQ(VxbTableGetRecNo(table), 7);
  EXPECT_EQ(VxbTableSetRecNo(table, -1), 0);
  EXPECT_EQ(VxbTableGetRecNo(table), -1);
}

TEST_F(TableCallsTest, LocateRec2FindsTheNearestOrExactKey) {
  const TVxbTableHdl table = NewTable(u"HUN");
  struct TCase {
    const char16_t* Index;
    int16_t Field;
    std::u16string Key;
    std::u16string Lands;  // ENG of the record found, empty: none
    bool Exact;
  };
  const std::vector<TCase> cases = {
      {u"ENG", kEngField, u"a", u"apple", false},     {u"ENG", kEngField, u"apple", u"apple", true},
      {u"ENG", kEngField, u"appl", u"apple", false},  {u"ENG", kEngField, u"c", u"cat", false},
      {u"ENG", kEngField, u"dz", u"egg", false},      {u"ENG", kEngField, u"zebra", u"", false},
      {u"ENG", kEngField, u"", u"apple", false},      {u"HUN", kHunField, u"kenyér", u"bread", true},
      {u"HUN", kHunField, u"ke", u"bread", false},    {u"HUN", kHunField, u"t", u"egg", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Key.begin(), c.Key.end()));
    const std::vector<uint8_t> key = KeyRecord(table, c.Field, c.Key);
    bool exact = true;
    const int32_t found = VxbTableLocateRec2(table, c.Index, key.data(), 0, &exact);
    if (c.Lands.empty()) {
      EXPECT_EQ(found, 0);
      continue;
    }
    ASSERT_GT(found, 0);
    EXPECT_EQ(VxbTableGetRecNo(table), found);
    EXPECT_EQ(Text(table, kEngField), c.Lands);
    EXPECT_EQ(exact, c.Exact);
  }
  const std::vector<uint8_t> key = KeyRecord(table, kEngField, u"a");
  bool exact = false;
  EXPECT_EQ(VxbTableLocateRec2(table, u"NOSUCH", key.data(), 0, &exact), -16);
}

TEST_F(TableCallsTest, RangeLimitsMovesCountsAndKeySearch) {
  const TVxbTableHdl table = NewTable(u"ENG");
  const std::vector<uint8_t> lower = KeyRecord(table, kEngField, u"b");
  const std::vector<uint8_t> upper = KeyRecord(table, kEngField, u"e");
  ASSERT_EQ(VxbTableSetRange(table, lower.data(), upper.data(), static_cast<int32_t>(lower.size()), 1, 1), 0);
  EXPECT_EQ(Walk(table), (std::vector<std::u16string>{u"bread", u"cat", u"dog"}));
  EXPECT_EQ(VxbTableGetRowCount(table), 3);
  bool exact = false;
  const std::vector<uint8_t> probe = KeyRecord(table, kEngField, u"a");
  EXPECT_EQ(VxbTableLocateRec2(table, u"ENG", probe.data(), 0, &exact), 4);
  EXPECT_EQ(Text(table, kEngField), u"bread");
  const std::vector<uint8_t> beyond = KeyRecord(table, kEngField, u"f");
  EXPECT_EQ(VxbTableLocateRec2(table, u"ENG", beyond.data(), 0, &exact), 0);

  ASSERT_EQ(VxbTableClearRange(table), 0);
  EXPECT_EQ(Walk(table), kEngOrder);

  const TVxbTableHdl byNumber = NewTable();
  EXPECT_EQ(VxbTableSetRange(byNumber, lower.data(), upper.data(), static_cast<int32_t>(lower.size()), 1, 1), -15);
}

TEST_F(TableCallsTest, StaticAndIncrementalFiltersComeAndGo) {
  struct TCase {
    int32_t Mode;
    const char16_t* Condition;
    std::vector<std::u16string> Visible;
  };
  const std::vector<TCase> cases = {
      {1, u"ENG >= 'cat' And ENG < 'fish'", {u"cat", u"dog", u"egg"}},
      {15, u"ENG >= 'cat' And ENG < 'fish'", {u"cat", u"dog", u"egg"}},
      {1, u"HUN = 'alma' Or HUN = 'hal'", {u"apple", u"fish"}},
      {15, u"HUN Like 'k%'", {u"bread", u"dog"}},
      {1 | 0x10, u"ENG = 'APPLE'", {u"apple"}},
      {1, u"ENG = 'nothing'", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Mode) + " " + std::string(c.Condition, c.Condition + 5));
    const TVxbTableHdl table = NewTable(u"ENG");
    ASSERT_EQ(VxbTableActivateFilter(table, false), 0);
    ASSERT_EQ(VxbTableSetSQLFilter(table, c.Condition, c.Mode, true), 0);
    EXPECT_EQ(Walk(table), kEngOrder) << "prepared only";
    ASSERT_EQ(VxbTableActivateFilter(table, true), 0);
    EXPECT_EQ(Walk(table), c.Visible);
    EXPECT_EQ(VxbTableGetRowCount(table), static_cast<int32_t>(c.Visible.size()));
    // A record outside the filter cannot be reached by number.
    ASSERT_EQ(VxbTableSetRecNo(table, 7), -11);
    ASSERT_EQ(VxbTableActivateFilter(table, false), 0);
    EXPECT_EQ(Walk(table), kEngOrder);
    ASSERT_EQ(VxbTableActivateFilter(table, true), 0);
    EXPECT_EQ(Walk(table), c.Visible) << "activated again";
  }
}

TEST_F(TableCallsTest, ConditionThatDoesNotCompileIsRefusedWithItsError) {
  const TVxbTableHdl table = NewTable(u"ENG");
  ASSERT_EQ(VxbTableSetSQLFilter(table, u"ENG >= 'c'", 1, false), 0);
  const std::vector<std::u16string> filtered = Walk(table);
  for (const char16_t* text : {u"ENG = ", u"NOSUCH = 1", u"ENG = 'open", u"((ENG = 'a')"}) {
    SCOPED_TRACE(std::string(text, text + std::u16string_view(text).size()));
    FSession->Services()->ClearLastError();
    EXPECT_EQ(VxbTableSetSQLFilter(table, text, 1, false), -44);
    EXPECT_NE(FSession->Services()->LastErrorCode(), 0);
    EXPECT_EQ(VxbTableLocateRec3(table, text, 5), -44);
  }
  // The filter in force stays as it was.
  EXPECT_EQ(Walk(table), filtered);
  // The empty text removes it.
  ASSERT_EQ(VxbTableSetSQLFilter(table, nullptr, 1, false), 0);
  EXPECT_EQ(Walk(table), kEngOrder);
}

TEST_F(TableCallsTest, LocateRec3StaysOnlyWithModeFive) {
  const TVxbTableHdl table = NewTable(u"ENG");
  ASSERT_EQ(VxbTableFirst(table), 1);
  EXPECT_EQ(VxbTableLocateRec3(table, u"HUN = 'hal'", 1), 1);
  EXPECT_EQ(Text(table, kEngField), u"apple");
  EXPECT_EQ(VxbTableLocateRec3(table, u"HUN = 'hal'", 5), 1);
  EXPECT_EQ(Text(table, kEngField), u"fish");
  EXPECT_EQ(VxbTableLocateRec3(table, u"HUN = 'zebra'", 5), 0);
  EXPECT_EQ(Text(table, kEngField), u"fish");
  // Through the filter in force only.
  ASSERT_EQ(VxbTableSetSQLFilter(table, u"ENG < 'c'", 15, false), 0);
  EXPECT_EQ(VxbTableLocateRec3(table, u"HUN = 'hal'", 5), 0);
}

TEST_F(TableCallsTest, ACompiledConditionTestsTheCurrentRecord) {
  const TVxbTableHdl table = NewTable(u"ENG");
  int32_t fish = 0;
  int32_t refused = 0;
  ASSERT_EQ(VxbSessTokenizeSelection(FSession->Handle(), table, u"HUN = 'hal'", &fish), 0);
  EXPECT_EQ(VxbSessTokenizeSelection(FSession->Handle(), table, u"HUN = ", &refused), -44);
  EXPECT_EQ(VxbSessTokenizeSelection(static_cast<TVxbSessHdl>(FSession->Handle() + 1), table, u"1 = 1", &refused),
            -101);
  ASSERT_EQ(VxbTableSetRecNo(table, -1), 0);
  EXPECT_EQ(VxbTableEvaluateSelection(table, fish), -11) << "before the first record";
  ASSERT_EQ(VxbTableFirst(table), 1);
  EXPECT_EQ(VxbTableEvaluateSelection(table, fish), 1);
  ASSERT_EQ(VxbTableLocateRec3(table, u"HUN = 'hal'", 5), 1);
  EXPECT_EQ(VxbTableEvaluateSelection(table, fish), 0);
  EXPECT_EQ(Text(table, kEngField), u"fish") << "evaluating does not move";
  EXPECT_EQ(VxbTableFreeSelection(table, fish), 0);
  EXPECT_EQ(VxbTableEvaluateSelection(table, fish), -10);
  EXPECT_EQ(VxbTableFreeSelection(table, fish), -10);
}

TEST_F(TableCallsTest, MarksAreBrowsedMovedToAndDeleted) {
  const TVxbTableHdl table = NewTable(u"ENG");
  EXPECT_EQ(VxbTableAddMark(table, 0), -11);
  EXPECT_EQ(VxbTableAddMark(table, 8), -11);
  ASSERT_EQ(VxbTableAddMark(table, 6), 0);  // cat
  ASSERT_EQ(VxbTableAddMark(table, 3), 0);  // fish
  ASSERT_EQ(VxbTableAddMark(table, 7), 0);  // grape
  EXPECT_EQ(VxbTableIsMarked(table, 3), 1);
  EXPECT_EQ(VxbTableIsMarked(table, 1), 0);
  ASSERT_EQ(VxbTableRemoveMark(table, 7), 0);
  EXPECT_EQ(VxbTableIsMarked(table, 7), 0);

  // In ENG order from the start: cat, then fish.
  ASSERT_EQ(VxbTableGotoMark(table, 1, true), 1);
  EXPECT_EQ(Text(table, kEngField), u"cat");
  ASSERT_EQ(VxbTableGotoMark(table, 1, false), 1);
  EXPECT_EQ(Text(table, kEngField), u"fish");
  EXPECT_EQ(VxbTableGotoMark(table, 1, false), -11);
  EXPECT_EQ(Text(table, kEngField), u"fish");
  ASSERT_EQ(VxbTableGotoMark(table, -1, true), 1);
  EXPECT_EQ(Text(table, kEngField), u"fish");

  // Browsing the marks.
  ASSERT_EQ(VxbTableActivateFilter(table, true), 0);
  std::u16string name(16, u'\0');
  VxbTableGetAccess(table, name.data(), 15);
  EXPECT_EQ(std::u16string(name.c_str()), u"Markierung");
  EXPECT_EQ(Walk(table), (std::vector<std::u16string>{u"cat", u"fish"}));
  ASSERT_EQ(VxbTableActivateFilter(table, false), 0);
  EXPECT_EQ(Walk(table), kEngOrder);

  // Deleting them: cat (6) goes first and grape, the last record, moves
  // into 6; then fish (3), and grape moves on into 3. Every survivor is
  // still there, once.
  std::vector<std::pair<int32_t, int32_t>> progress;
  EXPECT_EQ(VxbTableDeleteMarkedRecs(table,
                                     [&](int32_t done, int32_t total) {
                                       progress.emplace_back(done, total);
                                       return 0;
                                     }),
            0);
  EXPECT_EQ(Walk(table), (std::vector<std::u16string>{u"apple", u"bread", u"dog", u"egg", u"grape"}));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), std::make_pair(0, 2));
  EXPECT_EQ(progress.back(), std::make_pair(2, 2));
  EXPECT_EQ(FSession->Catalog()->GetRelation(static_cast<int16_t>(FRltnHdl & 0xFF))->GetRecordCount(), 5);
}

TEST_F(TableCallsTest, AppendEditAndDeleteWithDescriptions) {
  const TVxbTableHdl table = NewTable(u"ENG");
  // Not appending or editing.
  EXPECT_EQ(VxbTableAppendConfirm(table), -57);
  EXPECT_EQ(VxbTableEditConfirm(table), -57);
  EXPECT_EQ(VxbTableAppendCancel(table), -57);
  EXPECT_EQ(VxbTableSetBlob(table, kLeirField, u"x", 2), -57);

  ASSERT_EQ(VxbTableAppend(table), 0);
  EXPECT_EQ(VxbTableGetRecNo(table), 0);
  std::vector<uint8_t> record = EmptyRecord(table);
  ASSERT_EQ(VxbTableGetRecord(table, record.data(), static_cast<int32_t>(record.size())), 0);
  types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, kEngField), true, u"banana");
  types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, kHunField), true, u"banán");
  ASSERT_EQ(VxbTableSetRecord(table, record.data(), static_cast<int32_t>(record.size())), 0);
  const std::u16string description = u"sárga, hosszú gyümölcs";
  EXPECT_EQ(VxbTableSetBlob(table, kLeirField, description.data(), 3), -10) << "odd size of a wide memo";
  EXPECT_EQ(VxbTableSetBlob(table, kEngField, description.data(), 2), -10) << "not a content column";
  ASSERT_EQ(VxbTableSetBlob(table, kLeirField, description.data(), static_cast<int32_t>(description.size() * 2)), 0);
  ASSERT_EQ(VxbTableAppendConfirm(table), 0);
  EXPECT_EQ(Text(table, kEngField), u"banana");
  EXPECT_EQ(Memo(table, kLeirField), description);
  EXPECT_EQ(Walk(table).size(), 8U);

  // Edit the new record's description.
  bool exact = false;
  const std::vector<uint8_t> key = KeyRecord(table, kEngField, u"banana");
  ASSERT_GT(VxbTableLocateRec2(table, u"ENG", key.data(), 0, &exact), 0);
  ASSERT_TRUE(exact);
  ASSERT_EQ(VxbTableEdit(table), 0);
  const std::u16string changed = u"banán";
  ASSERT_EQ(VxbTableSetBlob(table, kLeirField, changed.data(), static_cast<int32_t>(changed.size() * 2)), 0);
  ASSERT_EQ(VxbTableEditConfirm(table), 0);
  EXPECT_EQ(Memo(table, kLeirField), changed);

  // An edit cancelled leaves the record as it was.
  ASSERT_EQ(VxbTableEdit(table), 0);
  ASSERT_EQ(VxbTableSetBlob(table, kLeirField, u"xx", 4), 0);
  ASSERT_EQ(VxbTableEditCancel(table), 0);
  EXPECT_EQ(Memo(table, kLeirField), changed);

  ASSERT_EQ(VxbTableDeleteRecord(table), 0);
  EXPECT_EQ(Walk(table), kEngOrder);
}

TEST_F(TableCallsTest, StaticFilterFollowsPostedRecords) {
  const TVxbTableHdl table = NewTable(u"ENG");
  ASSERT_EQ(VxbTableSetSQLFilter(table, u"HUN Like 'k%'", 1, false), 0);
  ASSERT_EQ(Walk(table), (std::vector<std::u16string>{u"bread", u"dog"}));
  ASSERT_EQ(VxbTableAppend(table), 0);
  std::vector<uint8_t> record = EmptyRecord(table);
  VxbTableGetRecord(table, record.data(), static_cast<int32_t>(record.size()));
  types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, kEngField), true, u"cheese");
  types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, kHunField), true, u"kecskesajt");
  ASSERT_EQ(VxbTableSetRecord(table, record.data(), static_cast<int32_t>(record.size())), 0);
  ASSERT_EQ(VxbTableAppendConfirm(table), 0);
  EXPECT_EQ(Walk(table), (std::vector<std::u16string>{u"bread", u"cheese", u"dog"}));

  // An edit that leaves the condition drops the record from the list.
  ASSERT_EQ(VxbTableFirst(table), 1);
  ASSERT_EQ(VxbTableEdit(table), 0);
  VxbTableGetRecord(table, record.data(), static_cast<int32_t>(record.size()));
  types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, kHunField), true, u"cipó");
  ASSERT_EQ(VxbTableSetRecord(table, record.data(), static_cast<int32_t>(record.size())), 0);
  ASSERT_EQ(VxbTableEditConfirm(table), 0);
  EXPECT_EQ(Walk(table), (std::vector<std::u16string>{u"cheese", u"dog"}));
}

TEST_F(TableCallsTest, CompareBookmarksInEachOrder) {
  const TVxbTableHdl table = NewTable(u"ENG");
  // Record 2 is apple, 1 dog.
  EXPECT_EQ(VxbTableCompareBookmarks(table, u"", 2, 1), 0);
  EXPECT_EQ(VxbTableCompareBookmarks(table, u"", 1, 2), 2);
  EXPECT_EQ(VxbTableCompareBookmarks(table, u"", 1, 1), 1);
  // HUN: kutya (1) after alma (2).
  EXPECT_EQ(VxbTableCompareBookmarks(table, u"HUN", 1, 2), 2);
  EXPECT_EQ(VxbTableCompareBookmarks(table, u"NOSUCH", 1, 2), -15);
  const TVxbTableHdl byNumber = NewTable();
  EXPECT_EQ(VxbTableCompareBookmarks(byNumber, u"", 2, 1), 2);
}

TEST_F(TableCallsTest, SortOrderChoosesTheIndexThatServesIt) {
  const TVxbTableHdl table = NewTable();
  std::u16string name(16, u'\0');
  struct TCase {
    const char16_t* SortOrder;
    int16_t Result;
    const char16_t* Access;
    bool Reversed;
  };
  for (const TCase& c : {TCase{u"ENG", 0, u"ENG", false}, TCase{u"hun", 0, u"HUN", false},
                         TCase{u"ENG DESC", 0, u"ENG", true}, TCase{u"-ENG", 0, u"ENG", true},
                         TCase{u"", 0, u"Nummer", false}, TCase{u"LEIR", -18, u"Nummer", false},
                         TCase{u"NOSUCH", -18, u"Nummer", false}}) {
    SCOPED_TRACE(std::string(c.SortOrder, c.SortOrder + std::u16string_view(c.SortOrder).size()));
    EXPECT_EQ(VxbTableSetSortOrder(table, c.SortOrder), c.Result);
    VxbTableGetAccess(table, name.data(), 15);
    EXPECT_EQ(std::u16string(name.c_str()), c.Access);
    if (c.Result == 0 && std::u16string_view(c.Access) == u"ENG") {
      std::vector<std::u16string> order = kEngOrder;
      if (c.Reversed) std::reverse(order.begin(), order.end());
      EXPECT_EQ(Walk(table), order);
    }
  }
}

TEST_F(TableCallsTest, SequenceNumbersCountPositionsInEachOrder) {
  for (const char16_t* index : {u"", u"ENG"}) {
    SCOPED_TRACE(std::string(index[0] ? "ENG" : "record numbers"));
    const TVxbTableHdl table = NewTable(index);
    const std::vector<std::u16string> order = Walk(table);
    // From either end and from the current position, to every position.
    for (const int32_t from : {1, 7, 4}) {
      for (int32_t to = 1; to <= 7; ++to) {
        ASSERT_EQ(VxbTableSetSequenceNo(table, from), from);
        ASSERT_EQ(VxbTableSetSequenceNo(table, to), to);
        EXPECT_EQ(Text(table, kEngField), order[static_cast<size_t>(to - 1)]) << from << " -> " << to;
        EXPECT_EQ(VxbTableGetSequenceNo(table), to);
      }
    }
  }
  // In a static filter's list.
  const TVxbTableHdl filtered = NewTable(u"ENG");
  ASSERT_EQ(VxbTableSetSQLFilter(filtered, u"ENG > 'b'", 1, false), 0);
  ASSERT_EQ(VxbTableSetSequenceNo(filtered, 3), 3);
  EXPECT_EQ(Text(filtered, kEngField), u"dog");
  EXPECT_EQ(VxbTableGetSequenceNo(filtered), 3);
}

TEST_F(TableCallsTest, DeletionsAreReportedWithTheRecordThatMovedIntoTheGap) {
  const TVxbTableHdl watcher = NewTable(u"ENG");
  const TVxbTableHdl deleter = NewTable();
  std::vector<std::vector<int32_t>> reports;
  ASSERT_EQ(VxbTableSetOnChangeProc(watcher,
                                    [&](TVxbSessHdl session, TVxbTableHdl table, int32_t deleted, int32_t moved) {
                                      reports.push_back({session, table, deleted, moved});
                                    }),
            0);
  // The watcher stands on grape, the last record (7), and marks it.
  ASSERT_EQ(VxbTableSetRecNo(watcher, 7), 7);
  ASSERT_EQ(VxbTableAddMark(watcher, 7), 0);
  ASSERT_EQ(VxbTableSetRecNo(deleter, 2), 2);  // apple
  ASSERT_EQ(VxbTableDeleteRecord(deleter), 0);
  ASSERT_EQ(reports.size(), 1U);
  EXPECT_EQ(reports[0], (std::vector<int32_t>{FSession->Handle(), watcher, 2, 7}));
  // Grape is record 2 now: the watcher's position and mark followed it.
  EXPECT_EQ(VxbTableGetRecNo(watcher), 2);
  EXPECT_EQ(Text(watcher, kEngField), u"grape");
  EXPECT_EQ(VxbTableIsMarked(watcher, 2), 1);
  EXPECT_EQ(VxbTableIsMarked(watcher, 7), 0);
  // The last record deleted: nothing moves.
  ASSERT_EQ(VxbTableSetRecNo(deleter, 6), 6);
  ASSERT_EQ(VxbTableDeleteRecord(deleter), 0);
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_EQ(reports[1][2], 6);
  EXPECT_EQ(reports[1][3], 0);
}

TEST_F(TableCallsTest, ColumnsAreDescribed) {
  const TVxbTableHdl table = NewTable();
  EXPECT_EQ(VxbTableGetNumFields(table), 4);
  TVxbFieldSpec spec;
  ASSERT_EQ(VxbTableGetFieldSpec(table, kEngField, &spec), 0);
  EXPECT_EQ(std::u16string(spec.Name), u"ENG");
  EXPECT_EQ(spec.FldType, 18);
  EXPECT_EQ(spec.Param, 80);
  EXPECT_EQ(VxbTableGetFieldSpec(table, 0, &spec), -10);
  EXPECT_EQ(VxbTableGetFieldSpec(table, 5, &spec), -10);
  EXPECT_EQ(VxbTableGetDataType(table, kLeirField), 19);
  EXPECT_EQ(VxbTableGetFieldNo(table, u"hun"), kHunField);
  EXPECT_EQ(VxbTableGetFieldNo(table, u"Eng_hun.HUN"), 0);
  EXPECT_EQ(VxbTableGetFieldNo(table, nullptr), 0);
  EXPECT_EQ(VxbTableCanModify(table), 1);
}

TEST_F(TableCallsTest, TextResultsAreCutAndTerminated) {
  const TVxbTableHdl table = NewTable();
  std::u16string buffer(8, u'#');
  ASSERT_EQ(VxbTableGetAccess(table, buffer.data(), 3), 0);
  EXPECT_EQ(buffer, std::u16string(u"Num\0####", 8));
  ASSERT_EQ(VxbTableGetAccess(table, buffer.data(), 0), 0);
  EXPECT_EQ(buffer[0], u'\0');
}

TEST_F(TableCallsTest, ShortRecordBuffersAreNeverOverrun) {
  const TVxbTableHdl table = NewTable(u"ENG");
  ASSERT_EQ(VxbTableFirst(table), 1);
  const int32_t size = VxbTableGetRecordSize(table);
  std::vector<uint8_t> guarded(static_cast<size_t>(size), 0xAB);
  ASSERT_EQ(VxbTableGetRecord(table, guarded.data(), 6), 0);
  for (size_t i = 6; i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0xAB) << i;
}

TEST_F(TableCallsTest, InvalidHandlesAreRefusedWithTheirCodes) {
  const TVxbTableHdl closed = NewTable();
  ASSERT_EQ(VxbTableDelete(closed), 0);
  FTables.clear();
  std::vector<uint8_t> record(512, 0);
  bool exact = false;
  int16_t blobType = 0;
  TVxbFieldSpec spec;
  const std::vector<std::pair<const char*, std::function<int32_t(TVxbTableHdl)>>> calls = {
      {"First", [](TVxbTableHdl h) { return VxbTableFirst(h); }},
      {"Last", [](TVxbTableHdl h) { return VxbTableLast(h); }},
      {"MoveBy", [](TVxbTableHdl h) { return VxbTableMoveBy(h, 1); }},
      {"GetRecNo", [](TVxbTableHdl h) { return VxbTableGetRecNo(h); }},
      {"SetRecNo", [](TVxbTableHdl h) { return VxbTableSetRecNo(h, 1); }},
      {"GetRowCount", [](TVxbTableHdl h) { return VxbTableGetRowCount(h); }},
      {"GetRecord", [&](TVxbTableHdl h) { return VxbTableGetRecord(h, record.data(), 512); }},
      {"SetRecord", [&](TVxbTableHdl h) { return VxbTableSetRecord(h, record.data(), 512); }},
      {"SetIndex", [](TVxbTableHdl h) { return VxbTableSetIndex(h, u"ENG", false); }},
      {"LocateRec2", [&](TVxbTableHdl h) { return VxbTableLocateRec2(h, u"ENG", record.data(), 0, &exact); }},
      {"LocateRec3", [](TVxbTableHdl h) { return VxbTableLocateRec3(h, u"ENG = 'a'", 5); }},
      {"SetSQLFilter", [](TVxbTableHdl h) { return VxbTableSetSQLFilter(h, u"ENG = 'a'", 1, false); }},
      {"ActivateFilter", [](TVxbTableHdl h) { return VxbTableActivateFilter(h, true); }},
      {"Refresh", [](TVxbTableHdl h) { return VxbTableRefresh(h, true); }},
      {"GetFieldSpec", [&](TVxbTableHdl h) { return VxbTableGetFieldSpec(h, 1, &spec); }},
      {"InitGetBlob", [&](TVxbTableHdl h) { return VxbTableInitGetBlob(h, 4, 0, &blobType); }},
      {"PerformGetBlob", [&](TVxbTableHdl h) { return VxbTablePerformGetBlob(h, record.data(), 10); }},
      {"Append", [](TVxbTableHdl h) { return VxbTableAppend(h); }},
      {"Edit", [](TVxbTableHdl h) { return VxbTableEdit(h); }},
      {"DeleteRecord", [](TVxbTableHdl h) { return VxbTableDeleteRecord(h); }},
      {"AddMark", [](TVxbTableHdl h) { return VxbTableAddMark(h, 1); }},
      {"Lock", [](TVxbTableHdl h) { return VxbTableLock(h, 1, 0); }},
      {"GetRecordSize", [](TVxbTableHdl h) { return VxbTableGetRecordSize(h); }},
      {"Delete", [](TVxbTableHdl h) { return VxbTableDelete(h); }},
  };
  const std::vector<TVxbTableHdl> handles = {0, -1, closed, 255, 256, 4000, FRltnHdl};
  for (const TVxbTableHdl handle : handles) {
    if (handle == FRltnHdl && VxbTableGetRecordSize(handle) != -101) continue;  // a cursor happens to have it
    for (const auto& [name, call] : calls) EXPECT_EQ(call(handle), -101) << name << " with handle " << handle;
  }
  EXPECT_EQ(VxbTableCreate(0, u"x"), -17);
  EXPECT_EQ(VxbTableCreate(static_cast<TVxbRltnHdl>(FRltnHdl + 1), u"x"), -17);
  EXPECT_EQ(VxbTableCreate(static_cast<TVxbRltnHdl>(FRltnHdl + 256), u"x"), -17);
}

TEST_F(TableCallsTest, EveryCursorSlotCanBeTakenAndGivenBack) {
  std::vector<TVxbTableHdl> handles;
  for (;;) {
    const TVxbTableHdl handle = VxbTableCreate(FRltnHdl, u"many");
    if (handle < 0) {
      EXPECT_EQ(handle, -2);
      break;
    }
    handles.push_back(handle);
  }
  EXPECT_EQ(handles.size(), 255U);
  const TVxbTableHdl freed = handles[100];
  ASSERT_EQ(VxbTableDelete(freed), 0);
  EXPECT_EQ(VxbTableCreate(FRltnHdl, u"again"), freed);
  for (const TVxbTableHdl handle : handles) EXPECT_EQ(VxbTableDelete(handle), 0);
}

TEST_F(TableCallsTest, AnExceptionInsideACallComesBackAsItsResult) {
  const TVxbTableHdl table = NewTable(u"ENG");
  ASSERT_EQ(VxbTableAddMark(table, 1), 0);
  ASSERT_EQ(VxbTableAddMark(table, 2), 0);
  FSession->Services()->ClearLastError();
  // The progress callback throws from inside the deletion, under the
  // table's write lock.
  EXPECT_EQ(VxbTableDeleteMarkedRecs(table, [](int32_t, int32_t) -> int { throw std::runtime_error("callback failed"); }),
            -100);
  EXPECT_EQ(FSession->Services()->LastErrorCode(), 123);
  EXPECT_NE(FSession->Services()->LastErrorMsg().find(u"callback failed"), std::u16string::npos);
  // The lock was given back and the handle goes on working.
  EXPECT_EQ(VxbTableLock(table, 2, 0), 0);
  EXPECT_EQ(VxbTableUnlock(table, 2), 0);
  EXPECT_EQ(Walk(table), kEngOrder);
}

}  // namespace
}  // namespace vexilo::api::testing
