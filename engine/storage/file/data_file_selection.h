// Which data file class a table file needs. An existing file whose first
// four bytes hold the int32 20012002 is a B+ table file; any other is read as
// a heap file (whose reader refuses what is not one). A new table is a heap
// table unless its level is 6, its first column is a RecordId column named
// "_XXX" (exactly, with regard to case) and its records are at most 16384
// bytes and fit the B+ tree's pages (TVxbBPlusDataFile::MaxRecordSize, 2039
// bytes): a record is one tree item, and a larger one could not be stored.
#pragma once

#include <memory>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/storage/columns/column_defs.h"
#include "engine/storage/file/data_file.h"

namespace vexilo::storage {

enum class TVxbDataFileKind { Heap, BPlus };

// The class a new table of `level` with `columns` needs.
TVxbDataFileKind DataFileKindForNewTable(int16_t level, const TVxbColumnDefs& columns);

// The class the open table file of `storage` needs, from its first four
// bytes (a file too short for them is left to the heap reader).
TVxbDataFileKind DataFileKindOf(index::TVxbClientStorage& storage);

// A closed data file of `kind` over `storage`.
std::unique_ptr<TVxbDataFile> CreateDataFile(TVxbDataFileKind kind, errors::TVxbServices& services,
                                             std::unique_ptr<index::TVxbClientStorage> storage);

// Opens `storage` (OpenTableStorage) and gives the data file its contents
// need, not yet opened. Raises EVxbEngine 37, 115 or 2 as OpenTableStorage.
std::unique_ptr<TVxbDataFile> SelectDataFile(errors::TVxbServices& services,
                                             std::unique_ptr<index::TVxbClientStorage> storage, bool readOnly,
                                             bool exclusive);

}  // namespace vexilo::storage
