// A keystroke in the English search window, from the key event to the
// window's new contents, on the real dictionary: the table `Eng_hun` made by
// vxbtool from Debian's FreeDict rows (dictionary_files.h), opened by the
// program's own windows (TForms; the main window shown opens the table on
// its directory) with the search window Form5 shown offscreen
// (QT_QPA_PLATFORM=offscreen unless set otherwise). The same rows in SQLite
// for comparison.
//
// Keystrokes: the 2,000 ENG values of call_search_bench (sampled evenly from
// the rows, in the rows' order), each typed character by character into an
// emptied edit box; every character is one timed keystroke:
//
//   KeystrokeWindow/ENG    a key press and release carrying the character
//                          sent to Edit1, the event loop run until idle (the
//                          window's change handler calls FindNearest, the
//                          grid and the memo follow), then every visible row
//                          of the grid read through the dataset (CellText of
//                          both columns) and the memo's text read.
//   KeystrokeSqlite/ENG/autocommit
//   KeystrokeSqlite/ENG/transaction
//                          the same page in SQLite: SELECT ENG, HUN, LEIR
//                          FROM Eng_hun WHERE ENG >= ? ORDER BY ENG LIMIT n
//                          and SELECT ENG, HUN ... WHERE ENG < ? ORDER BY
//                          ENG DESC LIMIT m, where n + m are the grid's
//                          visible rows split as the grid centres the
//                          current record; every column's text copied out;
//                          on its own or inside one read transaction.
//
// Counters median_us and p99_us are per keystroke; the window runs add
// ratio_median_to_sqlite_txn (their median over the median of the SQLite
// transaction runs, which run first) and visible_rows. Use
// --benchmark_repetitions=N for a spread. The files go to $VEXILO_BENCH_DIR
// when it is set (and are kept), else to a temporary directory. Needs the
// packages dict-freedict-eng-hun and dict-freedict-hun-eng. Run a release
// build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/english_search_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "bench/dictionary_files.h"
#include "bench/timing.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/db_memo.h"
#include "framework/widgets/message_boxes.h"
#include "fs/text.h"

namespace vexilo {
namespace {

using Clock = std::chrono::steady_clock;
using bench::Microseconds;
using bench::Percentile;
using bench::Die;
using bench::SqliteCheck;

constexpr int kSampledValues = 2000;
constexpr int kMaxTyped = 40;  // the edit box takes at most 40 characters

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-search-window-bench");
  return files;
}

// The sampled ENG values, as the user types them.
std::vector<QString> gValues;
// The grid's visible rows, found by the first window run (before the SQLite
// runs use it).
int gVisibleRows = 0;
std::vector<double> gSqliteTxnMedians;

void SampleValues() {
  std::vector<std::string> values;
  Files().ForEachRow([&](const std::string (&row)[3]) { values.push_back(row[0]); });
  if (values.size() < static_cast<size_t>(kSampledValues)) Die("too few rows");
  for (int i = 0; i < kSampledValues; ++i) {
    const auto at = static_cast<size_t>(static_cast<int64_t>(values.size()) * i / kSampledValues);
    gValues.push_back(QString::fromStdString(values[at]).left(kMaxTyped));
  }
}

void Report(benchmark::State& state, const std::vector<double>& times) {
  double total = 0;
  for (const double t : times) total += t;
  state.SetIterationTime(total / 1e6);
  state.counters["keystrokes"] = static_cast<double>(times.size());
  state.counters["median_us"] = Percentile(times, 0.5);
  state.counters["p99_us"] = Percentile(times, 0.99);
}

// Message boxes nobody answers: a question gets No.
class TQuietBoxes : public framework::TMessageBoxes {
 public:
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
  void ShowOk(QWidget*, const QString& title, const QString& text) override {
    Die("message box " + title.toStdString() + ": " + text.toStdString());
  }
};

void SendCharacter(QWidget* widget, QChar character) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
  QCoreApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
  QCoreApplication::sendEvent(widget, &release);
}

void KeystrokeWindow(benchmark::State& state) {
  for (auto _ : state) {
    TQuietBoxes quiet;
    framework::TMessageBoxesOverride boxes(quiet);
    QDir::setCurrent(QString::fromStdString(Files().DictionaryDir()));
    app::TForms forms;
    app::Form1->show();
    if (!app::Form1->Table1->Active()) Die("the dictionary did not open");
    app::TForm5& window = *app::Form5;
    window.show();
    QCoreApplication::processEvents();
    gVisibleRows = window.DBGrid1->VisibleRowCount();
    std::vector<double> times;
    size_t characters = 0;
    for (const QString& value : gValues) {
      window.Edit1->clear();
      QCoreApplication::processEvents();
      for (const QChar character : value) {
        const auto start = Clock::now();
        SendCharacter(window.Edit1, character);
        QCoreApplication::processEvents();
        for (int row = 0; row < window.DBGrid1->RowCount(); ++row) {
          characters += static_cast<size_t>(window.DBGrid1->CellText(row, 0).size());
          characters += static_cast<size_t>(window.DBGrid1->CellText(row, 1).size());
        }
        characters += static_cast<size_t>(window.DBMemo1->toPlainText().size());
        times.push_back(Microseconds(start, Clock::now()));
      }
    }
    benchmark::DoNotOptimize(characters);
    window.hide();
    Report(state, times);
    state.counters["visible_rows"] = gVisibleRows;
    if (!gSqliteTxnMedians.empty()) {
      std::vector<double> medians = gSqliteTxnMedians;
      state.counters["ratio_median_to_sqlite_txn"] = state.counters["median_us"] / Percentile(medians, 0.5);
    }
  }
}

// --- SQLite ---

class TStatement {
 public:
  TStatement(sqlite3* db, const char* query) : FDb(db) {
    SqliteCheck(sqlite3_prepare_v2(db, query, -1, &FStatement, nullptr), db, query);
  }
  ~TStatement() { sqlite3_finalize(FStatement); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;
  // Binds `prefix` and `limit`, copies out every column of every row.
  size_t Read(const std::string& prefix, int limit) {
    sqlite3_bind_text(FStatement, 1, prefix.data(), static_cast<int>(prefix.size()), SQLITE_STATIC);
    sqlite3_bind_int(FStatement, 2, limit);
    size_t characters = 0;
    int rc;
    while ((rc = sqlite3_step(FStatement)) == SQLITE_ROW) {
      for (int column = 0; column < sqlite3_column_count(FStatement); ++column) {
        const std::string text(reinterpret_cast<const char*>(sqlite3_column_text(FStatement, column)),
                               static_cast<size_t>(sqlite3_column_bytes(FStatement, column)));
        characters += text.size();
      }
    }
    SqliteCheck(rc, FDb, "step");
    sqlite3_reset(FStatement);
    return characters;
  }

 private:
  sqlite3* FDb;
  sqlite3_stmt* FStatement = nullptr;
};

void KeystrokeSqlite(benchmark::State& state, bool inTransaction) {
  const int rows = gVisibleRows > 0 ? gVisibleRows : 11;
  const int before = (rows - 1) / 2;
  for (auto _ : state) {
    sqlite3* db = nullptr;
    SqliteCheck(sqlite3_open_v2(Files().SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
    {
      TStatement atOrAfter(db, "SELECT ENG, HUN, LEIR FROM Eng_hun WHERE ENG >= ?1 ORDER BY ENG LIMIT ?2");
      TStatement above(db, "SELECT ENG, HUN FROM Eng_hun WHERE ENG < ?1 ORDER BY ENG DESC LIMIT ?2");
      if (inTransaction) SqliteCheck(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "BEGIN");
      std::vector<double> times;
      size_t characters = 0;
      for (const QString& value : gValues) {
        for (qsizetype length = 1; length <= value.size(); ++length) {
          const std::string prefix = value.left(length).toStdString();
          const auto start = Clock::now();
          characters += atOrAfter.Read(prefix, rows - before);
          characters += above.Read(prefix, before);
          times.push_back(Microseconds(start, Clock::now()));
        }
      }
      if (inTransaction) SqliteCheck(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "COMMIT");
      benchmark::DoNotOptimize(characters);
      Report(state, times);
      if (inTransaction) gSqliteTxnMedians.push_back(state.counters["median_us"]);
    }
    sqlite3_close(db);
  }
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  vexilo::SampleValues();
  // A first window run finds the grid's visible rows for the SQLite pages.
  benchmark::RegisterBenchmark("KeystrokeWindow/ENG/warm-up", vexilo::KeystrokeWindow)
      ->UseManualTime()
      ->Iterations(1)
      ->Repetitions(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("KeystrokeSqlite/ENG/autocommit",
                               [](benchmark::State& state) { vexilo::KeystrokeSqlite(state, false); })
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("KeystrokeSqlite/ENG/transaction",
                               [](benchmark::State& state) { vexilo::KeystrokeSqlite(state, true); })
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("KeystrokeWindow/ENG", vexilo::KeystrokeWindow)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
