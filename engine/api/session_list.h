// TSessionList: the sessions of the process, at most 100 at a time. A
// session's handle is its place in the list plus 1; a closed session's place
// is reused by the next one. The list owns its sessions: deleting a session,
// and destroying the list, uninitialises it first.
//
// CreateSession makes a session as the engine's callers ask for it: a local
// one for a location on this machine; a location holding "@" names a
// database server, whose sessions are not built (engine error 187). A full
// list is engine error 171, naming the 100 sessions.
//
// Safe across threads: every operation runs under the list's mutex. A
// session found in the list is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/api/session.h"

namespace vexilo::api {

class TVxbLocalSession;

class TSessionList {
 public:
  static constexpr int32_t kMaxSessions = 100;

  // The list of the process.
  static TSessionList& Instance();

  TSessionList() = default;
  // Uninitialises every session still in the list.
  ~TSessionList();
  TSessionList(const TSessionList&) = delete;
  TSessionList& operator=(const TSessionList&) = delete;

  // Takes `session` into the first empty place (or a new one while fewer
  // than 100 exist); its handle, or -1 when the list is full (the session is
  // then dropped).
  int16_t AddSession(std::unique_ptr<TVxbSession> session);
  // The handle names a place that holds a session.
  bool ExistsSessionHdl(int16_t sessionHdl) const;
  // ... and that session has a database open.
  bool ValidSessionHdl(int16_t sessionHdl) const;
  // The session, or null.
  TVxbSession* GetSession(int16_t sessionHdl) const;
  // The local session, or null (also for a handle of another kind).
  TVxbLocalSession* GetLocalSession(int16_t sessionHdl) const;
  // Uninitialises the session and empties its place.
  void DeleteSession(int16_t sessionHdl);
  // Sessions in the list.
  int32_t Count() const;

  // Creates and initialises a session for `location`: its handle (above
  // 0), or the negated engine error (187 for a server location, 171 for a
  // full list, or what Initialize gives), with its message in `errorMsg`
  // when given. Nothing of a failed session stays in the list.
  int16_t CreateSession(std::u16string_view location, std::u16string* errorMsg = nullptr);

 private:
  mutable std::mutex FMutex;
  std::vector<std::unique_ptr<TVxbSession>> FSessions;
};

}  // namespace vexilo::api
