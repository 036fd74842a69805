// The fuzz corpus of the memo/blob chain reader, run as ordinary tests: every
// committed input goes through the same entry function as under the fuzzer,
// which aborts when the store breaks a promise (and the sanitizers catch
// what memory faults it meets).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/memo_blob_chains_entry.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage::testing {
namespace {

std::filesystem::path CorpusDir() {
  return std::filesystem::path(VEXILO_SOURCE_DIR) / "fuzz/corpus/memo_blob_chains";
}

TEST(MemoBlobChainCorpus, EveryInputRunsThroughTheChainReader) {
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir())) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  ASSERT_GE(inputs.size(), 10u);
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    std::ifstream in(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    vexilo::testing::TempDir dir;
    EXPECT_EQ(fuzz::RunMemoBlobChains(dir.Path().string(), reinterpret_cast<const uint8_t*>(bytes.data()),
                                      bytes.size()),
              0);
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
