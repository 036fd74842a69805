// TVxbStream: a positioned, handle-based file stream with numeric error
// results and a counted whole-file lock; TvwFileSystemVxbStream implements
// it over a TvwFileSystem. The record-move file, the redo log and the dBase
// import and export are written through it.
//
// Errors: operations never raise. Each records the stream's error number
// (Error()) and returns it negated:
//
//   number  set when
//   0       the last operation succeeded
//   1       the file could not be opened (also a failed reopen)
//   2       a read transferred fewer bytes than asked, not for a lock conflict
//   3       the file could not be created, a write transferred fewer bytes
//           than asked (not for a lock conflict), the file could not be cut
//           or deleted
//   6       the file system reported an error while locking
//   9       a transfer met another process's lock on its range, or Lock gave
//           up waiting
//
// A stream holds at most one handle. A failed transfer closes it (unless the
// stream holds its whole-file lock, which would go with the handle), and the
// next operation reopens the file with the stored name and mode, so callers
// need not reopen after an error.
//
// The whole-file lock is an exclusive byte-range lock on byte 0, taken by the
// first of nested Lock calls and released by the matching last Unlock; it
// excludes other handles in this and in other processes. Range locks are the
// file system's own. No stream is given a cipher: the `encrypted` arguments
// are accepted and data pass unchanged. One stream is used by one thread at
// a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fs/file_system.h"

namespace vexilo::index {

// Stream error numbers.
inline constexpr int16_t kStreamErrorOpen = 1;
inline constexpr int16_t kStreamErrorRead = 2;
inline constexpr int16_t kStreamErrorWrite = 3;
inline constexpr int16_t kStreamErrorLock = 6;
inline constexpr int16_t kStreamErrorLocked = 9;

// Rights given to Rewrite; accepted and not used.
using TVxbLowFileRights = uint32_t;

class TVxbStream {
 public:
  TVxbStream() = default;
  virtual ~TVxbStream() = default;
  TVxbStream(const TVxbStream&) = delete;
  TVxbStream& operator=(const TVxbStream&) = delete;

  // Opens `name` with `access` (an open mode of fs/file_system.h: access in
  // the low two bits, sharing in bits 4-6): 0 or -Error().
  virtual int16_t Reset(std::u16string_view name, uint8_t access) = 0;
  // Creates (or truncates) `name` and opens it with `access`: 0 or -Error().
  virtual int16_t Rewrite(std::u16string_view name, uint8_t access, TVxbLowFileRights rights) = 0;
  // Closes the handle; always 0.
  virtual int16_t Close() = 0;
  // Reads `n` bytes at byte position `ab` into `v`: 0 or -Error().
  virtual int16_t ReadNBytes(int64_t ab, int32_t n, void* v, bool encrypted) = 0;
  // Writes `n` bytes of `v` at byte position `ab`: 0 or -Error().
  virtual int16_t WriteNBytes(int64_t ab, int32_t n, const void* v, bool encrypted) = 0;
  // WriteNBytes without encryption.
  virtual int16_t TestNBytes(int64_t ab, int32_t n, const void* v) = 0;
  // The file size, or -Error().
  virtual int64_t Size() = 0;
  // Cuts the file to `pos` bytes: 0 or -Error().
  virtual int16_t Cut(int64_t pos) = 0;
  // Deletes the file (the caller closes it first): 0 or -Error().
  virtual int16_t Erase() = 0;
  // Takes the whole-file lock, waiting for other holders: 1 when locked,
  // else -Error(). Every Lock, whatever its result, is matched by one Unlock.
  virtual int16_t Lock() = 0;
  virtual void Unlock() = 0;
  // Locks a byte range without waiting; true when granted.
  virtual bool LockRange(int64_t startPos, int64_t length, bool forWrite) = 0;
  virtual void UnlockRange(int64_t startPos, int64_t length, bool forWrite) = 0;
  // True when someone holds a lock on any byte of the range.
  virtual bool IsRangeLocked(int64_t startPos, int64_t length) = 0;

  // The error number of the last operation.
  int16_t Error() const { return FError; }

 protected:
  int16_t FError = 0;
};

// How long Lock waits for the whole-file lock: after each refused attempt it
// sleeps MinSleepMs plus a random 0 ... SleepSpreadMs - 1 milliseconds, and it
// gives up when the attempt after MaxRefusals refusals is refused as well.
struct TVxbStreamLockWait {
  int32_t MaxRefusals = 1000;
  int32_t MinSleepMs = 100;
  int32_t SleepSpreadMs = 100;
};

class TvwFileSystemVxbStream : public TVxbStream {
 public:
  // A closed stream on `fileSystem`, which must outlive it.
  explicit TvwFileSystemVxbStream(fs::TvwFileSystem& fileSystem, TVxbStreamLockWait lockWait = {});
  // Closes the handle (releasing its locks).
  ~TvwFileSystemVxbStream() override;

  int16_t Reset(std::u16string_view name, uint8_t access) override;
  int16_t Rewrite(std::u16string_view name, uint8_t access, TVxbLowFileRights rights) override;
  int16_t Close() override;
  int16_t ReadNBytes(int64_t ab, int32_t n, void* v, bool encrypted) override;
  int16_t WriteNBytes(int64_t ab, int32_t n, const void* v, bool encrypted) override;
  int16_t TestNBytes(int64_t ab, int32_t n, const void* v) override;
  int64_t Size() override;
  int16_t Cut(int64_t pos) override;
  int16_t Erase() override;
  int16_t Lock() override;
  void Unlock() override;
  bool LockRange(int64_t startPos, int64_t length, bool forWrite) override;
  void UnlockRange(int64_t startPos, int64_t length, bool forWrite) override;
  bool IsRangeLocked(int64_t startPos, int64_t length) override;

  // True while the stream holds a valid handle.
  bool IsOpen() const { return fs::IsValidHandle(FHandle); }
  const std::u16string& FileName() const { return FFileName; }
  int32_t LockCount() const { return FLockCount; }

 private:
  // Reopens the file when the handle is not valid; false (error 1) when
  // that fails.
  bool EnsureOpen();
  void CloseHandle();
  // After a failed transfer: error 9 for a lock conflict, else `error` and
  // the handle is closed (kept while the whole-file lock is held).
  int16_t TransferFailed(int16_t error);
  bool LockForWrite() const { return (FFileMode & fs::kOpenAccessMask) != 0; }

  fs::TvwFileSystem& FFileSystem;
  TVxbStreamLockWait FLockWait;
  int32_t FHandle = -1;
  std::u16string FFileName;
  uint8_t FFileMode = 0;
  int32_t FLockCount = 0;
  bool FLockHeld = false;  // byte 0 is locked through FHandle
};

}  // namespace vexilo::index
