#include "fs/file_system.h"

#include <algorithm>
#include <vector>

#include "fs/format.h"
#include "fs/fs_errors.h"
#include "fs/platform.h"

namespace vexilo::fs {
namespace {

constexpr int32_t kCopyFileChunk = 4096;
constexpr int32_t kCopyFromChunk = 32768;

// Closes a file-system handle when it goes out of scope.
class THandleGuard {
 public:
  THandleGuard(TvwFileSystem& fileSystem, int32_t handle) : FFileSystem(fileSystem), FHandle(handle) {}
  ~THandleGuard() {
    if (IsValidHandle(FHandle)) FFileSystem.CloseFile(FHandle);
  }
  THandleGuard(const THandleGuard&) = delete;
  THandleGuard& operator=(const THandleGuard&) = delete;

  int32_t Get() const { return FHandle; }
  bool Valid() const { return IsValidHandle(FHandle); }

 private:
  TvwFileSystem& FFileSystem;
  int32_t FHandle;
};

// Ends a directory search when it goes out of scope.
class TFindGuard {
 public:
  TFindGuard(TvwFileSystem& fileSystem, TvwFindFileRec& rec) : FFileSystem(fileSystem), FRec(rec) {}
  ~TFindGuard() { FFileSystem.FindFileClose(FRec); }
  TFindGuard(const TFindGuard&) = delete;
  TFindGuard& operator=(const TFindGuard&) = delete;

 private:
  TvwFileSystem& FFileSystem;
  TvwFindFileRec& FRec;
};

std::u16string JoinPath(std::u16string_view dir, std::u16string_view name, char16_t delimiter) {
  std::u16string path(dir);
  if (!path.empty() && path.back() != delimiter) path += delimiter;
  return path.append(name);
}

std::u16string_view ExtractFileName(std::u16string_view path, char16_t delimiter) {
  const size_t last = path.find_last_of(delimiter);
  return last == std::u16string_view::npos ? path : path.substr(last + 1);
}

// Copies `source` of `from` into the new file `target` of `to` through
// `buffer`; the copy gets exactly the source's length.
void CopyOneFile(TvwFileSystem& from, std::u16string_view source, TvwFileSystem& to,
                 std::u16string_view target, std::vector<char>& buffer) {
  THandleGuard in(from, from.OpenFile(source, kOpenRead | kShareDenyWrite));
  if (!in.Valid()) {
    throw EvwInOutError(FormatMessage(u"Cannot open source file \"%s\".", {source}), from.GetLastError());
  }
  THandleGuard out(to, to.CreateFile(target));
  if (!out.Valid()) {
    throw EvwInOutError(FormatMessage(u"Cannot create file \"%s\".", {target}), to.GetLastError());
  }
  const int64_t size = from.GetFileSize(in.Get());
  for (int64_t pos = 0; pos < size;) {
    const auto chunk = static_cast<int32_t>(std::min<int64_t>(size - pos, kCopyFromChunk));
    if (from.FileRead(in.Get(), pos, buffer.data(), chunk) != chunk) {
      throw EvwInOutError(FormatMessage(u"Cannot read source file \"%s\".", {source}), from.GetLastError());
    }
    if (to.FileWrite(out.Get(), pos, buffer.data(), chunk) != chunk) {
      throw EvwInOutError(FormatMessage(u"Cannot write file \"%s\".", {target}), to.GetLastError());
    }
    pos += chunk;
  }
}

void CopyTree(TvwFileSystem& from, std::u16string_view srcDirName, TvwFileSystem& to,
              std::u16string_view dstDirName, std::vector<char>& buffer) {
  TvwFindFileRec rec;
  TFindGuard search(from, rec);
  const char16_t srcDelimiter = from.GetPathDelimiter();
  const char16_t dstDelimiter = to.GetPathDelimiter();
  for (bool found = from.FindFirstFile(JoinPath(srcDirName, u"*.*", srcDelimiter), kAttrAnyFile, rec);
       found; found = from.FindNextFile(rec)) {
    if (rec.Name == u"." || rec.Name == u"..") continue;
    const std::u16string source = JoinPath(srcDirName, rec.Name, srcDelimiter);
    const std::u16string target = JoinPath(dstDirName, rec.Name, dstDelimiter);
    if ((rec.Attr & kAttrDirectory) != 0) {
      if (!to.CreateDir(target)) {
        throw EvwInOutError(FormatMessage(u"Cannot create directory \"%s\".", {target}), to.GetLastError());
      }
      CopyTree(from, source, to, target, buffer);
    } else {
      CopyOneFile(from, source, to, target, buffer);
    }
  }
}

}  // namespace

std::u16string TvwFileSystem::GetBaseDirectory() const { return {}; }

void TvwFileSystem::Open() {}

void TvwFileSystem::Close() {}

bool TvwFileSystem::ForcePath(std::u16string_view) { return true; }

char16_t TvwFileSystem::GetPathDelimiter() const { return platform::kPathDelimiter; }

bool TvwFileSystem::FileExists(std::u16string_view fileName) {
  TvwFindFileRec rec;
  TFindGuard search(*this, rec);
  return FindFirstFile(fileName, 0, rec) && (rec.Attr & kAttrDirectory) == 0;
}

bool TvwFileSystem::DirectoryExists(std::u16string_view dirName) {
  const char16_t delimiter = GetPathDelimiter();
  while (dirName.size() > 1 && dirName.back() == delimiter) dirName.remove_suffix(1);
  TvwFindFileRec rec;
  TFindGuard search(*this, rec);
  return FindFirstFile(dirName, kAttrDirectory, rec) && (rec.Attr & kAttrDirectory) != 0;
}

bool TvwFileSystem::CopyFile(std::u16string_view source, std::u16string_view target) {
  std::u16string targetName(target);
  if (DirectoryExists(target)) {
    targetName = JoinPath(target, ExtractFileName(source, GetPathDelimiter()), GetPathDelimiter());
  }
  int32_t failure = 0;
  {
    THandleGuard in(*this, OpenFile(source, kOpenRead | kShareDenyWrite));
    if (!in.Valid()) return false;
    THandleGuard out(*this, CreateFile(targetName));
    if (!out.Valid()) {
      failure = GetLastError();
    } else {
      std::vector<char> buffer(kCopyFileChunk);
      for (int64_t pos = 0;; pos += kCopyFileChunk) {
        const int32_t read = FileRead(in.Get(), pos, buffer.data(), kCopyFileChunk);
        if (read < 0 || FileWrite(out.Get(), pos, buffer.data(), read) != read) {
          failure = GetLastError();
          break;
        }
        if (read < kCopyFileChunk) return true;
      }
    }
  }
  // Closing the files must not hide why the copy failed.
  SetLastError(failure);
  return false;
}

void TvwFileSystem::CopyFrom(TvwFileSystem& fileSystem, std::u16string_view srcDirName,
                             std::u16string_view dstDirName) {
  std::vector<char> buffer(kCopyFromChunk);
  CopyTree(fileSystem, srcDirName, *this, dstDirName, buffer);
}

std::u16string TvwFileSystem::GetErrorMessage(int32_t errorCode) const {
  if (errorCode < kErrorNoLockingSupport) return platform::ErrorText(errorCode);
  if (errorCode == kErrorNoLockingSupport) return u"No locking support";
  return u"Unknown reason";
}

}  // namespace vexilo::fs
