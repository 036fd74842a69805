// Sizes of String (code 1) and WideString (code 18) fields: how a field's
// byte size and its column's maximum length determine each other, the width
// of the length prefix, and the allowed maximum lengths.
//
//   String      size = N + 1 + MaxLength   (MaxLength <= 255, uint8 prefix)
//               size = N + 2 + MaxLength   (MaxLength >= 256, uint16 prefix)
//   WideString  size = N + 2 + 2 * MaxLength (uint16 prefix, UTF-16 units)
// where N is 1 for a field with a null byte, else 0. A String's MaxLength is
// 1 to 32764, a WideString's 1 to 16382; kUnboundedLength marks the
// unbounded string types (memos and values of expressions).
#pragma once

#include <cstdint>
#include <limits>

namespace vexilo::types {

inline constexpr int32_t kMaxStringLength = 32764;
inline constexpr int32_t kMaxWideStringLength = 16382;
inline constexpr int32_t kUnboundedLength = std::numeric_limits<int32_t>::max();

// Width of the length prefix in a String field of `maxLength` characters.
constexpr int StringPrefixWidth(int32_t maxLength) { return maxLength <= 255 ? 1 : 2; }

constexpr int32_t StringFieldSize(int32_t maxLength, bool hasNullByte) {
  return (hasNullByte ? 1 : 0) + StringPrefixWidth(maxLength) + maxLength;
}
constexpr int32_t StringMaxLength(int32_t fieldSize, bool hasNullByte) {
  const int32_t s = fieldSize - (hasNullByte ? 1 : 0);
  return s <= 256 ? s - 1 : s - 2;
}
constexpr int32_t WideStringFieldSize(int32_t maxLength, bool hasNullByte) {
  return (hasNullByte ? 1 : 0) + 2 + 2 * maxLength;
}
constexpr int32_t WideStringMaxLength(int32_t fieldSize, bool hasNullByte) {
  return (fieldSize - (hasNullByte ? 1 : 0)) / 2 - 1;
}

// The largest MaxLength of a bounded String (1) or WideString (18).
constexpr int32_t MaxStringLengthOf(int16_t columnType) {
  return columnType == 18 ? kMaxWideStringLength : kMaxStringLength;
}

// Raises engine error 189 when `maxLength` is outside 1 to the limit of
// `columnType` (1 or 18).
void CheckStringLength(int16_t columnType, int32_t maxLength);

}  // namespace vexilo::types
