// TVxbCursor: what a table handle of the engine call interface stands for —
// one position in one open relation, seen in one order (record numbers or
// an index, forwards or in reverse), limited by an optional key range,
// thinned by an optional filter, with a set of marked records.
//
// The cursor owns an accessor that holds the position and the record
// buffers and does every step; the cursor adds the order chosen by index
// name, the user range, the filters and the marks, and keeps them right
// when records are posted or deleted (the relation renumbers records: the
// last record moves into a deleted number).
//
// Filters move through two states. SetUserSqlFilter prepares one in the
// background (a static filter computes its list at once) or puts it in
// force; ActivateFilter puts the prepared filter in force and
// DeactivateFilter takes it back, so that activating again restores it. A
// static filter is browsed as a list of record numbers in the cursor's
// order; an incremental one is tested while moving. The marks share the
// prepared list: marking records makes the prepared filter the marks.
//
// Results: moves 1 / 0 on success, -11 when there is no such record, -201
// when reading failed; other operations 0 or the negated engine error,
// recorded as the session's last error. Compiling a condition raises
// EVxbEngine, which the call interface turns into its result.
//
// A cursor is used by one thread at a time; its host and relation must
// outlive it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "engine/cursor/accessor.h"
#include "engine/cursor/cursor_host.h"
#include "engine/cursor/filter_kind.h"
#include "engine/index/bookmark_list.h"

namespace vexilo::cursor {

class TVxbSqlCondition;

class TVxbCursor {
 public:
  // Called after a record was deleted: the session handle, the table
  // handle, the deleted record number and the number of the record that
  // moved into it (0 when none).
  using TChangeProc = std::function<void(int16_t sessionHdl, int16_t tableHdl, int32_t deletedRecNo,
                                         int32_t movedRecNo)>;
  // Progress of DeleteMarkedRecords: records done and the total; 1 stops.
  using TProgressProc = std::function<int(int32_t done, int32_t total)>;

  // A cursor under `tableHdl` on the relation `rltnIdx` of `host`'s catalog
  // with an accessor tagged `name`. Open before use.
  TVxbCursor(int16_t tableHdl, TVxbCursorHost& host, int16_t rltnIdx, std::u16string name);
  // Closes the cursor.
  ~TVxbCursor();
  TVxbCursor(const TVxbCursor&) = delete;
  TVxbCursor& operator=(const TVxbCursor&) = delete;

  // No filter, record-number order, before the first record: 0, or the
  // negated error (the relation is not open).
  int16_t Open();
  // Cancels an edit, removes the filters.
  void Close();

  int16_t TableHdl() const { return FTableHdl; }
  int16_t RltnIdx() const { return FRltnIdx; }
  int32_t RltnHdl() const { return FDFNo; }
  TVxbCursorHost& Host() const { return FHost; }
  TVxbAccessor& Accessor() const { return *FAccessor; }
  storage::TVxbRelation& Relation() const { return FAccessor->Relation(); }

  // --- moves ---
  int16_t First();
  int16_t Last();
  int16_t Next() { return MoveBy(1); }
  int16_t MoveBy(int32_t delta);
  // -1 goes before the first record (0); otherwise the record's number when
  // it is visible, else -11 with the position kept.
  int32_t SetRecordNo(int32_t recordNo);
  int32_t GetRecordNo() const { return FAccessor->CurrentRecordNo(); }
  int32_t GetSequenceNo() { return FAccessor->GetSequenceNo(); }
  int32_t SetSequenceNo(int32_t sequenceNo);
  int16_t IsSequenced() const { return 1; }
  // Records visible through the cursor, or -1 when not known cheaply.
  int32_t GetRowCount();

  // --- order and range ---
  // The index named `indexName` (empty: record-number order), reversed with
  // `reverse`: 0, -16 for an unknown index or one that cannot be opened, or
  // the negated error of rebuilding the access path.
  int16_t SetIndex(std::u16string_view indexName, bool reverse);
  // The index whose specification serves `sortOrder` (column names
  // separated by ";", each optionally followed by " DESC"); -18 when none.
  int16_t SetSortOrder(std::u16string_view sortOrder);
  // "Nummer" in record-number order, "Markierung" browsing marks or a
  // static filter, else the index name.
  std::u16string GetAccessName() const;
  const std::u16string& Sorting() const { return FSorting; }
  // The range of the index order between the key columns of two record
  // buffers (see TVxbAccessor::SetRange); -15 outside index order.
  int16_t SetUserRange(const uint8_t* rangeLower, const uint8_t* rangeUpper, int fieldCountStart, int fieldCountEnd);
  void ClearUserRange();

  // --- filters and searches ---
  // See the header comment; `mode`'s low four bits select the operation
  // (filter_kind.h), bits 4 to 6 the preparation options. Raises EVxbEngine
  // when the text does not compile; 0 otherwise.
  int16_t SetUserSqlFilter(std::u16string_view filterExpression, int32_t mode, bool background);
  void ActivateFilter();
  void DeactivateFilter();
  TVxbFilterKind ActiveFilterKind() const { return FActiveFilterKind; }
  TVxbFilterKind UserFilterKind() const { return FUserFilterKind; }
  // A record that satisfies the condition and is visible through the
  // cursor: 1 found (with mode 5 the cursor stays on it), 0 not. Raises
  // EVxbEngine for a condition that does not compile.
  int16_t Locate(std::u16string_view filterExpression, int32_t mode);
  // Key search on the index named `indexName` with the key built from
  // `recordBuffer`: the record number, 0 when none, -16 for an unknown
  // index. See TVxbAccessor::LocateRecord2.
  int32_t LocateRec2(std::u16string_view indexName, const uint8_t* recordBuffer, int indexItemCount, bool& exact);
  // With `checkNet` the relation takes in other sessions' changes; the
  // current record is read again. 1 when the visible record set was
  // rebuilt, else 0.
  int16_t Refresh(bool checkNet);
  // The order of two records: 0 before, 1 equal, 2 after; -15 for an order
  // that cannot compare them.
  int16_t CompareBookmarks(std::u16string_view indexName, int32_t bookmark1, int32_t bookmark2);

  // --- conditions compiled for single records ---
  // Compiles `condition` against the cursor's table and keeps it until
  // FreeSelection or the cursor goes: its number (from 1). Raises EVxbEngine
  // when it does not compile.
  int32_t TokenizeSelection(std::u16string_view condition);
  // Whether the current record satisfies compiled condition `selectionNo`:
  // 0 it does, 1 it does not (false or unknown), -11 when the cursor stands
  // on no stored record, -10 for a number that names no kept condition.
  int16_t EvaluateSelection(int32_t selectionNo);
  // Forgets a compiled condition: 0, or -10 when there is none.
  int16_t FreeSelection(int32_t selectionNo);

  // --- marks ---
  int16_t AddMark(int32_t recNo);
  int16_t RemoveMark(int32_t recNo);
  int16_t ToggleMark(int32_t recNo);
  bool IsMarked(int32_t recNo) const;
  void Unmark();
  void ClearMarks() { Unmark(); }
  const index::TVxbBookmarkList& GetMarks() const { return *FUserBookmarks; }
  // Moves in the cursor's order (backwards for a negative delta; from the
  // first or last record with `restart`) to a marked record: 1, or -11.
  int32_t GotoMark(int32_t delta, bool restart);
  // Deletes the marked records under the write lock; 0 or the first
  // failure.
  int16_t DeleteMarkedRecords(const TProgressProc& progress);

  // --- records (the edit cycle keeps the filter lists current) ---
  int16_t Append();
  int16_t AppendConfirm();
  int16_t EditConfirm();
  int16_t DeleteRecord();

  void SetOnChangeProc(TChangeProc proc) { FOnChangeProc = std::move(proc); }
  bool Dirty() const { return FDirtyFlag; }

 private:
  // Rebuilds the visible record set: the static lists, the order of
  // FSorting, the user range; then back to the record it stood on.
  int16_t RebuildAccessPath();
  // The index serving FSorting; its number, or -1 with error 6 recorded.
  int FindSortingIndex(bool& reverse);
  int16_t ApplyUserRange();
  // Prepares `text` on `accessor` with the options of `mode`; null for an
  // empty text.
  std::unique_ptr<TVxbSqlCondition> Compile(std::u16string_view text, int32_t mode, TVxbAccessor& accessor);
  // The records satisfying `condition` (prepared on the search accessor)
  // appended to `list`; with `visibleOnly` those visible through this
  // cursor only.
  int16_t AppendBookmarks(TVxbSqlCondition& condition, index::TVxbBookmarkList& list, bool visibleOnly);
  // Orders `list` by FSorting's index, or by record number.
  int16_t SortBookmarks(index::TVxbBookmarkList& list);
  // Fills `list` with the records satisfying `condition`, in FSorting's
  // order.
  int16_t ComputeList(TVxbSqlCondition& condition, index::TVxbBookmarkList& list);
  // The order of FSorting's index (record numbers without one) with the
  // user range, no list.
  void UsePlainOrder();
  // Recomputes the list of the prepared static filter and of the active one.
  int16_t RecomputeStaticLists();
  // After a post: the prepared and active lists follow the record.
  void KeepListsCurrent(int32_t recNo, bool appended);
  // Whether the record satisfies a condition prepared on the search
  // accessor.
  bool Satisfies(TVxbSqlCondition& condition, int32_t recNo);
  // Walks the records `condition` (prepared on the search accessor) may
  // select, in the best order for it, and calls `each` with every record
  // that satisfies it; stops early when `each` answers false.
  int16_t WalkMatching(TVxbSqlCondition& condition, const std::function<bool(int32_t)>& each);
  // Whether record `recNo` is visible through the cursor.
  bool VisibleThroughCursor(int32_t recNo);
  // The operations of the mark modes.
  int16_t ApplyMarkOperation(TVxbFilterOperation operation, TVxbSqlCondition& condition);
  // Puts `recNo` into `list` at its place in FSorting's order.
  void InsertIntoList(index::TVxbBookmarkList& list, int32_t recNo);
  // Stands on a visible record after the visible set changed.
  void SettleOnVisible();
  int16_t MoveResult(int16_t accessorResult, bool storeError);
  // The search accessor of Locate and of the mark operations.
  TVxbAccessor& SearchAccessor();
  void OnRecordDeleted(int32_t recNo, int32_t movedFrom);

  TVxbCursorHost& FHost;
  int16_t FRltnIdx;
  int32_t FDFNo;
  std::unique_ptr<TVxbAccessor> FAccessor;
  std::unique_ptr<TVxbAccessor> FSearchAccessor;
  TChangeProc FOnChangeProc;
  bool FDirtyFlag = false;
  int16_t FTableHdl;
  std::u16string FSorting;
  int FSortingIndexNo = storage::kNoIndex;
  bool FSortingReverse = false;
  TVxbFilterKind FActiveFilterKind = tfkNone;
  std::unique_ptr<TVxbSqlCondition> FActiveCondition;
  TVxbFilterKind FUserFilterKind = tfkNone;
  std::unique_ptr<TVxbSqlCondition> FUserCondition;
  std::unique_ptr<index::TVxbBookmarkList> FUserBookmarks = std::make_unique<index::TVxbBookmarkList>();
  // Conditions compiled for single records, by number.
  std::map<int32_t, std::unique_ptr<TVxbSqlCondition>> FSelections;
  int32_t FLastSelectionNo = 0;
  // The user range, as record buffers and column counts.
  std::vector<uint8_t> FUserRangeLower;
  std::vector<uint8_t> FUserRangeUpper;
  int FUserRangeLowerColumns = 0;
  int FUserRangeUpperColumns = 0;
  // The modes the conditions were compiled with.
  int32_t FActiveMode = 0;
  int32_t FUserMode = 0;
  bool FOpen = false;
  // The key LocateRec2 builds (made once: an entry is large).
  std::unique_ptr<types::TVxbLongIndexInfo> FKeyEntry;
};

}  // namespace vexilo::cursor
