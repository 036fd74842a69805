// Raw index-key comparison speed: how long one comparison of two index
// entries takes when the keys are the dictionary's kind (a nullable
// WideString of 80 characters in a variable-size level-6 index) under the
// engine collation and under "Hungarian", and when they are Integer keys.
// A plain std::u16string comparison of the same words runs in the same binary
// as the baseline. Each iteration is one comparison.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/types/collation.h"
#include "engine/types/index_key.h"
#include "engine/types/memory.h"

namespace {

using namespace vexilo::types;

constexpr size_t kPairs = 1024;
constexpr int kMaxLength = 80;

struct TKeyBytes {
  std::vector<uint8_t> bytes;
};

struct TWords {
  std::vector<std::u16string> a, b;
};

// Dictionary-length words in pairs that share a prefix, as an index search
// compares a key with the entries it passes.
const TWords& Words() {
  static const TWords words = [] {
    std::mt19937 random(7);
    const std::u16string letters = u"aabcdeeefghiijklmnoopqrsssttuvwxyz áéíóöőúüű";
    const auto word = [&](size_t length) {
      std::u16string w;
      for (size_t k = 0; k < length; ++k) w.push_back(letters[random() % letters.size()]);
      return w;
    };
    TWords w;
    for (size_t k = 0; k < kPairs; ++k) {
      const size_t length = 5 + random() % 36;
      std::u16string a = word(length);
      const size_t shared = random() % (length + 1);
      std::u16string b = a.substr(0, shared) + word(1 + random() % 30);
      w.a.push_back(std::move(a));
      w.b.push_back(std::move(b));
    }
    return w;
  }();
  return words;
}

TVxbKeyLayout WideLayout(const TVxbResolvedCollation& collation) {
  TVxbKeyItemLayout item;
  item.ColumnType = 18;
  item.FieldPosition = 0;
  item.FieldSize = 1 + 2 + 2 * kMaxLength;
  item.ItemSize = item.FieldSize;
  item.HasNullByte = true;
  item.Collation = collation.collation;
  item.CmpOptions = collation.options;
  TVxbKeyLayout layout;
  layout.Level = 6;
  layout.IsVarSize = true;
  layout.Items.push_back(item);
  return layout;
}

TKeyBytes WideKey(const TVxbKeyLayout& layout, const std::u16string& text) {
  std::vector<uint8_t> record(static_cast<size_t>(layout.Items[0].FieldSize), 0);
  record[0] = 1;
  TvwMemory::WriteUInt16(record.data(), 1, static_cast<uint16_t>(text.size()));
  for (size_t i = 0; i < text.size(); ++i) TvwMemory::WriteUInt16(record.data(), 3 + 2 * i, text[i]);
  auto entry = std::make_unique<TVxbLongIndexInfo>();
  const size_t length = BuildIndexKey(layout, record.data(), 1, *entry);
  return {std::vector<uint8_t>(entry->Key, entry->Key + length)};
}

void RunWideKeys(benchmark::State& state, std::u16string_view collationName) {
  const auto layout = WideLayout(TVxbCollation::Resolve(collationName));
  std::vector<TKeyBytes> a, b;
  for (size_t k = 0; k < kPairs; ++k) {
    a.push_back(WideKey(layout, Words().a[k]));
    b.push_back(WideKey(layout, Words().b[k]));
  }
  size_t k = 0;
  for (auto _ : state) {
    const size_t i = k++ & (kPairs - 1);
    benchmark::DoNotOptimize(CompareIndexEntries(layout, 5, a[i].bytes.data(), a[i].bytes.size(), 7,
                                                 b[i].bytes.data(), b[i].bytes.size()));
  }
}

void BM_PlainUtf16Compare(benchmark::State& state) {
  const auto& words = Words();
  size_t k = 0;
  for (auto _ : state) {
    const size_t i = k++ & (kPairs - 1);
    benchmark::DoNotOptimize(words.a[i].compare(words.b[i]));
  }
}
BENCHMARK(BM_PlainUtf16Compare);

void BM_WideStringKeyEngineCollation(benchmark::State& state) { RunWideKeys(state, u"VexBase"); }
BENCHMARK(BM_WideStringKeyEngineCollation);

void BM_WideStringKeyHungarian(benchmark::State& state) { RunWideKeys(state, u"Hungarian"); }
BENCHMARK(BM_WideStringKeyHungarian);

void BM_IntegerKey(benchmark::State& state) {
  TVxbKeyItemLayout item;
  item.ColumnType = 16;
  item.FieldSize = 5;
  item.ItemSize = 5;
  item.HasNullByte = true;
  TVxbKeyLayout layout;
  layout.Items.push_back(item);
  std::mt19937 random(3);
  std::vector<std::array<uint8_t, 5>> keys(kPairs);
  for (auto& key : keys) {
    key[0] = 1;
    TvwMemory::WriteInt32(key.data(), 1, static_cast<int32_t>(random()));
  }
  size_t k = 0;
  for (auto _ : state) {
    const size_t i = k++ & (kPairs - 1);
    const size_t j = (i * 7 + 1) & (kPairs - 1);
    benchmark::DoNotOptimize(CompareIndexEntries(layout, 1, keys[i].data(), 5, 2, keys[j].data(), 5));
  }
}
BENCHMARK(BM_IntegerKey);

}  // namespace
