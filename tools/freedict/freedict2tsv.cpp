// freedict2tsv: writes the English-Hungarian dictionary rows of Debian's
// FreeDict dictionaries (packages dict-freedict-eng-hun and
// dict-freedict-hun-eng) as a TSV file for the dictionary table's import.
//
//   freedict2tsv [--dictd DIR] OUT.tsv
//
// DIR is where the dictd files are (default /usr/share/dictd). A summary goes
// to stderr. Exit status: 0 done, 1 the conversion failed, 2 wrong usage.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "tools/freedict/freedict_conversion.h"

namespace {

constexpr const char* kUsage =
    "usage: freedict2tsv [--dictd DIR] OUT.tsv\n"
    "  writes one row per English-Hungarian pair (ENG, HUN, LEIR) of the FreeDict\n"
    "  dictionaries freedict-eng-hun and freedict-hun-eng in DIR\n"
    "  (default /usr/share/dictd) to OUT.tsv\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace vexilo::tools::freedict;
  std::string dictdDir = "/usr/share/dictd";
  std::string outPath;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dictd" && i + 1 < args.size()) {
      dictdDir = args[++i];
    } else if (outPath.empty() && !args[i].empty() && args[i][0] != '-') {
      outPath = args[i];
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (outPath.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  try {
    const TConversionSummary summary = ConvertFreedict(dictdDir, outPath, std::cerr);
    std::cerr << "freedict2tsv: wrote " << outPath << "\n" << FormatConversionSummary(summary);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "freedict2tsv: " << error.what() << "\n";
    return 1;
  }
}
