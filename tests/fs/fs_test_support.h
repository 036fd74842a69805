// Helpers of the file system tests: whole-file reads and writes through the
// standard library (independent of the code under test), and a forked child
// process that holds files or locks until the test releases it.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>

#include "fs/text.h"

namespace vexilo::fs::testing {

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

// A byte pattern of `size` bytes that differs from position to position.
inline std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return data;
}

// The child's side: tell the parent one result, then wait until released.
class TChildChannel {
 public:
  TChildChannel(int reportFd, int releaseFd) : FReportFd(reportFd), FReleaseFd(releaseFd) {}
  void Report(char result) { (void)!::write(FReportFd, &result, 1); }
  void WaitForRelease() {
    char ignored;
    (void)!::read(FReleaseFd, &ignored, 1);
  }

 private:
  int FReportFd;
  int FReleaseFd;
};

// Runs `body` in a forked child. The body reports one character and waits
// for the release; everything it holds is let go when the child exits.
class TChildProcess {
 public:
  explicit TChildProcess(const std::function<void(TChildChannel&)>& body) {
    int report[2], release[2];
    if (::pipe(report) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe failed");
    FPid = ::fork();
    if (FPid < 0) throw std::runtime_error("fork failed");
    if (FPid == 0) {
      ::close(report[0]);
      ::close(release[1]);
      TChildChannel channel(report[1], release[0]);
      try {
        body(channel);
      } catch (...) {
        channel.Report('!');
      }
      ::_exit(0);
    }
    ::close(report[1]);
    ::close(release[0]);
    FReportFd = report[0];
    FReleaseFd = release[1];
  }
  ~TChildProcess() { Release(); }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // The character the child reported ('!' when it failed with an exception).
  char Result() {
    char result = '?';
    if (::read(FReportFd, &result, 1) != 1) result = '?';
    return result;
  }
  // Lets the child exit and waits for it.
  void Release() {
    if (FPid <= 0) return;
    ::close(FReleaseFd);
    ::close(FReportFd);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
  }

 private:
  pid_t FPid = -1;
  int FReportFd = -1;
  int FReleaseFd = -1;
};

}  // namespace vexilo::fs::testing
