// Loading the whole dictionary: the rows Debian's FreeDict eng-hun and
// hun-eng dictionaries give (converted once into a TSV file at the start)
// imported into the dictionary table `Eng_hun` (level 6, ENG and HUN as
// WideString(80) under the "Hungarian" collation with B+ tree indexes, LEIR
// as a WideMemo), and the same rows loaded into SQLite for comparison.
//
//   SqliteLoad        SQLite: a table of the three columns, indexes on ENG
//                     and HUN created before loading, one transaction, one
//                     prepared insert per row; the TSV read and unescaped as
//                     the import does.
//   ImportExclusive   vxbtool import's way: the table opened exclusively,
//                     its indexes built in bulk after the rows are in.
//   ImportShared      the table opened shared, every row entered into both
//                     indexes as it is appended.
//   ImportThenIndex   rows imported into a table without indexes, then both
//                     indexes created (each a bulk build), as `vxbtool
//                     reindex` builds them; counters give the two phases.
//
// Every run starts from empty files and includes closing the table (the
// files are complete on disk, unsynchronised). Counter ratio_to_sqlite is
// the run's wall time over SqliteLoad's, which runs first.
//
// The files go to $VEXILO_BENCH_DIR when it is set, else to the temporary
// directory; they are removed at the end. Needs the packages
// dict-freedict-eng-hun and dict-freedict-hun-eng. Run a release build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_dir.h"
#include "engine/errors/services.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/table/base_table.h"
#include "engine/types/column_type.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tools/freedict/freedict_conversion.h"
#include "tools/tsv_import.h"

namespace vexilo::storage {
namespace {

// The page cache a session of the tool gets.
constexpr int32_t kCacheKiB = 40960;
constexpr uint16_t kAllRights = kRightAppend | kRightEdit | kRightDelete | kRightIndex;

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "import_bench: %s\n", what.c_str());
  std::exit(1);
}

// The TSV file of the FreeDict rows, converted on first use.
const std::string& TsvPath() {
  static const std::string path = [] {
    const std::string out = (stdfs::path(bench::BenchDir("vexilo-import-bench")) / "freedict.tsv").string();
    // A file kept in $VEXILO_BENCH_DIR by an earlier run is taken as it is.
    if (std::getenv("VEXILO_BENCH_DIR") && stdfs::exists(out)) return out;
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

// A fresh directory for one run.
std::string RunDir(const char* name) {
  const stdfs::path dir = stdfs::path(bench::BenchDir("vexilo-import-bench")) / name;
  stdfs::remove_all(dir);
  stdfs::create_directories(dir);
  return dir.string();
}

double gSqliteSeconds = 0;

// --- SQLite ---

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

void SqliteCheck(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) Die(std::string(what) + ": " + sqlite3_errmsg(db));
}

int64_t SqliteLoad(const std::string& dbPath) {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open(dbPath.c_str(), &db), db, "open");
  SqliteCheck(sqlite3_exec(db,
                           "CREATE TABLE Eng_hun (ENG TEXT, HUN TEXT, LEIR TEXT);"
                           "CREATE INDEX ENG ON Eng_hun (ENG);"
                           "CREATE INDEX HUN ON Eng_hun (HUN);"
                           "BEGIN;",
                           nullptr, nullptr, nullptr),
              db, "create");
  sqlite3_stmt* insert = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db, "INSERT INTO Eng_hun VALUES (?, ?, ?)", -1, &insert, nullptr), db, "prepare");
  std::ifstream in(TsvPath(), std::ios::binary);
  std::string line, values[3];
  std::getline(in, line);  // the header
  int64_t rows = 0;
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
    ++rows;
  }
  sqlite3_finalize(insert);
  SqliteCheck(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
  return rows;
}

void SqliteLoadBench(benchmark::State& state) {
  TsvPath();
  for (auto _ : state) {
    const std::string dir = RunDir("sqlite");
    const auto start = Clock::now();
    const int64_t rows = SqliteLoad(dir + "/Eng_hun.sqlite");
    const double seconds = Seconds(start);
    state.SetIterationTime(seconds);
    gSqliteSeconds = seconds;
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_second"] = static_cast<double>(rows) / seconds;
  }
}
BENCHMARK(SqliteLoadBench)->Name("SqliteLoad")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// --- VexBase ---

class Session {
 public:
  explicit Session(const std::string& dir) {
    FileSystem.SetBaseDirectory(fs::u16(dir));
    Manager.RegisterClient(1, kCacheKiB);
    Services.SetStation(1);
  }

  std::unique_ptr<TVxbBaseTable> MakeTable() {
    auto table = std::make_unique<TVxbBaseTable>(Services, Manager, FileSystem, 1);
    table->SetFileName(u"Eng_hun.vxbt");
    return table;
  }

  void Create(bool withIndexes) {
    auto table = MakeTable();
    table->SetCollationName(u"Hungarian");
    table->SetCapacity(260000);
    Require(table->AddColumn(Spec(u"ENG", types::vxbWideString, 80)) > 0, "column");
    Require(table->AddColumn(Spec(u"HUN", types::vxbWideString, 80)) > 0, "column");
    Require(table->AddColumn(Spec(u"LEIR", types::vxbWideMemo, 0)) > 0, "column");
    Require(table->NewFile({}, {}, {}) == 0, "NewFile");
    Require(table->Setup(false) == 0, "Setup");
    if (withIndexes) AddIndexes(*table);
    Require(table->Close() == 0, "Close");
  }

  std::unique_ptr<TVxbBaseTable> Open(bool exclusive) {
    auto table = MakeTable();
    table->SetRights(kAllRights | (exclusive ? kRightExclusive : 0));
    Require(table->Open(false) == 0 && table->Setup(false) == 0, "open");
    return table;
  }

  void AddIndexes(TVxbBaseTable& table) {
    Require(table.NewIndex(u"ENG", u"ENG") >= 0, "index ENG");
    Require(table.NewIndex(u"HUN", u"HUN") >= 0, "index HUN");
  }

  void Require(bool condition, const char* what) {
    if (!condition) Die(std::string(what) + " failed: " + fs::u8(Services.LastErrorMsg()));
  }

  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;

 private:
  static TVxbColumnSpec Spec(std::u16string name, int16_t typeCode, int32_t length) {
    TVxbColumnSpec spec;
    spec.Name = std::move(name);
    spec.TypeCode = typeCode;
    spec.Length = length;
    return spec;
  }
};

void Report(benchmark::State& state, int64_t rows, double seconds) {
  state.SetIterationTime(seconds);
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["rows_per_second"] = static_cast<double>(rows) / seconds;
  if (gSqliteSeconds > 0) state.counters["ratio_to_sqlite"] = seconds / gSqliteSeconds;
}

void ImportBench(benchmark::State& state, bool exclusive) {
  TsvPath();
  for (auto _ : state) {
    Session session(RunDir(exclusive ? "exclusive" : "shared"));
    session.Create(true);
    const auto start = Clock::now();
    auto table = session.Open(exclusive);
    const int64_t rows = tools::ImportTsv(*table, TsvPath());
    session.Require(table->Close() == 0, "Close");
    Report(state, rows, Seconds(start));
  }
}
BENCHMARK_CAPTURE(ImportBench, exclusive, true)
    ->Name("ImportExclusive")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImportBench, shared, false)
    ->Name("ImportShared")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void ImportThenIndex(benchmark::State& state) {
  TsvPath();
  for (auto _ : state) {
    Session session(RunDir("then-index"));
    session.Create(false);
    const auto start = Clock::now();
    auto table = session.Open(true);
    const int64_t rows = tools::ImportTsv(*table, TsvPath());
    const double imported = Seconds(start);
    session.AddIndexes(*table);
    session.Require(table->Close() == 0, "Close");
    const double seconds = Seconds(start);
    Report(state, rows, seconds);
    state.counters["import_s"] = imported;
    state.counters["index_s"] = seconds - imported;
  }
}
BENCHMARK(ImportThenIndex)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexilo::storage
