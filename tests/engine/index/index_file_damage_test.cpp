// Damaged index files: a file cut short, a page with a wrong item count, a
// child pointer outside the file or back to the root, a header that
// contradicts itself, and a free page chain that runs in a circle or out of
// the file. Each gives the engine error of the operation (28 on opening, 91
// for searches and walks, 90 for changes) and never a crash or a loop.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/index/btree.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

constexpr int32_t kPageSize = 128;  // order 5 with Integer keys
constexpr int32_t kTreeOffset = 6;

class DamagedIndex : public IndexFixture {
 protected:
  // An index file "dmg" with keys 1..count, flushed and closed.
  void Build(int32_t count, int32_t deleteFrom = 0) {
    auto index = NewIntIndex("dmg", kPageSize);
    auto e = std::make_unique<TVxbLongIndexInfo>();
    for (int32_t k = 1; k <= count; ++k) ASSERT_EQ(index->Add_Index(IntEntry(*e, k, k), 8), 0);
    if (deleteFrom > 0) {
      for (int32_t k = deleteFrom; k <= count; ++k) ASSERT_EQ(index->Loesche_Index(IntEntry(*e, k, k)), 0);
    }
    const auto* tree = static_cast<TVxbBTree*>(index->BTree());
    height = tree->GetHeight();
    pages = tree->GetPageCount();
    FirstFree = tree->GetFirstFreePage();
    ASSERT_EQ(index->Close(true), 0);
  }
  std::string Path() const { return Dir.File("dmg.ind"); }
  void Patch(int64_t offset, const std::vector<uint8_t>& bytes) {
    std::fstream f(Path(), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void PatchInt16(int64_t offset, int16_t v) {
    Patch(offset, {static_cast<uint8_t>(v), static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8)});
  }
  void PatchInt32(int64_t offset, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    Patch(offset, {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                   static_cast<uint8_t>(u >> 24)});
  }
  int32_t ReadInt32(int64_t offset) const {
    std::ifstream f(Path(), std::ios::binary);
    f.seekg(offset);
    uint8_t b[4] = {};
    f.read(reinterpret_cast<char*>(b), 4);
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
  static int64_t PageOffset(int32_t pageNo) { return int64_t{pageNo} * kPageSize; }
  std::unique_ptr<TVxbIndexFile> Reopen() {
    auto index = MakeIndex("dmg", 5, IntColumns, DefinitionOver(IntColumns, {1}));
    index->SetFileName(FileName("dmg.ind"));
    return index;
  }
  bool Reported(int16_t code) const {
    for (const auto& error : Errors) {
      if (error.code == code) return true;
    }
    return false;
  }

  int height = 0;
  int32_t pages = 0;
  int32_t FirstFree = 0;
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

TEST_F(DamagedIndex, AFileCutShortCannotBeOpened) {
  ASSERT_NO_FATAL_FAILURE(Build(2000));
  ASSERT_GT(PageOffset(pages + 1), 8192);
  for (uintmax_t size : {uintmax_t{8192}, uintmax_t{3}, uintmax_t{0}}) {
    SCOPED_TRACE(size);
    std::filesystem::resize_file(Path(), size);
    Errors.clear();
    auto index = Reopen();
    EXPECT_EQ(index->Open(), -28);
    EXPECT_TRUE(index->IsLost);
    EXPECT_FALSE(index->IsOpen);
    EXPECT_TRUE(Reported(28));
  }
}

TEST_F(DamagedIndex, AMissingFileIsReportedAsNotFound) {
  auto index = Reopen();
  EXPECT_EQ(index->Open(), -37);
  EXPECT_TRUE(index->IsLost);
  ASSERT_FALSE(Errors.empty());
  EXPECT_EQ(Errors.back().code, 37);
  EXPECT_EQ(Errors.back().text, FileName("dmg.ind"));
}

TEST_F(DamagedIndex, AHeaderThatContradictsItselfCannotBeOpened) {
  struct Case {
    const char* what;
    int64_t offset;
    int16_t value;
  };
  const Case cases[] = {
      {"order", kTreeOffset + 14, 50},
      {"page capacity", kTreeOffset + 16, 3},
      {"item size", kTreeOffset + 6, 9},
      {"height", kTreeOffset + 8, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(50));
    PatchInt16(c.offset, c.value);
    auto index = Reopen();
    EXPECT_EQ(index->Open(), -28);
    EXPECT_TRUE(index->IsLost);
  }
}

TEST_F(DamagedIndex, DamagedPagesStopSearchesWalksAndChangesWithAnError) {
  struct Case {
    const char* what;
    int64_t offset;
    int32_t value;
    bool int32;
  };
  const Case cases[] = {
      {"root count beyond the page", PageOffset(1) + 4, 999, false},
      {"root count negative", PageOffset(1) + 4, -3, false},
      {"child beyond the file", PageOffset(1), 9999, true},
      {"child pointing back to the root", PageOffset(1), 1, true},
      {"child pointing to page 0", PageOffset(1), 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(300));
    ASSERT_GE(height, 2);
    if (c.int32) PatchInt32(c.offset, c.value);
    else PatchInt16(c.offset, static_cast<int16_t>(c.value));
    auto index = Reopen();
    ASSERT_EQ(index->Open(), 0);
    Errors.clear();
    EXPECT_EQ(index->Suche_Index(IntEntry(*e, 1, 0)), -91);
    EXPECT_EQ(index->Erster_Index(*e), -91);
    EXPECT_EQ(index->Naechster_Index(IntEntry(*e, 1, 1)), -91);
    int64_t items = 0, wrong = 0;
    EXPECT_EQ(index->Check(items, wrong), -91);
    EXPECT_EQ(index->Add_Index(IntEntry(*e, 0, 1), 8), -90);
    EXPECT_EQ(index->Loesche_Index(IntEntry(*e, 1, 1)), -90);
    EXPECT_EQ(index->CalcItemSequenceNo(IntEntry(*e, 1, 1)), 0);
    EXPECT_TRUE(Reported(91));
    EXPECT_TRUE(Reported(90));
  }
}

TEST_F(DamagedIndex, ALeafWithoutItemsBelowTheRootIsInconsistent) {
  ASSERT_NO_FATAL_FAILURE(Build(300));
  auto index = Reopen();
  ASSERT_EQ(index->Open(), 0);
  ASSERT_EQ(index->Erster_Index(*e), 0);
  ASSERT_EQ(index->Close(false), 0);
  // Page 2 is a leaf after the first split; empty it.
  PatchInt16(PageOffset(2) + 4, 0);
  index = Reopen();
  ASSERT_EQ(index->Open(), 0);
  int64_t items = 0, wrong = 0;
  EXPECT_EQ(index->Check(items, wrong), -91);
}

TEST_F(DamagedIndex, AFreePageChainInACircleIsNeverFollowedForEver) {
  struct Case {
    const char* what;
    bool twoPages;
    int32_t link;  // the stored word of the head page (minus the next page); 0: itself
  };
  const Case cases[] = {
      {"head links to itself", false, 0},
      {"two pages link to each other", true, 0},
      {"head links beyond the file", false, -99999},
      {"head links to a negative page", false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(600, 40));
    ASSERT_NE(FirstFree, 0);
    int32_t word = c.link == 0 ? -FirstFree : c.link;
    if (c.twoPages) {
      // The second page of the chain links back to the head.
      const int32_t second = -ReadInt32(PageOffset(FirstFree));
      ASSERT_GT(second, 0);
      PatchInt32(PageOffset(second), -FirstFree);
    } else {
      PatchInt32(PageOffset(FirstFree), word);
    }
    auto index = Reopen();
    ASSERT_EQ(index->Open(), 0);
    Errors.clear();
    // Enough insertions to need pages from the chain.
    int16_t result = 0;
    for (int32_t k = 1000; k < 3000 && result == 0; ++k) result = index->Add_Index(IntEntry(*e, k, k), 8);
    EXPECT_EQ(result, -90);
    int64_t items = 0, wrong = 0;
    EXPECT_EQ(index->Check(items, wrong), -91);
    // What was there is still found.
    EXPECT_EQ(index->Suche_Index(IntEntry(*e, 20, 0)), 0);
    EXPECT_EQ(KeyOf(*e), 20);
  }
}

TEST_F(DamagedIndex, AFileWithAnUnknownVersionAfterTheMagicCannotBeOpened) {
  ASSERT_NO_FATAL_FAILURE(Build(10));
  PatchInt16(4, 3);  // old-format fields would overlap the magic
  auto index = Reopen();
  EXPECT_EQ(index->Open(), -28);
}

}  // namespace
}  // namespace vexilo::index::testing
