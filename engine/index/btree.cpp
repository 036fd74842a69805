// TVxbBTree: header, node pages, the path, and the tree's life cycle.
// Searching is in btree_search.cpp, changes in btree_update.cpp.
#include "engine/index/btree.h"

#include <algorithm>
#include <cstring>

#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/index/pages/page_site.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

TVxbBTree::TVxbBTree(TVxbClientStorage& storage, int16_t version, int32_t offset)
    : FStorage(storage), FVersion(version), FOffset(offset) {
  if (IsNewFormat()) {
    FHeightOffset = offset + 8;
    FPageCountOffset = offset + 10;
    FNextPageOffset = offset + 18;
    FItemCountOffset = 4;
    FDataOffset = 6;
    FChildWidth = 4;
  } else {
    FHeightOffset = 6;
    FPageCountOffset = 8;
    FNextPageOffset = 0;  // the last two bytes of page 0, known with the page size
    FItemCountOffset = 2;
    FDataOffset = 4;
    FChildWidth = 2;
  }
}

TVxbBTree::~TVxbBTree() = default;

int32_t TVxbBTree::OrderFor(int16_t version, int32_t pageSize, int32_t entrySize) {
  const int32_t dataOffset = version >= 4 ? 6 : 4;
  const int32_t itemSize = entrySize + (version >= 4 ? 4 : 2);
  if (pageSize <= dataOffset || itemSize <= 0) return 0;
  return (pageSize - dataOffset) / itemSize / 2;
}

int32_t TVxbBTree::CalcPageSizeFor(int16_t version, int32_t entrySize, int64_t capacity) {
  const bool newFormat = version >= 4;
  const int64_t b = entrySize + (newFormat ? 4 : 2);
  const int64_t limit = newFormat ? kMaxPageSizeNewFormat : kMaxPageSizeOldFormat;
  int64_t size = 4096;
  while (size < b + 8 && size < limit) size *= 2;
  while (size / b < 40 && size < limit) size *= 2;
  auto treeCapacity = [&](int64_t pageSize) {
    const int64_t perPage = pageSize / b;
    return newFormat ? std::min<int64_t>(perPage * 2147483647LL, 2147483647LL) : perPage * 65535;
  };
  while (treeCapacity(size) < 2 * capacity && size < limit) size *= 2;
  return static_cast<int32_t>(std::min(size, limit));
}

// --- header ---

int16_t TVxbBTree::GetHeight() const { return FHeaderPage ? FHeaderPage->ReadInt16(FHeightOffset) : 0; }

int32_t TVxbBTree::GetPageCount() const {
  if (!FHeaderPage) return 0;
  const int32_t value = FHeaderPage->ReadInt32(FPageCountOffset);
  return IsNewFormat() ? value : static_cast<int32_t>(value & 0xFFFF);
}

int32_t TVxbBTree::GetFirstFreePage() const {
  if (!FHeaderPage) return 0;
  return IsNewFormat() ? FHeaderPage->ReadInt32(FNextPageOffset) : FHeaderPage->ReadInt16(FNextPageOffset);
}

int64_t TVxbBTree::GetItemCount() const { return int64_t{GetPageCount()} * FPageCapacity; }

int64_t TVxbBTree::GetSize() const { return (int64_t{GetPageCount()} + 1) * FPageSize; }

int64_t TVxbBTree::CalcCapacity() const {
  return std::min<int64_t>(int64_t{MaxPages()} * FPageCapacity, 2147483647LL);
}

void TVxbBTree::SetHeight(int16_t height) {
  FHeaderPage->WriteInt16(FHeightOffset, height);
}

void TVxbBTree::SetPageCount(int32_t count) {
  if (IsNewFormat()) FHeaderPage->WriteInt32(FPageCountOffset, count);
  else FHeaderPage->WriteInt16(FPageCountOffset, static_cast<int16_t>(static_cast<uint16_t>(count)));
}

void TVxbBTree::SetFirstFreePage(int32_t pageNo) {
  if (IsNewFormat()) FHeaderPage->WriteInt32(FNextPageOffset, pageNo);
  else FHeaderPage->WriteInt16(FNextPageOffset, static_cast<int16_t>(pageNo));
}

void TVxbBTree::Damaged(int treeError, const char* what) {
  FTreeError = treeError;
  throw EVxbTree(what);
}

// Reads and checks the sizes in the header; the page size must be set.
void TVxbBTree::ReadGeometry() {
  const uint8_t* header = FHeaderPage->GetMemory();
  const int32_t keyOffset = FOffset + (IsNewFormat() ? 4 : 2);
  FKeySize = TvwMemory::ReadInt16(header, keyOffset);
  FItemSize = TvwMemory::ReadInt16(header, keyOffset + 2);
  FOrder = TvwMemory::ReadInt16(header, FOffset + (IsNewFormat() ? 14 : 10));
  FPageCapacity = TvwMemory::ReadInt16(header, FOffset + (IsNewFormat() ? 16 : 12));
  if (!IsNewFormat()) FNextPageOffset = FPageSize - 2;
  const bool sizesOk = FKeySize >= 4 && static_cast<size_t>(FKeySize - 4) <= types::TVxbLongIndexInfo::kMaxKeySize &&
                        FItemSize == FKeySize + FChildWidth && FOrder >= 1 && FPageCapacity == 2 * FOrder &&
                        int64_t{FDataOffset} + int64_t{FPageCapacity} * FItemSize <= FPageSize;
  if (!sizesOk) Damaged(kTreeInconsistent, "BTree header is inconsistent");
  const int height = GetHeight();
  const int32_t pages = GetPageCount();
  const int32_t freePage = GetFirstFreePage();
  if (height < 0 || height > kMaxDepth || pages < 0 || pages > MaxPages() || (height > 0 && pages < height) ||
      freePage < 0 || freePage > pages) {
    Damaged(kTreeInconsistent, "BTree header is inconsistent");
  }
  if (FStorage.GetPageCount() < pages + 1) Damaged(kTreeLoadFailed, "BTree file is shorter than its page count");
}

// --- node pages ---

int32_t TVxbBTree::ReadPageNo(const uint8_t* p) const {
  return IsNewFormat() ? TvwMemory::ReadInt32(p, 0) : int32_t{TvwMemory::ReadUInt16(p, 0)};
}

void TVxbBTree::WritePageNo(uint8_t* p, int32_t pageNo) const {
  if (IsNewFormat()) TvwMemory::WriteInt32(p, 0, pageNo);
  else TvwMemory::WriteUInt16(p, 0, static_cast<uint16_t>(pageNo));
}

int TVxbBTree::Count(const uint8_t* page) const { return TvwMemory::ReadInt16(page, FItemCountOffset); }

void TVxbBTree::SetCount(uint8_t* page, int n) const {
  TvwMemory::WriteInt16(page, FItemCountOffset, static_cast<int16_t>(n));
}

int32_t TVxbBTree::ChildAt(const uint8_t* page, int i) const {
  return i == 0 ? ReadPageNo(page) : ReadPageNo(ItemAt(page, i));
}

void TVxbBTree::InitNode(uint8_t* page) const {
  WritePageNo(page, 0);
  SetCount(page, 0);
}

int TVxbBTree::Compare(Key key, const uint8_t* entry) const {
  const size_t len = static_cast<size_t>(FKeySize - 4);
  return FLess(key.Record, key.Bytes, len, TvwMemory::ReadInt32(entry, 0), entry + 4, len, nullptr);
}

int TVxbBTree::CompareEntries(const uint8_t* a, const uint8_t* b) const {
  return Compare(Key{TvwMemory::ReadInt32(a, 0), a + 4}, b);
}

void TVxbBTree::CopyOut(const uint8_t* entry, types::TVxbLongIndexInfo& out, size_t maxSize) const {
  out.DateiVerweis = TvwMemory::ReadInt32(entry, 0);
  const size_t room = maxSize > 4 ? maxSize - 4 : 0;
  const size_t n = std::min({static_cast<size_t>(FKeySize - 4), room, types::TVxbLongIndexInfo::kMaxKeySize});
  if (n) std::memcpy(out.Key, entry + 4, n);
}

// --- pages and path ---

void TVxbBTree::BeginOp() {
  if (!FHeaderPage) throw EVxbTree("BTree is not open");
  try {
    FCurHeight = GetHeight();
    FCurPages = GetPageCount();
  } catch (const EVxbPageManager&) {
    Damaged(kTreeLoadFailed, "BTree header cannot be loaded");
  }
  if (FCurHeight < 0 || FCurHeight > kMaxDepth || FCurPages < 0 || FCurPages > MaxPages() ||
      (FCurHeight > 0 && FCurPages < FCurHeight)) {
    Damaged(kTreeInconsistent, "BTree header is inconsistent");
  }
}

uint8_t* TVxbBTree::PinSite(TVxbStoragePageSite& site, int32_t pageNo, bool mayBeEmpty) {
  if (pageNo < 1 || pageNo > FCurPages) Damaged(kTreeInconsistent, "BTree page number out of range");
  uint8_t* page = nullptr;
  try {
    site.LoadPage(pageNo);
    page = site.GetMemory();
  } catch (const EVxbPageManager&) {
    Damaged(kTreeLoadFailed, "BTree page cannot be loaded");
  }
  const int n = Count(page);
  if (n < 0 || n > FPageCapacity || (n == 0 && !mayBeEmpty)) {
    Damaged(kTreeInconsistent, "BTree page has a wrong item count");
  }
  return page;
}

uint8_t* TVxbBTree::PinPath(int depth, int32_t pageNo) {
  PathSlot& slot = FPath[depth];
  uint8_t* page = PinSite(*slot.Site, pageNo, depth == 1 && FCurHeight == 1);
  slot.PageNo = pageNo;
  return page;
}

uint8_t* TVxbBTree::Writable(TVxbStoragePageSite& site) {
  try {
    site.Modify();
    return site.GetMemory();
  } catch (const EVxbPageManager&) {
    Damaged(kTreeWriteFailed, "BTree page cannot be written");
  }
}

// A child must lie inside the file and must not point back to a page on
// the path above it.
void TVxbBTree::CheckChild(int32_t child, int depth) {
  bool bad = child < 2 || child > FCurPages;
  for (int d = 1; d <= depth && !bad; ++d) bad = FPath[d].PageNo == child;
  if (bad) Damaged(kTreeInconsistent, "BTree child page number is invalid");
}

int32_t TVxbBTree::ReadFreeWord(const uint8_t* page) const {
  return IsNewFormat() ? TvwMemory::ReadInt32(page, 0) : int32_t{TvwMemory::ReadInt16(page, 0)};
}

void TVxbBTree::UnloadPath() {
  for (PathSlot& slot : FPath) {
    if (slot.Site) slot.Site->UnloadPage();
    slot.PageNo = 0;
    slot.Position = 0;
  }
  for (auto& site : FWork) {
    if (site) site->UnloadPage();
  }
}

// --- life cycle ---

void TVxbBTree::CreateSites() {
  if (!FHeaderPage) FHeaderPage = FStorage.CreatePageSite();
  for (PathSlot& slot : FPath) {
    if (!slot.Site) slot.Site = FStorage.CreatePageSite();
  }
  for (auto& site : FWork) {
    if (!site) site = FStorage.CreatePageSite();
  }
}

std::unique_ptr<TVxbTreeBase> TVxbBTree::Clone(TVxbClientStorage& storage) const {
  auto tree = std::make_unique<TVxbBTree>(storage, FVersion, FOffset);
  tree->SetName(FName);
  return tree;
}

void TVxbBTree::New(int32_t pageSize, int32_t keySize, const TVxbEntryCompare& compare) {
  FLess = compare;
  FTreeError = kTreeOk;
  const int32_t maxPage = IsNewFormat() ? kMaxPageSizeNewFormat : kMaxPageSizeOldFormat;
  FKeySize = keySize;
  FItemSize = keySize + FChildWidth;
  FOrder = OrderFor(FVersion, pageSize, keySize);
  FPageCapacity = 2 * FOrder;
  if (pageSize < FOffset + GetHeaderSize() || pageSize > maxPage || FOrder < 1 || keySize < 4 ||
      static_cast<size_t>(keySize - 4) > types::TVxbLongIndexInfo::kMaxKeySize || FPageCapacity > 32767) {
    Damaged(kTreeBadPageSize, "BTree page size does not suit the key size");
  }
  if (FStorage.GetPageSize() != pageSize) FStorage.SetPageSize(pageSize);
  FPageSize = pageSize;
  if (!IsNewFormat()) FNextPageOffset = FPageSize - 2;
  CreateSites();
  FHeaderPage->InitPage(0);
  if (IsNewFormat()) {
    FHeaderPage->WriteInt32(FOffset, pageSize);
    FHeaderPage->WriteInt16(FOffset + 4, static_cast<int16_t>(FKeySize));
    FHeaderPage->WriteInt16(FOffset + 6, static_cast<int16_t>(FItemSize));
    FHeaderPage->WriteInt16(FOffset + 14, static_cast<int16_t>(FOrder));
    FHeaderPage->WriteInt16(FOffset + 16, static_cast<int16_t>(FPageCapacity));
    FHeaderPage->WriteInt16(FOffset + 22, 0);
  } else {
    FHeaderPage->WriteInt16(FOffset, static_cast<int16_t>(static_cast<uint16_t>(pageSize)));
    FHeaderPage->WriteInt16(FOffset + 2, static_cast<int16_t>(FKeySize));
    FHeaderPage->WriteInt16(FOffset + 4, static_cast<int16_t>(FItemSize));
    FHeaderPage->WriteInt16(FOffset + 10, static_cast<int16_t>(FOrder));
    FHeaderPage->WriteInt16(FOffset + 12, static_cast<int16_t>(FPageCapacity));
  }
  SetHeight(0);
  SetPageCount(0);
  SetFirstFreePage(0);
  FU.assign(FItemSize, 0);
  FFreeChainChecked = true;
}

void TVxbBTree::Open(const TVxbEntryCompare& compare) {
  FLess = compare;
  FTreeError = kTreeOk;
  CreateSites();
  try {
    FHeaderPage->LoadPage(0);
  } catch (const EVxbPageManager&) {
    Damaged(kTreeLoadFailed, "BTree header cannot be loaded");
  }
  const int32_t pageSize = IsNewFormat() ? FHeaderPage->ReadInt32(FOffset)
                                          : int32_t{static_cast<uint16_t>(FHeaderPage->ReadInt16(FOffset))};
  const int32_t maxPage = IsNewFormat() ? kMaxPageSizeNewFormat : 65535;
  if (pageSize < FOffset + GetHeaderSize() + 8 || pageSize > maxPage) {
    Damaged(kTreeBadPageSize, "BTree page size is invalid");
  }
  if (FStorage.GetPageSize() != pageSize) FStorage.SetPageSize(pageSize);
  FPageSize = pageSize;
  try {
    FHeaderPage->LoadPage(0);
  } catch (const EVxbPageManager&) {
    Damaged(kTreeLoadFailed, "BTree header cannot be loaded");
  }
  ReadGeometry();
  FU.assign(FItemSize, 0);
  FFreeChainChecked = false;
}

void TVxbBTree::Preload() {
  BeginOp();
  if (FCurHeight > 0) PinPath(1, 1);
}

void TVxbBTree::Flush() {
  if (FStorage.GetReadOnly()) return;
  const int32_t pages = GetPageCount() + 1;
  if (FStorage.GetPageCount() > pages) FStorage.SetPageCount(pages);
  FStorage.Flush();
}

void TVxbBTree::Undo() {
  UnloadPath();
  FStorage.Undo();
  FFreeChainChecked = false;
}

void TVxbBTree::Update() {
  UnloadPath();
  FStorage.Invalidate();
  FFreeChainChecked = false;
  if (FHeaderPage) {
    FHeaderPage->LoadPage(0);
    ReadGeometry();
  }
}

void TVxbBTree::UpdateDir() { FStorage.UpdateDir(); }

void TVxbBTree::Close() {
  UnloadPath();
  for (PathSlot& slot : FPath) slot.Site.reset();
  for (auto& site : FWork) site.reset();
  FHeaderPage.reset();
}

}  // namespace vexilo::index
