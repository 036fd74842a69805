// Small B-trees of order 2 (pages of 64 bytes hold four Integer entries)
// whose page contents are checked exactly after inserting, deleting,
// searching and walking.
#include <memory>
#include <utility>
#include <vector>

#include "engine/index/btree.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using Entries = std::vector<std::pair<int32_t, int32_t>>;

class BTreeExamples : public IndexFixture {
 protected:
  void SetUp() override {
    index = NewIntIndex("ex");
    ASSERT_TRUE(index);
    ASSERT_EQ(Tree().GetOrder(), 2);
  }
  TVxbBTree& Tree() { return *static_cast<TVxbBTree*>(index->BTree()); }
  void AddKeys(std::initializer_list<int32_t> keys) {
    Entries entries;
    for (int32_t k : keys) entries.emplace_back(k, k);
    AddAll(*index, entries);
  }
  void Delete(int32_t key) {
    ASSERT_EQ(index->Loesche_Index(IntEntry(*e, key, key)), 0);
  }
  void ExpectSound(size_t items) {
    int64_t count = 0, wrong = 0;
    ASSERT_EQ(index->Check(count, wrong), 0);
    EXPECT_EQ(count, static_cast<int64_t>(items));
    EXPECT_EQ(wrong, 0);
  }

  std::unique_ptr<TVxbIndexFile> index;
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

TEST_F(BTreeExamples, FiveInsertionsSplitTheRootIntoTwoLeavesUnderPageOne) {
  AddKeys({1, 2, 3, 4});
  EXPECT_EQ(Tree().GetHeight(), 1);
  AddKeys({5});
  EXPECT_EQ(Tree().GetHeight(), 2);
  EXPECT_EQ(Tree().GetPageCount(), 3);
  const Node root = ReadNode(*index, 1);
  // The old root's left half was copied to page 3; the right half went to page 2.
  EXPECT_EQ(root.leftmost, 3);
  ASSERT_EQ(root.items.size(), 1u);
  EXPECT_EQ(root.items[0], std::make_pair(2, 3));
  EXPECT_EQ(Keys(ReadNode(*index, 3)), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Keys(ReadNode(*index, 2)), (std::vector<int32_t>{4, 5}));
  ExpectSound(5);
}

TEST_F(BTreeExamples, SplitsPlaceTheMiddleItemUpWhereverTheNewItemFalls) {
  struct Case {
    std::vector<int32_t> firstFour;
    int32_t fifth;
    int32_t up;
    std::vector<int32_t> left, right;
  };
  const Case cases[] = {
      {{10, 20, 30, 40}, 50, 30, {10, 20}, {40, 50}},  // new item after the middle
      {{10, 20, 40, 50}, 30, 30, {10, 20}, {40, 50}},  // the new item itself goes up
      {{20, 30, 40, 50}, 10, 30, {10, 20}, {40, 50}},  // new item before the middle
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fifth);
    index = NewIntIndex("split" + std::to_string(c.fifth));
    for (int32_t k : c.firstFour) AddKeys({k});
    AddKeys({c.fifth});
    const Node root = ReadNode(*index, 1);
    ASSERT_EQ(root.items.size(), 1u);
    EXPECT_EQ(root.items[0].second, c.up);
    EXPECT_EQ(Keys(ReadNode(*index, root.leftmost)), c.left);
    EXPECT_EQ(Keys(ReadNode(*index, root.items[0].first)), c.right);
  }
}

TEST_F(BTreeExamples, InsertingAnEntryTwiceKeepsOneButCountsTwo) {
  AddKeys({7});
  AddKeys({7});
  EXPECT_EQ(index->GetItemCount(), 2);
  EXPECT_EQ(Walk(*index), (Entries{{7, 7}}));
  ExpectSound(1);
}

TEST_F(BTreeExamples, DeletingAMissingEntryChangesNothingButTheCount) {
  AddKeys({1, 2});
  ASSERT_EQ(index->Loesche_Index(IntEntry(*e, 1, 99)), 0);
  EXPECT_EQ(index->GetItemCount(), 1);
  EXPECT_EQ(Walk(*index), (Entries{{1, 1}, {2, 2}}));
}

TEST_F(BTreeExamples, DeletingAnInnerEntryReplacesItByItsSuccessor) {
  AddKeys({1, 2, 3, 4, 5, 6});  // root [3], leaves [1,2] and [4,5,6]
  Delete(3);
  const Node root = ReadNode(*index, 1);
  ASSERT_EQ(Keys(root), (std::vector<int32_t>{4}));
  EXPECT_EQ(Keys(ReadNode(*index, root.leftmost)), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Keys(ReadNode(*index, root.items[0].first)), (std::vector<int32_t>{5, 6}));
  ExpectSound(5);
}

TEST_F(BTreeExamples, AnUnderfullLeafBorrowsFromARichSibling) {
  AddKeys({1, 2, 3, 4, 5, 6});  // root [3], leaves [1,2] and [4,5,6]
  Delete(1);
  const Node root = ReadNode(*index, 1);
  ASSERT_EQ(Keys(root), (std::vector<int32_t>{4}));
  EXPECT_EQ(Keys(ReadNode(*index, root.leftmost)), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(Keys(ReadNode(*index, root.items[0].first)), (std::vector<int32_t>{5, 6}));
  EXPECT_EQ(Tree().GetHeight(), 2);
}

TEST_F(BTreeExamples, AnUnderfullLeafBorrowsFromItsLeftSibling) {
  AddKeys({1, 2, 3, 4, 5, 6, 7, 8});  // root [3,6], leaves [1,2] [4,5] [7,8]
  AddKeys({0});                        // [0,1,2]
  Delete(4);  // [5]: the middle leaf takes the left sibling's last item through the root
  const Node root = ReadNode(*index, 1);
  EXPECT_EQ(Keys(root), (std::vector<int32_t>{2, 6}));
  EXPECT_EQ(Keys(ReadNode(*index, root.leftmost)), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(Keys(ReadNode(*index, root.items[0].first)), (std::vector<int32_t>{3, 5}));
  EXPECT_EQ(Keys(ReadNode(*index, root.items[1].first)), (std::vector<int32_t>{7, 8}));
  ExpectSound(8);
}

TEST_F(BTreeExamples, MergingTheLastTwoLeavesCollapsesTheRoot) {
  AddKeys({1, 2, 3, 4, 5});  // root [3], leaves [1,2] and [4,5]
  Delete(1);
  EXPECT_EQ(Tree().GetHeight(), 1);
  EXPECT_EQ(Keys(ReadNode(*index, 1)), (std::vector<int32_t>{2, 3, 4, 5}));
  // Both leaves went to the free chain; the page count does not shrink.
  EXPECT_EQ(Tree().GetPageCount(), 3);
  EXPECT_NE(Tree().GetFirstFreePage(), 0);
  ExpectSound(4);
}

TEST_F(BTreeExamples, FreedPagesAreReusedBeforeTheFileGrows) {
  AddKeys({1, 2, 3, 4, 5});
  Delete(1);  // pages 2 and 3 freed
  AddKeys({6, 7});  // splits the root again
  EXPECT_EQ(Tree().GetHeight(), 2);
  EXPECT_EQ(Tree().GetPageCount(), 3);
  EXPECT_EQ(Tree().GetFirstFreePage(), 0);
  EXPECT_EQ(Walk(*index), (Entries{{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}));
  ExpectSound(6);
}

TEST_F(BTreeExamples, NearestSearchTakesTheNextGreaterEntry) {
  AddKeys({10, 20, 30});
  struct Case {
    int32_t key;
    int16_t result;
    int32_t found;
  };
  for (const Case& c : {Case{25, 0, 30}, Case{5, 0, 10}, Case{20, 0, 20}, Case{31, 1, 0}}) {
    SCOPED_TRACE(c.key);
    IntEntry(*e, c.key, 0);
    EXPECT_EQ(index->Suche_Index(*e), c.result);
    if (c.result == 0) {
      EXPECT_EQ(KeyOf(*e), c.found);
    }
  }
}

TEST_F(BTreeExamples, NearestSearchPastALeafFindsTheSeparatorAbove) {
  AddKeys({10, 20, 30, 40, 50});  // root [30], leaves [10,20] and [40,50]
  struct Case {
    int32_t key;
    int16_t result;
    int32_t found;
  };
  for (const Case& c : {Case{25, 0, 30}, Case{35, 0, 40}, Case{45, 0, 50}, Case{55, 1, 0}}) {
    SCOPED_TRACE(c.key);
    IntEntry(*e, c.key, 0);
    EXPECT_EQ(index->Suche_Index(*e), c.result);
    if (c.result == 0) {
      EXPECT_EQ(KeyOf(*e), c.found);
    }
  }
}

TEST_F(BTreeExamples, RecordNumberZeroFindsTheFirstOfEqualKeys) {
  AddAll(*index, {{5, 9}, {5, 3}, {5, 6}, {4, 1}, {6, 2}});
  IntEntry(*e, 5, 0);
  ASSERT_EQ(index->Suche_Index(*e), 0);
  EXPECT_EQ(e->DateiVerweis, 3);
  IntEntry(*e, 5, 6);
  ASSERT_EQ(index->Suche_Index(*e), 0);
  EXPECT_EQ(e->DateiVerweis, 6);
  IntEntry(*e, 5, types::kHighestRecordNumber);
  ASSERT_EQ(index->Suche_Index(*e), 0);
  EXPECT_EQ(KeyOf(*e), 6);
}

TEST_F(BTreeExamples, WalkingStopsAtBothEnds) {
  AddKeys({1, 2, 3, 4, 5, 6, 7});
  ASSERT_EQ(index->Letzter_Index(*e), 0);
  EXPECT_EQ(KeyOf(*e), 7);
  EXPECT_EQ(index->Naechster_Index(*e), 1);
  ASSERT_EQ(index->Erster_Index(*e), 0);
  EXPECT_EQ(KeyOf(*e), 1);
  EXPECT_EQ(index->Vorheriger_Index(*e), 1);
  // A step from an entry that is not there.
  IntEntry(*e, 4, 99);
  EXPECT_EQ(index->Naechster_Index(*e), -1);
  EXPECT_EQ(index->Vorheriger_Index(*e), -1);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BTreeExamples, WalkingBackwardsVisitsEveryEntryThroughInnerPages) {
  Entries expected;
  for (int32_t k = 1; k <= 40; ++k) expected.emplace_back(k, k);
  AddAll(*index, expected);
  ASSERT_GE(Tree().GetHeight(), 3);
  Entries backwards;
  for (int16_t r = index->Letzter_Index(*e); r == 0; r = index->Vorheriger_Index(*e)) {
    backwards.emplace_back(KeyOf(*e), e->DateiVerweis);
  }
  EXPECT_EQ(Entries(backwards.rbegin(), backwards.rend()), expected);
  EXPECT_EQ(Walk(*index), expected);
}

TEST_F(BTreeExamples, AnEmptyIndexHasNothingToFind) {
  IntEntry(*e, 1, 0);
  EXPECT_EQ(index->Suche_Index(*e), -1);
  EXPECT_EQ(index->Erster_Index(*e), 1);
  EXPECT_EQ(index->Letzter_Index(*e), 1);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BTreeExamples, AnIndexEmptiedByDeletionsStillAnswers) {
  AddKeys({1});
  Delete(1);
  IntEntry(*e, 1, 0);
  EXPECT_EQ(index->Suche_Index(*e), 1);
  EXPECT_EQ(index->Erster_Index(*e), 1);
  ExpectSound(0);
}

TEST_F(BTreeExamples, SequenceNumbersCountTheEntriesBefore) {
  for (int32_t k = 1; k <= 30; ++k) AddKeys({k * 10});
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 10, 10)), 1);
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 170, 170)), 17);
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 175, 0)), 18);
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 300, 300)), 30);
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 999, 0)), 31);
}

TEST_F(BTreeExamples, UndoDiscardsTheChangesSinceTheLastFlush) {
  AddKeys({1, 2, 3});
  ASSERT_EQ(index->Flush(), 0);
  for (int32_t k = 4; k <= 60; ++k) AddKeys({k});
  Delete(2);
  ASSERT_EQ(index->Undo(), 0);
  EXPECT_EQ(Walk(*index), (Entries{{1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(index->GetItemCount(), 3);
  EXPECT_EQ(Tree().GetHeight(), 1);
  AddKeys({9});
  ExpectSound(4);
}

TEST_F(BTreeExamples, ClearingEmptiesTheTreeAndTheFileShrinksAtTheFlush) {
  for (int32_t k = 1; k <= 400; ++k) AddKeys({k});
  ASSERT_EQ(index->Flush(), 0);
  const int64_t fullSize = index->Storage().GetSize();
  ASSERT_EQ(index->Clear_Index(), 0);
  EXPECT_EQ(index->GetItemCount(), 0);
  EXPECT_EQ(Tree().GetHeight(), 0);
  EXPECT_EQ(index->Erster_Index(*e), 1);
  ASSERT_EQ(index->Flush(), 0);
  EXPECT_LT(index->Storage().GetSize(), fullSize);
  AddKeys({3});
  EXPECT_EQ(Walk(*index), (Entries{{3, 3}}));
}

}  // namespace
}  // namespace vexilo::index::testing
