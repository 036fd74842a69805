#include "fs/file_system_stream.h"

#include <utility>

#include "fs/format.h"
#include "fs/fs_errors.h"

namespace vexilo::fs {

TvwFileSystemStream::TvwFileSystemStream(std::u16string_view fileName, uint32_t mode,
                                         TvwFileSystem& fileSystem)
    : FFileName(fileName), FFileSystem(fileSystem) {
  const bool creating = mode == kStreamCreate;
  FHandle = creating ? FFileSystem.CreateFile(FFileName) : FFileSystem.OpenFile(FFileName, mode);
  if (IsValidHandle(FHandle)) return;

  const int32_t code = FFileSystem.GetLastError();
  const std::u16string name = FFileSystem.ExpandFileName(FFileName);
  const std::u16string reason = FFileSystem.GetErrorMessage(code);
  if (creating) {
    std::u16string message = FormatMessage(u"Cannot create file \"%s\". %s", {name, reason});
    if (code == kErrorAlreadyExists) throw EvwFileAlreadyExistsError(std::move(message), code);
    throw EvwFileCreateError(std::move(message), code);
  }
  std::u16string message = FormatMessage(u"Cannot open file \"%s\". %s", {name, reason});
  if (code == kErrorFileNotFound) throw EvwFileNotFoundError(std::move(message), code);
  throw EvwFileOpenError(std::move(message), code);
}

TvwFileSystemStream::TvwFileSystemStream(int32_t handle, TvwFileSystem& fileSystem)
    : FHandle(handle), FFileSystem(fileSystem) {}

TvwFileSystemStream::~TvwFileSystemStream() {
  if (IsValidHandle(FHandle)) FFileSystem.CloseFile(FHandle);
}

std::unique_ptr<TvwFileSystemStream> TvwFileSystemStream::CreateFromHandle(int32_t handle,
                                                                           TvwFileSystem& fileSystem) {
  return std::unique_ptr<TvwFileSystemStream>(new TvwFileSystemStream(handle, fileSystem));
}

int32_t TvwFileSystemStream::Read(void* buffer, int32_t count) {
  const int32_t read = FFileSystem.FileRead(FHandle, FPosition, buffer, count);
  if (read <= 0) return 0;
  FPosition += read;
  return read;
}

int32_t TvwFileSystemStream::Write(const void* buffer, int32_t count) {
  const int32_t written = FFileSystem.FileWrite(FHandle, FPosition, buffer, count);
  if (written <= 0) return 0;
  FPosition += written;
  return written;
}

int64_t TvwFileSystemStream::Seek(int64_t offset, TvwSeekOrigin origin) {
  switch (origin) {
    case TvwSeekOrigin::soBeginning: FPosition = offset; break;
    case TvwSeekOrigin::soCurrent: FPosition += offset; break;
    case TvwSeekOrigin::soEnd: FPosition = FFileSystem.GetFileSize(FHandle) + offset; break;
  }
  return FPosition;
}

bool TvwFileSystemStream::LockRange(int64_t startPos, int64_t length, bool forWrite) {
  const int32_t result = FFileSystem.LockFile(FHandle, startPos, startPos + length, forWrite);
  if (result == 1) return true;
  if (result == 0) return false;
  throw EvwStreamError(
      FormatMessage(u"Cannot lock storage \"%s\"; error code = %d", {FFileName, result}), result);
}

void TvwFileSystemStream::UnlockRange(int64_t startPos, int64_t length, bool forWrite) {
  FFileSystem.UnlockFile(FHandle, startPos, startPos + length, forWrite);
}

bool TvwFileSystemStream::IsRangeLocked(int64_t startPos, int64_t length) {
  if (!LockRange(startPos, length, true)) return true;
  UnlockRange(startPos, length, true);
  return false;
}

}  // namespace vexilo::fs
