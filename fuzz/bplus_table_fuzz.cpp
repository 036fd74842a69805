// libFuzzer target: the B+ table file under arbitrary images (see
// bplus_table_entry.h for the promises checked). The committed corpus is in
// corpus/bplus_table; the unit tests run it through the same entry.
#include <cstddef>
#include <cstdint>

#include "fuzz/bplus_table_entry.h"
#include "fuzz/scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vexilo::fuzz::ScratchDir dir;
  return vexilo::fuzz::RunBPlusTable(dir.Path(), data, size);
}
