// Damaged B+ tree index files: a file cut short, a header that contradicts
// itself, a page with a wrong item count or an item beyond the page, child
// pages outside the tree or back to the root, a leaf chain and a free page
// chain that run in a circle or out of the file. Each gives the engine
// error of the operation (28 on opening, 91 for searches, walks and the
// check, 90 for changes) and never a crash or an endless loop.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/engine/index/bplus_test_support.h"

namespace vexilo::index::testing {
namespace {

constexpr int32_t kPageSize = 512;
constexpr int32_t kTreeOffset = 6;

std::u16string Padded(int number) {
  std::u16string digits = fs::u16(std::to_string(number));
  return std::u16string(20 - digits.size(), u'0') + digits;
}

class DamagedBPlus : public BPlusFixture {
 protected:
  // An index file "dmg" with the values 1..count, less those from
  // `deleteFrom` to `deleteTo`, flushed and closed.
  void Build(int32_t count, int32_t deleteFrom = 0, int32_t deleteTo = -1) {
    auto index = NewStringIndex("dmg", column, kPageSize);
    for (int32_t k = 1; k <= count; ++k) ASSERT_EQ(index->Add_Index(*e, MakeEntry(*index, column, Padded(k), k, *e)), 0);
    for (int32_t k = deleteFrom; k <= deleteTo; ++k) {
      MakeEntry(*index, column, Padded(k), k, *e);
      ASSERT_TRUE(Tree(*index).Delete(*e));
    }
    const TVxbBPlusTree& tree = Tree(*index);
    height = tree.GetHeight();
    pages = tree.GetPageCount();
    root = tree.GetRootPage();
    FirstFree = tree.GetFirstFreePage();
    // The leaves in key order, by the leftmost children and the chain.
    int32_t page = root;
    for (int level = 1; level < height; ++level) page = ReadPage(*index, page, false).firstWord;
    leaves.clear();
    for (; page != 0 && leaves.size() < static_cast<size_t>(pages); page = ReadPage(*index, page, true).secondWord) {
      leaves.push_back(page);
    }
    ASSERT_EQ(index->Close(true), 0);
  }
  std::string Path() const { return Dir.File("dmg.vxbi"); }
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
  std::unique_ptr<TVxbIndexFile> Reopen() { return MakeStringIndex("dmg", column); }
  TVxbLongIndexInfo& Entry(const TVxbIndexFile& index, int32_t k) {
    MakeEntry(index, column, Padded(k), k, *e);
    return *e;
  }
  bool Reported(int16_t code) const {
    for (const auto& error : Errors) {
      if (error.code == code) return true;
    }
    return false;
  }

  StringColumn column{types::vxbWideString, 20, true};
  int height = 0;
  int32_t pages = 0;
  int32_t root = 0;
  int32_t FirstFree = 0;
  std::vector<int32_t> leaves;
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

TEST_F(DamagedBPlus, AFileCutShortCannotBeOpened) {
  ASSERT_NO_FATAL_FAILURE(Build(300));
  ASSERT_GT(PageOffset(pages), 8192);
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

TEST_F(DamagedBPlus, AHeaderThatContradictsItselfCannotBeOpened) {
  struct Case {
    const char* what;
    int32_t field;
    int32_t value;  // -1000: the page count; -2000: the page count + 5
    bool int16;
  };
  const Case cases[] = {
      {"height far too large", 4, 99, true},
      {"negative height", 4, -1, true},
      {"no root in a tree with pages", 6, 0, false},
      {"root beyond the file", 6, -1000, false},
      {"page count below the first tree page", 0, 0, false},
      {"free page beyond the file", 10, -2000, false},
      {"page size too small", 14, 100, false},
      {"page size too large", 14, 1 << 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(300));
    const int32_t value = c.value == -1000 ? pages : c.value == -2000 ? pages + 5 : c.value;
    if (c.int16) PatchInt16(kTreeOffset + c.field, static_cast<int16_t>(value));
    else PatchInt32(kTreeOffset + c.field, value);
    auto index = Reopen();
    EXPECT_EQ(index->Open(), -28);
    EXPECT_TRUE(index->IsLost);
  }
}

TEST_F(DamagedBPlus, DamagedPagesStopSearchesWalksAndChangesWithAnError) {
  struct Case {
    const char* what;
    int32_t offset;  // in the root page; -1: the root itself, -2: page 0
    int32_t value;
    bool int16;
    bool firstFails;  // FindFirst reads the damaged part
  };
  const Case cases[] = {
      {"count beyond the page", kPageSize - 2, 30000, true, true},
      {"negative count", kPageSize - 2, -3, true, true},
      {"item ending beyond the page", kPageSize - 4, 9999, true, false},
      {"leftmost child beyond the file", 0, 99999, false, true},
      {"leftmost child pointing back to the root", 0, -1, false, true},
      {"leftmost child pointing to page 0", 0, -2, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(300));
    ASSERT_GE(height, 2);
    const int32_t value = c.value == -1 ? root : c.value == -2 ? 0 : c.value;
    if (c.int16) PatchInt16(PageOffset(root) + c.offset, static_cast<int16_t>(value));
    else PatchInt32(PageOffset(root) + c.offset, value);
    auto index = Reopen();
    ASSERT_EQ(index->Open(), 0);
    Errors.clear();
    EXPECT_EQ(index->Suche_Index(Entry(*index, 1)), -91);
    if (c.firstFails) {
      EXPECT_EQ(index->Erster_Index(*e), -91);
    }
    EXPECT_EQ(index->Naechster_Index(Entry(*index, 1)), -91);
    int64_t items = 0, wrong = 0;
    EXPECT_EQ(index->Check(items, wrong), -91);
    EXPECT_EQ(index->Add_Index(*e, MakeEntry(*index, column, std::nullopt, 1, *e)), -90);
    EXPECT_EQ(index->Loesche_Index(Entry(*index, 1)), -90);
    EXPECT_EQ(index->CalcItemSequenceNo(Entry(*index, 1)), 0);
    EXPECT_TRUE(Reported(91));
    EXPECT_TRUE(Reported(90));
  }
}

TEST_F(DamagedBPlus, ALeafChainThatRunsInACircleOrOutOfTheFileIsDetected) {
  struct Case {
    const char* what;
    int from;  // index into the leaves; -1: the last
    int to;    // index into the leaves; -1: page 0, -2: beyond the file
  };
  const Case cases[] = {
      {"first leaf links to itself", 0, 0},
      {"last leaf links back to the first", -1, 0},
      {"a leaf links back to its predecessor", 2, 1},
      {"a leaf links to page 0", 1, -1},
      {"a leaf links beyond the file", 1, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(300));
    ASSERT_GE(leaves.size(), 4u);
    const int32_t from = leaves[c.from < 0 ? leaves.size() - 1 : static_cast<size_t>(c.from)];
    const int32_t to = c.to == -1 ? 0 : c.to == -2 ? pages + 7 : leaves[static_cast<size_t>(c.to)];
    PatchInt32(PageOffset(from) + 4, to);
    auto index = Reopen();
    ASSERT_EQ(index->Open(), 0);
    int64_t items = 0, wrong = 0;
    EXPECT_EQ(index->Check(items, wrong), -91);
    // Counting along the chain stops; walking goes through the parents.
    const int32_t sequence = index->CalcItemSequenceNo(Entry(*index, 300));
    if (c.from != -1) {
      EXPECT_EQ(sequence, 0);
    }
    int32_t walked = 0;
    for (int16_t r = index->Erster_Index(*e); r == 0 && walked <= 300; r = index->Naechster_Index(*e)) ++walked;
    EXPECT_EQ(walked, 300);
  }
}

TEST_F(DamagedBPlus, AFreePageChainInACircleIsNeverFollowedForEver) {
  struct Case {
    const char* what;
    bool twoPages;
    int32_t link;  // the head's link; 0: itself
  };
  const Case cases[] = {
      {"head links to itself", false, 0},
      {"two pages link to each other", true, 0},
      {"head links beyond the file", false, 99999},
      {"head links to a negative page", false, -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Build(600, 100, 400));
    ASSERT_NE(FirstFree, 0);
    if (c.twoPages) {
      const int32_t second = ReadInt32(PageOffset(FirstFree));
      ASSERT_GT(second, 0);
      PatchInt32(PageOffset(second), FirstFree);
    } else {
      PatchInt32(PageOffset(FirstFree), c.link == 0 ? FirstFree : c.link);
    }
    auto index = Reopen();
    ASSERT_EQ(index->Open(), 0);
    Errors.clear();
    // Enough insertions to need pages from the chain.
    int16_t result = 0;
    for (int32_t k = 1000; k < 1200 && result == 0; ++k) {
      result = index->Add_Index(*e, MakeEntry(*index, column, Padded(k), k, *e));
    }
    EXPECT_EQ(result, -90);
    int64_t items = 0, wrong = 0;
    EXPECT_EQ(index->Check(items, wrong), -91);
    // What was there is still found.
    EXPECT_EQ(index->Suche_Index(Entry(*index, 20)), 0);
    EXPECT_EQ(e->DateiVerweis, 20);
  }
}

}  // namespace
}  // namespace vexilo::index::testing
