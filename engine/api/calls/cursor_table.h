// TCursorTable: the process's 255 cursor slots behind the table handles 1 to
// 255 of the engine call interface, shared by every local session. A new
// cursor takes the first free slot under the table's lock, so two threads
// never get the same handle; a freed slot is handed out again. The table
// owns its cursors; when the process ends every cursor still in it is
// closed and freed. Private to the call interface.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace vexilo::cursor {
class TVxbCursor;
class TVxbCursorHost;
}  // namespace vexilo::cursor

namespace vexilo::api::calls {

class TCursorTable {
 public:
  static constexpr int16_t kSlotCount = 255;

  static TCursorTable& Instance();

  TCursorTable();
  ~TCursorTable();
  TCursorTable(const TCursorTable&) = delete;
  TCursorTable& operator=(const TCursorTable&) = delete;

  // What a slot holds: the cursor and the host it stands on (the cursor
  // goes first).
  using TMake = std::function<int16_t(int16_t handle, std::unique_ptr<cursor::TVxbCursorHost>& host,
                                      std::unique_ptr<cursor::TVxbCursor>& made)>;
  // Makes a cursor for the first free slot with `make(handle, ...)` and
  // fills the slot only when it succeeded (a result of 0, a host and a
  // cursor): the handle, -2 when every slot is taken, or make's negative
  // result. An exception of `make` leaves the slot empty and passes on.
  int16_t Add(int16_t sessionHdl, const TMake& make);
  // The cursor of handle `tableHdl`, or null (0, negative, 256 or more, an
  // empty slot).
  cursor::TVxbCursor* Get(int16_t tableHdl) const;
  // The session the cursor of `tableHdl` belongs to; 0 for none.
  int16_t SessionOf(int16_t tableHdl) const;
  // Closes and frees the cursor and empties its slot; nothing for an empty
  // one.
  void Remove(int16_t tableHdl);
  // Removes every cursor of the session.
  void RemoveSessionCursors(int16_t sessionHdl);

 private:
  struct TSlot;
  mutable std::mutex FMutex;
  std::array<std::unique_ptr<TSlot>, kSlotCount> FSlots;
};

}  // namespace vexilo::api::calls
