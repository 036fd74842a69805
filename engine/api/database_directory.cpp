#include "engine/api/database_directory.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/api/directory_control_file.h"
#include "engine/api/table_locator.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/table/base_table.h"
#include "engine/types/column_type.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

constexpr uint16_t kAllRights = storage::kRightAppend | storage::kRightEdit | storage::kRightDelete |
                                storage::kRightIndex;

// `path` as an absolute "/"-separated path without a trailing delimiter.
std::u16string AbsolutePath(std::u16string_view path) {
  std::u16string text(path);
  for (char16_t& c : text) {
    if (c == u'\\') c = u'/';
  }
  std::string normal = std::filesystem::absolute(fs::u8(text)).lexically_normal().generic_string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return fs::u16(normal);
}

std::u16string ParentOf(const std::u16string& path) {
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  return slash == 0 ? std::u16string(u"/") : path.substr(0, slash);
}

std::u16string WithoutExtension(std::u16string_view fileName) {
  const size_t dot = fileName.rfind(u'.');
  const size_t slash = fileName.rfind(u'/');
  if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash)) {
    return std::u16string(fileName);
  }
  return std::u16string(fileName.substr(0, dot));
}

storage::TVxbColumnSpec Column(const char16_t* name, int16_t typeCode, int32_t length = 0) {
  storage::TVxbColumnSpec spec;
  spec.Name = name;
  spec.TypeCode = typeCode;
  spec.Length = length;
  return spec;
}

struct TSystemTableDef {
  const char16_t* Name;
  int32_t Capacity;
  std::vector<storage::TVxbColumnSpec> Columns;
};

// The system tables of a managed database. (The key column keeps no
// column option of its own: the column rules admit none that would hide
// it.)
std::vector<TSystemTableDef> SystemTableDefs() {
  return {
      {u"sys_UserTables",
       1000,
       {Column(u"Name", types::vxbWideString, 44), Column(u"FileName", types::vxbWideString, 255),
        Column(u"Key", types::vxbWideString, 40)}},
      {u"sys_UserColumns",
       10000,
       {Column(u"Table", types::vxbWideString, 44), Column(u"Name", types::vxbWideString, 40),
        Column(u"DataType", types::vxbSmallInt), Column(u"Param", types::vxbInteger),
        Column(u"SelectOfLink", types::vxbWideString, 128), Column(u"RangeOrFormula", types::vxbWideString, 128),
        Column(u"Default", types::vxbWideString, 128)}},
  };
}

int16_t CreateSystemTables(TVxbCatalog& catalog, std::u16string_view key) {
  for (const TSystemTableDef& def : SystemTableDefs()) {
    std::unique_ptr<storage::TVxbBaseTable> table = catalog.NewTableObject(
        catalog.Location() + u"/" + def.Name + std::u16string(index::TableFileExtension(6)));
    table->SetCapacity(def.Capacity);
    table->SetKey(key);
    for (const storage::TVxbColumnSpec& column : def.Columns) {
      if (const int16_t added = table->AddColumn(column); added < 0) return added;
    }
    int16_t result = table->NewFile({}, {}, {});
    if (result == 0) result = table->Setup(false);
    const int16_t closed = table->Close();
    if (result < 0) return result;
    if (closed < 0) return closed;
  }
  return 0;
}

// Sets how `session` is to open the database at `location`.
void PrepareOpen(TVxbLocalSession& session, std::u16string_view location, std::u16string_view key,
                 bool exclusive) {
  TVxbCatalog& catalog = *session.Catalog();
  catalog.SetLocation(location);
  catalog.SetKey(key);
  catalog.SetExclusive(exclusive);
  catalog.SetReadOnly(false);
  catalog.SetDeepFlush(false);
  catalog.SetSharedReadOnly(false);
}

// The database directory `path` names (the directory or its control file),
// or the error why it names none.
int16_t FindDatabaseDirectory(TVxbSessionServices& services, std::u16string_view path, std::u16string& directory) {
  const std::u16string given = AbsolutePath(path);
  fs::TvwOSFileSystem probe;
  if (probe.FileExists(given)) {
    if (given == DirectoryControlFileName(ParentOf(given))) {
      directory = ParentOf(given);
      return 0;
    }
    if (fs::EndsWithIgnoringAsciiCase(given, kDatabaseFileExtension)) {
      return services.SetLastError(errors::vxbErrNotSupported, {u"single-file databases"});
    }
  } else if (!probe.DirectoryExists(given)) {
    return services.SetLastError(errors::vxbErrFileNotFound, {std::u16string(path)});
  } else if (probe.FileExists(DirectoryControlFileName(given))) {
    directory = given;
    return 0;
  }
  return services.SetLastError(errors::vxbErrPlainMessage,
                               {u"\"" + std::u16string(path) + u"\" is not a database directory"});
}

}  // namespace

std::vector<std::u16string> DatabaseTableFiles(fs::TvwFileSystem& fileSystem, std::u16string_view directory) {
  std::vector<std::u16string> files;
  fs::TvwFindFileRec rec;
  for (bool found = fileSystem.FindFirstFile(std::u16string(directory) + u"/*", 0, rec); found;
       found = fileSystem.FindNextFile(rec)) {
    if ((rec.Attr & fs::kAttrDirectory) != 0) continue;
    if (index::HasTableFileExtension(rec.Name) ||
        fs::EndsWithIgnoringAsciiCase(rec.Name, index::kRelationTableExtension)) {
      files.push_back(rec.Name);
    }
  }
  fileSystem.FindFileClose(rec);
  return files;
}

std::vector<std::u16string> SharingFilesOf(std::u16string_view fileName, int16_t level) {
  const std::u16string base = WithoutExtension(fileName);
  std::vector<std::u16string> files;
  for (const bool relationTable : {false, true}) {
    for (const std::u16string_view extension :
         {index::LockFileExtension(level, relationTable), index::MoveFileExtension(level, relationTable),
          index::RedoLogExtension(level, relationTable)}) {
      std::u16string file = base + std::u16string(extension);
      if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(std::move(file));
    }
  }
  return files;
}

int16_t CreateDirectoryDatabase(TVxbLocalSession& session, std::u16string_view directory, std::u16string_view key,
                                bool managed) {
  TVxbSessionServices& services = *session.Services();
  if (session.GetIsOpen()) {
    return services.SetLastError(errors::vxbErrPlainMessage, {u"Session must not be open to create a new database."});
  }
  if (directory.empty()) return services.SetLastError(errors::vxbErrInvalidParameter, {u"databaseName"});
  const std::u16string path = AbsolutePath(directory);
  std::error_code error;
  std::filesystem::create_directories(fs::u8(path), error);
  if (error || !std::filesystem::is_directory(fs::u8(path))) {
    return services.SetLastError(errors::vxbErrCreatePermission, {std::u16string(directory)});
  }
  PrepareOpen(session, path, key, true);
  if (const int16_t opened = session.OpenDb(); opened < 0) return opened;
  const int16_t result = managed ? CreateSystemTables(*session.Catalog(), key) : int16_t{0};
  session.CloseDb();
  return result;
}

int16_t DeleteDirectoryDatabase(TVxbLocalSession& session, std::u16string_view path, std::u16string_view key) {
  TVxbSessionServices& services = *session.Services();
  if (session.GetIsOpen()) {
    return services.SetLastError(errors::vxbErrPlainMessage, {u"Session must not be open to delete a database."});
  }
  std::u16string directory;
  if (const int16_t found = FindDatabaseDirectory(services, path, directory); found < 0) return found;
  PrepareOpen(session, directory, key, true);
  if (const int16_t opened = session.OpenDb(); opened < 0) return opened;

  // Every table is opened first, so that nothing is deleted unless the
  // whole database is this session's alone.
  TVxbCatalog& catalog = *session.Catalog();
  for (const std::u16string& file : DatabaseTableFiles(*services.DataFileSystem(), directory)) {
    if (catalog.FindRltnIdx(StandardTableName(file)) > 0) continue;
    if (const int16_t opened = catalog.OpenTable(file, key, false, true, false, kAllRights); opened < 0) {
      session.CloseDb();
      return opened;
    }
  }
  std::vector<std::u16string> files;
  for (int16_t rltnIdx = 1; rltnIdx <= TVxbCatalog::kMaxRltnIdx; ++rltnIdx) {
    const TVxbCatalogTable* table = catalog.GetTable(rltnIdx);
    if (table == nullptr) continue;
    table->GetFileNames(files);
    for (std::u16string& sharing : SharingFilesOf(table->FileName(), table->GetLevel())) {
      files.push_back(std::move(sharing));
    }
  }
  session.CloseDb();

  files.push_back(DirectoryControlFileName(directory));
  fs::TvwOSFileSystem fileSystem;
  for (const std::u16string& file : files) {
    if (fileSystem.FileExists(file) && !fileSystem.DeleteFile(file)) {
      return services.SetLastError(errors::vxbErrDeleteFile, {file});
    }
  }
  if (!fileSystem.RemoveDir(directory)) return services.SetLastError(errors::vxbErrDeleteFile, {directory});
  return 0;
}

}  // namespace vexilo::api
