// String comparison speed: the engine collation, the named collation
// "Hungarian" and a plain code-unit comparison, on dictionary-length words
// compared pairwise the way an index search compares a key with the entries
// it passes (pairs that share a prefix). Each iteration is one comparison.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/types/collation.h"

namespace {

using vexilo::types::TStrCmpOptions;
using vexilo::types::TVxbCollation;
using vexilo::types::TVxbResolvedCollation;

struct TWordPair {
  std::u16string a;
  std::u16string b;
};

// English- and Hungarian-looking words of 5 to 40 characters, some of them
// accented, in pairs that share a prefix of random length.
std::vector<TWordPair> MakePairs(const std::u16string& letters) {
  std::mt19937 random(20240611);
  const auto word = [&](size_t length) {
    std::u16string w;
    for (size_t k = 0; k < length; ++k) {
      char16_t c = letters[random() % letters.size()];
      if (c == u' ' && (k == 0 || k + 1 == length)) c = u'e';
      w.push_back(c);
    }
    return w;
  };
  std::vector<TWordPair> pairs;
  for (int k = 0; k < 1024; ++k) {
    const size_t length = 5 + random() % 36;
    TWordPair pair{word(length), {}};
    const size_t shared = random() % (length + 1);
    pair.b = pair.a.substr(0, shared) + word(5 + random() % 36 - std::min<size_t>(shared, 4));
    if (random() % 8 == 0) pair.b = pair.a;  // equal keys
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

const std::vector<TWordPair>& Pairs() {
  static const std::vector<TWordPair> pairs =
      MakePairs(u"aabcdeeefghiijklmnoopqrsssttuvwxyz áéíóöőúüű");
  return pairs;
}

// The same words with the letters every code page in use has (no "ő", "ű"),
// so that ANSI comparisons see the same texts as UTF-16 ones.
const std::vector<TWordPair>& Latin1Pairs() {
  static const std::vector<TWordPair> pairs =
      MakePairs(u"aabcdeeefghiijklmnoopqrsssttuvwxyz áéíóöóúüü");
  return pairs;
}

struct TAnsiPair {
  std::string a;
  std::string b;
};

std::vector<TAnsiPair> AnsiPairs(const TVxbCollation& collation) {
  std::vector<TAnsiPair> pairs;
  for (const TWordPair& p : Latin1Pairs()) pairs.push_back({collation.WideToAnsi(p.a), collation.WideToAnsi(p.b)});
  return pairs;
}

void BM_PlainUtf16Compare(benchmark::State& state) {
  const auto& pairs = Pairs();
  size_t k = 0;
  for (auto _ : state) {
    const TWordPair& p = pairs[k++ & 1023];
    benchmark::DoNotOptimize(p.a.compare(p.b));
  }
}
BENCHMARK(BM_PlainUtf16Compare);

void BM_EngineCollationUtf16(benchmark::State& state) {
  const TVxbCollation& engine = TVxbCollation::Engine();
  const TStrCmpOptions options = TVxbCollation::Resolve(u"").options;
  const auto& pairs = Pairs();
  size_t k = 0;
  for (auto _ : state) {
    const TWordPair& p = pairs[k++ & 1023];
    benchmark::DoNotOptimize(engine.CompareWide(p.a.data(), p.a.size(), p.b.data(), p.b.size(), options));
  }
}
BENCHMARK(BM_EngineCollationUtf16);

void BM_EngineCollationUtf16Latin1(benchmark::State& state) {
  const TVxbCollation& engine = TVxbCollation::Engine();
  const TStrCmpOptions options = TVxbCollation::Resolve(u"").options;
  const auto& pairs = Latin1Pairs();
  size_t k = 0;
  for (auto _ : state) {
    const TWordPair& p = pairs[k++ & 1023];
    benchmark::DoNotOptimize(engine.CompareWide(p.a.data(), p.a.size(), p.b.data(), p.b.size(), options));
  }
}
BENCHMARK(BM_EngineCollationUtf16Latin1);

void BM_HungarianCollationUtf16(benchmark::State& state) {
  const TVxbResolvedCollation hungarian = TVxbCollation::Resolve(u"Hungarian");
  const auto& pairs = Pairs();
  size_t k = 0;
  for (auto _ : state) {
    const TWordPair& p = pairs[k++ & 1023];
    benchmark::DoNotOptimize(hungarian.collation->CompareWide(p.a.data(), p.a.size(), p.b.data(),
                                                              p.b.size(), hungarian.options));
  }
}
BENCHMARK(BM_HungarianCollationUtf16);

void BM_EngineCollationAnsi(benchmark::State& state) {
  const TVxbCollation& engine = TVxbCollation::Engine();
  const TStrCmpOptions options = TVxbCollation::Resolve(u"").options;
  const auto pairs = AnsiPairs(engine);
  size_t k = 0;
  for (auto _ : state) {
    const TAnsiPair& p = pairs[k++ & 1023];
    benchmark::DoNotOptimize(engine.CompareAnsi(p.a.data(), p.a.size(), p.b.data(), p.b.size(), options));
  }
}
BENCHMARK(BM_EngineCollationAnsi);

void BM_HungarianCollationAnsi(benchmark::State& state) {
  const TVxbResolvedCollation hungarian = TVxbCollation::Resolve(u"Hungarian");
  const auto pairs = AnsiPairs(*hungarian.collation);
  size_t k = 0;
  for (auto _ : state) {
    const TAnsiPair& p = pairs[k++ & 1023];
    benchmark::DoNotOptimize(hungarian.collation->CompareAnsi(p.a.data(), p.a.size(), p.b.data(),
                                                              p.b.size(), hungarian.options));
  }
}
BENCHMARK(BM_HungarianCollationAnsi);

}  // namespace
