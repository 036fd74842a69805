// The directory a benchmark keeps its files in: VEXILO_BENCH_DIR when it is
// set (created when missing, kept afterwards), else a fresh temporary
// directory named after `temp_prefix`, removed when the program ends. The
// first call decides; later calls return the same directory.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vexilo::bench {

inline const std::string& BenchDir(const char* tempPrefix) {
  static const std::string dir = [tempPrefix] {
    if (const char* d = std::getenv("VEXILO_BENCH_DIR"); d && *d) {
      std::filesystem::create_directories(d);
      return std::string(d);
    }
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(tempPrefix) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) std::abort();
    static const struct Remover {
      std::string path;
      ~Remover() { std::filesystem::remove_all(path); }
    } remover{pattern};
    return pattern;
  }();
  return dir;
}

}  // namespace vexilo::bench
