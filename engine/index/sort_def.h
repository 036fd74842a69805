// TVxbSortDef: the definition of an index — which columns make up its key, in
// which order and direction, or which expression computes it — and the facts
// that follow from it: key and entry sizes, whether entries vary in size,
// and the key layout that index-key building and comparison use.
//
// A definition is a plain value. It is made by parsing a specification text
// (index_spec.h), read from an index file (definition_block.h) or from the
// 50-byte index vector of old table files (GetVectorData/SetVectorData here).
//
// The index vector (50 bytes, levels 1 to 4):
//
//   column-based, item i (0..9) at offset 5*i:
//     +0  int16  column number, 1-based; bit 15 set = descending
//     +2  int16  size of the key item in bytes
//     +4  byte   the column's type code
//   reading stops at a column number 0 (bit 15 aside) or after 10 items;
//   with fewer than 10 items the one after the last is a terminator
//   (column 0, size 0, type byte 0xFF when the index is unique, else 0)
//   and the remaining items are zero.
//
//   calculated:
//     0   int16  -1
//     2   int16  key size
//     4   byte   the result's type code
//     5   45     the expression as a short string (length byte, then at
//                most 44 characters of code page 1252)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/index/index_columns.h"
#include "engine/types/index_key.h"

namespace vexilo::index {

// One key item of a column-based index.
struct TVxbSortItem {
  int16_t ColumnNo = 0;     // 1-based
  int16_t TypeCode = 0;     // the column's type code, or 25 (record id of a linked record)
  int32_t Size = 0;         // bytes of the item in the key
  bool Descending = false;
  friend bool operator==(const TVxbSortItem&, const TVxbSortItem&) = default;
};

class TVxbSortDef {
 public:
  static constexpr size_t kVectorSize = 50;
  static constexpr int kVectorItems = 10;
  // Limits of key items and entry sizes per table level.
  static int MaxLevelCount(int16_t level) { return level >= 4 ? 256 : 10; }
  static int32_t MaxEntrySize(int16_t level) { return level >= 4 ? 32767 : 512; }

  std::u16string Name;      // the index's name
  std::u16string Source;    // the specification text, or a calculated index's expression
  bool IsUnique = false;
  bool IsVarSize = false;   // String and WideString items keep only their used bytes
  bool IsCalculated = false;
  std::vector<TVxbSortItem> Items;
  // Calculated indexes: the result's type code and the key's size in bytes.
  int16_t ResultType = 0;
  int32_t ResultSize = 0;

  int LevelCount() const { return IsCalculated ? 1 : static_cast<int>(Items.size()); }
  // Bytes of the key: the sum of the item sizes, or the result size.
  int32_t KeySize() const;
  // Bytes of an entry: record number and key.
  int32_t EntrySize() const { return 4 + KeySize(); }
  // True when the definition holds a String or WideString item, or is a
  // calculated index of such a result type.
  bool HasStringItems() const;

  // Writes the 50-byte index vector into `vector`. A column-based
  // definition with more than 10 items keeps its first 10.
  void GetVectorData(uint8_t* vector) const;
  // Reads a 50-byte index vector; false (and the definition unchanged) when
  // it describes no index.
  bool SetVectorData(const uint8_t* vector);

  // The key layout of this definition on table `level`, resolved against the
  // table's columns. Without columns every item is taken as a whole field of
  // its own size without a null byte, compared with the engine collation.
  types::TVxbKeyLayout BuildKeyLayout(int16_t level, const TVxbIndexColumns* columns) const;
  // The specification text of a column-based definition: column names
  // separated by commas, descending ones with "-"; a calculated
  // definition gives its expression.
  std::u16string SpecificationText(const TVxbIndexColumns* columns) const;

  friend bool operator==(const TVxbSortDef&, const TVxbSortDef&) = default;
};

}  // namespace vexilo::index
