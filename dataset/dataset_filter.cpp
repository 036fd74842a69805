// TVxbDataSet: the filter handed to the cursor, OnFilterRecord on top of it,
// the record count under filters, find-record and the marked-record set.
//
// The cursor keeps two filters: the one prepared by VxbTableSetSQLFilter and
// the one in force after VxbTableActivateFilter(true). The dataset sends its
// condition whenever it has changed and the cursor must know it (the filter
// is in force, or find-record walks its matches); FFilterUpdated tells
// whether the cursor has the current settings.
#include <string>

#include "dataset/action_texts.h"
#include "dataset/dataset.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

using framework::TDataSetState;
using framework::TGetMode;
using framework::TGetResult;
using framework::TRecordBuffer;

constexpr int32_t kNoRecordThere = -11;
constexpr int16_t kInvalidCondition = -44;
// The cursor's filter modes: the low four bits say static (1) or
// incremental (15); 0x10 compares case-insensitively, 0x20 allows partial
// comparisons; 0x40 marks a filter sent by a dataset.
constexpr int32_t kStaticFilterMode = 0x41;
constexpr int32_t kIncrementalFilterMode = 0x4F;
constexpr int32_t kCaseInsensitiveBit = 0x10;
constexpr int32_t kPartialCompareBit = 0x20;
// Selection operations of VxbTableSetSQLFilter.
constexpr int32_t kRemoveMatchesFromMarks = 3;
constexpr int32_t kIntersectMarksWithMatches = 6;
constexpr int32_t kAddMatchesToMarks = 7;

}  // namespace

int32_t TVxbDataSet::FilterMode(const framework::TFilterOptions& options) const {
  int32_t mode = FFilterMethod == TVxbFilterMethod::tfeIncremental ? kIncrementalFilterMode : kStaticFilterMode;
  if (options.CaseInsensitive) mode += kCaseInsensitiveBit;
  if (!options.NoPartialCompare) mode += kPartialCompareBit;
  return mode;
}

// ---- Sending the filter ----

void TVxbDataSet::SendFilter(std::u16string_view text, std::u16string_view wordFilter,
                             const framework::TFilterOptions& options) {
  const bool inForce = Filtered();
  if (inForce && (!Filter().empty() || !FWordFilter.empty())) api::VxbTableActivateFilter(FTableHdl, false);
  const std::u16string condition(text);
  const int16_t result = api::VxbTableSetSQLFilter(FTableHdl, condition.c_str(), FilterMode(options), true);
  if (inForce && (!text.empty() || !wordFilter.empty())) api::VxbTableActivateFilter(FTableHdl, true);
  Check(kActionSettingFilter, result);
  if (!wordFilter.empty()) {
    const std::u16string words(wordFilter);
    Check(kActionSettingWordFilter, api::VxbTableSetWordFilter(FTableHdl, u"", words.c_str(), FilterMode(options)));
  }
  FFilterUpdated = true;
}

void TVxbDataSet::SendFilterOnOpen() {
  FFilterUpdated = false;
  FFilteredRecordCount = -1;
  // A condition that is not in force is sent when it is first needed, so
  // that a stored condition the engine refuses cannot make opening fail.
  if (Filtered() && (!Filter().empty() || !FWordFilter.empty())) SendFilter(Filter(), FWordFilter, FilterOptions());
}

void TVxbDataSet::SetFilter(std::u16string value) {
  if (!Active()) {
    StoreFilter(std::move(value));
    return;
  }
  CheckBrowseMode();
  if (value != Filter()) {
    if (Filtered()) {
      SendFilter(value, FWordFilter, FilterOptions());
    } else {
      FFilterUpdated = false;
    }
  }
  StoreFilter(std::move(value));
  if (Filtered()) First();
}

void TVxbDataSet::SetWordFilter(std::u16string value) {
  if (!Active()) {
    FWordFilter = std::move(value);
    return;
  }
  CheckBrowseMode();
  if (value != FWordFilter) {
    if (Filtered()) {
      SendFilter(Filter(), value, FilterOptions());
    } else {
      FFilterUpdated = false;
    }
  }
  FWordFilter = std::move(value);
  if (Filtered()) First();
}

void TVxbDataSet::SetFiltered(bool value) {
  if (!Active()) {
    StoreFiltered(value);
    return;
  }
  CheckBrowseMode();
  if (value == Filtered()) return;
  if (value) {
    FFilteredRecordCount = -1;
    if (!FFilterUpdated) SendFilter(Filter(), FWordFilter, FilterOptions());
    api::VxbTableActivateFilter(FTableHdl, true);
  } else {
    api::VxbTableActivateFilter(FTableHdl, false);
  }
  StoreFiltered(value);
  First();
}

void TVxbDataSet::SetFilterOptions(const framework::TFilterOptions& value) {
  if (!Active()) {
    StoreFilterOptions(value);
    return;
  }
  CheckBrowseMode();
  if (!(value == FilterOptions())) {
    if (Filtered()) {
      SendFilter(Filter(), FWordFilter, value);
    } else {
      FFilterUpdated = false;
    }
  }
  StoreFilterOptions(value);
  if (Filtered()) First();
}

void TVxbDataSet::SetFilterMethod(TVxbFilterMethod value) {
  if (value == FFilterMethod) return;
  const TVxbFilterMethod previous = FFilterMethod;
  FFilterMethod = value;
  if (!Active()) return;
  CheckBrowseMode();
  if (Filtered()) {
    try {
      SendFilter(Filter(), FWordFilter, FilterOptions());
    } catch (...) {
      FFilterMethod = previous;
      throw;
    }
    First();
  } else {
    FFilterUpdated = false;
  }
}

void TVxbDataSet::SetOnFilterRecord(TFilterRecordEvent value) {
  StoreOnFilterRecord(std::move(value));
  FFilteredRecordCount = -1;
  if (Active() && Filtered()) {
    CheckBrowseMode();
    First();
  }
}

// ---- The record count ----

int32_t TVxbDataSet::GetRecordCount() {
  CheckActive();
  if (!Filtered() || !OnFilterRecord()) return api::VxbTableGetRowCount(FTableHdl);
  if (FFilteredRecordCount < 0) FFilteredRecordCount = CountAcceptedRecords();
  return FFilteredRecordCount;
}

int32_t TVxbDataSet::CountAcceptedRecords() {
  framework::TRecordBufferPtr work = AllocRecordBuffer();
  const int32_t recNo = api::VxbTableGetRecNo(FTableHdl);
  const TOutOfTableState savedState = FOutOfTableState;
  struct TRestore {
    TVxbDataSet& dataSet;
    framework::TRecordBufferPtr& work;
    int32_t recNo;
    TOutOfTableState state;
    ~TRestore() {
      api::VxbTableSetRecNo(dataSet.FTableHdl, recNo);
      dataSet.FOutOfTableState = state;
      dataSet.FreeRecordBuffer(work);
    }
  } restore{*this, work, recNo, savedState};
  FOutOfTableState = TOutOfTableState::ootBOT;
  int32_t count = 0;
  while (GetRecord(work.get(), TGetMode::gmNext, true) == TGetResult::grOK) ++count;
  return count;
}

// ---- Find-record ----

bool TVxbDataSet::StepForFind(bool first, bool goForward) {
  int32_t result = 0;
  if (!Filter().empty() || !FWordFilter.empty()) {
    result = api::VxbTableGotoMark(FTableHdl, goForward ? 1 : -1, first);
  } else if (first) {
    result = goForward ? api::VxbTableFirst(FTableHdl) : api::VxbTableLast(FTableHdl);
  } else {
    result = api::VxbTableMoveBy(FTableHdl, goForward ? 1 : -1);
  }
  if (result == kNoRecordThere) return false;
  Check(kActionFetchingRecord, result);
  return true;
}

bool TVxbDataSet::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  SetFound(false);
  UpdateCursorPos();
  CursorPosChanged();
  if (!FFilterUpdated) SendFilter(Filter(), FWordFilter, FilterOptions());

  bool found = false;
  framework::TRecordBufferPtr work = AllocRecordBuffer();
  struct TFree {
    TVxbDataSet& dataSet;
    framework::TRecordBufferPtr& work;
    ~TFree() { dataSet.FreeRecordBuffer(work); }
  } release{*this, work};
  if (Filtered()) {
    if (restart) {
      if (goForward) {
        InternalFirst();
      } else {
        InternalLast();
      }
    }
    found = GetRecord(work.get(), goForward ? TGetMode::gmNext : TGetMode::gmPrior, true) == TGetResult::grOK;
  } else {
    bool first = restart;
    while (StepForFind(first, goForward)) {
      first = false;
      FOutOfTableState = TOutOfTableState::ootNone;
      if (GetRecord(work.get(), TGetMode::gmCurrent, true) != TGetResult::grOK) continue;
      if (OfferFilterRecord(work.get())) {
        found = true;
        break;
      }
    }
    if (!found) {
      // The walk ran off the end: stand after the last or before the first.
      if (goForward) {
        InternalLast();
      } else {
        InternalFirst();
      }
    }
  }

  if (found) {
    FOutOfTableState = TOutOfTableState::ootNone;
    Resync({.Exact = true, .Center = true});
    SetFound(true);
  } else if (!IsEmpty()) {
    InternalSetToRecord(ActiveBuffer());
  }
  DoAfterScroll();
  return found;
}

// ---- Selections ----

void TVxbDataSet::AddToSelection(int32_t recordNo) {
  CheckActive();
  Check(kActionAddingToSelection, api::VxbTableAddMark(FTableHdl, recordNo));
}

void TVxbDataSet::RemoveFromSelection(int32_t recordNo) {
  CheckActive();
  Check(kActionRemovingRecordFromSelection, api::VxbTableRemoveMark(FTableHdl, recordNo));
}

bool TVxbDataSet::IsSelected(int32_t recordNo) {
  CheckActive();
  return Check(kActionTestingSelection, api::VxbTableIsMarked(FTableHdl, recordNo)) > 0;
}

void TVxbDataSet::ClearSelection() {
  CheckActive();
  Check(kActionClearingSelection, api::VxbTableUnmark(FTableHdl));
}

void TVxbDataSet::ModifySelection(std::u16string_view condition, int32_t mode, std::u16string_view action) {
  CheckActive();
  const std::u16string text(condition);
  Check(action, api::VxbTableSetSQLFilter(FTableHdl, text.c_str(), mode, true));
}

void TVxbDataSet::AddToSelection(std::u16string_view condition) {
  ModifySelection(condition, kAddMatchesToMarks, kActionAddingToSelection);
}

void TVxbDataSet::RemoveFromSelection(std::u16string_view condition) {
  ModifySelection(condition, kRemoveMatchesFromMarks, kActionRemovingFromSelection);
}

void TVxbDataSet::IntersectSelection(std::u16string_view condition) {
  ModifySelection(condition, kIntersectMarksWithMatches, kActionIntersectingSelection);
}

void TVxbDataSet::ActivateSelection() {
  CheckActive();
  if (Filtered()) {
    Check(kActionActivatingSelection, api::VxbTableActivateFilter(FTableHdl, true));
    First();
  } else {
    // Switching on must not send the condition over the marks; the
    // condition is sent again when it is next needed.
    FFilterUpdated = true;
    SetFiltered(true);
    FFilterUpdated = false;
  }
}

// ---- Testing one record ----

bool TVxbDataSet::IsConditionValid(std::u16string_view condition) {
  CheckActive();
  const std::u16string text(condition);
  const std::u16string action = framework::FormatErrorMessage(kActionEvaluatingCondition, {text});
  int32_t selectionNo = 0;
  int16_t result = api::VxbSessTokenizeSelection(SessionHdl(), FTableHdl, text.c_str(), &selectionNo);
  if (result > 0) result = kInvalidCondition;
  Check(action, result);
  struct TFree {
    api::TVxbTableHdl tableHdl;
    int32_t selectionNo;
    ~TFree() { api::VxbTableFreeSelection(tableHdl, selectionNo); }
  } release{FTableHdl, selectionNo};
  if (IsEmpty()) return false;
  InternalSetToRecord(ActiveBuffer());
  const int16_t truth = api::VxbTableEvaluateSelection(FTableHdl, selectionNo);
  if (truth == kNoRecordThere) return false;
  Check(action, truth);
  return truth == 0;
}

}  // namespace vexilo::dataset
