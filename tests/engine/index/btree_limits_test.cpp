// The limits of a B-tree: the most node pages a format can address, the
// estimated sequence numbers of large trees, and copies of an index on
// another file.
#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/errors/engine_exception.h"
#include "engine/index/btree.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using Entries = std::vector<std::pair<int32_t, int32_t>>;

class BTreeLimits : public IndexFixture {
 protected:
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

TEST_F(BTreeLimits, AnOldFormatTreeStopsAtItsLastAddressablePage) {
  constexpr int32_t kPage = 128;
  auto index = NewIntIndex("full", kPage, 3);
  Entries entries;
  for (int32_t k = 1; k <= 100; ++k) entries.emplace_back(k * 10, k);
  AddAll(*index, entries);
  ASSERT_EQ(index->Close(true), 0);
  // Claim every page up to the limit as used: the next page would be 32767.
  {
    std::fstream f(Dir.File("full.ind"), std::ios::in | std::ios::out | std::ios::binary);
    const uint8_t count[] = {0xFE, 0x7F};  // 32766
    f.seekp(8);
    f.write(reinterpret_cast<const char*>(count), 2);
  }
  std::filesystem::resize_file(Dir.File("full.ind"), uintmax_t{32767} * kPage);

  index = MakeIndex("full", 3, IntColumns, DefinitionOver(IntColumns, {1}));
  ASSERT_EQ(index->Open(), 0);
  auto* tree = static_cast<TVxbBTree*>(index->BTree());
  ASSERT_EQ(tree->GetPageCount(), 32766);
  // Fill the leaf of the largest keys until it must split.
  int16_t result = 0;
  int32_t key = 2000;
  for (; result == 0 && key < 2100; ++key) result = index->Add_Index(IntEntry(*e, key, key), 8);
  EXPECT_EQ(result, -90);
  ASSERT_FALSE(Errors.empty());
  EXPECT_EQ(Errors.back().code, 90);
  try {
    tree->Insert(IntEntry(*e, key, key), 8);
    ADD_FAILURE() << "no error";
  } catch (const errors::EVxbEngine& error) {
    EXPECT_EQ(error.Code(), 171);
  }
  // Nothing was lost on the way.
  for (int32_t k = 2000; k < key - 1; ++k) entries.emplace_back(k, k);
  EXPECT_EQ(Walk(*index), entries);
  // Pages freed by deletions are taken even at the limit.
  for (int32_t k = 1; k <= 60; ++k) ASSERT_EQ(index->Loesche_Index(IntEntry(*e, k * 10, k)), 0);
  ASSERT_NE(tree->GetFirstFreePage(), 0);
  EXPECT_EQ(index->Add_Index(IntEntry(*e, key, key), 8), 0);
  int64_t items = 0, wrong = 0;
  ASSERT_EQ(index->Check(items, wrong), 0);
  EXPECT_EQ(items, static_cast<int64_t>(entries.size()) - 60 + 1);
}

TEST_F(BTreeLimits, SequenceNumbersOfLargeTreesAreEstimatedFromTheRoot) {
  auto index = NewIntIndex("large", 64);
  Entries entries;
  for (int32_t k = 1; k <= 3000; ++k) entries.emplace_back(k, k);
  AddAll(*index, entries);
  const auto* tree = static_cast<TVxbBTree*>(index->BTree());
  const int32_t pages = tree->GetPageCount();
  ASSERT_GT(pages, 1000);
  const Node root = ReadNode(*index, 1);
  const int n = static_cast<int>(root.items.size());
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 1, 1)), 1);
  // The root's first separator: position 1 of n.
  const int32_t separator = root.items[0].second;
  const int32_t expected = static_cast<int32_t>(std::lround(pages * 1.5 * tree->GetOrder() * 1 / n)) + 1;
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, separator, separator)), expected);
  EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 5000, 0)),
            static_cast<int32_t>(std::lround(pages * 1.5 * tree->GetOrder())) + 1);
}

TEST_F(BTreeLimits, ACopyHasTheDefinitionOnAFileOfItsOwn) {
  TVxbSortDef def = DefinitionOver(IntColumns, {1}, true);
  auto index = MakeIndex("orig", 5, IntColumns, def);
  ASSERT_EQ(index->NewStorage(5, 128), 0);
  AddAll(*index, {{1, 1}});
  auto storage = std::make_unique<TVxbClientStorage>(Manager, FileSystem, 1);
  storage->SetName(FileName("copy.ind"));
  auto copy = TVxbIndexFile::CreateCopy(*index, std::move(storage));
  EXPECT_EQ(copy->GetName(), u"orig");
  EXPECT_EQ(copy->GetFileName(), FileName("copy.ind"));
  EXPECT_TRUE(copy->GetUnique());
  ASSERT_EQ(copy->NewStorage(5, 256), 0);
  AddAll(*copy, {{7, 7}, {3, 3}});
  EXPECT_EQ(Walk(*copy), (Entries{{3, 3}, {7, 7}}));
  EXPECT_EQ(Walk(*index), (Entries{{1, 1}}));
  EXPECT_EQ(static_cast<TVxbBTree*>(copy->BTree())->GetPageSize(), 256);
}

}  // namespace
}  // namespace vexilo::index::testing
