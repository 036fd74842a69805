// The fixture of the vxbtool tests: a fresh directory, vxbtool run as a
// real process (with the directory's "tmp" folder as its TMPDIR, so what it
// leaves in the temporary directory can be seen), and small helpers to write
// fixture files and read back what the tool made.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/json_reader.h"

namespace vexilo::tools::testing {

struct TToolRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

class VxbToolFixture : public ::testing::Test {
 protected:
  VxbToolFixture() { std::filesystem::create_directory(Dir.Path() / "tmp"); }

  // Runs `program` (vxbtool by default) with `args`; its exit status and
  // what it wrote.
  TToolRun Run(const std::vector<std::string>& args, const std::string& program = VXBTOOL_PATH) {
    const std::string out = Dir.File("tool.out");
    const std::string err = Dir.File("tool.err");
    const std::string tmp = "TMPDIR=" + Dir.File("tmp");
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      const int outFd = ::open(out.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
      const int errFd = ::open(err.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
      if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(126);
      ::putenv(const_cast<char*>(tmp.c_str()));
      execv(argv[0], argv.data());
      _exit(127);
    }
    TToolRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.Status = WEXITSTATUS(status);
    run.Out = Read(out);
    run.Err = Read(err);
    return run;
  }

  // Runs vxbtool and expects success.
  TToolRun Ok(const std::vector<std::string>& args) {
    TToolRun run = Run(args);
    EXPECT_EQ(run.Status, 0) << Joined(args) << "\n" << run.Err;
    return run;
  }

  static std::string Joined(const std::vector<std::string>& args) {
    std::string text = "vxbtool";
    for (const auto& arg : args) text += " " + arg;
    return text;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(Dir.File(name), std::ios::binary) << content;
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  // The names of the files in the test directory (the tool's scratch folder
  // and output files aside).
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
      const std::string name = entry.path().filename().string();
      if (name != "tmp" && name != "tool.out" && name != "tool.err") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // What the tool left in its temporary directory.
  std::vector<std::string> LeftInTmp() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path() / "tmp"))
      names.push_back(entry.path().filename().string());
    return names;
  }

  // The records of `table` as parsed JSON objects (vxbtool dump).
  std::vector<TJsonValue> Dump(const std::string& table) {
    std::vector<TJsonValue> records;
    const TToolRun run = Ok({"dump", table});
    for (const std::string& line : Lines(run.Out)) {
      auto value = TJsonReader::Parse(line);
      EXPECT_TRUE(value.has_value()) << line;
      if (value) records.push_back(std::move(*value));
    }
    return records;
  }

  std::string Table(const std::string& name) const { return Dir.File(name); }

  vexilo::testing::TempDir Dir;
};

}  // namespace vexilo::tools::testing
