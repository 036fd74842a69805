// Column type codes and the rules that follow from a code alone: which
// types may be nullable on which table level, and which nullable types keep
// a separate null byte in the record.
//
// The code is a signed 8-bit value in column definitions and a signed 16-bit
// value in memory. Codes 14 and 15 are not column types; 22 is the type of
// binary values of expressions, 25 the type of a key item holding the record
// id of a linked record, -1 the type of the literal NULL.
#pragma once

#include <cstdint>

namespace vexilo::types {

enum TVxbColumnType : int16_t {
  vxbNullType = -1,
  vxbChar = 0,
  vxbString = 1,
  vxbSmallInt = 2,
  vxbFloat = 3,
  vxbByte = 4,
  vxbBoolean = 5,
  vxbDate = 6,
  vxbMemo = 7,
  vxbEnum = 8,
  vxbRecordId = 9,
  vxbLink = 10,
  vxbBlob = 11,
  vxbRelation = 12,
  vxbTime = 13,
  vxbInteger = 16,
  vxbTimeStamp = 17,
  vxbWideString = 18,
  vxbWideMemo = 19,
  vxbBigInt = 20,
  vxbGuid = 21,
  vxbBinary = 22,
  vxbLinkKey = 25,
};

// The codes read as integers: SmallInt, Byte, Boolean, RecordId, Link,
// Integer, BigInt.
constexpr bool IsIntegerColumnType(int16_t code) {
  return code == vxbSmallInt || code == vxbByte || code == vxbBoolean || code == vxbRecordId ||
         code == vxbLink || code == vxbInteger || code == vxbBigInt;
}

// The codes whose values are texts: Char, String, Memo, WideString,
// WideMemo.
constexpr bool IsTextColumnType(int16_t code) {
  return code == vxbChar || code == vxbString || code == vxbMemo || code == vxbWideString || code == vxbWideMemo;
}

// Level 4 and above: every type but RecordId; level 3 and below also not
// Char, String and WideString.
constexpr bool CanBeNullable(int16_t code, int16_t level) {
  if (code == vxbRecordId) return false;
  if (level <= 3 && (code == vxbChar || code == vxbString || code == vxbWideString)) return false;
  return true;
}

// A nullable column of this code keeps a separate null byte (for Time the
// column's own option decides; this gives the default of a new column).
constexpr bool HasNullByteWhenNullable(int16_t code) {
  switch (code) {
    case vxbChar: case vxbString: case vxbSmallInt: case vxbFloat: case vxbByte: case vxbBoolean:
    case vxbTime: case vxbInteger: case vxbWideString: case vxbBigInt: case vxbGuid:
      return true;
    default:
      return false;
  }
}

}  // namespace vexilo::types
