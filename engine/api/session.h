// TVxbSession: what the session list knows of a session — whether it is
// open, its start with the handle the list gave it, and its end. Sessions
// on this machine's files are TVxbLocalSession (local_session.h); sessions
// on a database server are not built, and asking for one is refused (see
// session_list.h).
//
// A session is used by one thread at a time; the session list owns it.
#pragma once

#include <cstdint>

namespace vexilo::api {

class TVxbSession {
 public:
  TVxbSession() = default;
  virtual ~TVxbSession() = default;
  TVxbSession(const TVxbSession&) = delete;
  TVxbSession& operator=(const TVxbSession&) = delete;

  // Whether a database is open.
  virtual bool GetIsOpen() const = 0;
  // Sets the session up under `sessionHdl`: 0 or a negated engine error.
  virtual int16_t Initialize(int16_t sessionHdl) = 0;
  // Closes what is open and frees what Initialize made.
  virtual void Uninitialize() = 0;

  // The station number this session is known by to other processes.
  uint32_t ConnectionId() const { return FConnectionId; }
  // The caller of the engine may give the session a station number of its
  // own (VxbSessSetNetParams).
  void SetConnectionId(uint32_t connectionId) { FConnectionId = connectionId; }

 protected:
  uint32_t FConnectionId = 0;
};

}  // namespace vexilo::api
