// Finding the relation behind a relation handle for an engine call, and
// running the call's body on it so that nothing escapes. Private to the call
// interface.
//
// A relation handle is (session handle - 1) * 256 + the relation's index in
// its session's catalog: the session is the handle shifted right by 8, plus
// 1, and the index is the low byte. A handle is valid when it lies in 1 to
// 25408 (index 64 of session 100: the highest handle the 16-bit handle
// arithmetic lets every session reach), its session exists and has its
// database open, and the catalog's slot for the index holds an active
// relation. Anything else is an invalid handle and changes nothing.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_guard.h"
#include "engine/api/catalog.h"
#include "engine/api/catalog_table.h"
#include "engine/api/local_session.h"

namespace vexilo::api::calls {

// The highest relation handle the call interface accepts.
inline constexpr int32_t kMaxRltnHdl = 25408;

// The session, its catalog's relation and the relation's index.
struct TRelationTarget {
  TVxbLocalSession& Session;
  TVxbCatalogTable& Table;
  int16_t RltnIdx;
  TVxbCatalog& Catalog() const { return *Session.Catalog(); }
  TVxbSessionServices& Services() const { return *Session.Services(); }
};

// The session handle a relation handle belongs to.
inline int16_t SessionOfRltnHdl(int16_t rltnHdl) { return static_cast<int16_t>((rltnHdl >> 8) + 1); }
// The relation's index within its session.
inline int16_t IndexOfRltnHdl(int16_t rltnHdl) { return static_cast<int16_t>(rltnHdl & 0xFF); }

// The open, active relation of `rltnHdl`; null for an invalid handle.
TVxbCatalogTable* FindRelation(int16_t rltnHdl, TVxbLocalSession*& session) noexcept;

// `body(target)` run on the relation of `rltnHdl` under the call guard:
// `invalid` for an invalid handle, `failure` when the body throws.
template <typename Result, typename Body>
Result OnRelation(int16_t rltnHdl, Result invalid, Result failure, Body&& body) noexcept {
  TVxbLocalSession* session = nullptr;
  TVxbCatalogTable* table = FindRelation(rltnHdl, session);
  if (table == nullptr) return invalid;
  return Guarded(session->Services(), failure, [&]() -> Result {
    const TRelationTarget target{*session, *table, IndexOfRltnHdl(rltnHdl)};
    return body(target);
  });
}

}  // namespace vexilo::api::calls
