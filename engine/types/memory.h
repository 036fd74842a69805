// TvwMemory: the little-endian byte codec of records, index keys, file headers
// and definition blocks. Every multi-byte number the engine keeps in a file
// goes through these functions, never through a cast of a struct onto a
// buffer.
//
// The number readers and writers do no bounds checks: the caller owns a buffer
// that holds `offset + sizeof(value)` bytes. The string readers take the
// number of bytes available after `offset` and never read beyond it, so a
// damaged length prefix cannot make them overrun a buffer; they return what
// the buffer holds. Writers cut a string to the given maximum length and
// return the number of bytes written.
//
// Buffers themselves are std::vector or std::unique_ptr<uint8_t[]> owned by
// their users; this unit allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace vexilo::types {

// A GUID in its usual memory layout (16 bytes: Data1, Data2, Data3, Data4).
struct TGuid {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
  friend bool operator==(const TGuid&, const TGuid&) = default;
};

class TvwMemory {
 public:
  static constexpr size_t kUnbounded = std::numeric_limits<size_t>::max();

  static int8_t ReadInt8(const void* buf, size_t ofs) { return static_cast<int8_t>(Byte(buf, ofs)); }
  static uint8_t ReadUInt8(const void* buf, size_t ofs) { return Byte(buf, ofs); }
  static int16_t ReadInt16(const void* buf, size_t ofs) { return static_cast<int16_t>(ReadUInt16(buf, ofs)); }
  static uint16_t ReadUInt16(const void* buf, size_t ofs) {
    return static_cast<uint16_t>(Byte(buf, ofs) | Byte(buf, ofs + 1) << 8);
  }
  static int32_t ReadInt32(const void* buf, size_t ofs) { return static_cast<int32_t>(ReadUInt32(buf, ofs)); }
  static uint32_t ReadUInt32(const void* buf, size_t ofs) {
    return uint32_t{ReadUInt16(buf, ofs)} | uint32_t{ReadUInt16(buf, ofs + 2)} << 16;
  }
  static int64_t ReadInt64(const void* buf, size_t ofs) { return static_cast<int64_t>(ReadUInt64(buf, ofs)); }
  static uint64_t ReadUInt64(const void* buf, size_t ofs) {
    return uint64_t{ReadUInt32(buf, ofs)} | uint64_t{ReadUInt32(buf, ofs + 4)} << 32;
  }
  static double ReadDouble(const void* buf, size_t ofs) {
    const uint64_t bits = ReadUInt64(buf, ofs);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  // The 6-byte real of level-1 tables: byte 0 the exponent with bias 129 (0
  // means the value 0), bytes 1-5 the 39-bit mantissa after an implicit
  // leading 1, least significant byte first, the sign in the top bit of byte 5.
  static double ReadReal48(const void* buf, size_t ofs);
  static TGuid ReadGuid(const void* buf, size_t ofs);

  static void WriteInt8(void* buf, size_t ofs, int8_t v) { SetByte(buf, ofs, static_cast<uint8_t>(v)); }
  static void WriteUInt8(void* buf, size_t ofs, uint8_t v) { SetByte(buf, ofs, v); }
  static void WriteInt16(void* buf, size_t ofs, int16_t v) { WriteUInt16(buf, ofs, static_cast<uint16_t>(v)); }
  static void WriteUInt16(void* buf, size_t ofs, uint16_t v) {
    SetByte(buf, ofs, static_cast<uint8_t>(v));
    SetByte(buf, ofs + 1, static_cast<uint8_t>(v >> 8));
  }
  static void WriteInt32(void* buf, size_t ofs, int32_t v) { WriteUInt32(buf, ofs, static_cast<uint32_t>(v)); }
  static void WriteUInt32(void* buf, size_t ofs, uint32_t v) {
    WriteUInt16(buf, ofs, static_cast<uint16_t>(v));
    WriteUInt16(buf, ofs + 2, static_cast<uint16_t>(v >> 16));
  }
  static void WriteInt64(void* buf, size_t ofs, int64_t v) { WriteUInt64(buf, ofs, static_cast<uint64_t>(v)); }
  static void WriteUInt64(void* buf, size_t ofs, uint64_t v) {
    WriteUInt32(buf, ofs, static_cast<uint32_t>(v));
    WriteUInt32(buf, ofs + 4, static_cast<uint32_t>(v >> 32));
  }
  static void WriteDouble(void* buf, size_t ofs, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    WriteUInt64(buf, ofs, bits);
  }
  // Values the 6-byte real cannot hold are written as 0 (too small) or as
  // the largest real of their sign (too large); NaN is written as 0.
  static void WriteReal48(void* buf, size_t ofs, double v);
  static void WriteGuid(void* buf, size_t ofs, const TGuid& v);

  // Strings with a uint8 length prefix (BP), a uint16 length prefix (WP) or a
  // zero terminator (ZT). `avail` is the number of bytes the buffer holds from
  // `ofs` on. A negative `maxLen` on writing means the prefix's largest count.
  static std::string ReadBPAnsiString(const void* buf, size_t ofs, size_t avail = kUnbounded);
  static size_t WriteBPAnsiString(void* buf, size_t ofs, std::string_view s, int maxLen = -1);
  static std::string ReadWPAnsiString(const void* buf, size_t ofs, size_t avail = kUnbounded);
  static size_t WriteWPAnsiString(void* buf, size_t ofs, std::string_view s, int maxLen = -1);
  static std::u16string ReadWPWideString(const void* buf, size_t ofs, size_t avail = kUnbounded);
  static size_t WriteWPWideString(void* buf, size_t ofs, std::u16string_view s, int maxLen = -1);
  // Zero-terminated strings are read up to the terminator, `maxLen`
  // characters or the end of the buffer, whichever comes first; writing puts
  // at most `maxLen` characters and always the terminator.
  static std::string ReadZTAnsiString(const void* buf, size_t ofs, size_t maxLen, size_t avail = kUnbounded);
  static size_t WriteZTAnsiString(void* buf, size_t ofs, std::string_view s, size_t maxLen);
  static std::u16string ReadZTWideString(const void* buf, size_t ofs, size_t maxLen, size_t avail = kUnbounded);
  static size_t WriteZTWideString(void* buf, size_t ofs, std::u16string_view s, size_t maxLen);

  static void Copy(void* dst, size_t dstOfs, const void* src, size_t srcOfs, size_t count) {
    if (count) std::memmove(static_cast<uint8_t*>(dst) + dstOfs, static_cast<const uint8_t*>(src) + srcOfs, count);
  }
  static void Fill(void* buf, size_t ofs, size_t count, uint8_t value) {
    if (count) std::memset(static_cast<uint8_t*>(buf) + ofs, value, count);
  }

 private:
  static uint8_t Byte(const void* buf, size_t ofs) { return static_cast<const uint8_t*>(buf)[ofs]; }
  static void SetByte(void* buf, size_t ofs, uint8_t v) { static_cast<uint8_t*>(buf)[ofs] = v; }
};

}  // namespace vexilo::types
