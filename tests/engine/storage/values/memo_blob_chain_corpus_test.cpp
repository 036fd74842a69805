// The fuzz corpus of the memo/blob chain reader, run as ordinary tests: every
// committed input goes through the same entry function as under the fuzzer,
// which aborts when the store breaks a promise (and the sanitizers catch
// what memory faults it meets).
#include <gtest/gtest.h>

#include "fuzz/memo_blob_chains_entry.h"
#include "tests/support/fuzz_corpus.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage::testing {
namespace {

TEST(MemoBlobChainCorpus, EveryInputRunsThroughTheChainReader) {
  const auto inputs = vexilo::testing::ReadFuzzCorpus("memo_blob_chains");
  ASSERT_GE(inputs.size(), 10u);
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.Name);
    vexilo::testing::TempDir dir;
    EXPECT_EQ(fuzz::RunMemoBlobChains(dir.Path().string(), reinterpret_cast<const uint8_t*>(input.Bytes.data()),
                                      input.Bytes.size()),
              0);
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
