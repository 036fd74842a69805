// Running a command-line program of the project as a real child process:
// its arguments, extra environment variables, and what it wrote to standard
// output and standard error (through files, so nothing is lost to a pipe).
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace vexilo::tools::testing
