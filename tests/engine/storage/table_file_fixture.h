// The fixture of the table file tests: a fresh directory, an operating-system
// file system rooted in it, a page manager and a session's services of the
// test's own; data files created and opened in it; the bytes of files on
// disk read and patched through the standard library, independently of the
// code under test. Also a little-endian byte builder for hand-made headers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/columns/column_rules.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/file/data_file_selection.h"
#include "engine/storage/file/heap_data_file.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"
#include "engine/storage/file/table_header.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage::testing {

// Little-endian bytes appended field by field, for hand-made files.
class Bytes {
 public:
  Bytes& U8(uint8_t v) {
    FData.push_back(v);
    return *this;
  }
  Bytes& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
  Bytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
  Bytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  Bytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
  Bytes& Raw(std::initializer_list<uint8_t> bytes) {
    FData.insert(FData.end(), bytes);
    return *this;
  }
  Bytes& Zeros(size_t n) {
    FData.resize(FData.size() + n, 0);
    return *this;
  }
  // Count, then the UTF-16LE units.
  Bytes& Wide(const std::u16string& s) {
    U16(static_cast<uint16_t>(s.size()));
    for (char16_t c : s) U16(c);
    return *this;
  }
  // Count, then the bytes.
  Bytes& Ansi(const std::string& s) {
    U16(static_cast<uint16_t>(s.size()));
    FData.insert(FData.end(), s.begin(), s.end());
    return *this;
  }
  // Length byte, then `n` bytes.
  Bytes& Short(const std::string& s, size_t n) {
    U8(static_cast<uint8_t>(s.size()));
    FData.insert(FData.end(), s.begin(), s.end());
    return Zeros(n - s.size());
  }
  // Pads with zeros up to `size` bytes.
  Bytes& PadTo(size_t size) {
    if (FData.size() < size) FData.resize(size, 0);
    return *this;
  }
  Bytes& Append(const Bytes& other) {
    FData.insert(FData.end(), other.FData.begin(), other.FData.end());
    return *this;
  }
  size_t Size() const { return FData.size(); }
  std::vector<uint8_t>& Data() { return FData; }
  const std::vector<uint8_t>& Data() const { return FData; }

 private:
  std::vector<uint8_t> FData;
};

// The engine error a header image is refused with; 0 when it is read. The
// header read goes to `header` when given.
inline int ReadImageError(const std::vector<uint8_t>& image, std::u16string password = {},
                          TVxbTableHeader* header = nullptr) {
  TVxbBufferSource source(image);
  TVxbTableCryptor cryptor(std::move(password));
  TVxbTableHeader read;
  try {
    ReadTableHeader(source, u"T.vxbt", cryptor, read);
  } catch (const errors::EVxbEngine& e) {
    return e.Code();
  }
  if (header) *header = std::move(read);
  return 0;
}

// Adds a column, expecting the rules to accept it.
inline void AddAccepted(TVxbTableDefinition& definition, const TVxbColumnSpec& spec, int16_t level,
                        errors::TVxbServices& services) {
  const int16_t result = AddColumn(definition.ColumnDefs, spec, level, definition.CollationName, services);
  ASSERT_GT(result, 0) << fs::u8(spec.Name) << ": " << fs::u8(services.LastErrorMsg());
}

class TableFileFixture : public ::testing::Test {
 protected:
  TableFileFixture() { FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string())); }

  std::unique_ptr<index::TVxbClientStorage> Client(const std::string& name, index::TVxbPageManager& manager) {
    auto client = std::make_unique<index::TVxbClientStorage>(manager, FileSystem, 1);
    client->SetName(fs::u16(name));
    return client;
  }
  // A closed heap data file of `name`.
  std::unique_ptr<TVxbHeapDataFile> Heap(const std::string& name) {
    return std::make_unique<TVxbHeapDataFile>(Services, Client(name, Manager));
  }
  // A new table file `name` of `level` with `definition`, flushed and
  // closed; expects success.
  void CreateTable(const std::string& name, int16_t level, TVxbTableDefinition& definition,
                   std::u16string password = {}) {
    TVxbTableCryptor cryptor(std::move(password));
    auto file = Heap(name);
    ASSERT_EQ(file->NewFile(level, cryptor, definition), 0) << fs::u8(Services.LastErrorMsg());
    ASSERT_EQ(file->Flush(), 0);
    file->Close();
  }
  // The engine error opening `name` is refused with; 0 when it opens (the
  // definition read goes to `definition` when given).
  int OpenError(const std::string& name, std::u16string password = {}, TVxbTableDefinition* definition = nullptr) {
    TVxbTableCryptor cryptor(std::move(password));
    TVxbTableDefinition read;
    try {
      auto file = SelectDataFile(Services, Client(name, Manager), true, false);
      file->Open(true, false, cryptor, read);
    } catch (const errors::EVxbEngine& e) {
      return e.Code();
    }
    if (definition) *definition = std::move(read);
    return 0;
  }

  std::string Path(const std::string& name) const { return Dir.File(name); }
  std::vector<uint8_t> FileBytes(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  int32_t FileInt32(const std::string& name, size_t offset) const {
    const std::vector<uint8_t> bytes = FileBytes(name);
    if (offset + 4 > bytes.size()) return INT32_MIN;
    return static_cast<int32_t>(uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 |
                                uint32_t{bytes[offset + 2]} << 16 | uint32_t{bytes[offset + 3]} << 24);
  }
  void PatchInt32(const std::string& name, size_t offset, int32_t v) const {
    std::vector<uint8_t> bytes = FileBytes(name);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    WriteFile(name, bytes);
  }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;
};

}  // namespace vexilo::storage::testing
