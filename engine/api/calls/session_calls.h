// The engine calls on sessions: creating and deleting a session, its network
// parameters and settings, opening and closing its database, opening,
// finding and removing tables, the table list, transactions, the session's
// last error and the engine's version.
//
// Every call takes a session handle (from VxbCreateSession) and returns a
// 16-bit result unless noted: 0 or more is the call's value, a negative
// value a call result code (VxbGetErrorMsg gives its text). An invalid
// session handle (0, negative, never handed out, deleted) gives -105 and
// changes nothing; the database calls also give -105 while the session has
// no database open. A failure inside the engine is stored as the session's
// last error (VxbSessGetLastError) and returns -100 unless a call says
// otherwise. No exception leaves a call.
//
// Texts are zero-terminated UTF-16; a null pointer is the empty text. A text
// result goes to the caller's buffer: at most `maxLen` characters, then a
// terminating zero (the buffer holds maxLen + 1 characters).
//
// Sessions on a database server are not built: a location holding "@" is
// refused. The session list is safe across threads; the calls on one
// session and its tables are to come from one thread at a time.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_types.h"

namespace vexilo::api {

// The engine's version number.
inline constexpr int16_t kVxbEngineVersion = 8102;

// Bits of VxbSessOpenDb's `attributes`.
inline constexpr int32_t kVxbOpenReadOnly = 0x1;
inline constexpr int32_t kVxbOpenExclusive = 0x2;
inline constexpr int32_t kVxbOpenDeepFlush = 0x4;
inline constexpr int32_t kVxbOpenSharedReadOnly = 0x8;

// --- the session ---

// A new session for the database at `location` (a directory, the path of
// its control file, or empty for the working directory): its handle, or -53
// when no session can be made (100 sessions exist, or a server location).
TVxbSessHdl VxbCreateSession(const char16_t* location);
// Fills `netParams` with the defaults: network directories "AUTO", station
// name "Undefined", a random station number from 1 to 2147483646, server
// timeout 20000 ms, the other texts empty. 0.
int16_t VxbSessGetDefaultNetParams(TVxbSessHdl sessionHdl, TVxbNetParams& netParams);
// Takes the station number (0 keeps the session's own), station name,
// read-only and network directories, and the private directory (empty: the
// system's temporary directory), which is created when missing. 0.
int16_t VxbSessSetNetParams(TVxbSessHdl sessionHdl, const TVxbNetParams& netParams);
// Installs the function asked for a table's key (an empty one removes it).
// 0.
int16_t VxbSessSetPasswordCallback(TVxbSessHdl sessionHdl, TVxbPasswordProc callback);
// The index page size and blob block size of tables created in the
// session. 0.
int16_t VxbSessSetSystemSettings(TVxbSessHdl sessionHdl, int32_t indPageSize, int32_t blobBlockSize);
// Opens the database at `location` with the key `password` and the bits
// kVxbOpen... of `attributes`, adding `cacheSizeKiB` to the shared page
// cache (below 1: the default 40960). A database still open in the session
// is closed first, with its tables. 0; -58 when there is no such database;
// -53 for any other failure, with the reason as the last error. `userName`
// is not used by local sessions.
int16_t VxbSessOpenDb(TVxbSessHdl sessionHdl, const char16_t* location, const char16_t* userName,
                      const char16_t* password, int32_t cacheSizeKiB, int32_t attributes);
// Management level (0 unmanaged, 1 managed) and encryption method of the
// open database. 0.
int16_t VxbSessGetDbInfo(TVxbSessHdl sessionHdl, TVxbDatabaseInfo& dbInfo);
// Case sensitivity, automatic index creation and the locking timeout (ms)
// of the session; `caretSwitch` is not kept by local sessions. 0.
int16_t VxbSessSetSettings(TVxbSessHdl sessionHdl, bool caseSensitive, bool caretSwitch, bool autoCreateIndexes,
                           int32_t lockingTimeout);
// The session log's level, 0 (off) to 4. 0, or -100 when the log file
// cannot be created in the private directory (the level then stays 0).
int16_t VxbSessSetLogLevel(TVxbSessHdl sessionHdl, int32_t level);
// 1 when the open database is a single-file database, else 0.
int16_t VxbSessIsSingleFile(TVxbSessHdl sessionHdl);
// The session's isolation level: 0 outside a transaction, else the level of
// the running one (1 dirty read, 2 read committed, 3 repeatable read).
int16_t VxbSessGetIsolationLevel(TVxbSessHdl sessionHdl);

// --- tables ---

// Opens the table `tableName` (a name or file name inside the database)
// with `key` and the rights word `rights` (bits 0-3 append, edit, delete,
// index; 0x100 exclusive; 0x200 deep flush; 0x400 shared read-only); with
// `withRelTables` the tables its links name are opened too, and `force`
// opens it despite damage its setup reports. Its relation handle, or: -2 no
// free relation index; -12 wrong key; -1 any other refusal; -100 an engine
// failure; -102 an unexpected failure. The reason is the last error.
TVxbRltnHdl VxbSessOpenTable(TVxbSessHdl sessionHdl, const char16_t* tableName, const char16_t* key, uint16_t rights,
                             bool withRelTables, bool force);
// VxbSessOpenTable with no key, all four rights, linked tables, no force.
TVxbRltnHdl VxbSessAddTable(TVxbSessHdl sessionHdl, const char16_t* tablePath);
// The relation handle of the open table named `name` (compared without
// directory, ".dat"/".vxbt" extension and case); 0 when none is open.
TVxbRltnHdl VxbSessFindRltnHdl(TVxbSessHdl sessionHdl, const char16_t* name);
// Closes the open table named `tableName`. 0; -100 when none of that name
// is open or it is still in use.
int16_t VxbSessRemoveTable(TVxbSessHdl sessionHdl, const char16_t* tableName);
// Closes every open table that nothing uses. 0.
int16_t VxbSessCloseUnneededTables(TVxbSessHdl sessionHdl);
// Lets every open table take in what other users changed: 1 when any had
// changes, else 0.
int16_t VxbSessRegisterModifications(TVxbSessHdl sessionHdl);
// The names of the database's tables separated by ";" into `tableNames`;
// the result (32-bit) is the length of the whole list, so a result above
// `maxLen` tells that the buffer held only its start.
int32_t VxbSessGetTableNames(TVxbSessHdl sessionHdl, char16_t* tableNames, int32_t maxLen);

// --- transactions: 0, or -63 when the transaction cannot begin or end ---

int16_t VxbSessBeginTransaction(TVxbSessHdl sessionHdl);
// Commits the session's transaction.
int16_t VxbSessEndTransaction(TVxbSessHdl sessionHdl);
// Rolls the session's transaction back.
int16_t VxbSessCancelTransaction(TVxbSessHdl sessionHdl);

// --- the end ---

// Deletes the session's cursors, then closes its database (the session may
// open one again). 0.
int16_t VxbSessCloseDb(TVxbSessHdl sessionHdl);
// Deletes the session's cursors, closes its database and removes the
// session; its handle becomes invalid. 0.
int16_t VxbSessDelete(TVxbSessHdl sessionHdl);

// --- errors and version ---

// `errCode` gets the session's last error as a negated engine error number
// (0 when none), `errMsg` its message. 0.
int16_t VxbSessGetLastError(TVxbSessHdl sessionHdl, int16_t& errCode, char16_t* errMsg, int32_t maxLen);
// Copies the line in which the last error was found into `errMsg`; the
// result (32-bit) is the error's character position in it.
int32_t VxbSessGetLastErrorPos(TVxbSessHdl sessionHdl, char16_t* errMsg, int32_t maxLen);
// The text of call result code `vxbError` (codes without one give "Unknown
// error"); needs no session. 0. (Defined with the message tables.)
int16_t VxbGetErrorMsg(int16_t vxbError, char16_t* errorMsg, int maxLen);
// kVxbEngineVersion.
int16_t VxbGetVersion();

}  // namespace vexilo::api
