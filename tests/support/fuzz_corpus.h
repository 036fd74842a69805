// The committed inputs of a fuzz target's corpus (fuzz/corpus/NAME), read
// for tests that run every input through the target's entry function.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexilo::testing {

struct TCorpusInput {
  std::string Name;   // the file's name, for the test's trace
  std::string Bytes;  // the whole file
};

// Every file of fuzz/corpus/`name` in the source tree, in name order.
std::vector<TCorpusInput> ReadFuzzCorpus(std::string_view name);

}  // namespace vexilo::testing
