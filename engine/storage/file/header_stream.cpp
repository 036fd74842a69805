#include "engine/storage/file/header_stream.h"

#include <algorithm>
#include <limits>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/memory.h"

namespace vexilo::storage {

using types::TvwMemory;

void TVxbBufferSource::ReadAt(int64_t pos, uint8_t* dest, size_t count) {
  TvwMemory::Copy(dest, 0, FBytes.data(), static_cast<size_t>(pos), count);
}

void RaiseDamagedHeader() { throw errors::EVxbEngine(errors::vxbErrTableHeader, fs::FormatArgs{}); }

TVxbHeaderReader::TVxbHeaderReader(TVxbHeaderSource& source, int64_t pos, int64_t end)
    : FSource(source), FPos(pos), FEnd(std::min(end, source.Size())) {
  if (FPos < 0 || FPos > FEnd) RaiseDamagedHeader();
}

TVxbHeaderReader::TVxbHeaderReader(std::span<const uint8_t> bytes)
    : FOwnSource(bytes), FSource(FOwnSource), FPos(0), FEnd(static_cast<int64_t>(bytes.size())) {}

void TVxbHeaderReader::Require(int64_t count) const {
  if (count < 0 || count > FEnd - FPos) RaiseDamagedHeader();
}

void TVxbHeaderReader::Seek(int64_t pos) {
  if (pos < 0 || pos > FEnd) RaiseDamagedHeader();
  FPos = pos;
}

void TVxbHeaderReader::ReadBytes(uint8_t* dest, size_t count) {
  if (count > static_cast<size_t>(std::numeric_limits<int64_t>::max())) RaiseDamagedHeader();
  Require(static_cast<int64_t>(count));
  if (count) FSource.ReadAt(FPos, dest, count);
  FPos += static_cast<int64_t>(count);
}

uint8_t TVxbHeaderReader::ReadUInt8() {
  uint8_t b[1];
  ReadBytes(b, 1);
  return b[0];
}

int16_t TVxbHeaderReader::ReadInt16() { return static_cast<int16_t>(ReadUInt16()); }

uint16_t TVxbHeaderReader::ReadUInt16() {
  uint8_t b[2];
  ReadBytes(b, 2);
  return TvwMemory::ReadUInt16(b, 0);
}

int32_t TVxbHeaderReader::ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }

uint32_t TVxbHeaderReader::ReadUInt32() {
  uint8_t b[4];
  ReadBytes(b, 4);
  return TvwMemory::ReadUInt32(b, 0);
}

double TVxbHeaderReader::ReadDouble() {
  uint8_t b[8];
  ReadBytes(b, 8);
  return TvwMemory::ReadDouble(b, 0);
}

std::vector<uint8_t> TVxbHeaderReader::ReadBlock(size_t count) {
  Require(static_cast<int64_t>(std::min<size_t>(count, static_cast<size_t>(std::numeric_limits<int64_t>::max()))));
  std::vector<uint8_t> block(count);
  ReadBytes(block.data(), count);
  return block;
}

std::u16string TVxbHeaderReader::ReadCountedWide() {
  const uint16_t count = ReadUInt16();
  Require(int64_t{count} * 2);
  std::vector<uint8_t> bytes(size_t{count} * 2);
  ReadBytes(bytes.data(), bytes.size());
  std::u16string text(count, u'\0');
  for (size_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(bytes.data(), 2 * i));
  return text;
}

std::string TVxbHeaderReader::ReadCountedAnsi() {
  const uint16_t count = ReadUInt16();
  Require(count);
  std::string text(count, '\0');
  ReadBytes(reinterpret_cast<uint8_t*>(text.data()), count);
  return text;
}

std::u16string TVxbHeaderReader::ReadFixedWide(size_t n) {
  const int64_t start = FPos;
  Require(2 + 2 * static_cast<int64_t>(n));
  const uint16_t count = ReadUInt16();
  if (count > n) RaiseDamagedHeader();
  Seek(start);
  std::u16string text = ReadCountedWide();
  Seek(start + 2 + 2 * static_cast<int64_t>(n));
  return text;
}

std::string TVxbHeaderReader::ReadShortString(size_t n) {
  Require(1 + static_cast<int64_t>(n));
  const size_t length = std::min<size_t>(ReadUInt8(), n);
  std::string text(length, '\0');
  ReadBytes(reinterpret_cast<uint8_t*>(text.data()), length);
  Skip(static_cast<int64_t>(n - length));
  return text;
}

uint8_t* TVxbHeaderWriter::Grow(size_t count) {
  const size_t pos = FBytes.size();
  FBytes.resize(pos + count);
  return FBytes.data() + pos;
}

void TVxbHeaderWriter::WriteUInt8(uint8_t value) { *Grow(1) = value; }
void TVxbHeaderWriter::WriteInt16(int16_t value) { TvwMemory::WriteInt16(Grow(2), 0, value); }
void TVxbHeaderWriter::WriteUInt16(uint16_t value) { TvwMemory::WriteUInt16(Grow(2), 0, value); }
void TVxbHeaderWriter::WriteInt32(int32_t value) { TvwMemory::WriteInt32(Grow(4), 0, value); }
void TVxbHeaderWriter::WriteUInt32(uint32_t value) { TvwMemory::WriteUInt32(Grow(4), 0, value); }
void TVxbHeaderWriter::WriteDouble(double value) { TvwMemory::WriteDouble(Grow(8), 0, value); }

void TVxbHeaderWriter::WriteBytes(std::span<const uint8_t> bytes) {
  if (!bytes.empty()) TvwMemory::Copy(Grow(bytes.size()), 0, bytes.data(), 0, bytes.size());
}

void TVxbHeaderWriter::WriteZeros(size_t count) { Grow(count); }

void TVxbHeaderWriter::WriteCountedWide(std::u16string_view text) {
  const size_t count = std::min<size_t>(text.size(), 0xFFFF);
  uint8_t* p = Grow(2 + 2 * count);
  TvwMemory::WriteUInt16(p, 0, static_cast<uint16_t>(count));
  for (size_t i = 0; i < count; ++i) TvwMemory::WriteUInt16(p, 2 + 2 * i, text[i]);
}

void TVxbHeaderWriter::WriteCountedAnsi(std::string_view text) {
  const size_t count = std::min<size_t>(text.size(), 0xFFFF);
  uint8_t* p = Grow(2 + count);
  TvwMemory::WriteUInt16(p, 0, static_cast<uint16_t>(count));
  TvwMemory::Copy(p, 2, text.data(), 0, count);
}

void TVxbHeaderWriter::WriteFixedWide(std::u16string_view text, size_t n) {
  const size_t start = FBytes.size();
  WriteCountedWide(text.substr(0, n));
  WriteZeros(start + 2 + 2 * n - FBytes.size());
}

void TVxbHeaderWriter::WriteShortString(std::string_view text, size_t n) {
  const size_t length = std::min({text.size(), n, size_t{255}});
  uint8_t* p = Grow(1 + n);
  p[0] = static_cast<uint8_t>(length);
  TvwMemory::Copy(p, 1, text.data(), 0, length);
}

void TVxbHeaderWriter::PatchInt32(size_t pos, int32_t value) { TvwMemory::WriteInt32(FBytes.data(), pos, value); }

}  // namespace vexilo::storage
