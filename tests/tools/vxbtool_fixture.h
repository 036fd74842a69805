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
#include "tests/tools/program_run.h"

namespace vexilo::tools::testing {

class VxbToolFixture : public ::testing::Test {
 protected:
  VxbToolFixture() { std::filesystem::create_directory(Dir.Path() / "tmp"); }

  // Runs `program` (vxbtool by default) with `args`; its exit status and
  // what it wrote.
  TToolRun Run(const std::vector<std::string>& args, const std::string& program = VXBTOOL_PATH) {
    return RunProgram(program, args, Dir.File("tool.out"), Dir.File("tool.err"), {{"TMPDIR", Dir.File("tmp")}});
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

  static std::string Read(const std::string& path) { return ReadWholeFile(path); }
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
  // and output files aside, and the database control file that a session
  // opened on the directory writes).
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
      const std::string name = entry.path().filename().string();
      if (name != "tmp" && name != "tool.out" && name != "tool.err" && name != ControlFileName()) {
        names.push_back(name);
      }
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
  // The test directory's database control file: its name and the extension
  // ".vxbd".
  std::string ControlFileName() const { return Dir.Path().filename().string() + ".vxbd"; }

  vexilo::testing::TempDir Dir;
};

}  // namespace vexilo::tools::testing
