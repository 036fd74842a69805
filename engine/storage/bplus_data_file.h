// TVxbBPlusDataFile: the B+ layout of a table file (level 6 only), where the
// records are the items of a B+ tree kept in the file itself, ordered by the
// record id in the first four bytes of each record; any record can be
// deleted directly and a record's number is its record id. Page 0:
//
//   | Offset         | Size  | Meaning                                      |
//   |----------------|-------|----------------------------------------------|
//   | 0              | 4     | the int32 20012002                           |
//   | 4              | 2     | level, int16                                 |
//   | 6              | 4     | next record id, int32                        |
//   | 10             | 1     | encryption method code                       |
//   | 11             | H     | B+ tree header (H: the tree's header size)   |
//   | 11 + H         | 4502  | index-name area (index_name_area.h)          |
//   | 11 + H + 4502  | 4 + L | definition block length and block            |
//   |                |       | (table_definition_block.h), padded likewise  |
//
// The tree's pages (4096 bytes) follow. This build has no B+ tree yet: it
// recognises such a file — a wrong magic or a level above 6 is error 134 —
// and then refuses it with error 187 ("This feature is not supported: B+
// tree table files") instead of misreading it. Creating one is refused the
// same way once its first column has been checked (117 "First column must
// be a record id").
#pragma once

#include "engine/storage/data_file.h"

namespace vexilo::storage {

class TVxbBPlusDataFile : public TVxbDataFile {
 public:
  using TVxbDataFile::TVxbDataFile;

  bool GetCanDelete() const override { return true; }
  bool IsOpen() const override { return false; }
  int64_t GetStorageSize() const override { return 0; }
  int32_t GetRecordCount() const override { return 0; }
  int64_t IndexNamesOffset() const override { return 11; }
  int32_t IndexNamesSize() const override { return 4502; }
  int64_t RecordCountOffset() const override { return 0; }
  int64_t NextRecordIdOffset() const override { return 6; }

  int16_t Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) override;
  int16_t NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) override;
  int16_t Clear() override { return Refuse(); }
  int16_t ReadIndexNames() override { return Refuse(); }
  int16_t WriteIndexNames() override { return Refuse(); }
  void DeleteIndexName(int) override {}

  int32_t GetFirstRecordNo() override { return kNoRecord; }
  int32_t GetNextRecordNo(int32_t) override { return kNoRecord; }
  int32_t GetPrevRecordNo(int32_t) override { return kNoRecord; }
  int32_t GetLastRecordNo() override { return kNoRecord; }
  int16_t ReadRecord(int32_t, uint8_t*) override { return Refuse(); }
  int16_t WriteRecord(int32_t, uint8_t*) override { return Refuse(); }
  int32_t InsertRecord(uint8_t*) override { return Refuse(); }
  int16_t DeleteRecord(int32_t) override { return Refuse(); }

 private:
  // Records error 187 for the layout; returns its negated code.
  int16_t Refuse();
};

}  // namespace vexilo::storage
