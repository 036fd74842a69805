// The fixture of the tests of a table's lock state: a small table stand-in
// as owner that records what the lock state asks of it, a clock the test
// moves, and a lock state over a real lock file in a fresh directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "engine/errors/engine_exception.h"
#include "engine/errors/services.h"
#include "engine/storage/sharing/table_locks.h"
#include "tests/engine/storage/sharing/lock_fixture.h"

namespace vexilo::storage::testing {

// Records what the lock state asks of its table.
class TestTable : public ITableLockOwner {
 public:
  void FlushForUnlock() override {
    ++flushes;
    if (flushError != 0) throw errors::EVxbEngine(flushError, u"Eng_hun");
  }
  void OnLockObtained() override { ++lockChecks; }
  void OnWriteLockInTransaction() override { ++redoLogRequests; }
  bool IsEditedByOtherAccessor(int32_t recordNo, const void* excluded) override {
    return editedByOther.count(recordNo) > 0 && excluded != &editedByOther;
  }
  TVxbIsolationLevel IsolationLevel() const override { return isolation; }
  std::u16string TableName() const override { return u"Eng_hun"; }

  int flushes = 0;
  int lockChecks = 0;
  int redoLogRequests = 0;
  int16_t flushError = 0;
  std::set<int32_t> editedByOther;
  TVxbIsolationLevel isolation = TVxbIsolationLevel::None;
};

// Real sleeps, counted; a clock the test moves; random draws the test chooses (never
// 0 unless asked, so the one-in-3000 release happens only when wanted).
class TestClock : public TVxbLockClock {
 public:
  int32_t Random(int32_t below) override { return immediateRelease ? 0 : (below > 1 ? 1 : 0); }
  int64_t Ticks() override { return now; }
  void Sleep(int32_t milliseconds) override {
    ++sleeps;
    TVxbLockClock::Sleep(milliseconds);
  }
  int64_t now = 1000;
  bool immediateRelease = false;
  int sleeps = 0;
};

class TableLocksTest : public LockFileTest {
 protected:
  void SetUp() override {
    LockFile = LogIn(1, u"Self");
    Locks = std::make_unique<TVxbTableLocks>(Table, Services, LockFile.get(), true, &Clock);
  }
  // Lets more than the lazy-release delay pass and offers the release.
  void LetLazyReleaseRun() {
    Clock.now += kLazyUnlockDelay;
    Locks->CheckUnlock(Clock.now);
  }

  TestTable Table;
  TestClock Clock;
  errors::TVxbServices Services;
  std::unique_ptr<TVxbLockFile> LockFile;
  std::unique_ptr<TVxbTableLocks> Locks;
};

}  // namespace vexilo::storage::testing
