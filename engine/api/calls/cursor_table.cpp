#include "engine/api/calls/cursor_table.h"

#include <utility>
#include <vector>

#include "engine/api/session_list.h"
#include "engine/cursor/cursor.h"
#include "engine/cursor/cursor_host.h"

namespace vexilo::api::calls {

struct TCursorTable::TSlot {
  int16_t SessionHdl = 0;
  std::unique_ptr<cursor::TVxbCursorHost> Host;
  // After the host: the cursor stands on it and goes first.
  std::unique_ptr<cursor::TVxbCursor> Cursor;
};

TCursorTable& TCursorTable::Instance() {
  // The sessions the cursors belong to must outlive the table when the
  // process ends: the list made first is destroyed last.
  TSessionList::Instance();
  static TCursorTable table;
  return table;
}

TCursorTable::TCursorTable() = default;

TCursorTable::~TCursorTable() = default;

int16_t TCursorTable::Add(int16_t sessionHdl, const TMake& make) {
  const std::lock_guard<std::mutex> lock(FMutex);
  for (size_t i = 0; i < FSlots.size(); ++i) {
    if (FSlots[i]) continue;
    const auto handle = static_cast<int16_t>(i + 1);
    auto slot = std::make_unique<TSlot>();
    slot->SessionHdl = sessionHdl;
    const int16_t result = make(handle, slot->Host, slot->Cursor);
    if (result < 0) return result;
    if (!slot->Host || !slot->Cursor) return -2;
    FSlots[i] = std::move(slot);
    return handle;
  }
  return -2;
}

cursor::TVxbCursor* TCursorTable::Get(int16_t tableHdl) const {
  if (tableHdl < 1 || tableHdl > kSlotCount) return nullptr;
  const std::lock_guard<std::mutex> lock(FMutex);
  const std::unique_ptr<TSlot>& slot = FSlots[static_cast<size_t>(tableHdl - 1)];
  return slot ? slot->Cursor.get() : nullptr;
}

int16_t TCursorTable::SessionOf(int16_t tableHdl) const {
  if (tableHdl < 1 || tableHdl > kSlotCount) return 0;
  const std::lock_guard<std::mutex> lock(FMutex);
  const std::unique_ptr<TSlot>& slot = FSlots[static_cast<size_t>(tableHdl - 1)];
  return slot ? slot->SessionHdl : 0;
}

void TCursorTable::Remove(int16_t tableHdl) {
  if (tableHdl < 1 || tableHdl > kSlotCount) return;
  std::unique_ptr<TSlot> removed;
  {
    const std::lock_guard<std::mutex> lock(FMutex);
    removed = std::move(FSlots[static_cast<size_t>(tableHdl - 1)]);
  }
  // Closed outside the lock: closing may take the relation's locks.
}

void TCursorTable::RemoveSessionCursors(int16_t sessionHdl) {
  std::vector<std::unique_ptr<TSlot>> removed;
  {
    const std::lock_guard<std::mutex> lock(FMutex);
    for (std::unique_ptr<TSlot>& slot : FSlots) {
      if (slot && slot->SessionHdl == sessionHdl) removed.push_back(std::move(slot));
    }
  }
}

}  // namespace vexilo::api::calls
