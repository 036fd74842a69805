#include "engine/storage/values/blob_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "engine/errors/error_codes.h"
#include "engine/types/memory.h"
#include "engine/index/table_file_names.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

constexpr TVxbBlockedFileKind kBlobKind{errors::vxbErrBlobDamaged, errors::vxbErrOpenBlob, errors::vxbErrWriteFile,
                                        true, u"Blob"};

}  // namespace

std::u16string TVxbBlobFile::FileNameFor(std::u16string_view tableFileName, int16_t level) {
  return index::ChangeFileExtension(tableFileName, index::BlobFileExtension(level));
}

TVxbBlobFile::TVxbBlobFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage,
                           int16_t version, int32_t blockSize)
    : TVxbBlockedBinaryFile(services, std::move(storage), version, false, blockSize, kBlobKind) {}

int64_t TVxbBlobFile::FurtherBlocks(int64_t size) const {
  const int64_t firstData = GetBlockSize() - kFirstDataOffset;
  if (size <= firstData) return 0;
  const int64_t data = DataSize();
  return (size - firstData + data - 1) / data;
}

int32_t TVxbBlobFile::ReadFirstBlock(int32_t blockIdx) {
  ReadBlock(blockIdx, WorkBlock());
  const int32_t size = TvwMemory::ReadInt32(WorkBlock(), kBlobSizeOffset);
  // A length the file cannot hold is never used to size a buffer.
  if (size < 0 || 1 + FurtherBlocks(size) > UsableBlockCount()) Damage();
  return size;
}

int16_t TVxbBlobFile::ReadString(int32_t blockIdx, std::string& s) {
  s.clear();
  if (blockIdx == 0) return 0;
  const int32_t result = Guard([&] {
    try {
      ReadValue(blockIdx, s);
    } catch (const EBlockedFileFailure& failure) {
      // A blob that cannot be read to its end counts as damage.
      if (failure.What == TFailure::kReadFailed && IsOpen()) Damage();
      throw;
    }
    return 0;
  });
  if (result < 0) s.clear();
  return static_cast<int16_t>(result);
}

void TVxbBlobFile::ReadValue(int32_t blockIdx, std::string& s) {
  const int32_t size = ReadFirstBlock(blockIdx);
  s.resize(static_cast<size_t>(size));
  size_t done = std::min(static_cast<size_t>(size), static_cast<size_t>(GetBlockSize() - kFirstDataOffset));
  std::memcpy(s.data(), WorkBlock() + kFirstDataOffset, done);
  if (done == s.size()) return;
  // Only a chain of several blocks can run in a circle.
  std::unordered_set<int32_t> visited;
  VisitChainBlock(visited, blockIdx);
  while (done < s.size()) {
    const int32_t blockNo = TvwMemory::ReadInt32(WorkBlock(), kNextBlockOffset);
    VisitChainBlock(visited, blockNo);
    ReadBlock(blockNo, WorkBlock());
    const size_t part = std::min(s.size() - done, static_cast<size_t>(DataSize()));
    std::memcpy(s.data() + done, WorkBlock() + kLinkSize, part);
    done += part;
  }
}

int32_t TVxbBlobFile::WriteData(int32_t blockIdx, const void* data, int64_t size) {
  if (size < 0 || size > std::numeric_limits<int32_t>::max()) {
    return Guard([]() -> int32_t { throw EBlockedFileFailure{TFailure::kTooLarge}; });
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  return WriteValue(blockIdx, [&]() -> int32_t {
    if (size == 0) return 0;
    uint8_t* block = WorkBlock();
    const size_t blockSize = static_cast<size_t>(GetBlockSize());
    const size_t total = static_cast<size_t>(size);
    std::memset(block, 0, blockSize);
    TvwMemory::WriteInt32(block, kBlobSizeOffset, static_cast<int32_t>(size));
    size_t done = std::min(total, blockSize - kFirstDataOffset);
    std::memcpy(block + kFirstDataOffset, bytes, done);
    const int32_t first = AllocateBlock(block, done == total);
    while (done < total) {
      std::memset(block, 0, blockSize);
      const size_t part = std::min(total - done, static_cast<size_t>(DataSize()));
      std::memcpy(block + kLinkSize, bytes + done, part);
      done += part;
      AllocateBlock(block, done == total);
    }
    return first;
  });
}

int32_t TVxbBlobFile::WriteString(int32_t blockIdx, std::string_view s) {
  return WriteData(blockIdx, s.data(), static_cast<int64_t>(s.size()));
}

int16_t TVxbBlobFile::ReadWideString(int32_t blockIdx, std::u16string& s) {
  s.clear();
  std::string bytes;
  const int16_t result = ReadString(blockIdx, bytes);
  if (result < 0) return result;
  s.resize(bytes.size() / 2);
  if constexpr (std::endian::native == std::endian::little) {
    // The stored UTF-16 is little-endian, as the host's.
    std::memcpy(s.data(), bytes.data(), 2 * s.size());
  } else {
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(bytes.data(), 2 * i));
  }
  return 0;
}

int32_t TVxbBlobFile::WriteWideString(int32_t blockIdx, std::u16string_view s) {
  if (s.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 2)) {
    return Guard([]() -> int32_t { throw EBlockedFileFailure{TFailure::kTooLarge}; });
  }
  std::string bytes(2 * s.size(), '\0');
  for (size_t i = 0; i < s.size(); ++i) TvwMemory::WriteUInt16(bytes.data(), 2 * i, static_cast<uint16_t>(s[i]));
  return WriteData(blockIdx, bytes.data(), static_cast<int64_t>(bytes.size()));
}

int32_t TVxbBlobFile::CalcBlobLength(int32_t blockIdx) {
  if (blockIdx == 0) return 0;
  return Guard([&] { return ReadFirstBlock(blockIdx); });
}

int32_t TVxbBlobFile::ReadBlobType(int32_t blockIdx) {
  if (blockIdx == 0) return 0;
  return Guard([&]() -> int32_t {
    if (ReadFirstBlock(blockIdx) < 2) return 0;
    return TvwMemory::ReadUInt16(WorkBlock(), kFirstDataOffset);
  });
}

TVxbBlockedBinaryFile::TChainEnd TVxbBlobFile::EndsValueByContent(const uint8_t* block, int32_t position,
                                                                  int64_t& state) const {
  if (position == 0) {
    const int32_t size = TvwMemory::ReadInt32(block, kBlobSizeOffset);
    if (size < 0) return TChainEnd::kInvalid;
    state = FurtherBlocks(size);
  } else {
    --state;
  }
  return state <= 0 ? TChainEnd::kLast : TChainEnd::kGoOn;
}

}  // namespace vexilo::storage
