// A fresh working directory for a window test, with the dictionary's table
// made in it by vxbtool (another process) from the given entries. The
// process's current directory is the new directory while the object lives
// (the windows open the dictionary there) and the previous one afterwards.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/program_run.h"

namespace vexilo::testing {

struct TDictionaryEntry {
  std::string Eng;
  std::string Hun;
  std::string Leir;
};

class TDictionaryDirectory {
 public:
  // With `entries` empty no table is made: the directory holds no dictionary.
  explicit TDictionaryDirectory(const std::vector<TDictionaryEntry>& entries, bool makeTable = true)
      : FPrevious(QDir::currentPath()) {
    if (makeTable) {
      Tool({"create", Table(), "--level", "6", "--collation", "Hungarian", "ENG:WideString:80", "HUN:WideString:80",
            "LEIR:WideMemo?", "--index", "ENG=ENG", "--index", "HUN=HUN"});
      if (!entries.empty()) {
        {
          std::ofstream tsv(FDir.File("rows.tsv"), std::ios::binary);
          tsv << "ENG\tHUN\tLEIR\n";
          for (const TDictionaryEntry& entry : entries) tsv << entry.Eng << '\t' << entry.Hun << '\t' << entry.Leir << '\n';
        }
        Tool({"import", Table(), FDir.File("rows.tsv")});
        std::filesystem::remove(FDir.File("rows.tsv"));
      }
    }
    QDir::setCurrent(QString::fromStdString(FDir.Path().string()));
  }
  ~TDictionaryDirectory() { QDir::setCurrent(FPrevious); }
  TDictionaryDirectory(const TDictionaryDirectory&) = delete;
  TDictionaryDirectory& operator=(const TDictionaryDirectory&) = delete;

  const std::filesystem::path& Path() const { return FDir.Path(); }
  std::string Table() const { return FDir.File("Eng_hun"); }

  // Runs vxbtool in another process; its standard output.
  std::string Tool(const std::vector<std::string>& args) const {
    const std::filesystem::path scratch = std::filesystem::temp_directory_path();
    const tools::testing::TToolRun run = tools::testing::RunProgram(
        VXBTOOL_PATH, args, (scratch / ("vxbtool-" + std::to_string(::getpid()) + ".out")).string(),
        (scratch / ("vxbtool-" + std::to_string(::getpid()) + ".err")).string());
    EXPECT_EQ(run.Status, 0) << "vxbtool " << args.front() << ": " << run.Err;
    return run.Out;
  }

 private:
  TempDir FDir;
  QString FPrevious;
};

// A few entries with Hungarian letters, in an order that is neither their
// Hungarian nor their English order.
inline std::vector<TDictionaryEntry> SmallDictionary() {
  return {{"zebra", "zebra", "állat"}, {"apple", "alma", "gyümölcs"}, {"wish", "óhaj", ""},
          {"sheep", "birka", "ő ű"},   {"castle", "vár", "erőd"},     {"hunger", "éhség", ""},
          {"nut", "dió", ""},          {"bean", "bab", ""},           {"church", "templom", ""},
          {"oath", "eskü", ""}};
}

}  // namespace vexilo::testing
