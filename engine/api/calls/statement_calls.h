// The engine calls on SQL statements. The SQL engine is not built: a
// session creates no statements, so no statement handle is ever valid.
//
// VxbSessCreateStatement stores the engine error "This feature is not
// supported: SQL statements" as the session's last error and returns -100
// (-105 for an invalid session handle or one without a database open). Every
// statement call returns -104 ("The statement handle is invalid") and
// changes nothing, whatever its arguments. No exception leaves a call.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_types.h"

namespace vexilo::api {

TVxbStmtHdl VxbSessCreateStatement(TVxbSessHdl sessionHdl);

int16_t VxbStmtSetSqlText(TVxbStmtHdl stmtHdl, const char16_t* sqlText);
int16_t VxbStmtPrepare(TVxbStmtHdl stmtHdl);
// 32-bit: the number of rows the statement changed.
int32_t VxbStmtExecute(TVxbStmtHdl stmtHdl);
// The table handle of a query's result.
TVxbTableHdl VxbStmtCreateResultTableHdl(TVxbStmtHdl stmtHdl);
// Declares the parameter `name` with column type code `dataType`.
int16_t VxbStmtAddParam(TVxbStmtHdl stmtHdl, const char16_t* name, int16_t dataType);
// Gives the parameter `name` the `size` bytes at `value` (null: SQL null).
int16_t VxbStmtSetParam(TVxbStmtHdl stmtHdl, const char16_t* name, const void* value, int32_t size);
int16_t VxbStmtClearParams(TVxbStmtHdl stmtHdl);
// Row and column of the error the statement's text holds.
int16_t VxbStmtGetErrorPos(TVxbStmtHdl stmtHdl, int32_t& row, int32_t& column);
int16_t VxbStmtUnprepare(TVxbStmtHdl stmtHdl);
int16_t VxbStmtDelete(TVxbStmtHdl stmtHdl);

}  // namespace vexilo::api
