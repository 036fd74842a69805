// The B+ table file under arbitrary bytes: one input is the image of a B+
// table file (bplus_data_file.h). It is written to a file, opened as the
// engine opens a B+ table (header, definition block, tree header), every
// record is walked forwards and backwards and read, and then records are
// inserted, replaced and deleted and the file flushed and opened again.
//
// Whatever the image holds, nothing may crash, hang or allocate beyond what
// the file backs, and the data file must keep its promises:
//   - record numbers come out strictly ascending forwards and strictly
//     descending backwards, all above 0, and every one reads
//   - in a tree whose items are in order (the tree check finds nothing out
//     of order), a record inserted successfully reads back as written, also
//     after the file is flushed, closed and opened again (a tree out of
//     order may hide an item with the same id, which a search then finds)
// A broken promise aborts, which the fuzzer reports.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/file/bplus_data_file.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::fuzz {

namespace detail {

inline void Keep(bool promise) {
  if (!promise) std::abort();
}

// Walks the records both ways, reading each; gives the number walked.
inline int32_t WalkBPlus(storage::TVxbBPlusDataFile& file) {
  constexpr int32_t kMaxSteps = 200000;
  std::vector<uint8_t> record(file.RecordSize());
  int32_t steps = 0;
  int32_t previous = 0;
  for (int32_t id = file.GetFirstRecordNo(); id > 0; id = file.GetNextRecordNo(id)) {
    Keep(id > previous);
    previous = id;
    Keep(file.ReadRecord(id, record.data()) <= 0);
    if (++steps > kMaxSteps) break;
  }
  int32_t back = 0;
  previous = 0;
  for (int32_t id = file.GetLastRecordNo(); id > 0 && back <= kMaxSteps; id = file.GetPrevRecordNo(id), ++back) {
    Keep(previous == 0 || id < previous);
    previous = id;
  }
  return steps;
}

// Whether the tree's check finds its items in order (and no damage).
inline bool TreeInOrder(storage::TVxbBPlusDataFile& file) {
  int64_t items = 0;
  int64_t wrong = 0;
  try {
    file.Tree()->Check(items, wrong);
  } catch (const std::exception&) {
    return false;
  }
  return wrong == 0;
}

}  // namespace detail

// Runs one input in `directory` (which must exist). Returns 0.
inline int RunBPlusTable(const std::string& directory, const uint8_t* data, size_t size) {
  using storage::TVxbBPlusDataFile;
  const std::string fileName = "fuzz.vxbt";
  std::ofstream(directory + "/" + fileName, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  fs::TvwOSFileSystem fileSystem;
  fileSystem.SetBaseDirectory(fs::u16(directory));
  index::TVxbPageManager manager;
  errors::TVxbServices services;
  auto client = [&] {
    auto c = std::make_unique<index::TVxbClientStorage>(manager, fileSystem, 1);
    c->SetName(fs::u16(fileName));
    return c;
  };
  TVxbBPlusDataFile file(services, client());
  storage::TVxbTableCryptor cryptor;
  storage::TVxbTableDefinition definition;
  try {
    file.Open(false, false, cryptor, definition);
  } catch (const errors::EVxbEngine&) {
    return 0;
  }
  detail::Keep(file.RecordSize() >= 4 && file.RecordSize() <= TVxbBPlusDataFile::MaxRecordSize());
  detail::WalkBPlus(file);
  const bool inOrder = detail::TreeInOrder(file);

  // Changes over whatever the tree holds: a new record above the last id,
  // the first record replaced and one deleted.
  std::vector<uint8_t> record(file.RecordSize(), 0x5A);
  const int32_t last = file.GetLastRecordNo();
  const int32_t newId = last > 0 && last < 2000000000 ? last + 1 : 7;
  std::memcpy(record.data(), &newId, 4);
  const bool inserted = file.InsertRecord(record.data()) == newId;
  const int32_t first = file.GetFirstRecordNo();
  if (first > 0 && first != newId) {
    std::vector<uint8_t> replaced(file.RecordSize(), 0x33);
    std::memcpy(replaced.data(), &first, 4);
    file.WriteRecord(first, replaced.data());
    file.DeleteRecord(first);
  }
  std::vector<uint8_t> read(file.RecordSize());
  if (inserted && inOrder) detail::Keep(file.ReadRecord(newId, read.data()) == 0 && read == record);
  if (file.Flush() != 0) return 0;
  file.Close();
  try {
    file.Open(true, false, cryptor, definition);
  } catch (const errors::EVxbEngine&) {
    return 0;
  }
  detail::WalkBPlus(file);
  if (inserted && inOrder) detail::Keep(file.ReadRecord(newId, read.data()) == 0 && read == record);
  return 0;
}

}  // namespace vexilo::fuzz
