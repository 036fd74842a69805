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

// Width of the length prefix in a String field of `max_length` characters.
constexpr int StringPrefixWidth(int32_t max_length) { return max_length <= 255 ? 1 : 2; }

constexpr int32_t StringFieldSize(int32_t max_length, bool has_null_byte) {
  return (has_null_byte ? 1 : 0) + StringPrefixWidth(max_length) + max_length;
}
constexpr int32_t StringMaxLength(int32_t field_size, bool has_null_byte) {
  const int32_t s = field_size - (has_null_byte ? 1 : 0);
  return s <= 256 ? s - 1 : s - 2;
}
constexpr int32_t WideStringFieldSize(int32_t max_length, bool has_null_byte) {
  return (has_null_byte ? 1 : 0) + 2 + 2 * max_length;
}
constexpr int32_t WideStringMaxLength(int32_t field_size, bool has_null_byte) {
  return (field_size - (has_null_byte ? 1 : 0)) / 2 - 1;
}

// The largest MaxLength of a bounded String (1) or WideString (18).
constexpr int32_t MaxStringLengthOf(int16_t column_type) {
  return column_type == 18 ? kMaxWideStringLength : kMaxStringLength;
}

// Raises engine error 189 when `max_length` is outside 1 to the limit of
// `column_type` (1 or 18).
void CheckStringLength(int16_t column_type, int32_t max_length);

}  // namespace vexilo::types
