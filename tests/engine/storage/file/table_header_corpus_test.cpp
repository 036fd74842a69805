// The fuzz corpus of the table-header reader, run as ordinary tests: every
// committed image goes through the same entry function as under the fuzzer,
// which aborts when the reader breaks a promise (and the sanitizers catch
// what memory faults it meets). The hand-made fixtures go through it too.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/table_header_entry.h"
#include "tests/engine/storage/file/header_fixtures.h"

namespace vexilo::storage::testing {
namespace {

std::filesystem::path CorpusDir() {
  return std::filesystem::path(VEXILO_SOURCE_DIR) / "fuzz/corpus/table_header";
}

TEST(TableHeaderCorpus, EveryImageRunsThroughTheHeaderReader) {
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir())) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  ASSERT_GE(inputs.size(), 10u);
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    std::ifstream in(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzz::RunTableHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
  }
}

TEST(TableHeaderCorpus, HandMadeFixturesKeepTheReadersPromises) {
  for (const Bytes& image : {Level2Fixture(), Level4Fixture(), Level6Fixture()})
    EXPECT_EQ(fuzz::RunTableHeader(image.Data().data(), image.Size()), 0);
}

}  // namespace
}  // namespace vexilo::storage::testing
