#include "framework/core/stream.h"

#include <algorithm>
#include <cstring>

namespace vexilo::framework {

void TStream::SetSize(int64_t) {}

int64_t TStream::Size() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::vector<std::byte> TStream::ReadRemaining() {
  const int64_t position = Position();
  const int64_t size = Size();
  std::vector<std::byte> bytes(static_cast<size_t>(std::max<int64_t>(size - position, 0)));
  if (!bytes.empty()) bytes.resize(static_cast<size_t>(Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
  return bytes;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<std::byte> chunk(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 0), 65536)));
  int64_t copied = 0;
  while (copied < count) {
    const int64_t part = std::min<int64_t>(count - copied, static_cast<int64_t>(chunk.size()));
    source.ReadBuffer(chunk.data(), part);
    WriteBuffer(chunk.data(), part);
    copied += part;
  }
  return copied;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = static_cast<int64_t>(FBytes.size());
  if (count <= 0 || FPosition >= size) return 0;
  const int64_t n = std::min(count, size - FPosition);
  std::memcpy(buffer, FBytes.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = FPosition + count;
  if (end > static_cast<int64_t>(FBytes.size())) FBytes.resize(static_cast<size_t>(end));
  std::memcpy(FBytes.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = FPosition;
  if (origin == TSeekOrigin::soEnd) base = static_cast<int64_t>(FBytes.size());
  FPosition = std::max<int64_t>(base + offset, 0);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t size) {
  FBytes.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  FPosition = std::min(FPosition, static_cast<int64_t>(FBytes.size()));
}

}  // namespace vexilo::framework
