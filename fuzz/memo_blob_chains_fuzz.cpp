// libFuzzer target: the memo/blob chain reader under arbitrary files (see
// memo_blob_chains_entry.h for the input layout). The committed corpus is in
// corpus/memo_blob_chains; the unit tests run it through the same entry.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz/memo_blob_chains_entry.h"

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
  return vexilo::fuzz::RunMemoBlobChains(dir.Path(), data, size);
}
