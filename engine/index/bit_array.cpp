#include "engine/index/bit_array.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace vexilo::index {

namespace {
constexpr int64_t kMaxLength = std::numeric_limits<int32_t>::max();

int32_t BytesFor(int64_t bits) { return static_cast<int32_t>((bits + 7) / 8); }
}  // namespace

TVxbBitArray::TVxbBitArray(int32_t length, bool autoGrow) : FAutoGrow(autoGrow) { SetLength(length); }

std::unique_ptr<TVxbBitArray> TVxbBitArray::CreateWrapper(uint8_t* data, int32_t length, bool autoGrow) {
  std::unique_ptr<TVxbBitArray> array(new TVxbBitArray());
  array->FAutoGrow = autoGrow;
  array->FLength = std::max(length, 0);
  array->FByteCount = data ? BytesFor(array->FLength) : 0;
  array->FData = data;
  array->FWrapper = true;
  if (!data) array->FLength = 0;
  return array;
}

std::unique_ptr<TVxbBitArray> TVxbBitArray::CreateCopy(const TVxbBitArray& source) {
  if (source.FWrapper) {
    auto copy = CreateWrapper(source.FData, source.FLength, source.FAutoGrow);
    copy->FByteCount = source.FByteCount;
    return copy;
  }
  std::unique_ptr<TVxbBitArray> copy(new TVxbBitArray());
  copy->FAutoGrow = source.FAutoGrow;
  copy->Reserve(source.FByteCount);
  if (source.FByteCount) std::memcpy(copy->FData, source.FData, static_cast<size_t>(source.FByteCount));
  copy->FLength = source.FLength;
  return copy;
}

void TVxbBitArray::Reserve(int32_t count) {
  if (count <= FByteCount) return;
  // A wrapper never reallocates bytes it does not own: it moves to bytes of
  // its own.
  auto bytes = std::make_unique<uint8_t[]>(static_cast<size_t>(count));  // zeroed
  if (FByteCount) std::memcpy(bytes.get(), FData, static_cast<size_t>(FByteCount));
  FOwned = std::move(bytes);
  FData = FOwned.get();
  FByteCount = count;
  FWrapper = false;
}

void TVxbBitArray::SetLength(int32_t value) {
  value = std::max(value, 0);
  Reserve(BytesFor(value));
  FLength = value;
}

void TVxbBitArray::AssignBit(int32_t index, bool value) {
  if (index < 0) return;
  if (index >= FLength) {
    if (!FAutoGrow) return;
    int64_t length = 2 * int64_t{FLength};
    if (length < int64_t{index} + 1) length = int64_t{index} + 1;
    SetLength(static_cast<int32_t>(std::min(length, kMaxLength)));
  }
  uint8_t& byte = FData[index / 8];
  const uint8_t mask = static_cast<uint8_t>(1u << (index % 8));
  byte = value ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
}

bool TVxbBitArray::TestBit(int32_t index) const {
  const uint32_t i = static_cast<uint32_t>(index);
  if (i / 8 >= static_cast<uint32_t>(FByteCount)) return false;
  return (FData[i / 8] >> (i % 8)) & 1;
}

void TVxbBitArray::Clear() {
  if (FByteCount) std::memset(FData, 0, static_cast<size_t>(FByteCount));
}

void TVxbBitArray::Fill() {
  Clear();
  const int32_t full = FLength / 8;
  if (full) std::memset(FData, 0xFF, static_cast<size_t>(full));
  if (FLength % 8) FData[full] = static_cast<uint8_t>(0xFF >> (8 - FLength % 8));
}

int32_t TVxbBitArray::nBits() const {
  int32_t count = 0;
  for (int32_t i = 0; i < FByteCount; ++i) count += std::popcount(FData[i]);
  return count;
}

namespace {
template <typename Op>
void Combine(TVxbBitArray& b1, const TVxbBitArray& b2, uint8_t* b1Data, Op op) {
  const int32_t count = std::min(b1.ByteCount(), b2.ByteCount());
  for (int32_t i = 0; i < count; ++i) b1Data[i] = static_cast<uint8_t>(op(b1Data[i], b2.Data()[i]));
}
}  // namespace

void TVxbBitArray::AssignBitArray(TVxbBitArray& destArray, const TVxbBitArray& srcArray) {
  Combine(destArray, srcArray, destArray.FData, [](uint8_t, uint8_t b) { return b; });
}

void TVxbBitArray::AndBitArray(TVxbBitArray& b1, const TVxbBitArray& b2) {
  Combine(b1, b2, b1.FData, [](uint8_t a, uint8_t b) { return a & b; });
}

void TVxbBitArray::OrBitArray(TVxbBitArray& b1, const TVxbBitArray& b2) {
  Combine(b1, b2, b1.FData, [](uint8_t a, uint8_t b) { return a | b; });
}

void TVxbBitArray::AndNotBitArray(TVxbBitArray& b1, const TVxbBitArray& b2) {
  Combine(b1, b2, b1.FData, [](uint8_t a, uint8_t b) { return a & ~b; });
}

void TVxbBitArray::OrNotBitArray(TVxbBitArray& b1, const TVxbBitArray& b2) {
  Combine(b1, b2, b1.FData, [](uint8_t a, uint8_t b) { return a | static_cast<uint8_t>(~b); });
  // "Not" turns on the unused bits past the length as well; they stand for
  // no record and must stay off, or nBits and TestBit would count them.
  const int32_t combined = std::min(b1.FByteCount, b2.FByteCount);
  for (int32_t i = 0; i < combined; ++i) {
    const int64_t firstBit = int64_t{i} * 8;
    if (firstBit + 8 <= b1.FLength) continue;
    const int64_t live = std::max<int64_t>(0, b1.FLength - firstBit);
    b1.FData[i] &= static_cast<uint8_t>((1u << live) - 1);
  }
}

}  // namespace vexilo::index
