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
  int32_t page_no = GetFirstFreePage();
  int64_t steps = 0;
  while (page_no != 0) {
    if (page_no < 1 || page_no > FCurPages || ++steps > FCurPages) {
      Damaged(kTreeInconsistent, "BTree free page chain is damaged");
    }
    try {
      site->LoadPage(page_no);
      page_no = -ReadFreeWord(site->GetMemory());
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
  const int32_t page_no = FCurPages + 1;
  try {
    site.InitPage(page_no);
  } catch (const EVxbPageManager&) {
    Damaged(kTreeWriteFailed, "BTree page cannot be added");
  }
  SetPageCount(page_no);
  FCurPages = page_no;
  InitNode(Writable(site));
  return page_no;
}

// Puts `page_no` at the head of the free chain (using `site`).
void TVxbBTree::FreePage(TVxbStoragePageSite& site, int32_t page_no) {
  try {
    site.LoadPage(page_no);
  } catch (const EVxbPageManager&) {
    Damaged(kTreeLoadFailed, "BTree page cannot be loaded");
  }
  uint8_t* page = Writable(site);
  const int32_t head = GetFirstFreePage();
  if (IsNewFormat()) TvwMemory::WriteInt32(page, 0, -head);
  else TvwMemory::WriteInt16(page, 0, static_cast<int16_t>(-head));
  SetCount(page, 0);
  SetFirstFreePage(page_no);
}

// --- insertion ---

// Inserts the item u after position k of the page at `depth` of the path,
// splitting pages upwards as needed.
void TVxbBTree::InsertItem(int depth, int k) {
  const size_t item_size = static_cast<size_t>(FItemSize);
  const int m = FOrder;
  for (;;) {
    uint8_t* page = WritablePath(depth);
    const int n = Count(page);
    if (k < 0 || k > n) Damaged(kTreeInconsistent, "BTree item position beyond the page");
    if (n < FPageCapacity) {
      std::memmove(ItemAt(page, k + 2), ItemAt(page, k + 1), (n - k) * item_size);
      std::memcpy(ItemAt(page, k + 1), u.data(), item_size);
      SetCount(page, n + 1);
      return;
    }
    // Split: of the page's 2m items and u, in order, the first m stay, the
    // middle one goes up and the last m move to a new page.
    TVxbStoragePageSite& right_site = *FWork[0];
    const int32_t right_no = AllocatePage(right_site);
    uint8_t* right = Writable(right_site);
    page = WritablePath(depth);
    w.resize((FPageCapacity + 1) * item_size);
    std::memcpy(w.data(), ItemAt(page, 1), k * item_size);
    std::memcpy(w.data() + k * item_size, u.data(), item_size);
    std::memcpy(w.data() + (k + 1) * item_size, ItemAt(page, k + 1), (n - k) * item_size);
    const uint8_t* up = w.data() + m * item_size;
    std::memcpy(ItemAt(page, 1), w.data(), m * item_size);
    SetCount(page, m);
    WritePageNo(right, ReadPageNo(up));
    std::memcpy(ItemAt(right, 1), up + item_size, m * item_size);
    SetCount(right, m);
    std::memcpy(u.data(), up, item_size);
    WritePageNo(u.data(), right_no);
    if (depth > 1) {
      --depth;
      k = FPath[depth].Position;
      continue;
    }
    // The root split: its left half moves to another page, and page 1
    // becomes a root with that page, u and the new page.
    TVxbStoragePageSite& left_site = *FWork[1];
    const int32_t left_no = AllocatePage(left_site);
    uint8_t* left = Writable(left_site);
    page = WritablePath(1);
    std::memcpy(left, page, FPageSize);
    InitNode(page);
    WritePageNo(page, left_no);
    std::memcpy(ItemAt(page, 1), u.data(), item_size);
    SetCount(page, 1);
    SetHeight(static_cast<int16_t>(FCurHeight + 1));
    return;
  }
}

bool TVxbBTree::Insert(const types::TVxbLongIndexInfo& item, size_t item_size) {
  BeginOp();
  if (item_size != static_cast<size_t>(FKeySize)) throw EVxbTree("BTree entry has the wrong size");
  WritePageNo(u.data(), 0);
  TvwMemory::WriteInt32(u.data(), FChildWidth, item.DateiVerweis);
  std::memcpy(u.data() + FChildWidth + 4, item.Key, FKeySize - 4);
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
      std::memcpy(ItemAt(root, 1), u.data(), FItemSize);
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
  for (int32_t page_no = GetFirstFreePage(); page_no != 0 && available < needed; ++available) {
    site->LoadPage(page_no);
    page_no = -ReadFreeWord(site->GetMemory());
  }
  if (available < needed) throw errors::EVxbEngine(errors::vxbErrCapacity, FName);
}

// --- deletion ---

// Restores the minimum fill of the page at `depth` (and above) after an
// item was removed from it: merges it with a sibling or borrows one item
// through the parent.
void TVxbBTree::RemoveUnderflow(int depth) {
  const size_t item_size = static_cast<size_t>(FItemSize);
  const size_t entry_size = static_cast<size_t>(FKeySize);
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
    const bool page_is_left = r == 0;
    const int sep = page_is_left ? 1 : r;
    const int32_t sibling_no = ChildAt(parent, page_is_left ? 1 : r - 1);
    CheckChild(sibling_no, depth - 1);
    if (sibling_no == FPath[depth].PageNo) Damaged(kTreeInconsistent, "BTree child page number is invalid");
    TVxbStoragePageSite& sibling_site = *FWork[0];
    PinSite(sibling_site, sibling_no, false);
    uint8_t* sibling = Writable(sibling_site);
    page = WritablePath(depth);
    parent = WritablePath(depth - 1);
    const int b = Count(sibling);
    uint8_t* separator = ItemAt(parent, sep) + FChildWidth;

    if (a + b < 2 * m) {
      // Merge: the separator comes down between the pair, and the right
      // page's items follow it in the left page.
      uint8_t* left = page_is_left ? page : sibling;
      uint8_t* right = page_is_left ? sibling : page;
      const int32_t left_no = page_is_left ? FPath[depth].PageNo : sibling_no;
      const int32_t right_no = page_is_left ? sibling_no : FPath[depth].PageNo;
      const int la = Count(left);
      const int rb = Count(right);
      uint8_t* slot = ItemAt(left, la + 1);
      WritePageNo(slot, ReadPageNo(right));
      std::memcpy(slot + FChildWidth, separator, entry_size);
      std::memcpy(ItemAt(left, la + 2), ItemAt(right, 1), rb * item_size);
      SetCount(left, la + 1 + rb);
      std::memmove(ItemAt(parent, sep), ItemAt(parent, sep + 1), (pn - sep) * item_size);
      SetCount(parent, pn - 1);
      FreePage(*FWork[1], right_no);
      if (depth - 1 == 1 && pn - 1 == 0) {
        // The root lost its last item: its only child becomes the root.
        uint8_t* root = WritablePath(1);
        PinSite(*FWork[1], left_no, true);
        std::memcpy(root, FWork[1]->GetMemory(), FPageSize);
        FreePage(*FWork[1], left_no);
        SetHeight(static_cast<int16_t>(FCurHeight - 1));
        return;
      }
      --depth;
      continue;
    }

    // Borrow one item through the parent.
    if (page_is_left) {
      uint8_t* slot = ItemAt(page, a + 1);
      WritePageNo(slot, ReadPageNo(sibling));
      std::memcpy(slot + FChildWidth, separator, entry_size);
      SetCount(page, a + 1);
      std::memcpy(separator, EntryAt(sibling, 1), entry_size);
      WritePageNo(sibling, ChildAt(sibling, 1));
      std::memmove(ItemAt(sibling, 1), ItemAt(sibling, 2), (b - 1) * item_size);
      SetCount(sibling, b - 1);
    } else {
      std::memmove(ItemAt(page, 2), ItemAt(page, 1), a * item_size);
      uint8_t* slot = ItemAt(page, 1);
      WritePageNo(slot, ReadPageNo(page));
      std::memcpy(slot + FChildWidth, separator, entry_size);
      WritePageNo(page, ChildAt(sibling, b));
      std::memcpy(separator, EntryAt(sibling, b), entry_size);
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
