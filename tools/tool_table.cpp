#include "tools/tool_table.h"

#include <filesystem>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/file/data_file_selection.h"
#include "engine/types/string_type.h"
#include "fs/text.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr index::TVxbClientHdl kToolClient = 1;

}  // namespace

TToolTable::TToolTable(const std::string& path, std::u16string password) : FCryptor(std::move(password)) {
  FFileName = fs::u16(FindTableFile(path).string());
  auto storage = std::make_unique<index::TVxbClientStorage>(FPageManager, FFileSystem, kToolClient);
  storage->SetName(FFileName);
  FDataFile = storage::SelectDataFile(FServices, std::move(storage), true, false);
  FDataFile->Open(true, false, FCryptor, FDefinition);
}

TToolTable::~TToolTable() = default;

void TToolTable::Check(int32_t result) const {
  if (result >= 0) return;
  if (auto exc = FServices.CreateLastErrorExc()) throw *exc;
  throw errors::EVxbEngine(static_cast<int16_t>(-result), FFileName);
}

storage::TVxbMemoFile& TToolTable::Memo() {
  if (!FMemo) {
    auto client = std::make_unique<index::TVxbClientStorage>(FPageManager, FFileSystem, kToolClient);
    client->SetName(storage::TVxbMemoFile::FileNameFor(FFileName, FDataFile->Version()));
    auto memo = std::make_unique<storage::TVxbMemoFile>(FServices, std::move(client), FDataFile->Version());
    Check(memo->Open(true, false));
    FMemo = std::move(memo);
  }
  return *FMemo;
}

storage::TVxbBlobFile& TToolTable::Blob() {
  if (!FBlob) {
    auto client = std::make_unique<index::TVxbClientStorage>(FPageManager, FFileSystem, kToolClient);
    client->SetName(storage::TVxbBlobFile::FileNameFor(FFileName, FDataFile->Version()));
    auto blob = std::make_unique<storage::TVxbBlobFile>(FServices, std::move(client), FDataFile->Version(), 0);
    Check(blob->Open(true, false));
    FBlob = std::move(blob);
  }
  return *FBlob;
}

std::u16string TToolTable::ReadMemo(const storage::TVxbColumnDef& column, int32_t block) {
  std::string bytes;
  Check(Memo().ReadString(block, bytes));
  const auto* type = static_cast<const types::TVxbStringType*>(column.DataType());
  return type->Collation().AnsiToWide(bytes);
}

std::u16string TToolTable::ReadWideMemo(int32_t block) {
  std::u16string text;
  Check(Blob().ReadWideString(block, text));
  return text;
}

std::string TToolTable::ReadBlob(int32_t block) {
  std::string bytes;
  Check(Blob().ReadString(block, bytes));
  return bytes;
}

}  // namespace vexilo::tools
