// TVxbBPlusDataFile: the B+ layout of a table file (level 6 only), where the
// records are the items of a B+ tree kept in the file itself, ordered by the
// record id in the first four bytes of each record; any record can be
// deleted directly and a record's number is its record id. Page 0:
//
//   | Offset         | Size  | Meaning                                      |
//   |----------------|-------|----------------------------------------------|
//   | 0              | 4     | the int32 20012002                           |
//   | 4              | 2     | level, int16 (6)                             |
//   | 6              | 4     | next record id, int32                        |
//   | 10             | 1     | encryption method code (table_cryptor.h)     |
//   | 11             | 22    | B+ tree header (bplus_tree.h)                |
//   | 33             | 4502  | index-name area (index_name_area.h)          |
//   | 4535           | 4     | definition block length L, int32             |
//   | 4539           | L     | definition block (table_definition_block.h), |
//   |                |       | enciphered, padded so that it ends at an     |
//   |                |       | 8192-byte boundary (PaddedBlockLength)       |
//
// The header thus fills whole pages 0 to F - 1, F = (4539 + L) / 4096; the
// tree's pages (4096 bytes) are F and up, and a tree whose root or free
// chain points into the header pages marks the file damaged. The tree's page
// count counts the header pages too.
//
// A tree item is a whole record as it lies in the file: its first four
// bytes, the record id, are the item's record number and stay plain (they
// order the tree, compared as signed integers); the remaining RecordSize - 4
// bytes are the item's key, enciphered with the table's cipher. A record
// must therefore fit a tree page twice over (at most MaxRecordSize bytes);
// record ids are at least 1, so that a record number never reads as an
// error.
//
// Failures: opening raises EVxbEngine 134 for a wrong magic, a level other
// than 6, a header that does not add up (a definition without a RecordId as
// its first column, records too large for the tree) or a damaged tree
// header; 38 for a wrong password or check string; 187 for a cipher this
// build lacks. Record operations return 19 for a missing record, 30 for a
// record id that is taken, 2 or 3 when the page cache fails, and 134 when
// the tree's pages turn out to be damaged; a damaged file never makes them
// crash or loop.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/index/bplus_tree.h"
#include "engine/storage/file/data_file.h"
#include "engine/types/index_key.h"

namespace vexilo::storage {

class TVxbBPlusDataFile : public TVxbDataFile {
 public:
  // Where the tree header lies in page 0.
  static constexpr int32_t kTreeHeaderOffset = 11;
  // The largest record the tree's pages hold.
  static int32_t MaxRecordSize();

  TVxbBPlusDataFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage);
  ~TVxbBPlusDataFile() override;

  bool GetCanDelete() const override { return true; }
  bool IsOpen() const override { return FTree && FTree->IsOpen(); }
  // The bytes of the pages the tree header counts (header pages included).
  int64_t GetStorageSize() const override;
  int32_t GetRecordCount() const override;
  int64_t IndexNamesOffset() const override;
  int32_t IndexNamesSize() const override;
  int64_t RecordCountOffset() const override { return 0; }
  int64_t NextRecordIdOffset() const override { return 6; }

  int16_t Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) override;
  // Creates a level-6 file (any other level is error 117, like a first
  // column that is not a RecordId or records larger than MaxRecordSize).
  int16_t NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) override;
  int16_t Close() override;
  int16_t Clear() override;
  // Writes the changed pages and cuts the file after the tree's last page.
  int16_t Flush() override;
  int16_t Undo() override;
  int16_t Invalidate() override;
  int16_t UpdateDir() override;

  // Record ids of the first, next greater, next smaller and last record;
  // `recNo` need not be a record's id.
  int32_t GetFirstRecordNo() override;
  int32_t GetNextRecordNo(int32_t recNo) override;
  int32_t GetPrevRecordNo(int32_t recNo) override;
  int32_t GetLastRecordNo() override;
  int16_t ReadRecord(int32_t recNo, uint8_t* buffer) override;
  // Replaces record `recNo` by `buffer`, whose record id becomes the
  // record's number (30 when another record has that id already).
  int16_t WriteRecord(int32_t recNo, uint8_t* buffer) override;
  // Adds `recBuffer` under the record id in its first four bytes and returns
  // that id; 30 when the id is taken, 49 for an id below 1.
  int32_t InsertRecord(uint8_t* recBuffer) override;
  int16_t DeleteRecord(int32_t recNo) override;

  // The tree over the file (open while the file is).
  index::TVxbBPlusTree* Tree() const { return FTree.get(); }

 private:
  // Record numbers of the tree items: <0, 0, >0 as a's id is below, equal to
  // or above b's.
  static int CompareIds(int32_t a, const uint8_t*, size_t, int32_t b, const uint8_t*, size_t, bool* keysEqual);
  // The first tree page after a header whose definition block is
  // `blockLength` bytes.
  static int32_t FirstTreePage(int64_t blockLength);
  // Runs `operation`, turning the tree's and the page cache's exceptions
  // into recorded engine errors (2 or 3, 134 for a damaged tree).
  template <class Operation>
  int32_t Guarded(bool writing, Operation&& operation);
  // Whether the tree holds the record with id `recNo` (leaves it in FItem).
  bool Locate(int32_t recNo);
  // Id of the item found by a search result (0 = found), or kNoRecord.
  int32_t FoundId(int16_t result) const { return result == 0 ? FItem->DateiVerweis : kNoRecord; }
  // Inserts `record` as an item; false when its id is taken.
  bool InsertItem(const uint8_t* record);
  int16_t DuplicateId();
  void ReadHeader(TVxbTableCryptor& cryptor, TVxbTableDefinition& definition, int64_t& blockLength);

  std::unique_ptr<index::TVxbBPlusTree> FTree;
  // Record-sized work buffer for items found and inserted (FTempItemPtr).
  std::unique_ptr<types::TVxbLongIndexInfo> FItem;
  std::u16string FFirstColumnName;
};

}  // namespace vexilo::storage
