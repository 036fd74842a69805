// TDataSet: the ring of record buffers, navigation and bookmarks.
//
// The ring is FBuffers[0 .. FBufferCount]: buffers 0 to FRecordCount-1 hold
// consecutive records, FBuffers[FRecordCount] is where the next record is
// read before it takes its place. FActiveRecord is the current record's
// buffer, FCurrentRecord the buffer whose record the cursor stands on (-1:
// unknown, the cursor must be set before it moves relative to a buffer).
// A record enters the ring only when a move reaches it, so scrolling reads
// one record per row scrolled and never the whole table.
#include <algorithm>

#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"

namespace vexilo::framework {

TRecordBuffer TDataSet::Buffer(int index) const { return FBuffers.at(static_cast<size_t>(index)).get(); }

TRecordBuffer TDataSet::ActiveBuffer() const {
  if (FActiveRecord < 0 || static_cast<size_t>(FActiveRecord) >= FBuffers.size()) return nullptr;
  return FBuffers[static_cast<size_t>(FActiveRecord)].get();
}

TRecordBufferPtr TDataSet::AllocRecordBuffer() {
  return std::make_unique<std::byte[]>(static_cast<size_t>(std::max<int32_t>(GetRecordSize(), 1)));
}

void TDataSet::FreeRecordBuffer(TRecordBufferPtr& buffer) { buffer.reset(); }

void TDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::fill_n(buffer, static_cast<size_t>(std::max<int32_t>(GetRecordSize(), 0)), std::byte{0});
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

void TDataSet::GetBookmarkData(TRecordBuffer, std::span<std::byte>) {}
TBookmarkFlag TDataSet::GetBookmarkFlag(TRecordBuffer) { return TBookmarkFlag::bfCurrent; }
void TDataSet::SetBookmarkData(TRecordBuffer, std::span<const std::byte>) {}
void TDataSet::SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {}
void TDataSet::InternalGotoBookmark(std::span<const std::byte>) {}
void TDataSet::InternalSetToRecord(TRecordBuffer) {}
void TDataSet::InternalPost() {}
void TDataSet::SetRecNo(int32_t) {}

// ---- The ring ----

void TDataSet::SetBufferCount(int value) {
  if (value <= 0) {
    for (auto& buffer : FBuffers) {
      if (buffer) FreeRecordBuffer(buffer);
    }
    FBuffers.clear();
    FBufferCount = 0;
    ClearBuffers();
    return;
  }
  if (value == FBufferCount && FBuffers.size() == static_cast<size_t>(value) + 1) return;
  const bool grows = value > FBufferCount;
  if (!grows) {
    if (FRecordCount > value) {
      // Keep the active record: drop the records before it first.
      const int drop = std::max(0, FActiveRecord - value + 1);
      for (int i = 0; i < drop; ++i) MoveBuffer(0, FBufferCount);
      FActiveRecord -= drop;
      FRecordCount = std::min(FRecordCount - drop, value);
      AdjustLinkFirstRecords(-drop);
    }
    if (FCurrentRecord >= FRecordCount) CursorPosChanged();
    for (size_t i = static_cast<size_t>(value) + 1; i < FBuffers.size(); ++i) {
      if (FBuffers[i]) FreeRecordBuffer(FBuffers[i]);
    }
    FBuffers.resize(static_cast<size_t>(value) + 1);
    FBufferCount = value;
    return;
  }
  const size_t oldSize = FBuffers.size();
  FBuffers.resize(static_cast<size_t>(value) + 1);
  for (size_t i = oldSize; i < FBuffers.size(); ++i) FBuffers[i] = AllocRecordBuffer();
  FBufferCount = value;
  // Fill the new room: first with the records that follow, then with those
  // before the first one held.
  GetNextRecords();
  if (FRecordCount > 0 && FRecordCount < FBufferCount) AdjustLinkFirstRecords(GetPriorRecords());
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  auto begin = FBuffers.begin();
  if (curIndex < newIndex) {
    std::rotate(begin + curIndex, begin + curIndex + 1, begin + newIndex + 1);
  } else {
    std::rotate(begin + newIndex, begin + curIndex, begin + curIndex + 1);
  }
  // FCurrentRecord follows its buffer.
  if (FCurrentRecord == curIndex) {
    FCurrentRecord = newIndex;
  } else if (curIndex < newIndex && FCurrentRecord > curIndex && FCurrentRecord <= newIndex) {
    --FCurrentRecord;
  } else if (curIndex > newIndex && FCurrentRecord >= newIndex && FCurrentRecord < curIndex) {
    ++FCurrentRecord;
  }
}

void TDataSet::SetCurrentRecord(int index) {
  if (FCurrentRecord == index) return;
  const TRecordBuffer buffer = Buffer(index);
  switch (GetBookmarkFlag(buffer)) {
    case TBookmarkFlag::bfCurrent:
    case TBookmarkFlag::bfInserted:
      InternalSetToRecord(buffer);
      break;
    case TBookmarkFlag::bfBOF:
      InternalFirst();
      break;
    case TBookmarkFlag::bfEOF:
      InternalLast();
      break;
  }
  FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = TGetMode::gmNext;
  if (FRecordCount > 0) {
    SetCurrentRecord(FRecordCount - 1);
    if (FState == TDataSetState::dsInsert && FCurrentRecord == FActiveRecord &&
        GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent) {
      mode = TGetMode::gmCurrent;
    }
  }
  TGetResult result;
  try {
    result = GetRecord(Buffer(FRecordCount), mode, true);
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  if (result != TGetResult::grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0) {
    ActivateBuffers();
  } else if (FRecordCount < FBufferCount) {
    ++FRecordCount;
  } else {
    MoveBuffer(0, FRecordCount);
  }
  FCurrentRecord = FRecordCount - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0) SetCurrentRecord(0);
  TGetResult result;
  try {
    result = GetRecord(Buffer(FRecordCount), TGetMode::gmPrior, true);
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  if (result != TGetResult::grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(FRecordCount, 0);
    if (FRecordCount < FBufferCount) {
      ++FRecordCount;
      ++FActiveRecord;
    }
  }
  FCurrentRecord = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++count;
  return count;
}

// ---- Navigation ----

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    FBOF = true;
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  FBOF = true;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    FEOF = true;
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  FEOF = true;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  DoBeforeScroll();
  int moved = 0;
  if (!((distance > 0 && !FEOF) || (distance < 0 && !FBOF))) return 0;
  FBOF = false;
  FEOF = false;
  // How far the buffers moved in the ring (negative: towards index 0), so
  // that each link can keep or scroll its window.
  int shift = 0;
  try {
    while (distance > 0) {
      if (FActiveRecord < FRecordCount - 1) {
        ++FActiveRecord;
      } else {
        const bool full = FRecordCount == FBufferCount;
        if (!GetNextRecord()) {
          FEOF = true;
          break;
        }
        if (full) {
          --shift;
        } else {
          FActiveRecord = FRecordCount - 1;
        }
      }
      --distance;
      ++moved;
    }
    while (distance < 0) {
      if (FActiveRecord > 0) {
        --FActiveRecord;
      } else {
        if (!GetPriorRecord()) {
          FBOF = true;
          break;
        }
        ++shift;
        FActiveRecord = 0;
      }
      ++distance;
      --moved;
    }
  } catch (...) {
    DataEvent(TDataEvent::deDataSetScroll, TDataEventInfo{.Distance = shift});
    throw;
  }
  DataEvent(TDataEvent::deDataSetScroll, TDataEventInfo{.Distance = shift});
  DoAfterScroll();
  return moved;
}

void TDataSet::Resync(TResyncMode mode) {
  CursorPosChanged();
  const TRecordBuffer scratch = Buffer(FRecordCount);
  if (mode.Exact) {
    if (GetRecord(scratch, TGetMode::gmCurrent, true) != TGetResult::grOK) {
      throw EDatabaseError(dbconsts::SRecordNotFound);
    }
  } else if (GetRecord(scratch, TGetMode::gmCurrent, false) != TGetResult::grOK &&
             GetRecord(scratch, TGetMode::gmNext, false) != TGetResult::grOK &&
             GetRecord(scratch, TGetMode::gmPrior, false) != TGetResult::grOK) {
    ClearBuffers();
    DataEvent(TDataEvent::deDataSetChange);
    return;
  }
  int before = mode.Center ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  Fire(BeforeRefresh);
  UpdateCursorPos();
  InternalRefresh();
  Resync({});
  Fire(AfterRefresh);
}

// ---- Bookmarks ----

bool TDataSet::BookmarkAvailable() {
  return (FState == TDataSetState::dsBrowse || FState == TDataSetState::dsEdit ||
          FState == TDataSetState::dsInsert || FState == TDataSetState::dsBlockRead) &&
         !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  if (!BookmarkAvailable()) return {};
  TBookmark bookmark(static_cast<size_t>(FBookmarkSize));
  GetBookmarkData(ActiveBuffer(), bookmark);
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark);
  Resync({.Exact = true, .Center = true});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

int TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  if (bookmark1.empty() && bookmark2.empty()) return 0;
  if (bookmark1.empty()) return -1;
  if (bookmark2.empty()) return 1;
  return 0;
}

}  // namespace vexilo::framework
