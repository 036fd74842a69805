#include "engine/index/bookmark_list_order.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/types/memory.h"

namespace vexilo::index {

using types::TVxbLongIndexInfo;
using types::TvwMemory;

// A sorter element is one index entry:
//
//   offset  size  meaning
//   0       4     record number (little-endian)
//   4       n     key bytes
namespace {

constexpr size_t kRecNoSize = 4;

// Read access for the length of a scope.
class TReadAccess {
 public:
  explicit TReadAccess(TVxbBookmarkOrder& order) : FOrder(order), FResult(order.WaitRead()) {}
  ~TReadAccess() {
    if (FResult >= 0) FOrder.EndRead();
  }
  TReadAccess(const TReadAccess&) = delete;
  TReadAccess& operator=(const TReadAccess&) = delete;
  int16_t Result() const { return FResult; }

 private:
  TVxbBookmarkOrder& FOrder;
  int16_t FResult;
};

// One sort on the sorter for the length of a scope (nested when a sort is
// already running on it).
class TSortScope {
 public:
  explicit TSortScope(TVxbSorter& sorter) : FSorter(sorter) { FSorter.InitSort(); }
  ~TSortScope() { FSorter.ExitSort(); }
  TSortScope(const TSortScope&) = delete;
  TSortScope& operator=(const TSortScope&) = delete;

 private:
  TVxbSorter& FSorter;
};

// A record's entry, built on demand.
struct WorkEntry {
  std::unique_ptr<TVxbLongIndexInfo> Info = std::make_unique<TVxbLongIndexInfo>();
  size_t KeySize = 0;

  int16_t Build(TVxbBookmarkOrder& order, int32_t recNo) {
    KeySize = 0;
    const int16_t result = order.BuildEntry(recNo, *Info, KeySize);
    if (KeySize > TVxbLongIndexInfo::kMaxKeySize) KeySize = TVxbLongIndexInfo::kMaxKeySize;
    Info->DateiVerweis = recNo;
    return result;
  }
};

bool EntryLess(const TVxbBookmarkOrder& order, const WorkEntry& a, const WorkEntry& b) {
  return order.IndexLess(a.Info->DateiVerweis, a.Info->Key, a.KeySize, b.Info->DateiVerweis, b.Info->Key,
                         b.KeySize);
}

}  // namespace

int16_t SortBookmarks(TVxbBookmarkOrder& order, TVxbSorter& sorter, TVxbBookmarkList& bookmarks) {
  TReadAccess access(order);
  int16_t result = access.Result();
  if (result < 0) return result;

  TSortScope scope(sorter);
  sorter.InitSortVar(&order);
  WorkEntry entry;
  std::vector<uint8_t> element(kRecNoSize + TVxbLongIndexInfo::kMaxKeySize);
  std::vector<int32_t> unreadable;
  for (int32_t i = bookmarks.FindFirst(); i >= 0; i = bookmarks.FindNext(i)) {
    const int32_t recNo = bookmarks.GetItem(i);
    result = entry.Build(order, recNo);
    // An entry that cannot be built (or is too long for the sorter) keeps its
    // record in the list, behind the ordered ones.
    bool sorted = false;
    if (result >= 0) {
      TvwMemory::WriteInt32(element.data(), 0, recNo);
      if (entry.KeySize) std::memcpy(element.data() + kRecNoSize, entry.Info->Key, entry.KeySize);
      sorted = sorter.ToSort(element.data(), kRecNoSize + entry.KeySize);
    }
    if (!sorted) unreadable.push_back(recNo);
  }

  bookmarks.Clear();
  sorter.SortStart([](const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize, const void* sortVar,
                      types::TStrCmpOptions) {
    const auto& ordering = *static_cast<const TVxbBookmarkOrder*>(sortVar);
    return ordering.IndexLess(TvwMemory::ReadInt32(a, 0), a + kRecNoSize, aSize - kRecNoSize,
                              TvwMemory::ReadInt32(b, 0), b + kRecNoSize, bSize - kRecNoSize);
  });
  while (sorter.FromSort(element.data(), element.size()) >= static_cast<int32_t>(kRecNoSize)) {
    bookmarks.Append(TvwMemory::ReadInt32(element.data(), 0));
  }
  for (int32_t recNo : unreadable) bookmarks.Append(recNo);
  return result;
}

int16_t InsertRecordIntoBookmarks(TVxbBookmarkOrder& order, int32_t recNo, TVxbBookmarkList& bookmarks) {
  bookmarks.Compress();
  TReadAccess access(order);
  if (access.Result() < 0) return access.Result();

  WorkEntry added;
  WorkEntry probe;
  if (const int16_t result = added.Build(order, recNo); result < 0) {
    bookmarks.Append(recNo);
    return result;
  }
  // True when the new entry sorts before the entry at `position`; an entry
  // that cannot be read counts as smaller, so the search passes it.
  const auto before = [&](int32_t position) {
    if (probe.Build(order, bookmarks.GetItem(position)) < 0) return false;
    return EntryLess(order, added, probe);
  };
  const int32_t count = bookmarks.Count();
  int32_t low = 0;
  int32_t high = count;
  while (low + 1 < high) {
    const int32_t mid = low + (high - low) / 2;
    if (before(mid)) high = mid;
    else low = mid;
  }
  if (low < count && !before(low)) ++low;
  bookmarks.InsertAt(low, recNo);
  return 0;
}

}  // namespace vexilo::index
