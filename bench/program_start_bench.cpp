// The program's start as a user waits for it: the wall time from starting a
// process until it has exited, for
//
//   ProgramStart/sqlite3         the sqlite3 command-line program (Debian's
//                                package sqlite3) opening Eng_hun.sqlite
//                                read-only and printing the first 25 rows in
//                                HUN order: SELECT rowid, ENG, HUN FROM
//                                Eng_hun ORDER BY HUN, rowid LIMIT 25;
//                                left out, with a note, when the program is
//                                not installed;
//   ProgramStart/qt_application  qt_start_reference: a process that only
//                                creates the Qt application object;
//   ProgramStart/qt_window       qt_start_reference --show-window: the same
//                                and one small main window shown;
//   ProgramStart/vexilo          the build's `vexilo --quit-when-shown`
//                                (VEXILO_PROGRAM), which creates its windows,
//                                shows the main window, opens the table
//                                Eng_hun on the index HUN and ends with exit
//                                code 0 (1 when the table did not open).
//
// Every process runs with QT_QPA_PLATFORM=offscreen (no display), its
// working directory the directory of the files (for vexilo the dictionary
// made by vxbtool, dictionary_files.h), its output into a file. A run that
// does not end with exit code 0, or takes longer than a minute, ends the
// benchmark with the process's output.
//
// Each benchmark starts its program once apart from the figures (counter
// first_ms: the program's pages may not be in memory yet) and then
// kWarmStarts times; the run's time is the median warm start, counters
// median_ms, min_ms, p90_ms, max_ms over the warm starts, and
// ratio_median_to_sqlite3, the median over that of ProgramStart/sqlite3
// (which runs first). Use --benchmark_repetitions=N for more.
//
// The files go to $VEXILO_BENCH_DIR when it is set (and are kept for the
// next run), else to a temporary directory. Needs the packages
// dict-freedict-eng-hun, dict-freedict-hun-eng and sqlite3. Run a release
// build.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bench/dictionary_files.h"
#include "bench/timing.h"

namespace vexilo {
namespace {

using Clock = std::chrono::steady_clock;
using bench::Percentile;
using bench::Die;

constexpr int kWarmStarts = 20;
constexpr auto kStartTimeout = std::chrono::seconds(60);

bench::TDictionaryFiles& Files() {
  static bench::TDictionaryFiles files("vexilo-program-start-bench");
  return files;
}

std::string OutputFile() { return (std::filesystem::path(Files().Dir()) / "program_start.out").string(); }

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The path of `program` in $PATH, empty when it is not there.
std::string FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream directories(path != nullptr ? path : "/usr/bin:/bin");
  std::string directory;
  while (std::getline(directories, directory, ':')) {
    const std::filesystem::path candidate = std::filesystem::path(directory) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

// One started process: `arguments` (the program first) run in `directory`
// with its output and errors into OutputFile(). A process still running when
// the object goes is killed and reaped.
class TChildProcess {
 public:
  TChildProcess(const std::vector<std::string>& arguments, const std::string& directory) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string output = OutputFile();
    FPid = ::fork();
    if (FPid < 0) Die("fork");
    if (FPid == 0) {
      const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int in = ::open("/dev/null", O_RDONLY);
      if (out < 0 || in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 ||
          ::chdir(directory.c_str()) != 0) {
        ::_exit(126);
      }
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~TChildProcess() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    int status = 0;
    ::waitpid(FPid, &status, 0);
  }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // Waits until the process has exited, at most kStartTimeout; its exit code,
  // -1 when it was ended by a signal or ran too long. The wait sleeps on a
  // process descriptor, so it takes no processor time from the child.
  int Wait() {
    const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, FPid, 0));
    if (descriptor < 0) Die("pidfd_open");
    pollfd ended{descriptor, POLLIN, 0};
    const int ready = ::poll(&ended, 1, static_cast<int>(std::chrono::milliseconds(kStartTimeout).count()));
    ::close(descriptor);
    if (ready < 0) Die("poll");
    if (ready == 0) return -1;
    int status = 0;
    if (::waitpid(FPid, &status, 0) != FPid) Die("waitpid");
    FPid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t FPid = 0;
};

// The wall time, in milliseconds, of one start of `arguments` in `directory`
// until the process has exited with 0.
double StartMilliseconds(const std::vector<std::string>& arguments, const std::string& directory) {
  const auto start = Clock::now();
  TChildProcess child(arguments, directory);
  const int exitCode = child.Wait();
  const double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (exitCode != 0) {
    Die(arguments[0] + " ended with " + std::to_string(exitCode) + " (-1: a signal or over a minute): " +
        FileText(OutputFile()));
  }
  return milliseconds;
}

// The median warm start of each ProgramStart/sqlite3 run.
std::vector<double> gSqliteMedians;

void ProgramStart(benchmark::State& state, const std::vector<std::string>& arguments, const std::string& directory,
                  bool isSqlite) {
  for (auto _ : state) {
    const double first = StartMilliseconds(arguments, directory);
    std::vector<double> warm;
    for (int i = 0; i < kWarmStarts; ++i) warm.push_back(StartMilliseconds(arguments, directory));
    const double median = Percentile(warm, 0.5);
    state.SetIterationTime(median / 1000);
    state.counters["first_ms"] = first;
    state.counters["median_ms"] = median;
    state.counters["min_ms"] = Percentile(warm, 0);
    state.counters["p90_ms"] = Percentile(warm, 0.9);
    state.counters["max_ms"] = Percentile(warm, 1);
    state.counters["warm_starts"] = kWarmStarts;
    if (isSqlite) {
      gSqliteMedians.push_back(median);
    } else if (!gSqliteMedians.empty()) {
      state.counters["ratio_median_to_sqlite3"] = median / Percentile(gSqliteMedians, 0.5);
    }
  }
}

void Register() {
  const auto timed = [](benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
  };
  const std::string sqliteFile = Files().SqlitePath();
  const std::string sqliteProgram = FindInPath("sqlite3");
  if (sqliteProgram.empty()) {
    std::fprintf(stderr, "sqlite3 is not installed (Debian's package sqlite3): ProgramStart/sqlite3 is left out\n");
  } else {
    const std::vector<std::string> arguments = {
        sqliteProgram, "-readonly", std::filesystem::path(sqliteFile).filename().string(),
        "SELECT rowid, ENG, HUN FROM Eng_hun ORDER BY HUN, rowid LIMIT 25"};
    const std::string directory = std::filesystem::path(sqliteFile).parent_path().string();
    timed(benchmark::RegisterBenchmark("ProgramStart/sqlite3", [arguments, directory](benchmark::State& s) {
      ProgramStart(s, arguments, directory, true);
    }));
  }
  const std::string dictionary = Files().DictionaryDir();
  const auto program = [&](const char* name, std::vector<std::string> arguments) {
    timed(benchmark::RegisterBenchmark(name, [arguments, dictionary](benchmark::State& s) {
      ProgramStart(s, arguments, dictionary, false);
    }));
  };
  program("ProgramStart/qt_application", {VEXILO_QT_START_REFERENCE});
  program("ProgramStart/qt_window", {VEXILO_QT_START_REFERENCE, "--show-window"});
  program("ProgramStart/vexilo", {VEXILO_PROGRAM, "--quit-when-shown"});
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
  using namespace vexilo;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Every process started inherits it.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
