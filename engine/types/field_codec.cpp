#include "engine/types/field_codec.h"

#include <algorithm>
#include <limits>

#include "engine/types/oem_charset.h"
#include "engine/types/string_size.h"

namespace vexilo::types {

namespace {

using M = TvwMemory;

// Offset of the null byte of a non-Char field with a null byte.
size_t NullByteOffset(const TVxbFieldLayout& f) {
  return f.Level >= 6 ? f.Position : f.Position + f.Size - 1;
}

// A field whose value bytes are `needed`: the reader's common prelude.
// Returns false (null) when the field is too small or its null byte is 0.
bool Present(const uint8_t* record, const TVxbFieldLayout& f, size_t needed) {
  if (TVxbFieldCodec::ValueSize(f) < needed) return false;
  return !TVxbFieldCodec::IsNullByteClear(record, f);
}

void SetNullByte(uint8_t* record, const TVxbFieldLayout& f, bool present) {
  if (f.HasNullByte && f.Size > 0) M::WriteUInt8(record, NullByteOffset(f), present ? 1 : 0);
}

// The writers' common frame: refuses a field too small for `needed` value
// bytes; for null writes the null byte, or zeros in the value when the field
// has none and `zeroWhenNull`.
template <typename WriteValue>
bool Write(uint8_t* record, const TVxbFieldLayout& f, bool present, size_t needed, bool zeroWhenNull,
           WriteValue writeValue) {
  if (TVxbFieldCodec::ValueSize(f) < needed) return false;
  if (!present) {
    if (f.HasNullByte) SetNullByte(record, f, false);
    else if (zeroWhenNull) M::Fill(record, TVxbFieldCodec::ValueOffset(f), needed, 0);
    return true;
  }
  writeValue(TVxbFieldCodec::ValueOffset(f));
  SetNullByte(record, f, true);
  return true;
}

bool InRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

}  // namespace

size_t TVxbFieldCodec::ValueOffset(const TVxbFieldLayout& f) {
  return f.Position + (f.HasNullByte && f.Level >= 6 ? 1 : 0);
}

size_t TVxbFieldCodec::ValueSize(const TVxbFieldLayout& f) {
  return f.HasNullByte ? (f.Size > 0 ? f.Size - 1 : 0) : f.Size;
}

bool TVxbFieldCodec::IsNullByteClear(const uint8_t* record, const TVxbFieldLayout& f) {
  return f.HasNullByte && f.Size > 0 && M::ReadUInt8(record, NullByteOffset(f)) == 0;
}

// Char keeps its null byte after the character on every level.
bool TVxbFieldCodec::ReadChar(const uint8_t* record, const TVxbFieldLayout& f, uint8_t& value) {
  const size_t needed = f.HasNullByte ? 2 : 1;
  if (f.Size < needed) return false;
  if (f.HasNullByte && M::ReadUInt8(record, f.Position + 1) == 0) return false;
  const uint8_t c = M::ReadUInt8(record, f.Position);
  value = f.Level == 1 ? OemToAnsi(c) : c;
  return true;
}

bool TVxbFieldCodec::WriteChar(uint8_t* record, const TVxbFieldLayout& f, bool present, uint8_t value) {
  const size_t needed = f.HasNullByte ? 2 : 1;
  if (f.Size < needed) return false;
  if (present || !f.HasNullByte) M::WriteUInt8(record, f.Position, present ? (f.Level == 1 ? AnsiToOem(value) : value) : 0);
  if (f.HasNullByte) M::WriteUInt8(record, f.Position + 1, present ? 1 : 0);
  return true;
}

bool TVxbFieldCodec::ReadString(const uint8_t* record, const TVxbFieldLayout& f, std::string& value) {
  if (!Present(record, f, 2)) return false;
  const int32_t maxLength = StringMaxLength(static_cast<int32_t>(f.Size), f.HasNullByte);
  const size_t width = StringPrefixWidth(maxLength);
  const size_t ofs = ValueOffset(f);
  const size_t avail = ValueSize(f);
  value = width == 1 ? M::ReadBPAnsiString(record, ofs, avail) : M::ReadWPAnsiString(record, ofs, avail);
  if (f.Level == 1)
    for (char& c : value) c = static_cast<char>(OemToAnsi(static_cast<uint8_t>(c)));
  return true;
}

bool TVxbFieldCodec::WriteString(uint8_t* record, const TVxbFieldLayout& f, bool present, std::string_view value) {
  return Write(record, f, present, 2, false, [&](size_t ofs) {
    const int32_t maxLength = StringMaxLength(static_cast<int32_t>(f.Size), f.HasNullByte);
    const size_t width = StringPrefixWidth(maxLength);
    const size_t room = ValueSize(f) - width;
    const size_t len = std::min({value.size(), room, static_cast<size_t>(std::max(maxLength, 0))});
    if (width == 1) M::WriteUInt8(record, ofs, static_cast<uint8_t>(len));
    else M::WriteUInt16(record, ofs, static_cast<uint16_t>(len));
    for (size_t i = 0; i < len; ++i) {
      const uint8_t c = static_cast<uint8_t>(value[i]);
      M::WriteUInt8(record, ofs + width + i, f.Level == 1 ? AnsiToOem(c) : c);
    }
    M::Fill(record, ofs + width + len, room - len, 0);
  });
}

bool TVxbFieldCodec::ReadWideString(const uint8_t* record, const TVxbFieldLayout& f, std::u16string& value) {
  if (!Present(record, f, 2)) return false;
  value = M::ReadWPWideString(record, ValueOffset(f), ValueSize(f));
  return true;
}

bool TVxbFieldCodec::WriteWideString(uint8_t* record, const TVxbFieldLayout& f, bool present,
                                     std::u16string_view value) {
  return Write(record, f, present, 2, false, [&](size_t ofs) {
    const size_t room = (ValueSize(f) - 2) / 2;
    const size_t len = std::min({value.size(), room, size_t{65535}});
    M::WriteWPWideString(record, ofs, value.substr(0, len));
    M::Fill(record, ofs + 2 + 2 * len, ValueSize(f) - 2 - 2 * len, 0);
  });
}

bool TVxbFieldCodec::ReadSmallInt(const uint8_t* record, const TVxbFieldLayout& f, int16_t& value) {
  if (!Present(record, f, 2)) return false;
  value = M::ReadInt16(record, ValueOffset(f));
  return true;
}

bool TVxbFieldCodec::WriteSmallInt(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  if (present && !InRange(value, -32768, 32767)) return false;
  return Write(record, f, present, 2, false,
               [&](size_t ofs) { M::WriteInt16(record, ofs, static_cast<int16_t>(value)); });
}

bool TVxbFieldCodec::ReadByte(const uint8_t* record, const TVxbFieldLayout& f, uint8_t& value) {
  if (!Present(record, f, 1)) return false;
  value = M::ReadUInt8(record, ValueOffset(f));
  return true;
}

bool TVxbFieldCodec::WriteByte(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  if (present && !InRange(value, 0, 255)) return false;
  return Write(record, f, present, 1, false,
               [&](size_t ofs) { M::WriteUInt8(record, ofs, static_cast<uint8_t>(value)); });
}

bool TVxbFieldCodec::ReadBoolean(const uint8_t* record, const TVxbFieldLayout& f, bool& value) {
  uint8_t b = 0;
  if (!ReadByte(record, f, b)) return false;
  value = b != 0;
  return true;
}

bool TVxbFieldCodec::WriteBoolean(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  if (present && !InRange(value, 0, 255)) return false;
  return WriteByte(record, f, present, value != 0 ? 1 : 0);
}

bool TVxbFieldCodec::ReadEnum(const uint8_t* record, const TVxbFieldLayout& f, uint8_t& value) {
  if (!Present(record, f, 1)) return false;
  value = M::ReadUInt8(record, ValueOffset(f));
  return f.HasNullByte || value != 0;
}

bool TVxbFieldCodec::WriteEnum(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  if (present && !InRange(value, 0, 255)) return false;
  return Write(record, f, present, 1, true,
               [&](size_t ofs) { M::WriteUInt8(record, ofs, static_cast<uint8_t>(value)); });
}

bool TVxbFieldCodec::ReadInteger(const uint8_t* record, const TVxbFieldLayout& f, int32_t& value) {
  if (!Present(record, f, 4)) return false;
  value = M::ReadInt32(record, ValueOffset(f));
  return true;
}

bool TVxbFieldCodec::WriteInteger(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  if (present && !InRange(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()))
    return false;
  return Write(record, f, present, 4, true,
               [&](size_t ofs) { M::WriteInt32(record, ofs, static_cast<int32_t>(value)); });
}

bool TVxbFieldCodec::ReadLink(const uint8_t* record, const TVxbFieldLayout& f, int32_t& value) {
  if (!ReadInteger(record, f, value)) return false;
  return f.HasNullByte || value != 0;
}

bool TVxbFieldCodec::WriteLink(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  return WriteInteger(record, f, present, value);
}

bool TVxbFieldCodec::ReadBigInt(const uint8_t* record, const TVxbFieldLayout& f, int64_t& value) {
  if (!Present(record, f, 8)) return false;
  value = M::ReadInt64(record, ValueOffset(f));
  return true;
}

bool TVxbFieldCodec::WriteBigInt(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t value) {
  return Write(record, f, present, 8, false, [&](size_t ofs) { M::WriteInt64(record, ofs, value); });
}

bool TVxbFieldCodec::ReadFloat(const uint8_t* record, const TVxbFieldLayout& f, double& value) {
  const size_t width = f.Level == 1 ? 6 : 8;
  if (!Present(record, f, width)) return false;
  value = width == 6 ? M::ReadReal48(record, ValueOffset(f)) : M::ReadDouble(record, ValueOffset(f));
  return true;
}

bool TVxbFieldCodec::WriteFloat(uint8_t* record, const TVxbFieldLayout& f, bool present, double value) {
  const size_t width = f.Level == 1 ? 6 : 8;
  return Write(record, f, present, width, false, [&](size_t ofs) {
    if (width == 6) M::WriteReal48(record, ofs, value);
    else M::WriteDouble(record, ofs, value);
  });
}

bool TVxbFieldCodec::ReadDate(const uint8_t* record, const TVxbFieldLayout& f, int32_t& value) {
  if (!Present(record, f, 4)) return false;
  value = M::ReadInt32(record, ValueOffset(f));
  return value != 0;
}

bool TVxbFieldCodec::WriteDate(uint8_t* record, const TVxbFieldLayout& f, bool present, int32_t value) {
  return Write(record, f, present, 4, true, [&](size_t ofs) { M::WriteInt32(record, ofs, value); });
}

bool TVxbFieldCodec::ReadTime(const uint8_t* record, const TVxbFieldLayout& f, int64_t& ticks) {
  const size_t size = ValueSize(f);
  const size_t width = size >= 8 ? 8 : size >= 4 ? 4 : 2;
  if (!Present(record, f, width)) return false;
  const size_t ofs = ValueOffset(f);
  if (width == 2) ticks = M::ReadInt16(record, ofs) * kTicksPerMinute;
  else if (width == 4) ticks = M::ReadInt32(record, ofs) * kTicksPerMillisecond;
  else ticks = M::ReadInt64(record, ofs);
  return true;
}

bool TVxbFieldCodec::WriteTime(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t ticks) {
  if (present && !InRange(ticks, 0, kTicksPerDay)) return false;
  const size_t size = ValueSize(f);
  const size_t width = size >= 8 ? 8 : size >= 4 ? 4 : 2;
  return Write(record, f, present, width, true, [&](size_t ofs) {
    if (width == 2) M::WriteInt16(record, ofs, static_cast<int16_t>(ticks / kTicksPerMinute));
    else if (width == 4) M::WriteInt32(record, ofs, static_cast<int32_t>(ticks / kTicksPerMillisecond));
    else M::WriteInt64(record, ofs, ticks);
  });
}

bool TVxbFieldCodec::ReadTimeStamp(const uint8_t* record, const TVxbFieldLayout& f, TVxbTimeStamp& value) {
  if (!Present(record, f, 8)) return false;
  const size_t ofs = ValueOffset(f);
  value.Date = M::ReadInt32(record, ofs);
  value.Time = M::ReadInt32(record, ofs + 4);
  return f.HasNullByte || value.Date != 0 || value.Time != 0;
}

bool TVxbFieldCodec::WriteTimeStamp(uint8_t* record, const TVxbFieldLayout& f, bool present,
                                    const TVxbTimeStamp& value) {
  return Write(record, f, present, 8, true, [&](size_t ofs) {
    M::WriteInt32(record, ofs, value.Date);
    M::WriteInt32(record, ofs + 4, value.Time);
  });
}

bool TVxbFieldCodec::ReadGuid(const uint8_t* record, const TVxbFieldLayout& f, TGuid& value) {
  if (!Present(record, f, 16)) return false;
  value = M::ReadGuid(record, ValueOffset(f));
  return true;
}

bool TVxbFieldCodec::WriteGuid(uint8_t* record, const TVxbFieldLayout& f, bool present, const TGuid& value) {
  return Write(record, f, present, 16, false, [&](size_t ofs) { M::WriteGuid(record, ofs, value); });
}

bool TVxbFieldCodec::ReadBlockRef(const uint8_t* record, const TVxbFieldLayout& f, int32_t& block) {
  if (!Present(record, f, 4)) return false;
  block = M::ReadInt32(record, ValueOffset(f));
  return block != 0;
}

bool TVxbFieldCodec::WriteBlockRef(uint8_t* record, const TVxbFieldLayout& f, bool present, int64_t block) {
  if (present && !InRange(block, 0, std::numeric_limits<int32_t>::max())) return false;
  if (!present && !f.HasNullByte) return ValueSize(f) >= 4;  // nothing is written
  return Write(record, f, present, 4, false,
               [&](size_t ofs) { M::WriteInt32(record, ofs, static_cast<int32_t>(block)); });
}

}  // namespace vexilo::types
