#include "engine/api/calls/cursor_table.h"

namespace vexilo::api::calls {

// Not yet holding cursors: the table calls fill it.
struct TCursorTable::TSlot {};

TCursorTable& TCursorTable::Instance() {
  static TCursorTable table;
  return table;
}

TCursorTable::TCursorTable() = default;
TCursorTable::~TCursorTable() = default;

int16_t TCursorTable::Add(int16_t, const std::function<int16_t(int16_t, std::unique_ptr<cursor::TVxbCursor>&)>&) {
  return -2;
}
cursor::TVxbCursor* TCursorTable::Get(int16_t) const { return nullptr; }
int16_t TCursorTable::SessionOf(int16_t) const { return 0; }
void TCursorTable::Remove(int16_t) {}
void TCursorTable::RemoveSessionCursors(int16_t) {}

}  // namespace vexilo::api::calls
