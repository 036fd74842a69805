// The index-name area of a table file: the names of the table's user and
// temporary indexes in the order of their index places, then its full-text
// indexes (with ".ift" below level 6, ".vxbf" at level 6). Automatic and
// constraint indexes are not listed. The area is rewritten in place when an
// index is added, removed or renamed.
//
// Levels 5 and 6 (and B+ table files), 4502 bytes:
//
//   | Offset    | Size | Meaning                                          |
//   |-----------|------|--------------------------------------------------|
//   | 0         | 2    | number of names n (int16); 0 or less: none       |
//   | 2 + 90*i  | 90   | entry i (0..49): uint16 count c (at most 44),    |
//   |           |      | then c UTF-16LE code units; the rest unused      |
//
// Levels 1 to 4, in the table's ANSI code page:
//
//   | Offset    | Size | Meaning                                          |
//   |-----------|------|--------------------------------------------------|
//   | 0         | 2    | number of names n (int16); 0 or less: none       |
//   | 2 + 45*i  | 45   | entry i: length byte (at most 44), 44 bytes      |
//
//   with 15 entries at levels 2 and 3 (677 bytes), 50 at level 4 (2252
//   bytes) and room for one entry at level 1 (67 bytes; the column
//   descriptors follow the area).
//
// An entry whose count exceeds 44, or a number of names above the number
// of entries, marks the file damaged (engine error 134).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/types/collation.h"

namespace vexilo::storage {

inline constexpr size_t kMaxIndexNameLength = 44;

// Bytes of the area at `level`.
int32_t IndexNameAreaSize(int16_t level);
// Entries the area of `level` has room for.
int IndexNameAreaEntries(int16_t level);

// The names an area holds; `area` has IndexNameAreaSize(level) bytes.
// Raises EVxbEngine 134 for a damaged area.
std::vector<std::u16string> DecodeIndexNameArea(std::span<const uint8_t> area, int16_t level,
                                                const types::TVxbCollation& collation);
// The area for `names` (IndexNameAreaSize(level) bytes, unused bytes zero).
// The caller has checked them with CheckIndexNames.
std::vector<uint8_t> EncodeIndexNameArea(const std::vector<std::u16string>& names, int16_t level,
                                         const types::TVxbCollation& collation);
// 0 when the area of `level` holds `names`; else the engine error: 67 for
// more names than entries, 176 for a name longer than 44 characters (the
// name is given back in `badName`).
int16_t CheckIndexNames(const std::vector<std::u16string>& names, int16_t level,
                        const types::TVxbCollation& collation, std::u16string& badName);

}  // namespace vexilo::storage
