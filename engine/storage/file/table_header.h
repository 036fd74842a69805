// The header of a heap table file: reading it with every check an opener
// makes, and building the header of a new file, at every level 1 to 6.
//
// The first six bytes are common to all levels:
//
//   | Offset | Size | Meaning                                              |
//   |--------|------|------------------------------------------------------|
//   | 0      | 4    | magic: bytes 64 AA 57 FF (a B+ table file has the    |
//   |        |      | int32 20012002 here and is read elsewhere)           |
//   | 4      | 2    | level, int16, 1 to 6                                 |
//
// Levels 1 to 4 continue as classic_header.h explains. Levels 5 and 6:
//
//   | Offset   | Size | Meaning                                            |
//   |----------|------|----------------------------------------------------|
//   | 6        | 1    | encryption method code (table_cryptor.h; bit 7 is  |
//   |          |      | ignored, unknown codes mean no encryption)         |
//   | 7        | 4    | record count, int32                                |
//   | 11       | 4    | reserved, written 0                                |
//   | 15       | 4    | next record id, int32                              |
//   | 19       | 4    | reserved, written 0                                |
//   | 23       | 4502 | index-name area (index_name_area.h)                |
//   | 4525     | 4    | definition block length L, int32                   |
//   | 4529     | L    | definition block (table_definition_block.h),       |
//   |          |      | enciphered as one block with the table's cipher    |
//   | 4529 + L | ...  | record slots, RecordSize bytes each                |
//
// Reading refuses what it cannot read soundly, with the engine's errors:
//   124  the first four bytes are not the magic
//   134  level above 6 (or below 1), implausible counts, sizes or lengths,
//        columns that do not add up to the record size, anything that
//        would lie beyond the end of the file, a file too short for its
//        records (levels 5 and 6)
//   38   check string or password wrong
//   187  an encryption method this build has no cipher for
//   138  a collation the locale services do not know
// Whatever the bytes hold, reading stays inside the file, allocates no more
// than the file's size suggests and ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/file/header_stream.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"
#include "engine/types/collation.h"

namespace vexilo::storage {

struct TVxbTableHeader {
  int16_t Level = 6;
  TVxbEncryptionMethod EncryptionMethod = temNone;
  int32_t RecordCount = 0;
  int32_t NextRecordId = 0;
  uint16_t RecordSize = 0;
  std::vector<std::u16string> IndexNames;
  TVxbTableDefinition Definition;

  // Where things lie in the file; set by reading and by building.
  int64_t RecordAreaStart = 0;
  // 0 when the header has no next-record-id field (levels 1 to 4 without
  // a record id column).
  int64_t NextRecordIdOffset = 0;
  // Byte offset of the first RecordId column in a record; -1 when none.
  int64_t RecordIdPosition = -1;
  // Levels 1 to 4: the file held fewer whole records than the stored count,
  // which RecordCount was lowered to; the count should be written back.
  bool RecordCountRepaired = false;
};

// Reads the header of the heap table file `source` holds. `fileName` names
// the file (a Link column linking to "@" gets its table name); `cryptor`
// brings the opener's password and leaves with the table's method. Raises
// EVxbEngine with the errors listed above.
void ReadTableHeader(TVxbHeaderSource& source, std::u16string_view fileName, TVxbTableCryptor& cryptor,
                     TVxbTableHeader& header);

// The bytes of a new file's header for `header` (Level, RecordCount,
// NextRecordId, IndexNames, Definition) and `cryptor`; sets RecordSize,
// RecordAreaStart, NextRecordIdOffset and RecordIdPosition. Raises
// EVxbEngine when the definition cannot be stored at the level.
std::vector<uint8_t> BuildTableHeader(TVxbTableHeader& header, const TVxbTableCryptor& cryptor);

// The collation whose code page the ANSI texts of a header use: the table
// collation when it resolves, else the engine collation.
const types::TVxbCollation& HeaderCollation(std::u16string_view collationName);

// 40 random letters a..z.
std::u16string RandomCheckLetters();

}  // namespace vexilo::storage
