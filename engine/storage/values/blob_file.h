// TVxbBlobFile: the blob file of a table (`.blb` below level 6, `.vxbb` at
// level 6, named after the table file), which holds the bytes of its Blob
// columns and the text of its WideMemo columns as UTF-16LE.
//
// The block size B comes from the database's default when the file is
// created and from the header afterwards (layout of the chain store:
// blocked_binary_file.h). A value's chain:
//
//   First block:
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | 0      | 4    | NextBlock: the next block of the value; -1 in the last|
//   | 4      | 4    | BlobSize: the value's length in bytes                 |
//   | 8      | B-8  | the first bytes of the value                          |
//
//   Further blocks:
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | 0      | 4    | NextBlock, -1 in the last                             |
//   | 4      | B-4  | the following bytes of the value                      |
//
// A value of n bytes takes 1 + ceil((n - (B - 8)) / (B - 4)) blocks (one for
// n <= B - 8); a BlobSize that is negative, or that needs more blocks than the
// file has, is damage. A WideMemo value of k UTF-16 units is a blob of 2k
// bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/values/blocked_binary_file.h"

namespace vexilo::storage {

class TVxbBlobFile : public TVxbBlockedBinaryFile {
 public:
  static constexpr int32_t kBlobSizeOffset = 4;
  static constexpr int32_t kFirstDataOffset = 8;

  // The blob file of the table file `tableFileName` at table level `level`.
  static std::u16string FileNameFor(std::u16string_view tableFileName, int16_t level);

  // A closed blob file of a table of level `version` on `storage` (owned);
  // `blockSize` (the database's default; 0 means 4096) is used by NewFile.
  TVxbBlobFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage,
               int16_t version, int32_t blockSize);

  // The bytes of the value at `blockIdx`. A value that cannot be read to its
  // end marks the file damaged (113).
  int16_t ReadString(int32_t blockIdx, std::string& s) override;
  // Writes `size` bytes at `data` as a new value, then frees the value at
  // `blockIdx`; returns the new first block, 0 for no bytes.
  int32_t WriteData(int32_t blockIdx, const void* data, int64_t size);
  int32_t WriteString(int32_t blockIdx, std::string_view s) override;
  // A WideMemo value: UTF-16 text stored as UTF-16LE bytes.
  int16_t ReadWideString(int32_t blockIdx, std::u16string& s);
  int32_t WriteWideString(int32_t blockIdx, std::u16string_view s);
  // The value's length in bytes (its BlobSize).
  int32_t CalcBlobLength(int32_t blockIdx);
  // The value's first two bytes as a little-endian 16-bit number (0 to
  // 65535), 0 for a value shorter than 2 bytes; negative on failure.
  int32_t ReadBlobType(int32_t blockIdx);

 protected:
  TChainEnd EndsValueByContent(const uint8_t* block, int32_t position, int64_t& state) const override;

 private:
  // Blocks after the first that a value of `size` bytes takes.
  int64_t FurtherBlocks(int64_t size) const;
  // Reads the value at `blockIdx` (> 0) into `s`; throws on failure.
  void ReadValue(int32_t blockIdx, std::string& s);
  // Reads the first block of the value at `blockIdx` into the work block and
  // returns its BlobSize, checked against what the file can hold.
  int32_t ReadFirstBlock(int32_t blockIdx);
};

}  // namespace vexilo::storage
