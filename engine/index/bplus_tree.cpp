// TVxbBPlusTree: the header, the life cycle, the path's page objects and
// the free pages. Searching is in bplus_search.cpp, changes in
// bplus_update.cpp.
#include "engine/index/bplus_tree.h"

#include <string>

#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/index/pages/page_site.h"
#include "engine/types/memory.h"

namespace vexilo::index {

namespace {

// Header fields, relative to the tree's offset.
constexpr int32_t kPageCountField = 0;
constexpr int32_t kHeightField = 4;
constexpr int32_t kRootField = 6;
constexpr int32_t kFreePageField = 10;
constexpr int32_t kPageSizeField = 14;
constexpr int32_t kItemCountField = 18;

}  // namespace

TVxbBPlusTree::TVxbBPlusTree(TVxbClientStorage& storage, int32_t offset, int32_t firstPage)
    : FStorage(storage), FOffset(offset), FFirstPage(firstPage < 1 ? 1 : firstPage) {}

TVxbBPlusTree::~TVxbBPlusTree() = default;

int32_t TVxbBPlusTree::MaxEntrySize(int32_t pageSize) {
  // An inner item costs the entry, its child page and its slot; half the
  // room of an inner page must hold one.
  const int32_t innerRoom = pageSize - TVxbBPlusInnerPage::kItemOffset - TVxbBPlusPage::kCountSize;
  return innerRoom / 2 - TVxbBPlusPage::kPageNoSize - TVxbBPlusPage::kSlotSize;
}

// --- header ---

int32_t TVxbBPlusTree::HeaderInt32(int32_t field) const { return FHeaderPageSite->ReadInt32(FOffset + field); }

void TVxbBPlusTree::SetHeaderInt32(int32_t field, int32_t value) {
  FHeaderPageSite->WriteInt32(FOffset + field, value);
}

void TVxbBPlusTree::SetHeight(int height) {
  FHeaderPageSite->WriteInt16(FOffset + kHeightField, static_cast<int16_t>(height));
}

int16_t TVxbBPlusTree::GetHeight() const {
  return FHeaderPageSite ? FHeaderPageSite->ReadInt16(FOffset + kHeightField) : 0;
}

int32_t TVxbBPlusTree::GetPageCount() const { return FHeaderPageSite ? HeaderInt32(kPageCountField) : 0; }

int32_t TVxbBPlusTree::GetRootPage() const { return FHeaderPageSite ? HeaderInt32(kRootField) : 0; }

int32_t TVxbBPlusTree::GetFirstFreePage() const { return FHeaderPageSite ? HeaderInt32(kFreePageField) : 0; }

int64_t TVxbBPlusTree::GetItemCount() const { return FHeaderPageSite ? HeaderInt32(kItemCountField) : 0; }

int64_t TVxbBPlusTree::GetSize() const { return int64_t{GetPageCount()} * FPageSize; }

void TVxbBPlusTree::Damaged(const char* what) const { throw EVxbTree(std::string("B+ tree ") + what); }

void TVxbBPlusTree::CheckHeader(int height, int32_t pages, int32_t root, int32_t freePage,
                                int32_t pageSize) const {
  if (pageSize != FPageSize) Damaged("header has a wrong page size");
  if (height < 0 || height > kMaxHeight || pages < FFirstPage) Damaged("header is inconsistent");
  // Every level takes a page of its own.
  if (height > 0 && (root < FFirstPage || root >= pages || pages - FFirstPage < height)) {
    Damaged("root page lies outside the tree");
  }
  if (freePage != 0 && (freePage < FFirstPage || freePage >= pages)) Damaged("free page lies outside the tree");
}

void TVxbBPlusTree::BeginOp() {
  FStepLeaf = -1;
  if (!FHeaderPageSite) throw EVxbTree("B+ tree is not open");
  try {
    FCurHeight = GetHeight();
    FCurRoot = HeaderInt32(kRootField);
    FCurPages = HeaderInt32(kPageCountField);
    CheckHeader(FCurHeight, FCurPages, FCurRoot, HeaderInt32(kFreePageField), HeaderInt32(kPageSizeField));
  } catch (const EVxbPageManager&) {
    Damaged("header cannot be loaded");
  }
}

// --- page objects ---

void TVxbBPlusTree::CreatePages() {
  if (!FHeaderPageSite) FHeaderPageSite = FStorage.CreatePageSite();
  if (!FWorkPageSite) FWorkPageSite = FStorage.CreatePageSite();
  if (!FLeaf) FLeaf = std::make_unique<TVxbBPlusLeafPage>(FStorage);
  for (auto& page : FWorkLeaf) {
    if (!page) page = std::make_unique<TVxbBPlusLeafPage>(FStorage);
  }
  for (auto& page : FWorkInner) {
    if (!page) page = std::make_unique<TVxbBPlusInnerPage>(FStorage);
  }
}

TVxbBPlusInnerPage& TVxbBPlusTree::InnerAt(int level) {
  while (static_cast<int>(FPages.size()) <= level) {
    FPages.push_back(std::make_unique<TVxbBPlusInnerPage>(FStorage));
    FChildIndex.push_back(0);
  }
  return *FPages[static_cast<size_t>(level)];
}

void TVxbBPlusTree::UnloadPages() {
  FStepLeaf = -1;
  for (auto& page : FPages) page->UnloadPage();
  if (FLeaf) FLeaf->UnloadPage();
  for (auto& page : FWorkLeaf) {
    if (page) page->UnloadPage();
  }
  for (auto& page : FWorkInner) {
    if (page) page->UnloadPage();
  }
  if (FWorkPageSite) FWorkPageSite->UnloadPage();
}

// A child must be a tree page and must not lead back to a page above it.
void TVxbBPlusTree::CheckChild(int32_t child, int level) const {
  bool bad = child < FFirstPage || child >= FCurPages;
  for (int l = 0; l <= level && !bad; ++l) bad = FPages[static_cast<size_t>(l)]->PageNo() == child;
  if (bad) Damaged("child page number is invalid");
}

// --- free pages ---

// Walks the whole chain once before the first page is taken from it: every
// link must be a tree page, and the chain cannot be longer than the file has
// pages (a circle).
void TVxbBPlusTree::CheckFreeChain() {
  if (FFreeChainChecked) return;
  int32_t pageNo = HeaderInt32(kFreePageField);
  int64_t steps = 0;
  while (pageNo != 0) {
    if (pageNo < FFirstPage || pageNo >= FCurPages || ++steps > FCurPages) Damaged("free page chain is damaged");
    try {
      FWorkPageSite->LoadPage(pageNo);
      pageNo = FWorkPageSite->ReadInt32(0);
    } catch (const EVxbPageManager&) {
      Damaged("free page cannot be loaded");
    }
  }
  FFreeChainChecked = true;
}

int32_t TVxbBPlusTree::AllocatePage() {
  const int32_t head = HeaderInt32(kFreePageField);
  if (head != 0) {
    CheckFreeChain();
    int32_t next = 0;
    try {
      FWorkPageSite->LoadPage(head);
      next = FWorkPageSite->ReadInt32(0);
    } catch (const EVxbPageManager&) {
      Damaged("free page cannot be loaded");
    }
    if (next == head || (next != 0 && (next < FFirstPage || next >= FCurPages))) Damaged("free page chain is damaged");
    SetHeaderInt32(kFreePageField, next);
    return head;
  }
  if (FCurPages == 2147483647) Damaged("file has no room for another page");
  const int32_t pageNo = FCurPages;
  ++FCurPages;
  SetHeaderInt32(kPageCountField, FCurPages);
  return pageNo;
}

void TVxbBPlusTree::FreePage(int32_t pageNo) {
  if (pageNo == FCurPages - 1) {
    --FCurPages;
    SetHeaderInt32(kPageCountField, FCurPages);
    return;
  }
  try {
    FWorkPageSite->LoadPage(pageNo);
    FWorkPageSite->WriteInt32(0, HeaderInt32(kFreePageField));
  } catch (const EVxbPageManager&) {
    Damaged("freed page cannot be written");
  }
  SetHeaderInt32(kFreePageField, pageNo);
}

// --- life cycle ---

std::unique_ptr<TVxbTreeBase> TVxbBPlusTree::Clone(TVxbClientStorage& storage) const {
  return std::make_unique<TVxbBPlusTree>(storage, FOffset, FFirstPage);
}

void TVxbBPlusTree::New(int32_t pageSize, int32_t keySize, const TVxbEntryCompare& compare) {
  FOnIsLess = compare;
  if (pageSize < kMinPageSize || pageSize > kMaxPageSize || pageSize < FOffset + kHeaderSize) {
    Damaged("page size is invalid");
  }
  if (keySize < TVxbBPlusPage::kEntryHeaderSize || keySize > MaxEntrySize(pageSize)) {
    Damaged("entries do not fit its pages");
  }
  if (FStorage.GetPageSize() != pageSize) FStorage.SetPageSize(pageSize);
  FPageSize = pageSize;
  CreatePages();
  FHeaderPageSite->InitPage(0);
  SetHeaderInt32(kPageCountField, FFirstPage);
  SetHeight(0);
  SetHeaderInt32(kRootField, 0);
  SetHeaderInt32(kFreePageField, 0);
  SetHeaderInt32(kPageSizeField, pageSize);
  SetHeaderInt32(kItemCountField, 0);
  FFreeChainChecked = true;
}

void TVxbBPlusTree::Open(const TVxbEntryCompare& compare) {
  FOnIsLess = compare;
  CreatePages();
  try {
    FHeaderPageSite->LoadPage(0);
    if (FStorage.GetPageSize() < FOffset + kHeaderSize) Damaged("header does not fit its page");
    const int32_t pageSize = HeaderInt32(kPageSizeField);
    if (pageSize < kMinPageSize || pageSize > kMaxPageSize || pageSize < FOffset + kHeaderSize) {
      Damaged("page size is invalid");
    }
    if (FStorage.GetPageSize() != pageSize) FStorage.SetPageSize(pageSize);
    FPageSize = pageSize;
    FHeaderPageSite->LoadPage(0);
    const int32_t pages = HeaderInt32(kPageCountField);
    CheckHeader(GetHeight(), pages, HeaderInt32(kRootField), HeaderInt32(kFreePageField), pageSize);
    if (FStorage.GetPageCount() < pages) Damaged("file is shorter than its page count");
  } catch (const EVxbPageManager&) {
    Damaged("header cannot be loaded");
  }
  FFreeChainChecked = false;
}

void TVxbBPlusTree::Preload() {
  BeginOp();
  auto site = FStorage.CreatePageSite();
  for (int32_t pageNo = FFirstPage; pageNo < FCurPages; ++pageNo) site->LoadPage(pageNo);
}

void TVxbBPlusTree::Flush() {
  if (FStorage.GetReadOnly()) return;
  FStorage.Flush();
  const int32_t pages = GetPageCount();
  if (FStorage.GetPageCount() > pages) {
    UnloadPages();
    FStorage.SetPageCount(pages);
    FStorage.Flush();
  }
}

void TVxbBPlusTree::Undo() {
  UnloadPages();
  FStorage.Undo();
  FFreeChainChecked = false;
}

void TVxbBPlusTree::Update() {
  UnloadPages();
  FStorage.Invalidate();
  FFreeChainChecked = false;
  if (FHeaderPageSite) {
    FHeaderPageSite->UnloadPage();
    FHeaderPageSite->LoadPage(0);
    CheckHeader(GetHeight(), HeaderInt32(kPageCountField), HeaderInt32(kRootField), HeaderInt32(kFreePageField),
                HeaderInt32(kPageSizeField));
  }
}

void TVxbBPlusTree::UpdateDir() { FStorage.UpdateDir(); }

void TVxbBPlusTree::Close() {
  UnloadPages();
  FPages.clear();
  FChildIndex.clear();
  FLeaf.reset();
  for (auto& page : FWorkLeaf) page.reset();
  for (auto& page : FWorkInner) page.reset();
  FWorkPageSite.reset();
  FHeaderPageSite.reset();
}

void TVxbBPlusTree::Clear() {
  BeginOp();
  UnloadPages();
  SetHeight(0);
  SetHeaderInt32(kRootField, 0);
  SetHeaderInt32(kFreePageField, 0);
  SetHeaderInt32(kPageCountField, FFirstPage);
  SetHeaderInt32(kItemCountField, 0);
  FCurPages = FFirstPage;
  FFreeChainChecked = true;
  FStorage.SetPageCount(FFirstPage);
}

}  // namespace vexilo::index
