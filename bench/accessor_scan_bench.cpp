// Reading the whole dictionary in ENG order the way the program reads it:
// the table `Eng_hun` as tools/make-dictionary builds it (vxbtool create and
// vxbtool import of the rows Debian's FreeDict eng-hun and hun-eng
// dictionaries give), opened through a session of the process's session list
// and its catalog (shared, with the catalog's unlock thread running), and
// read record by record through an accessor, and the same rows read from
// SQLite for comparison.
//
//   SqliteScan     SQLite: the three columns as TEXT, an index on ENG (and
//                  one on HUN);
//                  SELECT ENG, HUN, LEIR FROM Eng_hun ORDER BY ENG (walking
//                  the ENG index), the text of every column read.
//   AccessorScan   every entry of the ENG index in order, each step under a
//                  read lock of its own as a cursor takes it; the accessor
//                  moved to the entry's record, ENG and HUN read as text and
//                  LEIR as its whole wide text.
//   AccessorScanOneReadLock
//                  the same walk inside one read lock held from its first
//                  step to its last, as the engine's own walks of a relation
//                  (filters, counting, searches) hold it.
//
// Each times the scan alone, on a freshly opened database (the engine's page
// cache and SQLite's are empty; the operating system has the files cached).
// Counters: records, records_per_second, and for the accessor scans
// ratio_to_sqlite, its time over the median of the SqliteScan runs (which
// run first). Use --benchmark_repetitions=N for a spread.
//
// The files (dictionary_files.h) go to $VEXILO_BENCH_DIR when it is set and
// stay there for the next run, which takes them as they are (remove them
// after changing how they are made); else to a temporary directory removed
// at the end. Needs the packages dict-freedict-eng-hun and
// dict-freedict-hun-eng. Run a release build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench/dictionary_files.h"
#include "engine/api/catalog.h"
#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "engine/cursor/accessor.h"
#include "engine/index/index_file.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "fs/text.h"

namespace vexilo {
namespace {

using Clock = std::chrono::steady_clock;
using bench::Die;
using bench::SqliteCheck;

constexpr int kEng = 1, kHun = 2, kLeir = 3;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-accessor-scan-bench");
  return files;
}
const std::string& DictionaryDir() { return Files().DictionaryDir(); }
const std::string& SqlitePath() { return Files().SqlitePath(); }

constexpr const char* kSqliteScan = "SELECT ENG, HUN, LEIR FROM Eng_hun ORDER BY ENG";

// Dies unless SQLite walks the ENG index for the scan (no sort of its own).
void RequireIndexPlan(sqlite3* db) {
  sqlite3_stmt* plan = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db, (std::string("EXPLAIN QUERY PLAN ") + kSqliteScan).c_str(), -1, &plan, nullptr),
              db, "plan");
  std::string details;
  while (sqlite3_step(plan) == SQLITE_ROW) {
    details += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
    details += "; ";
  }
  sqlite3_finalize(plan);
  if (details.find("USING INDEX ENG") == std::string::npos || details.find("TEMP B-TREE") != std::string::npos) {
    Die("SQLite does not scan the ENG index: " + details);
  }
}

std::vector<double> gSqliteSeconds;

double SqliteMedian() {
  if (gSqliteSeconds.empty()) return 0;
  std::vector<double> sorted = gSqliteSeconds;
  std::sort(sorted.begin(), sorted.end());
  return sorted[sorted.size() / 2];
}

void Report(benchmark::State& state, int64_t records, double seconds) {
  state.SetIterationTime(seconds);
  state.counters["records"] = static_cast<double>(records);
  state.counters["records_per_second"] = static_cast<double>(records) / seconds;
}

void SqliteScan(benchmark::State& state) {
  const std::string& path = SqlitePath();
  for (auto _ : state) {
    sqlite3* db = nullptr;
    SqliteCheck(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
    RequireIndexPlan(db);
    const auto start = Clock::now();
    sqlite3_stmt* scan = nullptr;
    SqliteCheck(sqlite3_prepare_v2(db, kSqliteScan, -1, &scan, nullptr), db, "prepare");
    int64_t records = 0, bytes = 0;
    int rc;
    while ((rc = sqlite3_step(scan)) == SQLITE_ROW) {
      for (int column = 0; column < 3; ++column) {
        const unsigned char* text = sqlite3_column_text(scan, column);
        benchmark::DoNotOptimize(text);
        bytes += sqlite3_column_bytes(scan, column);
      }
      ++records;
    }
    SqliteCheck(rc, db, "scan");
    sqlite3_finalize(scan);
    const double seconds = Seconds(start);
    sqlite3_close(db);
    benchmark::DoNotOptimize(bytes);
    gSqliteSeconds.push_back(seconds);
    Report(state, records, seconds);
  }
}
BENCHMARK(SqliteScan)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// --- VexBase through a session, the catalog and an accessor ---

// A session of the process's session list with the dictionary's directory
// open; deleted (closing the database) when it goes.
class TBenchSession {
 public:
  explicit TBenchSession(const std::string& dir)
      : FHandle(api::TSessionList::Instance().CreateSession(fs::u16(dir))) {
    if (FHandle <= 0) Die("CreateSession failed");
    FSession = api::TSessionList::Instance().GetLocalSession(FHandle);
    if (FSession->OpenDb() != 0) Die("OpenDb: " + fs::u8(FSession->Services()->LastErrorMsg()));
  }
  ~TBenchSession() { api::TSessionList::Instance().DeleteSession(FHandle); }
  TBenchSession(const TBenchSession&) = delete;
  TBenchSession& operator=(const TBenchSession&) = delete;

  api::TVxbCatalog& Catalog() { return *FSession->Catalog(); }
  std::string LastError() const { return fs::u8(FSession->Services()->LastErrorMsg()); }

 private:
  int16_t FHandle;
  api::TVxbLocalSession* FSession = nullptr;
};

// `walkLock`: one read lock over the whole walk, as the engine's own walks
// of a relation hold it; the steps' locks are then taken inside it.
void AccessorScan(benchmark::State& state, bool walkLock) {
  const std::string& dir = DictionaryDir();
  for (auto _ : state) {
    TBenchSession session(dir);
    api::TVxbCatalog& catalog = session.Catalog();
    const int16_t rltnIdx = catalog.OpenTable(u"Eng_hun", u"", false, false, true, api::TVxbCatalog::kAccessRights);
    if (rltnIdx <= 0) Die("OpenTable: " + session.LastError());
    api::TVxbCatalogTable& table = *catalog.GetTable(rltnIdx);
    const int indexNo = table.FindIndexNo(u"ENG");
    index::TVxbIndexFile* eng = table.GetIndexFile(indexNo);
    if (!eng || (!eng->IsOpen && table.OpenIndex(indexNo) != 0)) Die("index ENG: " + session.LastError());
    auto entry = eng->CreateLongIndexInfo();
    int64_t records = 0, characters = 0;
    std::u16string engText, hunText, leirText;
    {
      cursor::TVxbAccessor accessor(table, u"Bench", catalog.GetAccessor(rltnIdx)->LockingTimeout());
      const auto start = Clock::now();
      storage::TVxbTableLockGuard walkReadLock;
      if (walkLock) walkReadLock = storage::TVxbTableLockGuard::Read(*table.LockState());
      bool first = true;
      for (;;) {
        const storage::TVxbTableLockGuard readLock = storage::TVxbTableLockGuard::Read(*table.LockState());
        if (!readLock) Die("read lock: " + session.LastError());
        const int16_t step = first ? eng->Erster_Index(*entry) : eng->Naechster_Index(*entry);
        first = false;
        if (step < 0) Die("index walk: " + session.LastError());
        if (step != 0) break;
        accessor.SetCurrentRecordNo(entry->DateiVerweis);
        if (accessor.GetAsString(kEng, engText) < 0 || accessor.GetAsString(kHun, hunText) < 0 ||
            accessor.GetWideMemo(kLeir, leirText) < 0) {
          Die("record " + std::to_string(entry->DateiVerweis) + ": " + session.LastError());
        }
        characters += static_cast<int64_t>(engText.size() + hunText.size() + leirText.size());
        ++records;
      }
      walkReadLock.Release();
      const double seconds = Seconds(start);
      benchmark::DoNotOptimize(characters);
      if (records != table.GetRecordCount()) Die("the walk missed records");
      Report(state, records, seconds);
      if (const double sqlite = SqliteMedian(); sqlite > 0) state.counters["ratio_to_sqlite"] = seconds / sqlite;
    }
  }
}
BENCHMARK_CAPTURE(AccessorScan, step_locks, false)
    ->Name("AccessorScan")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AccessorScan, walk_lock, true)
    ->Name("AccessorScanOneReadLock")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexilo
