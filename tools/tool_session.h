// TToolSession: what one vxbtool command needs to work on stored tables — a
// local engine session of its own (station number: the process id; name:
// "vxbtool"; a page cache and file systems of its own) on the directory of
// the table it works on. Existing tables are opened by the session's catalog,
// as every program of the engine opens them, so a command joins a table the
// way the dictionary program does: through its lock file, with the catalog's
// unlock thread giving lazily held locks back. New tables are made over the
// session's services, page cache and file system and closed before the
// session goes.
//
// Engine failures are raised as EVxbEngine with the engine's message.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/api/local_session.h"
#include "engine/api/shared_file_systems.h"
#include "engine/cursor/accessor.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/table/base_table.h"

namespace vexilo::tools {

class TToolSession {
 public:
  // A session whose locking timeout (for table locks and record edit
  // locks) is `lockingTimeout` milliseconds.
  explicit TToolSession(int32_t lockingTimeout = api::TVxbSessionServices::kDefaultLockingTimeout);
  // Closes the new tables, then the catalog with the tables it opened.
  ~TToolSession();
  TToolSession(const TToolSession&) = delete;
  TToolSession& operator=(const TToolSession&) = delete;

  // A closed table object for the new table file `fileName` (a full path).
  // The session's database is opened on its directory unless one is open.
  storage::TVxbBaseTable& NewTable(const std::filesystem::path& fileName);
  // Opens and sets up the existing table `path` (with or without its
  // extension) with `rights` and `password` through the catalog of a
  // database on the table's directory.
  storage::TVxbBaseTable& OpenTable(const std::string& path, uint16_t rights, const std::u16string& password);
  // The catalog's accessor on a table OpenTable returned.
  cursor::TVxbAccessor& AccessorOf(const storage::TVxbBaseTable& table);
  // Closes `table`, writing what it holds; raises the error of a failed
  // close.
  void CloseTable(storage::TVxbBaseTable& table);

  // Raises the session's last error when `result` is negative.
  void Check(int32_t result) const;
  errors::TVxbServices& Services() { return *FSession.Services(); }
  int32_t LockingTimeout() const { return FSession.Services()->LockingTimeout(); }

 private:
  // Opens the database on `directory` unless one is open.
  void OpenDatabase(const std::filesystem::path& directory);
  api::TVxbCatalog& Catalog() { return *FSession.Catalog(); }

  index::TVxbPageManager FPageManager;
  api::TVxbSharedFileSystems FFileSystems{FPageManager};
  api::TVxbLocalSession FSession{FFileSystems};
  bool FDatabaseOpen = false;
  std::vector<std::unique_ptr<storage::TVxbBaseTable>> FNewTables;
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
