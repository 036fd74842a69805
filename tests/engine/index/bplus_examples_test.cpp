// B+ tree index files case by case: page 0 and the pages as bytes, an empty
// index, the first split, separators equal to the searched key, equal keys
// over many leaves, the same entry inserted twice, merging with either
// neighbour or with none, freed pages (the file's end and the free chain),
// a tree that starts after its owner's header pages, emptying, entries too
// large for the pages, estimated sequence numbers, the bulk build, and a
// walk while another index object on the file changes it.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/index/index_build.h"
#include "tests/engine/index/bplus_test_support.h"

namespace vexilo::index::testing {
namespace {

using types::TvwMemory;

// A value of `width` characters: `number` with leading zeros.
std::u16string Padded(int number, size_t width = 20) {
  std::u16string digits = fs::u16(std::to_string(number));
  return std::u16string(width - std::min(width, digits.size()), u'0') + digits;
}

class BPlusExamples : public BPlusFixture {
 protected:
  size_t Entry(const TVxbIndexFile& index, const StringColumn& column, const StringValue& value, int32_t record) {
    return MakeEntry(index, column, value, record, *e);
  }
  void Add(TVxbIndexFile& index, const StringColumn& column, const StringValue& value, int32_t record) {
    ASSERT_EQ(index.Add_Index(*e, Entry(index, column, value, record)), 0);
  }
  bool Remove(TVxbIndexFile& index, const StringColumn& column, const StringValue& value, int32_t record) {
    Entry(index, column, value, record);
    return Tree(index).Delete(*e);
  }
  // The leaves under the root of a two-level tree, left to right.
  std::vector<int32_t> Leaves(TVxbIndexFile& index) {
    const PageView root = ReadPage(index, Tree(index).GetRootPage(), false);
    std::vector<int32_t> leaves{root.firstWord};
    for (const auto& item : root.items) leaves.push_back(item.child);
    return leaves;
  }
  std::vector<uint8_t> FileBytes(const std::string& name) {
    std::ifstream f(Dir.File(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  int64_t CheckedItems(TVxbIndexFile& index) {
    int64_t items = 0, wrong = 0;
    EXPECT_EQ(index.Check(items, wrong), 0);
    EXPECT_EQ(wrong, 0);
    return items;
  }

  // The dictionary's English column, and a small one for small pages.
  StringColumn eng{types::vxbWideString, 80, true};
  StringColumn small{types::vxbWideString, 20, true};
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

// Two index objects on one file share the page cache: what one changes
// between two steps of the other's walk (an entry inserted right after the
// walk's, the next ones deleted, then enough deleted for leaves to merge
// and pages to go onto the free chain) is what the walk's next steps show.
TEST_F(BPlusExamples, AWalkShowsWhatAnotherIndexObjectChangesBetweenItsSteps) {
  auto writer = NewStringIndex("two", small, 256);
  for (int i = 1; i <= 300; ++i) ASSERT_NO_FATAL_FAILURE(Add(*writer, small, Padded(i), i));
  ASSERT_EQ(writer->Flush(), 0);
  auto reader = MakeStringIndex("two", small);
  ASSERT_EQ(reader->Open(), 0);
  auto at = std::make_unique<TVxbLongIndexInfo>();
  std::vector<int32_t> seen;
  const auto walkTo = [&](int32_t lastRecord) {
    for (int16_t r = seen.empty() ? reader->Erster_Index(*at) : reader->Naechster_Index(*at); r == 0;
         r = reader->Naechster_Index(*at)) {
      seen.push_back(at->DateiVerweis);
      if (at->DateiVerweis == lastRecord) return;
    }
    seen.push_back(0);  // the end
  };
  walkTo(100);
  ASSERT_NO_FATAL_FAILURE(Add(*writer, small, Padded(100) + u"x", 1000));
  for (int i = 101; i <= 103; ++i) ASSERT_TRUE(Remove(*writer, small, Padded(i), i));
  ASSERT_EQ(writer->Flush(), 0);
  walkTo(104);
  for (int i = 105; i <= 250; ++i) ASSERT_TRUE(Remove(*writer, small, Padded(i), i));
  ASSERT_EQ(writer->Flush(), 0);
  ASSERT_NE(Tree(*writer).GetFirstFreePage(), 0);
  walkTo(-1);

  std::vector<int32_t> expected;
  for (int i = 1; i <= 100; ++i) expected.push_back(i);
  expected.push_back(1000);
  expected.push_back(104);
  for (int i = 251; i <= 300; ++i) expected.push_back(i);
  expected.push_back(0);
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BPlusExamples, AnEmptyIndexFindsNothing) {
  auto index = NewStringIndex("empty", eng);
  Entry(*index, eng, u"apple", 0);
  EXPECT_EQ(index->Suche_Index(*e), 1);
  EXPECT_EQ(index->Erster_Index(*e), 1);
  EXPECT_EQ(index->Letzter_Index(*e), 1);
  Entry(*index, eng, u"apple", 1);
  EXPECT_EQ(index->Naechster_Index(*e), -1);
  EXPECT_FALSE(Tree(*index).Delete(*e));
  EXPECT_EQ(index->CalcItemSequenceNo(*e), 0);
  EXPECT_EQ(CheckedItems(*index), 0);
  EXPECT_TRUE(Tree(*index).IsEmpty());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BPlusExamples, PageZeroAndALeafAsBytes) {
  auto index = NewStringIndex("bytes", eng);
  Add(*index, eng, u"pear", 1);
  Add(*index, eng, u"apple", 2);
  Add(*index, eng, std::nullopt, 3);
  ASSERT_EQ(index->Close(true), 0);
  const std::vector<uint8_t> file = FileBytes("bytes.vxbi");
  ASSERT_GE(file.size(), 8192u);
  const uint8_t* p = file.data();
  EXPECT_EQ(TvwMemory::ReadUInt32(p, 0), 0xA66678C9u);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 4), 6);
  // Tree header at 6.
  EXPECT_EQ(TvwMemory::ReadInt32(p, 6), 2);     // page count: page 0 and the root leaf
  EXPECT_EQ(TvwMemory::ReadInt16(p, 10), 1);    // height
  EXPECT_EQ(TvwMemory::ReadInt32(p, 12), 1);    // root
  EXPECT_EQ(TvwMemory::ReadInt32(p, 16), 0);    // no free page
  EXPECT_EQ(TvwMemory::ReadInt32(p, 20), 4096); // page size
  EXPECT_EQ(TvwMemory::ReadInt32(p, 24), 3);    // items
  // Definition block at 28.
  EXPECT_EQ(TvwMemory::ReadInt32(p, 28), 3);                   // entries
  EXPECT_EQ(TvwMemory::ReadInt16(p, 35), 1);                   // one item
  EXPECT_EQ(TvwMemory::ReadInt16(p, 37), 1);                   // column 1
  EXPECT_EQ(TvwMemory::ReadInt16(p, 39), 163);                 // null byte, length, 80 characters
  EXPECT_EQ(p[41], types::vxbWideString);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 42), 167);                 // the largest entry
  // The leaf: no neighbours, three items in key order (null first), each
  // only as long as its value.
  const uint8_t* leaf = p + 4096;
  EXPECT_EQ(TvwMemory::ReadInt32(leaf, 0), 0);
  EXPECT_EQ(TvwMemory::ReadInt32(leaf, 4), 0);
  EXPECT_EQ(TvwMemory::ReadInt16(leaf, 4094), 3);
  const int32_t ends[] = {TvwMemory::ReadInt16(leaf, 4092), TvwMemory::ReadInt16(leaf, 4090),
                          TvwMemory::ReadInt16(leaf, 4088)};
  EXPECT_EQ(ends[0], 8 + 4 + 1);                  // record 3, null
  EXPECT_EQ(ends[1], ends[0] + 4 + 1 + 2 + 10);   // record 2, "apple"
  EXPECT_EQ(ends[2], ends[1] + 4 + 1 + 2 + 8);    // record 1, "pear"
  EXPECT_EQ(TvwMemory::ReadInt32(leaf, 8), 3);
  EXPECT_EQ(leaf[12], 0);
  EXPECT_EQ(TvwMemory::ReadInt32(leaf, ends[0]), 2);
  EXPECT_EQ(leaf[ends[0] + 4], 1);
  EXPECT_EQ(TvwMemory::ReadUInt16(leaf, ends[0] + 5), 5);
  EXPECT_EQ(TvwMemory::ReadUInt16(leaf, ends[0] + 7), u'a');
}

TEST_F(BPlusExamples, AFullSingleLeafSplitsUnderANewRoot) {
  auto index = NewStringIndex("split", small, 512);
  TVxbBPlusTree& tree = Tree(*index);
  int32_t n = 0;
  while (tree.GetHeight() < 2) {
    ++n;
    Add(*index, small, Padded(n), n);
  }
  // Ten entries of 47 bytes filled the leaf; the eleventh split it.
  EXPECT_EQ(n, 11);
  EXPECT_NE(tree.GetRootPage(), 1);
  EXPECT_EQ(tree.GetRootPage(), 2);  // the new root is taken before the new leaf
  const PageView root = ReadPage(*index, 2, false);
  ASSERT_EQ(root.items.size(), 1u);
  EXPECT_EQ(root.firstWord, 1);
  EXPECT_EQ(root.items[0].child, 3);
  const PageView left = ReadPage(*index, 1, true);
  const PageView right = ReadPage(*index, 3, true);
  EXPECT_EQ(left.items.size(), 4u);
  EXPECT_EQ(right.items.size(), 7u);
  // The separator is a copy of the right leaf's first entry; the leaves are
  // chained both ways.
  EXPECT_EQ(root.items[0].record, right.items[0].record);
  EXPECT_EQ(root.items[0].key, right.items[0].key);
  EXPECT_EQ(left.secondWord, 3);
  EXPECT_EQ(right.firstWord, 1);
  EXPECT_EQ(right.secondWord, 0);
  EXPECT_EQ(CheckedItems(*index), 11);
}

TEST_F(BPlusExamples, ASeparatorEqualToTheSearchedKeyLeadsToItsEntry) {
  auto index = NewStringIndex("separator", small, 512);
  for (int32_t n = 1; n <= 11; ++n) Add(*index, small, Padded(n * 10), n);
  const PageView root = ReadPage(*index, Tree(*index).GetRootPage(), false);
  ASSERT_EQ(root.items.size(), 1u);
  const int32_t separator = root.items[0].record;
  ASSERT_EQ(separator, 5);
  // The entry itself, and the first entry of its key.
  for (int32_t record : {5, 0}) {
    Entry(*index, small, Padded(50), record);
    ASSERT_EQ(index->Suche_Index(*e), 0);
    EXPECT_EQ(e->DateiVerweis, 5);
  }
  // Its neighbours across the leaf boundary.
  Entry(*index, small, Padded(50), 5);
  ASSERT_EQ(index->Vorheriger_Index(*e), 0);
  EXPECT_EQ(e->DateiVerweis, 4);
  ASSERT_EQ(index->Naechster_Index(*e), 0);
  EXPECT_EQ(e->DateiVerweis, 5);
  // A key between the left leaf's last entry and the separator.
  Entry(*index, small, Padded(45), 0);
  ASSERT_EQ(index->Suche_Index(*e), 0);
  EXPECT_EQ(e->DateiVerweis, 5);
  EXPECT_EQ(index->CalcItemSequenceNo(*e), 5);
  Entry(*index, small, Padded(45), 0);
  EXPECT_EQ(index->CalcItemSequenceNo(*e), 0);  // not in the index
}

TEST_F(BPlusExamples, EqualKeysSpreadOverManyLeavesAreEachFound) {
  // Keys that differ in case only are equal under the engine collation, so
  // the entries are ordered by record number alone.
  auto index = NewStringIndex("equal", small, 512);
  for (int32_t record = 1; record <= 120; ++record) {
    Add(*index, small, record % 2 ? u"Duplicate key" : u"duplicate KEY", record);
    Add(*index, small, Padded(record), 1000 + record);
  }
  ASSERT_GE(Tree(*index).GetHeight(), 2);
  for (int round = 0; round < 2; ++round) {
    for (int32_t record = 1; record <= 120; ++record) {
      if (round == 1 && record % 3 == 0) continue;
      Entry(*index, small, u"DUPLICATE KEY", record);
      ASSERT_EQ(index->Suche_Index(*e), 0) << record;
      ASSERT_EQ(e->DateiVerweis, record);
      Entry(*index, small, record % 2 ? u"Duplicate key" : u"duplicate KEY", record);
      ASSERT_EQ(index->CalcItemSequenceNo(*e), 120 + (round == 0 ? record : record - record / 3)) << record;
    }
    Entry(*index, small, u"duplicate key", 0);
    ASSERT_EQ(index->Suche_Index(*e), 0);
    EXPECT_EQ(e->DateiVerweis, 1);
    // Take every third away for the second round.
    if (round == 0) {
      for (int32_t record = 3; record <= 120; record += 3) {
        ASSERT_TRUE(Remove(*index, small, u"duplicate key", record)) << record;
      }
    }
  }
  EXPECT_EQ(CheckedItems(*index), 200);
}

TEST_F(BPlusExamples, DeletingTheOnlyEntryEmptiesTheTree) {
  auto index = NewStringIndex("single", eng);
  Add(*index, eng, u"only", 7);
  TVxbBPlusTree& tree = Tree(*index);
  EXPECT_EQ(tree.GetPageCount(), 2);
  EXPECT_TRUE(Remove(*index, eng, u"only", 7));
  EXPECT_EQ(tree.GetHeight(), 0);
  EXPECT_EQ(tree.GetRootPage(), 0);
  EXPECT_EQ(tree.GetPageCount(), 1);
  EXPECT_EQ(tree.GetItemCount(), 0);
  EXPECT_EQ(index->Suche_Index(*e), 1);
  Add(*index, eng, u"again", 8);
  EXPECT_EQ(tree.GetRootPage(), 1);
  EXPECT_EQ(CheckedItems(*index), 1);
}

TEST_F(BPlusExamples, TheSameEntryInsertedTwiceIsStoredOnce) {
  auto index = NewStringIndex("twice", eng);
  Add(*index, eng, u"twin", 4);
  Add(*index, eng, u"twin", 4);
  Add(*index, eng, u"TWIN", 5);
  EXPECT_EQ(index->GetItemCount(), 3);  // the index counts every addition
  EXPECT_EQ(Tree(*index).GetItemCount(), 2);
  EXPECT_EQ(CheckedItems(*index), 2);
  EXPECT_TRUE(Remove(*index, eng, u"twin", 4));
  EXPECT_FALSE(Remove(*index, eng, u"twin", 4));
  ASSERT_EQ(index->Erster_Index(*e), 0);
  EXPECT_EQ(e->DateiVerweis, 5);
  Entry(*index, eng, u"twin", 5);
  EXPECT_EQ(index->Naechster_Index(*e), 1);
}

// Three leaves of 4, 4 and 7 entries of 47 bytes under one root (pages 1,
// 3 and 4; the root is page 2). A leaf falls below 30 % with 2 entries.
class BPlusMerging : public BPlusExamples {
 protected:
  void SetUp() override {
    index = NewStringIndex("merge", small, 512);
    for (int32_t n = 1; n <= 15; ++n) Add(*index, small, Padded(n * 10), n);
    ASSERT_EQ(Leaves(*index), (std::vector<int32_t>{1, 3, 4}));
  }
  std::vector<size_t> LeafSizes() {
    std::vector<size_t> sizes;
    for (int32_t leaf : Leaves(*index)) sizes.push_back(ReadPage(*index, leaf, true).items.size());
    return sizes;
  }
  std::unique_ptr<TVxbIndexFile> index;
};

TEST_F(BPlusMerging, AnUnderfullLeafTakesInItsRightNeighbourWhenBothFit) {
  EXPECT_TRUE(Remove(*index, small, Padded(10), 1));
  EXPECT_EQ(LeafSizes(), (std::vector<size_t>{3, 4, 7}));  // 30.6 % is not below 30 %
  EXPECT_TRUE(Remove(*index, small, Padded(20), 2));
  EXPECT_EQ(Leaves(*index), (std::vector<int32_t>{1, 4}));
  EXPECT_EQ(LeafSizes(), (std::vector<size_t>{6, 7}));
  // Page 3 was not the last page: it went onto the free chain.
  TVxbBPlusTree& tree = Tree(*index);
  EXPECT_EQ(tree.GetFirstFreePage(), 3);
  EXPECT_EQ(tree.GetPageCount(), 5);
  EXPECT_EQ(ReadPage(*index, 1, true).secondWord, 4);
  EXPECT_EQ(ReadPage(*index, 4, true).firstWord, 1);
  EXPECT_EQ(CheckedItems(*index), 13);
}

TEST_F(BPlusMerging, AnUnderfullLastLeafGoesIntoItsLeftNeighbour) {
  for (int32_t n = 9; n <= 13; ++n) EXPECT_TRUE(Remove(*index, small, Padded(n * 10), n));
  EXPECT_EQ(Leaves(*index), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(LeafSizes(), (std::vector<size_t>{4, 6}));
  // Page 4 was the last page: the page count shrank instead.
  TVxbBPlusTree& tree = Tree(*index);
  EXPECT_EQ(tree.GetPageCount(), 4);
  EXPECT_EQ(tree.GetFirstFreePage(), 0);
  EXPECT_EQ(ReadPage(*index, 3, true).secondWord, 0);
  EXPECT_EQ(CheckedItems(*index), 10);
}

TEST_F(BPlusMerging, AnUnderfullLeafWhoseNeighboursAreTooFullStays) {
  // Fill the middle leaf to its 10 entries.
  for (int32_t n = 51; n <= 56; ++n) Add(*index, small, Padded(n), 100 + n);
  EXPECT_EQ(LeafSizes(), (std::vector<size_t>{4, 10, 7}));
  EXPECT_TRUE(Remove(*index, small, Padded(10), 1));
  EXPECT_TRUE(Remove(*index, small, Padded(20), 2));
  EXPECT_EQ(LeafSizes(), (std::vector<size_t>{2, 10, 7}));
  EXPECT_EQ(CheckedItems(*index), 19);
}

TEST_F(BPlusMerging, FreedPagesChainToThePreviousHeadAndARootCanGoOntoTheChain) {
  // The middle leaf goes onto the chain.
  EXPECT_TRUE(Remove(*index, small, Padded(10), 1));
  EXPECT_TRUE(Remove(*index, small, Padded(20), 2));
  TVxbBPlusTree& tree = Tree(*index);
  ASSERT_EQ(tree.GetFirstFreePage(), 3);
  // Emptying the last leaf merges it into the first (page 4 is cut off),
  // and the root, left with no separator, gives way to the first leaf; page
  // 3 is now the last page, so the root goes onto the chain after it.
  for (int32_t n = 9; n <= 13; ++n) EXPECT_TRUE(Remove(*index, small, Padded(n * 10), n));
  EXPECT_EQ(tree.GetHeight(), 1);
  EXPECT_EQ(tree.GetRootPage(), 1);
  EXPECT_EQ(tree.GetPageCount(), 4);
  EXPECT_EQ(tree.GetFirstFreePage(), 2);
  // A free page holds the previous head itself.
  EXPECT_EQ(index->Storage().ReadPage(2)->ReadInt32(0), 3);
  EXPECT_EQ(index->Storage().ReadPage(3)->ReadInt32(0), 0);
  EXPECT_EQ(CheckedItems(*index), 8);
  // New pages come from the chain: a split of the root leaf takes a new
  // root and a new leaf.
  for (int32_t n = 100; n < 103; ++n) Add(*index, small, Padded(n * 10), n);
  EXPECT_EQ(tree.GetHeight(), 2);
  EXPECT_EQ(tree.GetPageCount(), 4);
  EXPECT_EQ(tree.GetFirstFreePage(), 0);
}

TEST_F(BPlusExamples, AFileWhoseLastPageIsFreedIsShorterAfterTheNextFlush) {
  // 25 entries of 167 bytes: leaves of 11 and 14 entries, root page 2.
  auto index = NewStringIndex("shrink", eng);
  const std::u16string longValue(80, u'x');
  for (int32_t n = 1; n <= 25; ++n) Add(*index, eng, longValue, n);
  ASSERT_EQ(Leaves(*index), (std::vector<int32_t>{1, 3}));
  ASSERT_EQ(index->Flush(), 0);
  const auto path = Dir.File("shrink.vxbi");
  EXPECT_EQ(std::filesystem::file_size(path), 16384u);  // four pages in two tiles of 8 KiB
  // The last leaf falls below 30 % with 7 entries and merges into the first;
  // then the root gives way: pages 3 and 2 were each the last page.
  for (int32_t n = 25; n >= 19; --n) EXPECT_TRUE(Remove(*index, eng, longValue, n));
  TVxbBPlusTree& tree = Tree(*index);
  EXPECT_EQ(tree.GetHeight(), 1);
  EXPECT_EQ(tree.GetPageCount(), 2);
  EXPECT_EQ(std::filesystem::file_size(path), 16384u);
  ASSERT_EQ(index->Flush(), 0);
  EXPECT_EQ(std::filesystem::file_size(path), 8192u);
  EXPECT_EQ(CheckedItems(*index), 18);
}

// Orders entries by record number only, as a table file orders its records.
int ByRecord(int32_t ra, const uint8_t*, size_t, int32_t rb, const uint8_t*, size_t, bool* keysEqual) {
  if (keysEqual) *keysEqual = ra == rb;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

TEST_F(BPlusExamples, ATreeStartsAfterItsOwnersHeaderPages) {
  constexpr int32_t kHeaderPages = 3;
  auto storage = std::make_unique<TVxbClientStorage>(Manager, FileSystem, 1);
  storage->SetName(FileName("table.vxbt"));
  storage->SetPageSize(4096);
  storage->NewStorage();
  for (int32_t page = 0; page < kHeaderPages; ++page) {
    storage->NewPage(page)->WriteInt32(4092, 1000 + page);  // the owner's bytes
  }
  auto entry = std::make_unique<TVxbLongIndexInfo>();
  {
    TVxbBPlusTree tree(*storage, 11, kHeaderPages);
    tree.New(4096, 500, ByRecord);
    EXPECT_EQ(tree.GetPageCount(), kHeaderPages);
    for (int32_t id = 1; id <= 100; ++id) {
      entry->DateiVerweis = id;
      std::memset(entry->Key, id % 251, 496);
      ASSERT_TRUE(tree.Insert(*entry, 500));
    }
    EXPECT_GE(tree.GetRootPage(), kHeaderPages);
    int64_t items = 0, wrong = 0;
    tree.Check(items, wrong);
    EXPECT_EQ(items, 100);
    EXPECT_EQ(wrong, 0);
    tree.Flush();
    tree.Close();
  }
  for (int32_t page = 0; page < kHeaderPages; ++page) {
    EXPECT_EQ(storage->ReadPage(page)->ReadInt32(4092), 1000 + page);
  }
  // A root inside the owner's header marks the file damaged.
  storage->ReadPage(0)->WriteInt32(11 + 6, 1);
  TVxbBPlusTree damaged(*storage, 11, kHeaderPages);
  EXPECT_THROW(damaged.Open(ByRecord), EVxbTree);
  storage->Close();
}

TEST_F(BPlusExamples, ClearEmptiesTheTreeAndCutsTheFile) {
  auto index = NewStringIndex("clear", small, 512);
  for (int32_t n = 1; n <= 200; ++n) Add(*index, small, Padded(n), n);
  ASSERT_EQ(index->Flush(), 0);
  ASSERT_EQ(index->Clear_Index(), 0);
  TVxbBPlusTree& tree = Tree(*index);
  EXPECT_EQ(tree.GetHeight(), 0);
  EXPECT_EQ(tree.GetPageCount(), 1);
  EXPECT_EQ(index->GetItemCount(), 0);
  ASSERT_EQ(index->Flush(), 0);
  EXPECT_EQ(std::filesystem::file_size(Dir.File("clear.vxbi")), 8192u);
  Add(*index, small, u"again", 1);
  EXPECT_EQ(CheckedItems(*index), 1);
}

TEST_F(BPlusExamples, EntriesTooLargeForThePagesAreRefused) {
  // Two of the largest entries must fit into half a page.
  EXPECT_EQ(TVxbBPlusTree::MaxEntrySize(4096), 2039);
  const StringColumn huge(types::vxbWideString, 1100, true);
  auto index = MakeStringIndex("huge", huge);
  EXPECT_EQ(index->NewStorage(6, 4096), -4);
  auto tiny = MakeStringIndex("tiny", eng);
  EXPECT_EQ(tiny->NewStorage(6, 256), -4);
  ASSERT_EQ(Errors.size(), 2u);
  EXPECT_EQ(Errors[0].code, 4);
  EXPECT_EQ(Errors[0].text, u"huge");
}

TEST_F(BPlusExamples, SequenceNumbersOfLargeTreesAreEstimatedFromThePath) {
  auto index = NewStringIndex("large", small, 256);
  constexpr int32_t kEntries = 6000;
  for (int32_t n = 1; n <= kEntries; ++n) Add(*index, small, Padded(n, 8), n);
  ASSERT_GT(Tree(*index).GetPageCount(), TVxbBPlusTree::kExactSequencePages + 1);
  int32_t previous = 0;
  for (int32_t n = 1; n <= kEntries; n += 97) {
    Entry(*index, small, Padded(n, 8), n);
    const int32_t estimate = index->CalcItemSequenceNo(*e);
    EXPECT_NEAR(estimate, n, kEntries / 20) << n;
    EXPECT_GE(estimate, previous);
    previous = estimate;
  }
  Entry(*index, small, Padded(1, 8), 1);
  EXPECT_EQ(index->CalcItemSequenceNo(*e), 1);
  Entry(*index, small, Padded(3, 8), 99);  // not in the index
  EXPECT_EQ(index->CalcItemSequenceNo(*e), 0);
}

// Records holding one string each, for the bulk build.
class StringTable : public TVxbIndexedTable {
 public:
  StringTable(const StringColumn& column, std::vector<std::u16string> values)
      : FColumn(column), FValues(std::move(values)) {}
  int16_t Level() const override { return 6; }
  const TVxbIndexColumns& Columns() const override { return FColumn; }
  int64_t Capacity() const override { return static_cast<int64_t>(FValues.size()); }
  int16_t ReadLock() override { return 0; }
  void EndReadLock() override {}
  int16_t WriteLock() override { return 0; }
  void EndWriteLock() override {}
  int32_t RecordCount() override { return static_cast<int32_t>(FValues.size()); }
  size_t BuildEntry(const TVxbIndexFile& index, int32_t recordNo, TVxbLongIndexInfo& entry) override {
    return MakeEntry(index, FColumn, FValues[static_cast<size_t>(recordNo - 1)], recordNo, entry);
  }
  bool DeriveIndexDefinition(const TVxbIndexFile&, TVxbSortDef&) override { return false; }

 private:
  const StringColumn& FColumn;
  std::vector<std::u16string> FValues;
};

TEST_F(BPlusExamples, ABuiltIndexHoldsOnlyTheUsedBytesOfEachKey) {
  std::vector<std::u16string> values;
  for (int32_t n = 0; n < 3000; ++n) values.push_back(u"w" + fs::u16(std::to_string((n * 7919) % 3000)));
  StringTable table(eng, values);
  auto index = MakeStringIndex("built", eng);
  EXPECT_EQ(index->CalcPageSizeForCapacity(1000000), 4096);
  ASSERT_EQ(BuildIndex(*index, table, false, 0, nullptr, false), 0);
  EXPECT_EQ(index->GetItemCount(), 3000);
  std::vector<int32_t> order;
  for (int16_t r = index->Erster_Index(*e); r == 0; r = index->Naechster_Index(*e)) order.push_back(e->DateiVerweis);
  ASSERT_EQ(order.size(), 3000u);
  for (size_t i = 1; i < order.size(); ++i) {
    EXPECT_LE(values[static_cast<size_t>(order[i - 1] - 1)], values[static_cast<size_t>(order[i] - 1)]);
  }
  EXPECT_EQ(CheckedItems(*index), 3000);
  ASSERT_EQ(index->Close(true), 0);
  const std::vector<uint8_t> file = FileBytes("built.vxbi");
  EXPECT_EQ(TvwMemory::ReadUInt32(file.data(), 0), 0xA66678C9u);
  // Fixed-width entries would take 3000 x 167 bytes.
  EXPECT_LT(file.size(), 3000u * 167u / 3u);
}

}  // namespace
}  // namespace vexilo::index::testing
