// TVxbMoveFile: one session's handle on a shared table's move file, the list
// of record moves that deletions caused, so other sessions can tell their
// cursors where a record went. Each session reads only the entries appended
// after it logged in and skips the entries it appended itself.
//
// Layout: a sequence of 8-byte entries, little-endian:
//
//   offset size  meaning
//   0      4     the record number the record moved to (int32)
//   4      4     the record number it moved from (int32)
//
// Appends happen inside the lock-file mutex, so entries never interleave.
// One thread at a time; copying is disabled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system.h"

namespace vexilo::fs {
class TvwFileSystemStream;
}

namespace vexilo::storage {

inline constexpr int32_t kMoveEntrySize = 8;

class TVxbMoveFile {
 public:
  // Opens `fileName` shared for reading and writing, creating an empty file
  // when there is none; the read position is the file's length. Raises fs
  // errors.
  TVxbMoveFile(fs::TvwFileSystem& fileSystem, std::u16string_view fileName);
  ~TVxbMoveFile();
  TVxbMoveFile(const TVxbMoveFile&) = delete;
  TVxbMoveFile& operator=(const TVxbMoveFile&) = delete;

  // Appends "the record at `fromRecNo` moved to `toRecNo`".
  void Append(int32_t fromRecNo, int32_t toRecNo);
  // The next entry another session appended since the last read; false at
  // the end. Raises EVxbEngine 52 for an entry with a number below 1.
  bool ReadNext(int32_t& fromRecNo, int32_t& toRecNo);
  int64_t ReadPosition() const { return FMovePos; }

 private:
  fs::TvwFileSystem& FFileSystem;
  std::unique_ptr<fs::TvwFileSystemStream> FFile;
  int64_t FMovePos = 0;
  std::vector<int64_t> FOwnEntries;  // positions of own entries not yet passed
};

}  // namespace vexilo::storage
