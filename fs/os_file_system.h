// TvwOSFileSystem: the file system of a directory database. It maps the
// operations of TvwFileSystem onto the operating system's files below a base
// directory; all operating-system calls go through fs/platform.h.
//
// Paths use "/" as delimiter. A name is resolved against the base directory
// (ExpandFileName): without a base directory it is used unchanged; an absolute
// name is used unchanged; otherwise a leading "./" is dropped, each leading
// "../" removes the last directory of the base directory, and the rest is
// appended to the base directory with one delimiter between.
//
// Handles behave as the original platform's file handles:
// - Sharing modes are honoured between handles of this process and of other
//   processes: an open fails with last error 32 (sharing violation) when
//   another open handle's sharing denies the requested access, or when the
//   requested sharing denies the access of a handle already open. CreateFile
//   shares with nobody and truncates only once that check has passed.
// - Every open handle denies deletion and renaming: DeleteFile and RenameFile
//   of a file some handle has open fail with last error 32. RenameFile never
//   replaces an existing file (last error 183).
// - LockFile takes an exclusive lock that never waits, whatever its WriteLock
//   argument; a range overlapping one this handle already holds is refused
//   as well (result 0), so probing a range never releases one's own lock.
//   UnlockFile releases exactly a range that was locked (else last error 158).
//   Offsets and lengths use their low 32 bits; an empty range is an error.
//   Locks need a handle on a writable file; LockFile through a handle on a
//   file this process may only read fails with an error code.
//   Closing a handle releases its locks.
//
// Reserved lock bytes. Sharing is emulated with shared byte-range locks far
// beyond any data, held by every open handle for as long as it is open. They
// never meet the locks that LockFile takes (those stay below 2^33), nor the
// low-offset lock protocols of lock files and compound files.
//
//   offset      size  held (shared) by every handle that ...
//   2^62 + 0    1     is open at all ("in use"; a deletion or rename takes
//                     it exclusively to make sure no handle is open)
//   2^62 + 1    1     has read access
//   2^62 + 2    1     has write access
//   2^62 + 3    1     denies read to others (exclusive, deny read)
//   2^62 + 4    1     denies write to others (exclusive, deny write)
//
// Failure: operations that return handles or Booleans set the last error;
// GetFileSize raises EvwFileSystemError, SetFileSize EvwInOutError. The
// object closes every handle still open when it is destroyed. It is used by
// one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system.h"

namespace vexilo::fs {

class TvwOSFileSystem : public TvwFileSystem {
 public:
  TvwOSFileSystem() = default;
  ~TvwOSFileSystem() override;

  std::u16string GetBaseDirectory() const override { return FBaseDirectory; }
  // Stores the directory relative names are resolved against.
  void SetBaseDirectory(std::u16string_view value) { FBaseDirectory = value; }

  // 8192; SetPageSize is ignored.
  int32_t GetPageSize() const override { return 8192; }
  void SetPageSize(int32_t) override {}
  // The calling thread's last error.
  void SetLastError(int32_t code) override;
  int32_t GetLastError() override;
  bool SupportsExclusiveFiles() const override { return true; }

  int32_t CreateFile(std::u16string_view filePath) override;
  // With PhysicallyExclusive set, any sharing becomes exclusive. A mode with
  // an unknown access or sharing value fails (last error 22).
  int32_t OpenFile(std::u16string_view filePath, uint32_t mode) override;
  // A negative position transfers nothing (result 0); a handle without the
  // needed access fails (-1, last error 6).
  int32_t FileRead(int32_t handle, int64_t pos, void* data, int32_t count) override;
  int32_t FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) override;
  // Raises EvwFileSystemError "Cannot determine file size (%d)." on failure.
  int64_t GetFileSize(int32_t handle) override;
  // Only shrinks: a size at or above the current one changes nothing.
  // Raises EvwInOutError "Cannot set end of of file" on failure.
  void SetFileSize(int32_t handle, int64_t size) override;
  // True as well when the size cannot be determined.
  bool EndOfFile(int32_t handle, int64_t pos) override;
  void CloseFile(int32_t handle) override;
  // 1 granted, 0 refused (last error 33), a negative error code otherwise.
  int32_t LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) override;
  void UnlockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) override;

  bool CreateDir(std::u16string_view dirPath) override;
  bool RemoveDir(std::u16string_view dirPath) override;
  // Wildcards are case-sensitive; "*.*" finds every name. Entries come in
  // name order, from a snapshot taken by FindFirstFile.
  bool FindFirstFile(std::u16string_view path, int32_t attr, TvwFindFileRec& rec) override;
  bool FindNextFile(TvwFindFileRec& rec) override;
  void FindFileClose(TvwFindFileRec& rec) override;
  bool DeleteFile(std::u16string_view fileName) override;
  int32_t Clear() override { return 0; }
  bool RenameFile(std::u16string_view oldName, std::u16string_view newName) override;
  std::u16string ExpandFileName(std::u16string_view fileName) override;
  // Creates every missing directory of `dirPath`.
  bool ForcePath(std::u16string_view dirPath) override;

 private:
  struct TLockedRange {
    int64_t Start;
    int64_t Length;
  };
  struct TOpenFile {
    bool CanRead = false;
    bool CanWrite = false;
    std::vector<TLockedRange> Locks;
  };

  // The resolved path in the operating system's encoding.
  std::string OSPath(std::u16string_view name);
  // The state of `handle`, or nullptr after setting last error 6.
  TOpenFile* Find(int32_t handle);

  std::u16string FBaseDirectory;
  std::map<int32_t, TOpenFile> FOpenFiles;
};

}  // namespace vexilo::fs
