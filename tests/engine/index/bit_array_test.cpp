// Bit arrays over record numbers: bit placement, filling, growth, counting,
// combining two arrays byte by byte, copies and wrapped bytes.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "engine/index/bit_array.h"

namespace vexilo::index {
namespace {

std::vector<uint8_t> Bytes(const TVxbBitArray& array) {
  return std::vector<uint8_t>(array.Data(), array.Data() + array.ByteCount());
}

TEST(BitArray, ANewArrayHoldsEnoughClearBytesForItsLength) {
  const struct {
    int32_t length;
    int32_t bytes;
  } cases[] = {{0, 0}, {1, 1}, {8, 1}, {9, 2}, {10, 2}, {64, 8}, {-5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    TVxbBitArray array(c.length, false);
    EXPECT_EQ(array.ByteCount(), c.bytes);
    EXPECT_EQ(array.nBits(), 0);
    EXPECT_EQ(array.Length(), c.length < 0 ? 0 : c.length);
  }
}

TEST(BitArray, BitIsInByteIndexDivEightCountedFromTheLowestBit) {
  TVxbBitArray array(24, false);
  array.SetBit(0);
  array.SetBit(9);
  array.SetBit(23);
  EXPECT_EQ(Bytes(array), (std::vector<uint8_t>{0x01, 0x02, 0x80}));
  EXPECT_TRUE(array.TestBit(9));
  EXPECT_TRUE(array.GetBit(23));
  EXPECT_FALSE(array.TestBit(8));
  array.ResetBit(9);
  array.AssignBit(1, true);
  array.AssignBit(0, false);
  EXPECT_EQ(Bytes(array), (std::vector<uint8_t>{0x02, 0x00, 0x80}));
  EXPECT_EQ(array.nBits(), 2);
}

TEST(BitArray, FillSetsExactlyTheBitsBelowTheLength) {
  const struct {
    int32_t length;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {0, {}}, {1, {0x01}}, {7, {0x7F}}, {8, {0xFF}}, {10, {0xFF, 0x03}}, {17, {0xFF, 0xFF, 0x01}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    TVxbBitArray array(c.length, false);
    array.Fill();
    EXPECT_EQ(Bytes(array), c.bytes);
    EXPECT_EQ(array.nBits(), c.length);
  }
}

TEST(BitArray, ATenBitArrayFilledReadsFalseBeyondItsBytes) {
  TVxbBitArray array(10, false);
  array.Fill();
  EXPECT_TRUE(array.TestBit(9));
  EXPECT_FALSE(array.TestBit(10));
  EXPECT_FALSE(array.TestBit(16));
  EXPECT_FALSE(array.TestBit(-1));
  EXPECT_FALSE(array.TestBit(INT32_MIN));
  array.Clear();
  EXPECT_EQ(array.nBits(), 0);
}

TEST(BitArray, FillAfterShorteningClearsTheBitsBeyondTheNewLength) {
  TVxbBitArray array(24, false);
  array.Fill();
  array.SetLength(10);
  EXPECT_EQ(array.ByteCount(), 3);
  EXPECT_TRUE(array.TestBit(20));  // a shorter length keeps its bytes
  array.Fill();
  EXPECT_EQ(Bytes(array), (std::vector<uint8_t>{0xFF, 0x03, 0x00}));
  EXPECT_EQ(array.nBits(), 10);
}

TEST(BitArray, LengtheningAddsClearBytes) {
  TVxbBitArray array(8, false);
  array.Fill();
  array.SetLength(20);
  EXPECT_EQ(Bytes(array), (std::vector<uint8_t>{0xFF, 0x00, 0x00}));
  EXPECT_EQ(array.Length(), 20);
}

TEST(BitArray, AGrowingArrayDoublesOrReachesTheBitSet) {
  const struct {
    int32_t length;
    int32_t bit;
    int32_t newLength;
  } cases[] = {{10, 12, 20}, {20, 30, 40}, {10, 100, 101}, {0, 0, 1}, {0, 5, 6}, {10, 9, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bit);
    TVxbBitArray array(c.length, true);
    array.SetBit(c.bit);
    EXPECT_EQ(array.Length(), c.newLength);
    EXPECT_GE(array.ByteCount(), (c.newLength + 7) / 8);
    EXPECT_TRUE(array.TestBit(c.bit));
    EXPECT_EQ(array.nBits(), 1);
  }
}

TEST(BitArray, SettingABitTwiceGrowsTheArrayStepByStep) {
  TVxbBitArray array(10, true);
  array.SetBit(12);
  EXPECT_EQ(array.Length(), 20);
  array.SetBit(30);
  EXPECT_EQ(array.Length(), 40);
  EXPECT_TRUE(array.TestBit(12));
  EXPECT_TRUE(array.TestBit(30));
}

TEST(BitArray, ClearingABitBeyondTheLengthAlsoGrowsTheArray) {
  TVxbBitArray array(10, true);
  array.ResetBit(15);
  EXPECT_EQ(array.Length(), 20);
  EXPECT_EQ(array.nBits(), 0);
}

TEST(BitArray, AnArrayThatDoesNotGrowIgnoresBitsOutsideItsLength) {
  TVxbBitArray array(10, false);
  for (int32_t bit : {10, 15, 16, 1000, -1, INT32_MIN}) {
    SCOPED_TRACE(bit);
    array.SetBit(bit);
    EXPECT_EQ(array.Length(), 10);
    EXPECT_EQ(array.nBits(), 0);
  }
}

TEST(BitArray, ANegativeBitNeverGrowsAnArray) {
  TVxbBitArray array(10, true);
  array.SetBit(-3);
  EXPECT_EQ(array.Length(), 10);
  EXPECT_EQ(array.nBits(), 0);
}

TEST(BitArray, CombiningWorksOnTheBytesBothArraysHave) {
  enum Op { kAssign, kAnd, kOr, kAndNot, kOrNot };
  const struct {
    const char* name;
    Op op;
    std::vector<uint8_t> b1;
    std::vector<uint8_t> b2;
    std::vector<uint8_t> result;
  } cases[] = {
      {"assign", kAssign, {0xF0, 0x0F}, {0x3C, 0xA5}, {0x3C, 0xA5}},
      {"and", kAnd, {0xF0, 0x0F}, {0x3C, 0xA5}, {0x30, 0x05}},
      {"or", kOr, {0xF0, 0x0F}, {0x3C, 0xA5}, {0xFC, 0xAF}},
      {"and not", kAndNot, {0xF0, 0x0F}, {0x3C, 0xA5}, {0xC0, 0x0A}},
      {"or not", kOrNot, {0xF0, 0x0F}, {0x3C, 0xA5}, {0xF3, 0x5F}},
      // A shorter second array leaves the first one's further bytes alone.
      {"and, second shorter", kAnd, {0xFF, 0xFF, 0xFF}, {0x0F}, {0x0F, 0xFF, 0xFF}},
      {"assign, second shorter", kAssign, {0xFF, 0xFF}, {0x00}, {0x00, 0xFF}},
      {"or not, second shorter", kOrNot, {0x00, 0x00}, {0xFF}, {0x00, 0x00}},
      // A shorter first array only takes what it has room for.
      {"or, first shorter", kOr, {0x01}, {0x02, 0xFF}, {0x03}},
      {"and not, first empty", kAndNot, {}, {0xFF}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVxbBitArray b1(static_cast<int32_t>(8 * c.b1.size()), false);
    TVxbBitArray b2(static_cast<int32_t>(8 * c.b2.size()), false);
    for (size_t i = 0; i < 8 * c.b1.size(); ++i) b1.AssignBit(static_cast<int32_t>(i), (c.b1[i / 8] >> (i % 8)) & 1);
    for (size_t i = 0; i < 8 * c.b2.size(); ++i) b2.AssignBit(static_cast<int32_t>(i), (c.b2[i / 8] >> (i % 8)) & 1);
    switch (c.op) {
      case kAssign: TVxbBitArray::AssignBitArray(b1, b2); break;
      case kAnd: TVxbBitArray::AndBitArray(b1, b2); break;
      case kOr: TVxbBitArray::OrBitArray(b1, b2); break;
      case kAndNot: TVxbBitArray::AndNotBitArray(b1, b2); break;
      case kOrNot: TVxbBitArray::OrNotBitArray(b1, b2); break;
    }
    EXPECT_EQ(Bytes(b1), c.result);
    EXPECT_EQ(b1.Length(), static_cast<int32_t>(8 * c.b1.size()));
  }
}

TEST(BitArray, OrNotLeavesTheBitsPastTheLengthOff) {
  TVxbBitArray b1(10, false);  // two bytes, six unused bits in the second
  TVxbBitArray b2(10, false);
  b2.SetBit(0);
  TVxbBitArray::OrNotBitArray(b1, b2);
  EXPECT_EQ(b1.nBits(), 9);
  EXPECT_FALSE(b1.TestBit(0));
  EXPECT_TRUE(b1.TestBit(9));
  EXPECT_FALSE(b1.TestBit(10));
  EXPECT_FALSE(b1.TestBit(15));
}

TEST(BitArray, ACopyOfAnOwningArrayHasItsOwnBytes) {
  TVxbBitArray source(12, true);
  source.SetBit(3);
  source.SetBit(11);
  auto copy = TVxbBitArray::CreateCopy(source);
  auto clone = source.Clone();
  for (const TVxbBitArray* c : {copy.get(), clone.get()}) {
    EXPECT_EQ(c->Length(), 12);
    EXPECT_TRUE(c->AutoGrow());
    EXPECT_FALSE(c->IsWrapper());
    EXPECT_EQ(Bytes(*c), Bytes(source));
    EXPECT_NE(c->Data(), source.Data());
  }
  copy->ResetBit(3);
  EXPECT_TRUE(source.TestBit(3));
  EXPECT_TRUE(clone->TestBit(3));
}

TEST(BitArray, AWrapperUsesTheCallersBytesAndACopyOfItWrapsThemToo) {
  uint8_t bytes[2] = {0x00, 0x00};
  {
    auto wrapper = TVxbBitArray::CreateWrapper(bytes, 16);
    EXPECT_TRUE(wrapper->IsWrapper());
    wrapper->SetBit(9);
    EXPECT_EQ(bytes[1], 0x02);
    auto copy = wrapper->Clone();
    EXPECT_TRUE(copy->IsWrapper());
    copy->SetBit(0);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_TRUE(wrapper->TestBit(0));
  }
  // Destroying the wrappers left the bytes alone (they live on this stack).
  EXPECT_EQ(bytes[0], 0x01);
}

TEST(BitArray, AGrowingWrapperMovesToBytesOfItsOwn) {
  uint8_t bytes[1] = {0x81};
  auto wrapper = TVxbBitArray::CreateWrapper(bytes, 8, true);
  wrapper->SetBit(12);
  EXPECT_FALSE(wrapper->IsWrapper());
  EXPECT_NE(wrapper->Data(), bytes);
  EXPECT_EQ(wrapper->Length(), 16);
  EXPECT_EQ(Bytes(*wrapper), (std::vector<uint8_t>{0x81, 0x10}));
  wrapper->ResetBit(0);
  EXPECT_EQ(bytes[0], 0x81);  // the caller's bytes are no longer touched
}

}  // namespace
}  // namespace vexilo::index
