// TVxbBTree: descending, searching, walking, counting and checking.
#include <cmath>
#include <cstring>

#include "engine/index/btree.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/index/pages/page_site.h"
#include "engine/types/memory.h"

namespace vexilo::index {

namespace {

// A page holds at most 32767 items, so a binary search that has not
// converged after this many rounds has met inconsistent contents.
constexpr int kMaxSearchRounds = 100;
// Above this many node pages the sequence number is estimated.
constexpr int32_t kExactSequencePages = 1000;

}  // namespace

int TVxbBTree::SearchPage(const uint8_t* page, int n, Key key, bool& exact) {
  exact = false;
  if (n <= 0) return 0;
  int lo = 1;
  int hi = n;
  int rounds = 0;
  do {
    const int mid = (lo + hi) / 2;
    if (Compare(key, EntryAt(page, mid)) > 0) lo = mid + 1;
    else hi = mid;
    if (++rounds > kMaxSearchRounds) Damaged(kTreeInconsistent, "BTree page is not sorted");
  } while (lo < hi);
  // hi is the first item not less than the key, or the last item.
  const int order = Compare(key, EntryAt(page, hi));
  if (order < 0) return hi - 1;
  exact = order == 0;
  return hi;
}

TVxbBTree::Descent TVxbBTree::Descend(Key key) {
  Descent result;
  if (FCurHeight <= 0) return result;
  int32_t pageNo = 1;
  for (int depth = 1;; ++depth) {
    const uint8_t* page = PinPath(depth, pageNo);
    bool exact;
    const int pos = SearchPage(page, Count(page), key, exact);
    FPath[depth].Position = pos;
    if (exact || depth >= FCurHeight) return {depth, pos, exact};
    const int32_t child = ChildAt(page, pos);
    CheckChild(child, depth);
    pageNo = child;
  }
}

int TVxbBTree::DescendEdge(int depth, int32_t pageNo, bool leftmost) {
  for (int d = depth;; ++d) {
    const uint8_t* page = PinPath(d, pageNo);
    const int n = Count(page);
    FPath[d].Position = leftmost ? 0 : n;
    if (d >= FCurHeight) return d;
    const int32_t child = ChildAt(page, leftmost ? 0 : n);
    CheckChild(child, d);
    pageNo = child;
  }
}

int16_t TVxbBTree::FindFirst(types::TVxbLongIndexInfo& item, size_t maxSize) {
  try {
    BeginOp();
    if (FCurHeight == 0) return 1;
    const int leaf = DescendEdge(1, 1, true);
    const uint8_t* page = PathPage(leaf);
    if (Count(page) == 0) return 1;
    CopyOut(EntryAt(page, 1), item, maxSize);
    return 0;
  } catch (const EVxbTree&) {
    throw EVxbTree("FindFirst");
  }
}

int16_t TVxbBTree::FindLast(types::TVxbLongIndexInfo& item, size_t maxSize) {
  try {
    BeginOp();
    if (FCurHeight == 0) return 1;
    const int leaf = DescendEdge(1, 1, false);
    const uint8_t* page = PathPage(leaf);
    const int n = Count(page);
    if (n == 0) return 1;
    CopyOut(EntryAt(page, n), item, maxSize);
    return 0;
  } catch (const EVxbTree&) {
    throw EVxbTree("FindFirst");
  }
}

int16_t TVxbBTree::FindNext(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& succ,
                            size_t succSize) {
  try {
    BeginOp();
    const Descent at = Descend(KeyOf(item));
    if (!at.Found) return -1;
    int depth = at.Depth;
    const uint8_t* page = PathPage(depth);
    if (depth < FCurHeight) {
      // The first entry of the subtree right of the item.
      const int32_t child = ChildAt(page, at.Position);
      CheckChild(child, depth);
      const int leaf = DescendEdge(depth + 1, child, true);
      CopyOut(EntryAt(PathPage(leaf), 1), succ, succSize);
      return 0;
    }
    if (at.Position < Count(page)) {
      CopyOut(EntryAt(page, at.Position + 1), succ, succSize);
      return 0;
    }
    // Climb to the first ancestor with an item right of the path.
    while (--depth >= 1) {
      page = PathPage(depth);
      const int pos = FPath[depth].Position;
      if (pos < Count(page)) {
        CopyOut(EntryAt(page, pos + 1), succ, succSize);
        return 0;
      }
    }
    return 1;
  } catch (const EVxbTree&) {
    throw EVxbTree("FindNext");
  }
}

int16_t TVxbBTree::FindPrev(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& prev,
                            size_t prevSize) {
  try {
    BeginOp();
    const Descent at = Descend(KeyOf(item));
    if (!at.Found) return -1;
    int depth = at.Depth;
    const uint8_t* page = PathPage(depth);
    if (depth < FCurHeight) {
      // The last entry of the subtree left of the item.
      const int32_t child = ChildAt(page, at.Position - 1);
      CheckChild(child, depth);
      const int leaf = DescendEdge(depth + 1, child, false);
      const uint8_t* leafPage = PathPage(leaf);
      CopyOut(EntryAt(leafPage, Count(leafPage)), prev, prevSize);
      return 0;
    }
    if (at.Position > 1) {
      CopyOut(EntryAt(page, at.Position - 1), prev, prevSize);
      return 0;
    }
    // Climb to the first ancestor with an item left of the path.
    while (--depth >= 1) {
      page = PathPage(depth);
      const int pos = FPath[depth].Position;
      if (pos >= 1) {
        CopyOut(EntryAt(page, pos), prev, prevSize);
        return 0;
      }
    }
    return 1;
  } catch (const EVxbTree&) {
    throw EVxbTree("FindPrev");
  }
}

int16_t TVxbBTree::Find(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& found, size_t foundSize) {
  BeginOp();
  if (FCurHeight == 0) return -1;
  const Descent at = Descend(KeyOf(item));
  const uint8_t* page = PathPage(at.Depth);
  if (at.Found) {
    CopyOut(EntryAt(page, at.Position), found, foundSize);
    return 0;
  }
  const int n = Count(page);
  if (at.Position < n) {
    CopyOut(EntryAt(page, at.Position + 1), found, foundSize);
    return 0;
  }
  if (n == 0) return 1;
  // Past the last item of the leaf: the successor of that item is the
  // separator of the first ancestor that has one right of the path.
  for (int depth = at.Depth - 1; depth >= 1; --depth) {
    page = PathPage(depth);
    const int pos = FPath[depth].Position;
    if (pos < Count(page)) {
      CopyOut(EntryAt(page, pos + 1), found, foundSize);
      return 0;
    }
  }
  return 1;
}

// Entries in the subtree of `pageNo` at `depth`; `pagesLeft` bounds the
// pages visited, so a damaged tree cannot make the walk go on for ever.
int64_t TVxbBTree::CountSubtree(int32_t pageNo, int depth, int64_t& pagesLeft) {
  if (--pagesLeft < 0) Damaged(kTreeInconsistent, "BTree contains a loop");
  const uint8_t* page = PinPath(depth, pageNo);
  const int n = Count(page);
  int64_t count = n;
  if (depth < FCurHeight) {
    for (int i = 0; i <= n; ++i) {
      const int32_t child = ChildAt(page, i);
      CheckChild(child, depth);
      count += CountSubtree(child, depth + 1, pagesLeft);
    }
  }
  return count;
}

// The number of entries smaller than `key`.
int64_t TVxbBTree::CountLess(Key key) {
  int64_t count = 0;
  int64_t pagesLeft = FCurPages;
  int32_t pageNo = 1;
  for (int depth = 1; depth <= FCurHeight; ++depth) {
    const uint8_t* page = PinPath(depth, pageNo);
    bool exact;
    const int pos = SearchPage(page, Count(page), key, exact);
    // Items before the position and the subtrees left of them are smaller.
    // Items before the position are smaller, and so are the subtrees left
    // of the position (children 0 to pos - 1); on a hit the item itself is not.
    count += exact ? pos - 1 : pos;
    if (depth < FCurHeight) {
      for (int i = 0; i < pos; ++i) {
        const int32_t child = ChildAt(page, i);
        CheckChild(child, depth);
        count += CountSubtree(child, depth + 1, pagesLeft);
      }
    }
    if (exact || depth == FCurHeight) break;
    const int32_t child = ChildAt(page, pos);
    CheckChild(child, depth);
    pageNo = child;
  }
  return count;
}

int32_t TVxbBTree::CalcItemSequenceNo(const types::TVxbLongIndexInfo& item) {
  try {
    BeginOp();
    if (FCurHeight == 0) return 1;
    if (FCurPages > kExactSequencePages) {
      const uint8_t* root = PinPath(1, 1);
      const int n = Count(root);
      if (n == 0) return 1;
      bool exact;
      const int pos = SearchPage(root, n, KeyOf(item), exact);
      const double estimate = static_cast<double>(FCurPages) * 1.5 * FOrder * pos / n;
      return static_cast<int32_t>(std::lround(estimate)) + 1;
    }
    return static_cast<int32_t>(CountLess(KeyOf(item)) + 1);
  } catch (const EVxbTree&) {
    return 0;
  } catch (const EVxbPageManager&) {
    return 0;
  }
}

// Visits the subtree of `pageNo` at `depth` in key order.
void TVxbBTree::CheckWalk(int32_t pageNo, int depth, int64_t& pagesLeft, int64_t& items, int64_t& wrong,
                          std::vector<uint8_t>& previous, bool& hasPrevious) {
  if (--pagesLeft < 0) Damaged(kTreeInconsistent, "BTree contains a loop");
  const uint8_t* page = PinPath(depth, pageNo);
  const int n = Count(page);
  for (int i = 0; i <= n; ++i) {
    if (depth < FCurHeight) {
      const int32_t child = ChildAt(page, i);
      CheckChild(child, depth);
      CheckWalk(child, depth + 1, pagesLeft, items, wrong, previous, hasPrevious);
    }
    if (i == n) break;
    const uint8_t* entry = EntryAt(page, i + 1);
    ++items;
    if (hasPrevious && CompareEntries(previous.data(), entry) >= 0) ++wrong;
    std::memcpy(previous.data(), entry, FKeySize);
    hasPrevious = true;
  }
}

void TVxbBTree::Check(int64_t& itemCount, int64_t& wrongSortCount) {
  itemCount = 0;
  wrongSortCount = 0;
  BeginOp();
  CheckFreeChain();
  if (FCurHeight == 0) return;
  int64_t pagesLeft = FCurPages;
  std::vector<uint8_t> previous(FKeySize);
  bool hasPrevious = false;
  CheckWalk(1, 1, pagesLeft, itemCount, wrongSortCount, previous, hasPrevious);
}

}  // namespace vexilo::index
