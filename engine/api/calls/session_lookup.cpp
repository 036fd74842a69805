#include "engine/api/calls/session_lookup.h"

#include "engine/api/session_list.h"

namespace vexilo::api::calls {

TVxbLocalSession* FindSession(int16_t sessionHdl, TSessionNeed need) noexcept {
  try {
    TVxbLocalSession* session = TSessionList::Instance().GetLocalSession(sessionHdl);
    if (session == nullptr || session->Services() == nullptr || session->Catalog() == nullptr) return nullptr;
    if (need == TSessionNeed::Open && !session->GetIsOpen()) return nullptr;
    return session;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace vexilo::api::calls
