// Index keys: how the key of an index entry is built from the bytes of a
// record, and how two entries compare.
//
// An index entry (TVxbLongIndexInfo) is the record number DateiVerweis
// followed by the key bytes. The key is the concatenation of its items, one
// per indexed column, each copied raw from the record (values are never
// decoded to build a key):
//
//   item of a column with a null byte, level 6:   [null byte][value ...]
//   item of a column with a null byte, level <= 5: [value ...][null byte]
//   item of a column without a null byte:          [value ...]
//
// A String value is [length prefix][characters], the prefix being as wide as
// in the column's record field (1 byte up to MaxLength 255, else 2); a
// WideString value is [uint16 length][UTF-16LE code units]. Over a
// variable-size index (IsVarSize) String and WideString items keep only their
// used bytes, and on level 6 a null string item is only its null byte.
// Items may also be shorter than their column (an index over the leading
// part of a string column); their length prefix then never claims more
// characters than the item holds.
//
// Comparison goes item by item on the raw bytes, with the item's type decided
// per item and strings compared by their column's collation. Entries with
// equal keys are ordered by record number. The layout objects are built once
// per index by the index layer and are immutable while keys are compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/types/collation.h"

namespace vexilo::types {

// An index entry: record number, then key bytes.
struct TVxbLongIndexInfo {
  static constexpr size_t kMaxKeySize = 32768;
  int32_t DateiVerweis = 0;
  uint8_t Key[kMaxKeySize];
};

// Record numbers of the search bounds: an entry with record number 1 is the
// lowest and one with kHighestRecordNumber the highest entry of its key.
inline constexpr int32_t kLowestRecordNumber = 1;
inline constexpr int32_t kHighestRecordNumber = 2147483647;

// Type code of a key item that holds the record id of a linked record.
inline constexpr int16_t kLinkedRecordIdItem = 25;

// One item of an index key, resolved against the table's column definitions.
struct TVxbKeyItemLayout {
  int16_t ColumnType = 0;     // column type code, or kLinkedRecordIdItem
  int32_t FieldPosition = 0;  // where the column's field starts in the record
  int32_t FieldSize = 0;      // the field's size in the record, null byte included
  int32_t ItemSize = 0;       // the item's size in the key (at most FieldSize)
  bool Descending = false;
  bool HasNullByte = false;   // the column keeps a separate null byte
  // String items: the column's collation and options. Other items ignore them.
  const TVxbCollation* Collation = nullptr;
  TStrCmpOptions CmpOptions = 0;

  bool IsString() const { return ColumnType == 1; }
  bool IsWideString() const { return ColumnType == 18; }
  // Width of a string item's length prefix: that of the column's field.
  int PrefixWidth() const;
};

// The key layout of one index.
struct TVxbKeyLayout {
  int16_t Level = 6;          // table level 1 to 6
  bool IsVarSize = false;     // string items keep only their used bytes
  std::vector<TVxbKeyItemLayout> Items;

  // The largest key this layout produces (the sum of the item sizes).
  size_t MaxKeySize() const;
};

// Looks up the record id of the linked record for a kLinkedRecordIdItem item.
using LinkedRecordIdFn = int32_t (*)(const TVxbKeyItemLayout& item, const uint8_t* record, void* context);

// Builds the key of `record` into `entry` (record number `recordNumber`) and
// returns the key's length in bytes. The record buffer must hold every field
// the items name.
size_t BuildIndexKey(const TVxbKeyLayout& layout, const uint8_t* record, int32_t recordNumber,
                     TVxbLongIndexInfo& entry, LinkedRecordIdFn linkedRecordId = nullptr,
                     void* context = nullptr);

// The length of the item that starts at `key` (with `avail` key bytes left):
// the item size, or for variable-size string items the used bytes.
size_t KeyItemLength(const TVxbKeyLayout& layout, const TVxbKeyItemLayout& item, const uint8_t* key,
                     size_t avail);

// Compares the key bytes of two entries; -1, 0 or 1. `extraOptions` are
// added to each string item's options. Lengths bound every read, so damaged
// keys cannot make the comparison read beyond them.
int CompareIndexKeys(const TVxbKeyLayout& layout, const uint8_t* key1, size_t len1, const uint8_t* key2,
                     size_t len2, TStrCmpOptions extraOptions = 0);

// A number that orders keys of `layout` by a first glance at their first
// item: when OrderPrefix(a) < OrderPrefix(b), CompareIndexKeys puts a before
// b; equal numbers decide nothing. It looks at variable-size string items of
// level 6 under a collation with sort keys (collation.h); for any other
// layout every key gets the same number.
uint64_t KeyOrderPrefix(const TVxbKeyLayout& layout, const uint8_t* key, size_t len);

// Compares two entries: keys first, then record numbers ascending.
// `keysEqual`, when given, tells whether the keys alone were equal (how a
// unique index detects a duplicate).
int CompareIndexEntries(const TVxbKeyLayout& layout, int32_t record1, const uint8_t* key1, size_t len1,
                        int32_t record2, const uint8_t* key2, size_t len2, TStrCmpOptions extraOptions = 0,
                        bool* keysEqual = nullptr);

}  // namespace vexilo::types
