#include "engine/api/calls/relation_lookup.h"

#include "engine/api/calls/session_lookup.h"

namespace vexilo::api::calls {

TVxbCatalogTable* FindRelation(int16_t rltnHdl, TVxbLocalSession*& session) noexcept {
  session = nullptr;
  if (rltnHdl < 1 || rltnHdl > kMaxRltnHdl) return nullptr;
  TVxbLocalSession* found = FindSession(SessionOfRltnHdl(rltnHdl), TSessionNeed::Open);
  if (found == nullptr) return nullptr;
  try {
    const int16_t rltnIdx = IndexOfRltnHdl(rltnHdl);
    if (!found->Catalog()->IsActiveRltnIdx(rltnIdx)) return nullptr;
    session = found;
    return found->Catalog()->GetTable(rltnIdx);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace vexilo::api::calls
