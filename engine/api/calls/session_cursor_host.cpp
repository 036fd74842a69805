#include "engine/api/calls/session_cursor_host.h"

#include "engine/api/catalog.h"
#include "engine/api/local_session.h"

namespace vexilo::api::calls {

errors::TVxbServices& TSessionCursorHost::Services() { return *FSession.Services(); }

int16_t TSessionCursorHost::SessionHdl() const { return FSession.Handle(); }

storage::TVxbRelation* TSessionCursorHost::Relation(int16_t rltnIdx) {
  TVxbCatalog* catalog = FSession.Catalog();
  return catalog == nullptr ? nullptr : catalog->GetRelation(rltnIdx);
}

cursor::TVxbAccessor* TSessionCursorHost::DefaultAccessor(int16_t rltnIdx) {
  TVxbCatalog* catalog = FSession.Catalog();
  return catalog == nullptr ? nullptr : catalog->GetAccessor(rltnIdx);
}

int32_t TSessionCursorHost::RltnHdl(int16_t rltnIdx) const {
  TVxbCatalog* catalog = FSession.Catalog();
  return catalog == nullptr ? 0 : catalog->CalcRltnHdl(rltnIdx);
}

int32_t TSessionCursorHost::LockingTimeout() const { return FSession.Services()->LockingTimeout(); }

bool TSessionCursorHost::AutoCreateIndexes() const { return FSession.Services()->AutoCreateIndexes(); }

}  // namespace vexilo::api::calls
