// TVxbTreeBase: the interface of the search trees that hold the entries of
// an index file. The B-tree (btree.h) serves every index of levels 1 to 5 and
// level-6 indexes with fixed-size keys; the B+ tree serves level-6 indexes
// with variable-size keys. The index file (index_file.h) and everything
// above it use a tree only through this interface.
//
// An entry is a TVxbLongIndexInfo: the record number followed by the key
// bytes; its size counts both (4 + key bytes). Entries are ordered by the
// index's comparison (TVxbEntryCompare), keys first and record numbers
// after, so no two stored entries are equal.
//
// Results of the search operations: 0 = an entry was found and copied out,
// 1 = there is none (end of the tree, empty tree), -1 = the given entry is
// not in the tree (FindNext, FindPrev) or the tree is empty (Find). Damage
// found on the way (a page that cannot be loaded, inconsistent page
// contents) raises EVxbTree or an engine exception; the index file turns
// either into an engine error.
//
// A tree lives on the client storage of its index file (not owned) and is
// used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "engine/types/index_key.h"

namespace vexilo::index {

class TVxbClientStorage;

// The order of two entries, given as record number and key bytes: negative,
// zero or positive as entry a sorts before, equal to or after entry b.
// `keysEqual`, when given, is set when the keys alone are equal.
using TVxbEntryCompare = std::function<int(int32_t recordA, const uint8_t* keyA, size_t lenA, int32_t recordB,
                                           const uint8_t* keyB, size_t lenB, bool* keysEqual)>;

// Hands out the entries of a bulk build, in any order the tree accepts:
// fills `entry` and returns its size, or 0 when there are no more.
using TVxbEntrySource = std::function<size_t(types::TVxbLongIndexInfo& entry)>;

// Damage or failure inside a tree; the message says what was being done.
class EVxbTree : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TVxbTreeBase {
 public:
  virtual ~TVxbTreeBase() = default;

  // The format version the tree was created with (the table level).
  virtual int16_t GetVersion() const = 0;
  // Levels of the tree; 0 when it is empty.
  virtual int16_t GetHeight() const = 0;
  // The number of entries the tree can hold at most as it stands.
  virtual int64_t GetItemCount() const = 0;
  // Where the tree header starts in page 0, and its length.
  virtual int32_t GetOffset() const = 0;
  virtual int32_t GetHeaderSize() const = 0;
  // Bytes of the tree's pages (page 0 included).
  virtual int64_t GetSize() const = 0;
  virtual int32_t GetPageSize() const = 0;
  // The page size for a new tree of `version` with entries of at most
  // `maxKeySize` bytes that is to hold `capacity` entries.
  virtual int32_t CalcPageSize(int16_t version, int32_t maxKeySize, int64_t capacity) const = 0;
  // The number of entries a tree of this format can hold at most.
  virtual int64_t CalcCapacity() const = 0;
  // A tree of the same format and version on `storage`, not yet created or
  // opened.
  virtual std::unique_ptr<TVxbTreeBase> Clone(TVxbClientStorage& storage) const = 0;
  // Writes the header of a new, empty tree with `pageSize` into page 0 of
  // the (new) storage; entries of `keySize` bytes.
  virtual void New(int32_t pageSize, int32_t keySize, const TVxbEntryCompare& compare) = 0;
  // Reads the header from page 0 of the open storage; raises EVxbTree when
  // it is malformed.
  virtual void Open(const TVxbEntryCompare& compare) = 0;
  // Reads the upper pages into the cache.
  virtual void Preload() = 0;
  // Writes the changes to the file and cuts it after the last page in use.
  virtual void Flush() = 0;
  // Discards the changes not yet flushed.
  virtual void Undo() = 0;
  // Lets go of everything cached after another process changed the file.
  virtual void Update() = 0;
  // Reopens the file handle.
  virtual void UpdateDir() = 0;
  // Lets go of every page; the storage stays open.
  virtual void Close() = 0;
  // Walks the whole tree in key order, counting the entries and the places
  // where an entry is not greater than its predecessor. Raises on a tree
  // whose structure is damaged; always terminates.
  virtual void Check(int64_t& itemCount, int64_t& wrongSortCount) = 0;

  // The first / last entry into `item` (room for `maxSize` bytes).
  virtual int16_t FindFirst(types::TVxbLongIndexInfo& item, size_t maxSize) = 0;
  virtual int16_t FindLast(types::TVxbLongIndexInfo& item, size_t maxSize) = 0;
  // The entry after / before `item`, which must be in the tree.
  virtual int16_t FindNext(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& succ,
                           size_t succSize) = 0;
  virtual int16_t FindPrev(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& prev,
                           size_t prevSize) = 0;
  // The entry equal to `item`, or else the smallest greater one.
  virtual int16_t Find(const types::TVxbLongIndexInfo& item, types::TVxbLongIndexInfo& found,
                       size_t foundSize) = 0;
  // The 1-based position of `item` in key order (estimated in large trees);
  // 0 on failure.
  virtual int32_t CalcItemSequenceNo(const types::TVxbLongIndexInfo& item) = 0;
  // Inserts an entry of `itemSize` bytes; false when it was there already.
  virtual bool Insert(const types::TVxbLongIndexInfo& item, size_t itemSize) = 0;
  // Deletes the entry; false when it was not there.
  // Insert for the entries of a sorted run (a bulk build): a tree may take
  // the next entry of such a run faster; the result is the same.
  virtual bool InsertInOrder(const types::TVxbLongIndexInfo& item, size_t itemSize) { return Insert(item, itemSize); }
  virtual bool Delete(const types::TVxbLongIndexInfo& item) = 0;
  // Empties the tree.
  virtual void Clear() = 0;
  // Inserts every entry `source` hands out, calling `progress` with the
  // number inserted so far after every `progressStep` entries (when given).
  // Returns the number of entries taken from the source. Entries go in one
  // at a time through InsertInOrder (tree_base.cpp).
  virtual int64_t BulkInsert(const TVxbEntrySource& source, const std::function<void(int64_t)>& progress,
                             int64_t progressStep);
};

}  // namespace vexilo::index
