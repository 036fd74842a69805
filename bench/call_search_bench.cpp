// The dictionary as the program reads it through the engine call interface:
// the table `Eng_hun` made by vxbtool from Debian's FreeDict rows
// (dictionary_files.h), opened the way the program opens it — a session on
// the directory with its default network parameters, the database opened,
// the settings set, the table opened shared with all four rights and
// through its lock file, a table handle on the ENG (or HUN) index — while a
// second process holds the same table open, so that every lock goes through
// the shared lock file. The same rows in SQLite for comparison.
//
// Keystrokes: 2,000 values sampled evenly from the rows (in the rows' order,
// ENG values for the ENG runs, HUN values for the HUN runs), each typed
// character by character; every prefix is one search:
//
//   KeystrokeCalls/ENG     VxbTableLocateRec2 on ENG, nearest, with the
//                          prefix in a key record; on a record found,
//                          VxbTableGetRecord (ENG and HUN decoded) and LEIR
//                          through VxbTableInitGetBlob and
//                          VxbTablePerformGetBlob.
//   KeystrokeSqlite/ENG/autocommit
//   KeystrokeSqlite/ENG/transaction
//                          SELECT ENG, HUN, LEIR FROM Eng_hun WHERE ENG >= ?
//                          ORDER BY ENG LIMIT 1 through one prepared
//                          statement, rebound and reset for every prefix,
//                          the three columns read as text; on its own or
//                          inside one read transaction over the run.
//   .../HUN                the same on HUN with the HUN values.
//
// Every keystroke is timed on its own; counters median_us and p99_us are
// per keystroke, and the call runs add ratio_median_to_sqlite_txn, their
// median over the median of the transaction runs on the same column (which
// run first) and lock_file_users, the users the table's lock file counts.
//
// Full walk:
//
//   WalkSqlite   SELECT ENG, HUN, LEIR FROM Eng_hun ORDER BY ENG, every
//                column's text read.
//   WalkCalls    VxbTableFirst, then VxbTableMoveBy(1) until -11 on the ENG
//                order; every record read as a keystroke reads it.
//
// Counters records, records_per_second and for WalkCalls ratio_to_sqlite
// (over the median WalkSqlite run).
//
// Every run opens the database afresh (the engine's page cache and SQLite's
// start empty; the operating system has the files cached) and times the
// work alone. Use --benchmark_repetitions=N for a spread. The files go to
// $VEXILO_BENCH_DIR when it is set (and are kept for the next run), else to
// a temporary directory. Needs the packages dict-freedict-eng-hun and
// dict-freedict-hun-eng. Run a release build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/dictionary_files.h"
#include "bench/second_process.h"
#include "bench/timing.h"
#include "engine/api/calls/call_types.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "engine/types/field_codec.h"
#include "fs/text.h"

namespace vexilo {
namespace {

using Clock = std::chrono::steady_clock;
using bench::Microseconds;
using bench::Percentile;
using bench::Die;
using bench::SqliteCheck;

constexpr int kSampledValues = 2000;
constexpr size_t kColumnWidth = 80;  // the WideString(80) columns ENG and HUN

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-call-search-bench");
  return files;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }
// --- the sampled keystrokes ---

// One prefix of a sampled value: UTF-16 for the engine, UTF-8 for SQLite.
struct TKeystroke {
  std::u16string Wide;
  std::string Utf8;
};

// Column 0 ENG, 1 HUN.
std::vector<TKeystroke> gKeystrokes[2];
int64_t gRowCount = 0;

void SampleKeystrokes() {
  std::vector<std::string> values[2];
  Files().ForEachRow([&](const std::string (&row)[3]) {
    values[0].push_back(row[0]);
    values[1].push_back(row[1]);
  });
  gRowCount = static_cast<int64_t>(values[0].size());
  if (gRowCount < kSampledValues) Die("too few rows");
  for (int column = 0; column < 2; ++column) {
    for (int i = 0; i < kSampledValues; ++i) {
      std::u16string value = fs::u16(values[column][static_cast<size_t>(gRowCount * i / kSampledValues)]);
      if (value.size() > kColumnWidth) value.resize(kColumnWidth);
      for (size_t length = 1; length <= value.size(); ++length) {
        // A surrogate pair is typed as one character.
        if (length < value.size() && value[length] >= 0xDC00 && value[length] <= 0xDFFF) continue;
        const std::u16string prefix = value.substr(0, length);
        gKeystrokes[column].push_back({prefix, fs::u8(prefix)});
      }
    }
  }
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median keystroke of each SQLite run in one read transaction, by column.
std::vector<double> gSqliteTxnMedians[2];
std::vector<double> gSqliteWalkSeconds;

void ReportKeystrokes(benchmark::State& state, std::vector<double>& times) {
  double total = 0;
  for (const double t : times) total += t;
  state.SetIterationTime(total / 1e6);
  state.counters["keystrokes"] = static_cast<double>(times.size());
  state.counters["median_us"] = Percentile(times, 0.5);
  state.counters["p99_us"] = Percentile(times, 0.99);
}

// --- SQLite ---

const char* const kColumnNames[2] = {"ENG", "HUN"};

// Dies unless SQLite's plan for `query` goes through the index `indexName`
// without a sort of its own.
void RequireIndexPlan(sqlite3* db, const std::string& query, const std::string& indexName) {
  sqlite3_stmt* plan = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + query).c_str(), -1, &plan, nullptr), db, "plan");
  std::string details;
  while (sqlite3_step(plan) == SQLITE_ROW) {
    details += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
    details += "; ";
  }
  sqlite3_finalize(plan);
  if (details.find("USING INDEX " + indexName) == std::string::npos ||
      details.find("TEMP B-TREE") != std::string::npos) {
    Die("SQLite does not use the index " + indexName + " for " + query + ": " + details);
  }
}

sqlite3* OpenSqlite() {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open_v2(Files().SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
  return db;
}

void KeystrokeSqlite(benchmark::State& state, int column, bool inTransaction) {
  const std::string name = kColumnNames[column];
  const std::string query =
      "SELECT ENG, HUN, LEIR FROM Eng_hun WHERE " + name + " >= ? ORDER BY " + name + " LIMIT 1";
  const std::vector<TKeystroke>& keystrokes = gKeystrokes[column];
  for (auto _ : state) {
    sqlite3* db = OpenSqlite();
    RequireIndexPlan(db, query, name);
    sqlite3_stmt* search = nullptr;
    SqliteCheck(sqlite3_prepare_v2(db, query.c_str(), -1, &search, nullptr), db, "prepare");
    if (inTransaction) SqliteCheck(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    std::vector<double> times;
    times.reserve(keystrokes.size());
    int64_t bytes = 0, found = 0;
    for (const TKeystroke& keystroke : keystrokes) {
      const auto start = Clock::now();
      sqlite3_bind_text(search, 1, keystroke.Utf8.data(), static_cast<int>(keystroke.Utf8.size()), SQLITE_STATIC);
      const int rc = sqlite3_step(search);
      if (rc == SQLITE_ROW) {
        for (int i = 0; i < 3; ++i) {
          benchmark::DoNotOptimize(sqlite3_column_text(search, i));
          bytes += sqlite3_column_bytes(search, i);
        }
        ++found;
      } else {
        SqliteCheck(rc, db, "search");
      }
      sqlite3_reset(search);
      times.push_back(Microseconds(start, Clock::now()));
    }
    if (inTransaction) SqliteCheck(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_finalize(search);
    sqlite3_close(db);
    benchmark::DoNotOptimize(bytes);
    ReportKeystrokes(state, times);
    state.counters["found"] = static_cast<double>(found);
    if (inTransaction) gSqliteTxnMedians[column].push_back(state.counters["median_us"]);
  }
}

void WalkSqlite(benchmark::State& state) {
  const std::string query = "SELECT ENG, HUN, LEIR FROM Eng_hun ORDER BY ENG";
  for (auto _ : state) {
    sqlite3* db = OpenSqlite();
    RequireIndexPlan(db, query, "ENG");
    const auto start = Clock::now();
    sqlite3_stmt* scan = nullptr;
    SqliteCheck(sqlite3_prepare_v2(db, query.c_str(), -1, &scan, nullptr), db, "prepare");
    int64_t records = 0, bytes = 0;
    int rc;
    while ((rc = sqlite3_step(scan)) == SQLITE_ROW) {
      for (int i = 0; i < 3; ++i) {
        benchmark::DoNotOptimize(sqlite3_column_text(scan, i));
        bytes += sqlite3_column_bytes(scan, i);
      }
      ++records;
    }
    SqliteCheck(rc, db, "scan");
    sqlite3_finalize(scan);
    const double seconds = Seconds(start);
    sqlite3_close(db);
    benchmark::DoNotOptimize(bytes);
    if (records != gRowCount) Die("the SQLite scan missed rows");
    gSqliteWalkSeconds.push_back(seconds);
    state.SetIterationTime(seconds);
    state.counters["records"] = static_cast<double>(records);
    state.counters["records_per_second"] = static_cast<double>(records) / seconds;
  }
}

// --- the engine through the calls ---

std::string LastError(api::TVxbSessHdl session) {
  int16_t code = 0;
  char16_t message[512] = {};
  api::VxbSessGetLastError(session, code, message, 511);
  return std::to_string(code) + " " + fs::u8(message);
}

// A session on the dictionary's directory, the table Eng_hun open in it
// shared and a table handle on it in the order of `indexName`, as the
// program makes them; all closed again when it goes.
class TCallTable {
 public:
  TCallTable(const std::string& dir, const char16_t* indexName) {
    const std::u16string location = fs::u16(dir);
    FSession = api::VxbCreateSession(location.c_str());
    if (FSession <= 0) Die("VxbCreateSession: " + std::to_string(FSession));
    api::TVxbNetParams params;
    Require(api::VxbSessGetDefaultNetParams(FSession, params), "VxbSessGetDefaultNetParams");
    Require(api::VxbSessSetNetParams(FSession, params), "VxbSessSetNetParams");
    Require(api::VxbSessOpenDb(FSession, location.c_str(), u"", u"", 0, 0), "VxbSessOpenDb");
    Require(api::VxbSessSetSettings(FSession, false, false, false, 20000), "VxbSessSetSettings");
    const api::TVxbRltnHdl relation = api::VxbSessOpenTable(FSession, u"Eng_hun", u"", 15, true, false);
    Require(relation, "VxbSessOpenTable");
    FTable = api::VxbTableCreate(relation, u"Bench");
    Require(FTable, "VxbTableCreate");
    Require(api::VxbTableSetIndex(FTable, indexName, false), "VxbTableSetIndex");
    FRecord.assign(static_cast<size_t>(api::VxbTableGetRecordSize(FTable)), 0);
    FKey = FRecord;
    FEng = Layout(u"ENG");
    FHun = Layout(u"HUN");
    FLeirNo = api::VxbTableGetFieldNo(FTable, u"LEIR");
    if (FLeirNo <= 0) Die("no column LEIR");
  }
  ~TCallTable() {
    if (FTable > 0) api::VxbTableDelete(FTable);
    if (FSession > 0) api::VxbSessDelete(FSession);
  }
  TCallTable(const TCallTable&) = delete;
  TCallTable& operator=(const TCallTable&) = delete;

  api::TVxbTableHdl Handle() const { return FTable; }
  const types::TVxbFieldLayout& Column(int column) const { return column == 0 ? FEng : FHun; }

  // The sessions the table's lock file counts.
  int32_t LockFileUsers() const {
    api::TVxbTableUsage usage;
    Require(api::VxbTableGetUsage(FTable, &usage), "VxbTableGetUsage");
    return usage.UserCount;
  }

  // The nearest record to `prefix` in column `column` (its index): the
  // record number found, 0 when none.
  int32_t Locate(int column, const char16_t* indexName, std::u16string_view prefix) {
    types::TVxbFieldCodec::WriteWideString(FKey.data(), Column(column), true, prefix);
    bool exact = false;
    const int32_t found = api::VxbTableLocateRec2(FTable, indexName, FKey.data(), 0, &exact);
    if (found < 0) Die("VxbTableLocateRec2: " + std::to_string(found) + ", " + LastError(FSession));
    return found;
  }

  // The current record: ENG and HUN decoded, LEIR read through the blob
  // calls; the characters read.
  size_t ReadRecord() {
    const int16_t got = api::VxbTableGetRecord(FTable, FRecord.data(), static_cast<int32_t>(FRecord.size()));
    if (got != 0) Die("VxbTableGetRecord: " + std::to_string(got) + ", " + LastError(FSession));
    types::TVxbFieldCodec::ReadWideString(FRecord.data(), FEng, FEngText);
    types::TVxbFieldCodec::ReadWideString(FRecord.data(), FHun, FHunText);
    int16_t blobType = 0;
    const int32_t size = api::VxbTableInitGetBlob(FTable, FLeirNo, 0, &blobType);
    if (size < 0) Die("VxbTableInitGetBlob: " + std::to_string(size) + ", " + LastError(FSession));
    FLeirText.resize(static_cast<size_t>(size / 2));
    const int32_t copied = api::VxbTablePerformGetBlob(FTable, FLeirText.data(), size);
    if (copied != size) Die("VxbTablePerformGetBlob: " + std::to_string(copied) + ", " + LastError(FSession));
    return FEngText.size() + FHunText.size() + FLeirText.size();
  }

 private:
  void Require(int32_t result, const char* call) const {
    if (result < 0) Die(std::string(call) + ": " + std::to_string(result) + ", " + LastError(FSession));
  }

  types::TVxbFieldLayout Layout(const char16_t* name) const {
    const int16_t fieldNo = api::VxbTableGetFieldNo(FTable, name);
    if (fieldNo <= 0) Die("no column " + fs::u8(name));
    api::TVxbFieldSpec spec;
    Require(api::VxbTableGetFieldSpec(FTable, fieldNo, &spec), "VxbTableGetFieldSpec");
    return types::TVxbFieldLayout{static_cast<size_t>(spec.InternalPosition), static_cast<size_t>(spec.InternalSize),
                                  api::VxbTableGetRltnVersion(FTable), (spec.Options & 0x08) != 0};
  }

  api::TVxbSessHdl FSession = 0;
  api::TVxbTableHdl FTable = 0;
  std::vector<uint8_t> FRecord, FKey;
  types::TVxbFieldLayout FEng, FHun;
  int16_t FLeirNo = 0;
  std::u16string FEngText, FHunText, FLeirText;
};

const char16_t* const kIndexNames[2] = {u"ENG", u"HUN"};

void KeystrokeCalls(benchmark::State& state, int column) {
  const std::vector<TKeystroke>& keystrokes = gKeystrokes[column];
  for (auto _ : state) {
    TCallTable table(Files().DictionaryDir(), kIndexNames[column]);
    std::vector<double> times;
    times.reserve(keystrokes.size());
    size_t characters = 0;
    int64_t found = 0;
    for (const TKeystroke& keystroke : keystrokes) {
      const auto start = Clock::now();
      if (table.Locate(column, kIndexNames[column], keystroke.Wide) > 0) {
        characters += table.ReadRecord();
        ++found;
      }
      times.push_back(Microseconds(start, Clock::now()));
    }
    benchmark::DoNotOptimize(characters);
    ReportKeystrokes(state, times);
    state.counters["found"] = static_cast<double>(found);
    state.counters["lock_file_users"] = table.LockFileUsers();
    if (const double sqlite = Median(gSqliteTxnMedians[column]); sqlite > 0) {
      state.counters["ratio_median_to_sqlite_txn"] = state.counters["median_us"] / sqlite;
    }
  }
}

void WalkCalls(benchmark::State& state) {
  for (auto _ : state) {
    TCallTable table(Files().DictionaryDir(), u"ENG");
    int64_t records = 0;
    size_t characters = 0;
    const auto start = Clock::now();
    int32_t moved = api::VxbTableFirst(table.Handle());
    while (moved >= 0) {
      characters += table.ReadRecord();
      ++records;
      moved = api::VxbTableMoveBy(table.Handle(), 1);
    }
    const double seconds = Seconds(start);
    if (moved != -11) Die("the walk stopped with " + std::to_string(moved));
    if (records != gRowCount) Die("the walk missed records");
    benchmark::DoNotOptimize(characters);
    state.SetIterationTime(seconds);
    state.counters["records"] = static_cast<double>(records);
    state.counters["records_per_second"] = static_cast<double>(records) / seconds;
    state.counters["lock_file_users"] = table.LockFileUsers();
    if (const double sqlite = Median(gSqliteWalkSeconds); sqlite > 0) state.counters["ratio_to_sqlite"] = seconds / sqlite;
  }
}

void Register() {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
  };
  for (int column = 0; column < 2; ++column) {
    const std::string name = kColumnNames[column];
    timed(benchmark::RegisterBenchmark(("KeystrokeSqlite/" + name + "/autocommit").c_str(),
                                       [column](benchmark::State& state) { KeystrokeSqlite(state, column, false); }));
    timed(benchmark::RegisterBenchmark(("KeystrokeSqlite/" + name + "/transaction").c_str(),
                                       [column](benchmark::State& state) { KeystrokeSqlite(state, column, true); }));
    timed(benchmark::RegisterBenchmark(("KeystrokeCalls/" + name).c_str(),
                                       [column](benchmark::State& state) { KeystrokeCalls(state, column); }));
  }
  timed(benchmark::RegisterBenchmark("WalkSqlite", WalkSqlite));
  timed(benchmark::RegisterBenchmark("WalkCalls", WalkCalls));
}

// A database kept from a run that made it without the HUN index gets it.
void RequireHunIndex() {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open(Files().SqlitePath().c_str(), &db), db, "open");
  SqliteCheck(sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS HUN ON Eng_hun (HUN)", nullptr, nullptr, nullptr), db,
              "index HUN");
  sqlite3_close(db);
}

// A second process holding the table open in a session of its own, from
// Start until Stop.
void StartTableHolder(bench::TSecondProcess& holder, const std::string& dir) {
  holder.Start([&](const std::function<void()>& waitForRelease) {
    TCallTable table(dir, u"ENG");
    waitForRelease();
    return 0;
  });
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
  using namespace vexilo;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Every file made, and the keystrokes sampled, before the second process
  // starts.
  const std::string& dir = Files().DictionaryDir();
  RequireHunIndex();
  SampleKeystrokes();
  Register();
  bench::TSecondProcess holder;
  StartTableHolder(holder, dir);
  benchmark::RunSpecifiedBenchmarks();
  holder.Stop();
  benchmark::Shutdown();
  return 0;
}
