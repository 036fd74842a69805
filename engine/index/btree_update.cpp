// TVxbBTree: insertion with page splits, deletion with borrowing and
// merging, the free page chain, emptying and the bulk build.
#include <cstring>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/btree.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/index/pages/page_site.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

// --- free pages ---

// Walks the whole chain once before the first page is taken from it: every
// link must lie inside the file, and the chain cannot be longer than the
// file has pages (a cycle).
void TVxbBTree::CheckFreeChain() {
  if (FFreeChainChecked) return;
  auto site = FStorage.CreatePageSite();
  int32_t pageNo = GetFirstFreePage();
  int64_t steps = 0;
  while (pageNo != 0) {
    if (pageNo < 1 || pageNo > FCurPages || ++steps > FCurPages) {
      Damaged(kTreeInconsistent, "BTree free page chain is damaged");
    }
    try {
      site->LoadPage(pageNo);
      pageNo = -ReadFreeWord(site->GetMemory());
    } catch (const EVxbPageManager&) {
      Damaged(kTreeLoadFailed, "BTree free page cannot be loaded");
    }
  }
  FFreeChainChecked = true;
}

// Takes a free page, or else a new one at the end of the file, shows it on
// `site` as an empty node and returns its number.
int32_t TVxbBTree::AllocatePage(TVxbStoragePageSite& site) {
  const int32_t head = GetFirstFreePage();
  if (head != 0) {
    CheckFreeChain();
    if (head < 1 || head > FCurPages) Damaged(kTreeInconsistent, "BTree free page chain is damaged");
    try {
      site.LoadPage(head);
    } catch (const EVxbPageManager&) {
      Damaged(kTreeLoadFailed, "BTree free page cannot be loaded");
    }
    const int32_t next = -ReadFreeWord(site.GetMemory());
    if (next < 0 || next > FCurPages || next == head) Damaged(kTreeInconsistent, "BTree free page chain is damaged");
    SetFirstFreePage(next);
    InitNode(Writable(site));
    return head;
  }
  if (FCurPages >= MaxPages()) throw errors::EVxbEngine(errors::vxbErrCapacity, FName);
  const int32_t pageNo = FCurPages + 1;
  try {
    site.InitPage(pageNo);
  } catch (const EVxbPageManager&) {
    Damaged(kTreeWriteFailed, "BTree page cannot be added");
  }
  SetPageCount(pageNo);
  FCurPages = pageNo;
  InitNode(Writable(site));
  return pageNo;
}

// Puts `pageNo` at the head of the free chain (using `site`).
void TVxbBTree::FreePage(TVxbStoragePageSite& site, int32_t pageNo) {
  try {
    site.LoadPage(pageNo);
  } catch (const EVxbPageManager&) {
    Damaged(kTreeLoadFailed, "BTree page cannot be loaded");
  }
  uint8_t* page = Writable(site);
  const int32_t head = GetFirstFreePage();
  if (IsNewFormat()) TvwMemory::WriteInt32(page, 0, -head);
  else TvwMemory::WriteInt16(page, 0, static_cast<int16_t>(-head));
  SetCount(page, 0);
  SetFirstFreePage(pageNo);
}

// --- insertion ---

// Inserts the item u after position k of the page at `depth` of the path,
// splitting pages upwards as needed.
void TVxbBTree::InsertItem(int depth, int k) {
  const size_t itemSize = static_cast<size_t>(FItemSize);
  const int m = FOrder;
  for (;;) {
    uint8_t* page = WritablePath(depth);
    const int n = Count(page);
    if (k < 0 || k > n) Damaged(kTreeInconsistent, "BTree item position beyond the page");
    if (n < FPageCapacity) {
      std::memmove(ItemAt(page, k + 2), ItemAt(page, k + 1), (n - k) * itemSize);
      std::memcpy(ItemAt(page, k + 1), FU.data(), itemSize);
      SetCount(page, n + 1);
      return;
    }
    // Split: of the page's 2m items and u, in order, the first m stay, the
    // middle one goes up and the last m move to a new page.
    TVxbStoragePageSite& rightSite = *FWork[0];
    const int32_t rightNo = AllocatePage(rightSite);
    uint8_t* right = Writable(rightSite);
    page = WritablePath(depth);
    FW.resize((FPageCapacity + 1) * itemSize);
    std::memcpy(FW.data(), ItemAt(page, 1), k * itemSize);
    std::memcpy(FW.data() + k * itemSize, FU.data(), itemSize);
    std::memcpy(FW.data() + (k + 1) * itemSize, ItemAt(page, k + 1), (n - k) * itemSize);
    const uint8_t* up = FW.data() + m * itemSize;
    std::memcpy(ItemAt(page, 1), FW.data(), m * itemSize);
    SetCount(page, m);
    WritePageNo(right, ReadPageNo(up));
    std::memcpy(ItemAt(right, 1), up + itemSize, m * itemSize);
    SetCount(right, m);
    std::memcpy(FU.data(), up, itemSize);
    WritePageNo(FU.data(), rightNo);
    if (depth > 1) {
      --depth;
      k = FPath[depth].Position;
      continue;
    }
    // The root split: its left half moves to another page, and page 1
    // becomes a root with that page, u and the new page.
    TVxbStoragePageSite& leftSite = *FWork[1];
    const int32_t leftNo = AllocatePage(leftSite);
    uint8_t* left = Writable(leftSite);
    page = WritablePath(1);
    std::memcpy(left, page, FPageSize);
    InitNode(page);
    WritePageNo(page, leftNo);
    std::memcpy(ItemAt(page, 1), FU.data(), itemSize);
    SetCount(page, 1);
    SetHeight(static_cast<int16_t>(FCurHeight + 1));
    return;
  }
}

bool TVxbBTree::Insert(const types::TVxbLongIndexInfo& item, size_t itemSize) {
  BeginOp();
  if (itemSize != static_cast<size_t>(FKeySize)) throw EVxbTree("BTree entry has the wrong size");
  WritePageNo(FU.data(), 0);
  TvwMemory::WriteInt32(FU.data(), FChildWidth, item.DateiVerweis);
  std::memcpy(FU.data() + FChildWidth + 4, item.Key, FKeySize - 4);
  if (FCurHeight == 0) {
    try {
      if (FCurPages < 1) {
        FPath[1].Site->InitPage(1);
        SetPageCount(1);
        FCurPages = 1;
      } else {
        FPath[1].Site->LoadPage(1);
      }
      FPath[1].PageNo = 1;
      uint8_t* root = WritablePath(1);
      InitNode(root);
      std::memcpy(ItemAt(root, 1), FU.data(), FItemSize);
      SetCount(root, 1);
      SetHeight(1);
    } catch (const EVxbPageManager&) {
      throw EVxbTree("BTree error while inserting item in root page");
    } catch (const EVxbTree&) {
      throw EVxbTree("BTree error while inserting item in root page");
    }
    return true;
  }
  Descent at;
  try {
    at = Descend(KeyOf(item));
  } catch (const EVxbTree&) {
    throw EVxbTree("BTree error while searching start node for insertion");
  }
  if (at.Found) return false;
  ReservePages(at.Depth);
  InsertItem(at.Depth, at.Position);
  return true;
}

// Makes sure that the splits an insertion at `depth` may cause can get
// their pages, before anything changes: every full page from the leaf up
// needs one, and a full root one more (and a level).
void TVxbBTree::ReservePages(int depth) {
  int needed = 0;
  for (int d = depth; d >= 1; --d) {
    if (Count(PathPage(d)) < FPageCapacity) break;
    ++needed;
    if (d == 1) ++needed;
  }
  if (needed == 0) return;
  // Every page up to the root is full: the tree grows by a level.
  if (needed == depth + 1 && FCurHeight >= kMaxDepth) throw errors::EVxbEngine(errors::vxbErrCapacity, FName);
  if (needed <= MaxPages() - FCurPages) return;
  // Near the limit: count the free pages too.
  CheckFreeChain();
  auto site = FStorage.CreatePageSite();
  int available = MaxPages() - FCurPages;
  for (int32_t pageNo = GetFirstFreePage(); pageNo != 0 && available < needed; ++available) {
    site->LoadPage(pageNo);
    pageNo = -ReadFreeWord(site->GetMemory());
  }
  if (available < needed) throw errors::EVxbEngine(errors::vxbErrCapacity, FName);
}

// --- deletion ---

// Restores the minimum fill of the page at `depth` (and above) after an
// item was removed from it: merges it with a sibling or borrows one item
// through the parent.
void TVxbBTree::RemoveUnderflow(int depth) {
  const size_t itemSize = static_cast<size_t>(FItemSize);
  const size_t entrySize = static_cast<size_t>(FKeySize);
  const int m = FOrder;
  while (depth > 1) {
    uint8_t* page = WritablePath(depth);
    const int a = Count(page);
    if (a >= m) return;
    uint8_t* parent = WritablePath(depth - 1);
    const int pn = Count(parent);
    const int r = FPath[depth - 1].Position;
    if (r < 0 || r > pn || pn < 1) Damaged(kTreeInconsistent, "BTree item position beyond the page");
    // The sibling: the right one for the leftmost child, else the left one.
    const bool pageIsLeft = r == 0;
    const int sep = pageIsLeft ? 1 : r;
    const int32_t siblingNo = ChildAt(parent, pageIsLeft ? 1 : r - 1);
    CheckChild(siblingNo, depth - 1);
    if (siblingNo == FPath[depth].PageNo) Damaged(kTreeInconsistent, "BTree child page number is invalid");
    TVxbStoragePageSite& siblingSite = *FWork[0];
    PinSite(siblingSite, siblingNo, false);
    uint8_t* sibling = Writable(siblingSite);
    page = WritablePath(depth);
    parent = WritablePath(depth - 1);
    const int b = Count(sibling);
    uint8_t* separator = ItemAt(parent, sep) + FChildWidth;

    if (a + b < 2 * m) {
      // Merge: the separator comes down between the pair, and the right
      // page's items follow it in the left page.
      uint8_t* left = pageIsLeft ? page : sibling;
      uint8_t* right = pageIsLeft ? sibling : page;
      const int32_t leftNo = pageIsLeft ? FPath[depth].PageNo : siblingNo;
      const int32_t rightNo = pageIsLeft ? siblingNo : FPath[depth].PageNo;
      const int la = Count(left);
      const int rb = Count(right);
      uint8_t* slot = ItemAt(left, la + 1);
      WritePageNo(slot, ReadPageNo(right));
      std::memcpy(slot + FChildWidth, separator, entrySize);
      std::memcpy(ItemAt(left, la + 2), ItemAt(right, 1), rb * itemSize);
      SetCount(left, la + 1 + rb);
      std::memmove(ItemAt(parent, sep), ItemAt(parent, sep + 1), (pn - sep) * itemSize);
      SetCount(parent, pn - 1);
      FreePage(*FWork[1], rightNo);
      if (depth - 1 == 1 && pn - 1 == 0) {
        // The root lost its last item: its only child becomes the root.
        uint8_t* root = WritablePath(1);
        PinSite(*FWork[1], leftNo, true);
        std::memcpy(root, FWork[1]->GetMemory(), FPageSize);
        FreePage(*FWork[1], leftNo);
        SetHeight(static_cast<int16_t>(FCurHeight - 1));
        return;
      }
      --depth;
      continue;
    }

    // Borrow one item through the parent.
    if (pageIsLeft) {
      uint8_t* slot = ItemAt(page, a + 1);
      WritePageNo(slot, ReadPageNo(sibling));
      std::memcpy(slot + FChildWidth, separator, entrySize);
      SetCount(page, a + 1);
      std::memcpy(separator, EntryAt(sibling, 1), entrySize);
      WritePageNo(sibling, ChildAt(sibling, 1));
      std::memmove(ItemAt(sibling, 1), ItemAt(sibling, 2), (b - 1) * itemSize);
      SetCount(sibling, b - 1);
    } else {
      std::memmove(ItemAt(page, 2), ItemAt(page, 1), a * itemSize);
      uint8_t* slot = ItemAt(page, 1);
      WritePageNo(slot, ReadPageNo(page));
      std::memcpy(slot + FChildWidth, separator, entrySize);
      WritePageNo(page, ChildAt(sibling, b));
      std::memcpy(separator, EntryAt(sibling, b), entrySize);
      SetCount(sibling, b - 1);
      SetCount(page, a + 1);
    }
    return;
  }
}

bool TVxbBTree::Delete(const types::TVxbLongIndexInfo& item) {
  try {
    BeginOp();
    if (FCurHeight == 0) return false;
    const Descent at = Descend(KeyOf(item));
    if (!at.Found) return false;
    int depth = at.Depth;
    int k = at.Position;
    if (depth < FCurHeight) {
      // An inner entry is replaced by its successor, the first entry of its
      // right subtree, which is then removed from its leaf.
      const int32_t child = ChildAt(PathPage(depth), k);
      CheckChild(child, depth);
      const int leaf = DescendEdge(depth + 1, child, true);
      uint8_t* inner = WritablePath(depth);
      std::memcpy(ItemAt(inner, k) + FChildWidth, EntryAt(PathPage(leaf), 1), FKeySize);
      depth = leaf;
      k = 1;
    }
    uint8_t* page = WritablePath(depth);
    const int n = Count(page);
    if (k < 1 || k > n) Damaged(kTreeInconsistent, "BTree item position beyond the page");
    std::memmove(ItemAt(page, k), ItemAt(page, k + 1), (n - k) * static_cast<size_t>(FItemSize));
    SetCount(page, n - 1);
    RemoveUnderflow(depth);
    return true;
  } catch (const EVxbTree&) {
    throw errors::EVxbEngine(errors::vxbErrIndexDelete, FName);
  } catch (const EVxbPageManager&) {
    throw errors::EVxbEngine(errors::vxbErrIndexDelete, FName);
  }
}

// --- emptying and bulk build ---

void TVxbBTree::Clear() {
  BeginOp();
  UnloadPath();
  SetHeight(0);
  SetPageCount(0);
  SetFirstFreePage(0);
  FFreeChainChecked = true;
}

}  // namespace vexilo::index
