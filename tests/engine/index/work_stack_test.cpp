// The work stack: byte blocks and strings come back in reverse order of
// pushing, unwinding returns to a taken position, pops on an empty stack or
// of too many bytes change nothing; and the sorter nests its sorts on it.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/index/sorter.h"
#include "engine/index/work_stack.h"
#include "engine/types/memory.h"

namespace vexilo::index {
namespace {

using types::TvwMemory;

TEST(WorkStack, BlocksComeBackInReverseOrderOfPushing) {
  TVxbStack stack;
  const int32_t first = 11;
  const uint8_t second[3] = {1, 2, 3};
  const double third = 2.5;
  stack.Push(&first, sizeof first);
  stack.Push(second, sizeof second);
  stack.Push(&third, sizeof third);
  stack.Push(nullptr, 0);
  EXPECT_EQ(stack.Depth(), 4u);

  EXPECT_EQ(stack.StackGetTopSize(), 0);
  EXPECT_TRUE(stack.Pop());
  EXPECT_EQ(stack.StackGetTopSize(), 8);
  double d = 0;
  ASSERT_TRUE(stack.Pop(&d, sizeof d));
  EXPECT_EQ(d, 2.5);
  uint8_t bytes[3] = {};
  ASSERT_TRUE(stack.Pop(bytes, sizeof bytes));
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 3), (std::vector<uint8_t>{1, 2, 3}));
  int32_t i = 0;
  ASSERT_TRUE(stack.Pop(&i, sizeof i));
  EXPECT_EQ(i, 11);
  EXPECT_TRUE(stack.Empty());
}

TEST(WorkStack, PushedBytesAreACopy) {
  TVxbStack stack;
  int32_t value = 5;
  stack.Push(&value, sizeof value);
  value = 6;
  int32_t popped = 0;
  ASSERT_TRUE(stack.Pop(&popped, sizeof popped));
  EXPECT_EQ(popped, 5);
}

TEST(WorkStack, PoppingFewerBytesThanPushedTakesTheFrontAndDropsTheEntry) {
  TVxbStack stack;
  const uint8_t block[4] = {9, 8, 7, 6};
  stack.Push(block, sizeof block);
  uint8_t front[2] = {};
  ASSERT_TRUE(stack.Pop(front, sizeof front));
  EXPECT_EQ(front[0], 9);
  EXPECT_EQ(front[1], 8);
  EXPECT_TRUE(stack.Empty());
}

TEST(WorkStack, PopsOfAnEmptyStackChangeNothing) {
  TVxbStack stack;
  uint8_t buffer[4] = {1, 1, 1, 1};
  std::string text = "x";
  std::u16string wide = u"x";
  EXPECT_FALSE(stack.Pop());
  EXPECT_FALSE(stack.Pop(buffer, sizeof buffer));
  EXPECT_EQ(buffer[0], 1);
  EXPECT_FALSE(stack.PopString(text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(stack.PopString(wide));
  EXPECT_EQ(wide, u"");
  EXPECT_EQ(stack.StackGetTopSize(), -1);
  EXPECT_EQ(stack.GetStackPosition(), kNoStackPosition);
}

TEST(WorkStack, PoppingMoreBytesThanPushedIsRefusedAndKeepsTheEntry) {
  TVxbStack stack;
  const uint16_t small = 0x1234;
  stack.Push(&small, sizeof small);
  uint8_t buffer[8] = {};
  EXPECT_FALSE(stack.Pop(buffer, sizeof buffer));
  EXPECT_EQ(stack.StackGetTopSize(), 2);
  uint16_t back = 0;
  EXPECT_TRUE(stack.Pop(&back, sizeof back));
  EXPECT_EQ(back, 0x1234);
}

TEST(WorkStack, AnsiStringsTakeTheirLengthAndFourBytes) {
  for (const std::string& text : {std::string(), std::string("a"), std::string("alma\0fa", 7), std::string(300, 'x')}) {
    SCOPED_TRACE(text.size());
    TVxbStack stack;
    stack.PushAnsiStr(text);
    EXPECT_EQ(stack.StackGetTopSize(), static_cast<int64_t>(text.size() + 4));
    std::string popped = "junk";
    ASSERT_TRUE(stack.PopString(popped));
    EXPECT_EQ(popped, text);
    EXPECT_TRUE(stack.Empty());
  }
}

TEST(WorkStack, WideStringsTakeTwiceTheirLengthAndFourBytes) {
  for (const std::u16string& text : {std::u16string(), std::u16string(u"ő"), std::u16string(u"árvíztűrő tükörfúrógép")}) {
    TVxbStack stack;
    stack.PushStringW(text);
    EXPECT_EQ(stack.StackGetTopSize(), static_cast<int64_t>(2 * text.size() + 4));
    std::u16string popped = u"junk";
    ASSERT_TRUE(stack.PopString(popped));
    EXPECT_EQ(popped, text);
  }
}

TEST(WorkStack, AStringEntryStartsWithItsLength) {
  TVxbStack stack;
  stack.PushStringW(u"abc");
  uint8_t entry[10];
  ASSERT_TRUE(stack.Pop(entry, sizeof entry));
  EXPECT_EQ(TvwMemory::ReadUInt32(entry, 0), 3u);
  EXPECT_EQ(TvwMemory::ReadUInt16(entry, 4), u'a');
  EXPECT_EQ(TvwMemory::ReadUInt16(entry, 8), u'c');
}

TEST(WorkStack, PoppingAShortBlockAsAStringGivesNoCharacters) {
  TVxbStack stack;
  const uint8_t two[2] = {5, 0};
  stack.Push(two, sizeof two);
  stack.Push(two, sizeof two);
  std::string text = "junk";
  std::u16string wide = u"junk";
  EXPECT_TRUE(stack.PopString(text));
  EXPECT_TRUE(stack.PopString(wide));
  EXPECT_EQ(text, "");
  EXPECT_EQ(wide, u"");
}

TEST(WorkStack, UnwindingDropsExactlyWhatWasPushedSinceThePosition) {
  TVxbStack stack;
  const int32_t v = 1;
  stack.Push(&v, sizeof v);
  stack.Push(&v, sizeof v);
  const TStackPosition position = stack.GetStackPosition();
  stack.Push(&v, sizeof v);
  stack.PushAnsiStr("abc");
  stack.PushStringW(u"d");
  stack.UnwindStack(position);
  EXPECT_EQ(stack.Depth(), 2u);
  EXPECT_EQ(stack.GetStackPosition(), position);
  stack.UnwindStack(position);  // already there
  EXPECT_EQ(stack.Depth(), 2u);
}

TEST(WorkStack, UnwindingWithoutAPositionEmptiesTheStack) {
  TVxbStack stack;
  const TStackPosition none = stack.GetStackPosition();
  const int32_t v = 1;
  stack.Push(&v, sizeof v);
  stack.Push(&v, sizeof v);
  stack.UnwindStack(none);
  EXPECT_TRUE(stack.Empty());
}

TEST(WorkStack, APositionWhoseEntryWasPoppedNeverStopsAtANewerEntry) {
  TVxbStack stack;
  const int32_t v = 1;
  stack.Push(&v, sizeof v);
  const TStackPosition stale = stack.GetStackPosition();
  stack.Pop();
  stack.Push(&v, sizeof v);  // a new entry where the old one was
  stack.Push(&v, sizeof v);
  stack.UnwindStack(stale);
  EXPECT_TRUE(stack.Empty());
}

// Sorts nested through the work stack.

bool LessInt(const uint8_t* a, size_t, const uint8_t* b, size_t, const void* sortVar, types::TStrCmpOptions) {
  const bool descending = sortVar != nullptr && *static_cast<const bool*>(sortVar);
  const int32_t x = TvwMemory::ReadInt32(a, 0);
  const int32_t y = TvwMemory::ReadInt32(b, 0);
  return descending ? y < x : x < y;
}

void Put(TVxbSorter& sorter, std::initializer_list<int32_t> values) {
  for (int32_t v : values) {
    uint8_t buffer[4];
    TvwMemory::WriteInt32(buffer, 0, v);
    ASSERT_TRUE(sorter.ToSort(buffer, 4));
  }
}

std::vector<int32_t> Take(TVxbSorter& sorter, size_t count = SIZE_MAX) {
  std::vector<int32_t> out;
  uint8_t buffer[4];
  while (out.size() < count && sorter.FromSort(buffer, sizeof buffer) == 4) out.push_back(TvwMemory::ReadInt32(buffer, 0));
  return out;
}

TEST(SorterNesting, AnInnerSortLeavesAHalfReadOuterSortIntact) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  const bool ascending = false;
  const bool descending = true;

  sorter.InitSort();
  sorter.InitSortVar(&ascending);
  Put(sorter, {5, 3, 9, 1, 7});
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter, 2), (std::vector<int32_t>{1, 3}));

  sorter.InitSort();
  EXPECT_TRUE(sorter.SortEmpty());
  sorter.InitSortVar(&descending);
  Put(sorter, {20, 40, 30});
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{40, 30, 20}));
  EXPECT_TRUE(sorter.SortError);
  sorter.ExitSort();

  EXPECT_EQ(sorter.SortVar, &ascending);
  EXPECT_FALSE(sorter.SortError);
  EXPECT_EQ(sorter.Count(), 5u);
  EXPECT_EQ(sorter.DataSize(), 20u);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{5, 7, 9}));
  sorter.ToStart();
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{1, 3, 5, 7, 9}));
  sorter.ExitSort();
  EXPECT_TRUE(stack.Empty());
}

TEST(SorterNesting, AnOuterSortStillFillingTakesMoreElementsAfterTheInnerOne) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  sorter.InitSort();
  Put(sorter, {8, 2});
  sorter.InitSort();
  Put(sorter, {100, 50});
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{50, 100}));
  sorter.ExitSort();
  Put(sorter, {5});
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{2, 5, 8}));
  sorter.ExitSort();
}

TEST(SorterNesting, SortsNestThreeDeepAndTheEndFlagIsRestored) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  sorter.InitSort();
  Put(sorter, {1});
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{1}));
  ASSERT_TRUE(sorter.SortError);  // the outer sort is exhausted
  sorter.InitSort();
  Put(sorter, {2, 1});
  sorter.InitSort();
  Put(sorter, {3});
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{3}));
  sorter.ExitSort();
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{1, 2}));
  sorter.ExitSort();
  EXPECT_TRUE(sorter.SortError);
  EXPECT_TRUE(Take(sorter).empty());
  sorter.ExitSort();
  EXPECT_TRUE(sorter.SortEmpty());
  EXPECT_TRUE(stack.Empty());
}

TEST(SorterNesting, OtherUsersOfTheStackKeepTheirEntriesAroundASort) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  sorter.InitSort();
  Put(sorter, {4, 2});
  stack.PushAnsiStr("position");  // e.g. an accessor saving its place
  sorter.InitSort();
  Put(sorter, {7});
  sorter.ExitSort();
  std::string saved;
  ASSERT_TRUE(stack.PopString(saved));
  EXPECT_EQ(saved, "position");
  sorter.SortStart(LessInt);
  EXPECT_EQ(Take(sorter), (std::vector<int32_t>{2, 4}));
  sorter.ExitSort();
  EXPECT_TRUE(stack.Empty());
}

TEST(SorterNesting, ExitSortAfterTheStackWasUnwoundLeavesTheSorterEmpty) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  sorter.InitSort();
  Put(sorter, {4, 2});
  const TStackPosition beforeInner = stack.GetStackPosition();
  sorter.InitSort();
  Put(sorter, {7});
  stack.UnwindStack(beforeInner);  // drops the outer sort's saved state
  sorter.ExitSort();
  EXPECT_TRUE(sorter.SortEmpty());
  EXPECT_EQ(sorter.Count(), 0u);
  sorter.ExitSort();  // nothing left to restore
  EXPECT_TRUE(sorter.SortEmpty());
}

TEST(SorterNesting, ExitSortDoesNotRestoreFromSomeoneElsesEntries) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  sorter.InitSort();
  Put(sorter, {4, 2});
  stack.UnwindStack(kNoStackPosition);
  // Entries of the same sizes as a saved sort, but not the sorter's.
  const uint8_t list[57] = {};
  const uint8_t var[8] = {};
  const uint8_t error = 0;
  stack.Push(list, sizeof list);
  stack.Push(var, sizeof var);
  stack.Push(&error, sizeof error);
  sorter.ExitSort();
  EXPECT_TRUE(sorter.SortEmpty());
  EXPECT_TRUE(Take(sorter).empty());
}

TEST(SorterNesting, ExitSortWithoutASavedSortOnAnEmptyStackLeavesItEmpty) {
  TVxbStack stack;
  TVxbSorter sorter(&stack);
  Put(sorter, {1});
  sorter.ExitSort();
  EXPECT_TRUE(sorter.SortEmpty());
  EXPECT_TRUE(stack.Empty());
}

}  // namespace
}  // namespace vexilo::index
