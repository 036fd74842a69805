// TVxbPageGeometry: where a storage page lies in the page cache. The cache
// holds a file in tiles (blocks of the file system's page size T, 8192 bytes
// for operating-system files); a storage's clients see pages of the
// storage's page size P, numbered from 0.
//
// - P divides T: several pages share one tile buffer; page N lies in tile
//   (N * P) div T at offset (N * P) mod T.
// - T divides P: a page is one buffer of P / T consecutive tiles starting at
//   tile N * P / T, at offset 0.
// - Otherwise a buffer spans lcm(P, T) bytes, the shortest run of whole
//   tiles that also holds whole pages, so that no page ever straddles two
//   buffers; such a run may be at most 16 MiB long.
//
// Buffers always start at a multiple of their own tile count, so each tile of
// the file belongs to exactly one buffer of the current geometry.
#pragma once

#include <cstdint>

namespace vexilo::index {

class TVxbPageGeometry {
 public:
  // The largest buffer that a page size which is no multiple of the tile
  // size may need.
  static constexpr int64_t kMaxUnevenBufferSize = int64_t{16} << 20;

  TVxbPageGeometry() = default;
  // The geometry of pages of `pageSize` bytes over tiles of `tileSize` bytes.
  // Check IsValid() before use.
  TVxbPageGeometry(int32_t pageSize, int32_t tileSize);

  // False for a size that is not positive or needs a buffer over 16 MiB.
  bool IsValid() const { return FBufferSize > 0; }
  int32_t PageSize() const { return FPageSize; }
  int32_t TileSize() const { return FTileSize; }
  // Tiles in one buffer.
  int32_t TilesPerPage() const { return FTilesPerPage; }
  // Bytes in one buffer: TilesPerPage() * TileSize().
  int64_t BufferSize() const { return FBufferSize; }

  // The first tile of the buffer that holds page `pageNo`.
  int64_t FirstTile(int32_t pageNo) const {
    return (int64_t{pageNo} * FPageSize / FBufferSize) * FTilesPerPage;
  }
  // The offset of page `pageNo` inside its buffer.
  int32_t OffsetInBuffer(int32_t pageNo) const {
    return static_cast<int32_t>(int64_t{pageNo} * FPageSize % FBufferSize);
  }
  // Pages in a file of `tileCount` tiles: ceil(tileCount * T / P).
  int64_t PageCount(int64_t tileCount) const {
    return (tileCount * FTileSize + FPageSize - 1) / FPageSize;
  }
  // Tiles needed to hold `pageCount` whole pages: ceil(pageCount * P / T).
  int64_t TileCount(int64_t pageCount) const {
    return (pageCount * FPageSize + FTileSize - 1) / FTileSize;
  }

 private:
  int32_t FPageSize = 0;
  int32_t FTileSize = 0;
  int32_t FTilesPerPage = 0;
  int64_t FBufferSize = 0;
};

}  // namespace vexilo::index
