// B+ tree index speed on real dictionary words: the headwords of Debian's
// English-Hungarian FreeDict dictionary (package dict-freedict-eng-hun, the
// first column of /usr/share/dictd/freedict-eng-hun.index), about 89,000
// English expressions, in a level-6 variable-size index over a nullable
// WideString(80) column, as the dictionary's ENG index is.
// - Keystrokes: for 2,000 sampled headwords, a nearest-key search
//   (Suche_Index) for every prefix as it would be typed, with a warm page
//   cache; in the same run std::map<std::u16string, ...>::lower_bound with a
//   comparator calling the same collation's CompareWide over the same words
//   and prefixes. Reported: the time per search of both and their ratio,
//   under the engine collation and under "Hungarian".
// - The bulk build of all headwords through the sorter, and the index file's
//   size against the raw UTF-16 bytes of the keys and against fixed-width
//   entries.
// The benchmarks skip with a message when the dictionary is not installed.
// Index files go to a fresh temporary directory, or to VEXILO_BENCH_DIR when
// it is set (they are kept there).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_dir.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/page_manager.h"
#include "engine/types/collation.h"
#include "engine/types/column_type.h"
#include "engine/types/index_key.h"
#include "engine/types/memory.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace {

using namespace vexilo;
using index::TVxbIndexColumn;
using index::TVxbIndexFile;
using index::TVxbSortDef;
using types::TVxbLongIndexInfo;
using types::TvwMemory;

constexpr const char* kHeadwordFile = "/usr/share/dictd/freedict-eng-hun.index";
constexpr const char* kMissingMessage =
    "the dictionary is missing: install dict-freedict-eng-hun (apt-get install dict-freedict-eng-hun)";
constexpr size_t kMaxLength = 80;
constexpr int32_t kFieldSize = 1 + 2 + 2 * kMaxLength;  // null byte, length, 80 characters
constexpr size_t kSampledWords = 2000;

const std::string& BenchDir() { return bench::BenchDir("vexilo-bplus-bench"); }

// The headwords in file order (record n holds headwords[n - 1]), cut to 80
// characters; empty when the dictionary is not installed.
const std::vector<std::u16string>& Headwords() {
  static const std::vector<std::u16string> words = [] {
    std::vector<std::u16string> out;
    std::ifstream in(kHeadwordFile);
    std::string line;
    while (std::getline(in, line)) {
      const std::string word = line.substr(0, line.find('\t'));
      if (word.empty() || word.rfind("00database", 0) == 0 || word.rfind("00-database", 0) == 0) continue;
      std::u16string wide = fs::Utf8ToUtf16(word);
      if (wide.size() > kMaxLength) wide.resize(kMaxLength);
      out.push_back(std::move(wide));
    }
    return out;
  }();
  return words;
}

// The ENG column in a collation ("" for the engine's own).
class EngColumn : public index::TVxbIndexColumns {
 public:
  explicit EngColumn(const std::u16string& collation) {
    FColumn.Number = 1;
    FColumn.Name = u"ENG";
    FColumn.TypeCode = types::vxbWideString;
    FColumn.Size = kFieldSize;
    FColumn.HasNullByte = true;
    if (!collation.empty()) {
      const auto resolved = types::TVxbCollation::Resolve(collation);
      FColumn.Collation = resolved.collation;
      FColumn.CmpOptions = resolved.options;
    }
  }
  int ColumnCount() const override { return 1; }
  bool GetColumn(int number, TVxbIndexColumn& column) const override {
    if (number != 1) return false;
    column = FColumn;
    return true;
  }
  int FindColumn(std::u16string_view name) const override { return name == u"ENG" ? 1 : 0; }
  const types::TVxbCollation& Collation() const {
    return FColumn.Collation ? *FColumn.Collation : types::TVxbCollation::Engine();
  }
  types::TStrCmpOptions Options() const { return FColumn.CmpOptions; }

 private:
  TVxbIndexColumn FColumn;
};

// The record field of a value: null byte, length, UTF-16 units.
std::vector<uint8_t> Field(const std::u16string& value) {
  std::vector<uint8_t> field(kFieldSize, 0);
  field[0] = 1;
  TvwMemory::WriteUInt16(field.data(), 1, static_cast<uint16_t>(value.size()));
  for (size_t i = 0; i < value.size(); ++i) TvwMemory::WriteUInt16(field.data(), 3 + 2 * i, value[i]);
  return field;
}

// The headwords as a table for the index build.
class HeadwordTable : public index::TVxbIndexedTable {
 public:
  explicit HeadwordTable(const EngColumn& column) : FColumn(column) {}
  int16_t Level() const override { return 6; }
  const index::TVxbIndexColumns& Columns() const override { return FColumn; }
  int64_t Capacity() const override { return static_cast<int64_t>(Headwords().size()); }
  int16_t ReadLock() override { return 0; }
  void EndReadLock() override {}
  int16_t WriteLock() override { return 0; }
  void EndWriteLock() override {}
  int32_t RecordCount() override { return static_cast<int32_t>(Headwords().size()); }
  size_t BuildEntry(const TVxbIndexFile& index, int32_t recordNo, TVxbLongIndexInfo& entry) override {
    const std::vector<uint8_t> field = Field(Headwords()[static_cast<size_t>(recordNo - 1)]);
    return 4 + types::BuildIndexKey(index.GetKeyLayout(), field.data(), recordNo, entry);
  }
  bool DeriveIndexDefinition(const TVxbIndexFile&, TVxbSortDef&) override { return false; }

 private:
  const EngColumn& FColumn;
};

struct Environment {
  Environment() {
    fileSystem.SetBaseDirectory(fs::u16(BenchDir()));
    manager.RegisterClient(1, 512 * 1024);
  }
  std::unique_ptr<TVxbIndexFile> NewIndex(const std::string& name, const EngColumn& column) {
    auto storage = std::make_unique<index::TVxbClientStorage>(manager, fileSystem, 1);
    auto file = std::make_unique<TVxbIndexFile>(&services, 6, std::move(storage));
    file->SetName(fs::u16(name));
    file->SetFileName(fs::u16(BenchDir() + "/" + name + ".vxbi"));
    file->SetColumns(&column);
    TVxbSortDef def;
    def.Items.push_back({1, types::vxbWideString, kFieldSize, false});
    def.IsVarSize = true;
    file->SetIndexDefinition(def);
    return file;
  }
  errors::TVxbServices services;
  fs::TvwOSFileSystem fileSystem;
  index::TVxbPageManager manager;
};

Environment& Env() {
  static Environment env;
  return env;
}

const EngColumn& Column(int collation) {
  static const EngColumn columns[2] = {EngColumn(u""), EngColumn(u"Hungarian")};
  return columns[collation];
}

// The ENG index of a collation, built once and kept open.
TVxbIndexFile& SearchIndex(int collation) {
  static std::unique_ptr<TVxbIndexFile> files[2];
  auto& file = files[collation];
  if (!file) {
    file = Env().NewIndex(collation == 0 ? "eng_search" : "eng_search_hungarian", Column(collation));
    HeadwordTable table(Column(collation));
    if (index::BuildIndex(*file, table, false, 0, nullptr, false) != 0) std::abort();
  }
  return *file;
}

// Every prefix of 2,000 headwords sampled with a fixed seed, as typed.
const std::vector<std::u16string>& Keystrokes() {
  static const std::vector<std::u16string> prefixes = [] {
    std::vector<std::u16string> out;
    const auto& words = Headwords();
    std::mt19937 rng(2024);
    for (size_t i = 0; i < kSampledWords && !words.empty(); ++i) {
      const std::u16string& word = words[rng() % words.size()];
      for (size_t n = 1; n <= word.size(); ++n) out.push_back(word.substr(0, n));
    }
    return out;
  }();
  return prefixes;
}

// CPU time of the calling thread, in nanoseconds.
double ThreadNanos() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

template <class F>
double NanosPerSearch(size_t count, const F& search) {
  const double start = ThreadNanos();
  for (size_t i = 0; i < count; ++i) search(i);
  return (ThreadNanos() - start) / static_cast<double>(count);
}

void BM_Keystrokes(benchmark::State& state) {
  if (Headwords().empty()) {
    state.SkipWithError(kMissingMessage);
    return;
  }
  const int collation = static_cast<int>(state.range(0));
  TVxbIndexFile& file = SearchIndex(collation);
  const auto& prefixes = Keystrokes();
  // The search keys, built as the cursor builds them: record number 0.
  std::vector<std::vector<uint8_t>> keys;
  auto entry = file.CreateLongIndexInfo();
  for (const auto& prefix : prefixes) {
    const std::vector<uint8_t> field = Field(prefix);
    const size_t size = types::BuildIndexKey(file.GetKeyLayout(), field.data(), 0, *entry);
    keys.emplace_back(entry->Key, entry->Key + size);
  }
  const auto treeSearch = [&](size_t i) {
    const auto& key = keys[i];
    entry->DateiVerweis = 0;
    std::memcpy(entry->Key, key.data(), key.size());
    benchmark::DoNotOptimize(file.Suche_Index(*entry));
  };
  size_t n = 0;
  for (auto _ : state) treeSearch(n++ % keys.size());

  // The same searches in a std::map ordered by the same collation.
  const EngColumn& column = Column(collation);
  const types::TVxbCollation& coll = column.Collation();
  const types::TStrCmpOptions options = column.Options();
  const auto less = [&coll, options](const std::u16string& a, const std::u16string& b) {
    return coll.CompareWide(a.data(), a.size(), b.data(), b.size(), options) < 0;
  };
  std::map<std::u16string, int32_t, decltype(less)> map(less);
  for (size_t i = 0; i < Headwords().size(); ++i) map.emplace(Headwords()[i], static_cast<int32_t>(i + 1));
  const auto mapSearch = [&](size_t i) { benchmark::DoNotOptimize(map.lower_bound(prefixes[i])); };

  double treeNs = 1e300, mapNs = 1e300;
  for (int round = 0; round < 5; ++round) {
    treeNs = std::min(treeNs, NanosPerSearch(keys.size(), treeSearch));
    mapNs = std::min(mapNs, NanosPerSearch(keys.size(), mapSearch));
  }
  state.counters["searches"] = static_cast<double>(keys.size());
  state.counters["tree_ns"] = treeNs;
  state.counters["map_ns"] = mapNs;
  state.counters["ratio_to_map"] = treeNs / mapNs;
  state.counters["height"] = file.BTree()->GetHeight();
  state.SetLabel(collation == 0 ? "engine collation" : "Hungarian");
}
BENCHMARK(BM_Keystrokes)->Arg(0)->Arg(1);

void BM_BuildThroughSorter(benchmark::State& state) {
  if (Headwords().empty()) {
    state.SkipWithError(kMissingMessage);
    return;
  }
  const EngColumn& column = Column(0);
  const std::string name = "eng_bulk";
  for (auto _ : state) {
    auto file = Env().NewIndex(name, column);
    HeadwordTable table(column);
    if (index::BuildIndex(*file, table, false, 0) != 0) std::abort();
  }
  const auto& words = Headwords();
  double raw = 0;
  for (const auto& w : words) raw += 2.0 * static_cast<double>(w.size());
  const auto fileBytes = static_cast<double>(std::filesystem::file_size(BenchDir() + "/" + name + ".vxbi"));
  const double fixed = static_cast<double>(words.size()) * (4 + kFieldSize);
  state.counters["entries"] = static_cast<double>(words.size());
  state.counters["file_MiB"] = fileBytes / (1 << 20);
  state.counters["raw_utf16_MiB"] = raw / (1 << 20);
  state.counters["file_to_raw"] = fileBytes / raw;
  state.counters["file_to_fixed_width"] = fileBytes / fixed;
  state.SetLabel("all headwords, engine collation");
}
BENCHMARK(BM_BuildThroughSorter)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
