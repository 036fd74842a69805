// TVxbBTree: the B-tree of index files (every index of levels 1 to 5, and
// level-6 indexes with fixed-size keys). Entries of one size are kept in
// pages of the index file's client storage; page 0 holds the tree header
// (and, after it, the index file's definition block); pages 1 to page count
// are nodes, page 1 being the root for the whole life of the tree.
//
// Tree header in page 0, at offset O (6 after a magic number and format
// version, 0 in files without them):
//
//   | New format (version >= 4)         | Old format (versions 1 to 3)       |
//   |-----------------------------------|------------------------------------|
//   | O+0  int32  page size             | O+0  uint16 page size              |
//   | O+4  int16  key size (entry size) | O+2  int16  key size               |
//   | O+6  int16  item size             | O+4  int16  item size              |
//   | O+8  int16  height (0 = empty)    | 6    int16  height (absolute)      |
//   | O+10 int32  node page count       | 8    uint16 node page count (abs.) |
//   | O+14 int16  order m               | O+10 int16  order m                |
//   | O+16 int16  page capacity (2m)    | O+12 int16  page capacity (2m)     |
//   | O+18 int32  first free page       | last 2 bytes of page 0, int16:     |
//   | O+22 2 bytes reserved             |             first free page        |
//   | header size 24                    | header size 14                     |
//
// Node pages:
//
//   | New format                        | Old format                         |
//   |-----------------------------------|------------------------------------|
//   | 0  int32  leftmost child (0 leaf) | 0  uint16 leftmost child           |
//   | 4  int16  item count n            | 2  int16  item count n             |
//   | 6  n items of item size bytes:    | 4  n items: child uint16, entry    |
//   |    child int32, then the entry    |                                    |
//
// Item size = entry size + 4 (new) or + 2 (old); m = floor((page size -
// data offset) / item size) / 2; a page holds at most 2m items, in ascending
// order; the subtree left of item i holds smaller entries, the one right of
// it (the item's child) greater ones. Every page but the root holds at least
// m items.
//
// Free pages form a chain: the first word of a free page (32 bits, 16 in the
// old format) holds minus the previous head; the header's first free page is
// the head (0 = none). Freed pages are reused before the file grows; the
// page count shrinks only by Clear, and the file is cut to page count + 1
// pages when flushed.
//
// The pages on the path of the last descent stay pinned (FPath), so the root
// and upper pages cost nothing to revisit. Every step through the tree
// re-descends from the root, so navigation stays correct when the tree
// changes between calls. Page contents are never trusted: counts, child
// pointers and the free chain are checked against the header, walks are
// bounded by the height and the page count, and damage raises EVxbTree (or
// the engine errors 5 and 171 from Delete and Insert) instead of reading
// beyond a page or looping.
//
// Header fields are read from page 0 at every operation, so two trees on one
// file in the same process see each other's changes through the shared page
// cache. One thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/pages/page_site.h"
#include "engine/index/tree_base.h"

namespace vexilo::index {

class TVxbBTree : public TVxbTreeBase {
 public:
  static constexpr int kMaxDepth = 31;
  static constexpr int32_t kMaxPagesNewFormat = 1073741822;
  static constexpr int32_t kMaxPagesOldFormat = 32766;
  static constexpr int32_t kNewHeaderSize = 24;
  static constexpr int32_t kOldHeaderSize = 14;
  static constexpr int32_t kMaxPageSizeNewFormat = 16 << 20;
  static constexpr int32_t kMaxPageSizeOldFormat = 16 << 10;
  // FTreeError values.
  static constexpr int kTreeOk = 0, kTreeInconsistent = 1, kTreeLoadFailed = 2, kTreeWriteFailed = 3,
                       kTreeBadPageSize = 98;

  // A tree of format `version` whose header starts at `offset` of page 0 of
  // `storage` (not owned).
  TVxbBTree(TVxbClientStorage& storage, int16_t version, int32_t offset);
  ~TVxbBTree() override;
  TVxbBTree(const TVxbBTree&) = delete;
  TVxbBTree& operator=(const TVxbBTree&) = delete;

  // The name used in error messages (the index file's name).
  void SetName(std::u16string name) { FName = std::move(name); }
  // The page size a new tree of `version` gets for entries of `entrySize`
  // bytes and a table of `capacity` records.
  static int32_t CalcPageSizeFor(int16_t version, int32_t entrySize, int64_t capacity);
  // The order a page of `pageSize` bytes has for entries of `entrySize`.
  static int32_t OrderFor(int16_t version, int32_t pageSize, int32_t entrySize);

  int16_t GetVersion() const override { return FVersion; }
  int16_t GetHeight() const override;
  int64_t GetItemCount() const override;
  int32_t GetOffset() const override { return FOffset; }
  int32_t GetHeaderSize() const override { return IsNewFormat() ? kNewHeaderSize : kOldHeaderSize; }
  int64_t GetSize() const override;
  int32_t GetPageSize() const override { return FPageSize; }
  int32_t CalcPageSize(int16_t version, int32_t maxKeySize, int64_t capacity) const override {
    return CalcPageSizeFor(version, maxKeySize, capacity);
  }
  int64_t CalcCapacity() const override;
  std::unique_ptr<TVxbTreeBase> Clone(TVxbClientStorage& storage) const override;
  void New(int32_t pageSize, int32_t keySize, const TVxbEntryCompare& compare) override;
  void Open(const TVxbEntryCompare& compare) override;
  void Preload() override;
  void Flush() override;
  void Undo() override;
  void Update() override;
  void UpdateDir() override;
  void Close() override;
  void Check(int64_t& itemCount, int64_t& wrongSortCount) override;

  int16_t FindFirst(types::TVxbLongIndexInfo& item, size_t maxSize) override;
  int16_t FindLast(types::TVxbLongIndexInfo& item, size_t maxSize) override;
  int16_t FindNext(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& succ, size_t succSize) override;
  int16_t FindPrev(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& prev, size_t prevSize) override;
  int16_t Find(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& found, size_t foundSize) override;
  int32_t CalcItemSequenceNo(const types::TVxbLongIndexInfo& item) override;
  bool Insert(const types::TVxbLongIndexInfo& item, size_t itemSize) override;
  bool Delete(const types::TVxbLongIndexInfo& item) override;
  void Clear() override;

  // Header figures.
  int32_t GetPageCount() const;
  int32_t GetFirstFreePage() const;
  int32_t GetOrder() const { return FOrder; }
  int32_t GetPageCapacity() const { return FPageCapacity; }
  int32_t GetKeySize() const { return FKeySize; }
  bool IsNewFormat() const { return FVersion >= 4; }
  // Why the last operation failed (kTree... values).
  int GetTreeError() const { return FTreeError; }

 private:
  // One depth of the current path: the page shown and the position found
  // in it (the item hit, or the child taken: 0 = leftmost).
  struct PathSlot {
    int32_t PageNo = 0;
    int32_t Position = 0;
    std::unique_ptr<TVxbStoragePageSite> Site;
  };
  struct Descent {
    int Depth = 0;
    int Position = 0;
    bool Found = false;
  };
  // A search key: record number and key bytes.
  struct Key {
    int32_t Record;
    const uint8_t* Bytes;
  };
  static Key KeyOf(const types::TVxbLongIndexInfo& item) { return {item.DateiVerweis, item.Key}; }

  // --- header (btree.cpp) ---
  void CreateSites();
  void ReadGeometry();
  void SetHeight(int16_t height);
  void SetPageCount(int32_t count);
  void SetFirstFreePage(int32_t pageNo);
  int32_t MaxPages() const { return IsNewFormat() ? kMaxPagesNewFormat : kMaxPagesOldFormat; }
  [[noreturn]] void Damaged(int treeError, const char* what);

  // --- node pages (btree.cpp) ---
  int32_t ReadPageNo(const uint8_t* p) const;
  void WritePageNo(uint8_t* p, int32_t pageNo) const;
  int Count(const uint8_t* page) const;
  void SetCount(uint8_t* page, int n) const;
  uint8_t* ItemAt(uint8_t* page, int i) const { return page + FDataOffset + static_cast<size_t>(i - 1) * FItemSize; }
  const uint8_t* ItemAt(const uint8_t* page, int i) const {
    return page + FDataOffset + static_cast<size_t>(i - 1) * FItemSize;
  }
  const uint8_t* EntryAt(const uint8_t* page, int i) const { return ItemAt(page, i) + FChildWidth; }
  int32_t ChildAt(const uint8_t* page, int i) const;
  void InitNode(uint8_t* page) const;
  int Compare(Key key, const uint8_t* entry) const;
  int CompareEntries(const uint8_t* a, const uint8_t* b) const;
  void CopyOut(const uint8_t* entry, types::TVxbLongIndexInfo& out, size_t maxSize) const;

  // --- pages and path (btree.cpp) ---
  // Takes the height and page count of the header for one operation and
  // checks them.
  void BeginOp();
  // Shows `pageNo` at `depth` of the path and checks its count; returns its bytes.
  uint8_t* PinPath(int depth, int32_t pageNo);
  // Shows node `pageNo` on `site`; `mayBeEmpty` for a root leaf.
  uint8_t* PinSite(TVxbStoragePageSite& site, int32_t pageNo, bool mayBeEmpty);
  uint8_t* Writable(TVxbStoragePageSite& site);
  uint8_t* WritablePath(int depth) { return Writable(*FPath[depth].Site); }
  const uint8_t* PathPage(int depth) { return FPath[depth].Site->GetMemory(); }
  void UnloadPath();
  // Checks a child pointer found at `depth`.
  void CheckChild(int32_t child, int depth);
  int32_t ReadFreeWord(const uint8_t* page) const;

  // --- search (btree_search.cpp) ---
  // Binary search in a page of n items: the position of the equal item
  // (exact) or of the last smaller one (0 when none).
  int SearchPage(const uint8_t* page, int n, Key key, bool& exact);
  Descent Descend(Key key);
  // Goes down from the child at `depth` + 1 along leftmost (first) or
  // rightmost (last) children to a leaf; returns the leaf's depth.
  int DescendEdge(int depth, int32_t pageNo, bool leftmost);
  int64_t CountLess(Key key);
  int64_t CountSubtree(int32_t pageNo, int depth, int64_t& pagesLeft);

  // --- maintenance (btree_update.cpp) ---
  int32_t AllocatePage(TVxbStoragePageSite& site);
  void FreePage(TVxbStoragePageSite& site, int32_t pageNo);
  void CheckFreeChain();
  void ReservePages(int depth);
  void InsertItem(int depth, int k);
  void RemoveUnderflow(int depth);
  void CheckWalk(int32_t pageNo, int depth, int64_t& pagesLeft, int64_t& items, int64_t& wrong,
                 std::vector<uint8_t>& previous, bool& hasPrevious);

  TVxbClientStorage& FStorage;
  int16_t FVersion;
  int32_t FOffset;
  int32_t FHeightOffset = 0;
  int32_t FPageCountOffset = 0;
  int32_t FNextPageOffset = 0;
  int32_t FPageSize = 0;
  int32_t FKeySize = 0;
  int32_t FItemSize = 0;
  int32_t FOrder = 0;
  int32_t FPageCapacity = 0;
  int32_t FItemCountOffset = 0;
  int32_t FDataOffset = 0;
  int32_t FChildWidth = 0;
  int FTreeError = kTreeOk;
  // Height and page count for the operation under way (BeginOp).
  int FCurHeight = 0;
  int32_t FCurPages = 0;
  bool FFreeChainChecked = false;
  std::u16string FName;
  TVxbEntryCompare FLess;
  std::unique_ptr<TVxbStoragePageSite> FHeaderPage;
  std::array<PathSlot, kMaxDepth + 1> FPath;  // slots 1 to kMaxDepth
  std::unique_ptr<TVxbStoragePageSite> FWork[2];
  // Scratch items: FU (the item being inserted or moving up) and FW, the 2m + 1
  // items of a page being split.
  std::vector<uint8_t> FU;
  std::vector<uint8_t> FW;
};

}  // namespace vexilo::index
