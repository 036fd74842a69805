// The engine calls on relations (open tables): what a relation is — its
// file, level, size, name, record count, indexes and check constraints —
// closing it, switching its record edit locks, and creating, deleting and
// rebuilding its indexes.
//
// A relation handle comes from VxbSessOpenTable, VxbSessAddTable or
// VxbSessFindRltnHdl; it names one relation of one session. An invalid
// handle (0, negative, above 25408, of a deleted or closed session, of a
// closed relation) gives -17 ("Invalid relation handle") and changes
// nothing; VxbRltnRecordCount gives -101 and VxbRltnActivateEditLocks -105
// instead. A failure inside the engine is stored as the session's last
// error and returns -100 unless a call says otherwise; no exception leaves
// a call. Results are 16-bit unless noted.
//
// Texts are zero-terminated UTF-16, a null pointer the empty text; text
// results go to the caller's buffer, at most `maxLen` characters and then a
// terminating zero.
//
// Index names compare without regard to case, and a name given with the
// extension ".ind" or ".vxbi" names the index without it. A column list
// ("specification") names the key columns separated by commas, a leading
// "-" making a column descending.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_types.h"

namespace vexilo::api {

// The stored table's file name (with its directory), level, collation name
// (empty for the engine's own collation; cut to 40 characters), encryption
// method and capacity. The method is always temNone: a table stored with
// any other method is refused when it is opened (the ciphers are not
// built), so no open table has one. 0.
int16_t VxbRltnGetTableInfo(TVxbRltnHdl rltnHdl, TVxbTableInfo& tableInfo);
// Record count, column count, record size, the table file's size, the size
// of all its files, and whether its memo and blob files are open. 0.
int16_t VxbRltnGetInfo(TVxbRltnHdl rltnHdl, TVxbRltnInfo& rltnInfo);
// The names of the table's indexes in index order (the engine's temporary
// ones left out), separated by ",". 0.
int16_t VxbRltnGetIndexNames(TVxbRltnHdl rltnHdl, char16_t* names, int32_t maxLen);
// The column list of the index named `name` (a calculated index's
// expression): names in either form; with `includeLen` an item shorter than
// its column carries its size in bytes after a ":". 2 for the primary
// index, 1 for another unique index, 0 otherwise; -16 for an unknown index,
// -32 when the index cannot be opened.
int16_t VxbRltnGetIndexDesc(TVxbRltnHdl rltnHdl, const char16_t* name, char16_t* desc, int32_t maxLen, bool readable,
                            bool includeLen);
// The stored name of the index `indexName` stands for. 0, or -16 when it
// names none.
int16_t VxbRltnGetRealIndexName(TVxbRltnHdl rltnHdl, const char16_t* indexName, char16_t* realIndexName,
                                int32_t maxLen);
// The relation's name (the file name without directory and extension), or
// with `fullName` its file name with the directory. 0.
int16_t VxbRltnGetName(TVxbRltnHdl rltnHdl, char16_t* name, int32_t textLen, bool fullName);
// The relation's number of records (32-bit; 0 when it cannot tell).
int32_t VxbRltnRecordCount(TVxbRltnHdl rltnHdl);
// Closes the relation unless a cursor still uses it; its handle becomes
// invalid. 0, or -51 (the reason stored) when it is in use.
int16_t VxbRltnClose(TVxbRltnHdl rltnHdl);
// Switches the relation's record edit locks on or off. 0, or -102.
int16_t VxbRltnActivateEditLocks(TVxbRltnHdl rltnHdl, bool value);
// The number of the table's check constraints.
int16_t VxbRltnGetCheckCount(TVxbRltnHdl rltnHdl);
// Check constraint `index` (1-based, in the table's order): its name into
// `name` and its condition as the table stores it into `check` (a condition
// in the procedural syntax with a leading "@", one in SQL syntax as it is).
// 0, or -10 for an index outside 1 to VxbRltnGetCheckCount.
int16_t VxbRltnGetCheckSpec(TVxbRltnHdl rltnHdl, int16_t index, char16_t* name, int32_t nameMaxLen, char16_t* check,
                            int32_t checkMaxLen);

// Creates the index `indexName` over `specification` (unique when asked)
// and builds it from every record. 0; -100 with the reason stored (no index
// right, a name in use or reserved for the engine's own indexes, a list
// the columns do not allow, no free index place).
int16_t VxbRltnCreateIndex(TVxbRltnHdl rltnHdl, const char16_t* indexName, const char16_t* specification, bool unique);
// Deletes the index and its file (which needs the table to itself). 0; -16
// for an unknown index; -100 with the reason stored.
int16_t VxbRltnDeleteIndex(TVxbRltnHdl rltnHdl, const char16_t* indexName);
// Rebuilds the index from the records; an empty name rebuilds every index.
// 0; -16 for an unknown index; -100 with the reason stored.
int16_t VxbRltnRefreshIndex(TVxbRltnHdl rltnHdl, const char16_t* indexName);

}  // namespace vexilo::api
