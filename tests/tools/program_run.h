// Running a command-line program of the project as a real child process:
// its arguments, extra environment variables, and what it wrote to standard
// output and standard error (through files, so nothing is lost to a pipe).
// TStartedProgram runs one beside the test instead: the test reads the
// lines it writes to standard error as they come and writes to its standard
// input, so that the two can take turns.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace vexilo::tools::testing {

struct TToolRun {
  int Status = -1;  // the exit status; -1 when the program did not exit
  std::string Out;
  std::string Err;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `program` with `args` and the variables of `environment` set; its
// standard output and error go through the files `outPath` and `errPath`.
inline TToolRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                           const std::string& outPath, const std::string& errPath,
                           const std::vector<std::pair<std::string, std::string>>& environment = {}) {
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int outFd = ::open(outPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    const int errFd = ::open(errPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(126);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  TToolRun run;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.Status = WEXITSTATUS(status);
  run.Out = ReadWholeFile(outPath);
  run.Err = ReadWholeFile(errPath);
  return run;
}

// A program started beside the test (with fork and exec, so from a test
// process with one thread), its standard input and error on pipes, its
// standard output in `outPath`. A program still running when the object
// goes away is killed.
class TStartedProgram {
 public:
  TStartedProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outPath) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int input[2];
    int error[2];
    if (::pipe(input) != 0 || ::pipe(error) != 0) std::abort();
    FPid = fork();
    if (FPid == 0) {
      const int outFd = ::open(outPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
      if (outFd < 0 || dup2(outFd, 1) < 0 || dup2(input[0], 0) < 0 || dup2(error[1], 2) < 0) _exit(126);
      ::close(input[1]);
      ::close(error[0]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    ::close(input[0]);
    ::close(error[1]);
    FInput = input[1];
    FError = error[0];
    FOutPath = outPath;
  }
  ~TStartedProgram() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    if (FInput >= 0) ::close(FInput);
    ::close(FError);
  }
  TStartedProgram(const TStartedProgram&) = delete;
  TStartedProgram& operator=(const TStartedProgram&) = delete;

  // The next line the program writes to standard error, without its line
  // end; empty when none came within `timeoutMs` or the program closed it.
  std::string ReadErrorLine(int timeoutMs = 30000) {
    for (;;) {
      if (const size_t end = FPendingError.find('\n'); end != std::string::npos) {
        std::string line = FPendingError.substr(0, end);
        FPendingError.erase(0, end + 1);
        return line;
      }
      pollfd pfd{FError, POLLIN, 0};
      char buffer[256];
      if (::poll(&pfd, 1, timeoutMs) <= 0) return {};
      const ssize_t got = ::read(FError, buffer, sizeof buffer);
      if (got <= 0) return {};
      FPendingError.append(buffer, static_cast<size_t>(got));
    }
  }
  // Writes `line` and a line end to the program's standard input.
  void WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    const ssize_t written = ::write(FInput, text.data(), text.size());
    (void)written;
  }
  // Closes standard input and waits for the program to end: its exit status
  // (-1 when it did not exit), its output and the rest of its error output.
  TToolRun Finish() {
    ::close(FInput);
    FInput = -1;
    TToolRun run;
    for (;;) {
      pollfd pfd{FError, POLLIN, 0};
      char buffer[256];
      if (::poll(&pfd, 1, 30000) <= 0) break;
      const ssize_t got = ::read(FError, buffer, sizeof buffer);
      if (got <= 0) break;
      FPendingError.append(buffer, static_cast<size_t>(got));
    }
    int status = 0;
    if (waitpid(FPid, &status, 0) == FPid && WIFEXITED(status)) run.Status = WEXITSTATUS(status);
    FPid = 0;
    run.Out = ReadWholeFile(FOutPath);
    run.Err = FPendingError;
    return run;
  }

 private:
  pid_t FPid = 0;
  int FInput = -1;
  int FError = -1;
  std::string FOutPath;
  std::string FPendingError;
};

}  // namespace vexilo::tools::testing
