// libFuzzer target: the B+ table file under arbitrary images (see
// bplus_table_entry.h for the promises checked). The committed corpus is in
// corpus/bplus_table; the unit tests run it through the same entry.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz/bplus_table_entry.h"

namespace {

// One scratch directory for the whole run, removed at exit.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchDir dir;
  return vexilo::fuzz::RunBPlusTable(dir.Path(), data, size);
}
