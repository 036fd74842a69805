// TVxbBookmarkList: a growable list of record numbers (a record number is
// the engine's bookmark), in an order of the user's choosing. A cursor keeps
// its marked records and the result of a static filter in one; an accessor
// can browse a list's records in the list's order.
//
// The list is a flat array of slots. A live slot holds a record number of 1
// or more; a slot of 0 (or below) is empty, left by a deletion, so deleting
// during a walk keeps the walk's indexes valid. Slots from Size() on are
// unused, and after any deletion the last used slot is live (or Size() is 0).
// Compress removes the empty slots; Sort also puts the entries in
// record-number order. The list does not keep numbers unique: Append adds
// without looking, so a number appended twice stands twice.
//
// Capacity: a list without slots always allocates 1024; growing for an
// append or insert doubles the capacity.
//
// Finding a number is a lookup on lists of more than a few entries (a map
// from record numbers to slots, made on the first search after a change that
// moves or removes entries), so visibility checks stay cheap on long lists.
//
// Bounded use: indexes outside the used slots read as 0 and are ignored by
// writes; nothing here raises except std::bad_alloc / std::length_error when
// the list cannot grow. One list is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vexilo::index {

class TVxbBookmarkList {
 public:
  // Slots a list without slots allocates, whatever capacity is asked for.
  static constexpr int32_t kInitialCapacity = 1024;

  // A list with room for `capacity` slots (allocated as by SetCapacity).
  explicit TVxbBookmarkList(int32_t capacity = 0);
  ~TVxbBookmarkList() = default;
  TVxbBookmarkList(const TVxbBookmarkList&) = delete;
  TVxbBookmarkList& operator=(const TVxbBookmarkList&) = delete;

  // Live entries; used slots (live and empty); allocated slots.
  int32_t Count() const { return FCount; }
  int32_t Size() const { return FSize; }
  int32_t Capacity() const { return FCapacity; }

  // Nothing when `newCapacity` <= Capacity(); a list without slots gets
  // kInitialCapacity; otherwise the slots are reallocated to `newCapacity`.
  void SetCapacity(int32_t newCapacity);
  // Empties the list; the slots stay allocated.
  void Clear();
  // Adds `recNo` after the last used slot. A number below 1 is no record
  // and is ignored.
  void Append(int32_t recNo);
  // Puts `recNo` at slot `index` (0 ... Size()), moving the slots from there
  // up by one. False, and nothing changes, for an index outside that range
  // or a number below 1.
  bool InsertAt(int32_t index, int32_t recNo);
  // Empties live slot `index` and trims empty slots at the end; nothing for
  // an index outside the used slots or an empty slot.
  void DeleteAt(int32_t index);
  // Deletes the first occurrence of `recNo`, if any.
  void Delete(int32_t recNo);
  // Deletes the first occurrence of `recNo` when present, else appends it.
  void Flip(int32_t recNo);

  // The slot of the first occurrence of `recNo`, or -1 (always -1 for a
  // number below 1).
  int32_t Find(int32_t recNo) const;
  // The first / last live slot, or -1.
  int32_t FindFirst() const;
  int32_t FindLast() const;
  // The next / previous live slot after / before `index`, or -1; -1 as well
  // for an index outside the used slots.
  int32_t FindNext(int32_t index) const;
  int32_t FindPrev(int32_t index) const;
  // The 0-based position of `recNo`'s first occurrence among the live
  // entries, or -1.
  int32_t FindSequence(int32_t recNo) const;

  // Slot `index` (0 when outside the used slots).
  int32_t GetItem(int32_t index) const;
  // Overwrites slot `index` without adjusting Count() (to renumber a record
  // that moved); ignored outside the used slots.
  void SetItem(int32_t index, int32_t value);

  // Removes the empty slots, keeping the order of the live entries;
  // afterwards Size() equals Count().
  void Compress();
  // Compresses, then orders the entries by ascending record number.
  void Sort();
  // Replaces the contents by the live entries of `bookmarks`, in their order.
  void CopyFrom(const TVxbBookmarkList& bookmarks);
  // Writes the live entries in list order as consecutive 32-bit
  // little-endian numbers, at most `bufferSize` / 4 of them; returns how
  // many were written. A buffer of Count() * 4 bytes takes them all.
  int32_t WriteTo(uint8_t* buffer, size_t bufferSize) const;

 private:
  // Makes room for one more slot.
  void Grow();
  void Reallocate(int32_t capacity);

  // Marks the slot lookup out of date (after a change that moves slots).
  void Invalidate() { FSlotOfValid = false; }
  void RebuildSlotOf() const;

  int32_t FCount = 0;
  int32_t FSize = 0;
  int32_t FCapacity = 0;
  std::unique_ptr<int32_t[]> FData;
  // The lookup behind Find on longer lists: FSlotOf[recNo] is the slot of
  // recNo's first occurrence, or -1. Built on demand, kept up by Append,
  // dropped by every other change.
  mutable std::vector<int32_t> FSlotOf;
  mutable bool FSlotOfValid = false;
};

}  // namespace vexilo::index
