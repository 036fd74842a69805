// The header of heap table files of levels 1 to 4 (the "classic" headers):
// fixed fields, the index-name area, one descriptor per column and a
// trailer, all written one after the other; the records start right after
// the last field. Texts other than counted wide strings are in the ANSI code
// page of the table's collation (code page 1252 when it has none).
//
// Fixed fields (offsets for levels 1-2 / 3 / 4):
//
//   | Field                                   | Size        | 1-2 | 3   | 4   |
//   |-----------------------------------------|-------------|-----|-----|-----|
//   | magic 64 AA 57 FF                       | 4           | 0   | 0   | 0   |
//   | level, int16                            | 2           | 4   | 4   | 4   |
//   | table collation, short string of 3      | 4           | -   | 6   | 6   |
//   | record count, int32                     | 4           | 6   | 10  | 10  |
//   | record size, uint16                     | 2           | 10  | 14  | 14  |
//   | column count, uint16 (bit 15 ignored)   | 2           | 12  | 16  | 16  |
//   | capacity, int32 (below 4: 10,000,000)   | 4           | -   | -   | 18  |
//   | index-name area (index_name_area.h)     | 67/677/2252 | 14  | 18  | 22  |
//   | column descriptors                      |             | 81 (level 1), 691 (level 2), 695, 2274 |
//
// Column descriptor, levels 1 and 2 (46 bytes):
//
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | 0      | 2    | zero                                                  |
//   | 2      | 41   | name, short string of 40; Link and Relation: name "(" |
//   |        |      | linked table ")" as a short string of 35, then zeros  |
//   | 43     | 1    | Size - 1 (0 for Relation)                             |
//   | 44     | 1    | detail: Float scale OR F0h, Time 5, Enum value count, |
//   |        |      | else 0                                                |
//   | 45     | 1    | option nibble << 4 OR type code                       |
//
// Column descriptor, level 3 (54 bytes):
//
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | 0      | 2    | zero                                                  |
//   | 2      | 41   | name, short string of 40 (Link, Relation: name "("    |
//   |        |      | linked table ")" cut to 40)                           |
//   | 43     | 2    | Size - 1, uint16 (0 for Relation)                     |
//   | 45     | 2    | detail as above, uint16                               |
//   | 47     | 1    | type code                                             |
//   | 48     | 1    | option nibble                                         |
//   | 49     | 5    | zero                                                  |
//
// Column descriptor, level 4 (variable): name (counted ANSI), Size - 1
// (uint16), type code (byte), options OR 80h (uint32); then Link and
// Relation: linked table (counted ANSI); Float: scale, Time: precision, Enum:
// value count (uint16 each).
//
// The option nibble holds options bits 0-2 and, in bit 3, 0x08 or 0x40. Read
// back, 0x20 (nullable) is added when bit 3 is set and for the types that
// keep null inside their value (Date, Memo, Enum, Link, Blob, Relation,
// TimeStamp, WideMemo) where the level lets them be nullable; RecordId and
// Link columns take bit 3 as 0x40. Only String and WideString take their size
// from the descriptor, and Time below level 4 its precision (2 when Size - 1
// is below 3, else 3); all other sizes follow from the types.
//
// Trailer, in this order:
//   1. password field, short string of 10 (password_field.h)
//   2. level 4: check string, a counted wide string of 40 random letters with
//      the record size at unit 7 and the column count at unit 31; its 80
//      bytes enciphered
//   3. for every Enum column: per value a short string of 20
//   4. expressions: levels 1-3: per column with option 0x01 a short string
//      of 255; level 4: uint16 count, per entry the 1-based column number
//      (uint16) and the source (counted wide)
//   5. for every column with option 0x02: lower and upper bound (doubles)
//   6. level 4: candidate keys: uint16 count; per key: primary (byte), name
//      (counted ANSI), "${name}" items joined by "," (counted ANSI)
//   7. level 4: checks: uint16 count; per check: name (counted ANSI),
//      condition (counted wide)
//   8. level 4: foreign keys: uint16 count; per key: name, parent table
//      (counted ANSI), parent columns, columns (counted wide, joined by ","),
//      update action, update action again (not read), delete action (bytes)
//   9. with a RecordId column: its indication as a 50-byte index vector
//      (index/sort_def.h), then the next record id (int32)
//
// After reading, a column without a name is named "Column%d" (its 1-based
// position plus one); a name equal to an earlier one becomes "%s_%d" with the
// first free number from 2. Names from levels 1-3 are first cut at the first
// character that is no letter, digit, "-", "@", "_" or ".", and trailing "_"
// are removed.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/file/header_stream.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_header.h"

namespace vexilo::storage {

// Reads a level-1-4 header (magic and level already checked; Level set).
// The password field sets the cryptor's method; a table whose method this
// build cannot read is error 187, a wrong level-4 check string error 38.
void ReadClassicHeader(TVxbHeaderSource& source, TVxbTableCryptor& cryptor, TVxbTableHeader& header);

// The header bytes of a new level-1-4 file; sets RecordAreaStart and
// NextRecordIdOffset. Raises EVxbEngine for an indication the index layer
// refuses.
std::vector<uint8_t> WriteClassicHeader(TVxbTableHeader& header, const TVxbTableCryptor& cryptor);

}  // namespace vexilo::storage
