// Posting an edited dictionary entry, as the maintenance window does: the
// table `Eng_hun` made by vxbtool from Debian's FreeDict rows
// (dictionary_files.h) with both indexes, opened through the dataset layer
// the way the main window opens it, while a second process holds the same
// table open (so every lock goes through the lock file). Each post changes
// ENG, HUN (both indexed) and a 500-character LEIR of one entry in the middle
// of the table; ENG and HUN alternate between two texts, so every post moves
// the entry in both indexes.
//
//   PostDataset/grid_25_rows
//                         Edit, the three values set, then Post; Post alone
//                         is timed, with a data link of 25 record buffers as
//                         the maintenance window's grid has (the post
//                         re-reads them). Post hands the record, the
//                         description and the index pages to the table,
//                         which writes them into the files when it gives its
//                         write lock back, at the earliest 10 ms later (in
//                         its unlock thread); nothing asks for fsync. A crash
//                         of the program right after a post can lose it.
//   PostDataset/one_buffer
//                         the same with one record buffer: the post without
//                         the grid's rows.
//   UpdateSqlite/wal_normal
//                         UPDATE Eng_hun SET ENG = ?, HUN = ?, LEIR = ?
//                         WHERE rowid = ? in autocommit, journal_mode=WAL,
//                         synchronous=NORMAL: the same durability as a post
//                         (the WAL reaches the OS, no fsync per commit).
//   UpdateSqlite/wal_full WAL, synchronous=FULL: the WAL is synced at every
//                         commit.
//   UpdateSqlite/default  the default rollback journal, synchronous=FULL
//                         (fsync of the journal and the database per commit).
// The SQLite runs work on copies of the same rows with indexes ENG and HUN;
// the second process holds each database open as well.
//
// Counters: posts, median_us, p99_us, min_us, max_us per post (or UPDATE);
// for the dataset also edit_median_us (Edit with its lock and re-read) and
// ratio_median_to_sqlite_wal_normal. Use --benchmark_repetitions=N for a
// spread over runs; $VEXILO_BENCH_DIR keeps the files between runs. Needs
// the packages dict-freedict-eng-hun and dict-freedict-hun-eng. Run a release
// build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/dictionary_files.h"
#include "bench/second_process.h"
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

constexpr int kPosts = 2000;
constexpr size_t kDescriptionLength = 500;

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-dataset-post-bench");
  return files;
}

void ReportPosts(benchmark::State& state, const std::vector<double>& times) {
  double total = 0;
  for (const double t : times) total += t;
  state.SetIterationTime(total / 1e6);
  state.counters["posts"] = static_cast<double>(times.size());
  state.counters["median_us"] = Percentile(times, 0.5);
  state.counters["p99_us"] = Percentile(times, 0.99);
  state.counters["min_us"] = *std::min_element(times.begin(), times.end());
  state.counters["max_us"] = *std::max_element(times.begin(), times.end());
}

// The two versions of the edited entry, taken in turn.
struct TVersion {
  std::u16string Eng, Hun, Leir;
};
std::vector<TVersion> Versions() {
  std::vector<TVersion> versions;
  for (const char16_t* tag : {u"a", u"b"}) {
    std::u16string leir;
    while (leir.size() < kDescriptionLength) leir += u"ő és ű\tárvíztűrő tükörfúrógép (" + std::u16string(tag) + u")\r\n";
    leir.resize(kDescriptionLength);
    versions.push_back({u"benchmark entry " + std::u16string(tag), u"mérőbejegyzés " + std::u16string(tag), leir});
  }
  return versions;
}

std::string Utf8(const std::u16string& text) { return fs::Utf16ToUtf8(text); }

// The SQLite copies of the rows, one per journal setting.
struct TSqliteCopy {
  const char* Name;
  const char* Pragmas;
};
const TSqliteCopy kSqliteCopies[] = {
    {"wal_normal", "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"},
    {"wal_full", "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"},
    {"default", "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"},
};
std::string CopyPath(const TSqliteCopy& copy) {
  return (std::filesystem::path(Files().SqlitePath()).parent_path() / (std::string("post-") + copy.Name + ".sqlite"))
      .string();
}

std::vector<double> gSqliteWalNormalMedians;
// The rows of the table, counted once before the runs.
int64_t gRowCount = 0;

int64_t CountRows() {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open_v2(Files().SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
  sqlite3_stmt* count = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db, "SELECT count(*) FROM Eng_hun", -1, &count, nullptr), db, "count");
  SqliteCheck(sqlite3_step(count), db, "count");
  const int64_t rows = sqlite3_column_int64(count, 0);
  sqlite3_finalize(count);
  sqlite3_close(db);
  return rows;
}

void UpdateSqlite(benchmark::State& state, const TSqliteCopy& copy) {
  const std::vector<TVersion> versions = Versions();
  for (auto _ : state) {
    sqlite3* db = nullptr;
    SqliteCheck(sqlite3_open(CopyPath(copy).c_str(), &db), db, "open");
    SqliteCheck(sqlite3_exec(db, copy.Pragmas, nullptr, nullptr, nullptr), db, "pragmas");
    sqlite3_stmt* update = nullptr;
    SqliteCheck(sqlite3_prepare_v2(db, "UPDATE Eng_hun SET ENG = ?1, HUN = ?2, LEIR = ?3 WHERE rowid = ?4", -1,
                                   &update, nullptr),
                db, "prepare");
    const int64_t rowid = 1 + static_cast<int64_t>(gRowCount / 2);
    std::vector<double> times;
    times.reserve(kPosts);
    for (int i = 0; i < kPosts; ++i) {
      const TVersion& v = versions[static_cast<size_t>(i % 2)];
      const std::string eng = Utf8(v.Eng), hun = Utf8(v.Hun), leir = Utf8(v.Leir);
      const auto start = Clock::now();
      sqlite3_bind_text(update, 1, eng.data(), static_cast<int>(eng.size()), SQLITE_STATIC);
      sqlite3_bind_text(update, 2, hun.data(), static_cast<int>(hun.size()), SQLITE_STATIC);
      sqlite3_bind_text(update, 3, leir.data(), static_cast<int>(leir.size()), SQLITE_STATIC);
      sqlite3_bind_int64(update, 4, rowid);
      if (sqlite3_step(update) != SQLITE_DONE) SqliteCheck(SQLITE_ERROR, db, "update");
      sqlite3_reset(update);
      times.push_back(Microseconds(start, Clock::now()));
      if (sqlite3_changes(db) != 1) Die("the UPDATE changed no row");
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
    ReportPosts(state, times);
    if (std::string(copy.Name) == "wal_normal") gSqliteWalNormalMedians.push_back(state.counters["median_us"]);
  }
}

// The components as the main window makes them, on the dictionary's
// directory, with a grid's data link.
class TGridLink : public framework::TDataLink {
 public:
  TGridLink(framework::TDataSource& source, int rows) {
    SetBufferCount(rows);
    SetDataSource(&source);
  }
};
struct TDictionaryDataset {
  explicit TDictionaryDataset(const std::string& dir, int gridRows = 25) : Grid(Source, gridRows) {
    Database.SetName(u"VxbDatabase1");
    Database.SetDatabaseName(u"VxbDatabase1");
    Database.SetDatabaseType(dataset::TVxbDatabaseType::dbtDirectory);
    Database.SetIndexPageSize(4096);
    Database.SetBlobBlockSize(512);
    Database.SetLocation(fs::u16(dir));
    Table.SetName(u"Table1");
    Table.SetDatabaseName(u"VxbDatabase1");
    Table.SetTableName(u"Eng_hun");
    Table.SetIndexName(u"ENG");
  }
  ~TDictionaryDataset() { Table.Close(); }
  TDictionaryDataset(const TDictionaryDataset&) = delete;
  TDictionaryDataset& operator=(const TDictionaryDataset&) = delete;

  int Owner = 0;
  dataset::TVxbDatabase Database{&Owner};
  dataset::TVxbTable Table{&Owner};
  framework::TDataSource Source{&Table};
  TGridLink Grid;
};

void PostDataset(benchmark::State& state, int gridRows) {
  const std::vector<TVersion> versions = Versions();
  for (auto _ : state) {
    try {
      TDictionaryDataset components(Files().DictionaryDir(), gridRows);
      dataset::TVxbTable& table = components.Table;
      table.Open();
      table.SetRecordNo(static_cast<int32_t>(gRowCount / 2));
      std::vector<double> times, editTimes;
      times.reserve(kPosts);
      for (int i = 0; i < kPosts; ++i) {
        const TVersion& v = versions[static_cast<size_t>(i % 2)];
        const auto editStart = Clock::now();
        table.Edit();
        editTimes.push_back(Microseconds(editStart, Clock::now()));
        table.FieldByName(u"ENG").SetAsString(v.Eng);
        table.FieldByName(u"HUN").SetAsString(v.Hun);
        table.FieldByName(u"LEIR").SetAsString(v.Leir);
        const auto start = Clock::now();
        table.Post();
        times.push_back(Microseconds(start, Clock::now()));
      }
      if (table.FieldByName(u"LEIR").AsString() != versions[(kPosts - 1) % 2].Leir) Die("the post lost the LEIR");
      ReportPosts(state, times);
      state.counters["edit_median_us"] = Percentile(editTimes, 0.5);
      if (!gSqliteWalNormalMedians.empty()) {
        state.counters["ratio_median_to_sqlite_wal_normal"] =
            state.counters["median_us"] / Percentile(gSqliteWalNormalMedians, 0.5);
      }
    } catch (const std::exception& e) {
      Die(std::string("dataset: ") + e.what());
    }
  }
}

// A second process holding the table and the SQLite copies open, from Start
// until Stop.
void StartHolder(bench::TSecondProcess& holder, const std::string& dir) {
  holder.Start([&](const std::function<void()>& waitForRelease) {
    int status = 0;
    TDictionaryDataset components(dir);
    components.Table.Open();
    std::vector<sqlite3*> connections;
    for (const TSqliteCopy& copy : kSqliteCopies) {
      sqlite3* db = nullptr;
      if (sqlite3_open(CopyPath(copy).c_str(), &db) != SQLITE_OK ||
          sqlite3_exec(db, "SELECT count(*) FROM Eng_hun", nullptr, nullptr, nullptr) != SQLITE_OK) {
        status = 3;
      }
      connections.push_back(db);
    }
    waitForRelease();
    for (sqlite3* db : connections) sqlite3_close(db);
    return status;
  });
}

// Fresh SQLite copies of the rows in their journal modes.
void MakeSqliteCopies() {
  for (const TSqliteCopy& copy : kSqliteCopies) {
    const std::string path = CopyPath(copy);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix);
    std::filesystem::copy_file(Files().SqlitePath(), path);
    sqlite3* db = nullptr;
    SqliteCheck(sqlite3_open(path.c_str(), &db), db, "open");
    SqliteCheck(sqlite3_exec(db, copy.Pragmas, nullptr, nullptr, nullptr), db, "pragmas");
    sqlite3_close(db);
  }
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
  using namespace vexilo;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const std::string& dir = Files().DictionaryDir();
  MakeSqliteCopies();
  gRowCount = CountRows();
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
  };
  for (const TSqliteCopy& copy : kSqliteCopies) {
    timed(benchmark::RegisterBenchmark((std::string("UpdateSqlite/") + copy.Name).c_str(),
                                       [&copy](benchmark::State& s) { UpdateSqlite(s, copy); }));
  }
  timed(benchmark::RegisterBenchmark("PostDataset/grid_25_rows", [](benchmark::State& s) { PostDataset(s, 25); }));
  timed(benchmark::RegisterBenchmark("PostDataset/one_buffer", [](benchmark::State& s) { PostDataset(s, 1); }));
  bench::TSecondProcess holder;
  StartHolder(holder, dir);
  benchmark::RunSpecifiedBenchmarks();
  holder.Stop();
  benchmark::Shutdown();
  return 0;
}
