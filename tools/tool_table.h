// TToolTable: a table as vxbtool reads it. The table file is found from a
// path given with or without its extension (without one, "<path>.dat" is
// tried before "<path>.vxbt", as the engine's catalog does); it is opened
// read-only and shared through a page cache of the tool's own, and its memo
// and blob files are opened when a value is first read from them.
//
// Every failure raises EVxbEngine with the engine's own error: the message a
// damaged or foreign file deserves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/errors/services.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/columns/column_def.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"
#include "fs/os_file_system.h"

namespace vexilo::tools {

class TToolTable {
 public:
  // Opens the table at `path` with `password`.
  TToolTable(const std::string& path, std::u16string password);
  ~TToolTable();
  TToolTable(const TToolTable&) = delete;
  TToolTable& operator=(const TToolTable&) = delete;

  const std::u16string& FileName() const { return FFileName; }
  storage::TVxbDataFile& DataFile() { return *FDataFile; }
  const storage::TVxbTableDefinition& Definition() const { return FDefinition; }
  storage::TVxbEncryptionMethod EncryptionMethod() const { return FCryptor.Method(); }

  // The text of the Memo value whose first block is `block`, line breaks as
  // CR LF, converted through `column`'s code page.
  std::u16string ReadMemo(const storage::TVxbColumnDef& column, int32_t block);
  // The text of a WideMemo value.
  std::u16string ReadWideMemo(int32_t block);
  // The bytes of a Blob value.
  std::string ReadBlob(int32_t block);

  // Raises the error the table's files recorded when `result` is negative.
  void Check(int32_t result) const;

 private:
  storage::TVxbMemoFile& Memo();
  storage::TVxbBlobFile& Blob();

  fs::TvwOSFileSystem FFileSystem;
  index::TVxbPageManager FPageManager;
  errors::TVxbServices FServices;
  storage::TVxbTableCryptor FCryptor;
  std::u16string FFileName;
  std::unique_ptr<storage::TVxbDataFile> FDataFile;
  storage::TVxbTableDefinition FDefinition;
  std::unique_ptr<storage::TVxbMemoFile> FMemo;
  std::unique_ptr<storage::TVxbBlobFile> FBlob;
};

}  // namespace vexilo::tools
