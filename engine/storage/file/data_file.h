// TVxbDataFile: the owner of a table's table file while the table is open.
// It reads and writes the file's header (table_header.h) and keeps the
// records. Two layouts exist, each a subclass: TVxbHeapDataFile (records in
// numbered slots after the header) and TVxbBPlusDataFile (records in a B+
// tree, keyed by record id); data_file_selection.h says which a file needs.
//
// Every byte goes through the page cache: the data file owns a client
// storage of the table file and one page site through which it copies byte
// ranges at absolute file offsets. Records and level-5/6 definition blocks
// pass through the table's cipher.
//
// Results: Open raises EVxbEngine (after closing the file again); every
// other operation returns 0 (or a record number or count) on success and
// the negated engine error number on failure, after recording the error as
// the session's last error in the services object. Failures of the page
// cache are read errors (2, "Error while reading from file "%s"") or write
// errors (3, "Error while writing to file "%s"").
//
// A data file is used by the one table object that owns it, by one thread
// at a time. Other processes' changes become visible after Invalidate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_site.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"
#include "engine/storage/file/table_header.h"
#include "fs/file_system.h"

namespace vexilo::storage {

// Record-number queries answer this when there is no such record.
inline constexpr int32_t kNoRecord = -19;

// Opens a table file's storage with the table page size: raises EVxbEngine
// 37 for a missing file, 115 for one that cannot be opened as asked, 2 for
// any other failure.
void OpenTableStorage(index::TVxbClientStorage& storage, bool readOnly, bool exclusive);

class TVxbDataFile {
 public:
  // A closed data file of the file `storage` names (its name set), which it
  // owns; errors go to `services`, which must outlive it.
  TVxbDataFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage);
  // Closes the file; changes not flushed are lost.
  virtual ~TVxbDataFile();
  TVxbDataFile(const TVxbDataFile&) = delete;
  TVxbDataFile& operator=(const TVxbDataFile&) = delete;

  // Whether any record can be deleted directly (else only the last).
  virtual bool GetCanDelete() const = 0;
  virtual bool IsOpen() const = 0;
  // Bytes the file needs for its header and records.
  virtual int64_t GetStorageSize() const = 0;
  virtual int32_t GetRecordCount() const = 0;
  virtual int64_t IndexNamesOffset() const = 0;
  virtual int32_t IndexNamesSize() const = 0;
  // 0 when the layout keeps no record count in its header.
  virtual int64_t RecordCountOffset() const = 0;
  // 0 when the header has no next-record-id field.
  virtual int64_t NextRecordIdOffset() const = 0;

  // Reads the header of the existing file into `definition` and the data
  // file's own fields. `cryptor` brings the opener's password, leaves with
  // the table's method and must outlive the open file. The storage is opened
  // with `readOnly` and `exclusive` unless it is open already. Returns 0;
  // raises EVxbEngine on failure, the file closed again.
  virtual int16_t Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor,
                       TVxbTableDefinition& definition) = 0;
  // Creates the file at `level` (outside 1..6: 6) and writes a complete
  // header with record count 0; `definition`'s columns are moved to the
  // level first. `cryptor` must outlive the open file. On failure nothing
  // is left behind.
  virtual int16_t NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) = 0;
  // Forgets the index names, frees the page site and closes the storage.
  virtual int16_t Close();
  // Removes every record.
  virtual int16_t Clear() = 0;
  // Gives back unused room at the end of the file (nothing for these
  // layouts).
  virtual int16_t Truncate() { return 0; }
  // Writes the storage's changed pages.
  virtual int16_t Flush();
  // Discards the changes not yet written.
  virtual int16_t Undo();
  // Drops the cached pages so that they are read again (another process
  // changed the file).
  virtual int16_t Invalidate();
  // Refreshes the storage's directory entry.
  virtual int16_t UpdateDir();
  // Whether another record fits.
  virtual bool CanAppend() const;

  // Record numbers, or kNoRecord past either end.
  virtual int32_t GetFirstRecordNo() = 0;
  virtual int32_t GetNextRecordNo(int32_t recNo) = 0;
  virtual int32_t GetPrevRecordNo(int32_t recNo) = 0;
  virtual int32_t GetLastRecordNo() = 0;
  // Copies record `recNo` into `buffer` (RecordSize bytes).
  virtual int16_t ReadRecord(int32_t recNo, uint8_t* buffer) = 0;
  // Stores `buffer` as record `recNo`; the buffer is enciphered in place and
  // deciphered again, so it leaves unchanged.
  virtual int16_t WriteRecord(int32_t recNo, uint8_t* buffer) = 0;
  // Adds `recBuffer` as a new record; returns its record number.
  virtual int32_t InsertRecord(uint8_t* recBuffer) = 0;
  // Removes record `recNo` (a heap drops its last slot: the caller has moved
  // the last record into `recNo`'s slot before).
  virtual int16_t DeleteRecord(int32_t recNo) = 0;

  // Reads the index-name area into IndexNames.
  virtual int16_t ReadIndexNames();
  // Rewrites the index-name area from IndexNames: 67 for more names than
  // the area holds, 176 for a name that does not fit.
  virtual int16_t WriteIndexNames();
  // Removes the entry of 1-based index number `indexNo` from IndexNames.
  virtual void DeleteIndexName(int indexNo);

  // The stored next record id, which the field then holds plus one; the
  // negated error on failure (64 without such a field, 171 when the ids are
  // used up).
  int32_t ObtainNewRecordId();
  // Stores `recordId` again when the field holds `recordId` + 1.
  int16_t RevokeRecordId(int32_t recordId);
  // Sets only the remembered next record id.
  void SetNextRecordId(int32_t recordId) { FNextRecordId = recordId; }
  // Reads the field (and remembers it); the negated error on failure.
  int32_t ReadNextRecordId();
  int16_t WriteNextRecordId(int32_t recordId);
  int32_t NextRecordId() const { return FNextRecordId; }

  // The level read or written; -1 before.
  int16_t Version() const { return FLevel; }
  fs::TvwFileSystem& FileSystem() const { return FStorage->GetFileSystem(); }
  const std::u16string& FileName() const { return FStorage->GetName(); }
  std::vector<std::u16string>& IndexNames() { return FIndexNames; }
  const std::vector<std::u16string>& IndexNames() const { return FIndexNames; }
  uint16_t RecordSize() const { return FRecordSize; }
  // Offset of the RecordId column in a record; -1 when there is none.
  int64_t RecordIdPosition() const { return FRecordIdPosition; }
  index::TVxbClientStorage& Storage() const { return *FStorage; }

 protected:
  // Opens the storage unless it is open: raises EVxbEngine 37 for a missing
  // file, 115 for one that cannot be opened as asked, 2 otherwise.
  void OpenStorage(bool readOnly, bool exclusive);
  // Frees the page site and closes the storage without raising.
  void CloseStorage() noexcept;
  // Records engine error `code` with the file name; returns -code.
  int16_t Fail(int16_t code);
  // Runs `step`, which works on the storage; a page-cache failure records
  // error 2.
  template <typename Step>
  int16_t ReadingStorage(const Step& step);
  // Byte ranges at file offset `pos` through the page site. A failed read
  // records error 2, a failed write error 3; both return the negated code.
  // Writing beyond the last page adds fresh pages.
  int16_t ReadBytes(int64_t pos, void* buffer, int32_t len);
  int16_t WriteBytes(int64_t pos, const void* buffer, int32_t len);
  // The same for records: deciphered after reading; enciphered in place
  // for writing and deciphered again.
  int16_t ReadEnciphered(int64_t pos, uint8_t* buffer, int32_t len);
  int16_t WriteEnciphered(int64_t pos, uint8_t* buffer, int32_t len);
  int16_t ReadInt32At(int64_t pos, int32_t& value);
  int16_t WriteInt32At(int64_t pos, int32_t value);
  // The file's length: the page cache's view (whole tiles), except that a
  // file whose last tile on disk is cut short has its length on disk.
  int64_t FileLength();
  // The header bytes (FileLength of them) as a source for the header
  // reader; read failures raise EVxbEngine 2.
  std::unique_ptr<TVxbHeaderSource> HeaderSource();
  // Takes over what every layout keeps from a header.
  void TakeHeader(const TVxbTableHeader& header, TVxbTableCryptor& cryptor);

  errors::TVxbServices& FServices;
  int16_t FLevel = -1;
  std::unique_ptr<index::TVxbClientStorage> FStorage;
  std::unique_ptr<index::TVxbStoragePageSite> FPage;
  TVxbTableCryptor* FCryptor = nullptr;  // not owned
  std::vector<std::u16string> FIndexNames;
  std::u16string FCollationName;  // code page of the ANSI index names
  int32_t FNextRecordId = 0;
  uint16_t FRecordSize = 0;
  int64_t FRecordIdPosition = -1;
};

}  // namespace vexilo::storage
