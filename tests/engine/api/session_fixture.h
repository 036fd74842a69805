// The fixture of the session and catalog tests: a fresh database directory
// (with the dictionary-shaped table of the base table tests when a test
// creates it), sessions made through the process's session list and deleted
// again when the test ends, and a session of its own for a forked child
// process, which must not share the parent's page cache, file systems or
// threads.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "engine/api/shared_file_systems.h"
#include "tests/engine/storage/base_table_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::api::testing {

using storage::testing::TChannel;
using storage::testing::TChildProcess;

// A session of a child process: its own page cache and file systems.
class TChildSession {
 public:
  explicit TChildSession(const std::string& location, int32_t lockingTimeout = 5000)
      : FFileSystems(FPageManager), FSession(FFileSystems) {
    FSession.Initialize(1);
    FSession.Services()->SetLockingTimeout(lockingTimeout);
    FSession.Catalog()->SetLocation(fs::u16(location));
    FOpened = FSession.OpenDb();
  }
  int16_t Opened() const { return FOpened; }
  TVxbCatalog& Catalog() { return *FSession.Catalog(); }
  TVxbLocalSession& Session() { return FSession; }

 private:
  index::TVxbPageManager FPageManager;
  TVxbSharedFileSystems FFileSystems;
  TVxbLocalSession FSession;
  int16_t FOpened = 0;
};

class SessionFixture : public storage::testing::BaseTableFixture {
 protected:
  ~SessionFixture() override {
    for (const int16_t handle : FHandles) TSessionList::Instance().DeleteSession(handle);
  }

  // A new session on `location` (the test's directory by default), not yet
  // open.
  TVxbLocalSession& NewSession(const std::string& location = {}) {
    const int16_t handle = TSessionList::Instance().CreateSession(fs::u16(location.empty() ? Dir.Path().string() : location));
    EXPECT_GT(handle, 0);
    FHandles.push_back(handle);
    return *TSessionList::Instance().GetLocalSession(handle);
  }
  // A session with the test's directory open.
  TVxbLocalSession& OpenSession(int32_t lockingTimeout = 5000) {
    TVxbLocalSession& session = NewSession();
    session.Services()->SetLockingTimeout(lockingTimeout);
    EXPECT_EQ(session.OpenDb(), 0) << fs::u8(session.Services()->LastErrorMsg());
    return session;
  }
  static std::string LastError(const TVxbLocalSession& session) {
    return fs::u8(session.Services()->LastErrorMsg());
  }

  std::vector<int16_t> FHandles;
};

}  // namespace vexilo::api::testing
