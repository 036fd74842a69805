// TVxbTableDefinition: everything the header of a table file defines beside
// the record count and the index names — the capacity, the table collation,
// the columns, the candidate keys, the check constraints, the foreign keys,
// the type definitions of level 6 and the value ranges of levels 1 to 4.
// The data file fills one when it opens a table file and writes one when it
// creates a table file. Plain values; the column list owns its definitions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/columns/column_defs.h"
#include "engine/storage/table/expression_source.h"

namespace vexilo::storage {

// A named type of a level-6 table (tables the engine creates have none).
struct TVxbTypeDef {
  std::u16string Name;
  uint16_t TypeCode = 0;
  uint16_t SuperTypeCode = 0;
  friend bool operator==(const TVxbTypeDef&, const TVxbTypeDef&) = default;
};

// A check constraint: the condition every record must satisfy.
struct TVxbCheckDef {
  std::u16string Name;
  TVxbExpressionSource Condition;
  friend bool operator==(const TVxbCheckDef&, const TVxbCheckDef&) = default;
};

// A candidate key: columns whose values identify a record.
struct TVxbCandidateKeyDef {
  bool Primary = false;
  std::u16string Name;
  std::vector<std::u16string> ColumnNames;
  friend bool operator==(const TVxbCandidateKeyDef&, const TVxbCandidateKeyDef&) = default;
};

// What happens to child records when their parent changes or goes.
enum TVxbForeignKeyAction : uint8_t { tiaReject = 0, tiaSetNull = 1, tiaSetDefault = 2, tiaCascade = 3 };

struct TVxbForeignKeyDef {
  std::u16string Name;
  std::vector<std::u16string> ColumnNames;
  std::u16string ParentTable;
  std::vector<std::u16string> ParentColumnNames;
  TVxbForeignKeyAction UpdateAction = tiaReject;
  TVxbForeignKeyAction DeleteAction = tiaReject;
  friend bool operator==(const TVxbForeignKeyDef&, const TVxbForeignKeyDef&) = default;
};

// The value range of a column of a level-1-4 table (option 0x02).
struct TRangeBounds {
  int32_t B_Nr = 0;  // 1-based column number
  double B_von = 0;  // lower bound
  double B_bis = 0;  // upper bound
  friend bool operator==(const TRangeBounds&, const TRangeBounds&) = default;
};

struct TVxbTableDefinition {
  // The declared maximum number of records (at least 1).
  int32_t Capacity = 10000000;
  // Empty for the engine collation.
  std::u16string CollationName;
  std::vector<TVxbTypeDef> Types;
  TVxbColumnDefs ColumnDefs;
  std::vector<TVxbCheckDef> CheckDefs;
  std::vector<TVxbCandidateKeyDef> KeyDefs;
  std::vector<TVxbForeignKeyDef> ForeignKeyDefs;
  // Levels 1 to 4 only: the ranges of the columns with option 0x02. A column
  // with that option and no entry here gets the range 0 to 0 when written.
  std::vector<TRangeBounds> RangeBounds;
};

// Capacity of tables whose header has no capacity field (levels 1 to 3).
inline constexpr int32_t kDefaultCapacity = 10000000;

}  // namespace vexilo::storage
