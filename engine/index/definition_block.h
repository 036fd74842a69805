// The index definition block: the stored form of an index's definition and
// entry count in page 0 of its index file, right after the tree header (at
// H = tree header offset + tree header size).
//
// New format (format version 4 and higher):
//
//   | Offset | Size  | Meaning                                              |
//   |--------|-------|------------------------------------------------------|
//   | H+0    | 4     | entry count, int32                                   |
//   | H+4    | 1     | reserved, written 0                                  |
//   | H+5    | 1     | calculated flag (1 = calculated)                     |
//   | H+6    | 1     | unique flag (1 = unique)                             |
//   | H+7    | 2     | number of key items n, int16 (1 when calculated)     |
//   | H+9    | 5 × n | column-based: per item the column number, int16      |
//   |        |       | (bit 15 set = descending), the item size, int16, and |
//   |        |       | the column's type code, byte                         |
//   | H+9    | 1     | calculated: the result's type code                   |
//   | H+10   | 2     | calculated: key size, int16                          |
//   | H+12   | 2     | calculated: source length s in characters, int16     |
//   | H+14   | 2 × s | calculated: the expression, UTF-16LE ("@" in front:  |
//   |        |       | a script expression, from version 5 on)              |
//   | then   | 2     | entry size in bytes (record number + key), int16     |
//
// Old format (versions 1 to 3):
//
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | H+0    | 50   | the index vector (sort_def.h)                         |
//   | H+50   | 1    | unique flag                                           |
//   | H+51   | 4    | entry count, int32                                    |
//   | H+55   | 2    | entry size in bytes, int16                            |
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/index/sort_def.h"

namespace vexilo::index {

// Where the fields that change after creation lie in page 0, and the end of
// the block.
struct TVxbDefinitionBlockPlace {
  size_t UniqueOffset = 0;
  size_t ItemCountOffset = 0;
  size_t End = 0;
};

// Bytes the block of `def` takes.
size_t DefinitionBlockSize(const TVxbSortDef& def, bool newFormat);

// Writes the block of `def` with `itemCount` entries at `h` of `page`
// (`pageSize` bytes). None when it does not fit into the page.
std::optional<TVxbDefinitionBlockPlace> WriteDefinitionBlock(uint8_t* page, size_t pageSize, size_t h,
                                                             bool newFormat, const TVxbSortDef& def,
                                                             int32_t itemCount);

// Reads the block at `h` of `page` into `def` (its name is left as it is).
// None when the block is malformed or does not fit into the page.
std::optional<TVxbDefinitionBlockPlace> ReadDefinitionBlock(const uint8_t* page, size_t pageSize, size_t h,
                                                            bool newFormat, TVxbSortDef& def);

}  // namespace vexilo::index
