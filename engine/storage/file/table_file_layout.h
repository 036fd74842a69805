// The fixed facts of the table file: its two magic numbers, the levels, the
// limits every header obeys, where the fixed fields of each level lie, the
// padding rule of the level-5/6 definition block and the names of table
// files. The byte layouts themselves are explained by the units that read
// and write them: table_header.h (levels 5 and 6), classic_header.h (levels 1
// to 4), table_definition_block.h and index_name_area.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo::storage {

// Bytes 64 AA 57 FF at offset 0: a heap table file of any level.
inline constexpr uint32_t kHeapMagic = 0xFF57AA64;
// The int32 20012002 at offset 0: a B+ table file (level 6).
inline constexpr int32_t kBPlusMagic = 20012002;

inline constexpr int16_t kMinLevel = 1;
inline constexpr int16_t kMaxLevel = 6;
inline constexpr int kMaxColumns = 1000;
inline constexpr int32_t kMaxRecordSize = 32767;
// Page size of the table files the engine creates.
inline constexpr int32_t kTablePageSize = 4096;

// The level a new table gets for a requested level: outside 1..6 it is 6.
inline int16_t NewTableLevel(int16_t requested) {
  return requested < kMinLevel || requested > kMaxLevel ? kMaxLevel : requested;
}

// Fixed fields of the level-5/6 heap header.
inline constexpr int64_t kLevelOffset = 4;
inline constexpr int64_t kEncryptionOffset56 = 6;
inline constexpr int64_t kRecordCountOffset56 = 7;
inline constexpr int64_t kNextRecordIdOffset56 = 15;
inline constexpr int64_t kIndexNamesOffset56 = 23;
inline constexpr int64_t kBlockLengthOffset56 = 4525;
inline constexpr int64_t kBlockOffset56 = 4529;

// The record-count field of a heap header of `level`.
inline int64_t RecordCountOffset(int16_t level) { return level >= 5 ? 7 : level >= 3 ? 10 : 6; }
// The index-name area of a heap header of `level`.
inline int64_t IndexNamesOffset(int16_t level) {
  return level >= 5 ? kIndexNamesOffset56 : RecordCountOffset(level) + (level == 4 ? 12 : 8);
}

// The length L of a definition block that starts at `blockStart` and
// whose stream takes `streamSize` bytes: the block is padded so that the
// records start at the 8192-byte boundary D = floor((blockStart + S +
// 16384) / 8192) * 8192, leaving more than 8 KB and at most 16 KB of room.
inline int64_t PaddedBlockLength(int64_t blockStart, int64_t streamSize) {
  return (blockStart + streamSize + 16384) / 8192 * 8192 - blockStart;
}

// A table's standard name: the file name without its directory and, when
// the extension is ".dat" or ".vxbt" (in any case), without the extension.
std::u16string StandardTableName(std::u16string_view fileName);

}  // namespace vexilo::storage
