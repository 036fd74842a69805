#include "engine/index/pages/page_geometry.h"

#include <numeric>

namespace vexilo::index {

TVxbPageGeometry::TVxbPageGeometry(int32_t pageSize, int32_t tileSize)
    : FPageSize(pageSize), FTileSize(tileSize) {
  if (pageSize <= 0 || tileSize <= 0) return;
  const int64_t buffer = std::lcm(int64_t{pageSize}, int64_t{tileSize});
  if (buffer != pageSize && buffer != tileSize && buffer > kMaxUnevenBufferSize) return;
  FBufferSize = buffer;
  FTilesPerPage = static_cast<int32_t>(buffer / tileSize);
}

}  // namespace vexilo::index
