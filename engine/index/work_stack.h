// TVxbStack: the engine's work stack, a stack of byte blocks. Each entry owns
// a copy of the bytes pushed; popping hands them back and frees the entry.
//
// Users save state here that must survive a nested operation of the same
// kind: the sorter keeps an interrupted sort (InitSort / ExitSort), an
// accessor its position. Every session owns one stack and one sorter bound to
// it; the services object lives below this layer, so the session layer keeps
// the pair (see TVxbSorter).
//
// Bounded use: a pop from an empty stack, or a pop asking for more bytes than
// the top entry holds, changes nothing and reports false; string pops never
// read beyond the entry. One stack is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::index {

// An opaque stack position: the top entry at the time it was taken, or
// kNoStackPosition for an empty stack.
using TStackPosition = uint64_t;
inline constexpr TStackPosition kNoStackPosition = 0;

class TVxbStack {
 public:
  TVxbStack() = default;
  ~TVxbStack() = default;
  TVxbStack(const TVxbStack&) = delete;
  TVxbStack& operator=(const TVxbStack&) = delete;

  // Pushes a copy of `size` bytes of `data` as a new top entry.
  void Push(const void* data, size_t size);
  // Pushes an 8-bit string as its 32-bit length followed by its bytes.
  void PushAnsiStr(std::string_view text);
  // Pushes a UTF-16 string as its 32-bit length in characters followed by
  // its code units.
  void PushStringW(std::u16string_view text);

  // Drops the top entry; false when the stack is empty.
  bool Pop();
  // Copies the first `size` bytes of the top entry into `data` and drops the
  // entry. False, with nothing copied or dropped, when the stack is empty or
  // the entry holds fewer than `size` bytes.
  bool Pop(void* data, size_t size);
  // Pops an entry pushed by PushAnsiStr: `text` gets the bytes behind the
  // length. False (and `text` empty) when the stack is empty.
  bool PopString(std::string& text);
  // Pops an entry pushed by PushStringW. False when the stack is empty.
  bool PopString(std::u16string& text);

  // Bytes held by the top entry, or -1 when the stack is empty.
  int64_t StackGetTopSize() const;
  bool Empty() const { return FEntries.empty(); }
  size_t Depth() const { return FEntries.size(); }

  // The current top, to return to with UnwindStack.
  TStackPosition GetStackPosition() const;
  // Drops entries until the top is `position` or the stack is empty.
  void UnwindStack(TStackPosition position);

 private:
  struct TStackEntry {
    TStackPosition Id;  // unique for the stack's lifetime, so a stale position never matches
    std::unique_ptr<uint8_t[]> VarMem;
    size_t NBytes;
  };

  TStackEntry& NewEntry(size_t size);

  std::vector<TStackEntry> FEntries;  // bottom first
  TStackPosition FNextId = kNoStackPosition + 1;
};

}  // namespace vexilo::index
