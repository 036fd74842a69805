// The operating-system seam of the file system layer. Every call into the
// operating system's files, directories, locks, error texts and clock made by
// this layer goes through these functions; one source file per platform
// implements them (platform_posix.cpp here).
//
// Paths are UTF-8, already resolved by the caller. Functions that can fail
// record the cause as the calling thread's last error, in the numbering of
// fs/file_system.h (kErrorFileNotFound, kErrorAlreadyExists, ... ; other
// codes are the platform's own), and report failure by their result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexilo::fs::platform {

inline constexpr char16_t kPathDelimiter = u'/';

// The calling thread's last error, and setting it.
int32_t LastError();
void SetLastError(int32_t code);
// The platform's text for a last-error code; never fails.
std::u16string ErrorText(int32_t code);

enum class Access { Read, Write, ReadWrite };
enum class Sharing { Exclusive, DenyWrite, DenyRead, DenyNone };

// Opens the regular file `path` (with `create`: creates it or, once the
// sharing check has passed, truncates it). Sharing is checked against every
// handle open on the file, in this and in other processes; a conflict fails
// with kErrorSharingViolation. Returns a native handle >= 0 or -1.
int32_t OpenFile(const std::string& path, Access access, Sharing sharing, bool create);
void CloseFile(int32_t handle);
// Positioned transfers of the whole count (less only at the end of the file
// when reading); -1 on failure.
int32_t ReadAt(int32_t handle, int64_t pos, void* data, int32_t count);
int32_t WriteAt(int32_t handle, int64_t pos, const void* data, int32_t count);
// The file's size, or -1.
int64_t FileSize(int32_t handle);
bool Truncate(int32_t handle, int64_t size);

enum class LockResult { Granted, Refused, Failed };
// Exclusive byte-range lock of `length` bytes at `start`, never waiting; it
// excludes every other handle, in this process as well as in others.
LockResult LockRange(int32_t handle, int64_t start, int64_t length);
bool UnlockRange(int32_t handle, int64_t start, int64_t length);

bool MakeDirectory(const std::string& path);
bool RemoveDirectory(const std::string& path);
// Both refuse (kErrorSharingViolation) a file that some handle has open;
// renaming never replaces an existing `newPath` (kErrorAlreadyExists).
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& oldPath, const std::string& newPath);

// One directory entry: its name, attribute bits (fs/file_system.h), size and
// packed modification time.
struct DirEntry {
  std::string Name;
  int32_t Attr = 0;
  int64_t Size = 0;
  int32_t Time = 0;
};
// Describes the entry `path` names; false when there is none.
bool StatEntry(const std::string& path, DirEntry& entry);
// Every entry of the directory `path`, "." and ".." included; false when the
// directory cannot be read.
bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries);

struct LocalTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
LocalTime Now();

}  // namespace vexilo::fs::platform
