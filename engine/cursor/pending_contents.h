// TVxbPendingContents: the memo, blob and wide-memo contents an accessor
// holds in memory for its work record until the record is posted, cancelled
// or written, and the transient entries it makes while a stored content is
// being read.
//
// One entry per column at most (TVxbBlobData: the column number and the
// content, ANSI bytes or UTF-16 text). An entry whose FieldNo is 0 or less
// is free; Take reuses a free entry before the list grows, so a long run of
// reads does not grow the list. Entries() is what a relation receives with
// the record: it ignores free entries, and an empty content in a used entry
// clears the column's stored content.
//
// Entries are addressed by column number, never kept by reference across a
// Take (the list may grow). One list belongs to one accessor and is used by
// its thread.
#pragma once

#include <cstdint>

#include "engine/storage/values/blob_data.h"

namespace vexilo::cursor {

class TVxbPendingContents {
 public:
  TVxbPendingContents() = default;

  // The entry of column `fieldNo` (above 0), or null.
  storage::TVxbBlobData* Find(int32_t fieldNo);
  const storage::TVxbBlobData* Find(int32_t fieldNo) const;
  // The entry of column `fieldNo`: the existing one, else a free one, else a
  // new one at the end. A reused or new entry starts empty; `wide` tells
  // which of its two contents is the column's.
  storage::TVxbBlobData& Take(int32_t fieldNo, bool wide);
  // Frees the entry of column `fieldNo` (FieldNo 0, contents emptied).
  void Free(int32_t fieldNo);
  // Empties the list.
  void Clear() { FEntries.clear(); }
  // Whether no entry is in use.
  bool Empty() const;

  const storage::TVxbBlobDataList& Entries() const { return FEntries; }
  void Assign(const TVxbPendingContents& other) { FEntries = other.FEntries; }

 private:
  storage::TVxbBlobDataList FEntries;
};

}  // namespace vexilo::cursor
