// The definition block of level-5 and level-6 table files (and B+ table
// files): the table's password, collation, capacity, record size, record id
// indication, type definitions, columns, keys, checks and foreign keys, as
// one stream in this order (S = its length):
//
//   | Field                     | Form                                      |
//   |---------------------------|-------------------------------------------|
//   | check string              | counted wide string of 40 letters a..z    |
//   |                           | with 'v', 'x', 'b' at 7, 24 and 37        |
//   | password                  | fixed wide string of 40, scrambled        |
//   |                           | (password_field.h)                        |
//   | table collation           | counted wide string; empty: engine        |
//   | capacity                  | int32, at least 1                         |
//   | reserved                  | int32 0                                   |
//   | record size               | uint16, 1 to 32767                        |
//   | reserved                  | uint16 0                                  |
//   | record id indication      | counted wide string; when not empty one   |
//   |                           | byte follows: 1 unique, 0 not             |
//   | type definitions (lv 6)   | uint16 count; per entry: name (counted    |
//   |                           | wide), type code and supertype (uint16)   |
//   | column count              | uint16, 1 to 1000                         |
//   | columns                   | per column: type code (byte), name        |
//   |                           | (counted wide), options (uint32), size    |
//   |                           | (int16), expression (counted wide, "@" in |
//   |                           | front when procedural), then by type:     |
//   |                           |   1, 18: collation (counted wide), maximum|
//   |                           |          length (uint16, not read back)   |
//   |                           |   7, 19: collation (counted wide)         |
//   |                           |   3, 13: scale / precision (byte)         |
//   |                           |   8: value names joined by LF (counted)   |
//   |                           |   10, 12: linked table (counted wide)     |
//   | candidate keys            | int16 count; per key: primary (byte),     |
//   |                           | name, columns joined by "," (counted wide)|
//   | check constraints         | uint16 count; per check: name, condition, |
//   |                           | an empty string (counted wide each)       |
//   | foreign keys              | int16 count; per key: name, columns,      |
//   |                           | parent table, parent columns (counted     |
//   |                           | wide, lists joined by ","), update and    |
//   |                           | delete action (byte each, 0 to 3)         |
//
// The block is padded with zero bytes to the length PaddedBlockLength
// (table_file_layout.h) gives, and enciphered as a whole. Columns keep the
// sizes the block gives them; they must add up to the record size.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/storage/file/table_definition.h"

namespace vexilo::storage {

// What the block holds beside the table definition.
struct TVxbDefinitionBlockFields {
  std::u16string PasswordField;  // as stored (scrambled)
  uint16_t RecordSize = 0;
};

// Parses a deciphered block of a table of `level` into `definition`. The
// check string is tested first: a wrong one is error 38 whatever follows.
// Raises 134 for a damaged block, 138 for an unknown collation.
void ReadDefinitionBlock(std::span<const uint8_t> block, int16_t level, TVxbTableDefinition& definition,
                         TVxbDefinitionBlockFields& fields);

// The block's stream (without padding) for `definition` at `level`.
std::vector<uint8_t> WriteDefinitionBlock(int16_t level, const TVxbTableDefinition& definition,
                                          const TVxbDefinitionBlockFields& fields);

}  // namespace vexilo::storage
