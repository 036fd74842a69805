// The record field codec: reads and writes one value in the bytes of a
// record, for every value encoding of the column types. The table layer,
// accessors and data types all go through it.
//
// A field is Size bytes at Position in the record. With a null byte the
// field holds it in addition to the value bytes:
//
//   level 6            offset 0: null byte, offset 1..: value
//   levels 1-5         offset 0..: value,   offset Size-1: null byte
//   Char, any level    offset 0: character, offset 1: null byte
//
// A null byte of 0 means null; the writers put 1 for a present value.
// Value encodings (all numbers little-endian):
//
//   Char (0)             1 byte, the character; level 1 in the OEM set
//   String (1)           prefix (uint8 when MaxLength <= 255, else uint16)
//                        = length, then MaxLength bytes of characters;
//                        level 1 in the OEM set; MaxLength follows from Size
//   WideString (18)      uint16 length in UTF-16 units, MaxLength units LE
//   SmallInt (2)         int16
//   Byte (4), Enum (8)   uint8; an Enum of 0 is null
//   Boolean (5)          uint8 0 or 1
//   Integer (16),
//   RecordId (9)         int32
//   Link (10)            int32; 0 is null
//   BigInt (20)          int64
//   Float (3)            binary64; level 1 the 6-byte real (TvwMemory)
//   Date (6)             int32 year*512 + month*32 + day; 0 is null
//   Time (13)            2 value bytes: int16 minutes since midnight,
//                        4: int32 milliseconds, 8: int64 ticks of 100 ns
//   TimeStamp (17)       int32 date, int32 milliseconds; both 0 is null
//   Guid (21)            uint32 Data1, uint16 Data2, uint16 Data3, 8 bytes
//   Memo (7), Blob (11),
//   WideMemo (19)        int32 first block in the memo or blob file; 0 none
//
// Readers return whether a value is present and store it; they never read
// outside the field, whatever its bytes hold (a length prefix larger than the
// field is cut to the field; a field too small for its encoding reads as
// null). Writers take a presence flag and the value and return false, writing
// nothing, when the value is outside the encoding's range. Writing null
// writes only the null byte; without a null byte it writes zeros for Date,
// Integer, RecordId, Link, Enum, TimeStamp and Time, and nothing for memo and
// blob references.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/types/date_time.h"
#include "engine/types/memory.h"

namespace vexilo::types {

// Where a field lies in a record and how it keeps its null state.
struct TVxbFieldLayout {
  size_t Position = 0;       // offset of the field's first byte in the record
  size_t Size = 0;           // bytes of the field, null byte included
  int16_t Level = 6;         // table level 1-6
  bool HasNullByte = false;  // the field has a separate null byte
};

class TVxbFieldCodec {
 public:
  static bool ReadChar(const uint8_t* record, const TVxbFieldLayout& f, uint8_t& value);
  static bool WriteChar(uint8_t* record, const TVxbFieldLayout& f, bool present, uint8_t value);

  // ANSI characters of a String field, translated from the OEM set on level 1.
  static bool ReadString(const uint8_t* record, const TVxbFieldLayout& f, std::string& value);
  // Cuts `value` to the field's MaxLength and clears the unused bytes.
  static bool WriteString(uint8_t* record, const TVxbFieldLayout& f, bool present, std::string_view value);
  static bool ReadWideString(const uint8_t* record, const TVxbFieldLayout& f, std::u16string& value);
  static bool WriteWideString(uint8_t* record, const TVxbFieldLayout& f, bool present, std::u16string_view value);

  static bool ReadSmallInt(const uint8_t* record, const TVxbFieldLayout& f, int16_t& value);
  static bool WriteSmallInt(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);
  static bool ReadByte(const uint8_t* record, const TVxbFieldLayout& f, uint8_t& value);
  static bool WriteByte(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);
  // Any non-zero stored byte reads as true; a non-zero value is written as 1.
  static bool ReadBoolean(const uint8_t* record, const TVxbFieldLayout& f, bool& value);
  static bool WriteBoolean(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);
  static bool ReadEnum(const uint8_t* record, const TVxbFieldLayout& f, uint8_t& value);
  static bool WriteEnum(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);
  // Integer (16) and RecordId (9).
  static bool ReadInteger(const uint8_t* record, const TVxbFieldLayout& f, int32_t& value);
  static bool WriteInteger(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);
  static bool ReadLink(const uint8_t* record, const TVxbFieldLayout& f, int32_t& value);
  static bool WriteLink(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);
  static bool ReadBigInt(const uint8_t* record, const TVxbFieldLayout& f, int64_t& value);
  static bool WriteBigInt(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value);

  static bool ReadFloat(const uint8_t* record, const TVxbFieldLayout& f, double& value);
  static bool WriteFloat(uint8_t* record, const TVxbFieldLayout& f, bool present, double value);

  static bool ReadDate(const uint8_t* record, const TVxbFieldLayout& f, int32_t& value);
  static bool WriteDate(uint8_t* record, const TVxbFieldLayout& f, bool present, int32_t value);
  // Ticks of 100 ns since midnight, whatever the stored form. Writing refuses
  // a time below 0 or beyond 24:00; the 2-byte form keeps whole minutes and
  // the 4-byte form whole milliseconds.
  static bool ReadTime(const uint8_t* record, const TVxbFieldLayout& f, int64_t& ticks);
  static bool WriteTime(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t ticks);
  static bool ReadTimeStamp(const uint8_t* record, const TVxbFieldLayout& f, TVxbTimeStamp& value);
  static bool WriteTimeStamp(uint8_t* record, const TVxbFieldLayout& f, bool present, const TVxbTimeStamp& value);
  static bool ReadGuid(const uint8_t* record, const TVxbFieldLayout& f, TGuid& value);
  static bool WriteGuid(uint8_t* record, const TVxbFieldLayout& f, bool present, const TGuid& value);

  // Memo (7), Blob (11) and WideMemo (19) references; writing refuses a
  // block number below 0.
  static bool ReadBlockRef(const uint8_t* record, const TVxbFieldLayout& f, int32_t& block);
  static bool WriteBlockRef(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t block);

  // The null state alone: true when the field's null byte says null (always
  // false for a field without one). Not for Char fields, whose null byte
  // follows the character.
  static bool IsNullByteClear(const uint8_t* record, const TVxbFieldLayout& f);
  // Offset of the first value byte and number of value bytes of a field.
  static size_t ValueOffset(const TVxbFieldLayout& f);
  static size_t ValueSize(const TVxbFieldLayout& f);
};

}  // namespace vexilo::types
