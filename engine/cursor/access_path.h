// The orders an accessor walks its relation in, and the bounds of a key
// range.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/types/index_key.h"

namespace vexilo::cursor {

enum TVxbAccessType : uint8_t {
  tatRecordNo,   // record-number order
  tatBookmarks,  // the order of the accessor's bookmark list
  tatIndex,      // the order of an index
  tatNone,
};

// The index number that stands for bookmark order in SetAccess.
inline constexpr int kBookmarkIndexNo = 254;

// One bound of a range: an index entry whose record number 0 means no bound,
// and how many leading key columns of it count (0: all). In record-number
// order only the record number counts, as the first or last record number.
// A lower bound on the first n columns takes every entry whose first n
// columns are not smaller (as if the columns after them held their type's
// minimum and the record number were 1); an upper bound every entry whose
// first n columns are not greater.
struct TVxbRangeBound {
  std::unique_ptr<types::TVxbLongIndexInfo> Entry;
  int KeyColumns = 0;

  bool IsSet() const { return Entry && Entry->DateiVerweis != 0; }
  int32_t RecordNo() const { return Entry ? Entry->DateiVerweis : 0; }
  void Clear() {
    if (Entry) Entry->DateiVerweis = 0;
    KeyColumns = 0;
  }
};

}  // namespace vexilo::cursor
