// Checking a session's open tables with the table check and gathering what
// it finds in a report table of its own: a new table "VxbCheck_<n>" (the
// lowest n with no such file in the session's private directory and no
// table of that name open) in the private directory, opened in the
// session's catalog so that the session's callers read it like any table.
// The report stays in the private directory when it is closed; removing it
// is its reader's business.
//
// The report's columns, one record per finding:
//
//   column       type              value
//   TableName    WideString(128)   the checked table's name
//   ObjectType   SmallInt          3 an index, 4 the memo or blob file
//   ObjectName   WideString(128)   the index's name, "Memo" or "Blob"
//   Severity     SmallInt          2 damage, 1 a lesser finding, 0 the
//                                  check was stopped here
//   Description  WideString(250)   what was found
//
// A table without findings adds no record. The session's own thread only.
#pragma once

#include <cstdint>

#include "engine/api/local_session.h"
#include "engine/storage/table/base_table.h"

namespace vexilo::api {

// The report table's column names, in column order.
inline constexpr const char16_t* kCheckReportColumns[] = {u"TableName", u"ObjectType", u"ObjectName", u"Severity",
                                                           u"Description"};

// Checks the open table `rltnIdx` of `session`'s catalog, or with 0 every
// table open now, into a new report opened in the catalog; its relation
// index in `reportRltnIdx`. `progress` hears (steps done, all steps) over
// all tables; an answer of 1 ends the check with a severity-0 record, and
// the tables after it are not checked. 0, or the negated error recorded in
// the session (a refused read lock, a report that cannot be made); on
// failure no report stays open and its files are removed.
int16_t CheckTablesIntoReport(TVxbLocalSession& session, int16_t rltnIdx, const storage::TVxbCheckProgress& progress,
                              int16_t& reportRltnIdx);

}  // namespace vexilo::api
