// A child process for tests of sharing between processes: the child runs a
// function with a channel back to the parent; the two sides hand each other
// single-character signals through pipes, so steps are ordered by messages,
// never by sleeps. Receiving gives up after a time-out, so a broken protocol
// fails a test instead of hanging it. The child ends with the function's
// result as exit code (an escaped exception gives 99); a child still running
// when the object goes away is killed, and waiting for one gives up after a
// time-out too.
//
// The child is a fork without exec, so the parent must have no other thread
// running when it is made: a thread holding a lock at the fork (the
// allocator's, a table's, a lazy unlock pump's) leaves that lock held for
// ever in the child, which then hangs or keeps table locks it never gives
// back. Making a child from a process with more than one thread aborts.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <exception>
#include <functional>

namespace vexilo::storage::testing {

// One side's ends of the two pipes.
class TChannel {
 public:
  TChannel(int readFd, int writeFd) : FReadFd(readFd), FWriteFd(writeFd) {}
  // Sends one signal character.
  void Send(char signal) const {
    ssize_t written = ::write(FWriteFd, &signal, 1);
    (void)written;
  }
  // The next signal, or 0 on time-out or when the other side is gone.
  char Receive(int timeoutMs = 30000) const {
    pollfd pfd{FReadFd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) return 0;
    char signal = 0;
    return ::read(FReadFd, &signal, 1) == 1 ? signal : 0;
  }

 private:
  int FReadFd;
  int FWriteFd;
};

class TChildProcess {
 public:
  explicit TChildProcess(const std::function<int(const TChannel&)>& body) {
    if (ThreadCount() != 1) {
      std::fputs("TChildProcess: the parent has other threads running; stop them before the fork\n", stderr);
      std::abort();
    }
    int toChild[2];
    int toParent[2];
    if (::pipe(toChild) != 0 || ::pipe(toParent) != 0) std::abort();
    FPid = ::fork();
    if (FPid == 0) {
      ::close(toChild[1]);
      ::close(toParent[0]);
      int code = 99;
      try {
        code = body(TChannel(toChild[0], toParent[1]));
      } catch (...) {
      }
      ::_exit(code);
    }
    ::close(toChild[0]);
    ::close(toParent[1]);
    FReadFd = toParent[0];
    FWriteFd = toChild[1];
  }
  ~TChildProcess() {
    if (FPid > 0) Kill();
    ::close(FReadFd);
    ::close(FWriteFd);
  }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  void Send(char signal) const { TChannel(FReadFd, FWriteFd).Send(signal); }
  char Receive(int timeoutMs = 30000) const { return TChannel(FReadFd, FWriteFd).Receive(timeoutMs); }

  // Waits for the child to end; its exit code, or -1 when it was killed or
  // had not ended after `timeoutMs` (it is killed then).
  int Wait(int timeoutMs = 30000) {
    if (FPid <= 0) return FExitCode;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(FPid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
      ::usleep(1000);
    }
    if (ended == 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, &status, 0);
      status = -1;
    }
    FPid = 0;
    FExitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return FExitCode;
  }
  // Kills the child at once (its locks are released by the system) and reaps it.
  void Kill() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    Wait();
  }

  // The threads of this process.
  static int ThreadCount() {
    int count = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator task("/proc/self/task", error), end; !error && task != end;
         task.increment(error)) {
      ++count;
    }
    return count;
  }

 private:
  pid_t FPid = 0;
  int FReadFd = -1;
  int FWriteFd = -1;
  int FExitCode = -1;
};

}  // namespace vexilo::storage::testing
