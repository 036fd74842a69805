#include "engine/index/bplus_page.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

TVxbBPlusPage::TVxbBPlusPage(TVxbClientStorage& storage, int32_t itemOffset, int32_t childSize)
    : FItemOffset(itemOffset), FChildSize(childSize), FStoragePage(storage.CreatePageSite()) {}

TVxbBPlusPage::~TVxbBPlusPage() = default;

void TVxbBPlusPage::Damaged(const char* what) const {
  throw EVxbTree("B+ tree page " + std::to_string(FPageNo) + ": " + what);
}

void TVxbBPlusPage::LoadPage(int32_t pageNo) {
  try {
    FStoragePage->LoadPage(pageNo);
    FMemory = FStoragePage->GetMemory();
    FPageSize = FStoragePage->GetPageSize();
  } catch (const EVxbPageManager&) {
    FMemory = nullptr;
    FPageNo = -1;
    throw EVxbTree("B+ tree page " + std::to_string(pageNo) + " cannot be loaded");
  }
  FPageNo = pageNo;
  Count();
}

void TVxbBPlusPage::CreatePage(int32_t pageNo) {
  try {
    FStoragePage->InitPage(pageNo);
    FMemory = FStoragePage->GetMemory();
    FPageSize = FStoragePage->GetPageSize();
  } catch (const EVxbPageManager&) {
    FMemory = nullptr;
    FPageNo = -1;
    throw EVxbTree("B+ tree page " + std::to_string(pageNo) + " cannot be added");
  }
  FPageNo = pageNo;
  InitializePage();
}

void TVxbBPlusPage::UnloadPage() {
  FStoragePage->UnloadPage();
  FMemory = nullptr;
  FPageNo = -1;
}

uint8_t* TVxbBPlusPage::Writable() {
  if (!FMemory) Damaged("no page is shown");
  try {
    FStoragePage->Modify();
    FMemory = FStoragePage->GetMemory();
  } catch (const EVxbPageManager&) {
    Damaged("cannot be written");
  }
  return FMemory;
}

int32_t TVxbBPlusPage::ReadInt32At(int32_t offset) const {
  if (!FMemory) Damaged("no page is shown");
  return TvwMemory::ReadInt32(FMemory, static_cast<size_t>(offset));
}

void TVxbBPlusPage::WriteInt32At(int32_t offset, int32_t value) {
  TvwMemory::WriteInt32(Writable(), static_cast<size_t>(offset), value);
}

// --- the slot directory ---

int32_t TVxbBPlusPage::Slot(int i) const {
  return TvwMemory::ReadUInt16(FMemory, static_cast<size_t>(FPageSize - kCountSize - kSlotSize * i));
}

void TVxbBPlusPage::SetSlot(int i, int32_t value) {
  TvwMemory::WriteUInt16(FMemory, static_cast<size_t>(FPageSize - kCountSize - kSlotSize * i),
                         static_cast<uint16_t>(value));
}

void TVxbBPlusPage::SetCount(int n) {
  TvwMemory::WriteInt16(FMemory, static_cast<size_t>(FPageSize - kCountSize), static_cast<int16_t>(n));
}

int TVxbBPlusPage::Count() const {
  if (!FMemory) Damaged("no page is shown");
  const int n = TvwMemory::ReadInt16(FMemory, static_cast<size_t>(FPageSize - kCountSize));
  // Every item holds at least a record number (and a child page) and a slot.
  const int64_t least = int64_t{FItemOffset} + int64_t{n} * (kEntryHeaderSize + FChildSize + kSlotSize) + kCountSize;
  if (n < 0 || least > FPageSize) Damaged("the item count does not fit the page");
  return n;
}

void TVxbBPlusPage::Bounds(int k, int n, int32_t& start, int32_t& end) const {
  if (k < 0 || k >= n) Damaged("item index out of range");
  start = k == 0 ? FItemOffset : Slot(k);
  end = Slot(k + 1);
  const int32_t limit = FPageSize - kCountSize - kSlotSize * n;
  if (start < FItemOffset || end > limit || end - start < kEntryHeaderSize + FChildSize) {
    Damaged("an item offset lies outside the page");
  }
}

int32_t TVxbBPlusPage::DataEnd() const {
  const int n = Count();
  if (n == 0) return FItemOffset;
  const int32_t end = Slot(n);
  if (end < FItemOffset || end > FPageSize - kCountSize - kSlotSize * n) {
    Damaged("an item offset lies outside the page");
  }
  return end;
}

int32_t TVxbBPlusPage::FreeBytes() const {
  return FPageSize - kSlotSize * Count() - DataEnd() - kCountSize;
}

int TVxbBPlusPage::Fullness() const {
  return static_cast<int>((int64_t{DataEnd()} + kSlotSize * Count() + kCountSize) * 100 / FPageSize);
}

const uint8_t* TVxbBPlusPage::ItemBytes(int k, int32_t& length) const {
  int32_t start = 0, end = 0;
  Bounds(k, Count(), start, end);
  length = end - start;
  return FMemory + start;
}

TVxbBPlusKey TVxbBPlusPage::EntryAt(int k) const {
  int32_t length = 0;
  const uint8_t* item = ItemBytes(k, length);
  return {TvwMemory::ReadInt32(item, 0), item + kEntryHeaderSize,
          static_cast<size_t>(length - FChildSize - kEntryHeaderSize)};
}

int32_t TVxbBPlusPage::GetKeySize(int k) const {
  int32_t length = 0;
  ItemBytes(k, length);
  return length - FChildSize;
}

int TVxbBPlusPage::LowerBound(const TVxbBPlusKey& key, const TVxbEntryCompare& compare) const {
  const int n = Count();
  const int32_t limit = FPageSize - kCountSize - kSlotSize * n;
  const int32_t least = kEntryHeaderSize + FChildSize;
  int lo = 0;
  int hi = n;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const int32_t start = mid == 0 ? FItemOffset : Slot(mid);
    const int32_t end = Slot(mid + 1);
    if (start < FItemOffset || end > limit || end - start < least) Damaged("an item offset lies outside the page");
    const uint8_t* item = FMemory + start;
    const size_t keyLength = static_cast<size_t>(end - start - least);
    if (compare(TvwMemory::ReadInt32(item, 0), item + kEntryHeaderSize, keyLength, key.Record, key.Bytes,
                key.Length, nullptr) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// --- changes ---

void TVxbBPlusPage::InsertKey(int k, const uint8_t* item, int32_t length) {
  const int n = Count();
  if (k < 0 || k > n) Damaged("insertion index out of range");
  const int32_t dataEnd = DataEnd();
  if (int64_t{dataEnd} + length + kSlotSize * (n + 1) + kCountSize > FPageSize) Damaged("no room for the item");
  const int32_t start = k == 0 ? FItemOffset : Slot(k);
  if (start < FItemOffset || start > dataEnd) Damaged("an item offset lies outside the page");
  uint8_t* page = Writable();
  std::memmove(page + start + length, page + start, static_cast<size_t>(dataEnd - start));
  std::memcpy(page + start, item, static_cast<size_t>(length));
  for (int i = n; i >= k + 1; --i) SetSlot(i + 1, Slot(i) + length);
  SetSlot(k + 1, start + length);
  SetCount(n + 1);
}

void TVxbBPlusPage::DeleteKey(int k) {
  const int n = Count();
  int32_t start = 0, end = 0;
  Bounds(k, n, start, end);
  const int32_t dataEnd = DataEnd();
  if (end > dataEnd) Damaged("an item offset lies outside the page");
  const int32_t length = end - start;
  uint8_t* page = Writable();
  std::memmove(page + start, page + end, static_cast<size_t>(dataEnd - end));
  for (int i = k + 1; i <= n - 1; ++i) SetSlot(i, Slot(i + 1) - length);
  SetCount(n - 1);
}

void TVxbBPlusPage::AppendItem(const uint8_t* item, int32_t length) {
  const int n = Count();
  const int32_t dataEnd = DataEnd();
  if (int64_t{dataEnd} + length + kSlotSize * (n + 1) + kCountSize > FPageSize) Damaged("no room for the item");
  uint8_t* page = Writable();
  std::memcpy(page + dataEnd, item, static_cast<size_t>(length));
  SetSlot(n + 1, dataEnd + length);
  SetCount(n + 1);
}

void TVxbBPlusPage::RemoveItems() {
  Writable();
  SetCount(0);
}

// --- inner pages ---

TVxbBPlusInnerPage::TVxbBPlusInnerPage(TVxbClientStorage& storage)
    : TVxbBPlusPage(storage, kItemOffset, kPageNoSize) {}

int32_t TVxbBPlusInnerPage::GetChildPageNo(int k) const {
  if (k == 0) return ReadInt32At(0);
  int32_t length = 0;
  const uint8_t* item = ItemBytes(k - 1, length);
  return TvwMemory::ReadInt32(item, static_cast<size_t>(length - kPageNoSize));
}

void TVxbBPlusInnerPage::SetChildPageNo(int32_t pageNo) { WriteInt32At(0, pageNo); }

int32_t TVxbBPlusInnerPage::FindFollowUpPage(const TVxbBPlusKey& key, const TVxbEntryCompare& compare,
                                             int& index) const {
  index = LowerBound(key, compare);
  return GetChildPageNo(index);
}

bool TVxbBPlusInnerPage::CanInsert(int32_t keySize) const {
  return FreeBytes() >= keySize + kPageNoSize + kSlotSize;
}

bool TVxbBPlusInnerPage::CanMerge(int32_t parentKeySize, const TVxbBPlusPage& other) const {
  const int64_t otherData = other.DataEnd() - kItemOffset;
  return FPageSize >= int64_t{parentKeySize} + DataEnd() + otherData + kSlotSize * (Count() + other.Count()) + 8;
}

void TVxbBPlusInnerPage::InitializePage() {
  Writable();
  WriteInt32At(0, 0);
  RemoveItems();
}

// --- leaves ---

TVxbBPlusLeafPage::TVxbBPlusLeafPage(TVxbClientStorage& storage) : TVxbBPlusPage(storage, kItemOffset, 0) {}

void TVxbBPlusLeafPage::GetKey(int k, types::TVxbLongIndexInfo& item, size_t maxSize) const {
  const TVxbBPlusKey entry = EntryAt(k);
  item.DateiVerweis = entry.Record;
  const size_t room = std::min(maxSize > 4 ? maxSize - 4 : 0, types::TVxbLongIndexInfo::kMaxKeySize);
  const size_t n = std::min(entry.Length, room);
  if (n) std::memcpy(item.Key, entry.Bytes, n);
  if (room > n) std::memset(item.Key + n, 0, room - n);
}

bool TVxbBPlusLeafPage::CanInsert(int32_t keySize) const { return FreeBytes() >= keySize + kSlotSize; }

bool TVxbBPlusLeafPage::CanMerge(int32_t, const TVxbBPlusPage& other) const {
  const int64_t otherData = other.DataEnd() - kItemOffset;
  return FPageSize >= DataEnd() + otherData + kSlotSize * (Count() + other.Count()) + kCountSize;
}

void TVxbBPlusLeafPage::InitializePage() {
  Writable();
  WriteInt32At(0, 0);
  WriteInt32At(4, 0);
  RemoveItems();
}

}  // namespace vexilo::index
