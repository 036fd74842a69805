#include "engine/api/serialized_file_system.h"

namespace vexilo::api {

std::u16string TVxbSerializedFileSystem::GetBaseDirectory() const {
  const Guard guard(FMutex);
  return FInner.GetBaseDirectory();
}

int32_t TVxbSerializedFileSystem::GetPageSize() const {
  const Guard guard(FMutex);
  return FInner.GetPageSize();
}

void TVxbSerializedFileSystem::SetPageSize(int32_t value) {
  const Guard guard(FMutex);
  FInner.SetPageSize(value);
}

void TVxbSerializedFileSystem::SetLastError(int32_t code) {
  const Guard guard(FMutex);
  FInner.SetLastError(code);
}

void TVxbSerializedFileSystem::Open() {
  const Guard guard(FMutex);
  FInner.Open();
}

void TVxbSerializedFileSystem::Close() {
  const Guard guard(FMutex);
  FInner.Close();
}

bool TVxbSerializedFileSystem::SupportsExclusiveFiles() const {
  const Guard guard(FMutex);
  return FInner.SupportsExclusiveFiles();
}

int32_t TVxbSerializedFileSystem::GetLastError() {
  const Guard guard(FMutex);
  return FInner.GetLastError();
}

int32_t TVxbSerializedFileSystem::CreateFile(std::u16string_view filePath) {
  const Guard guard(FMutex);
  return FInner.CreateFile(filePath);
}

int32_t TVxbSerializedFileSystem::OpenFile(std::u16string_view filePath, uint32_t mode) {
  const Guard guard(FMutex);
  return FInner.OpenFile(filePath, mode);
}

int32_t TVxbSerializedFileSystem::FileRead(int32_t handle, int64_t pos, void* data, int32_t count) {
  const Guard guard(FMutex);
  return FInner.FileRead(handle, pos, data, count);
}

int32_t TVxbSerializedFileSystem::FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) {
  const Guard guard(FMutex);
  return FInner.FileWrite(handle, pos, data, count);
}

int64_t TVxbSerializedFileSystem::GetFileSize(int32_t handle) {
  const Guard guard(FMutex);
  return FInner.GetFileSize(handle);
}

void TVxbSerializedFileSystem::SetFileSize(int32_t handle, int64_t size) {
  const Guard guard(FMutex);
  FInner.SetFileSize(handle, size);
}

bool TVxbSerializedFileSystem::EndOfFile(int32_t handle, int64_t pos) {
  const Guard guard(FMutex);
  return FInner.EndOfFile(handle, pos);
}

void TVxbSerializedFileSystem::CloseFile(int32_t handle) {
  const Guard guard(FMutex);
  FInner.CloseFile(handle);
}

int32_t TVxbSerializedFileSystem::LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) {
  FLockRequests.fetch_add(1, std::memory_order_relaxed);
  const Guard guard(FMutex);
  return FInner.LockFile(handle, startPos, endPos, writeLock);
}

void TVxbSerializedFileSystem::UnlockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) {
  const Guard guard(FMutex);
  FInner.UnlockFile(handle, startPos, endPos, writeLock);
}

bool TVxbSerializedFileSystem::CreateDir(std::u16string_view dirPath) {
  const Guard guard(FMutex);
  return FInner.CreateDir(dirPath);
}

bool TVxbSerializedFileSystem::RemoveDir(std::u16string_view dirPath) {
  const Guard guard(FMutex);
  return FInner.RemoveDir(dirPath);
}

bool TVxbSerializedFileSystem::FindFirstFile(std::u16string_view path, int32_t attr, fs::TvwFindFileRec& rec) {
  const Guard guard(FMutex);
  return FInner.FindFirstFile(path, attr, rec);
}

bool TVxbSerializedFileSystem::FindNextFile(fs::TvwFindFileRec& rec) {
  const Guard guard(FMutex);
  return FInner.FindNextFile(rec);
}

void TVxbSerializedFileSystem::FindFileClose(fs::TvwFindFileRec& rec) {
  const Guard guard(FMutex);
  FInner.FindFileClose(rec);
}

bool TVxbSerializedFileSystem::DeleteFile(std::u16string_view fileName) {
  const Guard guard(FMutex);
  return FInner.DeleteFile(fileName);
}

int32_t TVxbSerializedFileSystem::Clear() {
  const Guard guard(FMutex);
  return FInner.Clear();
}

bool TVxbSerializedFileSystem::RenameFile(std::u16string_view oldName, std::u16string_view newName) {
  const Guard guard(FMutex);
  return FInner.RenameFile(oldName, newName);
}

std::u16string TVxbSerializedFileSystem::ExpandFileName(std::u16string_view fileName) {
  const Guard guard(FMutex);
  return FInner.ExpandFileName(fileName);
}

bool TVxbSerializedFileSystem::ForcePath(std::u16string_view dirPath) {
  const Guard guard(FMutex);
  return FInner.ForcePath(dirPath);
}

char16_t TVxbSerializedFileSystem::GetPathDelimiter() const {
  const Guard guard(FMutex);
  return FInner.GetPathDelimiter();
}

}  // namespace vexilo::api
