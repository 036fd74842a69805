// Finding the local session behind a session handle for an engine call, and
// running the call's body on it so that nothing escapes: an invalid handle
// gives -105 ("The session handle is invalid") and changes nothing; an
// exception of the body is stored as the session's last error (see
// call_guard.h) and the call returns its failure code. Private to the call
// interface.
//
// Sessions on a database server are not built, so every session the list
// holds is a local one.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_guard.h"
#include "engine/api/local_session.h"
#include "engine/errors/error_codes.h"

namespace vexilo::api::calls {

// What a call needs of its session: that it exists (creation, deletion,
// opening and the settings calls), or that it has a database open.
enum class TSessionNeed : uint8_t { Exists, Open };

// The local session of `sessionHdl` when it exists and meets `need`; null
// otherwise (0, negative, out of range, deleted, closed when Open is asked).
TVxbLocalSession* FindSession(int16_t sessionHdl, TSessionNeed need) noexcept;

// `body(session)` run on the session of `sessionHdl` under the call guard:
// -105 when there is no such session, `failure` when the body throws.
template <typename Result, typename Body>
Result OnSession(int16_t sessionHdl, TSessionNeed need, Result failure, Body&& body) noexcept {
  TVxbLocalSession* session = FindSession(sessionHdl, need);
  if (session == nullptr) return static_cast<Result>(errors::vxbResInvalidSessionHandle);
  return Guarded(session->Services(), failure, [&]() -> Result { return body(*session); });
}

}  // namespace vexilo::api::calls
