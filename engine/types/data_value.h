// TVxbDataValue: the holder of one value, always used together with the
// TVxbDataType object that describes it (the type reads, writes, converts
// and compares the holder's bytes; the holder itself knows no semantics).
//
// State:
//   ColumnType  0 for an empty holder, else the type code of the value; with
//               the reference bit (0x8000) set the holder does not contain
//               the value but refers to value bytes elsewhere (a record
//               buffer, an index key or another holder).
//   Inline      fixed-size values (numbers, dates, times, GUIDs, Char, Enum)
//               in the record-field layout of their type, so the presence
//               flag comes before the value on level 6 and after it on
//               levels 1-5, exactly as in a record.
//   Buffer      owned bytes of strings and binaries: a bounded String or
//               WideString in the record-field layout of its type (null
//               byte, length prefix, characters); an unbounded string or a
//               binary as a presence byte, a uint32 length and the
//               characters (UTF-16LE for wide strings) or bytes.
//   DataPtr     the referred bytes, in the layout above, when the holder is
//               a reference; with RefIsText it points at RefLength bare
//               characters instead (SetAnsiStringRef).
//   ObjectRef   the object of a Relation value (not owned).
//   HoldsChar   set while the holder owns a Char value: Char's code is 0,
//               the code of the empty holder, so the code alone cannot tell
//               the two apart.
//
// Ownership: a holder owns Buffer and keeps it for reuse across values;
// DoneValue frees it. A reference holder never frees what it refers to, and
// the referred bytes must outlive it. Holders move but do not copy: a value
// is copied through its type (Assign).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vexilo::types {

// The reference bit of TVxbDataValue::ColumnType.
inline constexpr uint16_t kValueReferenceBit = 0x8000;

struct TVxbDataValue {
  static constexpr size_t kInlineSize = 24;

  TVxbDataValue() = default;
  TVxbDataValue(const TVxbDataValue&) = delete;
  TVxbDataValue& operator=(const TVxbDataValue&) = delete;
  TVxbDataValue(TVxbDataValue&&) noexcept = default;
  TVxbDataValue& operator=(TVxbDataValue&&) noexcept = default;

  bool IsEmpty() const { return ColumnType == 0 && !HoldsChar; }
  bool IsReference() const { return (ColumnType & kValueReferenceBit) != 0; }
  // The type code without the reference bit.
  int16_t Code() const { return static_cast<int16_t>(ColumnType & ~kValueReferenceBit); }

  // Grows the owned buffer to at least `size` bytes, keeping its content.
  uint8_t* EnsureBuffer(size_t size);
  // Forgets the value and frees the owned buffer.
  void Clear();

  uint16_t ColumnType = 0;
  alignas(8) uint8_t Inline[kInlineSize] = {};
  uint8_t* DataPtr = nullptr;
  bool RefIsText = false;
  size_t RefLength = 0;
  std::unique_ptr<uint8_t[]> Buffer;
  size_t BufferSize = 0;
  void* ObjectRef = nullptr;
  bool HoldsChar = false;
};

}  // namespace vexilo::types
