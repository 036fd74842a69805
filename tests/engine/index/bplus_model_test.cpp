// Random insertions and deletions of string entries checked against an
// ordered set: values of random length (empty strings and nulls included),
// equal keys under different record numbers, and keys that differ only in
// case or accents, under the engine collation and under "Hungarian". After
// every batch the walks in both directions, exact and nearest searches,
// sequence numbers, the entry counts and the tree check must agree with the
// model; then the file is closed, opened again, checked and changed further.
//
// Small pages make trees up to five levels high, so splits, merges and
// root collapses happen at every height. Set VEXILO_LARGE_BPLUS_TEST=1 for a
// twenty times longer run.
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <random>
#include <set>
#include <vector>

#include "tests/engine/index/bplus_test_support.h"

namespace vexilo::index::testing {
namespace {

struct Config {
  const char* name;
  int16_t type;        // WideString or String
  int32_t maxLength;  // characters
  const char16_t* collation;
  int32_t pageSize;
  int minHeight;  // the tree grows at least this high
};

void PrintTo(const Config& config, std::ostream* os) { *os << config.name; }

struct ModelEntry {
  std::vector<uint8_t> key;
  int32_t record;
  friend bool operator==(const ModelEntry&, const ModelEntry&) = default;
};

void PrintTo(const ModelEntry& entry, std::ostream* os) {
  *os << "#" << entry.record << " [";
  for (uint8_t b : entry.key) *os << static_cast<int>(b) << ' ';
  *os << ']';
}

// The index's own order over the model's entries.
struct ModelLess {
  const types::TVxbKeyLayout* layout;
  bool operator()(const ModelEntry& a, const ModelEntry& b) const {
    return types::CompareIndexEntries(*layout, a.record, a.key.data(), a.key.size(), b.record, b.key.data(),
                                      b.key.size()) < 0;
  }
};

class BPlusModel : public BPlusFixture, public ::testing::WithParamInterface<Config> {
 protected:
  void SetUp() override {
    const Config& c = GetParam();
    column = std::make_unique<StringColumn>(c.type, c.maxLength, true, c.collation);
    index = NewStringIndex("model", *column, c.pageSize);
    layout = index->GetKeyLayout();
    rng.seed(20240717u + static_cast<unsigned>(c.pageSize) + static_cast<unsigned>(c.maxLength) * 7u);
  }

  // Mostly short values drawn from letters that collide under the
  // collations: case and accent variants, and Hungarian double letters.
  StringValue RandomValue() {
    if (rng() % 25 == 0) return std::nullopt;
    static const std::u16string kPieces[] = {u"a", u"A", u"á", u"Á", u"b", u"c", u"cs", u"Cs", u"e", u"é",
                                             u"o", u"ö", u"ő", u"Ő", u"s", u"sz", u"SZ", u"z", u" ", u"-"};
    const int32_t max = GetParam().maxLength;
    const int32_t length = rng() % 4 == 0 ? static_cast<int32_t>(rng() % (max + 1)) : static_cast<int32_t>(rng() % 4);
    std::u16string value;
    while (static_cast<int32_t>(value.size()) < length) value += kPieces[rng() % std::size(kPieces)];
    value.resize(static_cast<size_t>(length));
    return value;
  }
  ModelEntry Random(int32_t record) {
    const size_t size = MakeEntry(*index, *column, RandomValue(), record, *e);
    return {std::vector<uint8_t>(e->Key, e->Key + size - 4), record};
  }
  size_t Fill(const ModelEntry& entry) {
    e->DateiVerweis = entry.record;
    std::memcpy(e->Key, entry.key.data(), entry.key.size());
    return 4 + entry.key.size();
  }
  ModelEntry Current() const {
    return {std::vector<uint8_t>(e->Key, e->Key + KeyLength(*index, *e)), e->DateiVerweis};
  }
  ModelEntry AnyOfModel() { return *std::next(model.begin(), static_cast<long>(rng() % model.size())); }

  // `ops` changes, inserting with probability `insertShare` percent.
  void Change(int ops, unsigned insertShare) {
    for (int i = 0; i < ops; ++i) {
      if (rng() % 100 < insertShare || model.empty()) {
        const ModelEntry entry = Random(static_cast<int32_t>(1 + rng() % 8));
        ASSERT_EQ(index->Add_Index(*e, Fill(entry)), 0);
        model.insert(entry);
        ++count;
      } else {
        const ModelEntry entry = rng() % 5 != 0 ? AnyOfModel() : Random(static_cast<int32_t>(1 + rng() % 8));
        Fill(entry);
        ASSERT_EQ(index->Loesche_Index(*e), 0);
        model.erase(entry);
        --count;
      }
    }
  }

  void Verify() {
    ASSERT_TRUE(Errors.empty()) << Errors.front().code;
    std::vector<ModelEntry> forwards, backwards;
    for (int16_t r = index->Erster_Index(*e); r == 0 && forwards.size() <= model.size();
         r = index->Naechster_Index(*e)) {
      forwards.push_back(Current());
    }
    for (int16_t r = index->Letzter_Index(*e); r == 0 && backwards.size() <= model.size();
         r = index->Vorheriger_Index(*e)) {
      backwards.push_back(Current());
    }
    ASSERT_EQ(forwards, std::vector<ModelEntry>(model.begin(), model.end()));
    ASSERT_EQ(backwards, std::vector<ModelEntry>(model.rbegin(), model.rend()));

    for (int i = 0; i < 30; ++i) {
      // Record 0 asks for the first entry of a key; existing entries must be
      // found exactly.
      ModelEntry probe = Random(i % 3 == 0 ? 0 : static_cast<int32_t>(1 + rng() % 9));
      if (i % 3 == 1 && !model.empty()) probe = AnyOfModel();
      const auto expected = model.lower_bound(probe);
      Fill(probe);
      const int16_t r = index->Suche_Index(*e);
      if (expected == model.end()) {
        ASSERT_EQ(r, 1);
      } else {
        ASSERT_EQ(r, 0);
        ASSERT_EQ(Current(), *expected);
      }
      // Present under the index's order (case or accents may differ).
      const bool present = expected != model.end() && !model.key_comp()(probe, *expected);
      const auto rank = std::distance(model.begin(), expected);
      Fill(probe);
      ASSERT_EQ(index->CalcItemSequenceNo(*e), present ? rank + 1 : 0);
    }
    int64_t items = 0, wrong = 0;
    ASSERT_EQ(index->Check(items, wrong), 0);
    ASSERT_EQ(items, static_cast<int64_t>(model.size()));
    ASSERT_EQ(wrong, 0);
    ASSERT_EQ(index->GetItemCount(), count);
    ASSERT_EQ(Tree(*index).GetItemCount(), static_cast<int64_t>(model.size()));
  }

  void Reopen() {
    ASSERT_EQ(index->Close(true), 0);
    index = MakeStringIndex("model", *column);
    ASSERT_EQ(index->Open(), 0);
  }

  std::unique_ptr<StringColumn> column;
  std::unique_ptr<TVxbIndexFile> index;
  types::TVxbKeyLayout layout;
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
  std::mt19937 rng;
  std::set<ModelEntry, ModelLess> model{ModelLess{&layout}};
  int32_t count = 0;
};

TEST_P(BPlusModel, RandomChangesAgreeWithAnOrderedSet) {
  const char* large = std::getenv("VEXILO_LARGE_BPLUS_TEST");
  const int rounds = large && *large == '1' ? 20 : 1;
  constexpr int kBatch = 1000;
  int maxHeight = 0;
  for (int round = 0; round < rounds; ++round) {
    // Grow, shrink to almost nothing, grow again with deletions mixed in.
    for (unsigned share : {80u, 80u, 80u, 80u, 70u, 70u, 20u, 20u, 20u, 20u, 10u, 10u, 60u, 60u, 60u, 60u}) {
      ASSERT_NO_FATAL_FAILURE(Change(kBatch, share));
      ASSERT_NO_FATAL_FAILURE(Verify());
      maxHeight = std::max<int>(maxHeight, Tree(*index).GetHeight());
    }
  }
  EXPECT_GE(maxHeight, GetParam().minHeight);
  ASSERT_NO_FATAL_FAILURE(Reopen());
  ASSERT_NO_FATAL_FAILURE(Verify());
  for (unsigned share : {30u, 70u}) {
    ASSERT_NO_FATAL_FAILURE(Change(kBatch, share));
    ASSERT_NO_FATAL_FAILURE(Verify());
  }
  ASSERT_NO_FATAL_FAILURE(Reopen());
  ASSERT_NO_FATAL_FAILURE(Verify());
}

// Walks in both directions with other operations between their steps:
// insertions and deletions anywhere (the neighbour about to be reached, and
// the entry the walk stands on, included), searches and sequence numbers
// that move the tree's path elsewhere, and a flush. Each step must hand out
// the model's neighbour of the entry the walk stands on; a step from an
// entry that was deleted finds nothing (-1), and the walk goes on from the
// nearest entry.
TEST_P(BPlusModel, WalksAgreeWithTheModelAcrossChangesBetweenSteps) {
  ASSERT_NO_FATAL_FAILURE(Change(1500, 80));
  auto other = std::make_unique<TVxbLongIndexInfo>();
  const auto fillOther = [&](const ModelEntry& entry) {
    other->DateiVerweis = entry.record;
    std::memcpy(other->Key, entry.key.data(), entry.key.size());
    return 4 + entry.key.size();
  };
  for (const bool forwards : {true, false}) {
    int16_t r = forwards ? index->Erster_Index(*e) : index->Letzter_Index(*e);
    int steps = 0;
    while (r == 0) {
      ASSERT_LT(++steps, 20000);
      ModelEntry current = Current();
      ASSERT_TRUE(model.count(current)) << ::testing::PrintToString(current);
      bool currentGone = false;
      switch (rng() % 12) {
        case 0: {  // an insertion somewhere
          const ModelEntry entry = Random(static_cast<int32_t>(1 + rng() % 8));
          Fill(current);  // Random builds its entry in the walk's buffer
          ASSERT_EQ(index->Add_Index(*other, fillOther(entry)), 0);
          model.insert(entry);
          ++count;
          break;
        }
        case 1: {  // the neighbour the step would reach goes
          auto it = model.find(current);
          if (forwards) ++it;
          else if (it != model.begin()) --it;
          else break;
          if (it == model.end()) break;
          fillOther(*it);
          ASSERT_EQ(index->Loesche_Index(*other), 0);
          model.erase(it);
          --count;
          break;
        }
        case 2: {  // the entry the walk stands on goes
          fillOther(current);
          ASSERT_EQ(index->Loesche_Index(*other), 0);
          model.erase(current);
          --count;
          currentGone = true;
          break;
        }
        case 6:
        case 7: {  // entries on both sides go, so that leaves merge
          std::vector<ModelEntry> doomed;
          auto after = std::next(model.find(current));
          for (int k = 0; k < 3 && after != model.end(); ++k) doomed.push_back(*after++);
          auto before = model.find(current);
          for (int k = 0; k < 3 && before != model.begin(); ++k) doomed.push_back(*--before);
          for (const ModelEntry& entry : doomed) {
            fillOther(entry);
            ASSERT_EQ(index->Loesche_Index(*other), 0);
            model.erase(entry);
            --count;
          }
          break;
        }
        case 3: {  // a search elsewhere moves the path
          fillOther(Random(0));
          Fill(current);
          index->Suche_Index(*other);
          break;
        }
        case 4:
          fillOther(AnyOfModel());
          index->CalcItemSequenceNo(*other);
          break;
        case 5:
          ASSERT_EQ(index->Flush(), 0);
          break;
        default:
          break;
      }
      r = forwards ? index->Naechster_Index(*e) : index->Vorheriger_Index(*e);
      if (currentGone) {
        ASSERT_EQ(r, -1);
        if (model.empty()) break;
        // Go on from the entry after (before) the deleted one.
        Fill(current);
        auto it = model.lower_bound(current);
        if (!forwards) {
          if (it == model.begin()) break;
          --it;
        } else if (it == model.end()) {
          break;
        }
        Fill(*it);
        r = 0;
        Errors.clear();
        continue;
      }
      auto expected = model.find(current);
      if (forwards) {
        ++expected;
        if (expected == model.end()) {
          ASSERT_EQ(r, 1);
          break;
        }
      } else {
        if (expected == model.begin()) {
          ASSERT_EQ(r, 1);
          break;
        }
        --expected;
      }
      ASSERT_EQ(r, 0);
      ASSERT_EQ(Current(), *expected);
    }
  }
  ASSERT_NO_FATAL_FAILURE(Verify());
}

// Every page a deletion frees is either cut off the end of the file or on
// the free chain, and insertions take pages from the chain again.
TEST_P(BPlusModel, DeletingEverythingFreesEveryPage) {
  std::vector<ModelEntry> entries;
  for (int i = 0; i < 800; ++i) {
    entries.push_back(Random(i + 1));
    ASSERT_EQ(index->Add_Index(*e, Fill(entries.back())), 0);
  }
  TVxbBPlusTree& tree = Tree(*index);
  const int32_t grown = tree.GetPageCount();
  std::shuffle(entries.begin(), entries.end(), rng);
  for (const ModelEntry& entry : entries) {
    Fill(entry);
    ASSERT_TRUE(tree.Delete(*e));
  }
  EXPECT_EQ(tree.GetHeight(), 0);
  EXPECT_EQ(tree.GetRootPage(), 0);
  EXPECT_EQ(index->Suche_Index(*e), 1);
  EXPECT_EQ(index->Erster_Index(*e), 1);
  int32_t chained = 0;
  for (int32_t page = tree.GetFirstFreePage(); page != 0 && chained < grown; ++chained) {
    page = index->Storage().ReadPage(page)->ReadInt32(0);
  }
  const int32_t emptied = tree.GetPageCount();
  EXPECT_EQ(emptied, 1 + chained);
  for (const ModelEntry& entry : entries) ASSERT_TRUE(tree.Insert(*e, Fill(entry)));
  // The file grew only once the chain was used up.
  if (tree.GetPageCount() > emptied) {
    EXPECT_EQ(tree.GetFirstFreePage(), 0);
  }
  int64_t items = 0, wrong = 0;
  ASSERT_EQ(index->Check(items, wrong), 0);
  EXPECT_EQ(items, 800);
  EXPECT_EQ(wrong, 0);
}

// A bulk build hands sorted batches over: the first into an empty tree,
// later ones spread over keys already there (entries equal to stored ones
// included). Each batch must end up exactly as single insertions would.
TEST_P(BPlusModel, SortedBatchesGoInAsSingleInsertionsWould) {
  for (const int batchSize : {1500, 700, 900}) {
    std::vector<ModelEntry> batch;
    for (int i = 0; i < batchSize; ++i) batch.push_back(Random(static_cast<int32_t>(1 + rng() % 8)));
    if (!model.empty()) {
      for (int i = 0; i < 20; ++i) batch.push_back(AnyOfModel());
    }
    std::sort(batch.begin(), batch.end(), ModelLess{&layout});
    size_t next = 0;
    ASSERT_EQ(index->BulkInsert(static_cast<int64_t>(batch.size()),
                                [&](TVxbLongIndexInfo& out) -> size_t {
                                  if (next == batch.size()) return 0;
                                  const ModelEntry& entry = batch[next++];
                                  out.DateiVerweis = entry.record;
                                  std::memcpy(out.Key, entry.key.data(), entry.key.size());
                                  return 4 + entry.key.size();
                                },
                                nullptr),
              0);
    // The entry count counts every entry handed over, as Add_Index does.
    model.insert(batch.begin(), batch.end());
    count += static_cast<int32_t>(batch.size());
    ASSERT_NO_FATAL_FAILURE(Verify());
  }
  ASSERT_NO_FATAL_FAILURE(Reopen());
  ASSERT_NO_FATAL_FAILURE(Verify());
}

INSTANTIATE_TEST_SUITE_P(
    Collations, BPlusModel,
    ::testing::Values(Config{"EngineWideSmallPages", types::vxbWideString, 24, u"", 256, 4},
                      Config{"HungarianWideSmallPages", types::vxbWideString, 24, u"Hungarian", 256, 4},
                      Config{"EngineAnsiSmallPages", types::vxbString, 30, u"", 512, 3},
                      Config{"EngineWide80", types::vxbWideString, 80, u"", 4096, 2},
                      Config{"HungarianWide80", types::vxbWideString, 80, u"Hungarian", 4096, 2}),
    [](const ::testing::TestParamInfo<Config>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexilo::index::testing
