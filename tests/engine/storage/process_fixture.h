// A child process for tests of sharing between processes: the child runs a
// function with a channel back to the parent; the two sides hand each other
// single-character signals through pipes, so steps are ordered by messages,
// never by sleeps. Receiving gives up after a time-out, so a broken protocol
// fails a test instead of hanging it. The child ends with the function's
// result as exit code (an escaped exception gives 99); a child still running
// when the object goes away is killed.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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

  // Waits for the child to end; its exit code, or -1 when it was killed.
  int Wait() {
    if (FPid <= 0) return FExitCode;
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = 0;
    FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return FExitCode;
  }
  // Kills the child at once (its locks are released by the system) and reaps it.
  void Kill() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    Wait();
  }

 private:
  pid_t FPid = 0;
  int FReadFd = -1;
  int FWriteFd = -1;
  int FExitCode = -1;
};

}  // namespace vexilo::storage::testing
