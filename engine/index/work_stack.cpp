#include "engine/index/work_stack.h"

#include <cstring>

#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

// A string entry:
//
//   offset  size  meaning
//   0       4     length: bytes of an 8-bit string, characters of a UTF-16 one
//   4       n     the bytes, or the UTF-16 code units (little-endian)
//
// Pops take the text's size from the entry's size, not from the length.
namespace {
constexpr size_t kLengthSize = 4;
}  // namespace

TVxbStack::TStackEntry& TVxbStack::NewEntry(size_t size) {
  // make_unique<T[]>(0) still yields a distinct allocation, so every entry
  // owns memory even when empty.
  FEntries.push_back(TStackEntry{FNextId++, std::make_unique<uint8_t[]>(size), size});
  return FEntries.back();
}

void TVxbStack::Push(const void* data, size_t size) {
  TStackEntry& entry = NewEntry(size);
  if (size != 0) std::memcpy(entry.VarMem.get(), data, size);
}

void TVxbStack::PushAnsiStr(std::string_view text) {
  TStackEntry& entry = NewEntry(kLengthSize + text.size());
  TvwMemory::WriteUInt32(entry.VarMem.get(), 0, static_cast<uint32_t>(text.size()));
  if (!text.empty()) std::memcpy(entry.VarMem.get() + kLengthSize, text.data(), text.size());
}

void TVxbStack::PushStringW(std::u16string_view text) {
  TStackEntry& entry = NewEntry(kLengthSize + 2 * text.size());
  TvwMemory::WriteUInt32(entry.VarMem.get(), 0, static_cast<uint32_t>(text.size()));
  for (size_t i = 0; i < text.size(); ++i) TvwMemory::WriteUInt16(entry.VarMem.get(), kLengthSize + 2 * i, text[i]);
}

bool TVxbStack::Pop() {
  if (FEntries.empty()) return false;
  FEntries.pop_back();
  return true;
}

bool TVxbStack::Pop(void* data, size_t size) {
  if (FEntries.empty() || FEntries.back().NBytes < size) return false;
  if (size != 0) std::memcpy(data, FEntries.back().VarMem.get(), size);
  FEntries.pop_back();
  return true;
}

bool TVxbStack::PopString(std::string& text) {
  text.clear();
  if (FEntries.empty()) return false;
  const TStackEntry& entry = FEntries.back();
  if (entry.NBytes > kLengthSize) {
    text.assign(reinterpret_cast<const char*>(entry.VarMem.get() + kLengthSize), entry.NBytes - kLengthSize);
  }
  FEntries.pop_back();
  return true;
}

bool TVxbStack::PopString(std::u16string& text) {
  text.clear();
  if (FEntries.empty()) return false;
  const TStackEntry& entry = FEntries.back();
  if (entry.NBytes > kLengthSize) {
    text.resize((entry.NBytes - kLengthSize) / 2);
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(entry.VarMem.get(), kLengthSize + 2 * i));
    }
  }
  FEntries.pop_back();
  return true;
}

int64_t TVxbStack::StackGetTopSize() const {
  return FEntries.empty() ? -1 : static_cast<int64_t>(FEntries.back().NBytes);
}

TStackPosition TVxbStack::GetStackPosition() const {
  return FEntries.empty() ? kNoStackPosition : FEntries.back().Id;
}

void TVxbStack::UnwindStack(TStackPosition position) {
  while (!FEntries.empty() && FEntries.back().Id != position) FEntries.pop_back();
}

}  // namespace vexilo::index
