// B-tree index speed on 200,000 fixed-size keys (Integer keys, and String
// keys of 20 characters) with a warm page cache:
// - a nearest-key search (Suche_Index) per iteration, and the same search
//   with std::map::lower_bound over the same keys in the same run; the
//   B-tree benchmark also reports the map's time and the ratio;
// - building the index through the sorter (entries inserted in key order)
//   against 200,000 single insertions in random order, with the file size
//   against the raw key bytes.
// Index files go to a fresh temporary directory, or to VEXILO_BENCH_DIR
// when it is set (they are kept there).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
#include "engine/types/column_type.h"
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

constexpr int32_t kKeys = 200000;
constexpr size_t kProbes = 4096;
constexpr int32_t kStringSize = 21;  // length byte and 20 characters

const std::string& BenchDir() { return bench::BenchDir("vexilo-btree-bench"); }

// One key column: Integer, or String of 20 characters.
class KeyColumns : public index::TVxbIndexColumns {
 public:
  explicit KeyColumns(bool strings) {
    FColumn.Number = 1;
    FColumn.Name = u"K";
    FColumn.TypeCode = strings ? types::vxbString : types::vxbInteger;
    FColumn.Size = strings ? kStringSize : 4;
  }
  int ColumnCount() const override { return 1; }
  bool GetColumn(int number, TVxbIndexColumn& column) const override {
    if (number != 1) return false;
    column = FColumn;
    return true;
  }
  int FindColumn(std::u16string_view name) const override { return name == u"K" ? 1 : 0; }

 private:
  TVxbIndexColumn FColumn;
};

// The keys of the records (record n holds keys[n - 1]) as key bytes.
struct KeySet {
  bool strings;
  std::vector<std::vector<uint8_t>> keys;
  std::vector<std::vector<uint8_t>> probes;
  std::vector<int32_t> intKeys, intProbes;
  std::vector<std::string> stringKeys, stringProbes;
};

std::string RandomWord(std::mt19937& rng) {
  const size_t length = 5 + rng() % 16;
  std::string w;
  for (size_t i = 0; i < length; ++i) w.push_back(static_cast<char>('a' + rng() % 26));
  return w;
}

std::vector<uint8_t> StringKey(const std::string& w) {
  std::vector<uint8_t> key(kStringSize, 0);
  key[0] = static_cast<uint8_t>(w.size());
  std::memcpy(key.data() + 1, w.data(), w.size());
  return key;
}

std::vector<uint8_t> IntKey(int32_t v) {
  std::vector<uint8_t> key(4);
  TvwMemory::WriteInt32(key.data(), 0, v);
  return key;
}

const KeySet& Keys(bool strings) {
  static const KeySet sets[2] = {[] {
                                   KeySet s{false, {}, {}, {}, {}, {}, {}};
                                   std::mt19937 rng(11);
                                   for (int32_t i = 0; i < kKeys; ++i) {
                                     s.intKeys.push_back(static_cast<int32_t>(rng() >> 1));
                                     s.keys.push_back(IntKey(s.intKeys.back()));
                                   }
                                   for (size_t i = 0; i < kProbes; ++i) {
                                     s.intProbes.push_back(static_cast<int32_t>(rng() >> 1));
                                     s.probes.push_back(IntKey(s.intProbes.back()));
                                   }
                                   return s;
                                 }(),
                                 [] {
                                   KeySet s{true, {}, {}, {}, {}, {}, {}};
                                   std::mt19937 rng(13);
                                   for (int32_t i = 0; i < kKeys; ++i) {
                                     s.stringKeys.push_back(RandomWord(rng));
                                     s.keys.push_back(StringKey(s.stringKeys.back()));
                                   }
                                   for (size_t i = 0; i < kProbes; ++i) {
                                     s.stringProbes.push_back(RandomWord(rng));
                                     s.probes.push_back(StringKey(s.stringProbes.back()));
                                   }
                                   return s;
                                 }()};
  return sets[strings ? 1 : 0];
}

// The records of a key set as a table for the index build.
class Table : public index::TVxbIndexedTable {
 public:
  Table(const KeySet& keys, const KeyColumns& columns) : FKeys(keys), FColumns(columns) {}
  int16_t Level() const override { return 5; }
  const index::TVxbIndexColumns& Columns() const override { return FColumns; }
  int64_t Capacity() const override { return kKeys; }
  int16_t ReadLock() override { return 0; }
  void EndReadLock() override {}
  int16_t WriteLock() override { return 0; }
  void EndWriteLock() override {}
  int32_t RecordCount() override { return static_cast<int32_t>(FKeys.keys.size()); }
  size_t BuildEntry(const TVxbIndexFile&, int32_t recordNo, TVxbLongIndexInfo& entry) override {
    const auto& key = FKeys.keys[recordNo - 1];
    entry.DateiVerweis = recordNo;
    std::memcpy(entry.Key, key.data(), key.size());
    return 4 + key.size();
  }
  bool DeriveIndexDefinition(const TVxbIndexFile&, TVxbSortDef&) override { return false; }

 private:
  const KeySet& FKeys;
  const KeyColumns& FColumns;
};

// A page manager with room for every page, one file system, and an index
// file per benchmark.
struct Environment {
  Environment() {
    fileSystem.SetBaseDirectory(fs::u16(BenchDir()));
    manager.RegisterClient(1, 512 * 1024);
  }
  std::unique_ptr<TVxbIndexFile> NewIndex(const std::string& name, const KeyColumns& columns) {
    auto storage = std::make_unique<index::TVxbClientStorage>(manager, fileSystem, 1);
    auto file = std::make_unique<TVxbIndexFile>(&services, 5, std::move(storage));
    file->SetName(fs::u16(name));
    file->SetFileName(fs::u16(BenchDir() + "/" + name + ".ind"));
    file->SetColumns(&columns);
    TVxbIndexColumn column;
    columns.GetColumn(1, column);
    TVxbSortDef def;
    def.Items.push_back({1, column.TypeCode, column.Size, false});
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

// Integer entries compared directly, without the engine's key comparison:
// shows what the comparison costs in a search.
int PlainIntegerOrder(int32_t ra, const uint8_t* ka, size_t, int32_t rb, const uint8_t* kb, size_t, bool* equal) {
  const int32_t a = TvwMemory::ReadInt32(ka, 0);
  const int32_t b = TvwMemory::ReadInt32(kb, 0);
  if (equal) *equal = a == b;
  if (a != b) return a < b ? -1 : 1;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// The index of a key set built once (through the sorter) and kept open.
// Kinds: 0 Integer keys, 1 String keys, 2 Integer keys compared directly.
TVxbIndexFile& SearchIndex(int kind) {
  static std::unique_ptr<TVxbIndexFile> files[3];
  static const KeyColumns columns[2] = {KeyColumns(false), KeyColumns(true)};
  const bool strings = kind == 1;
  auto& file = files[kind];
  if (!file) {
    const KeyColumns& c = columns[strings ? 1 : 0];
    file = Env().NewIndex("search" + std::to_string(kind), c);
    if (kind == 2) file->SetCompareFunction(PlainIntegerOrder);
    Table table(Keys(strings), c);
    if (index::BuildIndex(*file, table, false, kKeys, nullptr, false) != 0) std::abort();
  }
  return *file;
}

// CPU time of the calling thread, in nanoseconds.
double ThreadNanos() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// The least CPU time per call of `search` over the probes, in five
// alternating rounds (`other` runs between them, so both see the same
// machine state).
template <class F>
double NanosPerProbe(const F& search) {
  constexpr int kPasses = 8;
  const double start = ThreadNanos();
  for (int pass = 0; pass < kPasses; ++pass) {
    for (size_t i = 0; i < kProbes; ++i) search(i);
  }
  return (ThreadNanos() - start) / (kPasses * kProbes);
}

void BM_NearestSearch(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const bool strings = kind == 1;
  TVxbIndexFile& file = SearchIndex(kind);
  const KeySet& keys = Keys(strings);
  auto entry = file.CreateLongIndexInfo();
  const auto treeSearch = [&](size_t i) {
    const auto& probe = keys.probes[i];
    entry->DateiVerweis = 0;
    std::memcpy(entry->Key, probe.data(), probe.size());
    benchmark::DoNotOptimize(file.Suche_Index(*entry));
  };
  size_t n = 0;
  for (auto _ : state) treeSearch(n++ % kProbes);

  // The ratio: the map and the B-tree in alternating rounds, least CPU
  // time of each.
  std::map<int32_t, int32_t> intMap;
  std::map<std::string, int32_t> stringMap;
  for (int32_t i = 0; i < kKeys; ++i) {
    if (strings) stringMap.emplace(keys.stringKeys[i], i + 1);
    else intMap.emplace(keys.intKeys[i], i + 1);
  }
  const auto mapSearch = [&](size_t i) {
    if (strings) benchmark::DoNotOptimize(stringMap.lower_bound(keys.stringProbes[i]));
    else benchmark::DoNotOptimize(intMap.lower_bound(keys.intProbes[i]));
  };
  double treeNs = 1e300, mapNs = 1e300;
  for (int round = 0; round < 5; ++round) {
    treeNs = std::min(treeNs, NanosPerProbe(treeSearch));
    mapNs = std::min(mapNs, NanosPerProbe(mapSearch));
  }
  state.counters["map_ns"] = mapNs;
  state.counters["tree_ns"] = treeNs;
  state.counters["ratio_to_map"] = treeNs / mapNs;
  state.SetLabel(kind == 1 ? "String(20) keys" : kind == 0 ? "Integer keys" : "Integer keys, direct comparison");
}
BENCHMARK(BM_NearestSearch)->Arg(0)->Arg(1)->Arg(2);

void BM_MapLowerBound(benchmark::State& state) {
  const bool strings = state.range(0) != 0;
  const KeySet& keys = Keys(strings);
  std::map<int32_t, int32_t> intMap;
  std::map<std::string, int32_t> stringMap;
  for (int32_t i = 0; i < kKeys; ++i) {
    if (strings) stringMap.emplace(keys.stringKeys[i], i + 1);
    else intMap.emplace(keys.intKeys[i], i + 1);
  }
  size_t i = 0;
  for (auto _ : state) {
    if (strings) benchmark::DoNotOptimize(stringMap.lower_bound(keys.stringProbes[i++ % kProbes]));
    else benchmark::DoNotOptimize(intMap.lower_bound(keys.intProbes[i++ % kProbes]));
  }
  state.SetLabel(strings ? "String(20) keys" : "Integer keys");
}
BENCHMARK(BM_MapLowerBound)->Arg(0)->Arg(1);

void SetSizeCounters(benchmark::State& state, const std::string& name, size_t keyBytes) {
  const auto fileBytes = std::filesystem::file_size(BenchDir() + "/" + name + ".ind");
  const double raw = static_cast<double>(kKeys) * static_cast<double>(keyBytes + 4);
  state.counters["file_MiB"] = static_cast<double>(fileBytes) / (1 << 20);
  state.counters["file_to_raw"] = static_cast<double>(fileBytes) / raw;
}

void BM_BuildThroughSorter(benchmark::State& state) {
  const bool strings = state.range(0) != 0;
  const KeyColumns columns(strings);
  const std::string name = strings ? "bulk_string" : "bulk_int";
  const KeySet& keys = Keys(strings);
  for (auto _ : state) {
    auto file = Env().NewIndex(name, columns);
    Table table(keys, columns);
    if (index::BuildIndex(*file, table, false, kKeys) != 0) std::abort();
  }
  SetSizeCounters(state, name, strings ? kStringSize : 4);
  state.SetLabel(strings ? "String(20) keys" : "Integer keys");
}
BENCHMARK(BM_BuildThroughSorter)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BuildBySingleInserts(benchmark::State& state) {
  const bool strings = state.range(0) != 0;
  const KeyColumns columns(strings);
  const KeySet& keys = Keys(strings);
  const std::string name = strings ? "single_string" : "single_int";
  for (auto _ : state) {
    auto file = Env().NewIndex(name, columns);
    if (file->NewStorage(5, file->CalcPageSizeForCapacity(kKeys)) != 0) std::abort();
    auto entry = file->CreateLongIndexInfo();
    for (int32_t i = 0; i < kKeys; ++i) {
      entry->DateiVerweis = i + 1;
      std::memcpy(entry->Key, keys.keys[i].data(), keys.keys[i].size());
      if (file->Add_Index(*entry, 4 + keys.keys[i].size()) != 0) std::abort();
    }
    if (file->Close(true) != 0) std::abort();
  }
  SetSizeCounters(state, name, strings ? kStringSize : 4);
  state.SetLabel(strings ? "String(20) keys" : "Integer keys");
}
BENCHMARK(BM_BuildBySingleInserts)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
