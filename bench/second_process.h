// A second process that holds tables open from Start until Stop, as another
// copy of the program on the same dictionary does. It is forked, so start it
// before this process has any session or thread of its own.
//
// In the child, `hold` opens what it holds, calls `waitForRelease` (which
// tells the parent it is ready and returns when Stop is called), closes and
// returns the child's exit status. Start returns once the child is ready;
// Stop ends the benchmark program with a message when the child did not
// exit with 0.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "bench/dictionary_files.h"

namespace vexilo::bench {

class TSecondProcess {
 public:
  using THold = std::function<int(const std::function<void()>& waitForRelease)>;

  TSecondProcess() = default;
  ~TSecondProcess() { Stop(); }
  TSecondProcess(const TSecondProcess&) = delete;
  TSecondProcess& operator=(const TSecondProcess&) = delete;

  void Start(const THold& hold) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) Die("pipe");
    std::fflush(nullptr);
    FChild = ::fork();
    if (FChild < 0) Die("fork");
    if (FChild == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      bool told = true;
      const int status = hold([&] {
        told = ::write(ready[1], "o", 1) == 1;
        char c;
        while (::read(release[0], &c, 1) > 0) {
        }
      });
      ::_exit(told ? status : 2);  // no exit handlers: the parent owns the files
    }
    ::close(ready[1]);
    ::close(release[0]);
    FRelease = release[1];
    char c = 0;
    if (::read(ready[0], &c, 1) != 1 || c != 'o') Die("the second process could not open its tables");
    ::close(ready[0]);
  }

  void Stop() {
    if (FChild <= 0) return;
    ::close(FRelease);
    int status = 0;
    const pid_t child = FChild;
    FChild = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      Die("the second process failed");
    }
  }

 private:
  pid_t FChild = 0;
  int FRelease = -1;
};

}  // namespace vexilo::bench
