// Ordering a bookmark list by an index: sorting a whole list by the entries
// its records have in an index (a cursor's marks, a static filter's result
// in the cursor's order), and inserting one record into a list that follows
// an index. The table side (reading records, building their index entries,
// comparing entries, read access) comes through TVxbBookmarkOrder, which the
// relation provides for an index expression or one of its indexes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/index/bookmark_list.h"
#include "engine/index/sorter.h"
#include "engine/types/index_key.h"

namespace vexilo::index {

// The index order of a table's records, as the bookmark list operations need
// it. Used by one thread at a time.
class TVxbBookmarkOrder {
 public:
  virtual ~TVxbBookmarkOrder() = default;
  // Takes read access to the table: 0 or a negated error. Every success is
  // ended by one EndRead.
  virtual int16_t WaitRead() = 0;
  virtual void EndRead() = 0;
  // Reads record `recNo` and builds its index entry into `entry` (its
  // record number `recNo`), setting `keySize` to the key's length: 0, or a
  // negated error when the record cannot be read.
  virtual int16_t BuildEntry(int32_t recNo, types::TVxbLongIndexInfo& entry, size_t& keySize) = 0;
  // The index's entry order: true when the first entry sorts before the
  // second (keys by the index's items, equal keys by record number).
  virtual bool IndexLess(int32_t recNo1, const uint8_t* key1, size_t keySize1, int32_t recNo2,
                         const uint8_t* key2, size_t keySize2) const = 0;
};

// Puts the live entries of `bookmarks` in the order of their index entries,
// sorting on `sorter` (a sort already running on it is saved and continues
// afterwards when the sorter has a work stack). The list comes out compact,
// every duplicate kept. Records that cannot be read are kept too, after the
// ordered ones in their former order. Returns the result of reading the
// last record, that of taking read access when the list is empty, or a
// refused read access (the list then stays as it was).
int16_t SortBookmarks(TVxbBookmarkOrder& order, TVxbSorter& sorter, TVxbBookmarkList& bookmarks);

// Compresses `bookmarks`, which follows the index order, and inserts
// `recNo` after every entry that sorts before it. Returns 0; a refused read
// access is returned without inserting; when `recNo` cannot be read it is
// appended at the end and the read error returned.
int16_t InsertRecordIntoBookmarks(TVxbBookmarkOrder& order, int32_t recNo, TVxbBookmarkList& bookmarks);

}  // namespace vexilo::index
