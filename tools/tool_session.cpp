#include "tools/tool_session.h"

#include <unistd.h>


#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "fs/text.h"

namespace vexilo::tools {

namespace {

constexpr index::TVxbClientHdl kToolClient = 1;
// The page cache a command may fill: enough for the dictionary's indexes.
constexpr int32_t kCacheSizeKiB = 64 * 1024;

bool SameExtension(const std::filesystem::path& path, std::u16string_view extension) {
  return fs::EqualsIgnoringAsciiCase(fs::u16(path.extension().string()), extension);
}

// The table file extension of `level` as the text of a path.
std::string TableFileExtensionOf(int16_t level) { return fs::u8(index::TableFileExtension(level)); }

}  // namespace

TToolSession::TToolSession() {
  FPageManager.RegisterClient(kToolClient, kCacheSizeKiB);
  FServices.SetStation(static_cast<uint32_t>(::getpid()));
}

TToolSession::~TToolSession() {
  // Tables first: they write through the page cache and the file system.
  for (auto& table : FTables) table->Close();
  FTables.clear();
}

storage::TVxbBaseTable& TToolSession::NewTable(const std::filesystem::path& fileName) {
  auto table = std::make_unique<storage::TVxbBaseTable>(FServices, FPageManager, FFileSystem, kToolClient);
  table->SetFileName(fs::u16(fileName.string()));
  table->SetSessionName(u"vxbtool");
  FTables.push_back(std::move(table));
  return *FTables.back();
}

storage::TVxbBaseTable& TToolSession::OpenTable(const std::string& path, uint16_t rights,
                                                const std::u16string& password) {
  storage::TVxbBaseTable& table = NewTable(FindTableFile(path));
  table.SetKey(password);
  table.SetRights(rights);
  Check(table.Open(false));
  Check(table.Setup(false));
  return table;
}

void TToolSession::CloseTable(storage::TVxbBaseTable& table) { Check(table.Close()); }

void TToolSession::Check(int32_t result) const {
  if (result >= 0) return;
  if (auto exc = FServices.CreateLastErrorExc()) throw *exc;
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
