// A directory database on disk as a whole: which files make it up, and
// making and removing one. A directory database is a directory holding its
// control file (directory_control_file.h) and one set of files per table:
// the table file, its index, memo and blob files, and while the table is
// shared its lock, move and redo files.
//
// Single-file databases (compound files) are not built; nothing here makes
// or removes one.
//
// Results: 0, or the negated engine error after recording it as the
// session's last error. The session's own thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/api/local_session.h"
#include "fs/file_system.h"

namespace vexilo::api {

// The names (without directory) of the table files in the directory
// `directory` (absolute, no trailing delimiter), system tables included, in
// the file system's order.
std::vector<std::u16string> DatabaseTableFiles(fs::TvwFileSystem& fileSystem, std::u16string_view directory);

// The files a shared opening of the table file `fileName` (a full path) of
// `level` may leave beside it: lock, move and redo file, both forms of a
// relation table's.
std::vector<std::u16string> SharingFilesOf(std::u16string_view fileName, int16_t level);

// Makes the directory `directory` (missing parents too) a directory
// database: creates it, opens it once in `session` (which writes its
// control file) and closes it again. With `managed` the two system tables
// of a managed database are created in it, with the key `key`:
//   sys_UserTables   Name WideString(44), FileName WideString(255),
//                    Key WideString(40); capacity 1000
//   sys_UserColumns  Table WideString(44), Name WideString(40),
//                    DataType SmallInt, Param Integer, SelectOfLink,
//                    RangeOrFormula and Default WideString(128);
//                    capacity 10000
// `session` must have no database open. An existing directory is taken as
// it is. Errors: 135 while the session has a database open; 49 for an
// empty name; 141 when the directory cannot be made (a file of that name,
// no permission); the open's and the tables' own.
int16_t CreateDirectoryDatabase(TVxbLocalSession& session, std::u16string_view directory, std::u16string_view key,
                                bool managed);

// Removes the directory database at `path` (its directory or its control
// file) with every table and its files: opens it exclusively in `session`
// with the key `key` (so no other program may have it open), opens every
// table (damaged ones too), closes the database, deletes the tables' files
// and the control file, and removes the directory. Files in the directory
// that are not the database's are left, and so is the directory then
// (error 155 naming it). `session` must have no database open. Errors: 135
// while the session has a database open, or for a path that is not a
// database directory (no control file); 187 for a single-file database;
// 37 for a path that names nothing; the opens' own; 155 for a file that
// cannot be deleted.
int16_t DeleteDirectoryDatabase(TVxbLocalSession& session, std::u16string_view path, std::u16string_view key);

}  // namespace vexilo::api
