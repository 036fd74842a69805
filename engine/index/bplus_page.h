// TVxbBPlusPage, TVxbBPlusInnerPage, TVxbBPlusLeafPage: the node pages of
// the B+ tree (bplus_tree.h). A page object pins one page of the tree's
// client storage through a page site of its own and reads and changes it in
// place; it is reused for other pages of the same kind.
//
// Every node page is a slotted page of P bytes: variable-size items from the
// front, a directory of their end offsets from the back.
//
//   | Offset         | Size | Meaning                                       |
//   |----------------|------|-----------------------------------------------|
//   | 0              | 4    | inner page: the leftmost child page, int32    |
//   |                |      | leaf: the previous leaf page, int32 (0 none)  |
//   | 4              | 4    | leaf only: the next leaf page, int32 (0 none) |
//   | I              |      | the items, back to back from the item offset  |
//   |                |      | I (4 in inner pages, 8 in leaves)             |
//   | P - 2 - 2i     | 2    | slot i, for i = 1 ... n: the end offset of    |
//   |                |      | item i - 1 (the start offset of item i), int16|
//   | P - 2          | 2    | the item count n, int16                       |
//
// Item 0 starts at I; item k runs from the end of item k - 1 to its own end.
// A leaf item is an entry: the record number (int32) and the key bytes. An
// inner item is a separator entry followed by the child page right of it
// (int32); the child left of separator k is the int32 just before the
// separator's start (for k = 0, bytes 0-3). Items within a page are kept in
// ascending order and compacted on every change, so the bytes between the
// last item and the slots are all free.
//
// Page contents are never trusted: the count, the slots and the child
// numbers are checked when they are read, and damage raises EVxbTree instead
// of reading or writing beyond the page. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/index/pages/page_site.h"
#include "engine/index/tree_base.h"

namespace vexilo::index {

// An entry to look for: the record number and the key bytes (`Length` bounds
// the comparison's reads).
struct TVxbBPlusKey {
  int32_t Record = 0;
  const uint8_t* Bytes = nullptr;
  size_t Length = 0;
};

class TVxbBPlusPage {
 public:
  static constexpr int32_t kCountSize = 2;
  static constexpr int32_t kSlotSize = 2;
  static constexpr int32_t kEntryHeaderSize = 4;  // the record number
  static constexpr int32_t kPageNoSize = 4;

  virtual ~TVxbBPlusPage();
  TVxbBPlusPage(const TVxbBPlusPage&) = delete;
  TVxbBPlusPage& operator=(const TVxbBPlusPage&) = delete;

  // Shows existing page `pageNo`; raises EVxbTree when it cannot be loaded
  // or its item count does not fit the page.
  void LoadPage(int32_t pageNo);
  // Shows page `pageNo` (which may lie beyond the end of the file) as an
  // empty page of this kind.
  void CreatePage(int32_t pageNo);
  // Lets go of the page.
  void UnloadPage();
  // -1 when nothing is shown.
  int32_t PageNo() const { return FPageNo; }

  // The item count, checked against the page size.
  int Count() const;
  // The end of the last item (the item offset when there is none).
  int32_t DataEnd() const;
  // Bytes between the last item and the slot directory.
  int32_t FreeBytes() const;
  // How full the page is, in percent: (data end + 2n + 2) x 100 / page size.
  int Fullness() const;
  // The bytes of item k (0 <= k < Count()) and their length.
  const uint8_t* ItemBytes(int k, int32_t& length) const;
  // The entry of item k, without an inner item's child page.
  TVxbBPlusKey EntryAt(int k) const;
  // The length of the entry of item k (`GetKeySize`).
  int32_t GetKeySize(int k) const;
  // The first item not less than `key` (Count() when there is none).
  int LowerBound(const TVxbBPlusKey& key, const TVxbEntryCompare& compare) const;

  // Whether an entry of `keySize` bytes fits in.
  virtual bool CanInsert(int32_t keySize) const = 0;
  // Whether the items of `other` (and, for inner pages, the separator of
  // `parentKeySize` bytes between them) fit into this page.
  virtual bool CanMerge(int32_t parentKeySize, const TVxbBPlusPage& other) const = 0;
  // Makes the page empty (n = 0; a leaf also loses its links).
  virtual void InitializePage() = 0;

  // Inserts the item of `length` bytes at index k, moving the items from k
  // on; the caller has made sure it fits.
  void InsertKey(int k, const uint8_t* item, int32_t length);
  // Removes item k and closes the gap.
  void DeleteKey(int k);
  // Appends an item after the last one; the caller has made sure it fits.
  void AppendItem(const uint8_t* item, int32_t length);
  // Removes every item, keeping bytes 0 to the item offset.
  void RemoveItems();

 protected:
  TVxbBPlusPage(TVxbClientStorage& storage, int32_t itemOffset, int32_t childSize);

  int32_t ReadInt32At(int32_t offset) const;
  void WriteInt32At(int32_t offset, int32_t value);
  // Marks the page modified and returns its bytes.
  uint8_t* Writable();
  [[noreturn]] void Damaged(const char* what) const;

  int32_t FPageSize = 0;
  int32_t FItemOffset;
  // Bytes after the entry in each item: the child page of inner items.
  int32_t FChildSize;

 private:
  int32_t Slot(int i) const;
  void SetSlot(int i, int32_t value);
  void SetCount(int n);
  // Start and end of item k of a page of n items; raises when damaged.
  void Bounds(int k, int n, int32_t& start, int32_t& end) const;

  std::unique_ptr<TVxbStoragePageSite> FStoragePage;
  uint8_t* FMemory = nullptr;
  int32_t FPageNo = -1;
};

class TVxbBPlusInnerPage : public TVxbBPlusPage {
 public:
  static constexpr int32_t kItemOffset = 4;

  explicit TVxbBPlusInnerPage(TVxbClientStorage& storage);

  // Child k: 0 is the leftmost child, k >= 1 the child right of separator
  // k - 1.
  int32_t GetChildPageNo(int k) const;
  // Sets the leftmost child.
  void SetChildPageNo(int32_t pageNo);
  // The child to descend to for `key`: the one before the first separator
  // not less than it (so the search reaches the leftmost leaf that can hold
  // an entry not smaller than the key). `index` receives the child's index.
  int32_t FindFollowUpPage(const TVxbBPlusKey& key, const TVxbEntryCompare& compare, int& index) const;

  bool CanInsert(int32_t keySize) const override;
  bool CanMerge(int32_t parentKeySize, const TVxbBPlusPage& other) const override;
  void InitializePage() override;
};

class TVxbBPlusLeafPage : public TVxbBPlusPage {
 public:
  static constexpr int32_t kItemOffset = 8;

  explicit TVxbBPlusLeafPage(TVxbClientStorage& storage);

  int32_t GetPrevPageNo() const { return ReadInt32At(0); }
  int32_t GetNextPageNo() const { return ReadInt32At(4); }
  void SetPrevPageNo(int32_t pageNo) { WriteInt32At(0, pageNo); }
  void SetNextPageNo(int32_t pageNo) { WriteInt32At(4, pageNo); }
  // Copies entry k into `item` (room for `maxSize` bytes, record number
  // included); the key bytes after the entry's end are zeroed.
  void GetKey(int k, types::TVxbLongIndexInfo& item, size_t maxSize) const;

  bool CanInsert(int32_t keySize) const override;
  bool CanMerge(int32_t parentKeySize, const TVxbBPlusPage& other) const override;
  void InitializePage() override;
};

}  // namespace vexilo::index
