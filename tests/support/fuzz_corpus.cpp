#include "tests/support/fuzz_corpus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vexilo::testing {

std::vector<TCorpusInput> ReadFuzzCorpus(std::string_view name) {
  std::vector<std::filesystem::path> paths;
  const auto directory = std::filesystem::path(VEXILO_SOURCE_DIR) / "fuzz" / "corpus" / std::string(name);
  for (const auto& entry : std::filesystem::directory_iterator(directory)) paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  std::vector<TCorpusInput> inputs;
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    inputs.push_back({path.filename().string(),
                      std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())});
  }
  return inputs;
}

}  // namespace vexilo::testing
