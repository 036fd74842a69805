// The base table as the index layer sees it (index_build.h): its level,
// columns and capacity, its read and write locks, and the entries of its
// records. Private to the base table's units.
#pragma once

#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/storage/table/base_table.h"

namespace vexilo::storage {

class TVxbBaseTable::TIndexedTable : public index::TVxbIndexedTable {
 public:
  explicit TIndexedTable(TVxbBaseTable& table) : FTable(table) {}

  int16_t Level() const override { return FTable.FLevel; }
  const index::TVxbIndexColumns& Columns() const override { return FTable.FColumnsView; }
  int64_t Capacity() const override { return FTable.FCapacity; }
  int16_t ReadLock() override { return FTable.BeginRead(true); }
  void EndReadLock() override { FTable.EndRead(); }
  int16_t WriteLock() override { return FTable.BeginWrite(true); }
  void EndWriteLock() override { FTable.EndWrite(); }
  int32_t RecordCount() override { return FTable.GetRecordCount(); }
  // A B+ tree data file numbers its records by record id, not 1 to n.
  int32_t FirstRecordNo() override { return Valid(FTable.FDataFile->GetFirstRecordNo()); }
  int32_t NextRecordNo(int32_t recordNo) override { return Valid(FTable.FDataFile->GetNextRecordNo(recordNo)); }
  size_t BuildEntry(const index::TVxbIndexFile& index, int32_t recordNo, types::TVxbLongIndexInfo& entry) override {
    FRecord.resize(static_cast<size_t>(FTable.GetRecordSize()));
    if (const int16_t result = FTable.FDataFile->ReadRecord(recordNo, FRecord.data()); result < 0) {
      throw errors::EVxbEngine(static_cast<int16_t>(-result), {FTable.GetFullName()});
    }
    return FTable.BuildEntry(index, FRecord.data(), recordNo, entry);
  }
  bool DeriveIndexDefinition(const index::TVxbIndexFile& index, index::TVxbSortDef& def) override {
    return FTable.DeriveDefinition(index.GetName(), def);
  }

 private:
  static int32_t Valid(int32_t recordNo) { return recordNo > 0 ? recordNo : 0; }

  TVxbBaseTable& FTable;
  std::vector<uint8_t> FRecord;
};

}  // namespace vexilo::storage
