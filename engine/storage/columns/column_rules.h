// The rules a column definition must satisfy when a table is defined, and
// AddColumn, which checks a column against them (and against the columns
// already defined) and appends it with the type, size and options that
// follow. Errors are recorded with the column's name as argument:
//
//   59   more than 1000 columns, or a record beyond 32767 bytes
//   173  a name that is empty, longer than 40 characters, holds characters
//        outside U+0020..U+00FF, or below level 4 is no identifier (a letter
//        A-Z, a-z, ÄÖÜäöüß first, then letters, digits, "-", "@", "_");
//        an Enum value name that is empty or holds such characters
//   71   a name another column bears (without regard to case)
//   144  a type code that is no column type (14, 15, below 0, above 21)
//   117  a feature the level lacks: "Data type" (codes 16-21 below level 3),
//        "Nullable" (RecordId at any level; Char, String, WideString below
//        level 4), "Collation" (a column collation below level 6),
//        "Default value" (an expression that is not a calculation below
//        level 4; an expression on Memo, Blob, Relation or WideMemo without
//        option 0x02), "String length", "Enum value count", "Enum value
//        length", "Time precision", "Start value"
//   138  a collation that does not exist
//   143  a String or WideString of length 0
//   74   a Float scale outside 0 to 15
//   75   an expression too long to store (255 characters below level 4)
//   76   a second RecordId column
//   73   a tenth Link column without option 0x40
//   65   a Link or Relation column without a linked table
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/storage/columns/column_defs.h"
#include "engine/storage/table/expression_source.h"

namespace vexilo::storage {

// A column as its creator describes it.
struct TVxbColumnSpec {
  std::u16string Name;
  int16_t TypeCode = 0;
  // String and WideString: the maximum length; Float: the scale; Time: the
  // precision (0 for the level's default).
  int32_t Length = 0;
  bool Nullable = false;
  // Option bits 0x01, 0x02, 0x04 and 0x40; the null bits follow Nullable.
  uint32_t Options = 0;
  // String, Memo, WideString, WideMemo: the column's own collation; empty
  // for the table's.
  std::u16string CollationName;
  std::vector<std::u16string> EnumNames;
  std::optional<TVxbExpressionSource> Expression;
  std::u16string LinkedTable;
  // RecordId: the first record id and the indication.
  int32_t StartValue = 1;
  std::u16string IndexSpec;
};

// Checks `spec` for a table of `level` whose collation is `tableCollation`
// and appends it to `columns`. Returns the new column's number, or the
// negated engine error after recording it in `services`.
int16_t AddColumn(TVxbColumnDefs& columns, const TVxbColumnSpec& spec, int16_t level,
                  std::u16string_view tableCollation, errors::TVxbServices& services);

// Whether `name` is a valid column name at `level`.
bool IsValidColumnName(std::u16string_view name, int16_t level);

}  // namespace vexilo::storage
