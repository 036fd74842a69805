#include "engine/api/session_list.h"

#include "engine/api/local_session.h"
#include "engine/api/shared_file_systems.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"

namespace vexilo::api {

namespace {

int16_t Refuse(int16_t code, std::u16string_view argument, std::u16string* errorMsg) {
  if (errorMsg != nullptr) *errorMsg = errors::EVxbEngine(code, argument).Message();
  return static_cast<int16_t>(-code);
}

}  // namespace

TSessionList& TSessionList::Instance() {
  // Sessions still open when the process ends are closed by the list's
  // destructor, which gives their file systems back to the shared list and
  // the page cache: those must be made first so that they go last.
  TVxbSharedFileSystems::Instance();
  static TSessionList instance;
  return instance;
}

TSessionList::~TSessionList() {
  for (auto& session : FSessions) {
    if (session) session->Uninitialize();
  }
}

int16_t TSessionList::AddSession(std::unique_ptr<TVxbSession> session) {
  const std::lock_guard<std::mutex> guard(FMutex);
  for (size_t i = 0; i < FSessions.size(); ++i) {
    if (!FSessions[i]) {
      FSessions[i] = std::move(session);
      return static_cast<int16_t>(i + 1);
    }
  }
  if (FSessions.size() >= static_cast<size_t>(kMaxSessions)) return -1;
  FSessions.push_back(std::move(session));
  return static_cast<int16_t>(FSessions.size());
}

bool TSessionList::ExistsSessionHdl(int16_t sessionHdl) const { return GetSession(sessionHdl) != nullptr; }

bool TSessionList::ValidSessionHdl(int16_t sessionHdl) const {
  const TVxbSession* session = GetSession(sessionHdl);
  return session != nullptr && session->GetIsOpen();
}

TVxbSession* TSessionList::GetSession(int16_t sessionHdl) const {
  const std::lock_guard<std::mutex> guard(FMutex);
  if (sessionHdl <= 0 || static_cast<size_t>(sessionHdl) > FSessions.size()) return nullptr;
  return FSessions[static_cast<size_t>(sessionHdl) - 1].get();
}

TVxbLocalSession* TSessionList::GetLocalSession(int16_t sessionHdl) const {
  return dynamic_cast<TVxbLocalSession*>(GetSession(sessionHdl));
}

void TSessionList::DeleteSession(int16_t sessionHdl) {
  std::unique_ptr<TVxbSession> session;
  {
    const std::lock_guard<std::mutex> guard(FMutex);
    if (sessionHdl <= 0 || static_cast<size_t>(sessionHdl) > FSessions.size()) return;
    session = std::move(FSessions[static_cast<size_t>(sessionHdl) - 1]);
  }
  // Outside the mutex: closing a session may take a while.
  if (session) session->Uninitialize();
}

int32_t TSessionList::Count() const {
  const std::lock_guard<std::mutex> guard(FMutex);
  int32_t count = 0;
  for (const auto& session : FSessions) count += session ? 1 : 0;
  return count;
}

int16_t TSessionList::CreateSession(std::u16string_view location, std::u16string* errorMsg) {
  if (location.find(u'@') != std::u16string_view::npos) {
    return Refuse(errors::vxbErrNotSupported, u"sessions on a database server", errorMsg);
  }
  auto created = std::make_unique<TVxbLocalSession>();
  TVxbLocalSession& session = *created;
  const int16_t sessionHdl = AddSession(std::move(created));
  if (sessionHdl < 0) return Refuse(errors::vxbErrCapacity, u"100 sessions", errorMsg);
  if (const int16_t result = session.Initialize(sessionHdl); result < 0) {
    if (errorMsg != nullptr && session.Services() != nullptr) *errorMsg = session.Services()->LastErrorMsg();
    DeleteSession(sessionHdl);
    return result;
  }
  session.Catalog()->SetLocation(location);
  return sessionHdl;
}

}  // namespace vexilo::api
