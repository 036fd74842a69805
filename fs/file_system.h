// TvwFileSystem: the interface through which the engine reaches every file of
// a database (table, index, memo, blob, lock and redo files). Files are named
// by UTF-16 paths, addressed by signed 32-bit handles (>= 0 valid) and read
// and written at explicit 64-bit positions, so no per-handle position has to
// stay consistent between users.
//
// Failure reporting: operations that return handles or Booleans report
// failure by -1 or false and leave the cause in GetLastError(); operations
// without a way to say "failed" raise the exceptions of fs/fs_errors.h.
//
// A file-system object has no lock of its own: it is used by one thread at a
// time. GetLastError() is the calling thread's value. Byte-range locks are held
// per handle; they are how separate processes sharing a database coordinate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vexilo::fs {

// Mode word of OpenFile: one access value OR one sharing value.
inline constexpr uint32_t kOpenRead = 0x00;
inline constexpr uint32_t kOpenWrite = 0x01;
inline constexpr uint32_t kOpenReadWrite = 0x02;
inline constexpr uint32_t kOpenAccessMask = 0x03;
inline constexpr uint32_t kShareCompat = 0x00;  // treated as exclusive
inline constexpr uint32_t kShareExclusive = 0x10;
inline constexpr uint32_t kShareDenyWrite = 0x20;
inline constexpr uint32_t kShareDenyRead = 0x30;
inline constexpr uint32_t kShareDenyNone = 0x40;
inline constexpr uint32_t kShareMask = 0xF0;
// Mode of a file-system stream that creates (or truncates) its file.
inline constexpr uint32_t kStreamCreate = 0xFF00;

// Attribute bits of found entries and of search masks.
inline constexpr int32_t kAttrReadOnly = 0x01;
inline constexpr int32_t kAttrHidden = 0x02;
inline constexpr int32_t kAttrSystem = 0x04;  // not a regular file nor a directory
inline constexpr int32_t kAttrVolumeId = 0x08;
inline constexpr int32_t kAttrDirectory = 0x10;
inline constexpr int32_t kAttrAnyFile = 0x1FF;  // mask that finds every entry

// Last-error codes that callers test. They keep the numbers of the original
// platform on every platform; other codes are the platform's own.
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorPathNotFound = 3;
inline constexpr int32_t kErrorInvalidHandle = 6;
inline constexpr int32_t kErrorSharingViolation = 32;
inline constexpr int32_t kErrorLockViolation = 33;
inline constexpr int32_t kErrorNotLocked = 158;
inline constexpr int32_t kErrorAlreadyExists = 183;
inline constexpr int32_t kErrorNoLockingSupport = 1000;

inline bool IsValidHandle(int32_t handle) { return handle >= 0; }

// Search-state a file system keeps between FindFirstFile and FindNextFile;
// each file system derives its own.
class TvwFindData {
 public:
  virtual ~TvwFindData() = default;
};

class TvwVirtualDirectory;  // a directory inside a compound file

// State of a directory search and the entry found last.
struct TvwFindFileRec {
  int32_t Time = 0;  // packed date and time (bits 25-31 year - 1980, 21-24 month,
                     // 16-20 day, 11-15 hour, 5-10 minute, 0-4 second / 2)
  int64_t Size = 0;
  int32_t Attr = 0;
  std::u16string Name;  // the entry's name without its directory
  int32_t ExcludeAttr = 0;
  int32_t FindHandle = -1;  // -1 when no search is open
  std::unique_ptr<TvwFindData> FindData;
  int32_t DirIndex = -1;
  TvwVirtualDirectory* VirtDir = nullptr;  // not owned
};

class TvwFileSystem {
 public:
  TvwFileSystem() = default;
  virtual ~TvwFileSystem() = default;
  TvwFileSystem(const TvwFileSystem&) = delete;
  TvwFileSystem& operator=(const TvwFileSystem&) = delete;

  // Directory relative paths are resolved against; empty for this base class.
  virtual std::u16string GetBaseDirectory() const;
  // The preferred page size of the storage, in bytes.
  virtual int32_t GetPageSize() const = 0;
  virtual void SetPageSize(int32_t value) = 0;
  // Sets the code that GetLastError reports.
  virtual void SetLastError(int32_t code) = 0;
  // Makes the storage usable / releases it; nothing for this base class.
  virtual void Open();
  virtual void Close();
  virtual bool SupportsExclusiveFiles() const = 0;
  // Code of the last failed operation.
  virtual int32_t GetLastError() = 0;
  // Creates or truncates `filePath` and opens it for reading and writing,
  // shared with nobody. Returns a handle or -1.
  virtual int32_t CreateFile(std::u16string_view filePath) = 0;
  // Opens `filePath` with an access and sharing `mode`. Returns a handle or -1.
  virtual int32_t OpenFile(std::u16string_view filePath, uint32_t mode) = 0;
  // Reads `count` bytes at `pos` into `data`; returns the bytes read (fewer at
  // the end of the file), or -1 on failure.
  virtual int32_t FileRead(int32_t handle, int64_t pos, void* data, int32_t count) = 0;
  // Writes `count` bytes of `data` at `pos`; returns the bytes written, or -1.
  virtual int32_t FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) = 0;
  virtual int64_t GetFileSize(int32_t handle) = 0;
  virtual void SetFileSize(int32_t handle, int64_t size) = 0;
  // True when `pos` is at or beyond the end of the file.
  virtual bool EndOfFile(int32_t handle, int64_t pos) = 0;
  virtual void CloseFile(int32_t handle) = 0;
  // Locks the bytes from `startPos` up to, not including, `endPos`, without
  // waiting. 1 = locked, 0 = held by someone else, other values are errors.
  virtual int32_t LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) = 0;
  // Releases a range locked by LockFile with the same bounds.
  virtual void UnlockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) = 0;
  virtual bool CreateDir(std::u16string_view dirPath) = 0;
  virtual bool RemoveDir(std::u16string_view dirPath) = 0;
  // Starts a search for `path` (its last part may hold the wildcards * and ?)
  // among the entries `attr` admits: files always, directories with 0x10,
  // hidden, system and volume entries with their bits. Fills `rec` with the
  // first entry found; false when there is none.
  virtual bool FindFirstFile(std::u16string_view path, int32_t attr, TvwFindFileRec& rec) = 0;
  // Moves `rec` to the next entry; false when there is none.
  virtual bool FindNextFile(TvwFindFileRec& rec) = 0;
  // Releases the search state of `rec`.
  virtual void FindFileClose(TvwFindFileRec& rec) = 0;
  virtual bool DeleteFile(std::u16string_view fileName) = 0;
  virtual int32_t Clear() = 0;
  virtual bool RenameFile(std::u16string_view oldName, std::u16string_view newName) = 0;
  // The full path `fileName` resolves to.
  virtual std::u16string ExpandFileName(std::u16string_view fileName) = 0;
  // Makes sure the directory `dirPath` exists; true for this base class.
  virtual bool ForcePath(std::u16string_view dirPath);
  // The character that separates the parts of this file system's paths.
  virtual char16_t GetPathDelimiter() const;

  // True when a search with mask 0 finds `fileName` and it is no directory.
  bool FileExists(std::u16string_view fileName);
  // True when `dirName` (a trailing delimiter ignored) names a directory.
  bool DirectoryExists(std::u16string_view dirName);
  // Copies the file `source` to `target` (into it, when `target` is a
  // directory). False when a file cannot be opened, created, read or written;
  // GetLastError then tells why. Never leaves a file open.
  bool CopyFile(std::u16string_view source, std::u16string_view target);
  // Copies every file and directory below `srcDirName` of `fileSystem` into
  // the existing directory `dstDirName` of this one. Raises EvwInOutError.
  void CopyFrom(TvwFileSystem& fileSystem, std::u16string_view srcDirName,
                std::u16string_view dstDirName);
  // Text for an error code; never fails.
  std::u16string GetErrorMessage(int32_t errorCode) const;

  bool PhysicallyExclusive() const { return FPhysicallyExclusive; }
  // When set, every file is opened for exclusive use by this process.
  void SetPhysicallyExclusive(bool value) { FPhysicallyExclusive = value; }

 private:
  bool FPhysicallyExclusive = false;
};

}  // namespace vexilo::fs
