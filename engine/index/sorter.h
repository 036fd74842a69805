// TVxbSorter: the in-memory sorter of the bulk index build. Elements (byte
// strings of up to 65535 bytes) are appended in any order, sorted with a
// caller's comparison by a stable merge sort (equal elements keep the order
// they went in), and handed out one by one in sorted order.
//
// Each element keeps a copy of its data, its size, a link in insertion order
// and a link in sorted order. Elements and their copies live in blocks of at
// least kSortReserve bytes owned by the sorter, so appending costs no
// allocation per element and ClearSort frees everything at once.
//
// Nesting: a sorter created with a work stack keeps the state of an
// interrupted sort there (InitSort saves, ExitSort restores), so a sort
// started inside another leaves the outer one intact. The element memory of
// an interrupted sort stays owned by the sorter; the stack holds its list
// record, context and end flag. A sorter without a stack (the bulk index
// build) simply starts empty. Each session keeps one work stack and one
// sorter bound to it; InitSort and ExitSort must pair up on that stack like
// the other users' pushes and pops.
//
// One sorter is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/types/collation.h"

namespace vexilo::index {

class TVxbStack;  // the engine's work stack (engine/index/work_stack.h)

// Tells whether element `a` sorts before element `b`. `sortVar` is the
// caller's context given to InitSortVar, `options` the options of SortStart.
using TVxbSortLess = std::function<bool(const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize,
                                        const void* sortVar, types::TStrCmpOptions options)>;

// A number per element (its data and size) compared before TVxbSortLess.
using TVxbSortPrefix = std::function<uint64_t(const uint8_t* data, size_t size)>;

class TVxbSorter {
 public:
  // Bytes an element block holds at least.
  static constexpr size_t kSortReserve = 20000;
  // The largest element (its size is kept in 16 bits).
  static constexpr size_t kMaxElementSize = 65535;

  // `stack` may be null; it is not owned.
  explicit TVxbSorter(TVxbStack* stack = nullptr);
  ~TVxbSorter();
  TVxbSorter(const TVxbSorter&) = delete;
  TVxbSorter& operator=(const TVxbSorter&) = delete;

  // Starts an empty sort, first saving the current one on the work stack
  // when the sorter has one.
  void InitSort();
  // Sets the context handed to the comparison.
  void InitSortVar(const void* sortVar) { SortVar = sortVar; }
  // Appends a copy of `size` bytes. Returns false (and stores nothing) when
  // `size` exceeds kMaxElementSize.
  bool ToSort(const void* data, size_t size);
  // Appends a wide string as a 16-bit length and its UTF-16 units
  // (little-endian); a longer string is cut to what fits.
  bool WStrToSort(std::u16string_view text);
  // Sorts the elements with `less`; afterwards FromSort hands them out in
  // ascending order, starting with the smallest.
  void SortStart(const TVxbSortLess& less, types::TStrCmpOptions options = 0);
  // Lets SortStart sort a large set in two threads at once (the halves
  // side by side, then merged). Only for a `less` that may be called from
  // two threads at the same time.
  void SetTwoThreads(bool twoThreads) { FTwoThreads = twoThreads; }
  // A number per element (its bytes) that SortStart compares first, with
  // `less` deciding only between equal numbers: a cheap first glance that
  // saves most comparisons when prefix(a) < prefix(b) always means `less`
  // puts a first. With any other numbers the elements come out in the
  // order of (prefix, less).
  void SetOrderPrefix(TVxbSortPrefix prefix) { FOrderPrefix = std::move(prefix); }
  // Copies the current element into `out` (at most `capacity` bytes),
  // advances, and returns the element's size; -1 and SortError when none is
  // left.
  int32_t FromSort(void* out, size_t capacity);
  // As FromSort, reading a string stored by WStrToSort; false at the end.
  bool WStrFromSort(std::u16string& text);
  // True when no element has been appended since InitSort or ClearSort.
  bool SortEmpty() const { return FFirst == nullptr; }
  // Back to the first element (of the sorted order once sorted).
  void ToStart();
  // Frees every element.
  void ClearSort();
  // Frees every element and restores the sort that the matching InitSort
  // saved. When the stack's top is not that saved state (the stack was
  // unwound past it), the sorter stays empty.
  void ExitSort();

  // Number of elements and the bytes of their data.
  size_t Count() const { return FCount; }
  size_t DataSize() const { return FDataSize; }

  // The caller's context (InitSortVar) and the end-of-data flag of FromSort.
  const void* SortVar = nullptr;
  bool SortError = false;

 private:
  struct Element {
    uint8_t* Data;
    uint16_t Size;
    Element* Next;    // insertion order
    Element* Sorted;  // sorted order
  };
  class Arena;

  void SaveState();
  void RestoreState();

  TVxbStack* FStack;
  std::unique_ptr<Arena> FArena;
  // Element memory of the sorts interrupted by InitSort, innermost last.
  std::vector<std::unique_ptr<Arena>> FSavedArenas;
  // The element list: first, current and last element, start of the sorted chain.
  Element* FFirst = nullptr;
  Element* FCurrent = nullptr;
  Element* FLast = nullptr;
  Element* FSortedStart = nullptr;
  bool FSorted = false;
  size_t FCount = 0;
  bool FTwoThreads = false;
  TVxbSortPrefix FOrderPrefix;
  size_t FDataSize = 0;
};

}  // namespace vexilo::index
