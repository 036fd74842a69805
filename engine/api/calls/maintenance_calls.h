// The engine calls that maintain a session's database as a whole: checking
// its tables, compressing it, backing it up, and creating and deleting a
// database.
//
// Every call takes a session handle (from VxbCreateSession) and returns a
// 16-bit result: 0 or more is the call's value, a negative value a call
// result code (VxbGetErrorMsg gives its text). An invalid session handle
// gives -105 and changes nothing; so does a session without an open
// database for the calls that work on the open one (check, compress,
// backup). A failure inside the engine is stored as the session's last
// error (VxbSessGetLastError) and returns -100 unless a call says
// otherwise. No exception leaves a call.
//
// Texts are zero-terminated UTF-16; a null pointer is the empty text.
// Single-file databases (compound files) are not built: a call asked for
// one is refused with a stored engine error ("This feature is not
// supported: single-file databases") and -100. The calls on one session are
// to come from one thread at a time.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_types.h"

namespace vexilo::api {

// Types of database of VxbSessBackupDatabase and VxbSessCreateDatabase.
inline constexpr int16_t kVxbDirectoryDatabase = 0;
inline constexpr int16_t kVxbSingleFileDatabase = 1;

// Checks the open table `rltnHdl` of the session, or with 0 every table the
// session has open, with the engine's table check (memo and blob file,
// every index), under each table's read lock. `progress` (may be empty)
// hears (steps done, all steps) and stops the check by answering 1 (the
// tables after the one it stopped in are not checked). The findings go to a
// new table "VxbCheck_<n>" in the session's private directory, opened in
// the session: its relation handle is the result (VxbRltnGetTableInfo gives
// its file name, VxbSessFindRltnHdl finds it by name). Its columns, one
// record per finding (none when nothing was found):
//   TableName    WideString(128)  the checked table's name
//   ObjectType   SmallInt         3 an index, 4 the memo or blob file
//   ObjectName   WideString(128)  the index's name, "Memo" or "Blob"
//   Severity     SmallInt         2 damage, 1 a lesser finding, 0 the check
//                                 was stopped there
//   Description  WideString(250)  what was found
// The report's files stay in the private directory after it is closed.
// -17 for a relation handle that is not one of the session's open tables;
// -100 (the reason stored) when a table's read lock is refused or the
// report cannot be made, and then no report is left.
TVxbRltnHdl VxbSessCheckTable(TVxbSessHdl sessionHdl, TVxbRltnHdl rltnHdl, const TVxbProgressProc& progress);

// A directory database keeps no free space to give back: 0, with nothing
// done. (A single-file session cannot be open, those databases not being
// built; it would get 0 as well.)
int16_t VxbSessCompressDatabase(TVxbSessHdl sessionHdl);

// Copies the open database into the directory `targetLocation` (created
// with missing parents when needed) as a database of `databaseType`.
// kVxbDirectoryDatabase: every table's table file, index, memo and blob
// files (not the lock, move and redo files), copied while every table of
// the database is read-locked, so that the copy is consistent and opens as
// a database of its own; files of the same names there are replaced.
// `progress` (may be empty) hears (tables copied, all tables) and stops the
// backup by answering 1 (-100, "Operation canceled" stored; the target then
// holds part of the copy). 0; -100 with the reason stored for an empty
// target, the database's own directory as the target, a target that cannot
// be made, a file that cannot be copied, a refused lock, and for
// kVxbSingleFileDatabase or any other type.
int16_t VxbSessBackupDatabase(TVxbSessHdl sessionHdl, const char16_t* targetLocation, int16_t databaseType,
                              const TVxbProgressProc& progress);

// Creates a new database `databaseName` of `databaseType` with the session,
// which must have no database open (and has none afterwards; open the new
// one with VxbSessOpenDb). kVxbDirectoryDatabase: the directory is created
// with its missing parents (an existing directory is taken as it is) and
// gets its control file; with `managed` also the two system tables of a
// managed database, "sys_UserTables" and "sys_UserColumns", created with
// the key `key`. 0; -54 ("File already exists, directory not found or no
// write access", the reason stored) when the directory cannot be made;
// -100 with the reason stored while the session has a database open
// ("Session must not be open to create a new database."), for an empty
// name, for an encryption method other than temNone (whole databases are
// not enciphered), for kVxbSingleFileDatabase or any other type, and when
// the system tables cannot be made.
int16_t VxbSessCreateDatabase(TVxbSessHdl sessionHdl, int16_t databaseType, const char16_t* databaseName,
                              const char16_t* key, int16_t encryptionMethod, bool managed);

// Deletes the directory database at `databasePath` (its directory or its
// control file) with every table and its files, using a session that has no
// database open: the database is opened exclusively with the key `key`
// (refused while another program has any of its tables open), every table
// is opened, then all their files, the control file and the directory are
// removed. 0; -100 with the reason stored while the session has a database
// open, for a path that names nothing or is no database directory (no
// control file), for a single-file database, when the database or a table
// cannot be opened (then nothing is deleted), and when a file cannot be
// deleted — a directory that still holds files that are not the database's
// stays, with them.
int16_t VxbSessDeleteDatabase(TVxbSessHdl sessionHdl, const char16_t* databasePath, const char16_t* key);

}  // namespace vexilo::api
