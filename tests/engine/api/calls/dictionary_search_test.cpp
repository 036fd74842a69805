// Key search on the real dictionary, as the search windows use it: for every
// prefix of 500 headwords sampled evenly from the rows, the nearest search
// on ENG and on HUN must land on the first entry whose key is not smaller
// than the prefix — checked against an independent sort of the same rows by
// ICU's Hungarian collator (accents count, case does not, as the table's
// "Hungarian" collation compares) — also through a filter and a key range.
#include <gtest/gtest.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "engine/api/calls/relation_calls.h"
#include "tests/engine/api/calls/real_dictionary.h"
#include "tests/engine/api/calls/table_call_fixture.h"

namespace vexilo::api::testing {
namespace {

constexpr int16_t kEngField = 1;
constexpr int16_t kHunField = 2;
constexpr int kSampled = 500;

struct TRow {
  int32_t RecNo = 0;
  std::u16string Text[3];  // by field number - 1: ENG, HUN
  std::string Key[2];      // ICU sort keys of ENG and HUN
};

struct TCollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};

class DictionarySearchTest : public TableCallFixture {
 protected:
  void SetUp() override {
    if (!FreeDictInstalled()) GTEST_SKIP() << "Debian's FreeDict eng-hun and hun-eng dictionaries are not installed";
    std::string error;
    const std::string dir = RealDictionaryDir(error);
    ASSERT_FALSE(dir.empty()) << error;
    UErrorCode status = U_ZERO_ERROR;
    FCollator.reset(ucol_open("hu", &status));
    ASSERT_TRUE(U_SUCCESS(status));
    ucol_setStrength(FCollator.get(), UCOL_SECONDARY);

    const int16_t sessionHdl = TSessionList::Instance().CreateSession(fs::u16(dir));
    ASSERT_GT(sessionHdl, 0);
    FHandles.push_back(sessionHdl);
    FSession = TSessionList::Instance().GetLocalSession(sessionHdl);
    ASSERT_EQ(FSession->OpenDb(), 0) << LastError(*FSession);
    // Read only: the dictionary is shared by the tests of the build.
    const int16_t rltnIdx = FSession->Catalog()->AddTable(u"Eng_hun", {}, false, 0);
    ASSERT_GT(rltnIdx, 0) << LastError(*FSession);
    FRltnHdl = static_cast<TVxbRltnHdl>(FSession->Catalog()->CalcRltnHdl(rltnIdx));
    FTable = VxbTableCreate(FRltnHdl, u"search");
    ASSERT_GT(FTable, 0);
    FTables.push_back(FTable);
    ReadRows();
  }

  std::string SortKey(std::u16string_view text) const {
    std::string key(64, '\0');
    for (;;) {
      const int32_t length = ucol_getSortKey(FCollator.get(), text.data(), static_cast<int32_t>(text.size()),
                                             reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
      if (length <= static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));  // without the terminating zero
        return key;
      }
      key.resize(static_cast<size_t>(length));
    }
  }

  // Every row through the table calls, in record-number order, and the two
  // orders of the rows by ICU (equal keys by record number, as an index
  // orders them).
  void ReadRows() {
    ASSERT_EQ(VxbTableSetIndex(FTable, u"", false), 0);
    for (int32_t moved = VxbTableFirst(FTable); moved >= 0; moved = VxbTableMoveBy(FTable, 1)) {
      TRow row;
      row.RecNo = VxbTableGetRecNo(FTable);
      std::vector<uint8_t> record = EmptyRecord(FTable);
      ASSERT_EQ(VxbTableGetRecord(FTable, record.data(), static_cast<int32_t>(record.size())), 0);
      for (const int16_t field : {kEngField, kHunField}) {
        types::TVxbFieldCodec::ReadWideString(record.data(), Layout(FTable, field),
                                              row.Text[field - 1]);
        row.Key[field - 1] = SortKey(row.Text[field - 1]);
      }
      FRows.push_back(std::move(row));
    }
    ASSERT_GT(FRows.size(), 200000U);
    for (const int16_t field : {kEngField, kHunField}) {
      std::vector<size_t>& order = FOrder[field - 1];
      order.resize(FRows.size());
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return FRows[a].Key[field - 1] < FRows[b].Key[field - 1]; });
    }
  }

  // Bounds of the searched column itself (a key range on it): rows outside
  // them are never visible, so the expectation need not test them one by one.
  struct TBounds {
    std::string Lower;
    std::string Upper;  // empty: none
  };

  // The record number of the first row in `field`'s order not smaller than
  // `prefix` for which `visible` holds; 0 when none.
  int32_t Expected(int16_t field, std::u16string_view prefix, const std::function<bool(const TRow&)>& visible,
                   const TBounds& bounds) const {
    const std::vector<size_t>& order = FOrder[field - 1];
    const std::string key = std::max(SortKey(prefix), bounds.Lower);
    auto it = std::lower_bound(order.begin(), order.end(), key,
                               [&](size_t row, const std::string& k) { return FRows[row].Key[field - 1] < k; });
    for (; it != order.end(); ++it) {
      if (!bounds.Upper.empty() && FRows[*it].Key[field - 1] > bounds.Upper) return 0;
      if (!visible || visible(FRows[*it])) return FRows[*it].RecNo;
    }
    return 0;
  }

  // Types every prefix of the sampled headwords of `field` and compares
  // where LocateRec2 lands; the number of prefixes checked.
  int CheckEveryPrefix(const char16_t* indexName, int16_t field, const std::function<bool(const TRow&)>& visible,
                       const TBounds& bounds = {}) {
    int checked = 0;
    int wrong = 0;
    for (int sample = 0; sample < kSampled; ++sample) {
      const TRow& headword = FRows[FRows.size() * static_cast<size_t>(sample) / kSampled];
      const std::u16string& word = headword.Text[field - 1];
      for (size_t length = 1; length <= word.size(); ++length) {
        const std::u16string prefix = word.substr(0, length);
        const std::vector<uint8_t> key = KeyRecord(FTable, field, prefix);
        bool exact = false;
        const int32_t found = VxbTableLocateRec2(FTable, indexName, key.data(), 0, &exact);
        const int32_t expected = Expected(field, prefix, visible, bounds);
        ++checked;
        if (found != expected && ++wrong <= 10) {
          ADD_FAILURE() << "prefix \"" << fs::u8(prefix) << "\" on " << fs::u8(indexName) << ": landed on "
                        << found << " (" << (found > 0 ? fs::u8(FRows[static_cast<size_t>(found - 1)].Text[field - 1]) : "")
                        << "), expected " << expected << " ("
                        << (expected > 0 ? fs::u8(FRows[static_cast<size_t>(expected - 1)].Text[field - 1]) : "") << ")";
        }
        if (found > 0 && found == expected) {
          const bool equal = SortKey(FRows[static_cast<size_t>(found - 1)].Text[field - 1]) == SortKey(prefix);
          if (exact != equal && ++wrong <= 10) ADD_FAILURE() << "exact flag for \"" << fs::u8(prefix) << "\"";
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    return checked;
  }

  std::unique_ptr<UCollator, TCollatorCloser> FCollator;
  TVxbTableHdl FTable = 0;
  std::vector<TRow> FRows;  // FRows[n - 1] is record n
  std::vector<size_t> FOrder[2];
};

TEST_F(DictionarySearchTest, NearestSearchLandsOnTheFirstEntryNotSmallerThanEachPrefix) {
  for (const bool inEngOrder : {true, false}) {
    SCOPED_TRACE(inEngOrder ? "cursor in ENG order" : "cursor in HUN order");
    ASSERT_EQ(VxbTableSetIndex(FTable, inEngOrder ? u"ENG" : u"HUN", false), 0);
    EXPECT_GT(CheckEveryPrefix(u"ENG", kEngField, nullptr), kSampled);
    EXPECT_GT(CheckEveryPrefix(u"HUN", kHunField, nullptr), kSampled);
  }
}

TEST_F(DictionarySearchTest, NearestSearchSkipsWhatTheFilterHides) {
  // The filter is on the other column than the one searched, so that the
  // rows it hides are spread over the whole order searched. The condition
  // compares in the column's collation.
  const std::string m = SortKey(u"m");
  struct TCase {
    const char16_t* Index;
    int16_t Field;
    const char16_t* Condition;
    int16_t FilteredField;
  };
  for (const TCase& c : {TCase{u"ENG", kEngField, u"HUN >= 'm'", kHunField},
                         TCase{u"HUN", kHunField, u"ENG >= 'm'", kEngField}}) {
    const auto passes = [&](const TRow& row) { return row.Key[c.FilteredField - 1] >= m; };
    for (const int32_t mode : {1, 15}) {
      SCOPED_TRACE(std::string(mode == 1 ? "static" : "incremental") + " filter, search on " + fs::u8(c.Index));
      ASSERT_EQ(VxbTableSetIndex(FTable, u"ENG", false), 0);
      ASSERT_EQ(VxbTableSetSQLFilter(FTable, c.Condition, mode, false), 0);
      EXPECT_GT(CheckEveryPrefix(c.Index, c.Field, passes), kSampled);
      ASSERT_EQ(VxbTableSetSQLFilter(FTable, u"", mode, false), 0);
    }
  }
}

TEST_F(DictionarySearchTest, NearestSearchStaysInsideTheKeyRange) {
  ASSERT_EQ(VxbTableSetIndex(FTable, u"ENG", false), 0);
  const std::vector<uint8_t> lower = KeyRecord(FTable, kEngField, u"f");
  const std::vector<uint8_t> upper = KeyRecord(FTable, kEngField, u"p");
  ASSERT_EQ(VxbTableSetRange(FTable, lower.data(), upper.data(), static_cast<int32_t>(lower.size()), 1, 1), 0);
  const std::string f = SortKey(u"f"), p = SortKey(u"p");
  const auto inside = [&](const TRow& row) { return row.Key[kEngField - 1] >= f && row.Key[kEngField - 1] <= p; };
  EXPECT_GT(CheckEveryPrefix(u"ENG", kEngField, inside, {f, p}), kSampled);
  EXPECT_GT(CheckEveryPrefix(u"HUN", kHunField, inside), kSampled);
}

}  // namespace
}  // namespace vexilo::api::testing

namespace vexilo::api::testing {
namespace {

// Counting the visible records walks them only on tables below 10,000
// records; the dictionary has more, so a range or an incremental filter
// leaves the count unknown, while the index, a static filter's list and the
// table give theirs.
TEST_F(DictionarySearchTest, CountsAreKnownOnlyWhereTheyNeedNoWalk) {
  TVxbTableInfo info;
  ASSERT_EQ(VxbRltnGetTableInfo(FRltnHdl, info), 0);
  EXPECT_EQ(std::u16string(info.Language), u"Hungarian");

  const auto count = static_cast<int32_t>(FRows.size());
  ASSERT_EQ(VxbTableSetIndex(FTable, u"", false), 0);
  EXPECT_EQ(VxbTableGetRowCount(FTable), count);
  ASSERT_EQ(VxbTableSetIndex(FTable, u"ENG", false), 0);
  EXPECT_EQ(VxbTableGetRowCount(FTable), count);

  const std::vector<uint8_t> lower = KeyRecord(FTable, kEngField, u"f");
  const std::vector<uint8_t> upper = KeyRecord(FTable, kEngField, u"g");
  ASSERT_EQ(VxbTableSetRange(FTable, lower.data(), upper.data(), static_cast<int32_t>(lower.size()), 1, 1), 0);
  EXPECT_EQ(VxbTableGetRowCount(FTable), -1);
  ASSERT_EQ(VxbTableClearRange(FTable), 0);

  ASSERT_EQ(VxbTableSetSQLFilter(FTable, u"ENG = 'apple'", 15, false), 0);
  EXPECT_EQ(VxbTableGetRowCount(FTable), -1);
  ASSERT_EQ(VxbTableSetSQLFilter(FTable, u"ENG = 'apple'", 1, false), 0);
  const std::string apple = SortKey(u"apple");
  const auto apples = std::count_if(FRows.begin(), FRows.end(), [&](const TRow& row) { return row.Key[0] == apple; });
  EXPECT_GT(apples, 0);
  EXPECT_EQ(VxbTableGetRowCount(FTable), apples);
}

}  // namespace
}  // namespace vexilo::api::testing
