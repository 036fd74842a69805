#include "engine/index/tree_base.h"

namespace vexilo::index {

int64_t TVxbTreeBase::BulkInsert(const TVxbEntrySource& source, const std::function<void(int64_t)>& progress,
                                 int64_t progressStep) {
  auto entry = std::make_unique<types::TVxbLongIndexInfo>();
  int64_t taken = 0;
  for (;;) {
    const size_t size = source(*entry);
    if (size == 0) break;
    InsertInOrder(*entry, size);
    ++taken;
    if (progress && progressStep > 0 && taken % progressStep == 0) progress(taken);
  }
  return taken;
}

}  // namespace vexilo::index
