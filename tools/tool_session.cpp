#include "tools/tool_session.h"

#include <unistd.h>


#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "fs/text.h"

namespace vexilo::tools {

namespace {

// The tool's one session; its handle is also its page-cache client.
constexpr int16_t kToolSessionHdl = 1;
// The page cache a command may fill: enough for the dictionary's indexes.
constexpr int32_t kCacheSizeKiB = 64 * 1024;

bool SameExtension(const std::filesystem::path& path, std::u16string_view extension) {
  return fs::EqualsIgnoringAsciiCase(fs::u16(path.extension().string()), extension);
}

// The table file extension of `level` as the text of a path.
std::string TableFileExtensionOf(int16_t level) { return fs::u8(index::TableFileExtension(level)); }

}  // namespace

TToolSession::TToolSession(int32_t lockingTimeout) {
  FSession.Initialize(kToolSessionHdl);
  FSession.Services()->SetStation(static_cast<uint32_t>(::getpid()));
  FSession.Services()->SetIdName(u"vxbtool");
  FSession.Services()->SetLockingTimeout(lockingTimeout);
  FSession.Catalog()->SetCacheSize(kCacheSizeKiB);
}

TToolSession::~TToolSession() {
  // New tables first: they write through the page cache and the file system
  // the session holds.
  for (auto& table : FNewTables) table->Close();
  FNewTables.clear();
  FSession.CloseDb();
  FSession.Uninitialize();
}

void TToolSession::OpenDatabase(const std::filesystem::path& directory) {
  if (FDatabaseOpen) return;
  FSession.Catalog()->SetLocation(fs::u16(directory.string()));
  Check(FSession.OpenDb());
  FDatabaseOpen = true;
}

storage::TVxbBaseTable& TToolSession::NewTable(const std::filesystem::path& fileName) {
  OpenDatabase(fileName.parent_path());
  api::TVxbSessionServices& services = *FSession.Services();
  auto table = std::make_unique<storage::TVxbBaseTable>(services, FFileSystems.PageManager(),
                                                        *services.DataFileSystem(), services.SessionHdl());
  table->SetFileName(fs::u16(fileName.string()));
  table->SetSessionName(services.IdName());
  FNewTables.push_back(std::move(table));
  return *FNewTables.back();
}

storage::TVxbBaseTable& TToolSession::OpenTable(const std::string& path, uint16_t rights,
                                                const std::u16string& password) {
  const std::filesystem::path file = FindTableFile(path);
  OpenDatabase(file.parent_path());
  const int16_t rltnIdx =
      Catalog().OpenTable(fs::u16(file.filename().string()), password, /*keepRights=*/true, /*force=*/false,
                          /*withRelTables=*/false, rights);
  Check(rltnIdx);
  return *Catalog().GetTable(rltnIdx);
}

cursor::TVxbAccessor& TToolSession::AccessorOf(const storage::TVxbBaseTable& table) {
  cursor::TVxbAccessor* accessor = Catalog().GetAccessor(table.RltnIdx());
  if (accessor == nullptr) throw errors::EVxbEngine(errors::vxbErrInvalidAccess, fs::u16(""));
  return *accessor;
}

void TToolSession::CloseTable(storage::TVxbBaseTable& table) {
  for (auto& made : FNewTables) {
    if (made.get() == &table) {
      Check(table.Close());
      return;
    }
  }
  Check(Catalog().CloseRelation(table.RltnIdx(), false, true));
}

void TToolSession::Check(int32_t result) const {
  if (result >= 0) return;
  if (auto exc = FSession.Services()->CreateLastErrorExc()) throw *exc;
  throw errors::EVxbEngine(static_cast<int16_t>(-result), std::u16string_view(u""));
}

std::filesystem::path FindTableFile(const std::string& path) {
  const std::filesystem::path given = std::filesystem::absolute(path);
  if (std::filesystem::is_regular_file(given)) return given;
  for (int16_t level : {int16_t{5}, int16_t{6}}) {
    const std::string extension = TableFileExtensionOf(level);
    std::filesystem::path candidate = given;
    candidate += extension;
    if (std::filesystem::is_regular_file(candidate)) return candidate;
  }
  throw errors::EVxbEngine(errors::vxbErrFileNotFound, fs::u16(path));
}

std::filesystem::path NewTableFile(const std::string& path, int16_t level) {
  std::filesystem::path file = std::filesystem::absolute(path);
  if (!file.has_extension()) {
    file += TableFileExtensionOf(level);
    return file;
  }
  const bool fits = SameExtension(file, index::TableFileExtension(level));
  if (!fits) throw errors::EVxbEngine(errors::vxbErrInvalidTableName, fs::u16(file.stem().string()));
  return file;
}

}  // namespace vexilo::tools
