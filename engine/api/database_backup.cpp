#include "engine/api/database_backup.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/api/database_directory.h"
#include "engine/api/table_locator.h"
#include "engine/errors/error_codes.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

// The tables the backup opened itself, closed again when it ends.
class TOpenedForBackup {
 public:
  explicit TOpenedForBackup(TVxbCatalog& catalog) : FCatalog(catalog) {}
  ~TOpenedForBackup() {
    for (const int16_t rltnIdx : FIndexes) FCatalog.CloseRelation(rltnIdx, false, true);
  }
  TOpenedForBackup(const TOpenedForBackup&) = delete;
  TOpenedForBackup& operator=(const TOpenedForBackup&) = delete;

  void Add(int16_t rltnIdx) { FIndexes.push_back(rltnIdx); }

 private:
  TVxbCatalog& FCatalog;
  std::vector<int16_t> FIndexes;
};

// The read locks on a list of relations, given back when it ends.
class TReadLocks {
 public:
  TReadLocks(TVxbCatalog& catalog, const std::vector<int16_t>& indexes) : FCatalog(catalog), FIndexes(indexes) {
    FResult = FCatalog.AcquireReadLocks(FIndexes);
  }
  ~TReadLocks() {
    if (FResult == 0) FCatalog.ReleaseReadLocks(FIndexes);
  }
  TReadLocks(const TReadLocks&) = delete;
  TReadLocks& operator=(const TReadLocks&) = delete;

  int16_t Result() const { return FResult; }

 private:
  TVxbCatalog& FCatalog;
  std::vector<int16_t> FIndexes;
  int16_t FResult = 0;
};

constexpr int32_t kCopyChunk = 65536;

// A file-system handle, closed when it goes.
class THandle {
 public:
  THandle(fs::TvwFileSystem& fileSystem, int32_t handle) : FFileSystem(fileSystem), FHandle(handle) {}
  ~THandle() {
    if (fs::IsValidHandle(FHandle)) FFileSystem.CloseFile(FHandle);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;

  int32_t Get() const { return FHandle; }
  bool Valid() const { return fs::IsValidHandle(FHandle); }

 private:
  fs::TvwFileSystem& FFileSystem;
  int32_t FHandle;
};

// Copies `source` to `target` (replaced when it exists). The source is read
// beside the handles the session's tables hold on it, which the read locks
// keep from writing. False when a file cannot be opened, read or written.
bool CopyTableFile(fs::TvwFileSystem& fileSystem, const std::u16string& source, const std::u16string& target) {
  const THandle in(fileSystem, fileSystem.OpenFile(source, fs::kOpenRead | fs::kShareDenyNone));
  if (!in.Valid()) return false;
  const THandle out(fileSystem, fileSystem.CreateFile(target));
  if (!out.Valid()) return false;
  std::vector<char> chunk(kCopyChunk);
  for (int64_t pos = 0;; pos += kCopyChunk) {
    const int32_t read = fileSystem.FileRead(in.Get(), pos, chunk.data(), kCopyChunk);
    if (read < 0) return false;
    if (read > 0 && fileSystem.FileWrite(out.Get(), pos, chunk.data(), read) != read) return false;
    if (read < kCopyChunk) return true;
  }
}

std::filesystem::path Canonical(std::u16string_view path) {
  std::error_code ignored;
  return std::filesystem::weakly_canonical(std::filesystem::absolute(fs::u8(path)), ignored);
}

std::u16string FileNameOf(const std::u16string& path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int16_t BackupDirectoryDatabase(TVxbLocalSession& session, std::u16string_view target,
                                const TVxbBackupProgress& progress) {
  TVxbSessionServices& services = *session.Services();
  TVxbCatalog& catalog = *session.Catalog();
  fs::TvwFileSystem& fileSystem = *services.DataFileSystem();
  if (target.empty()) return services.SetLastError(errors::vxbErrInvalidParameter, {u"targetLocation"});
  if (Canonical(target) == Canonical(catalog.Location())) {
    return services.SetLastError(errors::vxbErrPlainMessage,
                                 {u"The backup target is the database's own directory: " + std::u16string(target)});
  }
  std::error_code error;
  const std::filesystem::path targetPath = std::filesystem::absolute(fs::u8(target));
  std::filesystem::create_directories(targetPath, error);
  if (error || !std::filesystem::is_directory(targetPath)) {
    return services.SetLastError(errors::vxbErrCreatePermission, {std::u16string(target)});
  }
  const std::u16string targetDir = fs::u16(targetPath.generic_string());

  TOpenedForBackup opened(catalog);
  std::vector<int16_t> indexes;
  for (const std::u16string& file : DatabaseTableFiles(fileSystem, catalog.Location())) {
    int16_t rltnIdx = catalog.FindRltnIdx(StandardTableName(file));
    if (rltnIdx == 0) {
      rltnIdx = catalog.TryOpenTable(file, {}, false, false, 0);
      if (rltnIdx < 0) return rltnIdx;
      opened.Add(rltnIdx);
    }
    if (const int16_t flushed = catalog.GetTable(rltnIdx)->Flush(false); flushed < 0) return flushed;
    indexes.push_back(rltnIdx);
  }

  const TReadLocks locks(catalog, indexes);
  if (locks.Result() < 0) return locks.Result();
  const auto total = static_cast<int32_t>(indexes.size());
  for (int32_t done = 0; done < total; ++done) {
    std::vector<std::u16string> files;
    catalog.GetTable(indexes[static_cast<size_t>(done)])->GetFileNames(files);
    for (const std::u16string& file : files) {
      if (!fileSystem.FileExists(file)) continue;
      if (!CopyTableFile(fileSystem, file, targetDir + u"/" + FileNameOf(file))) {
        return services.SetLastError(errors::vxbErrWriteFile, {targetDir + u"/" + FileNameOf(file)});
      }
    }
    if (progress && progress(done + 1, total) == 1) return services.SetLastError(errors::vxbErrCanceled, {});
  }
  return 0;
}

}  // namespace vexilo::api
