// TVxbBitArray: a bit set over record numbers, used to combine hit sets.
// Bit i lies in byte i / 8 at bit position i % 8, counted from the lowest
// bit; where an array holds records, bit i stands for record number i + 1.
//
// An array owns its bytes, or wraps bytes that belong to someone else (a
// wrapper never frees them; when a wrapper must grow it copies them into
// bytes of its own and stops wrapping). The allocated bytes may outnumber
// what the length needs: a shorter length keeps its bytes and their bits,
// and TestBit and nBits look at every allocated byte.
//
// Bounded use: reading a bit outside the allocated bytes answers false;
// setting or clearing a bit at or beyond the length of an array that does not
// grow, or at a negative index, changes nothing. One array is used by one
// thread at a time.
#pragma once

#include <cstdint>
#include <memory>

namespace vexilo::index {

class TVxbBitArray {
 public:
  // An array of `length` bits, all clear. With `autoGrow`, setting a bit
  // beyond the length lengthens the array.
  TVxbBitArray(int32_t length, bool autoGrow);
  // An array over `length` bits of `data`, which the caller keeps alive and
  // frees; it must hold (length + 7) / 8 bytes.
  static std::unique_ptr<TVxbBitArray> CreateWrapper(uint8_t* data, int32_t length, bool autoGrow = false);
  // A copy of `source`: same length and growth; a copy of a wrapper wraps the
  // same bytes, any other copy gets its own bytes with the source's bits.
  static std::unique_ptr<TVxbBitArray> CreateCopy(const TVxbBitArray& source);
  std::unique_ptr<TVxbBitArray> Clone() const { return CreateCopy(*this); }
  ~TVxbBitArray() = default;
  TVxbBitArray(const TVxbBitArray&) = delete;
  TVxbBitArray& operator=(const TVxbBitArray&) = delete;

  int32_t Length() const { return FLength; }
  int32_t ByteCount() const { return FByteCount; }
  bool AutoGrow() const { return FAutoGrow; }
  bool IsWrapper() const { return FWrapper; }
  // The allocated bytes (ByteCount of them).
  const uint8_t* Data() const { return FData; }

  // Sets the length; bytes added to reach it are zero, a shorter length keeps
  // the bytes. A negative length counts as 0.
  void SetLength(int32_t value);

  // Sets or clears bit `index`, first lengthening a growing array to twice its
  // length, or to index + 1 when that is still too short.
  void AssignBit(int32_t index, bool value);
  void SetBit(int32_t index) { AssignBit(index, true); }
  void ResetBit(int32_t index) { AssignBit(index, false); }
  // The bit at `index`; false outside the allocated bytes.
  bool TestBit(int32_t index) const;
  bool GetBit(int32_t index) const { return TestBit(index); }

  // Clears every allocated byte.
  void Clear();
  // Sets exactly the bits below the length; allocated bits at or beyond it
  // become clear.
  void Fill();
  // The number of set bits in all allocated bytes.
  int32_t nBits() const;

  // Byte-wise operations over the first min(ByteCount) bytes of the two
  // arrays; the rest of the first array stays unchanged.
  static void AssignBitArray(TVxbBitArray& destArray, const TVxbBitArray& srcArray);
  static void AndBitArray(TVxbBitArray& b1, const TVxbBitArray& b2);     // b1 := b1 and b2
  static void OrBitArray(TVxbBitArray& b1, const TVxbBitArray& b2);      // b1 := b1 or b2
  static void AndNotBitArray(TVxbBitArray& b1, const TVxbBitArray& b2);  // b1 := b1 and not b2
  static void OrNotBitArray(TVxbBitArray& b1, const TVxbBitArray& b2);   // b1 := b1 or not b2

 private:
  TVxbBitArray() = default;
  // Makes at least `count` bytes available, new ones zero.
  void Reserve(int32_t count);

  bool FAutoGrow = false;
  int32_t FLength = 0;
  uint8_t* FData = nullptr;               // FOwned.get(), or the wrapped bytes
  std::unique_ptr<uint8_t[]> FOwned;      // empty for a wrapper
  int32_t FByteCount = 0;
  bool FWrapper = false;
};

}  // namespace vexilo::index
