// Building indexes from a table's records, the bulk insertion with its
// progress, opening indexes on demand with the silent rebuild of automatic
// indexes, and the uniqueness test before a record is written. A small
// table of Integer records stands in for the table layer.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "engine/errors/engine_exception.h"
#include "engine/index/index_build.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using Entries = std::vector<std::pair<int32_t, int32_t>>;

// Records with one Integer column; record n has the key keys[n - 1].
class TestTable : public TVxbIndexedTable {
 public:
  explicit TestTable(const TestColumns& columns) : FColumns(columns) {}
  int16_t Level() const override { return 5; }
  const TVxbIndexColumns& Columns() const override { return FColumns; }
  int64_t Capacity() const override { return 1000; }
  int16_t ReadLock() override {
    if (refuseLocks) return -104;
    ++readLocks;
    ++held;
    return 0;
  }
  void EndReadLock() override { --held; }
  int16_t WriteLock() override {
    if (refuseLocks) return -104;
    ++writeLocks;
    ++held;
    return 0;
  }
  void EndWriteLock() override { --held; }
  int32_t RecordCount() override { return static_cast<int32_t>(keys.size()); }
  size_t BuildEntry(const TVxbIndexFile&, int32_t recordNo, TVxbLongIndexInfo& entry) override {
    entry.DateiVerweis = recordNo;
    types::TvwMemory::WriteInt32(entry.Key, 0, keys[recordNo - 1]);
    return 8;
  }
  bool DeriveIndexDefinition(const TVxbIndexFile&, TVxbSortDef& def) override {
    if (!canDerive) return false;
    def = DefinitionOver(FColumns, {1});
    return true;
  }
  // Every (key, record) in index order.
  Entries Sorted() const {
    Entries out;
    for (size_t i = 0; i < keys.size(); ++i) out.emplace_back(keys[i], static_cast<int32_t>(i + 1));
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<int32_t> keys;
  bool refuseLocks = false;
  bool canDerive = true;
  int readLocks = 0;
  int writeLocks = 0;
  int held = 0;

 private:
  const TestColumns& FColumns;
};

class IndexBuild : public IndexFixture {
 protected:
  IndexBuild() : table(IntColumns) {
    std::mt19937 rng(3);
    for (int i = 0; i < 3000; ++i) table.keys.push_back(static_cast<int32_t>(rng() % 700));
  }
  std::unique_ptr<TVxbIndexFile> Index(const std::string& name) {
    return MakeIndex(name, 5, IntColumns, DefinitionOver(IntColumns, {1}));
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Dir.File(name)); }

  TestTable table;
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

TEST_F(IndexBuild, ANewIndexHoldsEveryRecordInKeyOrder) {
  std::vector<std::pair<int64_t, int64_t>> progress;
  auto index = Index("built");
  const auto recordProgress = [&](int64_t done, int64_t total) { progress.emplace_back(done, total); };
  ASSERT_EQ(BuildIndex(*index, table, false, 0, recordProgress), 0);
  EXPECT_FALSE(index->IsOpen);
  EXPECT_EQ(table.readLocks, 1);
  EXPECT_EQ(table.writeLocks, 0);
  EXPECT_EQ(table.held, 0);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), std::make_pair(int64_t{0}, int64_t{3000}));
  EXPECT_EQ(progress.back(), std::make_pair(int64_t{3000}, int64_t{3000}));
  ASSERT_EQ(index->Open(), 0);
  EXPECT_EQ(Walk(*index), table.Sorted());
  EXPECT_EQ(index->GetItemCount(), 3000);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(IndexBuild, SmallBatchesGiveTheSameIndex) {
  auto index = Index("batches");
  // 100 entries per batch: thirty sorted runs inserted one after the other.
  ASSERT_EQ(BuildIndex(*index, table, false, 0, nullptr, false, 800), 0);
  EXPECT_TRUE(index->IsOpen);
  EXPECT_EQ(Walk(*index), table.Sorted());
  int64_t items = 0, wrong = 0;
  ASSERT_EQ(index->Check(items, wrong), 0);
  EXPECT_EQ(items, 3000);
}

TEST_F(IndexBuild, ARepairEmptiesTheIndexAndRebuildsItUnderTheWriteLock) {
  auto index = NewIntIndex("repair", 512);
  AddAll(*index, {{5000, 1}, {-4, 77}});
  ASSERT_EQ(BuildIndex(*index, table, true, 0, nullptr, false), 0);
  EXPECT_EQ(table.writeLocks, 1);
  EXPECT_EQ(table.readLocks, 0);
  EXPECT_EQ(Walk(*index), table.Sorted());
  EXPECT_EQ(index->GetItemCount(), 3000);
}

TEST_F(IndexBuild, AnInvalidDefinitionOrARefusedLockEndsTheBuild) {
  TestColumns memo;
  memo.Add(u"M", types::vxbMemo, 10);
  TVxbSortDef def = DefinitionOver(memo, {1});
  auto bad = MakeIndex("memo", 5, memo, def);
  TestTable memoTable(memo);
  EXPECT_EQ(BuildIndex(*bad, memoTable, false, 0), -98);
  EXPECT_FALSE(Exists("memo.ind"));

  table.refuseLocks = true;
  auto index = Index("locked");
  EXPECT_EQ(BuildIndex(*index, table, false, 0), -104);
  EXPECT_FALSE(index->IsOpen);
}

TEST_F(IndexBuild, BulkInsertionReportsProgressEveryThousandEntries) {
  auto index = NewIntIndex("bulk", 512);
  int32_t next = 0;
  std::vector<std::pair<int64_t, int64_t>> progress;
  ASSERT_EQ(index->BulkInsert(
                2500,
                [&](TVxbLongIndexInfo& entry) -> size_t {
                  if (next == 2500) return 0;
                  ++next;
                  IntEntry(entry, next, next);
                  return 8;
                },
                [&](int64_t done, int64_t total) { progress.emplace_back(done, total); }),
            0);
  const std::vector<std::pair<int64_t, int64_t>> expected = {{0, 2500}, {1000, 2500}, {2000, 2500}, {2500, 2500}};
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(index->GetItemCount(), 2500);
}

TEST_F(IndexBuild, FailuresDuringABulkInsertionAreRecorded) {
  struct Case {
    const char* what;
    bool engine;
    int16_t code;
    std::u16string text;
  };
  for (const Case& c : {Case{"engine exception", true, 19, u"bulk"}, Case{"other exception", false, 52, u"boom"}}) {
    SCOPED_TRACE(c.what);
    auto index = NewIntIndex("bulk", 512);
    Errors.clear();
    int32_t next = 0;
    const int16_t result = index->BulkInsert(10,
                                             [&](TVxbLongIndexInfo& entry) -> size_t {
                                               if (next == 5) {
                                                 if (c.engine) throw errors::EVxbEngine(19, u"x");
                                                 throw std::runtime_error("boom");
                                               }
                                               ++next;
                                               IntEntry(entry, next, next);
                                               return 8;
                                             },
                                             nullptr);
    EXPECT_EQ(result, -c.code);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].code, c.code);
    EXPECT_EQ(Errors[0].text, c.text);
    // What was inserted before the failure stays, and is counted.
    EXPECT_EQ(index->GetItemCount(), 5);
    EXPECT_EQ(Walk(*index).size(), 5u);
  }
}

TEST_F(IndexBuild, AnOpenIndexIsUsedAsItIs) {
  auto index = NewIntIndex("open");
  EXPECT_EQ(OpenIndexOnDemand(*index, table), 0);
  EXPECT_EQ(table.readLocks, 0);
}

TEST_F(IndexBuild, AMissingUserIndexIsLostAndThenCorrupt) {
  auto index = Index("ENG");
  EXPECT_EQ(OpenIndexOnDemand(*index, table), -37);
  EXPECT_TRUE(index->IsLost);
  EXPECT_EQ(OpenIndexOnDemand(*index, table), -95);
  ASSERT_EQ(Errors.size(), 2u);
  EXPECT_EQ(Errors[0].code, 37);
  EXPECT_EQ(Errors[1].code, 95);
  EXPECT_EQ(Errors[1].text, u"ENG");
  EXPECT_EQ(table.held, 0);
}

TEST_F(IndexBuild, AMissingSystemIndexIsRebuiltSilently) {
  auto index = Index("sys_Id");
  index->SetKind(GetIndexKind(u"sys_Id", 5));
  index->SetReadOnly(true);  // a read-only table: the rebuild writes all the same
  ASSERT_EQ(OpenIndexOnDemand(*index, table), 0);
  EXPECT_TRUE(index->IsOpen);
  EXPECT_FALSE(index->IsLost);
  EXPECT_TRUE(Errors.empty());
  EXPECT_TRUE(index->GetReadOnly());
  EXPECT_EQ(Walk(*index), table.Sorted());
  EXPECT_TRUE(Exists("sys_Id.ind"));
  EXPECT_EQ(table.held, 0);
}

TEST_F(IndexBuild, ADamagedSystemIndexIsRebuiltSilently) {
  {
    std::ofstream f(Dir.File("sys_Inr.ind"), std::ios::binary);
    f << std::string(9000, 'x');
  }
  auto index = Index("sys_Inr");
  index->SetKind(tikAdl);
  ASSERT_EQ(OpenIndexOnDemand(*index, table), 0);
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(Walk(*index), table.Sorted());
}

TEST_F(IndexBuild, AStoredDefinitionThatNoLongerFitsTheTable) {
  // Written for a table with a second column that this table lacks.
  TVxbSortDef def = DefinitionOver(WideColumns, {1, 2});
  for (TVxbIndexKind kind : {tikUser, tikConstraint}) {
    SCOPED_TRACE(kind);
    const std::string name = kind == tikUser ? "user" : "sys_Primary";
    auto old = MakeIndex(name, 5, WideColumns, def);
    ASSERT_EQ(old->NewStorage(5, 512), 0);
    ASSERT_EQ(old->Close(true), 0);
    Errors.clear();
    auto index = Index(name);
    index->SetKind(kind);
    const int16_t result = OpenIndexOnDemand(*index, table);
    if (kind == tikUser) {
      EXPECT_EQ(result, -28);
      EXPECT_TRUE(index->IsLost);
      EXPECT_FALSE(index->IsOpen);
      ASSERT_EQ(Errors.size(), 1u);
      EXPECT_EQ(Errors[0].code, 28);
    } else {
      // Derived again from the table and rebuilt.
      EXPECT_EQ(result, 0);
      EXPECT_TRUE(Errors.empty());
      EXPECT_EQ(index->GetIndSize(), 8);
      EXPECT_EQ(Walk(*index), table.Sorted());
    }
  }
}

TEST_F(IndexBuild, ASystemIndexThatCannotBeRebuiltIsLost) {
  table.canDerive = false;
  auto index = Index("sys_In1");
  index->SetKind(tikAdl);
  EXPECT_EQ(OpenIndexOnDemand(*index, table), -37);
  EXPECT_TRUE(index->IsLost);
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].code, 37);
}

TEST_F(IndexBuild, AUniqueIndexRefusesASecondRecordWithTheSameKey) {
  auto index = NewIntIndex("uniq", 512);
  AddAll(*index, {{10, 1}, {20, 2}, {30, 3}});
  // Not unique yet: anything goes.
  EXPECT_EQ(CheckUniqueEntry(*index, IntColumns, IntEntry(*e, 20, 9), 9), 0);
  index->SetUnique(true);
  EXPECT_EQ(CheckUniqueEntry(*index, IntColumns, IntEntry(*e, 20, 9), 9), -30);
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].code, 30);
  EXPECT_EQ(Errors[0].text, u"NR");
  // Rewriting the record that holds the key, and new keys, are accepted.
  EXPECT_EQ(CheckUniqueEntry(*index, IntColumns, IntEntry(*e, 20, 2), 2), 0);
  EXPECT_EQ(CheckUniqueEntry(*index, IntColumns, IntEntry(*e, 25, 9), 9), 0);
  EXPECT_EQ(CheckUniqueEntry(*index, IntColumns, IntEntry(*e, 99, 9), 9), 0);
  // A primary index must be unique as well.
  auto primary = NewIntIndex("prim", 512);
  AddAll(*primary, {{10, 1}});
  primary->SetPrimary(true);
  EXPECT_TRUE(primary->GetMustBeUnique());
  EXPECT_EQ(CheckUniqueEntry(*primary, IntColumns, IntEntry(*e, 10, 2), 2), -30);
}

}  // namespace
}  // namespace vexilo::index::testing
