// TVxbBPlusTree: descending, searching, walking, sequence numbers and the
// tree check.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "engine/index/bplus_tree.h"
#include "engine/index/pages/page_manager_errors.h"

namespace vexilo::index {

// What the check carries from leaf to leaf.
struct TVxbBPlusTree::CheckState {
  std::vector<bool> Seen;  // pages reached so far
  int64_t Items = 0;
  int64_t Wrong = 0;
  bool HasLeaf = false;
  int32_t ExpectedLeaf = 0;  // the next link of the last leaf
  bool HasPrevious = false;
  int32_t PreviousRecord = 0;
  std::vector<uint8_t> Previous;
};

TVxbBPlusKey TVxbBPlusTree::KeyOf(const types::TVxbLongIndexInfo& item) {
  // A search entry carries no length; its items tell their own.
  return {item.DateiVerweis, item.Key, types::TVxbLongIndexInfo::kMaxKeySize};
}

int TVxbBPlusTree::Order(const TVxbBPlusKey& a, const TVxbBPlusKey& b) const {
  return FOnIsLess(a.Record, a.Bytes, a.Length, b.Record, b.Bytes, b.Length, nullptr);
}

void TVxbBPlusTree::Descend(const TVxbBPlusKey& key) {
  int32_t pageNo = FCurRoot;
  for (int level = 0; level < FCurHeight - 1; ++level) {
    TVxbBPlusInnerPage& inner = InnerAt(level);
    inner.LoadPage(pageNo);
    const int32_t child = inner.FindFollowUpPage(key, FOnIsLess, FChildIndex[static_cast<size_t>(level)]);
    CheckChild(child, level);
    pageNo = child;
  }
  FLeaf->LoadPage(pageNo);
  FLeafPos = FLeaf->LowerBound(key, FOnIsLess);
}

void TVxbBPlusTree::DescendEdge(bool leftmost) {
  int32_t pageNo = FCurRoot;
  for (int level = 0; level < FCurHeight - 1; ++level) {
    TVxbBPlusInnerPage& inner = InnerAt(level);
    inner.LoadPage(pageNo);
    const int index = leftmost ? 0 : inner.Count();
    FChildIndex[static_cast<size_t>(level)] = index;
    const int32_t child = inner.GetChildPageNo(index);
    CheckChild(child, level);
    pageNo = child;
  }
  FLeaf->LoadPage(pageNo);
  FLeafPos = leftmost ? 0 : FLeaf->Count();
}

bool TVxbBPlusTree::NextLeaf() {
  int level = FCurHeight - 2;
  while (level >= 0 && FChildIndex[static_cast<size_t>(level)] >= FPages[static_cast<size_t>(level)]->Count()) {
    --level;
  }
  if (level < 0) return false;
  int32_t pageNo = FPages[static_cast<size_t>(level)]->GetChildPageNo(++FChildIndex[static_cast<size_t>(level)]);
  CheckChild(pageNo, level);
  for (int l = level + 1; l < FCurHeight - 1; ++l) {
    TVxbBPlusInnerPage& inner = *FPages[static_cast<size_t>(l)];
    inner.LoadPage(pageNo);
    FChildIndex[static_cast<size_t>(l)] = 0;
    pageNo = inner.GetChildPageNo(0);
    CheckChild(pageNo, l);
  }
  FLeaf->LoadPage(pageNo);
  FLeafPos = 0;
  return true;
}

bool TVxbBPlusTree::PrevLeaf() {
  int level = FCurHeight - 2;
  while (level >= 0 && FChildIndex[static_cast<size_t>(level)] <= 0) --level;
  if (level < 0) return false;
  int32_t pageNo = FPages[static_cast<size_t>(level)]->GetChildPageNo(--FChildIndex[static_cast<size_t>(level)]);
  CheckChild(pageNo, level);
  for (int l = level + 1; l < FCurHeight - 1; ++l) {
    TVxbBPlusInnerPage& inner = *FPages[static_cast<size_t>(l)];
    inner.LoadPage(pageNo);
    const int index = inner.Count();
    FChildIndex[static_cast<size_t>(l)] = index;
    pageNo = inner.GetChildPageNo(index);
    CheckChild(pageNo, l);
  }
  FLeaf->LoadPage(pageNo);
  FLeafPos = FLeaf->Count();
  return true;
}

void TVxbBPlusTree::NoteStep() {
  FStepLeaf = FLeaf->PageNo();
  FStepPos = FLeafPos;
  FStepHeight = FCurHeight;
  FStepRoot = FCurRoot;
  FStepPages = FCurPages;
  FStepFreePage = GetFirstFreePage();
  FStepItems = GetItemCount();
}

bool TVxbBPlusTree::StepInLeaf(const TVxbBPlusKey& key, int delta) {
  // Another tree object on the same file changes the header with every
  // insertion, deletion and page taken from or given to the free chain.
  if (FStepLeaf < 0 || FStepHeight != FCurHeight || FStepRoot != FCurRoot || FStepPages != FCurPages ||
      FStepFreePage != GetFirstFreePage() || FStepItems != GetItemCount()) {
    return false;
  }
  // Showing the page again sees its current bytes; the entry must still be
  // the one handed out, byte for byte, for the position to hold.
  FLeaf->LoadPage(FStepLeaf);
  const int target = FStepPos + delta;
  if (FStepPos >= FLeaf->Count() || target < 0 || target >= FLeaf->Count()) return false;
  const TVxbBPlusKey entry = FLeaf->EntryAt(FStepPos);
  if (entry.Record != key.Record || entry.Length > key.Length ||
      std::memcmp(entry.Bytes, key.Bytes, entry.Length) != 0) {
    return false;
  }
  FLeafPos = target;
  return true;
}

bool TVxbBPlusTree::SeekLowerBound(const TVxbBPlusKey& key) {
  Descend(key);
  // The leaf reached may end before the key (the entry equal to a separator
  // starts the next leaf), and leaves may be empty.
  int64_t steps = 0;
  while (FLeafPos >= FLeaf->Count()) {
    if (++steps > FCurPages) Damaged("contains a loop");
    if (!NextLeaf()) return false;
  }
  return true;
}

bool TVxbBPlusTree::Locate(const TVxbBPlusKey& key) {
  return SeekLowerBound(key) && Order(FLeaf->EntryAt(FLeafPos), key) == 0;
}

int16_t TVxbBPlusTree::Find(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& found,
                            size_t foundSize) {
  BeginOp();
  if (FCurHeight == 0) return 1;
  if (!SeekLowerBound(KeyOf(item))) return 1;
  FLeaf->GetKey(FLeafPos, found, foundSize);
  NoteStep();
  return 0;
}

int16_t TVxbBPlusTree::FindFirst(types::TVxbLongIndexInfo& item, size_t maxSize) {
  BeginOp();
  if (FCurHeight == 0) return 1;
  DescendEdge(true);
  int64_t steps = 0;
  while (FLeaf->Count() == 0) {
    if (++steps > FCurPages) Damaged("contains a loop");
    if (!NextLeaf()) return 1;
  }
  FLeaf->GetKey(0, item, maxSize);
  NoteStep();
  return 0;
}

int16_t TVxbBPlusTree::FindLast(types::TVxbLongIndexInfo& item, size_t maxSize) {
  BeginOp();
  if (FCurHeight == 0) return 1;
  DescendEdge(false);
  int64_t steps = 0;
  while (FLeaf->Count() == 0) {
    if (++steps > FCurPages) Damaged("contains a loop");
    if (!PrevLeaf()) return 1;
  }
  FLeafPos = FLeaf->Count() - 1;
  FLeaf->GetKey(FLeafPos, item, maxSize);
  NoteStep();
  return 0;
}

// A walk steps from the entry it was handed last: while nothing changed and
// the neighbour lies in the same leaf, the step stays in the leaf; else the
// entry is searched from the root and the path moves on from there.
int16_t TVxbBPlusTree::FindNext(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& succ,
                                size_t succSize) {
  const int32_t stepLeaf = FStepLeaf;
  BeginOp();
  FStepLeaf = stepLeaf;
  if (FCurHeight == 0) return -1;
  const TVxbBPlusKey key = KeyOf(item);
  if (!StepInLeaf(key, +1)) {
    FStepLeaf = -1;
    if (!Locate(key)) return -1;
    ++FLeafPos;
    int64_t steps = 0;
    while (FLeafPos >= FLeaf->Count()) {
      if (++steps > FCurPages) Damaged("contains a loop");
      if (!NextLeaf()) return 1;
    }
  }
  FLeaf->GetKey(FLeafPos, succ, succSize);
  NoteStep();
  return 0;
}

int16_t TVxbBPlusTree::FindPrev(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& prev,
                                size_t prevSize) {
  const int32_t stepLeaf = FStepLeaf;
  BeginOp();
  FStepLeaf = stepLeaf;
  if (FCurHeight == 0) return -1;
  const TVxbBPlusKey key = KeyOf(item);
  if (!StepInLeaf(key, -1)) {
    FStepLeaf = -1;
    if (!Locate(key)) return -1;
    int64_t steps = 0;
    while (FLeafPos == 0) {
      if (++steps > FCurPages) Damaged("contains a loop");
      if (!PrevLeaf()) return 1;
    }
    --FLeafPos;
  }
  FLeaf->GetKey(FLeafPos, prev, prevSize);
  NoteStep();
  return 0;
}

int32_t TVxbBPlusTree::CalcItemSequenceNo(const types::TVxbLongIndexInfo& item) {
  try {
    BeginOp();
    if (FCurHeight == 0 || !Locate(KeyOf(item))) return 0;
    if (FCurPages - FFirstPage > kExactSequencePages) return EstimateSequenceNo();
    // Count the entries of the leaves before the item's along the leaf chain.
    const int32_t target = FLeaf->PageNo();
    const int position = FLeafPos;
    DescendEdge(true);
    TVxbBPlusLeafPage& leaf = *FWorkLeaf[0];
    int32_t pageNo = FLeaf->PageNo();
    int64_t count = 0;
    for (int64_t steps = 0;; ++steps) {
      if (steps > FCurPages) Damaged("leaf chain runs in a circle");
      leaf.LoadPage(pageNo);
      if (pageNo == target) return static_cast<int32_t>(std::min<int64_t>(count + position + 1, 2147483647));
      count += leaf.Count();
      pageNo = leaf.GetNextPageNo();
      if (pageNo < FFirstPage || pageNo >= FCurPages) Damaged("leaf chain is damaged");
    }
  } catch (const EVxbTree&) {
    return 0;
  } catch (const EVxbPageManager&) {
    return 0;
  }
}

// Counts the leaves below the inner pages of the level above the leaves, in
// key order, up to the path's child there; the item's leaf is taken to sit
// among leaves of the tree's mean fill.
int32_t TVxbBPlusTree::EstimateSequenceNo() {
  const int parentLevel = FCurHeight - 2;
  const int32_t parentPage = FPages[static_cast<size_t>(parentLevel)]->PageNo();
  const int child = FChildIndex[static_cast<size_t>(parentLevel)];
  const int position = FLeafPos;
  int64_t leaves = 0;
  int64_t leavesBefore = 0;
  bool passed = false;
  int64_t budget = FCurPages;
  const std::function<void(int32_t, int)> count = [&](int32_t pageNo, int level) {
    if (--budget < 0) Damaged("contains a loop");
    if (level == parentLevel) {
      TVxbBPlusInnerPage& parent = *FWorkInner[0];
      parent.LoadPage(pageNo);
      const int children = parent.Count() + 1;
      leaves += children;
      if (pageNo == parentPage && !passed) {
        leavesBefore += child;
        passed = true;
      } else if (!passed) {
        leavesBefore += children;
      }
      return;
    }
    TVxbBPlusInnerPage& inner = InnerAt(level);
    inner.LoadPage(pageNo);
    const int n = inner.Count();
    for (int i = 0; i <= n; ++i) {
      const int32_t next = inner.GetChildPageNo(i);
      CheckChild(next, level);
      count(next, level + 1);
    }
  };
  count(FCurRoot, 0);
  if (!passed || leaves == 0) return 0;
  const int64_t items = GetItemCount();
  const double perLeaf = static_cast<double>(items) / static_cast<double>(leaves);
  const int64_t estimate = std::llround(perLeaf * static_cast<double>(leavesBefore)) + position + 1;
  return static_cast<int32_t>(std::clamp<int64_t>(estimate, 1, std::max<int64_t>(items, 1)));
}

// Visits the subtree of `pageNo` at `level` in key order; `high` is the
// separator right of the subtree (none at the right edge of the tree).
void TVxbBPlusTree::CheckWalk(int32_t pageNo, int level, const TVxbBPlusKey* high, CheckState& state) {
  if (pageNo < FFirstPage || pageNo >= FCurPages) Damaged("child page number is invalid");
  if (state.Seen[static_cast<size_t>(pageNo)]) Damaged("reaches a page twice");
  state.Seen[static_cast<size_t>(pageNo)] = true;
  if (level < FCurHeight - 1) {
    TVxbBPlusInnerPage& inner = InnerAt(level);
    inner.LoadPage(pageNo);
    const int n = inner.Count();
    for (int i = 0; i <= n; ++i) {
      // The page stays shown while its subtrees are walked (they use the
      // page objects of the levels below), so the separator stays valid.
      TVxbBPlusKey separator;
      const TVxbBPlusKey* bound = high;
      if (i < n) {
        separator = inner.EntryAt(i);
        bound = &separator;
      }
      CheckWalk(inner.GetChildPageNo(i), level + 1, bound, state);
    }
    return;
  }
  TVxbBPlusLeafPage& leaf = *FLeaf;
  leaf.LoadPage(pageNo);
  if (state.HasLeaf && state.ExpectedLeaf != pageNo) Damaged("leaf chain does not follow the tree");
  state.HasLeaf = true;
  state.ExpectedLeaf = leaf.GetNextPageNo();
  const int n = leaf.Count();
  for (int k = 0; k < n; ++k) {
    const TVxbBPlusKey entry = leaf.EntryAt(k);
    ++state.Items;
    const TVxbBPlusKey previous{state.PreviousRecord, state.Previous.data(), state.Previous.size()};
    if (state.HasPrevious && Order(previous, entry) >= 0) {
      ++state.Wrong;
    } else if (high && Order(entry, *high) > 0) {
      // A search descends left of the separator and would never reach it.
      ++state.Wrong;
    }
    state.PreviousRecord = entry.Record;
    state.Previous.assign(entry.Bytes, entry.Bytes + entry.Length);
    state.HasPrevious = true;
  }
}

void TVxbBPlusTree::Check(int64_t& itemCount, int64_t& wrongSortCount) {
  itemCount = 0;
  wrongSortCount = 0;
  BeginOp();
  FFreeChainChecked = false;
  CheckFreeChain();
  if (FCurHeight == 0) return;
  CheckState state;
  state.Seen.assign(static_cast<size_t>(FCurPages), false);
  CheckWalk(FCurRoot, 0, nullptr, state);
  if (state.ExpectedLeaf != 0) Damaged("leaf chain does not end at the last leaf");
  itemCount = state.Items;
  wrongSortCount = state.Wrong;
}

}  // namespace vexilo::index
