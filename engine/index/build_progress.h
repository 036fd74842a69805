// TVxbBuildProgress: how an index build reports its progress, apart from
// the build itself (index_build.h) so that the table's interface can name it
// without the index layer's headers.
#pragma once

#include <cstdint>
#include <functional>

namespace vexilo::index {

// Progress of a build: records taken and the record count.
using TVxbBuildProgress = std::function<void(int64_t done, int64_t total)>;

}  // namespace vexilo::index
