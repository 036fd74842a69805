#include "engine/index/vxb_stream.h"

#include <chrono>
#include <exception>
#include <random>
#include <thread>

namespace vexilo::index {

namespace {

// The whole-file lock covers byte 0.
constexpr int64_t kLockStart = 0;
constexpr int64_t kLockEnd = 1;

void SleepBeforeRetry(const TVxbStreamLockWait& wait) {
  thread_local std::minstd_rand random(std::random_device{}());
  int32_t ms = wait.MinSleepMs;
  if (wait.SleepSpreadMs > 0) ms += static_cast<int32_t>(random() % static_cast<uint32_t>(wait.SleepSpreadMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

TvwFileSystemVxbStream::TvwFileSystemVxbStream(fs::TvwFileSystem& fileSystem, TVxbStreamLockWait lockWait)
    : FFileSystem(fileSystem), FLockWait(lockWait) {}

TvwFileSystemVxbStream::~TvwFileSystemVxbStream() { CloseHandle(); }

void TvwFileSystemVxbStream::CloseHandle() {
  if (IsOpen()) FFileSystem.CloseFile(FHandle);
  FHandle = -1;
  // The whole-file lock went with the handle; a later Lock must take it
  // again rather than count on it.
  FLockHeld = false;
  FLockCount = 0;
}

bool TvwFileSystemVxbStream::EnsureOpen() {
  if (IsOpen()) return true;
  FHandle = FFileSystem.OpenFile(FFileName, FFileMode);
  if (IsOpen()) {
    FError = 0;
    return true;
  }
  FHandle = -1;
  FError = kStreamErrorOpen;
  return false;
}

int16_t TvwFileSystemVxbStream::TransferFailed(int16_t error) {
  if (FFileSystem.GetLastError() == fs::kErrorLockViolation) {
    FError = kStreamErrorLocked;
  } else {
    FError = error;
    if (!FLockHeld) CloseHandle();
  }
  return static_cast<int16_t>(-FError);
}

int16_t TvwFileSystemVxbStream::Reset(std::u16string_view name, uint8_t access) {
  CloseHandle();
  FFileName = name;
  FFileMode = access;
  EnsureOpen();
  return static_cast<int16_t>(-FError);
}

int16_t TvwFileSystemVxbStream::Rewrite(std::u16string_view name, uint8_t access, TVxbLowFileRights) {
  CloseHandle();
  FFileName = name;
  FFileMode = access;
  const int32_t created = FFileSystem.CreateFile(FFileName);
  if (!fs::IsValidHandle(created)) {
    FError = kStreamErrorWrite;
    return static_cast<int16_t>(-FError);
  }
  FFileSystem.CloseFile(created);
  EnsureOpen();
  return static_cast<int16_t>(-FError);
}

int16_t TvwFileSystemVxbStream::Close() {
  if (IsOpen()) {
    CloseHandle();
    FError = 0;
  }
  return 0;
}

int16_t TvwFileSystemVxbStream::ReadNBytes(int64_t ab, int32_t n, void* v, bool) {
  if (!EnsureOpen()) return static_cast<int16_t>(-FError);
  if (n < 0 || (n > 0 && v == nullptr)) {
    FError = kStreamErrorRead;
    return static_cast<int16_t>(-FError);
  }
  // A stale lock violation of an earlier call must not pass for this one's.
  FFileSystem.SetLastError(0);
  const int32_t read = n == 0 ? 0 : FFileSystem.FileRead(FHandle, ab, v, n);
  if (read != n) return TransferFailed(kStreamErrorRead);
  FError = 0;
  return 0;
}

int16_t TvwFileSystemVxbStream::WriteNBytes(int64_t ab, int32_t n, const void* v, bool) {
  if (!EnsureOpen()) return static_cast<int16_t>(-FError);
  if (n < 0 || (n > 0 && v == nullptr)) {
    FError = kStreamErrorWrite;
    return static_cast<int16_t>(-FError);
  }
  FFileSystem.SetLastError(0);
  const int32_t written = n == 0 ? 0 : FFileSystem.FileWrite(FHandle, ab, v, n);
  if (written != n) return TransferFailed(kStreamErrorWrite);
  FError = 0;
  return 0;
}

int16_t TvwFileSystemVxbStream::TestNBytes(int64_t ab, int32_t n, const void* v) {
  return WriteNBytes(ab, n, v, false);
}

int64_t TvwFileSystemVxbStream::Size() {
  if (!EnsureOpen()) return -FError;
  try {
    const int64_t size = FFileSystem.GetFileSize(FHandle);
    FError = 0;
    return size;
  } catch (const std::exception&) {
    FError = kStreamErrorRead;
    return -FError;
  }
}

int16_t TvwFileSystemVxbStream::Cut(int64_t pos) {
  if (!EnsureOpen()) return static_cast<int16_t>(-FError);
  try {
    FFileSystem.SetFileSize(FHandle, pos);
    FError = 0;
  } catch (const std::exception&) {
    FError = kStreamErrorWrite;
  }
  return static_cast<int16_t>(-FError);
}

int16_t TvwFileSystemVxbStream::Erase() {
  FError = FFileSystem.DeleteFile(FFileName) ? 0 : kStreamErrorWrite;
  return static_cast<int16_t>(-FError);
}

int16_t TvwFileSystemVxbStream::Lock() {
  FError = 0;
  EnsureOpen();
  if (FLockCount++ > 0) return 1;
  if (!IsOpen()) return static_cast<int16_t>(-FError);
  for (int32_t refusals = 0;;) {
    const int32_t result = FFileSystem.LockFile(FHandle, kLockStart, kLockEnd, LockForWrite());
    if (result == 1) {
      FLockHeld = true;
      return 1;
    }
    if (result != 0) {
      FError = kStreamErrorLock;
      return static_cast<int16_t>(-FError);
    }
    if (++refusals > FLockWait.MaxRefusals) {
      FError = kStreamErrorLocked;
      return static_cast<int16_t>(-FError);
    }
    SleepBeforeRetry(FLockWait);
  }
}

void TvwFileSystemVxbStream::Unlock() {
  if (FLockCount <= 0) return;
  if (--FLockCount == 0 && FLockHeld) {
    FFileSystem.UnlockFile(FHandle, kLockStart, kLockEnd, LockForWrite());
    FLockHeld = false;
  }
}

bool TvwFileSystemVxbStream::LockRange(int64_t startPos, int64_t length, bool forWrite) {
  if (!EnsureOpen()) return false;
  return FFileSystem.LockFile(FHandle, startPos, startPos + length, forWrite) == 1;
}

void TvwFileSystemVxbStream::UnlockRange(int64_t startPos, int64_t length, bool forWrite) {
  if (IsOpen()) FFileSystem.UnlockFile(FHandle, startPos, startPos + length, forWrite);
}

bool TvwFileSystemVxbStream::IsRangeLocked(int64_t startPos, int64_t length) {
  EnsureOpen();
  if (FFileSystem.LockFile(FHandle, startPos, startPos + length, true) <= 0) return true;
  FFileSystem.UnlockFile(FHandle, startPos, startPos + length, true);
  return false;
}

}  // namespace vexilo::index
