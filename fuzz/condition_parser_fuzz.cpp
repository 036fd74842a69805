// libFuzzer target: the search-condition parser under arbitrary texts (see
// condition_parser_entry.h for what is checked). The committed corpus is in
// corpus/condition_parser; the unit tests run it through the same entry.
#include <cstddef>
#include <cstdint>

#include "fuzz/condition_parser_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return vexilo::fuzz::RunConditionParser(data, size);
}
