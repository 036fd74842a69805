// libFuzzer target: search conditions prepared and evaluated on a small
// words table, and their index choice (see condition_evaluation_entry.h).
// The committed corpus is in corpus/condition_evaluation; the unit tests run
// it through the same entry.
#include <cstddef>
#include <cstdint>

#include "fuzz/condition_evaluation_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return vexilo::fuzz::RunConditionEvaluation(data, size);
}
