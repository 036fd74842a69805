#include "engine/index/sorter.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include "engine/index/work_stack.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

// Element records, each followed by the copy of its data, in blocks of at
// least kSortReserve bytes filled from the front; a record and its data
// share cache lines, which the merges visit in a scattered order.
class TVxbSorter::Arena {
 public:
  Element& NewElement(size_t size) {
    const size_t need = Align(sizeof(Element) + size);
    if (FBlocks.empty() || FUsed + need > FBlockSize) {
      FBlockSize = std::max(need, kSortReserve * 8);
      FBlocks.push_back(std::make_unique<uint8_t[]>(FBlockSize));
      FUsed = 0;
    }
    uint8_t* p = FBlocks.back().get() + FUsed;
    FUsed += need;
    return *new (p) Element{p + sizeof(Element), 0, nullptr, nullptr};
  }

 private:
  static size_t Align(size_t n) { return (n + alignof(Element) - 1) & ~(alignof(Element) - 1); }
  std::vector<std::unique_ptr<uint8_t[]>> FBlocks;
  size_t FBlockSize = 0;
  size_t FUsed = 0;
};

TVxbSorter::TVxbSorter(TVxbStack* stack) : FStack(stack), FArena(std::make_unique<Arena>()) {}

TVxbSorter::~TVxbSorter() = default;

// The state of an interrupted sort on the work stack, three entries pushed
// in this order (so ExitSort pops them in the reverse one):
//
// 1. the list record, kListRecordSize bytes:
//      offset  size  meaning
//      0       8     first element (insertion order)
//      8       8     current element
//      16      8     last element
//      24      8     start of the sorted chain
//      32      8     the element memory the links point into (kept by the
//                    sorter; ExitSort restores only when it matches)
//      40      8     element count
//      48      8     bytes of element data
//      56      1     1 once SortStart has sorted the elements
// 2. SortVar, 8 bytes: the caller's context.
// 3. SortError, 1 byte.
//
// Addresses are written as 64-bit numbers through TvwMemory.
namespace {
// Elements from which a sort allowed two threads uses them.
constexpr size_t kTwoThreadMinimum = 20000;
constexpr size_t kListRecordSize = 57;
constexpr size_t kSortVarSize = 8;
constexpr size_t kSortErrorSize = 1;

uint64_t AddressOf(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }
template <typename T>
T* PointerAt(const uint8_t* buffer, size_t offset) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(TvwMemory::ReadUInt64(buffer, offset)));
}
}  // namespace

void TVxbSorter::SaveState() {
  uint8_t list[kListRecordSize];
  TvwMemory::WriteUInt64(list, 0, AddressOf(FFirst));
  TvwMemory::WriteUInt64(list, 8, AddressOf(FCurrent));
  TvwMemory::WriteUInt64(list, 16, AddressOf(FLast));
  TvwMemory::WriteUInt64(list, 24, AddressOf(FSortedStart));
  TvwMemory::WriteUInt64(list, 32, AddressOf(FArena.get()));
  TvwMemory::WriteUInt64(list, 40, FCount);
  TvwMemory::WriteUInt64(list, 48, FDataSize);
  TvwMemory::WriteUInt8(list, 56, FSorted ? 1 : 0);
  uint8_t var[kSortVarSize];
  TvwMemory::WriteUInt64(var, 0, AddressOf(SortVar));
  const uint8_t error = SortError ? 1 : 0;
  FStack->Push(list, sizeof list);
  FStack->Push(var, sizeof var);
  FStack->Push(&error, sizeof error);
  FSavedArenas.push_back(std::move(FArena));
  FArena = std::make_unique<Arena>();
  FFirst = FCurrent = FLast = FSortedStart = nullptr;
}

void TVxbSorter::RestoreState() {
  // Each entry is checked by its size before it is taken; a stack unwound
  // past the saved state leaves the sorter empty rather than trusting
  // someone else's bytes.
  if (FSavedArenas.empty()) return;
  uint8_t error = 0;
  uint8_t var[kSortVarSize];
  uint8_t list[kListRecordSize];
  if (FStack->StackGetTopSize() != static_cast<int64_t>(kSortErrorSize)) return;
  FStack->Pop(&error, sizeof error);
  if (FStack->StackGetTopSize() != static_cast<int64_t>(kSortVarSize)) return;
  FStack->Pop(var, sizeof var);
  if (FStack->StackGetTopSize() != static_cast<int64_t>(kListRecordSize)) return;
  FStack->Pop(list, sizeof list);
  if (TvwMemory::ReadUInt64(list, 32) != AddressOf(FSavedArenas.back().get())) return;
  FArena = std::move(FSavedArenas.back());
  FSavedArenas.pop_back();
  FFirst = PointerAt<Element>(list, 0);
  FCurrent = PointerAt<Element>(list, 8);
  FLast = PointerAt<Element>(list, 16);
  FSortedStart = PointerAt<Element>(list, 24);
  FCount = static_cast<size_t>(TvwMemory::ReadUInt64(list, 40));
  FDataSize = static_cast<size_t>(TvwMemory::ReadUInt64(list, 48));
  FSorted = TvwMemory::ReadUInt8(list, 56) != 0;
  SortVar = PointerAt<const void>(var, 0);
  SortError = error != 0;
}

void TVxbSorter::InitSort() {
  if (FStack) SaveState();
  ClearSort();
}

bool TVxbSorter::ToSort(const void* data, size_t size) {
  if (size > kMaxElementSize) return false;
  Element& e = FArena->NewElement(size);
  if (size) std::memcpy(e.Data, data, size);
  e.Size = static_cast<uint16_t>(size);
  if (FLast) FLast->Next = &e;
  else FFirst = &e;
  FLast = &e;
  if (!FCurrent) FCurrent = &e;
  FSorted = false;
  ++FCount;
  FDataSize += size;
  return true;
}

bool TVxbSorter::WStrToSort(std::u16string_view text) {
  const size_t units = std::min(text.size(), (kMaxElementSize - 2) / 2);
  std::vector<uint8_t> buffer(2 + 2 * units);
  TvwMemory::WriteUInt16(buffer.data(), 0, static_cast<uint16_t>(units));
  for (size_t i = 0; i < units; ++i) TvwMemory::WriteUInt16(buffer.data(), 2 + 2 * i, text[i]);
  return ToSort(buffer.data(), buffer.size());
}

void TVxbSorter::SortStart(const TVxbSortLess& less, types::TStrCmpOptions options) {
  // A stable merge sort over an array of the elements with their prefix
  // numbers: equal elements keep their insertion order, and most
  // comparisons end at the numbers, side by side in memory.
  struct Slot {
    uint64_t Prefix;
    Element* E;
  };
  std::vector<Slot> order;
  order.reserve(static_cast<size_t>(FCount));
  for (Element* e = FFirst; e; e = e->Next) order.push_back({0, e});
  const auto before = [&](const Slot& a, const Slot& b) {
    if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix;
    return less(a.E->Data, a.E->Size, b.E->Data, b.E->Size, SortVar, options);
  };
  const auto sortPart = [&](std::vector<Slot>::iterator from, std::vector<Slot>::iterator to) {
    if (FOrderPrefix) {
      for (auto it = from; it != to; ++it) it->Prefix = FOrderPrefix(it->E->Data, it->E->Size);
    }
    std::stable_sort(from, to, before);
  };
  const auto middle = order.begin() + static_cast<std::ptrdiff_t>(order.size() / 2);
  if (FTwoThreads && order.size() >= kTwoThreadMinimum && std::thread::hardware_concurrency() > 1) {
    std::exception_ptr failure;
    std::thread first([&] {
      try {
        sortPart(order.begin(), middle);
      } catch (...) {
        failure = std::current_exception();
      }
    });
    try {
      sortPart(middle, order.end());
    } catch (...) {
      first.join();
      throw;
    }
    first.join();
    if (failure) std::rethrow_exception(failure);
    std::inplace_merge(order.begin(), middle, order.end(), before);
  } else {
    sortPart(order.begin(), order.end());
  }
  for (size_t i = 0; i < order.size(); ++i) order[i].E->Sorted = i + 1 < order.size() ? order[i + 1].E : nullptr;
  FSortedStart = order.empty() ? nullptr : order.front().E;
  FSorted = true;
  FCurrent = FSortedStart;
  SortError = false;
}

int32_t TVxbSorter::FromSort(void* out, size_t capacity) {
  if (!FCurrent) {
    SortError = true;
    return -1;
  }
  const Element* e = FCurrent;
  FCurrent = FSorted ? e->Sorted : e->Next;
  if (e->Size) std::memcpy(out, e->Data, std::min<size_t>(e->Size, capacity));
  return e->Size;
}

bool TVxbSorter::WStrFromSort(std::u16string& text) {
  text.clear();
  if (!FCurrent) {
    SortError = true;
    return false;
  }
  const Element* e = FCurrent;
  FCurrent = FSorted ? e->Sorted : e->Next;
  if (e->Size < 2) return true;
  const size_t units = std::min<size_t>(TvwMemory::ReadUInt16(e->Data, 0), (e->Size - 2) / 2);
  text.resize(units);
  for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(e->Data, 2 + 2 * i));
  return true;
}

void TVxbSorter::ToStart() {
  FCurrent = FSorted ? FSortedStart : FFirst;
  SortError = false;
}

void TVxbSorter::ClearSort() {
  FArena = std::make_unique<Arena>();
  FFirst = FCurrent = FLast = FSortedStart = nullptr;
  FSorted = false;
  FCount = 0;
  FDataSize = 0;
  SortError = false;
}

void TVxbSorter::ExitSort() {
  ClearSort();
  if (FStack) RestoreState();
}

}  // namespace vexilo::index
