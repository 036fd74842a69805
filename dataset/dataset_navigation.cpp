// TVxbDataSet: reading records into buffers, moves, positions, sequence
// numbers, each one cursor call.
#include <algorithm>
#include <cstring>

#include "dataset/action_texts.h"
#include "dataset/dataset.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/blob_fields.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

using framework::TBookmarkFlag;
using framework::TDataSetState;
using framework::TGetMode;
using framework::TGetResult;
using framework::TRecordBuffer;

constexpr int32_t kNoRecordThere = -11;
constexpr char16_t kRecordNotFound[] = u"Record %d not found";

uint8_t* RecordBytes(TRecordBuffer buffer) { return reinterpret_cast<uint8_t*>(buffer); }

}  // namespace

// ---- Reading records ----

TGetResult TVxbDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
  for (;;) {
    int32_t result = 0;
    switch (getMode) {
      case TGetMode::gmCurrent:
        result = api::VxbTableMoveBy(FTableHdl, 0);
        break;
      case TGetMode::gmNext:
        result = FOutOfTableState == TOutOfTableState::ootBOT ? api::VxbTableFirst(FTableHdl)
                                                              : api::VxbTableMoveBy(FTableHdl, 1);
        break;
      case TGetMode::gmPrior:
        result = FOutOfTableState == TOutOfTableState::ootEOT ? api::VxbTableLast(FTableHdl)
                                                              : api::VxbTableMoveBy(FTableHdl, -1);
        break;
    }
    TGetResult outcome = TGetResult::grOK;
    if (result == kNoRecordThere) {
      switch (getMode) {
        case TGetMode::gmCurrent:
          outcome = FOutOfTableState == TOutOfTableState::ootBOT ? TGetResult::grBOF : TGetResult::grEOF;
          break;
        case TGetMode::gmNext:
          outcome = TGetResult::grEOF;
          break;
        case TGetMode::gmPrior:
          outcome = TGetResult::grBOF;
          break;
      }
    } else if (result < 0) {
      if (doCheck) RaiseError(kActionFetchingRecord, result);
      outcome = TGetResult::grError;
    } else {
      FOutOfTableState = TOutOfTableState::ootNone;
    }

    if (outcome != TGetResult::grOK) {
      ClearRecordBuffer(buffer);
      if (outcome == TGetResult::grEOF) FOutOfTableState = TOutOfTableState::ootEOT;
      if (outcome == TGetResult::grBOF) FOutOfTableState = TOutOfTableState::ootBOT;
      return outcome;
    }

    DropBlobCache(buffer);
    std::memcpy(buffer + FRelationsOfs, "\xff\xff\xff\xff", 4);
    Check(kActionFetchingRecords, api::VxbTableGetRecord(FTableHdl, RecordBytes(buffer), FRecordSize));
    const int32_t recNo = api::VxbTableGetRecNo(FTableHdl);
    SetBufferRecNo(buffer, recNo);
    SetSequenceNo(buffer, 0);
    SetBookmarkFlag(buffer, recNo != 0 ? TBookmarkFlag::bfCurrent : TBookmarkFlag::bfInserted);
    SetBufferDeleted(buffer, false);
    GetCalcFields(buffer);
    if (FilterRecordAccepted(buffer)) return TGetResult::grOK;
    if (getMode == TGetMode::gmCurrent) return TGetResult::grError;
  }
}

// ---- Moves ----

void TVxbDataSet::InternalFirst() {
  const int32_t result = api::VxbTableFirst(FTableHdl);
  if (result < 0 && result != kNoRecordThere) RaiseError(kActionFetchingRecord, result);
  FOutOfTableState = TOutOfTableState::ootBOT;
}

void TVxbDataSet::InternalLast() {
  int32_t result = 0;
  if (State() == TDataSetState::dsInsert) {
    result = api::VxbTableSetRecNo(FTableHdl, 0);
  } else {
    result = api::VxbTableLast(FTableHdl);
  }
  if (result < 0 && result != kNoRecordThere) RaiseError(kActionFetchingRecord, result);
  FOutOfTableState = TOutOfTableState::ootEOT;
}

void TVxbDataSet::InternalGotoBookmark(std::span<const std::byte> bookmark) {
  int32_t recNo = 0;
  std::memcpy(&recNo, bookmark.data(), std::min<size_t>(bookmark.size(), 4));
  Check(kActionGoingToBookmark, api::VxbTableSetRecNo(FTableHdl, recNo));
  FOutOfTableState = TOutOfTableState::ootNone;
}

void TVxbDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  const int32_t wanted = BufferRecNo(buffer);
  if (api::VxbTableGetRecNo(FTableHdl) == wanted && FOutOfTableState == TOutOfTableState::ootNone) return;
  if (wanted == 0) {
    api::VxbTableSetRecNo(FTableHdl, 0);
    return;
  }
  // A buffer near the cursor's is reached by a short relative move; any
  // other by its record number.
  int from = -1;
  int to = -1;
  const int32_t cursorRecNo = api::VxbTableGetRecNo(FTableHdl);
  for (int i = 0; i < BufferRecordCount(); ++i) {
    if (Buffer(i) == buffer) to = i;
    if (BufferRecNo(Buffer(i)) == cursorRecNo && FOutOfTableState == TOutOfTableState::ootNone) from = i;
  }
  bool there = false;
  if (from >= 0 && to >= 0 && api::VxbTableMoveBy(FTableHdl, to - from) >= 0) {
    there = api::VxbTableGetRecNo(FTableHdl) == wanted;
  }
  if (!there) api::VxbTableSetRecNo(FTableHdl, wanted);
  FOutOfTableState = api::VxbTableGetRecNo(FTableHdl) == wanted ? TOutOfTableState::ootNone
                                                                : TOutOfTableState::ootEOT;
}

void TVxbDataSet::InternalRefresh() { api::VxbTableRefresh(FTableHdl, true); }

void TVxbDataSet::ResyncWithCursor() {
  if (!Active()) return;
  FOutOfTableState = TOutOfTableState::ootNone;
  Resync({});
}

// ---- Positions ----

bool TVxbDataSet::IsSequenced() {
  if (FTableHdl <= 0) return true;
  FSequenced = api::VxbTableIsSequenced(FTableHdl) == 1;
  return FSequenced;
}

void TVxbDataSet::NumberBuffers() {
  bool missing = false;
  for (int i = 0; i < BufferRecordCount(); ++i) missing = missing || SequenceNo(Buffer(i)) == 0;
  if (!missing) return;
  if (!IsSequenced()) {
    for (int i = 0; i < BufferRecordCount(); ++i) SetSequenceNo(Buffer(i), BufferRecNo(Buffer(i)));
    return;
  }
  UpdateCursorPos();
  const int32_t current = api::VxbTableGetSequenceNo(FTableHdl);
  for (int i = 0; i < BufferRecordCount(); ++i) SetSequenceNo(Buffer(i), current + (i - ActiveRecord()));
}

int32_t TVxbDataSet::GetRecNo() {
  if (!Active() || IsEmpty() || State() == TDataSetState::dsInsert) return -1;
  NumberBuffers();
  return SequenceNo(ActiveBuffer());
}

int32_t TVxbDataSet::RecordNo() {
  if (State() == TDataSetState::dsInsert) return 0;
  if (!Active() || IsEmpty()) return -1;
  return BufferRecNo(ActiveBuffer());
}

void TVxbDataSet::MoveToNumber(int32_t target, bool sequence) {
  CheckBrowseMode();
  DoBeforeScroll();
  const int32_t reached = sequence ? api::VxbTableSetSequenceNo(FTableHdl, target)
                                   : api::VxbTableSetRecNo(FTableHdl, target);
  if (reached < 0 && (sequence || reached != kNoRecordThere)) {
    RaiseError(framework::FormatErrorMessage(kActionSettingToRecordNumber, {target}), reached);
  }
  if (reached != target) throw framework::EDatabaseError::CreateFmt(kRecordNotFound, {target});
  FOutOfTableState = TOutOfTableState::ootNone;
  Resync({.Exact = false, .Center = true});
  DoAfterScroll();
}

void TVxbDataSet::SetRecNo(int32_t value) {
  CheckActive();
  if (!IsSequenced()) {
    SetRecordNo(value);
    return;
  }
  MoveToNumber(value, true);
}

void TVxbDataSet::SetRecordNo(int32_t value) {
  CheckActive();
  MoveToNumber(value, false);
}

}  // namespace vexilo::dataset
