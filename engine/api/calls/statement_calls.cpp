#include "engine/api/calls/statement_calls.h"

#include "engine/api/calls/session_lookup.h"
#include "engine/errors/error_codes.h"

namespace vexilo::api {

namespace {

constexpr int16_t kInvalidStatement = errors::vxbResInvalidStatementHandle;
constexpr int16_t kEngineException = errors::vxbResEngineException;

}  // namespace

TVxbStmtHdl VxbSessCreateStatement(TVxbSessHdl sessionHdl) {
  return calls::OnSession(sessionHdl, calls::TSessionNeed::Open, kEngineException,
                          [&](TVxbLocalSession& session) -> int16_t {
                            session.Services()->SetLastError(errors::vxbErrNotSupported, {u"SQL statements"});
                            return kEngineException;
                          });
}

int16_t VxbStmtSetSqlText(TVxbStmtHdl stmtHdl, const char16_t* sqlText) {
  (void)stmtHdl, (void)sqlText;
  return kInvalidStatement;
}

int16_t VxbStmtPrepare(TVxbStmtHdl stmtHdl) {
  (void)stmtHdl;
  return kInvalidStatement;
}

int32_t VxbStmtExecute(TVxbStmtHdl stmtHdl) {
  (void)stmtHdl;
  return kInvalidStatement;
}

TVxbTableHdl VxbStmtCreateResultTableHdl(TVxbStmtHdl stmtHdl) {
  (void)stmtHdl;
  return kInvalidStatement;
}

int16_t VxbStmtAddParam(TVxbStmtHdl stmtHdl, const char16_t* name, int16_t dataType) {
  (void)stmtHdl, (void)name, (void)dataType;
  return kInvalidStatement;
}

int16_t VxbStmtSetParam(TVxbStmtHdl stmtHdl, const char16_t* name, const void* value, int32_t size) {
  (void)stmtHdl, (void)name, (void)value, (void)size;
  return kInvalidStatement;
}

int16_t VxbStmtClearParams(TVxbStmtHdl stmtHdl) {
  (void)stmtHdl;
  return kInvalidStatement;
}

int16_t VxbStmtGetErrorPos(TVxbStmtHdl stmtHdl, int32_t& row, int32_t& column) {
  (void)stmtHdl, (void)row, (void)column;
  return kInvalidStatement;
}

int16_t VxbStmtUnprepare(TVxbStmtHdl stmtHdl) {
  (void)stmtHdl;
  return kInvalidStatement;
}

int16_t VxbStmtDelete(TVxbStmtHdl stmtHdl) {
  (void)stmtHdl;
  return kInvalidStatement;
}

}  // namespace vexilo::api
