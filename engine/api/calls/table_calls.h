// The table calls of the engine call interface: a table handle (1 to 255)
// is a cursor on an open relation — one position in one order, with its key
// range, filter and marks — and every call is one cursor operation.
//
// Conventions, for every call here:
//   - An invalid table handle (0 or below, an empty slot, 256 or above:
//     sessions on a database server are not built) gives -101 and changes
//     nothing.
//   - Results are call result codes when negative. Moves give -11 when there
//     is no such record and -201 when reading failed.
//   - No exception leaves a call: an engine exception is stored as the
//     session's last error and the call gives -100 (or its own code, such as
//     -44 for a search condition that does not compile).
//   - Text arguments may be null (the empty text); text results are cut to
//     the caller's maximum length and always terminated.
//   - Record buffers are raw records of VxbTableGetRecordSize bytes; a
//     smaller buffer is read or written only as far as it reaches.
//
// A table handle is used by one thread at a time.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_types.h"

namespace vexilo::api {

// --- life ---
// A cursor on the relation `rltnHdl` tagged `name`, open in record-number
// order before the first record: its handle, -2 when all 255 are taken, -17
// for an invalid relation handle.
TVxbTableHdl VxbTableCreate(TVxbRltnHdl rltnHdl, const char16_t* name);
// Closes and frees the cursor: 0.
int16_t VxbTableDelete(TVxbTableHdl tableHdl);
TVxbRltnHdl VxbTableGetRltnHdl(TVxbTableHdl tableHdl);

// --- the relation's columns ---
int16_t VxbTableGetNumFields(TVxbTableHdl tableHdl);
// Column `index` (1-based): 0, or -10 outside the columns.
int16_t VxbTableGetFieldSpec(TVxbTableHdl tableHdl, int16_t index, TVxbFieldSpec* fieldSpec);
// The column's type code; -10 for no such column.
int16_t VxbTableGetDataType(TVxbTableHdl tableHdl, int16_t fieldNo);
// The column of that name (case does not matter), 0 when none; a name with
// "." in it is 0.
int16_t VxbTableGetFieldNo(TVxbTableHdl tableHdl, const char16_t* name);
int16_t VxbTableGetRecordSize(TVxbTableHdl tableHdl);
// The table level of the relation.
int16_t VxbTableGetRltnVersion(TVxbTableHdl tableHdl);
// 1 when the relation is open with the append, edit or delete right.
int16_t VxbTableCanModify(TVxbTableHdl tableHdl);
// The stored number (1 to n, in the order of the column's value list) of
// the value named `enumStr` in the Enum column `fieldNo`, the name compared
// exactly as the engine compares enumeration names (case and accents
// count); 0 when it names none of them (a null or empty name too); -10 for
// a column that is not an Enum column.
int16_t VxbTableGetEnumValue(TVxbTableHdl tableHdl, int16_t fieldNo, const char16_t* enumStr);
// The display text of the record whose record id is `recordId` in the table
// the Link column `fieldNo` links to, into `text`: the values of the
// columns of that table's indication (its record id column's column list),
// separated by a blank. An empty text, result 0, when the engine has none:
// a record id of 0 or below, no such record, a linked table not open in the
// session, without a record id column or indication, or with a calculated
// indication (expressions are not evaluated for link texts). 0; -10 for a
// column that is not a Link column.
int16_t VxbTableGetLinkInfo1(TVxbTableHdl tableHdl, int16_t fieldNo, int32_t recordId, char16_t* text,
                             int32_t maxLen);

// --- order and range ---
// The index `indexName` (null or empty: record-number order), reversed with
// `reverse`: 0, -16 for an unknown index or one that cannot be opened.
int16_t VxbTableSetIndex(TVxbTableHdl tableHdl, const char16_t* indexName, bool reverse);
// The index serving `sortOrder` ("COL;COL DESC"): 0, or -18 when none.
int16_t VxbTableSetSortOrder(TVxbTableHdl tableHdl, const char16_t* sortOrder);
// "Nummer", "Markierung" or the index name into `accessName`: 0.
int16_t VxbTableGetAccess(TVxbTableHdl tableHdl, char16_t* accessName, int32_t textLen);
// The range between the key columns of two record buffers: the first
// `fieldCountStart` (`fieldCountEnd`) key columns count; a null buffer is an
// open end. 0, or -15 outside index order.
int16_t VxbTableSetRange(TVxbTableHdl tableHdl, const uint8_t* rangeLower, const uint8_t* rangeUpper,
                         int32_t bufferSize, int16_t fieldCountStart, int16_t fieldCountEnd);
int16_t VxbTableClearRange(TVxbTableHdl tableHdl);

// --- moves (32-bit) ---
// 1, -11 or -201.
int32_t VxbTableFirst(TVxbTableHdl tableHdl);
int32_t VxbTableLast(TVxbTableHdl tableHdl);
// 0, -11 (the cursor stays where it was) or -201.
int32_t VxbTableMoveBy(TVxbTableHdl tableHdl, int32_t delta);
// -1 before the first record, 0 while appending.
int32_t VxbTableGetRecNo(TVxbTableHdl tableHdl);
// -1 goes before the first record (0); a visible record gives its number,
// anything else -11 with the position kept.
int32_t VxbTableSetRecNo(TVxbTableHdl tableHdl, int32_t recNo);
int32_t VxbTableGetSequenceNo(TVxbTableHdl tableHdl);
int32_t VxbTableSetSequenceNo(TVxbTableHdl tableHdl, int32_t sequenceNo);
int16_t VxbTableIsSequenced(TVxbTableHdl tableHdl);
// Records visible through the cursor; -1 when not known cheaply (a range or
// an incremental filter on 10,000 records or more).
int32_t VxbTableGetRowCount(TVxbTableHdl tableHdl);

// --- searches and filters ---
// Key search on `indexName` with the key built from the first
// `indexItemCount` key columns (0: all) of `recordBuffer`: the record
// number of the first visible record whose key is not smaller (nearest) —
// `exactMatch` tells whether its key equals — 0 when none, -16 for an
// unknown index. The cursor stands on the record found.
int32_t VxbTableLocateRec2(TVxbTableHdl tableHdl, const char16_t* indexName, const uint8_t* recordBuffer,
                           int16_t indexItemCount, bool* exactMatch);
// Whether a record visible through the cursor satisfies the condition: 1 or
// 0; with mode 5 the cursor stays on it. -44 when it does not compile.
int16_t VxbTableLocateRec3(TVxbTableHdl tableHdl, const char16_t* searchCondition, int32_t mode);
// The filter `sqlFilter` (empty: none) with `mode` (1 static, 15
// incremental, 3/6/7 mark operations; bits 4 to 6 options), prepared with
// `background`, else in force at once: 0, or -44 with the compiler's error
// stored.
int16_t VxbTableSetSQLFilter(TVxbTableHdl tableHdl, const char16_t* sqlFilter, int32_t mode, bool background);
// `active`: the prepared filter goes in force; otherwise the one in force
// goes back to being prepared. 0.
int16_t VxbTableActivateFilter(TVxbTableHdl tableHdl, bool active);
// Full-text filters are not built: -44 with the error stored.
int16_t VxbTableSetWordFilter(TVxbTableHdl tableHdl, const char16_t* fulltextIndexName, const char16_t* words,
                              int32_t mode);
// Compiles `condition` for testing single records of cursor `tableHdl`,
// which belongs to session `sessionHdl`: 0 with the compiled condition's
// number in `selectionNo`, -44 when it does not compile (the compiler's
// error stored), -101 for a cursor of another session.
int16_t VxbSessTokenizeSelection(TVxbSessHdl sessionHdl, TVxbTableHdl tableHdl, const char16_t* condition,
                                 int32_t* selectionNo);
// Whether the cursor's current record satisfies compiled condition
// `selectionNo`: 0 it does, 1 it does not, -11 no current stored record, -10
// no such compiled condition.
int16_t VxbTableEvaluateSelection(TVxbTableHdl tableHdl, int32_t selectionNo);
// Forgets a compiled condition (the cursor's going forgets them all): 0 or
// -10.
int16_t VxbTableFreeSelection(TVxbTableHdl tableHdl, int32_t selectionNo);
// With `checkNet` other sessions' changes are taken in. 1 when the visible
// record set was rebuilt, else 0.
int16_t VxbTableRefresh(TVxbTableHdl tableHdl, bool checkNet);
// 0 when bookmark1 comes first, 1 equal, 2 after; -15 for an order that
// cannot compare them.
int16_t VxbTableCompareBookmarks(TVxbTableHdl tableHdl, const char16_t* indexName, int32_t bookmark1,
                                 int32_t bookmark2);

// --- records ---
// The current record (or the one being edited) into `buffer`: 0.
int16_t VxbTableGetRecord(TVxbTableHdl tableHdl, uint8_t* buffer, int32_t recBufSize);
// `buffer` into the record being appended or edited: 0.
int16_t VxbTableSetRecord(TVxbTableHdl tableHdl, const uint8_t* buffer, int32_t recBufSize);
// 0 or -25.
int16_t VxbTableAppend(TVxbTableHdl tableHdl);
int16_t VxbTableAppendDuplicate(TVxbTableHdl tableHdl);
// 0, -57 when not appending, -25 when the record could not be written.
int16_t VxbTableAppendConfirm(TVxbTableHdl tableHdl);
// 0 or -57.
int16_t VxbTableAppendCancel(TVxbTableHdl tableHdl);
// 0, or -31 when the record cannot be had for editing.
int16_t VxbTableEdit(TVxbTableHdl tableHdl);
int16_t VxbTableEditConfirm(TVxbTableHdl tableHdl);
int16_t VxbTableEditCancel(TVxbTableHdl tableHdl);
// 0 or -20.
int16_t VxbTableDeleteRecord(TVxbTableHdl tableHdl);
// The record id of the current record (32-bit).
int32_t VxbTableGetAutoNo(TVxbTableHdl tableHdl);
int16_t VxbTableSetAutoNo(TVxbTableHdl tableHdl, int32_t autoNo);
int16_t VxbTableSetNextRecordId(TVxbTableHdl tableHdl, int16_t fieldNo, int32_t recordId);
// Deletes every record: 0, -30 for a cursor that may not modify, -100.
int16_t VxbTableEmpty(TVxbTableHdl tableHdl);

// --- memo, blob and wide-memo contents ---
// Prepares reading column `fieldNo`'s content: its size in bytes (32-bit),
// -10 for no such column, -100 when it cannot be read.
int32_t VxbTableInitGetBlob(TVxbTableHdl tableHdl, int16_t fieldNo, int32_t maxSize, int16_t* blobType);
// Copies the prepared content (at most `size` bytes) and ends the reading:
// the bytes copied, or -100.
int32_t VxbTablePerformGetBlob(TVxbTableHdl tableHdl, void* blobBuffer, int32_t size);
// The whole pending content of a Memo, Blob or WideMemo column: 0, -57 when
// not appending or editing, -10 for another column or an odd WideMemo size.
int16_t VxbTableSetBlob(TVxbTableHdl tableHdl, int16_t fieldNo, const void* blob, int32_t size);

// --- table locks ---
// `lockType` 1 a read lock, else a write lock; waits with a non-zero
// `timeOut`, else only tries: 0 or -47.
int16_t VxbTableLock(TVxbTableHdl tableHdl, int16_t lockType, int32_t timeOut);
// Gives back one lock of that kind taken through this handle: 0.
int16_t VxbTableUnlock(TVxbTableHdl tableHdl, int16_t lockType);
// The lock file's figures: 0, -17 for a relation without one.
int16_t VxbTableGetUsage(TVxbTableHdl tableHdl, TVxbTableUsage* tableUsage);

// --- marks ---
// 0, or -11 for a record number outside the table.
int16_t VxbTableAddMark(TVxbTableHdl tableHdl, int32_t recNo);
int16_t VxbTableRemoveMark(TVxbTableHdl tableHdl, int32_t recNo);
// 1 or 0.
int16_t VxbTableIsMarked(TVxbTableHdl tableHdl, int32_t recNo);
int16_t VxbTableUnmark(TVxbTableHdl tableHdl);
// The next marked record in the cursor's order (backwards for a negative
// delta; from the first or last with `restart`): 1, -11 none, -31 the table
// cannot be read now.
int32_t VxbTableGotoMark(TVxbTableHdl tableHdl, int32_t delta, bool restart);
// Deletes the marked records: 0, -31 when the table cannot be write-locked,
// -20 when a deletion failed.
int16_t VxbTableDeleteMarkedRecs(TVxbTableHdl tableHdl, const TVxbProgressProc& progress);

// Called after a record of the cursor's relation was deleted: 0.
int16_t VxbTableSetOnChangeProc(TVxbTableHdl tableHdl, TVxbTableOnChangeProc proc);

}  // namespace vexilo::api
