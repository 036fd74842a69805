// TVxbHeapDataFile: the heap layout of a table file, the layout nearly every
// table uses. The header (table_header.h) is followed by the record area,
// where record n (1 to the record count) occupies RecordSize bytes:
//
//   | Offset                                   | Size       | Meaning      |
//   |------------------------------------------|------------|--------------|
//   | 0                                        | A          | header       |
//   | A + (n - 1) * RecordSize                 | RecordSize | record n     |
//
// A is the record area start (4529 + L at levels 5 and 6, the end of the
// classic header below). Records are numbered 1 to N without gaps: only the
// last slot can disappear, so the table deletes record k by moving record N
// into slot k first. The record count lives in the header and in memory;
// every change writes it through at once and sets the file's page count to
// cover exactly the slots in use ((A + N * RecordSize - 1) div page size +
// 1). A reader accepts any file length that holds the header and every
// slot.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/storage/file/data_file.h"

namespace vexilo::storage {

class TVxbHeapDataFile : public TVxbDataFile {
 public:
  using TVxbDataFile::TVxbDataFile;
  ~TVxbHeapDataFile() override;

  bool GetCanDelete() const override { return false; }
  bool IsOpen() const override { return FStorage->IsOpen() && FLevel > 0; }
  int64_t GetStorageSize() const override { return FFileOffset + int64_t{FRecordSize} * FFileSize; }
  int32_t GetRecordCount() const override { return FFileSize; }
  int64_t IndexNamesOffset() const override;
  int32_t IndexNamesSize() const override;
  int64_t RecordCountOffset() const override;
  int64_t NextRecordIdOffset() const override { return FNextRecordIdOffset; }

  int16_t Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) override;
  int16_t NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) override;
  int16_t Close() override;
  int16_t Clear() override;
  int16_t Undo() override;
  int16_t Invalidate() override;

  int32_t GetFirstRecordNo() override { return FFileSize > 0 ? 1 : kNoRecord; }
  int32_t GetNextRecordNo(int32_t recNo) override {
    return recNo >= 0 && recNo < FFileSize ? recNo + 1 : kNoRecord;
  }
  int32_t GetPrevRecordNo(int32_t recNo) override {
    return recNo >= 2 && recNo <= FFileSize + 1 ? recNo - 1 : kNoRecord;
  }
  int32_t GetLastRecordNo() override { return FFileSize > 0 ? FFileSize : kNoRecord; }
  int16_t ReadRecord(int32_t recNo, uint8_t* buffer) override;
  int16_t WriteRecord(int32_t recNo, uint8_t* buffer) override;
  int32_t InsertRecord(uint8_t* recBuffer) override;
  int16_t DeleteRecord(int32_t recNo) override;

  // The start of the record area.
  int64_t RecordAreaStart() const { return FFileOffset; }
  // The value ranges of a level-1-4 header, kept to be written back.
  const std::vector<TRangeBounds>& RangeBounds() const { return FBerList; }

 private:
  int64_t SlotOffset(int32_t recNo) const { return FFileOffset + int64_t{recNo - 1} * FRecordSize; }
  // Whether a record area of `count` slots stays addressable by the page
  // cache.
  bool FitsInFile(int64_t count) const;
  // Writes `count` as the record count and fits the page count to it.
  int16_t StoreRecordCount(int32_t count);
  // Reads the record count from the header again.
  int16_t ReloadRecordCount();

  int32_t FFileSize = 0;      // the record count
  int64_t FFileOffset = 0;    // start of the record area
  int64_t FNextRecordIdOffset = 0;
  std::vector<TRangeBounds> FBerList;
};

}  // namespace vexilo::storage
