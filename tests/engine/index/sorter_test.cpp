// The in-memory sorter of bulk index builds: elements come out in the
// comparison's order, whatever order they went in, and the end of the data
// is signalled.
#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/index/sorter.h"
#include "engine/types/memory.h"

namespace vexilo::index {
namespace {

using types::TvwMemory;

// Orders 4-byte little-endian numbers; descending when the context says so.
bool LessInt(const uint8_t* a, size_t, const uint8_t* b, size_t, const void* sortVar, types::TStrCmpOptions) {
  const bool descending = sortVar != nullptr && *static_cast<const bool*>(sortVar);
  const int32_t x = TvwMemory::ReadInt32(a, 0);
  const int32_t y = TvwMemory::ReadInt32(b, 0);
  return descending ? y < x : x < y;
}

std::vector<int32_t> Drain(TVxbSorter& sorter) {
  std::vector<int32_t> out;
  uint8_t buffer[4];
  while (sorter.FromSort(buffer, sizeof buffer) == 4) out.push_back(TvwMemory::ReadInt32(buffer, 0));
  return out;
}

void Put(TVxbSorter& sorter, int32_t v) {
  uint8_t buffer[4];
  TvwMemory::WriteInt32(buffer, 0, v);
  ASSERT_TRUE(sorter.ToSort(buffer, 4));
}

TEST(Sorter, ElementsComeOutInOrderWhateverTheirCount) {
  std::mt19937 rng(7);
  for (int count : {0, 1, 2, 3, 7, 64, 1000, 30001}) {
    SCOPED_TRACE(count);
    TVxbSorter sorter;
    sorter.InitSort();
    std::vector<int32_t> values;
    for (int i = 0; i < count; ++i) {
      values.push_back(static_cast<int32_t>(rng() % 5000) - 2500);  // with repeats
      Put(sorter, values.back());
    }
    EXPECT_EQ(sorter.Count(), static_cast<size_t>(count));
    EXPECT_EQ(sorter.DataSize(), static_cast<size_t>(count) * 4);
    sorter.SortStart(LessInt);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(Drain(sorter), values);
    EXPECT_TRUE(sorter.SortError);
  }
}

// Equal keys keep the order they went in, in one thread or two: 8-byte
// elements, a key in the first four bytes and the insertion number after it.
// With a first-glance prefix that agrees with the comparison (the key's
// tens), the result is the same.
TEST(Sorter, EqualElementsKeepTheirInsertionOrderInOneThreadOrTwo) {
  for (const bool twoThreads : {false, true}) {
    for (const bool prefix : {false, true}) {
      for (const int count : {5, 20000, 50001}) {
        SCOPED_TRACE(testing::Message() << "two threads " << twoThreads << ", prefix " << prefix << ", " << count
                                        << " elements");
        std::mt19937 rng(11);
        TVxbSorter sorter;
        sorter.SetTwoThreads(twoThreads);
        if (prefix) {
          sorter.SetOrderPrefix([](const uint8_t* data, size_t) -> uint64_t {
            return static_cast<uint64_t>(TvwMemory::ReadInt32(data, 0) / 10);
          });
        }
        sorter.InitSort();
        std::vector<std::pair<int32_t, int32_t>> expected;
        for (int32_t i = 0; i < count; ++i) {
          const auto key = static_cast<int32_t>(rng() % 100);
          uint8_t buffer[8];
          TvwMemory::WriteInt32(buffer, 0, key);
          TvwMemory::WriteInt32(buffer, 4, i);
          ASSERT_TRUE(sorter.ToSort(buffer, 8));
          expected.emplace_back(key, i);
        }
        sorter.SortStart(LessInt);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<int32_t, int32_t>> got;
        uint8_t buffer[8];
        while (sorter.FromSort(buffer, sizeof buffer) == 8) {
          got.emplace_back(TvwMemory::ReadInt32(buffer, 0), TvwMemory::ReadInt32(buffer, 4));
        }
        EXPECT_EQ(got, expected);
      }
    }
  }
}

// A comparison that fails in either thread fails the sort, and the sorter
// is left fit for use.
TEST(Sorter, AFailingComparisonFailsATwoThreadSort) {
  TVxbSorter sorter;
  sorter.SetTwoThreads(true);
  sorter.InitSort();
  for (int32_t i = 0; i < 40000; ++i) Put(sorter, 40000 - i);
  const TVxbSortLess failing = [](const uint8_t* a, size_t, const uint8_t* b, size_t, const void*,
                                  types::TStrCmpOptions) -> bool {
    if (TvwMemory::ReadInt32(a, 0) == 7 || TvwMemory::ReadInt32(b, 0) == 7) throw std::runtime_error("damaged key");
    return TvwMemory::ReadInt32(a, 0) < TvwMemory::ReadInt32(b, 0);
  };
  EXPECT_THROW(sorter.SortStart(failing), std::runtime_error);
  sorter.SortStart(LessInt);
  std::vector<int32_t> drained = Drain(sorter);
  ASSERT_EQ(drained.size(), 40000u);
  EXPECT_TRUE(std::is_sorted(drained.begin(), drained.end()));
}

TEST(Sorter, TheContextReachesTheComparison) {
  TVxbSorter sorter;
  sorter.InitSort();
  const bool descending = true;
  sorter.InitSortVar(&descending);
  for (int32_t v : {3, 1, 4, 1, 5, 9, 2, 6}) Put(sorter, v);
  sorter.SortStart(LessInt);
  EXPECT_EQ(Drain(sorter), (std::vector<int32_t>{9, 6, 5, 4, 3, 2, 1, 1}));
}

TEST(Sorter, ReadingPastTheEndReportsNoElement) {
  TVxbSorter sorter;
  sorter.InitSort();
  EXPECT_TRUE(sorter.SortEmpty());
  Put(sorter, 42);
  EXPECT_FALSE(sorter.SortEmpty());
  sorter.SortStart(LessInt);
  uint8_t buffer[4];
  EXPECT_EQ(sorter.FromSort(buffer, 4), 4);
  EXPECT_FALSE(sorter.SortError);
  EXPECT_EQ(sorter.FromSort(buffer, 4), -1);
  EXPECT_TRUE(sorter.SortError);
  // Back to the start: the element again.
  sorter.ToStart();
  EXPECT_EQ(sorter.FromSort(buffer, 4), 4);
  EXPECT_EQ(TvwMemory::ReadInt32(buffer, 0), 42);
}

TEST(Sorter, UnsortedElementsComeOutInInsertionOrder) {
  TVxbSorter sorter;
  sorter.InitSort();
  for (int32_t v : {5, 2, 8}) Put(sorter, v);
  EXPECT_EQ(Drain(sorter), (std::vector<int32_t>{5, 2, 8}));
}

TEST(Sorter, ElementsOfDifferentSizesKeepTheirBytes) {
  TVxbSorter sorter;
  sorter.InitSort();
  const std::vector<std::string> words = {"pear", "apple", "", "fig", std::string(20000, 'z'), "banana"};
  for (const auto& w : words) ASSERT_TRUE(sorter.ToSort(w.data(), w.size()));
  EXPECT_FALSE(sorter.ToSort(std::string(70000, 'x').data(), 70000));
  sorter.SortStart([](const uint8_t* a, size_t na, const uint8_t* b, size_t nb, const void*, types::TStrCmpOptions) {
    return std::string(reinterpret_cast<const char*>(a), na) < std::string(reinterpret_cast<const char*>(b), nb);
  });
  std::vector<std::string> out;
  std::vector<char> buffer(30000);
  for (int32_t n; (n = sorter.FromSort(buffer.data(), buffer.size())) >= 0;) out.emplace_back(buffer.data(), n);
  std::vector<std::string> expected = words;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(out, expected);
}

TEST(Sorter, WideStringsRoundTrip) {
  TVxbSorter sorter;
  sorter.InitSort();
  ASSERT_TRUE(sorter.WStrToSort(u"\u0151r\u00FCl"));
  ASSERT_TRUE(sorter.WStrToSort(u""));
  std::u16string text;
  ASSERT_TRUE(sorter.WStrFromSort(text));
  EXPECT_EQ(text, u"\u0151r\u00FCl");
  ASSERT_TRUE(sorter.WStrFromSort(text));
  EXPECT_EQ(text, u"");
  EXPECT_FALSE(sorter.WStrFromSort(text));
  EXPECT_TRUE(sorter.SortError);
}

TEST(Sorter, ClearingForgetsEveryElement) {
  TVxbSorter sorter;
  sorter.InitSort();
  for (int32_t v = 0; v < 100; ++v) Put(sorter, v);
  sorter.ClearSort();
  EXPECT_TRUE(sorter.SortEmpty());
  EXPECT_EQ(sorter.Count(), 0u);
  EXPECT_EQ(sorter.DataSize(), 0u);
  Put(sorter, 7);
  sorter.SortStart(LessInt);
  EXPECT_EQ(Drain(sorter), (std::vector<int32_t>{7}));
  sorter.ExitSort();
  EXPECT_TRUE(sorter.SortEmpty());
}

}  // namespace
}  // namespace vexilo::index
