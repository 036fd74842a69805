// TVxbBPlusTree: insertion with page splits, deletion with merging, and the
// bulk build.
#include <cstring>
#include <memory>

#include "engine/index/bplus_tree.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

namespace {

// Header fields written here, relative to the tree's offset.
constexpr int32_t kItemCountField = 18;
constexpr int32_t kRootField = 6;

}  // namespace

TVxbBPlusPage& TVxbBPlusTree::PathPage(int level) {
  if (level == FCurHeight - 1) return *FLeaf;
  return *FPages[static_cast<size_t>(level)];
}

bool TVxbBPlusTree::Insert(const types::TVxbLongIndexInfo& item, size_t itemSize) {
  BeginOp();
  if (itemSize < static_cast<size_t>(TVxbBPlusPage::kEntryHeaderSize) ||
      itemSize > static_cast<size_t>(MaxEntrySize(FPageSize))) {
    Damaged("entry does not fit its pages");
  }
  const auto length = static_cast<int32_t>(itemSize);
  const TVxbBPlusKey key{item.DateiVerweis, item.Key, itemSize - TVxbBPlusPage::kEntryHeaderSize};
  FItem.resize(itemSize);
  TvwMemory::WriteInt32(FItem.data(), 0, item.DateiVerweis);
  std::memcpy(FItem.data() + 4, item.Key, itemSize - 4);

  if (FCurHeight == 0) {
    const int32_t pageNo = AllocatePage();
    FLeaf->CreatePage(pageNo);
    FLeaf->AppendItem(FItem.data(), length);
    SetHeaderInt32(kRootField, pageNo);
    SetHeight(1);
  } else {
    Descend(key);
    if (FLeafPos < FLeaf->Count()) {
      if (Order(FLeaf->EntryAt(FLeafPos), key) == 0) return false;
    } else {
      // An equal entry can only start one of the next leaves; look there
      // and come back when the path had to move.
      bool moved = false;
      int64_t steps = 0;
      while (FLeafPos >= FLeaf->Count()) {
        if (++steps > FCurPages) Damaged("contains a loop");
        if (!NextLeaf()) break;
        moved = true;
      }
      if (FLeafPos < FLeaf->Count() && Order(FLeaf->EntryAt(FLeafPos), key) == 0) return false;
      if (moved) Descend(key);
    }
    InsertIntoLeaf(length);
  }
  SetHeaderInt32(kItemCountField, HeaderInt32(kItemCountField) + 1);
  return true;
}

bool TVxbBPlusTree::InsertInOrder(const types::TVxbLongIndexInfo& item, size_t itemSize) {
  return AppendAfterLast(item, itemSize) || Insert(item, itemSize);
}

bool TVxbBPlusTree::AppendAfterLast(const types::TVxbLongIndexInfo& item, size_t itemSize) {
  BeginOp();
  if (FCurHeight == 0 || itemSize < static_cast<size_t>(TVxbBPlusPage::kEntryHeaderSize) ||
      itemSize > static_cast<size_t>(MaxEntrySize(FPageSize))) {
    return false;
  }
  const TVxbBPlusKey key{item.DateiVerweis, item.Key, itemSize - TVxbBPlusPage::kEntryHeaderSize};
  DescendEdge(false);
  if (FLeaf->Count() == 0 || Order(FLeaf->EntryAt(FLeaf->Count() - 1), key) >= 0) return false;
  const auto length = static_cast<int32_t>(itemSize);
  FItem.resize(itemSize);
  TvwMemory::WriteInt32(FItem.data(), 0, item.DateiVerweis);
  std::memcpy(FItem.data() + 4, item.Key, itemSize - 4);
  InsertIntoLeaf(length);
  SetHeaderInt32(kItemCountField, HeaderInt32(kItemCountField) + 1);
  return true;
}

void TVxbBPlusTree::InsertIntoLeaf(int32_t length) {
  if (FLeaf->CanInsert(length)) {
    FLeaf->InsertKey(FLeafPos, FItem.data(), length);
    return;
  }
  TVxbBPlusPage* page = FLeaf.get();
  int level = FCurHeight - 1;
  int u = FLeafPos;
  for (;;) {
    Split(*page, level, u, length);
    if (level == 0) return;
    --level;
    TVxbBPlusInnerPage& parent = *FPages[static_cast<size_t>(level)];
    u = FChildIndex[static_cast<size_t>(level)];
    if (parent.CanInsert(length - TVxbBPlusPage::kPageNoSize)) {
      parent.InsertKey(u, FItem.data(), length);
      return;
    }
    page = &parent;
  }
}

// The items of the page and the pending one are laid out in order in a
// scratch area; the split point s divides them: a leaf keeps items 0 to
// s - 1 and the new page Q takes s to n, whose first entry is copied up as
// the separator; an inner page keeps 0 to s - 1, item s goes up (its child
// becomes Q's leftmost child) and Q takes s + 1 to n. The preferred point is
// the first item whose end reaches half of the page's data (or the pending
// item when it comes right after that one); a point where a half would not
// fit its page is moved to the nearest one that does.
void TVxbBPlusTree::Split(TVxbBPlusPage& page, int level, int u, int32_t& length) {
  const bool leaf = level == FCurHeight - 1;
  const int32_t itemOffset = leaf ? TVxbBPlusLeafPage::kItemOffset : TVxbBPlusInnerPage::kItemOffset;
  const int n = page.Count();

  // Gather the n + 1 items.
  FSplitData.clear();
  FSplitEnds.clear();
  const auto add = [this](const uint8_t* bytes, int32_t size) {
    FSplitData.insert(FSplitData.end(), bytes, bytes + size);
    FSplitEnds.push_back(static_cast<int32_t>(FSplitData.size()));
  };
  int kHalf = n;
  const int32_t data = page.DataEnd() - itemOffset;
  int32_t reached = 0;
  for (int k = 0; k <= n; ++k) {
    if (k == u) add(FItem.data(), length);
    if (k == n) break;
    int32_t size = 0;
    const uint8_t* bytes = page.ItemBytes(k, size);
    add(bytes, size);
    reached += size;
    if (kHalf == n && 2 * reached >= data) kHalf = k;
  }
  if (u == kHalf + 1) kHalf = u;
  const auto startOf = [this](int i) { return i == 0 ? 0 : FSplitEnds[static_cast<size_t>(i - 1)]; };
  const int total = n + 1;
  const auto fits = [&](int s) {
    const int firstRight = leaf ? s : s + 1;
    if (leaf ? (s < 1 || s > n) : (s < 0 || s > n)) return false;
    const int64_t left = itemOffset + startOf(s) + 2 * s + TVxbBPlusPage::kCountSize;
    const int64_t right = itemOffset + (FSplitEnds.back() - startOf(firstRight)) + 2 * (total - firstRight) +
                          TVxbBPlusPage::kCountSize;
    return left <= FPageSize && right <= FPageSize;
  };
  int s = u <= kHalf ? kHalf + 1 : kHalf;
  if (!fits(s)) {
    int found = -1;
    for (int d = 1; d <= total && found < 0; ++d) {
      if (fits(s - d)) found = s - d;
      else if (fits(s + d)) found = s + d;
    }
    if (found < 0) Damaged("entry does not fit into a page");
    s = found;
  }

  // A root that splits gets a new root above it first.
  const int32_t newRoot = level == 0 ? AllocatePage() : 0;
  const int32_t q = AllocatePage();
  const auto itemAt = [this, &startOf](int i, int32_t& size) {
    size = FSplitEnds[static_cast<size_t>(i)] - startOf(i);
    return FSplitData.data() + startOf(i);
  };
  int32_t size = 0;
  page.RemoveItems();
  for (int i = 0; i < s; ++i) {
    const uint8_t* bytes = itemAt(i, size);
    page.AppendItem(bytes, size);
  }
  const uint8_t* middle = itemAt(s, size);
  int32_t separatorSize = size;
  if (leaf) {
    auto& left = static_cast<TVxbBPlusLeafPage&>(page);
    TVxbBPlusLeafPage& right = *FWorkLeaf[0];
    const int32_t oldNext = left.GetNextPageNo();
    right.CreatePage(q);
    right.SetPrevPageNo(left.PageNo());
    right.SetNextPageNo(oldNext);
    for (int i = s; i < total; ++i) {
      const uint8_t* bytes = itemAt(i, size);
      right.AppendItem(bytes, size);
    }
    left.SetNextPageNo(q);
    if (oldNext != 0) {
      if (oldNext < FFirstPage || oldNext >= FCurPages || oldNext == q || oldNext == left.PageNo()) {
        Damaged("leaf chain is damaged");
      }
      FWorkLeaf[1]->LoadPage(oldNext);
      FWorkLeaf[1]->SetPrevPageNo(q);
    }
  } else {
    TVxbBPlusInnerPage& right = *FWorkInner[0];
    right.CreatePage(q);
    separatorSize -= TVxbBPlusPage::kPageNoSize;
    right.SetChildPageNo(TvwMemory::ReadInt32(middle, static_cast<size_t>(separatorSize)));
    for (int i = s + 1; i < total; ++i) {
      const uint8_t* bytes = itemAt(i, size);
      right.AppendItem(bytes, size);
    }
  }
  // The separator for the parent: the entry, then Q.
  FItem.assign(middle, middle + separatorSize);
  FItem.resize(static_cast<size_t>(separatorSize + TVxbBPlusPage::kPageNoSize));
  TvwMemory::WriteInt32(FItem.data(), static_cast<size_t>(separatorSize), q);
  length = separatorSize + TVxbBPlusPage::kPageNoSize;

  if (level == 0) {
    TVxbBPlusInnerPage& root = *FWorkInner[1];
    root.CreatePage(newRoot);
    root.SetChildPageNo(page.PageNo());
    root.AppendItem(FItem.data(), length);
    SetHeaderInt32(kRootField, newRoot);
    SetHeight(FCurHeight + 1);
    FCurRoot = newRoot;
    ++FCurHeight;
  }
}

bool TVxbBPlusTree::Delete(const types::TVxbLongIndexInfo& item) {
  BeginOp();
  if (FCurHeight == 0 || !Locate(KeyOf(item))) return false;
  FLeaf->DeleteKey(FLeafPos);
  SetHeaderInt32(kItemCountField, HeaderInt32(kItemCountField) - 1);
  if (FLeaf->Fullness() < kLeafMergePercent) Rebalance(FCurHeight - 1);
  return true;
}

void TVxbBPlusTree::Rebalance(int level) {
  for (;;) {
    TVxbBPlusPage& page = PathPage(level);
    if (level == 0) {
      // The root goes when it has nothing left to separate.
      if (page.Count() > 0) return;
      const int32_t oldRoot = page.PageNo();
      if (FCurHeight == 1) {
        SetHeaderInt32(kRootField, 0);
        FCurRoot = 0;
      } else {
        const int32_t child = FPages[0]->GetChildPageNo(0);
        CheckChild(child, 0);
        SetHeaderInt32(kRootField, child);
        FCurRoot = child;
      }
      --FCurHeight;
      SetHeight(FCurHeight);
      page.UnloadPage();
      FreePage(oldRoot);
      return;
    }
    TVxbBPlusInnerPage& parent = *FPages[static_cast<size_t>(level - 1)];
    const int a = FChildIndex[static_cast<size_t>(level - 1)];
    const int parentCount = parent.Count();
    const bool leaf = level == FCurHeight - 1;
    TVxbBPlusPage& sibling = leaf ? static_cast<TVxbBPlusPage&>(*FWorkLeaf[0]) : *FWorkInner[0];
    const auto loadSibling = [&](int index) {
      const int32_t pageNo = parent.GetChildPageNo(index);
      if (pageNo < FFirstPage || pageNo >= FCurPages || pageNo == page.PageNo() || pageNo == parent.PageNo()) {
        Damaged("child page number is invalid");
      }
      sibling.LoadPage(pageNo);
    };
    bool merged = false;
    if (a < parentCount) {
      loadSibling(a + 1);
      if (page.CanMerge(parent.GetKeySize(a), sibling)) {
        Merge(page, sibling, level, parent, a);
        merged = true;
      }
    }
    if (!merged && a > 0) {
      loadSibling(a - 1);
      if (sibling.CanMerge(parent.GetKeySize(a - 1), page)) {
        Merge(sibling, page, level, parent, a - 1);
        merged = true;
      }
    }
    if (!merged) return;
    const bool parentUnderfull =
        level - 1 == 0 ? parent.Count() == 0 : parent.Fullness() < kInnerMergePercent;
    if (!parentUnderfull) return;
    --level;
  }
}

// Appends `right` to `left` (for inner pages with the separator between
// them), frees `right` and removes the separator from the parent.
void TVxbBPlusTree::Merge(TVxbBPlusPage& left, TVxbBPlusPage& right, int level, TVxbBPlusInnerPage& parent,
                          int separator) {
  const bool leaf = level == FCurHeight - 1;
  if (!leaf) {
    int32_t size = 0;
    const uint8_t* bytes = parent.ItemBytes(separator, size);
    FItem.assign(bytes, bytes + size);
    TvwMemory::WriteInt32(FItem.data(), static_cast<size_t>(size - TVxbBPlusPage::kPageNoSize),
                          static_cast<TVxbBPlusInnerPage&>(right).GetChildPageNo(0));
    left.AppendItem(FItem.data(), size);
  }
  const int n = right.Count();
  for (int k = 0; k < n; ++k) {
    int32_t size = 0;
    const uint8_t* bytes = right.ItemBytes(k, size);
    left.AppendItem(bytes, size);
  }
  if (leaf) {
    auto& leftLeaf = static_cast<TVxbBPlusLeafPage&>(left);
    const int32_t next = static_cast<TVxbBPlusLeafPage&>(right).GetNextPageNo();
    leftLeaf.SetNextPageNo(next);
    if (next != 0) {
      if (next < FFirstPage || next >= FCurPages || next == left.PageNo() || next == right.PageNo()) {
        Damaged("leaf chain is damaged");
      }
      FWorkLeaf[1]->LoadPage(next);
      FWorkLeaf[1]->SetPrevPageNo(left.PageNo());
    }
  }
  const int32_t rightNo = right.PageNo();
  parent.DeleteKey(separator);
  right.UnloadPage();
  FreePage(rightNo);
}

}  // namespace vexilo::index
