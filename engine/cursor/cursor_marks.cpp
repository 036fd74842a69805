// The cursor's marks: the marked record numbers, shared with the list of
// the prepared filter, moving to them and deleting them.
#include <cstdint>

#include "engine/cursor/condition/sql_condition.h"
#include "engine/cursor/cursor.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/sharing/table_lock_guard.h"

namespace vexilo::cursor {

namespace {

constexpr int16_t kNoSuchRecord = -11;
// GotoMark and DeleteMarkedRecords report a table lock they could not have
// with this result.
constexpr int16_t kTableNotLockable = -31;

}  // namespace

int16_t TVxbCursor::AddMark(int32_t recNo) {
  if (recNo < 1 || recNo > Relation().GetRecordCount()) {
    return FHost.Services().SetLastError(errors::vxbErrRecordNotFound, {});
  }
  if (FUserFilterKind != tfkBookmarks) {
    // The prepared list now holds marks, whatever filter prepared it.
    FUserCondition.reset();
    FUserFilterKind = tfkBookmarks;
  }
  if (FUserBookmarks->Find(recNo) < 0) FUserBookmarks->Append(recNo);
  return 0;
}

int16_t TVxbCursor::RemoveMark(int32_t recNo) {
  if (FUserFilterKind != tfkBookmarks) {
    FUserCondition.reset();
    FUserFilterKind = tfkBookmarks;
  }
  FUserBookmarks->Delete(recNo);
  return 0;
}

int16_t TVxbCursor::ToggleMark(int32_t recNo) { return IsMarked(recNo) ? RemoveMark(recNo) : AddMark(recNo); }

bool TVxbCursor::IsMarked(int32_t recNo) const { return recNo > 0 && FUserBookmarks->Find(recNo) >= 0; }

void TVxbCursor::Unmark() { FUserBookmarks->Clear(); }

int32_t TVxbCursor::GotoMark(int32_t delta, bool restart) {
  if (FUserBookmarks->Count() == 0) return kNoSuchRecord;
  storage::TVxbTableLocks* locks = Relation().LockState();
  storage::TVxbTableLockGuard readLock;
  if (locks != nullptr) {
    readLock = storage::TVxbTableLockGuard::Read(*locks);
    if (!readLock) return kTableNotLockable;
  }
  const bool backwards = delta < 0;
  const TVxbAccessor::TPosition start = FAccessor->Push();
  int16_t step = 0;
  if (restart) {
    step = backwards ? FAccessor->Last() : FAccessor->First();
  } else {
    step = backwards ? FAccessor->Prior() : FAccessor->Next();
  }
  while (step == 0) {
    if (IsMarked(FAccessor->CurrentRecordNo())) return 1;
    step = backwards ? FAccessor->Prior() : FAccessor->Next();
  }
  FAccessor->Pop(start);
  return kNoSuchRecord;
}

int16_t TVxbCursor::DeleteMarkedRecords(const TProgressProc& progress) {
  storage::TVxbTableLocks* locks = Relation().LockState();
  storage::TVxbTableLockGuard writeLock;
  if (locks != nullptr) {
    writeLock = storage::TVxbTableLockGuard::Write(*locks);
    if (!writeLock) return kTableNotLockable;
  }
  const int32_t total = FUserBookmarks->Count();
  const int32_t reportEvery = total >= 100 ? total / 100 : 1;
  int32_t done = 0;
  int16_t result = 0;
  if (progress && progress(0, total) == 1) return 0;
  // Deleting record d moves the table's last record into d; the deletion
  // notice renumbers the marks (OnRecordDeleted), so the slots after the
  // current one always name the records still to go.
  for (int32_t slot = FUserBookmarks->FindFirst(); slot >= 0; slot = FUserBookmarks->FindNext(slot)) {
    const int32_t recNo = FUserBookmarks->GetItem(slot);
    if (const int16_t moved = FAccessor->GotoRecord(recNo); moved < 0) {
      result = moved;
      break;
    }
    if (const int16_t deleted = FAccessor->DeleteRecord(); deleted < 0) {
      result = deleted;
      break;
    }
    // A notice that did not reach the list (the record was no longer the
    // one marked) must not make the loop delete it twice.
    if (FUserBookmarks->GetItem(slot) == recNo) FUserBookmarks->DeleteAt(slot);
    ++done;
    if (progress && done % reportEvery == 0 && progress(done, total) == 1) break;
  }
  SettleOnVisible();
  return result;
}

}  // namespace vexilo::cursor
