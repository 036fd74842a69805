// Renaming a table with all its files: the table file, the memo and blob
// files and every index file take the new name, the temporary and automatic
// indexes whose names follow the table's take theirs anew, and the table is
// opened and set up again under the new name.
//
// The renaming is all or nothing: it needs exclusive access, it is refused
// before anything changes when a file of the new name exists, and when a
// file cannot be renamed the files renamed before it get their old names
// back and the table is opened again under its old name.
#include <utility>
#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/index_names.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/sharing/redo_log.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "fs/format.h"

namespace vexilo::storage {

namespace {

// `name` without directory and extension.
std::u16string BareName(std::u16string_view name) {
  const size_t slash = name.find_last_of(u"/\\");
  if (slash != std::u16string_view::npos) name.remove_prefix(slash + 1);
  const size_t dot = name.find_last_of(u'.');
  if (dot != std::u16string_view::npos) name = name.substr(0, dot);
  return std::u16string(name);
}

// The automatic index `indexName` of table `oldTable` as it is named for
// table `newTable`; the name itself when it does not follow the table's.
std::u16string SystemIndexNameFor(std::u16string_view indexName, std::u16string_view oldTable,
                                  std::u16string_view newTable, int16_t level) {
  using index::TVxbSystemIndex;
  const std::pair<TVxbSystemIndex, int> kinds[] = {
      {TVxbSystemIndex::Id, 0}, {TVxbSystemIndex::Inr, 0}, {TVxbSystemIndex::Primary, 0}, {TVxbSystemIndex::In, 1},
      {TVxbSystemIndex::In, 2}, {TVxbSystemIndex::In, 3},  {TVxbSystemIndex::In, 4},      {TVxbSystemIndex::In, 5},
      {TVxbSystemIndex::In, 6}, {TVxbSystemIndex::In, 7},  {TVxbSystemIndex::In, 8},      {TVxbSystemIndex::In, 9}};
  for (const auto& [which, linkNo] : kinds) {
    const std::u16string old = index::SystemIndexName(which, linkNo, oldTable, level);
    if (!old.empty() && index::IsSameIndexName(indexName, old)) {
      return index::SystemIndexName(which, linkNo, newTable, level);
    }
  }
  return std::u16string(indexName);
}

}  // namespace

int16_t TVxbBaseTable::Rename(std::u16string_view newName) {
  if (!GetActive()) return Fail(errors::vxbErrFileNotFound, {FFileName});
  const std::u16string newBase = BareName(newName);
  if (newBase.empty()) return Fail(errors::vxbErrInvalidFileName, {newName});
  const std::u16string oldBase = GetName();
  const std::u16string directory = PhysicalDirectory();
  const std::u16string extension = GetFullName().substr(oldBase.size());
  const std::u16string oldFile = FFileName;
  const std::u16string newFile = directory + newBase + extension;
  if (newFile == oldFile) return 0;

  // Old and new name of every file, the table file first.
  std::vector<std::pair<std::u16string, std::u16string>> files{{oldFile, newFile}};
  if (FHasMemo) {
    files.emplace_back(TVxbMemoFile::FileNameFor(oldFile, FLevel), TVxbMemoFile::FileNameFor(newFile, FLevel));
  }
  if (FHasBlob) {
    files.emplace_back(TVxbBlobFile::FileNameFor(oldFile, FLevel), TVxbBlobFile::FileNameFor(newFile, FLevel));
  }
  std::vector<std::pair<int, std::u16string>> indexNames;
  for (int place = 0; place <= FPlaces.Last(); ++place) {
    const index::TVxbIndexFile* index = FPlaces[place].get();
    if (!index) continue;
    std::u16string name = index->GetName();
    if (index->GetKind() == index::tikTemporary) {
      name = FLevel >= 4 ? TemporaryIndexName(place)
                         : fs::FormatMessage(u"%s.$%.2d", {fs::FormatArg(newBase), fs::FormatArg(place)});
    } else if (index->GetIsAutomatic()) {
      name = SystemIndexNameFor(name, oldBase, newBase, FLevel);
    }
    indexNames.emplace_back(place, name);
    files.emplace_back(index->GetFileName(), directory + index::IndexFileName(newBase, name, FLevel));
  }
  for (const std::u16string& fullText : FDataFile->IndexNames()) {
    if (!index::IsFullTextIndexName(fullText)) continue;
    files.emplace_back(directory + oldBase + u"!" + fullText, directory + newBase + u"!" + fullText);
  }
  for (const auto& [from, to] : files) {
    if (from != to && FFileSystem.FileExists(to)) return Fail(errors::vxbErrAlreadyExists, {to});
  }
  {
    const TVxbTableLockGuard exclusiveLock = TVxbTableLockGuard::Exclusive(FLocks);
    if (!exclusiveLock) return exclusiveLock.Result();
    for (const auto& [place, name] : indexNames) FPlaces[place]->SetName(name);
    WriteIndexNamesArea();
  }
  Flush(true);
  const uint16_t rights = FRights;
  Close();

  // On a failure the files renamed before get their old names back.
  int16_t result = 0;
  size_t renamed = 0;
  for (; renamed < files.size(); ++renamed) {
    const auto& [from, to] = files[renamed];
    // A temporary index is gone with the closing.
    if (from == to || !FFileSystem.FileExists(from)) continue;
    if (!FFileSystem.RenameFile(from, to)) {
      result = -errors::vxbErrWriteFile;
      break;
    }
  }
  const size_t failed = renamed;
  if (result < 0) {
    while (renamed > 0) {
      const auto& [from, to] = files[--renamed];
      if (from != to && FFileSystem.FileExists(to)) FFileSystem.RenameFile(to, from);
    }
  }

  SetFileName(result < 0 ? oldFile : newFile);
  SetRights(rights);
  int16_t reopened = Open(false);
  if (reopened >= 0) reopened = Setup(false);
  if (result < 0) return Fail(errors::vxbErrWriteFile, {files[failed].first});
  return reopened < 0 ? reopened : 0;
}

}  // namespace vexilo::storage
