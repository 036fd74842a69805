// TVxbSerializedFileSystem: a file system that hands every operation on to
// another one (not owned) inside a mutex of its own, so one file system can
// serve several threads. A session's file systems are reached by the
// caller's thread and by the catalog's unlock thread (which gives lock-file
// locks back through them), and by every session of the process that opens
// the same database; the operating-system file system itself is made for one
// thread at a time.
//
// The mutex is held only for the length of one forwarded call and nothing
// is called back from inside, so it never takes part in a lock order.
// GetLastError stays the calling thread's value, as the inner file system
// keeps it.
//
// It also counts the byte-range locks asked for (LockFile calls), the
// figure by which the cost of table locking between processes is seen.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "fs/file_system.h"

namespace vexilo::api {

class TVxbSerializedFileSystem : public fs::TvwFileSystem {
 public:
  // Serves `inner` (not owned; it must outlive this object).
  explicit TVxbSerializedFileSystem(fs::TvwFileSystem& inner) : FInner(inner) {}

  fs::TvwFileSystem& Inner() const { return FInner; }
  // LockFile calls made through this object so far.
  int64_t LockRequests() const { return FLockRequests.load(std::memory_order_relaxed); }

  std::u16string GetBaseDirectory() const override;
  int32_t GetPageSize() const override;
  void SetPageSize(int32_t value) override;
  void SetLastError(int32_t code) override;
  void Open() override;
  void Close() override;
  bool SupportsExclusiveFiles() const override;
  int32_t GetLastError() override;
  int32_t CreateFile(std::u16string_view filePath) override;
  int32_t OpenFile(std::u16string_view filePath, uint32_t mode) override;
  int32_t FileRead(int32_t handle, int64_t pos, void* data, int32_t count) override;
  int32_t FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) override;
  int64_t GetFileSize(int32_t handle) override;
  void SetFileSize(int32_t handle, int64_t size) override;
  bool EndOfFile(int32_t handle, int64_t pos) override;
  void CloseFile(int32_t handle) override;
  int32_t LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) override;
  void UnlockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) override;
  bool CreateDir(std::u16string_view dirPath) override;
  bool RemoveDir(std::u16string_view dirPath) override;
  bool FindFirstFile(std::u16string_view path, int32_t attr, fs::TvwFindFileRec& rec) override;
  bool FindNextFile(fs::TvwFindFileRec& rec) override;
  void FindFileClose(fs::TvwFindFileRec& rec) override;
  bool DeleteFile(std::u16string_view fileName) override;
  int32_t Clear() override;
  bool RenameFile(std::u16string_view oldName, std::u16string_view newName) override;
  std::u16string ExpandFileName(std::u16string_view fileName) override;
  bool ForcePath(std::u16string_view dirPath) override;
  char16_t GetPathDelimiter() const override;

 private:
  using Guard = std::lock_guard<std::mutex>;

  fs::TvwFileSystem& FInner;
  mutable std::mutex FMutex;
  std::atomic<int64_t> FLockRequests{0};
};

}  // namespace vexilo::api
