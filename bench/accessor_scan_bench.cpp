// Reading the whole dictionary in ENG order the way the program reads it:
// the table `Eng_hun` as tools/make-dictionary builds it (vxbtool create and
// vxbtool import of the rows Debian's FreeDict eng-hun and hun-eng
// dictionaries give), opened through a session of the process's session list
// and its catalog (shared, with the catalog's unlock thread running), and
// read record by record through an accessor, and the same rows read from
// SQLite for comparison.
//
//   SqliteScan     SQLite: the three columns as TEXT, an index on ENG;
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
// The files go to $VEXILO_BENCH_DIR when it is set and stay there for the
// next run, which takes them as they are (remove them after changing how
// they are made); else to a temporary directory removed at the end. Needs the packages dict-freedict-eng-hun and
// dict-freedict-hun-eng. Run a release build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_dir.h"
#include "engine/api/catalog.h"
#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "engine/cursor/accessor.h"
#include "engine/index/index_file.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "fs/text.h"
#include "tools/freedict/freedict_conversion.h"

namespace vexilo {
namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kEng = 1, kHun = 2, kLeir = 3;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "accessor_scan_bench: %s\n", what.c_str());
  std::exit(1);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) Die("failed: " + command);
}

const std::string& Dir() { return bench::BenchDir("vexilo-accessor-scan-bench"); }

// Files kept in $VEXILO_BENCH_DIR by an earlier run are taken as they are.
bool Kept(const stdfs::path& file) { return std::getenv("VEXILO_BENCH_DIR") && stdfs::exists(file); }

// The TSV file of the FreeDict rows, converted on first use.
const std::string& TsvPath() {
  static const std::string path = [] {
    const std::string out = (stdfs::path(Dir()) / "freedict.tsv").string();
    if (Kept(out)) return out;
    std::ostringstream messages;
    try {
      tools::freedict::ConvertFreedict("/usr/share/dictd", out, messages);
    } catch (const std::exception& e) {
      Die(std::string("FreeDict data: ") + e.what() + " (install dict-freedict-eng-hun and dict-freedict-hun-eng)");
    }
    return out;
  }();
  return path;
}

// The database directory holding the dictionary, made by vxbtool as
// tools/make-dictionary makes it.
const std::string& DictionaryDir() {
  static const std::string dir = [] {
    const stdfs::path db = stdfs::path(Dir()) / "db";
    if (Kept(db / "Eng_hun.vxbt")) return db.string();
    stdfs::remove_all(db);
    stdfs::create_directories(db);
    const std::string table = Quoted((db / "Eng_hun").string());
    const std::string tool = Quoted(VEXILO_VXBTOOL);
    Run(tool + " create " + table +
        " --level 6 --collation Hungarian --blob-block-size 512"
        " ENG:WideString:80 HUN:WideString:80 LEIR:WideMemo --index ENG=ENG --index HUN=HUN >/dev/null");
    Run(tool + " import " + table + " " + Quoted(TsvPath()) + " >/dev/null 2>&1");
    return db.string();
  }();
  return dir;
}

// --- SQLite ---

void SqliteCheck(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) Die(std::string(what) + ": " + sqlite3_errmsg(db));
}

void Unescape(std::string_view field, std::string& out) {
  out.clear();
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      const char c = field[++i];
      out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    } else {
      out += field[i];
    }
  }
}

// The SQLite database of the same rows, made on first use.
const std::string& SqlitePath() {
  static const std::string path = [] {
    const std::string file = (stdfs::path(Dir()) / "Eng_hun.sqlite").string();
    if (Kept(file)) return file;
    stdfs::remove(file);
    sqlite3* db = nullptr;
    SqliteCheck(sqlite3_open(file.c_str(), &db), db, "open");
    SqliteCheck(sqlite3_exec(db,
                             "CREATE TABLE Eng_hun (ENG TEXT, HUN TEXT, LEIR TEXT);"
                             "CREATE INDEX ENG ON Eng_hun (ENG);"
                             "BEGIN;",
                             nullptr, nullptr, nullptr),
                db, "create");
    sqlite3_stmt* insert = nullptr;
    SqliteCheck(sqlite3_prepare_v2(db, "INSERT INTO Eng_hun VALUES (?, ?, ?)", -1, &insert, nullptr), db, "prepare");
    std::ifstream in(TsvPath(), std::ios::binary);
    std::string line, values[3];
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
      size_t start = 0;
      for (int i = 0; i < 3; ++i) {
        const size_t tab = i < 2 ? line.find('\t', start) : line.size();
        Unescape(std::string_view(line).substr(start, tab - start), values[i]);
        sqlite3_bind_text(insert, i + 1, values[i].data(), static_cast<int>(values[i].size()), SQLITE_STATIC);
        start = tab + 1;
      }
      SqliteCheck(sqlite3_step(insert), db, "insert");
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    SqliteCheck(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    return file;
  }();
  return path;
}

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
