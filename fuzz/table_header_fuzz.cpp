// libFuzzer target: the table-header reader under arbitrary table file
// images (see table_header_entry.h for the promises checked). The committed
// corpus is in corpus/table_header; the unit tests run it through the same
// entry.
#include <cstddef>
#include <cstdint>

#include "fuzz/table_header_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return vexilo::fuzz::RunTableHeader(data, size);
}
