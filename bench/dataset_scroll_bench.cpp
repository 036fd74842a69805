// Scrolling the dictionary a grid page at a time, as the main window's grids
// do: the table `Eng_hun` made by vxbtool from Debian's FreeDict rows
// (dictionary_files.h), opened through the dataset layer the way the main
// window opens it — a TVxbDatabase on the dictionary's directory and a
// TVxbTable on "Eng_hun" in the order of the index HUN — with a data source
// and a data link that keeps 25 record buffers, as a grid of 25 visible rows
// does. The same rows in SQLite for comparison.
//
//   ScrollDataset/forwards    First, then MoveBy(25) until the end;
//   ScrollDataset/backwards   Last, then MoveBy(-25) until the start.
//                             After every move the 25 visible rows are read
//                             as a grid paints them: the link's ActiveRecord
//                             set to each row in turn, ENG and HUN read
//                             through FieldByName(...).AsString(), the old
//                             row set back.
//   ScrollSqlite/forwards/autocommit
//   ScrollSqlite/forwards/transaction
//                             keyset pagination over the index HUN (SQLite's
//                             own binary order of the UTF-8 texts; the
//                             engine's order is Hungarian without case):
//                             SELECT rowid, ENG, HUN FROM Eng_hun WHERE
//                             (HUN, rowid) > (?, ?) ORDER BY HUN, rowid
//                             LIMIT 25, bound with the last row of the page
//                             before (the first page without the WHERE),
//                             ENG and HUN of each row copied out as text; on
//                             its own or inside one read transaction over
//                             the whole walk.
//   ScrollSqlite/backwards/...
//                             the same with < and DESC, from the end.
//
// Every page (one move and the reading of its rows) is timed on its own;
// counters: pages, rows, median_us, p90_us, p99_us per page, and for the
// dataset runs ratio_median_to_sqlite_txn and ratio_median_to_sqlite_autocommit,
// their median over the median of SQLite's runs of the same direction (which
// run first), and open_ms, the time TVxbTable::Open took. The manual time of
// a run is the sum of its pages.
//
// Every run opens the database afresh (SQLite's cache starts empty; the
// engine's process-wide page cache may still hold pages of the run before,
// which at the session's default 40 MiB, less than half of the table file,
// changes nothing measurable; the operating system has the files cached). Use
// --benchmark_repetitions=N for a spread over runs. The files go to
// $VEXILO_BENCH_DIR when it is set (and are kept for the next run), else to a
// temporary directory. Needs the packages dict-freedict-eng-hun and
// dict-freedict-hun-eng. Run a release build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/dictionary_files.h"
#include "bench/timing.h"
#include "dataset/database.h"
#include "dataset/table.h"
#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "fs/text.h"

namespace vexilo {
namespace {

using Clock = std::chrono::steady_clock;
using bench::Microseconds;
using bench::Percentile;
using bench::Die;
using bench::SqliteCheck;

constexpr int kVisibleRows = 25;

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-dataset-scroll-bench");
  return files;
}

enum class TDirection { Forwards, Backwards };
const char* DirectionName(TDirection direction) { return direction == TDirection::Forwards ? "forwards" : "backwards"; }
int DirectionIndex(TDirection direction) { return direction == TDirection::Forwards ? 0 : 1; }

// The rows of the table, counted once before the runs.
int64_t gRowCount = 0;
// The median page of each SQLite run, by direction, in one read transaction
// and in autocommit.
std::vector<double> gSqliteTxnMedians[2];
std::vector<double> gSqliteAutocommitMedians[2];

// Sets the run's time and the per-page counters.
void ReportPages(benchmark::State& state, const std::vector<double>& pageTimes, int64_t rows) {
  double total = 0;
  for (const double t : pageTimes) total += t;
  state.SetIterationTime(total / 1e6);
  state.counters["pages"] = static_cast<double>(pageTimes.size());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["median_us"] = Percentile(pageTimes, 0.5);
  state.counters["p90_us"] = Percentile(pageTimes, 0.9);
  state.counters["p99_us"] = Percentile(pageTimes, 0.99);
}

// --- SQLite ---

sqlite3* OpenSqlite() {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open_v2(Files().SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
  return db;
}

// Dies unless SQLite's plan for `query` goes through the index HUN without a
// sort of its own.
void RequireHunIndexPlan(sqlite3* db, const std::string& query) {
  sqlite3_stmt* plan = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + query).c_str(), -1, &plan, nullptr), db, "plan");
  std::string details;
  while (sqlite3_step(plan) == SQLITE_ROW) {
    details += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
    details += "; ";
  }
  sqlite3_finalize(plan);
  if (details.find("USING INDEX HUN") == std::string::npos || details.find("TEMP B-TREE") != std::string::npos) {
    Die("SQLite does not use the index HUN for " + query + ": " + details);
  }
}

// A prepared statement, finalized when it goes.
class TSqliteStatement {
 public:
  TSqliteStatement(sqlite3* db, const std::string& query) {
    RequireHunIndexPlan(db, query);
    SqliteCheck(sqlite3_prepare_v2(db, query.c_str(), -1, &FStatement, nullptr), db, "prepare");
  }
  ~TSqliteStatement() { sqlite3_finalize(FStatement); }
  TSqliteStatement(const TSqliteStatement&) = delete;
  TSqliteStatement& operator=(const TSqliteStatement&) = delete;

  sqlite3_stmt* Get() const { return FStatement; }

 private:
  sqlite3_stmt* FStatement = nullptr;
};

// A read-only connection to the SQLite database, closed when it goes.
class TSqliteConnection {
 public:
  TSqliteConnection() : FDb(OpenSqlite()) {}
  ~TSqliteConnection() { sqlite3_close(FDb); }
  TSqliteConnection(const TSqliteConnection&) = delete;
  TSqliteConnection& operator=(const TSqliteConnection&) = delete;

  sqlite3* Get() const { return FDb; }
  void Exec(const char* sql) { SqliteCheck(sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr), FDb, sql); }

 private:
  sqlite3* FDb;
};

// The pages of the HUN order in one direction, 25 rows at a time, each page
// bound to the last row of the one before.
class TSqlitePager {
 public:
  TSqlitePager(TSqliteConnection& db, TDirection direction)
      : FDb(db),
        FFirstPage(db.Get(), Query(direction, false)),
        FNextPage(db.Get(), Query(direction, true)) {}

  // Reads the next page; the rows it held (0 at the end).
  int ReadPage(size_t& characters) {
    sqlite3_stmt* page = FStarted ? FNextPage.Get() : FFirstPage.Get();
    if (FStarted) {
      sqlite3_bind_text(page, 1, FLastHun.data(), static_cast<int>(FLastHun.size()), SQLITE_STATIC);
      sqlite3_bind_int64(page, 2, FLastRowid);
    }
    FStarted = true;
    int rows = 0, rc;
    while ((rc = sqlite3_step(page)) == SQLITE_ROW) {
      FLastRowid = sqlite3_column_int64(page, 0);
      const std::string eng(reinterpret_cast<const char*>(sqlite3_column_text(page, 1)),
                            static_cast<size_t>(sqlite3_column_bytes(page, 1)));
      const std::string hun(reinterpret_cast<const char*>(sqlite3_column_text(page, 2)),
                            static_cast<size_t>(sqlite3_column_bytes(page, 2)));
      characters += eng.size() + hun.size();
      ++rows;
      if (rows == kVisibleRows) FNextHun = hun;
    }
    SqliteCheck(rc, FDb.Get(), "page");
    sqlite3_reset(page);
    FLastHun.swap(FNextHun);
    return rows;
  }

 private:
  static std::string Query(TDirection direction, bool afterLastRow) {
    const bool forwards = direction == TDirection::Forwards;
    std::string query = "SELECT rowid, ENG, HUN FROM Eng_hun";
    if (afterLastRow) query += forwards ? " WHERE (HUN, rowid) > (?1, ?2)" : " WHERE (HUN, rowid) < (?1, ?2)";
    query += forwards ? " ORDER BY HUN, rowid" : " ORDER BY HUN DESC, rowid DESC";
    return query + " LIMIT " + std::to_string(kVisibleRows);
  }

  TSqliteConnection& FDb;
  TSqliteStatement FFirstPage;
  TSqliteStatement FNextPage;
  bool FStarted = false;
  std::string FLastHun, FNextHun;
  int64_t FLastRowid = 0;
};

void ScrollSqlite(benchmark::State& state, TDirection direction, bool inTransaction) {
  for (auto _ : state) {
    TSqliteConnection db;
    TSqlitePager pager(db, direction);
    if (inTransaction) db.Exec("BEGIN");
    std::vector<double> pageTimes;
    pageTimes.reserve(static_cast<size_t>(gRowCount / kVisibleRows + 2));
    int64_t rows = 0;
    size_t characters = 0;
    for (;;) {
      const auto start = Clock::now();
      const int read = pager.ReadPage(characters);
      pageTimes.push_back(Microseconds(start, Clock::now()));
      rows += read;
      if (read < kVisibleRows) break;
    }
    if (inTransaction) db.Exec("COMMIT");
    benchmark::DoNotOptimize(characters);
    if (rows != gRowCount) Die("the SQLite pages missed rows");
    ReportPages(state, pageTimes, rows);
    const double median = state.counters["median_us"];
    (inTransaction ? gSqliteTxnMedians : gSqliteAutocommitMedians)[DirectionIndex(direction)].push_back(median);
  }
}

// --- the dataset layer ---

// A data link that keeps one grid's rows in record buffers and reads them as
// the grid paints them.
class TGridRowsLink : public framework::TDataLink {
 public:
  TGridRowsLink(framework::TDataSource& source, int rows) {
    SetBufferCount(rows);
    SetDataSource(&source);
  }

  // Reads ENG and HUN of every visible row, each row made the active record
  // in turn, and sets the active row back; the characters read.
  size_t PaintRows(framework::TDataSet& dataSet) {
    const int active = ActiveRecord();
    size_t characters = 0;
    for (int row = 0; row < RecordCount(); ++row) {
      SetActiveRecord(row);
      characters += dataSet.FieldByName(u"ENG").AsString().size();
      characters += dataSet.FieldByName(u"HUN").AsString().size();
    }
    SetActiveRecord(active);
    return characters;
  }
};

// The components as the main window makes them, on the dictionary's
// directory: database, table in HUN order, data source, and a grid's link.
struct TDictionaryDataset {
  explicit TDictionaryDataset(const std::string& dir) {
    Database.SetName(u"VxbDatabase1");
    Database.SetDatabaseName(u"VxbDatabase1");
    Database.SetDatabaseType(dataset::TVxbDatabaseType::dbtDirectory);
    Database.SetIndexPageSize(4096);
    Database.SetBlobBlockSize(512);
    Database.SetLocation(fs::u16(dir));
    Table.SetName(u"Table1");
    Table.SetDatabaseName(u"VxbDatabase1");
    Table.SetTableName(u"Eng_hun");
    Table.SetIndexName(u"HUN");
  }
  ~TDictionaryDataset() { Table.Close(); }
  TDictionaryDataset(const TDictionaryDataset&) = delete;
  TDictionaryDataset& operator=(const TDictionaryDataset&) = delete;

  int Owner = 0;  // what the components belong to, as a window
  dataset::TVxbDatabase Database{&Owner};
  dataset::TVxbTable Table{&Owner};
  framework::TDataSource Source{&Table};
  TGridRowsLink Grid{Source, kVisibleRows};
};

double Median(std::vector<double> values) { return Percentile(std::move(values), 0.5); }

void ScrollDataset(benchmark::State& state, TDirection direction) {
  const bool forwards = direction == TDirection::Forwards;
  const int page = forwards ? kVisibleRows : -kVisibleRows;
  for (auto _ : state) {
    try {
      TDictionaryDataset components(Files().DictionaryDir());
      framework::TDataSet& table = components.Table;
      const auto openStart = Clock::now();
      components.Table.Open();
      const double openMicroseconds = Microseconds(openStart, Clock::now());
      if (forwards) {
        table.First();
      } else {
        table.Last();
      }
      // The rows visible before the first move, then those each move brings.
      int64_t rows = components.Grid.RecordCount();
      size_t characters = components.Grid.PaintRows(table);
      std::vector<double> pageTimes;
      pageTimes.reserve(static_cast<size_t>(gRowCount / kVisibleRows + 2));
      int64_t moved = 0;
      while (forwards ? !table.Eof() : !table.Bof()) {
        const auto start = Clock::now();
        moved += table.MoveBy(page);
        characters += components.Grid.PaintRows(table);
        pageTimes.push_back(Microseconds(start, Clock::now()));
      }
      benchmark::DoNotOptimize(characters);
      rows += std::abs(moved) - (kVisibleRows - 1);
      if (rows != gRowCount) Die("the dataset pages missed rows: " + std::to_string(rows));
      ReportPages(state, pageTimes, rows);
      state.counters["open_ms"] = openMicroseconds / 1000;
      const double median = state.counters["median_us"];
      if (const double sqlite = Median(gSqliteTxnMedians[DirectionIndex(direction)]); sqlite > 0) {
        state.counters["ratio_median_to_sqlite_txn"] = median / sqlite;
      }
      if (const double sqlite = Median(gSqliteAutocommitMedians[DirectionIndex(direction)]); sqlite > 0) {
        state.counters["ratio_median_to_sqlite_autocommit"] = median / sqlite;
      }
    } catch (const std::exception& e) {
      Die(std::string("dataset: ") + e.what());
    }
  }
}

int64_t CountRows() {
  TSqliteConnection db;
  sqlite3_stmt* count = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db.Get(), "SELECT count(*) FROM Eng_hun", -1, &count, nullptr), db.Get(), "count");
  SqliteCheck(sqlite3_step(count), db.Get(), "count");
  const int64_t rows = sqlite3_column_int64(count, 0);
  sqlite3_finalize(count);
  return rows;
}

// A database kept from a run that made it without the HUN index gets it.
void RequireHunIndex() {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open(Files().SqlitePath().c_str(), &db), db, "open");
  SqliteCheck(sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS HUN ON Eng_hun (HUN)", nullptr, nullptr, nullptr), db,
              "index HUN");
  sqlite3_close(db);
}

void Register() {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
  };
  for (const TDirection direction : {TDirection::Forwards, TDirection::Backwards}) {
    const std::string name = DirectionName(direction);
    timed(benchmark::RegisterBenchmark(("ScrollSqlite/" + name + "/autocommit").c_str(),
                                       [direction](benchmark::State& s) { ScrollSqlite(s, direction, false); }));
    timed(benchmark::RegisterBenchmark(("ScrollSqlite/" + name + "/transaction").c_str(),
                                       [direction](benchmark::State& s) { ScrollSqlite(s, direction, true); }));
    timed(benchmark::RegisterBenchmark(("ScrollDataset/" + name).c_str(),
                                       [direction](benchmark::State& s) { ScrollDataset(s, direction); }));
  }
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
  using namespace vexilo;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Files().DictionaryDir();
  RequireHunIndex();
  gRowCount = CountRows();
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
