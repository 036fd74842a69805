// TVxbBPlusTree: the B+ tree of level-6 indexes whose entries vary in size
// (any String or WideString key item, or a calculated index of a string
// type). An entry takes only its used bytes, so short strings do not occupy
// the full column width. All entries live in the leaves, which are chained;
// inner pages hold separator entries copied from the leaves. The tree takes
// its storage, the place of its header in page 0, the first page it may use
// and its entry comparison from its owner (an index file, or a B+ table
// file whose records are the entries).
//
// Tree header in page 0, at offset O (6 in index files):
//
//   | Offset | Size | Meaning                                                 |
//   |--------|------|---------------------------------------------------------|
//   | O+0    | 4    | page count, int32: every page of the file, the owner's  |
//   |        |      | header pages included                                   |
//   | O+4    | 2    | height, int16 (0 = empty tree)                          |
//   | O+6    | 4    | root page, int32 (0 when empty)                         |
//   | O+10   | 4    | first free page, int32 (0 = none)                       |
//   | O+14   | 4    | page size, int32 (4096 for every tree this engine makes)|
//   | O+18   | 4    | item count, int32                                       |
//
// Node pages are slotted pages (bplus_page.h). The tree's pages start after
// the pages its owner's header occupies (the first tree page; 1 in index
// files): a new tree's page count is that first page, and a root or child
// inside the owner's header marks the file damaged. New pages are taken
// from the free chain, else at the end of the file (page number = page
// count). A freed page that is the last one shrinks the page count by one
// (the file follows at the next flush); any other goes onto the free chain:
// its first int32 receives the previous head, and the header's first free
// page becomes its number.
//
// Order and search: the separator right of a child is a copy of the first
// entry that child's right neighbour held when it was split off, so every
// entry of a subtree is not greater than the separator right of it. A search
// descends to the leftmost leaf that can hold an entry not smaller than the
// key (the child before the first separator not less than it) and walks
// right from there, so every entry is found by a search for its own key.
// Inserting an entry that is there already changes nothing. Pages are
// compacted on every change; a leaf below 30 % and an inner page below 50 %
// is merged with a neighbour when the two fit into one page (there is no
// borrowing), and the root collapses when it has no separators left.
//
// The pages on the path of the last descent stay pinned, so the root and the
// upper pages cost nothing to revisit; a search allocates nothing. Header
// fields are read from page 0 at every operation. Damage (a count, offset or
// child page out of range, a free chain or leaf chain that runs in a circle
// or out of the file, a file shorter than its page count) raises EVxbTree;
// every walk is bounded by the page count. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/index/bplus_page.h"
#include "engine/index/pages/page_site.h"
#include "engine/index/tree_base.h"

namespace vexilo::index {

class TVxbBPlusTree : public TVxbTreeBase {
 public:
  static constexpr int16_t kVersion = 6;
  static constexpr int32_t kPageSize = 4096;
  static constexpr int32_t kHeaderSize = 22;
  // Page sizes a tree accepts (slot offsets are 16-bit).
  static constexpr int32_t kMinPageSize = 256;
  static constexpr int32_t kMaxPageSize = 32768;
  static constexpr int kMaxHeight = 64;
  // Leaves below this fullness (percent) are merged, and inner pages below
  // the other.
  static constexpr int kLeafMergePercent = 30;
  static constexpr int kInnerMergePercent = 50;
  // Up to this many pages sequence numbers are counted exactly; above, they
  // are estimated from the leaves left of the entry.
  static constexpr int32_t kExactSequencePages = 1000;

  // A tree whose header starts at `offset` of page 0 of `storage` (not
  // owned), with its pages from `firstPage` on.
  TVxbBPlusTree(TVxbClientStorage& storage, int32_t offset, int32_t firstPage = 1);
  ~TVxbBPlusTree() override;
  TVxbBPlusTree(const TVxbBPlusTree&) = delete;
  TVxbBPlusTree& operator=(const TVxbBPlusTree&) = delete;

  // The largest entry (record number and key) pages of `pageSize` take:
  // every page must be able to hold two of them after a split.
  static int32_t MaxEntrySize(int32_t pageSize);

  int16_t GetVersion() const override { return kVersion; }
  int16_t GetHeight() const override;
  // The header's item count.
  int64_t GetItemCount() const override;
  int32_t GetOffset() const override { return FOffset; }
  int32_t GetHeaderSize() const override { return kHeaderSize; }
  // Bytes of the pages the header counts.
  int64_t GetSize() const override;
  int32_t GetPageSize() const override { return FPageSize; }
  int32_t CalcPageSize(int16_t, int32_t, int64_t) const override { return kPageSize; }
  int64_t CalcCapacity() const override { return 2147483647LL; }
  std::unique_ptr<TVxbTreeBase> Clone(TVxbClientStorage& storage) const override;
  // `keySize` is the largest entry the owner will insert; raises EVxbTree
  // when it does not suit the page size.
  void New(int32_t pageSize, int32_t keySize, const TVxbEntryCompare& compare) override;
  void Open(const TVxbEntryCompare& compare) override;
  void Preload() override;
  void Flush() override;
  void Undo() override;
  void Update() override;
  void UpdateDir() override;
  void Close() override;
  // Also counts as out of order every entry greater than a separator right
  // of its subtree (a search for it would miss it), and raises when the leaf
  // chain does not follow the tree or a page is reached twice.
  void Check(int64_t& itemCount, int64_t& wrongSortCount) override;

  int16_t FindFirst(types::TVxbLongIndexInfo& item, size_t maxSize) override;
  int16_t FindLast(types::TVxbLongIndexInfo& item, size_t maxSize) override;
  int16_t FindNext(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& succ, size_t succSize) override;
  int16_t FindPrev(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& prev, size_t prevSize) override;
  // The entry equal to `item`, or the smallest greater one; 1 when there is
  // none, also in an empty tree.
  int16_t Find(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& found, size_t foundSize) override;
  // The 1-based position of `item`, which must be in the tree (else 0);
  // counted along the leaf chain up to kExactSequencePages pages, estimated
  // above from the number of leaves left of it.
  int32_t CalcItemSequenceNo(const types::TVxbLongIndexInfo& item) override;
  bool Insert(const types::TVxbLongIndexInfo& item, size_t itemSize) override;
  bool Delete(const types::TVxbLongIndexInfo& item) override;
  // An entry that sorts after the last entry of the tree (every entry of a
  // sorted build but the first) goes straight to the end of the rightmost
  // leaf, with one comparison instead of a search from the root; any other
  // as Insert.
  bool InsertInOrder(const types::TVxbLongIndexInfo& item, size_t itemSize) override;
  // Empties the tree and cuts the file after the owner's header pages.
  void Clear() override;

  bool IsEmpty() const { return GetHeight() == 0; }
  bool IsOpen() const { return FHeaderPageSite != nullptr; }
  // Header figures.
  int32_t GetPageCount() const;
  int32_t GetRootPage() const;
  int32_t GetFirstFreePage() const;
  int32_t GetFirstTreePage() const { return FFirstPage; }

 private:
  // --- header and pages (bplus_tree.cpp) ---
  int32_t HeaderInt32(int32_t field) const;
  void SetHeaderInt32(int32_t field, int32_t value);
  void SetHeight(int height);
  // Reads and checks the header fields for one operation.
  void BeginOp();
  void CheckHeader(int height, int32_t pages, int32_t root, int32_t freePage, int32_t pageSize) const;
  [[noreturn]] void Damaged(const char* what) const;
  void CreatePages();
  void UnloadPages();
  // The inner page object of `level` (0 = the root), made on first use.
  TVxbBPlusInnerPage& InnerAt(int level);
  // Checks a child page found at inner `level` of the path.
  void CheckChild(int32_t child, int level) const;
  int32_t AllocatePage();
  void FreePage(int32_t pageNo);
  void CheckFreeChain();

  // --- search (bplus_search.cpp) ---
  static TVxbBPlusKey KeyOf(const types::TVxbLongIndexInfo& item);
  // Fills the path from the root down to the leaf for `key`; FLeafPos is
  // the first leaf item not less than it.
  void Descend(const TVxbBPlusKey& key);
  // The path to the leftmost or rightmost leaf.
  void DescendEdge(bool leftmost);
  // Moves the path to the next / previous leaf; false (path unchanged) at
  // the end.
  bool NextLeaf();
  bool PrevLeaf();
  // Positions the path at the first entry not less than `key` in tree
  // order; false when there is none.
  bool SeekLowerBound(const TVxbBPlusKey& key);
  // Positions the path at the entry equal to `key`; false when absent.
  bool Locate(const TVxbBPlusKey& key);
  // The sequence number of the entry the path shows, estimated from the
  // leaves left of it.
  int32_t EstimateSequenceNo();
  // Remembers the entry at FLeafPos of the shown leaf as the one handed out.
  void NoteStep();
  // Moves FLeafPos from the remembered entry by `delta` (+1 or -1) within
  // its leaf, when that entry is `key`, nothing changed since and the leaf
  // has an entry there; false (nothing moved) otherwise.
  bool StepInLeaf(const TVxbBPlusKey& key, int delta);
  int Order(const TVxbBPlusKey& a, const TVxbBPlusKey& b) const;
  struct CheckState;
  void CheckWalk(int32_t pageNo, int level, const TVxbBPlusKey* high, CheckState& state);

  // --- changes (bplus_update.cpp) ---
  // Appends the entry when the tree is not empty and it sorts after the
  // tree's last entry; false (nothing changed) otherwise.
  bool AppendAfterLast(const types::TVxbLongIndexInfo& item, size_t itemSize);
  // Inserts `item` (FItem) at FLeafPos, splitting pages up the path.
  void InsertIntoLeaf(int32_t length);
  // Splits `page` at `level` with the item of `length` bytes in FItem
  // pending at index `u`; leaves the separator for the parent in FItem.
  void Split(TVxbBPlusPage& page, int level, int u, int32_t& length);
  // Merges underfull pages from `level` upwards.
  void Rebalance(int level);
  void Merge(TVxbBPlusPage& left, TVxbBPlusPage& right, int level, TVxbBPlusInnerPage& parent, int separator);
  TVxbBPlusPage& PathPage(int level);

  TVxbClientStorage& FStorage;
  int32_t FOffset;
  int32_t FFirstPage;
  int32_t FPageSize = kPageSize;
  TVxbEntryCompare FOnIsLess;
  std::unique_ptr<TVxbStoragePageSite> FHeaderPageSite;
  std::unique_ptr<TVxbStoragePageSite> FWorkPageSite;
  // The path: inner pages by level (0 = the root) with the child taken in
  // each, and the leaf with the position found in it.
  std::vector<std::unique_ptr<TVxbBPlusInnerPage>> FPages;
  std::vector<int> FChildIndex;
  std::unique_ptr<TVxbBPlusLeafPage> FLeaf;
  int FLeafPos = 0;
  // Neighbours and new pages during changes.
  std::unique_ptr<TVxbBPlusLeafPage> FWorkLeaf[2];
  std::unique_ptr<TVxbBPlusInnerPage> FWorkInner[2];
  // Where the last search or step left off: the leaf page and the index of
  // the entry it handed out, with the header figures it saw. The next step
  // from that very entry continues in the leaf instead of searching from
  // the root. Every other operation, unloading the pages (which the refresh
  // after another process's change does) and any change of the header
  // figures forget it.
  int32_t FStepLeaf = -1;
  int FStepPos = 0;
  int FStepHeight = 0;
  int32_t FStepRoot = 0;
  int32_t FStepPages = 0;
  int32_t FStepFreePage = 0;
  int64_t FStepItems = 0;
  // Header figures for the operation under way (BeginOp).
  int FCurHeight = 0;
  int32_t FCurRoot = 0;
  int32_t FCurPages = 0;
  bool FFreeChainChecked = false;
  // Scratch: the item being inserted or moving up, and a page being split.
  std::vector<uint8_t> FItem;
  std::vector<uint8_t> FSplitData;
  std::vector<int32_t> FSplitEnds;
};

}  // namespace vexilo::index
