// The fuzz corpus of the search-condition parser, run as ordinary tests:
// every committed text goes through the same entry function as under the
// fuzzer, which aborts when parsing ends in anything but a tree or a parser
// error pointing into the text.
#include <gtest/gtest.h>

#include "fuzz/condition_parser_entry.h"
#include "tests/support/fuzz_corpus.h"

namespace vexilo::cursor::testing {
namespace {

TEST(ConditionParserCorpus, EveryTextRunsThroughTheParser) {
  const auto inputs = vexilo::testing::ReadFuzzCorpus("condition_parser");
  ASSERT_GE(inputs.size(), 50u);
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.Name);
    EXPECT_EQ(fuzz::RunConditionParser(reinterpret_cast<const uint8_t*>(input.Bytes.data()), input.Bytes.size()), 0);
  }
}

}  // namespace
}  // namespace vexilo::cursor::testing
