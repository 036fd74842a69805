// libFuzzer target: the memo/blob chain reader under arbitrary files (see
// memo_blob_chains_entry.h for the input layout). The committed corpus is in
// corpus/memo_blob_chains; the unit tests run it through the same entry.
#include <cstddef>
#include <cstdint>

#include "fuzz/memo_blob_chains_entry.h"
#include "fuzz/scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vexilo::fuzz::ScratchDir dir;
  return vexilo::fuzz::RunMemoBlobChains(dir.Path(), data, size);
}
