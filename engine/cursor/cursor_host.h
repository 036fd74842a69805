// TVxbCursorHost: what a cursor needs of the session it belongs to — the
// session's services (settings and last error), its catalog's relations and
// their default accessors, and the handles the engine's callers know them
// by. The local session provides it; the cursor does not own it.
#pragma once

#include <cstdint>

#include "engine/errors/services.h"
#include "engine/storage/table/relation.h"

namespace vexilo::cursor {

class TVxbAccessor;

class TVxbCursorHost {
 public:
  virtual ~TVxbCursorHost() = default;

  virtual errors::TVxbServices& Services() = 0;
  virtual int16_t SessionHdl() const = 0;
  // The catalog's relation with index `rltnIdx`, or null.
  virtual storage::TVxbRelation* Relation(int16_t rltnIdx) = 0;
  // The catalog's default accessor on that relation ("Session_Default"),
  // or null.
  virtual TVxbAccessor* DefaultAccessor(int16_t rltnIdx) = 0;
  // The relation handle of `rltnIdx`.
  virtual int32_t RltnHdl(int16_t rltnIdx) const = 0;
  // Milliseconds a locked record or table is waited for.
  virtual int32_t LockingTimeout() const = 0;
  // Whether a missing index may be created for a sort order.
  virtual bool AutoCreateIndexes() const = 0;
};

}  // namespace vexilo::cursor
