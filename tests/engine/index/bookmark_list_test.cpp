// Bookmark lists: growth, empty slots left by deletions and their trimming,
// searches that skip empty slots, compressing and sorting, copying and
// writing out; and ordering a list by an index through a table's entries.
#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/index/bookmark_list.h"
#include "engine/index/bookmark_list_order.h"
#include "engine/index/sorter.h"
#include "engine/index/work_stack.h"
#include "engine/types/memory.h"

namespace vexilo::index {
namespace {

using types::TvwMemory;

// The used slots of `list`, empty ones as 0.
std::vector<int32_t> Slots(const TVxbBookmarkList& list) {
  std::vector<int32_t> slots;
  for (int32_t i = 0; i < list.Size(); ++i) slots.push_back(list.GetItem(i));
  return slots;
}

// A list whose used slots are `slots`; a 0 becomes an empty slot left by a
// deletion. The last slot must not be 0.
void Fill(TVxbBookmarkList& list, const std::vector<int32_t>& slots) {
  for (int32_t v : slots) list.Append(v == 0 ? 1 : v);
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i] == 0) list.DeleteAt(static_cast<int32_t>(i));
  }
  ASSERT_EQ(Slots(list), slots);
}

TEST(BookmarkList, ANewListGetsOneThousandTwentyFourSlotsWhateverIsAsked) {
  for (int32_t asked : {1, 10, 1024, 10000}) {
    SCOPED_TRACE(asked);
    TVxbBookmarkList list(asked);
    EXPECT_EQ(list.Capacity(), 1024);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Size(), 0);
  }
  TVxbBookmarkList none(0);
  EXPECT_EQ(none.Capacity(), 0);
  none.Append(3);
  EXPECT_EQ(none.Capacity(), 1024);
}

TEST(BookmarkList, AppendingBeyondTheCapacityDoublesIt) {
  TVxbBookmarkList list(10000);
  for (int32_t i = 1; i <= 1024; ++i) list.Append(i);
  EXPECT_EQ(list.Capacity(), 1024);
  list.Append(1025);
  EXPECT_EQ(list.Capacity(), 2048);
  EXPECT_EQ(list.Count(), 1025);
  EXPECT_EQ(list.GetItem(0), 1);
  EXPECT_EQ(list.GetItem(1024), 1025);
}

TEST(BookmarkList, SetCapacityOnlyGrowsAListThatHasSlots) {
  TVxbBookmarkList list(1);
  list.Append(7);
  list.SetCapacity(500);
  EXPECT_EQ(list.Capacity(), 1024);
  list.SetCapacity(5000);
  EXPECT_EQ(list.Capacity(), 5000);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{7}));
}

TEST(BookmarkList, ClearEmptiesTheListAndKeepsItsSlots) {
  TVxbBookmarkList list;
  Fill(list, {4, 0, 6});
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Size(), 0);
  EXPECT_EQ(list.Capacity(), 1024);
  EXPECT_EQ(list.FindFirst(), -1);
}

TEST(BookmarkList, SearchesSkipEmptySlots) {
  TVxbBookmarkList list;
  Fill(list, {5, 0, 7});
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Size(), 3);
  const struct {
    const char* what;
    int32_t got;
    int32_t expected;
  } cases[] = {
      {"FindSequence(7)", list.FindSequence(7), 1},
      {"FindSequence(5)", list.FindSequence(5), 0},
      {"FindSequence(6)", list.FindSequence(6), -1},
      {"FindSequence(0)", list.FindSequence(0), -1},
      {"FindFirst", list.FindFirst(), 0},
      {"FindLast", list.FindLast(), 2},
      {"FindNext(0)", list.FindNext(0), 2},
      {"FindNext(1)", list.FindNext(1), 2},
      {"FindNext(2)", list.FindNext(2), -1},
      {"FindNext(3)", list.FindNext(3), -1},
      {"FindNext(-1)", list.FindNext(-1), -1},
      {"FindPrev(2)", list.FindPrev(2), 0},
      {"FindPrev(0)", list.FindPrev(0), -1},
      {"FindPrev(3)", list.FindPrev(3), -1},
      {"Find(7)", list.Find(7), 2},
      {"Find(0)", list.Find(0), -1},
      {"Find(-7)", list.Find(-7), -1},
      {"Find(8)", list.Find(8), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(BookmarkList, AnEmptyListFindsNothing) {
  TVxbBookmarkList list;
  EXPECT_EQ(list.FindFirst(), -1);
  EXPECT_EQ(list.FindLast(), -1);
  EXPECT_EQ(list.FindNext(0), -1);
  EXPECT_EQ(list.FindPrev(0), -1);
  EXPECT_EQ(list.Find(1), -1);
  EXPECT_EQ(list.FindSequence(1), -1);
}

TEST(BookmarkList, DeletingLeavesEmptySlotsAndTrimsThemAtTheEnd) {
  const struct {
    const char* what;
    std::vector<int32_t> slots;
    int32_t deleteRecNo;
    std::vector<int32_t> after;
    int32_t count;
  } cases[] = {
      {"last of [5, 0, 7]", {5, 0, 7}, 7, {5}, 1},
      {"first of [5, 0, 7]", {5, 0, 7}, 5, {0, 0, 7}, 1},
      {"middle", {1, 2, 3}, 2, {1, 0, 3}, 2},
      {"only one", {9}, 9, {}, 0},
      {"last before a gap", {4, 0, 0, 8}, 8, {4}, 1},
      {"absent", {1, 2}, 3, {1, 2}, 2},
      {"zero", {1, 0, 2}, 0, {1, 0, 2}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TVxbBookmarkList list;
    Fill(list, c.slots);
    list.Delete(c.deleteRecNo);
    EXPECT_EQ(Slots(list), c.after);
    EXPECT_EQ(list.Count(), c.count);
  }
}

TEST(BookmarkList, DeleteAtIgnoresEmptySlotsAndIndexesOutsideTheList) {
  TVxbBookmarkList list;
  Fill(list, {5, 0, 7});
  for (int32_t index : {1, 3, -1, 1000}) {
    list.DeleteAt(index);
    EXPECT_EQ(Slots(list), (std::vector<int32_t>{5, 0, 7}));
    EXPECT_EQ(list.Count(), 2);
  }
}

TEST(BookmarkList, ANumberAppendedTwiceStandsTwiceAndIsDeletedOnceAtATime) {
  TVxbBookmarkList list;
  list.Append(4);
  list.Append(4);
  EXPECT_EQ(list.Count(), 2);
  list.Delete(4);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{0, 4}));
  EXPECT_EQ(list.Find(4), 1);
  EXPECT_EQ(list.FindSequence(4), 0);
}

TEST(BookmarkList, FlipAppendsAnAbsentNumberAndEmptiesAPresentOne) {
  TVxbBookmarkList list;
  Fill(list, {1, 2});
  list.Flip(3);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 2, 3}));
  list.Flip(3);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 2}));
  list.Flip(1);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(list.Count(), 1);
}

TEST(BookmarkList, NumbersBelowOneAreNotRecords) {
  TVxbBookmarkList list;
  list.Append(0);
  list.Append(-4);
  list.Flip(0);
  EXPECT_FALSE(list.InsertAt(0, 0));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Size(), 0);
}

TEST(BookmarkList, InsertAtShiftsTheFollowingSlots) {
  const struct {
    int32_t index;
    std::vector<int32_t> after;
  } cases[] = {{0, {9, 1, 0, 3}}, {1, {1, 9, 0, 3}}, {2, {1, 0, 9, 3}}, {3, {1, 0, 3, 9}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    TVxbBookmarkList list;
    Fill(list, {1, 0, 3});
    EXPECT_TRUE(list.InsertAt(c.index, 9));
    EXPECT_EQ(Slots(list), c.after);
    EXPECT_EQ(list.Count(), 3);
  }
}

TEST(BookmarkList, InsertAtOutsideTheUsedSlotsChangesNothing) {
  TVxbBookmarkList list;
  Fill(list, {1, 2});
  EXPECT_FALSE(list.InsertAt(3, 9));
  EXPECT_FALSE(list.InsertAt(-1, 9));
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 2}));
}

TEST(BookmarkList, InsertAtGrowsAFullList) {
  TVxbBookmarkList list(1);
  for (int32_t i = 1; i <= 1024; ++i) list.Append(i);
  EXPECT_TRUE(list.InsertAt(0, 5000));
  EXPECT_EQ(list.Capacity(), 2048);
  EXPECT_EQ(list.GetItem(0), 5000);
  EXPECT_EQ(list.GetItem(1024), 1024);
}

TEST(BookmarkList, SlotsOutsideTheUsedOnesReadAsEmptyAndIgnoreWrites) {
  TVxbBookmarkList list;
  Fill(list, {3});
  EXPECT_EQ(list.GetItem(1), 0);
  EXPECT_EQ(list.GetItem(-1), 0);
  list.SetItem(1, 8);
  list.SetItem(-1, 8);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{3}));
  list.SetItem(0, 8);  // a record renumbered after a move
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{8}));
  EXPECT_EQ(list.Count(), 1);
}

TEST(BookmarkList, DeletingDuringAWalkKeepsTheWalksIndexes) {
  TVxbBookmarkList list;
  for (int32_t i = 1; i <= 10; ++i) list.Append(i);
  std::vector<int32_t> visited;
  for (int32_t i = list.FindFirst(); i >= 0; i = list.FindNext(i)) {
    visited.push_back(list.GetItem(i));
    if (list.GetItem(i) % 2 == 0) list.DeleteAt(i);
  }
  EXPECT_EQ(visited, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 0, 3, 0, 5, 0, 7, 0, 9}));
}

TEST(BookmarkList, CompressAndSortRemoveEmptySlots) {
  const struct {
    std::vector<int32_t> slots;
    std::vector<int32_t> compressed;
    std::vector<int32_t> sorted;
  } cases[] = {
      {{9, 0, 3, 7}, {9, 3, 7}, {3, 7, 9}},
      {{5, 2, 0, 5, 0, 1}, {5, 2, 5, 1}, {1, 2, 5, 5}},
      {{0, 0, 4}, {4}, {4}},
      {{}, {}, {}},
  };
  for (const auto& c : cases) {
    TVxbBookmarkList compressed;
    Fill(compressed, c.slots);
    compressed.Compress();
    EXPECT_EQ(Slots(compressed), c.compressed);
    EXPECT_EQ(compressed.Count(), compressed.Size());
    TVxbBookmarkList sorted;
    Fill(sorted, c.slots);
    sorted.Sort();
    EXPECT_EQ(Slots(sorted), c.sorted);
    EXPECT_EQ(sorted.Count(), static_cast<int32_t>(c.sorted.size()));
  }
}

TEST(BookmarkList, CompressCountsTheEntriesItKeeps) {
  TVxbBookmarkList list;
  Fill(list, {1, 2, 3});
  list.SetItem(1, 0);  // emptied behind the count's back
  list.Compress();
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(list.Count(), 2);
}

TEST(BookmarkList, CopyFromTakesTheLiveEntriesInOrder) {
  TVxbBookmarkList source;
  Fill(source, {8, 0, 2, 8});
  TVxbBookmarkList target;
  Fill(target, {1, 1, 1, 1, 1});
  target.CopyFrom(source);
  EXPECT_EQ(Slots(target), (std::vector<int32_t>{8, 2, 8}));
  EXPECT_EQ(target.Count(), 3);
  EXPECT_EQ(Slots(source), (std::vector<int32_t>{8, 0, 2, 8}));
}

TEST(BookmarkList, CopyingAListOntoItselfKeepsItsEntries) {
  TVxbBookmarkList list;
  Fill(list, {8, 0, 2});
  list.CopyFrom(list);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{8, 2}));
  EXPECT_EQ(list.Count(), 2);
}

TEST(BookmarkList, WriteToWritesTheLiveEntriesAsLittleEndianNumbers) {
  TVxbBookmarkList list;
  Fill(list, {9, 0, 0x01020304});
  uint8_t buffer[12];
  std::memset(buffer, 0xEE, sizeof buffer);
  EXPECT_EQ(list.WriteTo(buffer, 8), 2);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 12),
            (std::vector<uint8_t>{9, 0, 0, 0, 4, 3, 2, 1, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(BookmarkList, WriteToStopsAtTheEndOfTheBuffer) {
  TVxbBookmarkList list;
  Fill(list, {1, 2, 3});
  uint8_t buffer[8];
  std::memset(buffer, 0xEE, sizeof buffer);
  EXPECT_EQ(list.WriteTo(buffer, 7), 1);
  EXPECT_EQ(TvwMemory::ReadInt32(buffer, 0), 1);
  EXPECT_EQ(buffer[4], 0xEE);
}

// Long lists answer Find from a lookup; after any mix of changes it must
// agree with the slots themselves (first occurrence, empty slots skipped).
TEST(BookmarkList, FindOnALongListAgreesWithTheSlotsAfterEveryKindOfChange) {
  TVxbBookmarkList list;
  std::mt19937 random(7);
  const auto linearFind = [&](int32_t recNo) {
    for (int32_t i = 0; i < list.Size(); ++i) {
      if (list.GetItem(i) == recNo) return i;
    }
    return -1;
  };
  for (int step = 0; step < 4000; ++step) {
    const auto recNo = static_cast<int32_t>(random() % 300 + 1);
    switch (random() % 8) {
      case 0: case 1: case 2: list.Append(recNo); break;
      case 3: list.Delete(recNo); break;
      case 4: list.InsertAt(static_cast<int32_t>(random() % (list.Size() + 1)), recNo); break;
      case 5: list.SetItem(static_cast<int32_t>(random() % (list.Size() + 1)), recNo); break;
      case 6: list.Flip(recNo); break;
      default:
        if (step % 97 == 0) list.Sort();
        else if (step % 89 == 0) list.Compress();
        break;
    }
    const auto probe = static_cast<int32_t>(random() % 310);
    ASSERT_EQ(list.Find(probe), linearFind(probe < 1 ? -5 : probe)) << "step " << step << ", number " << probe;
  }
  EXPECT_GT(list.Size(), 32);
}

// Ordering by an index. The table's records have text keys; a record's entry
// is its key's bytes.
class KeyedTable : public TVxbBookmarkOrder {
 public:
  std::map<int32_t, std::string> keys;
  std::set<int32_t> unreadable;  // reading these records fails
  int16_t readAccess = 0;       // result of WaitRead
  bool descending = false;
  int readsOpen = 0;
  int builds = 0;

  int16_t WaitRead() override {
    if (readAccess >= 0) ++readsOpen;
    return readAccess;
  }
  void EndRead() override { --readsOpen; }
  int16_t BuildEntry(int32_t recNo, types::TVxbLongIndexInfo& entry, size_t& keySize) override {
    ++builds;
    EXPECT_GT(readsOpen, 0) << "records are read under read access";
    if (unreadable.count(recNo) || !keys.count(recNo)) return -kReadError;
    entry.DateiVerweis = recNo;
    const std::string& key = keys.at(recNo);
    std::memcpy(entry.Key, key.data(), key.size());
    keySize = key.size();
    return 0;
  }
  bool IndexLess(int32_t recNo1, const uint8_t* key1, size_t size1, int32_t recNo2, const uint8_t* key2,
                 size_t size2) const override {
    const std::string a(reinterpret_cast<const char*>(key1), size1);
    const std::string b(reinterpret_cast<const char*>(key2), size2);
    if (a != b) return descending ? b < a : a < b;
    return recNo1 < recNo2;
  }

  static constexpr int16_t kReadError = 75;
};

class BookmarkOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    // Records 1 to 8 with keys; 3, 5 and 8 share a key.
    Table.keys = {{1, "pear"}, {2, "apple"}, {3, "fig"}, {4, "date"},
                   {5, "fig"},  {6, "kiwi"},  {7, "banana"}, {8, "fig"}};
  }

  KeyedTable Table;
  TVxbStack Stack;
  TVxbSorter Sorter{&Stack};
};

TEST_F(BookmarkOrder, SortingPutsRecordsInKeyOrderWithEqualKeysByRecordNumber) {
  TVxbBookmarkList list;
  Fill(list, {8, 1, 0, 5, 2, 3, 0, 7});
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), 0);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 7, 3, 5, 8, 1}));
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(Table.readsOpen, 0);
  EXPECT_TRUE(Stack.Empty());
}

TEST_F(BookmarkOrder, SortingKeepsEveryDuplicateNumber) {
  TVxbBookmarkList list;
  Fill(list, {6, 4, 6, 0, 4});
  Table.descending = true;
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), 0);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{6, 6, 4, 4}));
}

TEST_F(BookmarkOrder, RecordsThatCannotBeReadStayBehindTheOrderedOnes) {
  TVxbBookmarkList list;
  Fill(list, {1, 9, 2, 4, 3});  // record 9 does not exist
  Table.unreadable = {4};
  // The result is that of reading the last record (3, which succeeds).
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), 0);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 3, 1, 9, 4}));

  list.Clear();
  Fill(list, {1, 2, 4});
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), -KeyedTable::kReadError);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 1, 4}));
  EXPECT_EQ(Table.readsOpen, 0);
}

TEST_F(BookmarkOrder, ARefusedReadAccessIsReturnedAndTheListStaysAsItWas) {
  TVxbBookmarkList list;
  Fill(list, {8, 0, 2});
  Table.readAccess = -104;
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), -104);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{8, 0, 2}));
  EXPECT_EQ(Table.builds, 0);
  EXPECT_EQ(Table.readsOpen, 0);
}

TEST_F(BookmarkOrder, SortingAnEmptyListAnswersTheReadAccessResult) {
  TVxbBookmarkList list;
  Table.readAccess = 1;
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), 1);
  EXPECT_EQ(list.Size(), 0);
  EXPECT_EQ(Table.readsOpen, 0);
}

TEST_F(BookmarkOrder, SortingInsideAnotherSortOnTheSessionSorterLeavesItIntact) {
  Sorter.InitSort();
  for (int32_t v : {30, 10, 20}) {
    uint8_t element[4];
    TvwMemory::WriteInt32(element, 0, v);
    Sorter.ToSort(element, 4);
  }
  Sorter.SortStart([](const uint8_t* a, size_t, const uint8_t* b, size_t, const void*, types::TStrCmpOptions) {
    return TvwMemory::ReadInt32(a, 0) < TvwMemory::ReadInt32(b, 0);
  });
  uint8_t element[4];
  ASSERT_EQ(Sorter.FromSort(element, 4), 4);
  EXPECT_EQ(TvwMemory::ReadInt32(element, 0), 10);

  TVxbBookmarkList list;
  Fill(list, {6, 2, 1});
  EXPECT_EQ(SortBookmarks(Table, Sorter, list), 0);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 6, 1}));

  ASSERT_EQ(Sorter.FromSort(element, 4), 4);
  EXPECT_EQ(TvwMemory::ReadInt32(element, 0), 20);
  ASSERT_EQ(Sorter.FromSort(element, 4), 4);
  EXPECT_EQ(TvwMemory::ReadInt32(element, 0), 30);
  Sorter.ExitSort();
  EXPECT_TRUE(Stack.Empty());
}

TEST_F(BookmarkOrder, AnInsertedRecordLandsAfterEverySmallerEntry) {
  // The list follows the index: apple(2) banana(7) fig(3) fig(8) pear(1).
  const struct {
    int32_t recNo;
    std::vector<int32_t> after;
  } cases[] = {
      {4, {2, 7, 4, 3, 8, 1}},  // date
      {5, {2, 7, 3, 5, 8, 1}},  // fig, between the record numbers 3 and 8
      {6, {2, 7, 3, 8, 6, 1}},  // kiwi
      {9, {2, 7, 3, 8, 1, 9}},  // after everything
      {3, {2, 7, 3, 3, 8, 1}},  // a number already there stands twice
  };
  Table.keys[9] = "zebra";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.recNo);
    TVxbBookmarkList list;
    Fill(list, {2, 0, 7, 3, 8, 0, 1});
    EXPECT_EQ(InsertRecordIntoBookmarks(Table, c.recNo, list), 0);
    EXPECT_EQ(Slots(list), c.after);
    EXPECT_EQ(Table.readsOpen, 0);
  }
}

TEST_F(BookmarkOrder, InsertingAtTheFrontAndIntoAnEmptyList) {
  Table.keys[10] = "aardvark";
  TVxbBookmarkList list;
  Fill(list, {7, 1});
  EXPECT_EQ(InsertRecordIntoBookmarks(Table, 10, list), 0);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{10, 7, 1}));
  TVxbBookmarkList empty;
  EXPECT_EQ(InsertRecordIntoBookmarks(Table, 10, empty), 0);
  EXPECT_EQ(Slots(empty), (std::vector<int32_t>{10}));
}

TEST_F(BookmarkOrder, InsertingOneByOneGivesTheSortedOrder) {
  std::mt19937 rng(11);
  for (int32_t r = 11; r <= 200; ++r) Table.keys[r] = std::string(1, static_cast<char>('a' + rng() % 6));
  std::vector<int32_t> records;
  for (const auto& [rec_no, key] : Table.keys) records.push_back(rec_no);
  std::shuffle(records.begin(), records.end(), rng);

  TVxbBookmarkList inserted;
  TVxbBookmarkList sorted;
  for (int32_t recNo : records) {
    ASSERT_EQ(InsertRecordIntoBookmarks(Table, recNo, inserted), 0);
    sorted.Append(recNo);
  }
  ASSERT_EQ(SortBookmarks(Table, Sorter, sorted), 0);
  EXPECT_EQ(Slots(inserted), Slots(sorted));
}

TEST_F(BookmarkOrder, ARecordThatCannotBeReadIsAppendedWithTheReadError) {
  TVxbBookmarkList list;
  Fill(list, {2, 0, 1});
  Table.unreadable = {4};
  EXPECT_EQ(InsertRecordIntoBookmarks(Table, 4, list), -KeyedTable::kReadError);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 1, 4}));
  EXPECT_EQ(Table.readsOpen, 0);
}

TEST_F(BookmarkOrder, ARefusedReadAccessInsertsNothing) {
  TVxbBookmarkList list;
  Fill(list, {2, 0, 1});
  Table.readAccess = -104;
  EXPECT_EQ(InsertRecordIntoBookmarks(Table, 4, list), -104);
  EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 1}));  // compressed all the same
}

}  // namespace
}  // namespace vexilo::index
