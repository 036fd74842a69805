// Setting a filter in the filter window on the real dictionary, the way the
// user does: the table `Eng_hun` made by vxbtool from Debian's FreeDict rows
// (dictionary_files.h) in the working directory, the program's windows made
// offscreen and the main window shown (its table open on the index HUN),
// then the filter window's rows filled with "Angol" = x "Or" "Magyar" = y and
// composed. Each measured step is the "Beállít" button's click until the
// maintenance window's count label holds the count (the handler switches the
// filter off, sets the text, switches it on — the engine evaluates the
// condition and keeps the list of matches — and reads the count), with the
// events that follow processed.
//
//   ApplyFilter        the click, for 200 (x, y) pairs taken from the
//                      dictionary's own rows (every pair matches);
//   SqliteFilter/autocommit
//   SqliteFilter/transaction
//                      the same rows in SQLite: SELECT rowid FROM Eng_hun
//                      WHERE ENG = ? OR HUN = ? ORDER BY HUN, every rowid
//                      kept in a list (the engine keeps its matches in HUN
//                      order too), then the list's length as the count; on
//                      its own or inside one read transaction.
//
// Every step is timed on its own; counters: steps, median_us, p90_us,
// p99_us, and for ApplyFilter ratio_median_to_sqlite_txn over the median of
// SQLite's transaction runs (which run first). The target is at most 20 ms
// per click. Use --benchmark_repetitions=N for a spread over runs. The files
// go to $VEXILO_BENCH_DIR when it is set (and are kept), else to a temporary
// directory. Run a release build.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/filter_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "bench/dictionary_files.h"
#include "bench/timing.h"
#include "dataset/table.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo {
namespace {

using bench::SqliteCheck;
using Clock = std::chrono::steady_clock;
using bench::Microseconds;
using bench::Percentile;

constexpr int kPairs = 200;

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-filter-apply-bench");
  return files;
}

void ReportSteps(benchmark::State& state, const std::vector<double>& times) {
  double total = 0;
  for (const double t : times) total += t;
  state.SetIterationTime(total / 1e6);
  state.counters["steps"] = static_cast<double>(times.size());
  state.counters["median_us"] = Percentile(times, 0.5);
  state.counters["p90_us"] = Percentile(times, 0.9);
  state.counters["p99_us"] = Percentile(times, 0.99);
}

// (ENG, HUN) of rows spread over the dictionary, without quotes so that the
// SQLite side binds the same texts the window quotes.
std::vector<std::pair<std::string, std::string>> gPairs;
std::vector<double> gSqliteTxnMedians;

void ChoosePairs() {
  std::vector<std::pair<std::string, std::string>> all;
  Files().ForEachRow([&](const std::string (&values)[3]) {
    if (values[0].find('\'') == std::string::npos && values[1].find('\'') == std::string::npos &&
        !values[0].empty() && !values[1].empty()) {
      all.emplace_back(values[0], values[1]);
    }
  });
  const size_t step = std::max<size_t>(1, all.size() / kPairs);
  for (size_t i = 0; i < all.size() && gPairs.size() < kPairs; i += step) gPairs.push_back(all[i]);
}

// --- SQLite ---

void SqliteFilter(benchmark::State& state, bool transaction) {
  sqlite3* db = nullptr;
  SqliteCheck(sqlite3_open_v2(Files().SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
  sqlite3_stmt* select = nullptr;
  SqliteCheck(sqlite3_prepare_v2(db, "SELECT rowid FROM Eng_hun WHERE ENG = ?1 OR HUN = ?2 ORDER BY HUN", -1,
                                 &select, nullptr),
              db, "prepare");
  std::vector<double> times;
  int64_t matches = 0;
  for (auto _ : state) {
    if (transaction) SqliteCheck(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    for (const auto& [eng, hun] : gPairs) {
      const Clock::time_point start = Clock::now();
      sqlite3_bind_text(select, 1, eng.data(), static_cast<int>(eng.size()), SQLITE_STATIC);
      sqlite3_bind_text(select, 2, hun.data(), static_cast<int>(hun.size()), SQLITE_STATIC);
      std::vector<int64_t> list;
      int rc = 0;
      while ((rc = sqlite3_step(select)) == SQLITE_ROW) list.push_back(sqlite3_column_int64(select, 0));
      SqliteCheck(rc, db, "select");
      sqlite3_reset(select);
      benchmark::DoNotOptimize(list.size());
      times.push_back(Microseconds(start, Clock::now()));
      matches += static_cast<int64_t>(list.size());
    }
    if (transaction) SqliteCheck(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
  ReportSteps(state, times);
  state.counters["matches"] = static_cast<double>(matches);
  if (transaction) gSqliteTxnMedians.push_back(Percentile(times, 0.5));
}

// --- the filter window ---

class TQuietMessageBoxes : public framework::TMessageBoxes {
 public:
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
  void ShowOk(QWidget*, const QString& title, const QString& text) override {
    bench::Die(("unexpected message: " + title + " " + text).toStdString());
  }
};

void ApplyFilter(benchmark::State& state) {
  TQuietMessageBoxes boxes;
  framework::TMessageBoxesOverride quiet(boxes);
  app::TForms forms;
  app::Form1->show();
  QCoreApplication::processEvents();
  if (!app::Form1->Table1->Active()) bench::Die("the dictionary did not open");
  app::TForm6& window = *app::Form6;
  window.show();
  window.ComboBox1->setEditText(QStringLiteral("Angol"));
  window.ComboBox2->setEditText(QStringLiteral("="));
  window.ComboBox3->setEditText(QStringLiteral("Or"));
  window.ComboBox4->setEditText(QStringLiteral("Magyar"));
  window.ComboBox5->setEditText(QStringLiteral("="));
  window.RadioButton1->setChecked(true);

  std::vector<double> times;
  int64_t matches = 0;
  for (auto _ : state) {
    for (const auto& [eng, hun] : gPairs) {
      window.Edit1->setText(QString::fromStdString(eng));
      window.Edit2->setText(QString::fromStdString(hun));
      window.ComboBox1Enter();
      app::Form2->Label2->clear();
      const Clock::time_point start = Clock::now();
      window.BitBtn2->click();
      QCoreApplication::processEvents();
      times.push_back(Microseconds(start, Clock::now()));
      const int count = app::Form2->Label2->text().toInt();
      if (count < 1) bench::Die("no entry passed the filter for " + eng + " / " + hun);
      matches += count;
    }
  }
  window.hide();
  app::Form1->Table1->SetFiltered(false);
  app::Form1->Table1->Close();
  ReportSteps(state, times);
  state.counters["matches"] = static_cast<double>(matches);
  if (!gSqliteTxnMedians.empty()) {
    std::vector<double> medians = gSqliteTxnMedians;
    state.counters["ratio_median_to_sqlite_txn"] = Percentile(times, 0.5) / Percentile(medians, 0.5);
  }
}

void Register() {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
  };
  timed(benchmark::RegisterBenchmark("SqliteFilter/autocommit", [](benchmark::State& s) { SqliteFilter(s, false); }));
  timed(benchmark::RegisterBenchmark("SqliteFilter/transaction", [](benchmark::State& s) { SqliteFilter(s, true); }));
  timed(benchmark::RegisterBenchmark("ApplyFilter", ApplyFilter));
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
  using namespace vexilo;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  QApplication application(argc, argv);
  QDir::setCurrent(QString::fromStdString(Files().DictionaryDir()));
  Files().SqlitePath();
  ChoosePairs();
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
