// TvwFileSystemStream: a positioned byte stream over one file of a
// TvwFileSystem, with byte-range locks. The stream owns its handle and closes
// it when destroyed; the file system is referenced, not owned, and must
// outlive the stream. Reading and writing go through the file system at the
// stream's own position, so several streams on one file never disturb each
// other. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fs/file_system.h"

namespace vexilo::fs {

enum class TvwSeekOrigin { soBeginning, soCurrent, soEnd };

class TvwFileSystemStream {
 public:
  // Creates (mode kStreamCreate: create or truncate) or opens `fileName` with
  // the access and sharing `mode`. Raises EvwFileAlreadyExistsError /
  // EvwFileCreateError when creating fails, EvwFileNotFoundError /
  // EvwFileOpenError when opening fails.
  TvwFileSystemStream(std::u16string_view fileName, uint32_t mode, TvwFileSystem& fileSystem);
  ~TvwFileSystemStream();
  TvwFileSystemStream(const TvwFileSystemStream&) = delete;
  TvwFileSystemStream& operator=(const TvwFileSystemStream&) = delete;

  // A stream over `handle`, which it takes over and closes when destroyed.
  static std::unique_ptr<TvwFileSystemStream> CreateFromHandle(int32_t handle, TvwFileSystem& fileSystem);

  // Transfer at the stream's position and advance it by the bytes
  // transferred; the result is that count (0 when nothing was transferred).
  int32_t Read(void* buffer, int32_t count);
  int32_t Write(const void* buffer, int32_t count);
  // Moves the position relative to the start, the current position or the
  // end of the file; returns the new position. The file is not touched.
  int64_t Seek(int64_t offset, TvwSeekOrigin origin);

  // Locks `length` bytes at `startPos` without waiting: true when locked,
  // false when someone else holds them. Raises EvwStreamError "Cannot lock
  // storage ..." when the file system reports an error.
  bool LockRange(int64_t startPos, int64_t length, bool forWrite);
  // Releases a range taken by LockRange.
  void UnlockRange(int64_t startPos, int64_t length, bool forWrite);
  // True when someone (another handle or process) holds a lock on the range,
  // or this stream itself does.
  bool IsRangeLocked(int64_t startPos, int64_t length);

  int64_t Position() const { return FPosition; }
  int64_t Size() const { return FFileSystem.GetFileSize(FHandle); }
  int32_t Handle() const { return FHandle; }
  const std::u16string& FileName() const { return FFileName; }

 private:
  TvwFileSystemStream(int32_t handle, TvwFileSystem& fileSystem);

  std::u16string FFileName;
  int32_t FHandle = -1;
  int64_t FPosition = 0;
  TvwFileSystem& FFileSystem;
};

}  // namespace vexilo::fs
