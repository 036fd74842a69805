// The table-header reader under arbitrary bytes: one input is the image of a
// table file, read as the data file reads it on opening. Whatever the image
// holds, reading must not crash, hang or allocate beyond what the image
// backs; it either refuses the image with an engine error or gives a header
// that keeps the reader's promises:
//   - level 1 to 6; 1 to 1000 columns that lie inside a record of 1 to 32767
//     bytes and add up to it; a data type for every column
//   - the record area and every record slot inside the image
//   - what it accepts and can write again, it reads again alike (same
//     level, columns, types and record size; at levels 5 and 6 also the
//     same names)
// A broken promise aborts, which the fuzzer reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/storage/file/index_name_area.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_header.h"

namespace vexilo::fuzz {

namespace detail {

inline void Promise(bool kept) {
  if (!kept) std::abort();
}

inline void CheckHeader(const storage::TVxbTableHeader& header, size_t imageSize) {
  const auto& columns = header.Definition.ColumnDefs;
  Promise(header.Level >= 1 && header.Level <= 6);
  Promise(columns.Count() >= 1 && columns.Count() <= 1000);
  Promise(header.RecordSize >= 1 && header.RecordSize <= 32767);
  Promise(columns.GetRecordSize() == header.RecordSize);
  for (const auto& column : columns) {
    Promise(column->DataType() != nullptr);
    Promise(column->Position() >= 0 && column->Position() + column->Size() <= header.RecordSize);
  }
  Promise(header.RecordCount >= 0);
  Promise(header.RecordAreaStart >= 0 && header.RecordAreaStart <= static_cast<int64_t>(imageSize));
  Promise(header.RecordAreaStart + int64_t{header.RecordCount} * header.RecordSize <=
          static_cast<int64_t>(imageSize));
  Promise(header.IndexNames.size() <= static_cast<size_t>(storage::IndexNameAreaEntries(header.Level)));
}

}  // namespace detail

// Reads one image. Returns 0.
inline int RunTableHeader(const uint8_t* data, size_t size) {
  using namespace storage;
  TVxbBufferSource source(std::span<const uint8_t>(data, size));
  TVxbTableCryptor cryptor;
  TVxbTableHeader header;
  try {
    ReadTableHeader(source, u"Fuzz.vxbt", cryptor, header);
  } catch (const errors::EVxbEngine&) {
    return 0;
  }
  detail::CheckHeader(header, size);

  std::vector<uint16_t> types;
  std::vector<std::u16string> names;
  for (const auto& column : header.Definition.ColumnDefs) {
    types.push_back(static_cast<uint16_t>(column->TypeCode()));
    names.push_back(column->Name());
  }
  const uint16_t recordSize = header.RecordSize;
  header.RecordCount = 0;
  std::vector<uint8_t> image;
  try {
    image = BuildTableHeader(header, cryptor);
  } catch (const errors::EVxbEngine&) {
    return 0;  // an indication the index layer does not take, say
  }
  TVxbBufferSource again(image);
  TVxbTableCryptor opener;
  TVxbTableHeader reread;
  try {
    ReadTableHeader(again, u"Fuzz.vxbt", opener, reread);
  } catch (const errors::EVxbEngine&) {
    detail::Promise(false);
  }
  detail::CheckHeader(reread, image.size());
  detail::Promise(reread.Level == header.Level && reread.RecordSize == recordSize);
  detail::Promise(reread.Definition.ColumnDefs.Count() == static_cast<int>(types.size()));
  int i = 0;
  for (const auto& column : reread.Definition.ColumnDefs) {
    detail::Promise(column->TypeCode() == types[static_cast<size_t>(i)]);
    if (header.Level >= 5) detail::Promise(column->Name() == names[static_cast<size_t>(i)]);
    ++i;
  }
  return 0;
}

}  // namespace vexilo::fuzz
