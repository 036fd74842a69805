// TVxbRedoLog: the undo information of one table's running transaction. Each
// change the session makes is appended before the table file changes; a
// rollback (or the recovery of a dead session's transaction) reads the log
// backwards and undoes the actions. The owner holds the log open exclusively
// while its transaction runs, so another session can open it only after the
// owner died.
//
// Layout (little-endian): bytes B0 C0 D0 E0, an int32 0, then entries in time
// order. Every entry ends with an int32 length field holding the entry's
// length without that field, so the log can be walked backwards; the int32 0
// after the magic stops the walk.
//
//   kind             layout
//   0 insert         kind (1), record number (int32), length (int32) = 5
//   1 update         kind (1), record number (int32), the record as it was
//   2 delete           (record size bytes), length (int32) = 5 + record size
//   3 blob           kind (1), column number (int32), the value's ANSI bytes,
//   4 wide memo        or its UTF-16LE units for a wide memo, length (int32)
//
// An update or delete entry is followed by one blob or wide-memo entry for
// each memo or blob column whose former value it keeps (kind 3 for ANSI data
// or an empty value, kind 4 for wide data).
//
// Errors: NewFile, Open and the Log operations raise the exceptions of
// fs/fs_errors.h for file failures. ReadPriorAction raises EVxbEngine 2 for
// a damaged log (lengths that leave the file, unknown kinds), so a walk
// always ends. One thread at a time; copying is disabled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/values/blob_data.h"
#include "engine/storage/sharing/lock_types.h"
#include "fs/file_system.h"

namespace vexilo::fs {
class TvwFileSystemStream;
}

namespace vexilo::storage {

inline constexpr uint8_t kRedoLogMagic[4] = {0xB0, 0xC0, 0xD0, 0xE0};

class TVxbRedoLog {
 public:
  // The log of the table `baseName` (directory and name without extension)
  // at `level`; no file is touched yet.
  TVxbRedoLog(fs::TvwFileSystem& fileSystem, int32_t recordSize, bool isRelTable, int16_t level,
              std::u16string_view baseName);
  ~TVxbRedoLog();
  TVxbRedoLog(const TVxbRedoLog&) = delete;
  TVxbRedoLog& operator=(const TVxbRedoLog&) = delete;

  // Creates the log exclusively (replacing one nobody holds) and writes the
  // magic and the 0. Raises fs errors.
  void NewFile();
  // Opens an existing log exclusively and positions at its end for a
  // backward walk: 0, -1 when the magic is wrong (the log is closed again),
  // or the file system's positive error code when it cannot be opened.
  int32_t Open();
  void Close();
  // Closes and deletes the log.
  void Erase();
  bool IsOpen() const { return FLogFile != nullptr; }
  const std::u16string& FileName() const { return FFileName; }

  void LogInsert(int32_t recordNo);
  // `recBuffer` holds the record as it was (at least the record size bytes);
  // `blobs` the former values of its memo and blob columns.
  void LogUpdate(int32_t recordNo, const uint8_t* recBuffer, const TVxbBlobDataList& blobs);
  void LogDelete(int32_t recordNo, const uint8_t* recBuffer, const TVxbBlobDataList& blobs);

  // Steps back to the previous insert, update or delete, gathering the blob
  // and wide-memo entries that follow it; false at the start of the log.
  // Raises EVxbEngine 2 for a damaged log.
  bool ReadPriorAction();
  TVxbTableActionKind LastActionKind() const { return FLastActionKind; }
  int32_t LastActionRecordNo() const { return FLastActionRecordNo; }
  const std::vector<uint8_t>& LastActionRecBuffer() const { return FLastActionRecBuffer; }
  // The former memo/blob values of the last update or delete read, in the
  // order they were logged.
  const TVxbBlobDataList& LastActionBlobs() const { return FLastActionBlobs; }
  // The former value of column `fieldNo`, or null when none was logged.
  const TVxbBlobData* LastActionBlob(int32_t fieldNo) const;

 private:
  void Append(TVxbTableActionKind kind, int32_t number, const uint8_t* data, size_t size);
  void LogRecord(TVxbTableActionKind kind, int32_t recordNo, const uint8_t* recBuffer,
                 const TVxbBlobDataList& blobs);

  fs::TvwFileSystem& FFileSystem;
  std::unique_ptr<fs::TvwFileSystemStream> FLogFile;
  int32_t FRecordSize;
  int64_t FPosition = 0;
  std::u16string FFileName;
  TVxbTableActionKind FLastActionKind = takInsert;
  int32_t FLastActionRecordNo = 0;
  std::vector<uint8_t> FLastActionRecBuffer;
  TVxbBlobDataList FLastActionBlobs;
};

}  // namespace vexilo::storage
