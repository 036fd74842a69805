// The fuzz corpus of condition preparation and evaluation, run as ordinary
// tests: every committed text is prepared against the fuzz target's words
// table and evaluated on each of its records through the same entry
// function as under the fuzzer (engine errors are fine; anything else, or a
// memory fault the sanitizers see, fails).
#include <gtest/gtest.h>

#include "fuzz/condition_evaluation_entry.h"
#include "tests/support/fuzz_corpus.h"

namespace vexilo::cursor::testing {
namespace {

TEST(ConditionEvaluationCorpus, EveryTextIsPreparedAndEvaluated) {
  const auto inputs = vexilo::testing::ReadFuzzCorpus("condition_evaluation");
  ASSERT_GE(inputs.size(), 50u);
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.Name);
    EXPECT_EQ(fuzz::RunConditionEvaluation(reinterpret_cast<const uint8_t*>(input.Bytes.data()), input.Bytes.size()),
              0);
  }
}

}  // namespace
}  // namespace vexilo::cursor::testing
