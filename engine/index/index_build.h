// Building indexes from the records of their table, opening them on demand
// (with the automatic rebuild of the engine's own indexes), and the
// uniqueness test before a record is written.
//
// The table layer implements TVxbIndexedTable; the algorithms here use
// nothing else of it:
//
// - A build fills the sorter with the entries of the records in storage
//   order (FirstRecordNo / NextRecordNo) until they hold 40 MiB (or the
//   records end), sorts them with the index's comparison and inserts them
//   in key order; the next batch starts after the last record taken. A new index is built under the
//   table's read lock, a repair under its write lock.
// - Opening on demand: an open index is used as it is; a lost one gives
//   error 95. Otherwise the file is opened under the read lock and its stored
//   definition checked against the table (error 28 when they differ). An
//   automatic index (tikAdl, tikConstraint) that is missing (37),
//   inconsistent (28) or unreadable (-1, -2) is rebuilt silently from a
//   definition derived again from the table, writable even when the table is
//   read-only; a failed rebuild leaves the index closed and lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/index/build_progress.h"
#include "engine/index/index_columns.h"
#include "engine/index/index_file.h"
#include "engine/index/sort_def.h"
#include "engine/types/index_key.h"

namespace vexilo::index {

// What the index layer needs from the table an index belongs to.
class TVxbIndexedTable {
 public:
  virtual ~TVxbIndexedTable() = default;

  // The table's level and columns.
  virtual int16_t Level() const = 0;
  virtual const TVxbIndexColumns& Columns() const = 0;
  // The expected number of records (for the page size of a new index).
  virtual int64_t Capacity() const = 0;

  // The table's read and write locks: 0, or the negated error of a refused
  // lock (recorded by the table). Every successful lock is ended once.
  virtual int16_t ReadLock() = 0;
  virtual void EndReadLock() = 0;
  virtual int16_t WriteLock() = 0;
  virtual void EndWriteLock() = 0;

  // The number of records.
  virtual int32_t RecordCount() = 0;
  // The records' numbers in storage order: the first, and the one after
  // `recordNo`; 0 past the end. By default 1 to RecordCount(); a table whose
  // record numbers are record ids (a B+ tree data file) walks its own.
  virtual int32_t FirstRecordNo() { return RecordCount() > 0 ? 1 : 0; }
  virtual int32_t NextRecordNo(int32_t recordNo) { return recordNo < RecordCount() ? recordNo + 1 : 0; }
  // Builds the entry of record `recordNo` for `index` and returns its size;
  // 0 when the record has no entry. May raise EVxbEngine.
  virtual size_t BuildEntry(const TVxbIndexFile& index, int32_t recordNo, types::TVxbLongIndexInfo& entry) = 0;

  // Compiles the expression of a calculated index: 0 or a negated error.
  virtual int16_t PrepareCalculation(TVxbIndexFile& index) {
    (void)index;
    return 0;
  }
  // Derives the definition of an automatic index from the table again;
  // false when the table no longer has one for it.
  virtual bool DeriveIndexDefinition(const TVxbIndexFile& index, TVxbSortDef& def) = 0;
};

// Bytes of entries the sorter takes per batch.
inline constexpr size_t kIndexBuildBatchBytes = 41943040;

// Builds `index` from every record of `table`. A new index (`repair` false)
// gets its file created with the page size for `capacity` records (the
// table's capacity when below 1) and its definition checked first; a repair
// empties the open index. The index is flushed, and closed when
// `closeAfter`. Returns 0 or a negated error (reported).
int16_t BuildIndex(TVxbIndexFile& index, TVxbIndexedTable& table, bool repair, int64_t capacity,
                   const TVxbBuildProgress& progress = nullptr, bool closeAfter = true,
                   size_t batchBytes = kIndexBuildBatchBytes);

// Makes sure `index` is open, rebuilding an automatic index when its file is
// missing or damaged. Returns 0 or a negated error (reported).
int16_t OpenIndexOnDemand(TVxbIndexFile& index, TVxbIndexedTable& table);

// Before record `recordNo` is written with the entry `entry`: error 30 when
// the index must be unique and another record holds the same key.
int16_t CheckUniqueEntry(TVxbIndexFile& index, const TVxbIndexColumns& columns,
                         const types::TVxbLongIndexInfo& entry, int32_t recordNo);

}  // namespace vexilo::index
