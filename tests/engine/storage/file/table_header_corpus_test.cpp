// The fuzz corpus of the table-header reader, run as ordinary tests: every
// committed image goes through the same entry function as under the fuzzer,
// which aborts when the reader breaks a promise (and the sanitizers catch
// what memory faults it meets). The hand-made fixtures go through it too.
#include <gtest/gtest.h>

#include "fuzz/table_header_entry.h"
#include "tests/engine/storage/file/header_fixtures.h"
#include "tests/support/fuzz_corpus.h"

namespace vexilo::storage::testing {
namespace {

TEST(TableHeaderCorpus, EveryImageRunsThroughTheHeaderReader) {
  const auto inputs = vexilo::testing::ReadFuzzCorpus("table_header");
  ASSERT_GE(inputs.size(), 10u);
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.Name);
    EXPECT_EQ(fuzz::RunTableHeader(reinterpret_cast<const uint8_t*>(input.Bytes.data()), input.Bytes.size()), 0);
  }
}

TEST(TableHeaderCorpus, HandMadeFixturesKeepTheReadersPromises) {
  for (const Bytes& image : {Level2Fixture(), Level4Fixture(), Level6Fixture()})
    EXPECT_EQ(fuzz::RunTableHeader(image.Data().data(), image.Size()), 0);
}

}  // namespace
}  // namespace vexilo::storage::testing
