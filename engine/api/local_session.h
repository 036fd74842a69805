// TVxbLocalSession: a session on a database on this machine's files. It owns
// its services object (settings, last error, log) and its catalog, and while
// a database is open it holds the database's file system (shared with the
// other sessions of the process on the same directory, see
// shared_file_systems.h).
//
// Life: Initialize (services with a random station number and its decimal
// text as the station name, log level 0, the catalog) -> the caller sets the
// catalog's location and open flags -> OpenDb -> work through the catalog ->
// CloseDb (the session may open a database again) -> Uninitialize.
//
// Opening a database (OpenDb) decides its kind from the location:
//   - an existing file: the control file (or any file) of a directory opens
//     that directory; a ".vxbd" file that is not a directory's control file
//     is a single-file database;
//   - no such file or directory: with an extension, engine error 37; without
//     one, the single-file database of that name with ".vxbd" added;
//   - an existing directory, or the empty location (the working directory):
//     a directory database, whose control file is written when missing.
// Single-file databases (compound files) are not built: opening one is
// engine error 187. Every failure leaves nothing acquired.
//
// Results: 0 or the negated engine error, recorded as the session's last
// error; exceptions from below are turned into numbers here.
//
// Used by one thread at a time (the catalog's unlock thread aside, which only
// reaches the catalog's tables).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/api/catalog.h"
#include "engine/api/session.h"
#include "engine/api/session_services.h"
#include "engine/api/shared_file_systems.h"

namespace vexilo::api {

class TVxbLocalSession : public TVxbSession {
 public:
  // A session whose databases' file systems come from `fileSystems` (not
  // owned; the process's list by default).
  explicit TVxbLocalSession(TVxbSharedFileSystems& fileSystems = TVxbSharedFileSystems::Instance());
  // Uninitialises the session.
  ~TVxbLocalSession() override;

  bool GetIsOpen() const override;
  int16_t Initialize(int16_t sessionHdl) override;
  void Uninitialize() override;

  // Opens the database at the catalog's location: 0 or the negated error.
  int16_t OpenDb();
  // Closes the catalog and gives the file systems back; 0.
  int16_t CloseDb();

  // Set by Initialize, gone after Uninitialize.
  TVxbSessionServices* Services() const { return FServices.get(); }
  TVxbCatalog* Catalog() const { return FCatalog.get(); }
  int16_t Handle() const { return FHandle; }

  // The settings the engine's callers give a session.
  void SetSettings(bool caseSensitive, bool autoCreateIndexes, int32_t lockingTimeout);

  // Interrupting long operations.
  bool StopPrg = false;
  bool CtrlU = false;
  bool MustBreak = true;
  // Whether the user asked to break off (CtrlU set).
  bool UserBreak() const { return CtrlU; }

 private:
  // Gives back the file systems the session holds.
  void CloseServices();
  int16_t OpenDirectory(const std::u16string& directory);

  TVxbSharedFileSystems& FFileSystems;
  int16_t FHandle = 0;
  std::unique_ptr<TVxbSessionServices> FServices;
  std::unique_ptr<TVxbCatalog> FCatalog;
  fs::TvwFileSystem* FFileSystem = nullptr;
};

}  // namespace vexilo::api
