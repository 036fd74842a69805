#include "engine/storage/values/memo_file.h"

#include <cstring>
#include <limits>
#include <unordered_set>

#include "engine/errors/error_codes.h"
#include "engine/types/memory.h"
#include "engine/index/table_file_names.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

constexpr TVxbBlockedFileKind kMemoKind{errors::vxbErrMemoDamaged, errors::vxbErrOpenMemoFile,
                                        errors::vxbErrWriteMemo, false, u"Memo"};
// A chain link as memo readers take it.
constexpr uint32_t kLinkMask = 0x0FFFFFFF;

bool EndsText(uint8_t byte) { return byte == TVxbMemoFile::kTerminator || byte == TVxbMemoFile::kCtrlZ; }

}  // namespace

std::u16string TVxbMemoFile::FileNameFor(std::u16string_view tableFileName, int16_t level) {
  return index::ChangeFileExtension(tableFileName, index::MemoFileExtension(level));
}

TVxbMemoFile::TVxbMemoFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage,
                           int16_t version)
    : TVxbBlockedBinaryFile(services, std::move(storage), version, true, kBlockSize, kMemoKind) {}

void TVxbMemoFile::WalkText(int32_t blockIdx, const std::function<bool(uint8_t)>& take) {
  RequireReadable();
  std::unordered_set<int32_t> visited;
  int32_t blockNo = blockIdx;
  for (;;) {
    VisitChainBlock(visited, blockNo);
    uint8_t* block = WorkBlock();
    ReadBlock(blockNo, block);
    for (int32_t i = kLinkSize; i < GetBlockSize(); ++i) {
      if (EndsText(block[i]) || !take(block[i])) return;
    }
    blockNo = static_cast<int32_t>(TvwMemory::ReadUInt32(block, kNextBlockOffset) & kLinkMask);
  }
}

int16_t TVxbMemoFile::ReadString(int32_t blockIdx, std::string& s) { return ReadMemo(blockIdx, s, false, -1); }

int16_t TVxbMemoFile::ReadMemo(int32_t blockIdx, std::string& s, bool supressCrLf, int32_t maxLen) {
  s.clear();
  if (blockIdx == 0) return 0;
  const size_t limit = maxLen < 0 ? std::numeric_limits<size_t>::max() : static_cast<size_t>(maxLen);
  const int32_t result = Guard([&] {
    WalkText(blockIdx, [&](uint8_t byte) {
      if (s.size() >= limit) return false;
      if (byte == kLineBreak && !supressCrLf) {
        s += "\r\n";
        if (s.size() > limit) {
          s.resize(s.size() - 2);
          return false;
        }
      } else if (byte == kLineBreak || byte == '\n') {
        s += ' ';
      } else {
        s += static_cast<char>(byte);
      }
      return true;
    });
    return 0;
  });
  if (result < 0) s.clear();
  return static_cast<int16_t>(result);
}

int32_t TVxbMemoFile::CalcMemoLength(int32_t blockIdx) {
  if (blockIdx == 0) return 0;
  return Guard([&] {
    int64_t length = 0;
    WalkText(blockIdx, [&](uint8_t byte) {
      length += byte == kLineBreak ? 2 : 1;
      return true;
    });
    if (length > std::numeric_limits<int32_t>::max()) throw EBlockedFileFailure{TFailure::kTooLarge};
    return static_cast<int32_t>(length);
  });
}

int32_t TVxbMemoFile::WriteString(int32_t blockIdx, std::string_view s) {
  // Nothing after a terminator could ever be read back.
  const size_t end = s.find_first_of(std::string_view("\0\x1a", 2));
  if (end != std::string_view::npos) s = s.substr(0, end);
  return WriteValue(blockIdx, [&]() -> int32_t {
    if (s.empty()) return 0;
    uint8_t* block = WorkBlock();
    const int32_t blockSize = GetBlockSize();
    int32_t first = 0;
    int32_t pos = kLinkSize;
    std::memset(block, 0, static_cast<size_t>(blockSize));
    const auto flush = [&](bool last) {
      const int32_t blockNo = AllocateBlock(block, last);
      if (first == 0) first = blockNo;
      std::memset(block, 0, static_cast<size_t>(blockSize));
      pos = kLinkSize;
    };
    for (size_t i = 0; i < s.size(); ++i) {
      uint8_t byte = static_cast<uint8_t>(s[i]);
      if (byte == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      if (byte == '\n') byte = kLineBreak;
      if (pos == blockSize) flush(false);
      block[pos++] = byte;
    }
    if (pos == blockSize) flush(false);
    block[pos] = kTerminator;
    flush(true);
    return first;
  });
}

TVxbBlockedBinaryFile::TChainEnd TVxbMemoFile::EndsValueByContent(const uint8_t* block, int32_t /*position*/,
                                                                  int64_t& /*state*/) const {
  for (int32_t i = kLinkSize; i < GetBlockSize(); ++i) {
    if (EndsText(block[i])) return TChainEnd::kLast;
  }
  return TChainEnd::kGoOn;
}

}  // namespace vexilo::storage
