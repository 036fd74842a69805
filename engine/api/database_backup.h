// Backing up a session's open directory database into another directory:
// a consistent copy of every table's files.
//
// Every table of the database (system tables included) is opened in the
// session's catalog unless it is open already, its unwritten changes are
// written, and all of them are read-locked together, through their lock
// files, while their files are copied — so no program writes to any of them
// until the whole copy is made, and the copy is the database as it stood at
// one moment. Copied are each table's table file, index files, memo and
// blob files; not its lock, move or redo files, and not the control file
// (the copy gets its own when it is first opened). Files of the same names
// in the target are replaced. The tables the backup opened are closed
// again.
//
// The session's own thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/api/local_session.h"

namespace vexilo::api {

// Progress of the backup: tables copied and all tables; an answer of 1
// stops it.
using TVxbBackupProgress = std::function<int(int32_t done, int32_t total)>;

// Copies the open directory database of `session` into the directory
// `target` (created with its missing parents when needed). 0, or the
// negated error recorded in the session: 49 for an empty target, 135 for a
// target that is the database's own directory, 141 when the target cannot
// be made, 114 when `progress` stopped it (the target then holds part of
// the copy), 3 when a file cannot be copied, or a table's open or lock
// error.
int16_t BackupDirectoryDatabase(TVxbLocalSession& session, std::u16string_view target,
                                const TVxbBackupProgress& progress);

}  // namespace vexilo::api
