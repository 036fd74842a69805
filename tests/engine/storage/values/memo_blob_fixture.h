// The fixture of the memo and blob file tests: a fresh directory, an
// operating-system file system rooted in it, a page manager and a session's
// services of the test's own. Files on disk are read and patched through the
// standard library, independently of the code under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage::testing {

class MemoBlobFixture : public ::testing::Test {
 protected:
  MemoBlobFixture() { FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string())); }

  std::unique_ptr<index::TVxbClientStorage> Client(const std::string& name, index::TVxbPageManager& manager) {
    auto client = std::make_unique<index::TVxbClientStorage>(manager, FileSystem, 1);
    client->SetName(fs::u16(name));
    return client;
  }
  // A closed memo file `name` of a table of `level`.
  std::unique_ptr<TVxbMemoFile> Memo(const std::string& name = "t.vxbm", int16_t level = 6) {
    return std::make_unique<TVxbMemoFile>(Services, Client(name, Manager), level);
  }
  // A closed blob file `name` of a table of `level`, created with `blockSize`.
  std::unique_ptr<TVxbBlobFile> Blob(const std::string& name = "t.vxbb", int16_t level = 6,
                                     int32_t blockSize = 512) {
    return std::make_unique<TVxbBlobFile>(Services, Client(name, Manager), level, blockSize);
  }
  template <class File>
  std::unique_ptr<File> Created(std::unique_ptr<File> file) {
    EXPECT_EQ(file->NewFile(), 0);
    return file;
  }
  template <class File>
  std::unique_ptr<File> Opened(std::unique_ptr<File> file, bool readOnly = false) {
    EXPECT_EQ(file->Open(readOnly, false), 0);
    return file;
  }

  std::string Path(const std::string& name) const { return Dir.File(name); }
  std::string FileBytes(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int32_t FileInt32(const std::string& name, int64_t offset) const {
    const std::string bytes = FileBytes(name);
    if (offset < 0 || static_cast<size_t>(offset) + 4 > bytes.size()) return INT32_MIN;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[static_cast<size_t>(offset) + i]);
    return static_cast<int32_t>(v);
  }
  void Patch(const std::string& name, int64_t offset, const std::string& bytes) const {
    std::fstream f(Path(name), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  void PatchInt32(const std::string& name, int64_t offset, int32_t v) const {
    const auto u = static_cast<uint32_t>(v);
    Patch(name, offset,
          std::string{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                      static_cast<char>(u >> 24)});
  }
  // A file made by hand: a header (NextBlock, LastBlock, BlockSize) and the
  // given blocks, each `blockSize` bytes (shorter ones are padded with 0).
  void WriteRawFile(const std::string& name, int32_t nextBlock, int32_t lastBlock, int32_t storedBlockSize,
                    int32_t blockSize, const std::vector<std::string>& blocks) const {
    std::string content(static_cast<size_t>(blockSize) * (blocks.size() + 1), '\0');
    std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << content;
    PatchInt32(name, 0, nextBlock);
    PatchInt32(name, 4, lastBlock);
    PatchInt32(name, 8, storedBlockSize);
    for (size_t i = 0; i < blocks.size(); ++i) Patch(name, static_cast<int64_t>(blockSize) * (i + 1), blocks[i]);
  }

  // The free list as the flushed file names it, up to LastBlock (at most
  // `limit` entries).
  std::vector<int32_t> FreeList(TVxbBlockedBinaryFile& file, const std::string& path, size_t limit = 64) const {
    EXPECT_EQ(file.Flush(), 0);
    std::vector<int32_t> list;
    const int32_t blockSize = file.GetBlockSize();
    for (int32_t b = FileInt32(path, 0); b >= 1 && b <= file.GetLastBlock() && list.size() < limit;
         b = FileInt32(path, int64_t{b} * blockSize)) {
      list.push_back(b);
    }
    return list;
  }
  // The blocks of the chain at `first`, following links in the flushed file
  // to -1.
  std::vector<int32_t> Chain(TVxbBlockedBinaryFile& file, const std::string& path, int32_t first,
                             size_t limit = 64) const {
    EXPECT_EQ(file.Flush(), 0);
    const int32_t blockSize = file.GetBlockSize();
    std::vector<int32_t> chain;
    for (int32_t b = first; b >= 1 && chain.size() < limit; b = FileInt32(path, int64_t{b} * blockSize)) {
      chain.push_back(b);
    }
    return chain;
  }

  // Findings of a check over `values` (record number, field, first block).
  struct Value {
    int32_t RecordNo;
    std::u16string Field;
    int32_t BlockIdx;
  };
  static std::vector<std::u16string> CheckFindings(TVxbBlockedBinaryFile& file, const std::vector<Value>& values,
                                                   std::u16string* kind = nullptr) {
    std::vector<std::u16string> findings;
    const int16_t result = file.Check(
        [&](const TVxbChainVisitor& visit) {
          for (const Value& v : values) visit(v.RecordNo, v.Field, v.BlockIdx);
        },
        [&](std::u16string_view k, std::u16string_view message) {
          if (kind) *kind = k;
          findings.emplace_back(message);
        });
    EXPECT_EQ(result, 0);
    return findings;
  }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;
};

// `n` text bytes that differ from position to position and hold no line
// break and no terminator.
inline std::string Text(size_t n) {
  std::string s(n, 'a');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

// `n` bytes of every value 0..255.
inline std::string Bytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return s;
}

}  // namespace vexilo::storage::testing
