// TToolSession: what one vxbtool command needs to work on stored tables as
// the engine's own session would — the operating system's file system, a
// page cache, the session's services (station number: the process id; name:
// "vxbtool") — and the tables it opens or creates, which it closes before
// the rest goes.
//
// Engine failures are raised as EVxbEngine with the engine's message.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/table/base_table.h"
#include "fs/os_file_system.h"

namespace vexilo::tools {

class TToolSession {
 public:
  TToolSession();
  ~TToolSession();
  TToolSession(const TToolSession&) = delete;
  TToolSession& operator=(const TToolSession&) = delete;

  // A closed table object for the table file `fileName` (a full path).
  storage::TVxbBaseTable& NewTable(const std::filesystem::path& fileName);
  // Opens and sets up the existing table `path` (with or without its
  // extension) with `rights` and `password`.
  storage::TVxbBaseTable& OpenTable(const std::string& path, uint16_t rights, const std::u16string& password);
  // Closes `table`, writing what it holds; raises the error of a failed
  // close.
  void CloseTable(storage::TVxbBaseTable& table);

  // Raises the session's last error when `result` is negative.
  void Check(int32_t result) const;
  errors::TVxbServices& Services() { return FServices; }

 private:
  fs::TvwOSFileSystem FFileSystem;
  index::TVxbPageManager FPageManager;
  errors::TVxbServices FServices;
  std::vector<std::unique_ptr<storage::TVxbBaseTable>> FTables;
};

// The table file `path` names: the path itself when it is a file, else the
// first of "<path>.dat" and "<path>.vxbt" that exists; raises error 37 when
// there is none.
std::filesystem::path FindTableFile(const std::string& path);

// The file a new table of `level` at `path` gets: `path` with ".vxbt" (level
// 6) or ".dat" added when it has no extension. Raises error 58 when the
// extension given does not suit the level.
std::filesystem::path NewTableFile(const std::string& path, int16_t level);

}  // namespace vexilo::tools
