// ScratchDir: the one temporary directory a fuzz target's files live in for
// the whole run, removed when the program ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace vexilo::fuzz {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexilo-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    FPath = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

}  // namespace vexilo::fuzz
