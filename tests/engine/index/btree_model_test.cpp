// Random insertions and deletions (equal keys with different record numbers
// included) checked against an ordered set: after every batch the walks in
// both directions, exact and nearest searches, sequence numbers, the entry
// count and the tree check must agree with the model; then the file is
// closed, opened again and checked once more, and changed further.
//
// Small pages make trees of order 1 to 5 several levels high, so splits,
// borrowing, merging and root collapses happen at every height. Set
// VEXILO_LARGE_BTREE_TEST=1 for a twenty times longer run.
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "engine/index/btree.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using Entry = std::pair<int32_t, int32_t>;  // (key, record number)
using Model = std::set<Entry>;

struct Config {
  const char* name;
  int16_t level;
  int32_t pageSize;
  bool wide;  // a 12-byte key (Integer and BigInt) instead of 4 bytes
};

void PrintTo(const Config& config, std::ostream* os) { *os << config.name; }

class BTreeModel : public IndexFixture, public ::testing::WithParamInterface<Config> {
 protected:
  void SetUp() override {
    const Config& c = GetParam();
    index = Create();
    ASSERT_EQ(index->NewStorage(c.level, c.pageSize), 0);
    rng.seed(20240611u + static_cast<unsigned>(c.pageSize) * 31u + static_cast<unsigned>(c.level));
  }

  std::unique_ptr<TVxbIndexFile> Create() {
    const Config& c = GetParam();
    const TestColumns& columns = c.wide ? WideColumns : IntColumns;
    const TVxbSortDef def = c.wide ? DefinitionOver(columns, {1, 2}) : DefinitionOver(columns, {1});
    return MakeIndex("model", c.level, columns, def);
  }
  size_t EntrySize() const { return GetParam().wide ? 16 : 8; }
  TVxbLongIndexInfo& Fill(TVxbLongIndexInfo& e, Entry entry) const {
    return GetParam().wide ? WideEntry(e, entry.first, entry.second) : IntEntry(e, entry.first, entry.second);
  }
  Entry Random() { return {static_cast<int32_t>(rng() % 400), static_cast<int32_t>(1 + rng() % 8)}; }

  // `ops` changes, inserting with probability `insertShare` percent.
  void Change(int ops, unsigned insertShare) {
    for (int i = 0; i < ops; ++i) {
      if (rng() % 100 < insertShare || model.empty()) {
        const Entry entry = Random();
        ASSERT_EQ(index->Add_Index(Fill(*e, entry), EntrySize()), 0);
        model.insert(entry);
        ++count;
      } else {
        Entry entry = Random();
        if (rng() % 5 != 0) entry = *std::next(model.begin(), static_cast<long>(rng() % model.size()));
        ASSERT_EQ(index->Loesche_Index(Fill(*e, entry)), 0);
        model.erase(entry);
        --count;
      }
    }
  }

  void Verify() {
    ASSERT_TRUE(Errors.empty()) << Errors.front().code;
    // Forwards and backwards.
    std::vector<Entry> forwards, backwards;
    for (int16_t r = index->Erster_Index(*e); r == 0 && forwards.size() <= model.size();
         r = index->Naechster_Index(*e)) {
      forwards.emplace_back(KeyOf(*e), e->DateiVerweis);
    }
    for (int16_t r = index->Letzter_Index(*e); r == 0 && backwards.size() <= model.size();
         r = index->Vorheriger_Index(*e)) {
      backwards.emplace_back(KeyOf(*e), e->DateiVerweis);
    }
    ASSERT_EQ(forwards, std::vector<Entry>(model.begin(), model.end()));
    ASSERT_EQ(backwards, std::vector<Entry>(model.rbegin(), model.rend()));
    // Exact and nearest searches, sequence numbers.
    const auto* tree = static_cast<TVxbBTree*>(index->BTree());
    for (int i = 0; i < 25; ++i) {
      Entry probe = Random();
      if (i % 3 == 0) probe.second = 0;
      if (i % 3 == 1 && !model.empty()) probe = *std::next(model.begin(), static_cast<long>(rng() % model.size()));
      const auto expected = model.lower_bound(probe);
      Fill(*e, probe);
      const int16_t r = index->Suche_Index(*e);
      if (expected == model.end()) {
        ASSERT_EQ(r, tree->GetHeight() == 0 ? -1 : 1) << probe.first << "/" << probe.second;
      } else {
        ASSERT_EQ(r, 0);
        ASSERT_EQ(Entry(KeyOf(*e), e->DateiVerweis), *expected) << probe.first << "/" << probe.second;
      }
      const int32_t rank = static_cast<int32_t>(std::distance(model.begin(), expected));
      // Exact up to 1000 pages, estimated above.
      if (tree->GetPageCount() <= 1000) {
        ASSERT_EQ(index->CalcItemSequenceNo(Fill(*e, probe)), rank + 1);
      }
    }
    int64_t items = 0, wrong = 0;
    ASSERT_EQ(index->Check(items, wrong), 0);
    ASSERT_EQ(items, static_cast<int64_t>(model.size()));
    ASSERT_EQ(wrong, 0);
    ASSERT_EQ(index->GetItemCount(), count);
  }

  void Reopen() {
    ASSERT_EQ(index->Close(true), 0);
    index = Create();
    ASSERT_EQ(index->Open(), 0);
  }

  std::unique_ptr<TVxbIndexFile> index;
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
  std::mt19937 rng;
  Model model;
  int32_t count = 0;
};

TEST_P(BTreeModel, RandomChangesAgreeWithAnOrderedSet) {
  const char* large = std::getenv("VEXILO_LARGE_BTREE_TEST");
  const int rounds = large && *large == '1' ? 20 : 1;
  constexpr int kBatch = 400;
  for (int round = 0; round < rounds; ++round) {
    // Grow, shrink to almost nothing, grow again with deletions mixed in.
    for (unsigned share : {80u, 80u, 80u, 80u, 70u, 70u, 20u, 20u, 20u, 20u, 10u, 10u, 60u, 60u, 60u, 60u}) {
      ASSERT_NO_FATAL_FAILURE(Change(kBatch, share));
      ASSERT_NO_FATAL_FAILURE(Verify());
    }
  }
  ASSERT_NO_FATAL_FAILURE(Reopen());
  ASSERT_NO_FATAL_FAILURE(Verify());
  for (unsigned share : {30u, 70u}) {
    ASSERT_NO_FATAL_FAILURE(Change(kBatch, share));
    ASSERT_NO_FATAL_FAILURE(Verify());
  }
  ASSERT_NO_FATAL_FAILURE(Reopen());
  ASSERT_NO_FATAL_FAILURE(Verify());
}

TEST_P(BTreeModel, DeletingEverythingLeavesAnEmptyRootAndReusesEveryPage) {
  for (int32_t k = 0; k < 300; ++k) {
    ASSERT_EQ(index->Add_Index(Fill(*e, {k, 1}), EntrySize()), 0);
  }
  auto* tree = static_cast<TVxbBTree*>(index->BTree());
  const int32_t pages = tree->GetPageCount();
  for (int32_t k = 299; k >= 0; k -= 2) ASSERT_EQ(index->Loesche_Index(Fill(*e, {k, 1})), 0);
  for (int32_t k = 0; k < 300; k += 2) ASSERT_EQ(index->Loesche_Index(Fill(*e, {k, 1})), 0);
  EXPECT_EQ(tree->GetHeight(), 1);
  EXPECT_EQ(index->Erster_Index(*e), 1);
  for (int32_t k = 0; k < 300; ++k) {
    ASSERT_EQ(index->Add_Index(Fill(*e, {k, 1}), EntrySize()), 0);
  }
  EXPECT_EQ(tree->GetPageCount(), pages);
  int64_t items = 0, wrong = 0;
  ASSERT_EQ(index->Check(items, wrong), 0);
  EXPECT_EQ(items, 300);
  EXPECT_TRUE(Errors.empty());
}

INSTANTIATE_TEST_SUITE_P(PageSizes, BTreeModel,
                         ::testing::Values(Config{"Order2", 5, 64, false}, Config{"Order1Wide", 5, 64, true},
                                           Config{"Order3Wide", 6, 128, true}, Config{"Order10", 4, 256, false},
                                           Config{"OldFormatOrder3Wide", 1, 128, true},
                                           Config{"OldFormatOrder6", 3, 128, false}),
                         [](const ::testing::TestParamInfo<Config>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexilo::index::testing
