#include "engine/index/bookmark_list.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

namespace {
constexpr int32_t kMaxCapacity = std::numeric_limits<int32_t>::max();
// Lists this short are searched slot by slot.
constexpr int32_t kLookupFrom = 32;
}  // namespace

TVxbBookmarkList::TVxbBookmarkList(int32_t capacity) { SetCapacity(capacity); }

void TVxbBookmarkList::Reallocate(int32_t capacity) {
  auto slots = std::make_unique<int32_t[]>(static_cast<size_t>(capacity));
  if (FSize) std::memcpy(slots.get(), FData.get(), static_cast<size_t>(FSize) * sizeof(int32_t));
  FData = std::move(slots);
  FCapacity = capacity;
}

void TVxbBookmarkList::SetCapacity(int32_t newCapacity) {
  if (newCapacity <= FCapacity) return;
  Reallocate(FCapacity == 0 ? kInitialCapacity : newCapacity);
}

void TVxbBookmarkList::Grow() {
  if (FSize < FCapacity) return;
  if (FCapacity == kMaxCapacity) throw std::length_error("bookmark list is full");
  const int64_t doubled = FCapacity == 0 ? kInitialCapacity : 2 * int64_t{FCapacity};
  Reallocate(static_cast<int32_t>(std::min<int64_t>(doubled, kMaxCapacity)));
}

void TVxbBookmarkList::Clear() {
  FCount = 0;
  FSize = 0;
  Invalidate();
}

void TVxbBookmarkList::Append(int32_t recNo) {
  if (recNo < 1) return;
  Grow();
  FData[FSize++] = recNo;
  ++FCount;
  if (FSlotOfValid) {
    if (static_cast<size_t>(recNo) >= FSlotOf.size()) FSlotOf.resize(static_cast<size_t>(recNo) + 1, -1);
    if (FSlotOf[static_cast<size_t>(recNo)] < 0) FSlotOf[static_cast<size_t>(recNo)] = FSize - 1;
  }
}

void TVxbBookmarkList::RebuildSlotOf() const {
  int32_t highest = 0;
  for (int32_t i = 0; i < FSize; ++i) highest = std::max(highest, FData[i]);
  FSlotOf.assign(static_cast<size_t>(highest) + 1, -1);
  for (int32_t i = FSize - 1; i >= 0; --i) {
    if (FData[i] >= 1) FSlotOf[static_cast<size_t>(FData[i])] = i;
  }
  FSlotOfValid = true;
}

bool TVxbBookmarkList::InsertAt(int32_t index, int32_t recNo) {
  if (index < 0 || index > FSize || recNo < 1) return false;
  Grow();
  std::memmove(&FData[index + 1], &FData[index], static_cast<size_t>(FSize - index) * sizeof(int32_t));
  FData[index] = recNo;
  ++FSize;
  ++FCount;
  Invalidate();
  return true;
}

void TVxbBookmarkList::DeleteAt(int32_t index) {
  if (index < 0 || index >= FSize || FData[index] < 1) return;
  FData[index] = 0;
  --FCount;
  while (FSize > 0 && FData[FSize - 1] < 1) --FSize;
  Invalidate();
}

void TVxbBookmarkList::Delete(int32_t recNo) {
  const int32_t index = Find(recNo);
  if (index >= 0) DeleteAt(index);
}

void TVxbBookmarkList::Flip(int32_t recNo) {
  const int32_t index = Find(recNo);
  if (index >= 0) DeleteAt(index);
  else Append(recNo);
}

int32_t TVxbBookmarkList::Find(int32_t recNo) const {
  if (recNo <= 0) return -1;
  if (FSize >= kLookupFrom) {
    if (!FSlotOfValid) RebuildSlotOf();
    return static_cast<size_t>(recNo) < FSlotOf.size() ? FSlotOf[static_cast<size_t>(recNo)] : -1;
  }
  for (int32_t i = 0; i < FSize; ++i) {
    if (FData[i] == recNo) return i;
  }
  return -1;
}

int32_t TVxbBookmarkList::FindFirst() const {
  for (int32_t i = 0; i < FSize; ++i) {
    if (FData[i] >= 1) return i;
  }
  return -1;
}

int32_t TVxbBookmarkList::FindLast() const {
  for (int32_t i = FSize - 1; i >= 0; --i) {
    if (FData[i] >= 1) return i;
  }
  return -1;
}

int32_t TVxbBookmarkList::FindNext(int32_t index) const {
  if (index < 0 || index >= FSize) return -1;
  for (int32_t i = index + 1; i < FSize; ++i) {
    if (FData[i] >= 1) return i;
  }
  return -1;
}

int32_t TVxbBookmarkList::FindPrev(int32_t index) const {
  if (index < 0 || index >= FSize) return -1;
  for (int32_t i = index - 1; i >= 0; --i) {
    if (FData[i] >= 1) return i;
  }
  return -1;
}

int32_t TVxbBookmarkList::FindSequence(int32_t recNo) const {
  if (recNo <= 0) return -1;
  int32_t sequence = 0;
  for (int32_t i = 0; i < FSize; ++i) {
    if (FData[i] == recNo) return sequence;
    if (FData[i] >= 1) ++sequence;
  }
  return -1;
}

int32_t TVxbBookmarkList::GetItem(int32_t index) const {
  return index >= 0 && index < FSize ? FData[index] : 0;
}

void TVxbBookmarkList::SetItem(int32_t index, int32_t value) {
  if (index >= 0 && index < FSize) FData[index] = value;
  Invalidate();
}

void TVxbBookmarkList::Compress() {
  int32_t kept = 0;
  for (int32_t i = 0; i < FSize; ++i) {
    if (FData[i] >= 1) FData[kept++] = FData[i];
  }
  // SetItem may have emptied or filled slots behind the count's back; the
  // live entries kept are the count from now on.
  FSize = kept;
  FCount = kept;
  Invalidate();
}

void TVxbBookmarkList::Sort() {
  Compress();
  std::sort(FData.get(), FData.get() + FSize);
  Invalidate();
}

void TVxbBookmarkList::CopyFrom(const TVxbBookmarkList& bookmarks) {
  if (&bookmarks == this) {
    // Copying a list onto itself keeps its live entries.
    Compress();
    return;
  }
  Clear();
  for (int32_t i = 0; i < bookmarks.FSize; ++i) {
    if (bookmarks.FData[i] >= 1) Append(bookmarks.FData[i]);
  }
}

int32_t TVxbBookmarkList::WriteTo(uint8_t* buffer, size_t bufferSize) const {
  const size_t room = bufferSize / 4;
  size_t written = 0;
  for (int32_t i = 0; i < FSize && written < room; ++i) {
    if (FData[i] >= 1) TvwMemory::WriteInt32(buffer, 4 * written++, FData[i]);
  }
  return static_cast<int32_t>(written);
}

}  // namespace vexilo::index
