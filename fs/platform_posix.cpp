// POSIX (Linux) implementation of the file system layer's platform seam.
//
// Byte-range locks are Linux open-file-description locks (F_OFD_SETLK): they
// belong to one open() of a file, so two handles on one file exclude each
// other inside one process as well as between processes, and closing a
// handle releases exactly its own locks.
//
// Sharing modes are emulated with shared OFD locks on reserved bytes far
// beyond any data (their table is in fs/os_file_system.h). An open first
// announces its own access and denials by shared locks on those bytes, then
// probes (F_OFD_GETLK, which only sees other handles' locks) for the bytes
// that conflict with it. Because every open announces before it probes, of two
// conflicting opens at least one sees the other.

#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "fs/file_system.h"
#include "fs/platform.h"
#include "fs/text.h"

namespace vexilo::fs::platform {
namespace {

thread_local int32_t tLastError = 0;

// The error numbers callers test keep their original values; every other
// errno value is passed through unchanged.
struct ErrnoMapping {
  int errnoValue;
  int32_t code;
};
constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, kErrorFileNotFound},
    {EBADF, kErrorInvalidHandle},
    {EEXIST, kErrorAlreadyExists},
};

// Codes this unit reports itself, with the texts the original platform gives.
struct OwnCodeText {
  int32_t code;
  const char* text;
};
constexpr OwnCodeText kOwnCodeTexts[] = {
    {kErrorPathNotFound, "The system cannot find the path specified."},
    {kErrorSharingViolation,
     "The process cannot access the file because it is being used by another process."},
    {kErrorLockViolation,
     "The process cannot access the file because another process has locked a portion of the file."},
    {kErrorNotLocked, "The segment is already unlocked."},
};

// Reserved lock bytes of the sharing emulation (see fs/os_file_system.h).
constexpr off_t kSharingBase = off_t{1} << 62;
constexpr off_t kInUseByte = kSharingBase + 0;
constexpr off_t kReadByte = kSharingBase + 1;
constexpr off_t kWriteByte = kSharingBase + 2;
constexpr off_t kDenyReadByte = kSharingBase + 3;
constexpr off_t kDenyWriteByte = kSharingBase + 4;

// An open that meets a file being deleted or replaced tries again this often.
constexpr int kOpenAttempts = 8;

int32_t CodeFromErrno(int errnoValue) {
  for (const auto& m : kErrnoMappings) {
    if (m.errnoValue == errnoValue) return m.code;
  }
  return errnoValue;
}

void RecordErrno() { tLastError = CodeFromErrno(errno); }

bool IsLockConflict(int errnoValue) { return errnoValue == EAGAIN || errnoValue == EACCES; }

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : FFd(fd) {}
  ~UniqueFd() {
    if (FFd >= 0) ::close(FFd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }
  void Reset(int fd) {
    if (FFd >= 0) ::close(FFd);
    FFd = fd;
  }

 private:
  int FFd;
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

bool SetOfdLock(int fd, short type, off_t start, off_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// 1 when another handle holds a lock on the byte at `pos`, 0 when none does,
// -1 on failure (errno set).
int ProbeOfdLock(int fd, off_t pos) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = pos;
  lock.l_len = 1;
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return -1;
  return lock.l_type == F_UNLCK ? 0 : 1;
}

// Opens for reading and writing whenever the file allows it, so that
// exclusive locks can be taken through handles opened only for reading;
// access itself is enforced by the caller. Falls back to read-only for files
// that cannot be written.
int OpenForLocking(const std::string& path, Access access, bool create) {
  const int common = O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0);
  int fd = ::open(path.c_str(), O_RDWR | common, 0666);
  if (fd < 0 && (errno == EACCES || errno == EROFS) && access == Access::Read && !create) {
    fd = ::open(path.c_str(), O_RDONLY | common);
  }
  return fd;
}

bool PathStillNames(const std::string& path, const struct stat& opened) {
  struct stat now {};
  if (::stat(path.c_str(), &now) != 0) return false;
  return now.st_dev == opened.st_dev && now.st_ino == opened.st_ino;
}

// Refuses with kErrorSharingViolation when some handle has the regular file
// `fd` open; on success `fd` holds the in-use byte exclusively until closed.
bool ClaimUnused(int fd) {
  if (SetOfdLock(fd, F_WRLCK, kInUseByte, 1)) return true;
  if (IsLockConflict(errno)) {
    tLastError = kErrorSharingViolation;
  } else if (errno == EBADF) {
    // A read-only descriptor cannot hold the claim; probing must do.
    const int held = ProbeOfdLock(fd, kInUseByte);
    if (held == 0) return true;
    if (held > 0) tLastError = kErrorSharingViolation;
    if (held < 0) RecordErrno();
  } else {
    RecordErrno();
  }
  return false;
}

// Opens `path` (when it is a regular file) and claims it as unused by any
// handle. True when the name may be deleted or renamed; `claim` keeps the
// claim alive until the caller is done.
bool ClaimForRemoval(const std::string& path, UniqueFd& claim) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }
  if (fd < 0) return true;  // directories and unreadable names: the call itself decides
  UniqueFd opened(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return true;
  if (!ClaimUnused(fd)) return false;
  claim.Reset(opened.Release());
  return true;
}

int32_t PackedTime(time_t time) {
  struct tm local {};
  if (::localtime_r(&time, &local) == nullptr || local.tm_year < 80) return 0;
  const uint32_t years = static_cast<uint32_t>(local.tm_year - 80) > 127 ? 127 : local.tm_year - 80;
  const uint32_t packed = (years << 25) | (static_cast<uint32_t>(local.tm_mon + 1) << 21) |
                          (static_cast<uint32_t>(local.tm_mday) << 16) |
                          (static_cast<uint32_t>(local.tm_hour) << 11) |
                          (static_cast<uint32_t>(local.tm_min) << 5) |
                          static_cast<uint32_t>(local.tm_sec / 2);
  return static_cast<int32_t>(packed);
}

void FillEntry(const std::string& name, const struct stat& st, DirEntry& entry) {
  entry.Name = name;
  entry.Attr = 0;
  if (S_ISDIR(st.st_mode)) {
    entry.Attr |= kAttrDirectory;
  } else if (!S_ISREG(st.st_mode)) {
    entry.Attr |= kAttrSystem;
  }
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) entry.Attr |= kAttrReadOnly;
  entry.Size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
  entry.Time = PackedTime(st.st_mtime);
}

// strerror_r comes in a GNU (char*) and an XSI (int) flavour.
[[maybe_unused]] const char* PickErrorText(char* result, const char*) { return result; }
[[maybe_unused]] const char* PickErrorText(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}

}  // namespace

int32_t LastError() { return tLastError; }

void SetLastError(int32_t code) { tLastError = code; }

std::u16string ErrorText(int32_t code) {
  for (const auto& own : kOwnCodeTexts) {
    if (own.code == code) return Utf8ToUtf16(own.text);
  }
  int errnoValue = code;
  for (const auto& m : kErrnoMappings) {
    if (m.code == code) errnoValue = m.errnoValue;
  }
  char buffer[256] = {};
  return Utf8ToUtf16(PickErrorText(::strerror_r(errnoValue, buffer, sizeof buffer), buffer));
}

int32_t OpenFile(const std::string& path, Access access, Sharing sharing, bool create) {
  const bool wantsRead = access != Access::Write;
  const bool wantsWrite = access != Access::Read;
  const bool deniesRead = sharing == Sharing::Exclusive || sharing == Sharing::DenyRead;
  const bool deniesWrite = sharing == Sharing::Exclusive || sharing == Sharing::DenyWrite;

  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    UniqueFd fd(OpenForLocking(path, access, create));
    if (!fd.Valid()) {
      RecordErrno();
      return -1;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
      RecordErrno();
      return -1;
    }
    if (!S_ISREG(st.st_mode)) {
      tLastError = CodeFromErrno(S_ISDIR(st.st_mode) ? EISDIR : EACCES);
      return -1;
    }
    // The in-use byte is held exclusively only by a deletion or rename in
    // progress; meeting one, or finding the name gone or replaced once the
    // byte is ours, means this handle names a stale file: open again.
    if (!SetOfdLock(fd.Get(), F_RDLCK, kInUseByte, 1)) {
      if (!IsLockConflict(errno)) {
        RecordErrno();
        return -1;
      }
      ::sched_yield();
      continue;
    }
    if (!PathStillNames(path, st)) continue;

    const struct {
      bool own;
      off_t byte;
    } announcements[] = {
        {wantsRead, kReadByte},
        {wantsWrite, kWriteByte},
        {deniesRead, kDenyReadByte},
        {deniesWrite, kDenyWriteByte},
    };
    for (const auto& a : announcements) {
      if (!a.own) continue;
      if (!SetOfdLock(fd.Get(), F_RDLCK, a.byte, 1)) {
        if (IsLockConflict(errno)) {
          tLastError = kErrorSharingViolation;
        } else {
          RecordErrno();
        }
        return -1;
      }
    }
    const struct {
      bool relevant;
      off_t byte;
    } conflicts[] = {
        {wantsRead, kDenyReadByte},
        {wantsWrite, kDenyWriteByte},
        {deniesRead, kReadByte},
        {deniesWrite, kWriteByte},
    };
    for (const auto& c : conflicts) {
      if (!c.relevant) continue;
      const int held = ProbeOfdLock(fd.Get(), c.byte);
      if (held < 0) {
        RecordErrno();
        return -1;
      }
      if (held > 0) {
        tLastError = kErrorSharingViolation;
        return -1;
      }
    }
    if (create && ::ftruncate(fd.Get(), 0) != 0) {
      RecordErrno();
      return -1;
    }
    return fd.Release();
  }
  tLastError = kErrorSharingViolation;
  return -1;
}

void CloseFile(int32_t handle) { ::close(handle); }

int32_t ReadAt(int32_t handle, int64_t pos, void* data, int32_t count) {
  if (pos < 0 || count < 0) {
    tLastError = CodeFromErrno(EINVAL);
    return 0;
  }
  auto* bytes = static_cast<char*>(data);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(handle, bytes + done, static_cast<size_t>(count - done), pos + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RecordErrno();
      return -1;
    }
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t WriteAt(int32_t handle, int64_t pos, const void* data, int32_t count) {
  if (pos < 0 || count < 0) {
    tLastError = CodeFromErrno(EINVAL);
    return 0;
  }
  const auto* bytes = static_cast<const char*>(data);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(handle, bytes + done, static_cast<size_t>(count - done), pos + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RecordErrno();
      return -1;
    }
    if (n == 0) {
      tLastError = CodeFromErrno(EIO);
      return -1;
    }
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t FileSize(int32_t handle) {
  struct stat st {};
  if (::fstat(handle, &st) != 0) {
    RecordErrno();
    return -1;
  }
  return static_cast<int64_t>(st.st_size);
}

bool Truncate(int32_t handle, int64_t size) {
  if (::ftruncate(handle, static_cast<off_t>(size)) == 0) return true;
  RecordErrno();
  return false;
}

LockResult LockRange(int32_t handle, int64_t start, int64_t length) {
  if (SetOfdLock(handle, F_WRLCK, static_cast<off_t>(start), static_cast<off_t>(length))) {
    return LockResult::Granted;
  }
  if (IsLockConflict(errno)) {
    tLastError = kErrorLockViolation;
    return LockResult::Refused;
  }
  RecordErrno();
  return LockResult::Failed;
}

bool UnlockRange(int32_t handle, int64_t start, int64_t length) {
  if (SetOfdLock(handle, F_UNLCK, static_cast<off_t>(start), static_cast<off_t>(length))) return true;
  RecordErrno();
  return false;
}

bool MakeDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  RecordErrno();
  return false;
}

bool RemoveDirectory(const std::string& path) {
  if (::rmdir(path.c_str()) == 0) return true;
  RecordErrno();
  return false;
}

bool DeleteFile(const std::string& path) {
  UniqueFd claim(-1);
  if (!ClaimForRemoval(path, claim)) return false;
  if (::unlink(path.c_str()) == 0) return true;
  RecordErrno();
  return false;
}

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
  UniqueFd claim(-1);
  if (!ClaimForRemoval(oldPath, claim)) return false;
  if (::renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    RecordErrno();
    return false;
  }
  // The file system cannot refuse replacing by itself.
  struct stat st {};
  if (::lstat(newPath.c_str(), &st) == 0) {
    tLastError = kErrorAlreadyExists;
    return false;
  }
  if (::rename(oldPath.c_str(), newPath.c_str()) == 0) return true;
  RecordErrno();
  return false;
}

bool StatEntry(const std::string& path, DirEntry& entry) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    RecordErrno();
    return false;
  }
  const size_t slash = path.find_last_of('/');
  FillEntry(slash == std::string::npos ? path : path.substr(slash + 1), st, entry);
  return true;
}

bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(path.empty() ? "." : path.c_str()));
  if (!dir) {
    RecordErrno();
    return false;
  }
  const int dirFd = ::dirfd(dir.get());
  errno = 0;
  while (const struct dirent* found = ::readdir(dir.get())) {
    struct stat st {};
    // Entries that vanish meanwhile and dangling links are not reported.
    if (::fstatat(dirFd, found->d_name, &st, 0) == 0) {
      DirEntry entry;
      FillEntry(found->d_name, st, entry);
      entries.push_back(std::move(entry));
    }
    errno = 0;
  }
  if (errno != 0) {
    RecordErrno();
    return false;
  }
  return true;
}

LocalTime Now() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm local {};
  ::localtime_r(&now.tv_sec, &local);
  LocalTime result;
  result.Year = local.tm_year + 1900;
  result.Month = local.tm_mon + 1;
  result.Day = local.tm_mday;
  result.Hour = local.tm_hour;
  result.Minute = local.tm_min;
  result.Second = local.tm_sec;
  result.Millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return result;
}

}  // namespace vexilo::fs::platform

#endif  // _WIN32
