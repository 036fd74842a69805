#include "engine/cursor/pending_contents.h"

namespace vexilo::cursor {

storage::TVxbBlobData* TVxbPendingContents::Find(int32_t fieldNo) {
  if (fieldNo <= 0) return nullptr;
  for (storage::TVxbBlobData& entry : FEntries) {
    if (entry.FieldNo == fieldNo) return &entry;
  }
  return nullptr;
}

const storage::TVxbBlobData* TVxbPendingContents::Find(int32_t fieldNo) const {
  return const_cast<TVxbPendingContents*>(this)->Find(fieldNo);
}

storage::TVxbBlobData& TVxbPendingContents::Take(int32_t fieldNo, bool wide) {
  if (storage::TVxbBlobData* existing = Find(fieldNo)) {
    existing->IsWide = wide;
    return *existing;
  }
  storage::TVxbBlobData* entry = nullptr;
  for (storage::TVxbBlobData& candidate : FEntries) {
    if (candidate.FieldNo <= 0) {
      entry = &candidate;
      break;
    }
  }
  if (!entry) entry = &FEntries.emplace_back();
  entry->FieldNo = fieldNo;
  entry->AnsiData.clear();
  entry->WideData.clear();
  entry->IsWide = wide;
  return *entry;
}

void TVxbPendingContents::Free(int32_t fieldNo) {
  if (storage::TVxbBlobData* entry = Find(fieldNo)) {
    entry->FieldNo = 0;
    entry->AnsiData.clear();
    entry->AnsiData.shrink_to_fit();
    entry->WideData.clear();
    entry->WideData.shrink_to_fit();
    entry->IsWide = false;
  }
}

bool TVxbPendingContents::Empty() const {
  for (const storage::TVxbBlobData& entry : FEntries) {
    if (entry.FieldNo > 0) return false;
  }
  return true;
}

}  // namespace vexilo::cursor
