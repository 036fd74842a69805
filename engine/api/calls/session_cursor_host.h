// TSessionCursorHost: what a cursor of the call interface stands on — a
// local session's services, catalog relations and default accessors, and
// its settings. The session must outlive the host; the cursor table owns
// one host per cursor and frees it after the cursor. Private to the call
// interface.
#pragma once

#include <cstdint>

#include "engine/cursor/cursor_host.h"

namespace vexilo::api {
class TVxbLocalSession;
}

namespace vexilo::api::calls {

class TSessionCursorHost : public cursor::TVxbCursorHost {
 public:
  // `session` must be initialised with a database open.
  explicit TSessionCursorHost(TVxbLocalSession& session) : FSession(session) {}

  errors::TVxbServices& Services() override;
  int16_t SessionHdl() const override;
  storage::TVxbRelation* Relation(int16_t rltnIdx) override;
  cursor::TVxbAccessor* DefaultAccessor(int16_t rltnIdx) override;
  int32_t RltnHdl(int16_t rltnIdx) const override;
  int32_t LockingTimeout() const override;
  bool AutoCreateIndexes() const override;

  TVxbLocalSession& Session() const { return FSession; }

 private:
  TVxbLocalSession& FSession;
};

}  // namespace vexilo::api::calls
