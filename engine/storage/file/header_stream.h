// Sequential reading and writing of table-file headers.
//
// A header is read from a TVxbHeaderSource (the table file through the page
// cache, or bytes in memory) by a TVxbHeaderReader that walks it field by
// field. The reader checks every read against the end it was given, so a
// damaged count or length can never make it read beyond the file or the
// block; it raises engine error 134 ("Table is of an unknown version (level >
// 6) or table file header is corrupt") instead. Strings are allocated only
// after their bytes are known to be there, so what a header makes the reader
// allocate is bounded by the size of the file.
//
// A header is written into memory by a TVxbHeaderWriter and then stored in
// one piece. Every number goes through TvwMemory (little-endian).
//
// The text forms of the table file:
//   counted wide string   uint16 count n, then n UTF-16LE code units
//   fixed wide string n   a counted wide string of at most n units, then zero
//                         units up to n (always 2 + 2n bytes)
//   counted ANSI string   uint16 count n, then n bytes
//   short string n        one length byte (0..n), then n bytes of which the
//                         first "length" are the text, the rest zero
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::storage {

// Where header bytes come from.
class TVxbHeaderSource {
 public:
  virtual ~TVxbHeaderSource() = default;
  // Bytes available, from offset 0.
  virtual int64_t Size() const = 0;
  // Copies `count` bytes at `pos`; the caller ensures pos + count <= Size().
  // May raise EVxbEngine when the bytes cannot be read.
  virtual void ReadAt(int64_t pos, uint8_t* dest, size_t count) = 0;
};

// Header bytes held in memory (not owned; they must outlive the source).
class TVxbBufferSource : public TVxbHeaderSource {
 public:
  explicit TVxbBufferSource(std::span<const uint8_t> bytes) : FBytes(bytes) {}
  int64_t Size() const override { return static_cast<int64_t>(FBytes.size()); }
  void ReadAt(int64_t pos, uint8_t* dest, size_t count) override;

 private:
  std::span<const uint8_t> FBytes;
};

// Raises engine error 134, the damaged-header error.
[[noreturn]] void RaiseDamagedHeader();

class TVxbHeaderReader {
 public:
  // Reads `source` from `pos`; nothing at or beyond `end` is read.
  TVxbHeaderReader(TVxbHeaderSource& source, int64_t pos, int64_t end);
  // Reads bytes held in memory.
  explicit TVxbHeaderReader(std::span<const uint8_t> bytes);
  TVxbHeaderReader(const TVxbHeaderReader&) = delete;
  TVxbHeaderReader& operator=(const TVxbHeaderReader&) = delete;

  int64_t Position() const { return FPos; }
  int64_t End() const { return FEnd; }
  int64_t Remaining() const { return FEnd - FPos; }
  // Moves to `pos`; raises 134 when it lies beyond the end.
  void Seek(int64_t pos);
  void Skip(int64_t count) { Seek(FPos + count); }

  uint8_t ReadUInt8();
  int16_t ReadInt16();
  uint16_t ReadUInt16();
  int32_t ReadInt32();
  uint32_t ReadUInt32();
  double ReadDouble();
  void ReadBytes(uint8_t* dest, size_t count);
  std::vector<uint8_t> ReadBlock(size_t count);
  std::u16string ReadCountedWide();
  std::string ReadCountedAnsi();
  // A fixed wide string of `n`: a count above `n` marks the header damaged.
  std::u16string ReadFixedWide(size_t n);
  // A short string of `n`: a length byte above `n` is taken as `n`.
  std::string ReadShortString(size_t n);

 private:
  // Raises 134 unless `count` more bytes are there.
  void Require(int64_t count) const;

  TVxbBufferSource FOwnSource{{}};
  TVxbHeaderSource& FSource;
  int64_t FPos;
  int64_t FEnd;
};

class TVxbHeaderWriter {
 public:
  TVxbHeaderWriter() = default;

  size_t Size() const { return FBytes.size(); }
  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  std::vector<uint8_t> TakeBytes() { return std::move(FBytes); }

  void WriteUInt8(uint8_t value);
  void WriteInt16(int16_t value);
  void WriteUInt16(uint16_t value);
  void WriteInt32(int32_t value);
  void WriteUInt32(uint32_t value);
  void WriteDouble(double value);
  void WriteBytes(std::span<const uint8_t> bytes);
  void WriteZeros(size_t count);
  // Texts longer than a form can hold are cut to what it holds (65535 units
  // for counted strings, n for the fixed forms).
  void WriteCountedWide(std::u16string_view text);
  void WriteCountedAnsi(std::string_view text);
  void WriteFixedWide(std::u16string_view text, size_t n);
  void WriteShortString(std::string_view text, size_t n);
  // Overwrites 4 bytes already written at `pos`.
  void PatchInt32(size_t pos, int32_t value);

 private:
  uint8_t* Grow(size_t count);

  std::vector<uint8_t> FBytes;
};

}  // namespace vexilo::storage
