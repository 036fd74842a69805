// A table lock held by a guard: taken for the guard's scope and given back
// at its end on every path, handed on by moving, and never given back when
// it was refused.
#include "engine/storage/sharing/table_lock_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "tests/engine/storage/sharing/table_locks_fixture.h"

namespace vexilo::storage::testing {
namespace {

struct KindCase {
  const char* Name;
  TVxbTableLockKind Kind;
  // The lock state's counter of that kind.
  int32_t (TVxbTableLocks::*Counter)() const;
};

const KindCase kKinds[] = {
    {"read", TVxbTableLockKind::Read, &TVxbTableLocks::ReadLocks},
    {"upgrade", TVxbTableLockKind::Upgrade, &TVxbTableLocks::UpgradeLocks},
    {"write", TVxbTableLockKind::Write, &TVxbTableLocks::WriteLocks},
    {"exclusive", TVxbTableLockKind::Exclusive, &TVxbTableLocks::ExclusiveLocks},
};

class TableLockGuardTest : public TableLocksTest {
 protected:
  int32_t Count(const KindCase& c) const { return (Locks.get()->*c.Counter)(); }
};

TEST_F(TableLockGuardTest, EachKindIsHeldForTheScopeAndGivenBackAtItsEnd) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.Name);
    {
      const TVxbTableLockGuard lock(*Locks, c.Kind);
      ASSERT_TRUE(lock.Held());
      EXPECT_EQ(lock.Result(), 0);
      EXPECT_EQ(Count(c), 1);
    }
    EXPECT_EQ(Count(c), 0);
  }
}

TEST_F(TableLockGuardTest, EachKindIsGivenBackWhenAnExceptionLeavesTheScope) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.Name);
    EXPECT_THROW(
        {
          const TVxbTableLockGuard lock(*Locks, c.Kind);
          EXPECT_EQ(Count(c), 1);
          throw std::runtime_error("the guarded work failed");
        },
        std::runtime_error);
    EXPECT_EQ(Count(c), 0);
  }
  // Nothing is held any more: another session may have the table alone once
  // this one lets the lazily held lock go.
  LetLazyReleaseRun();
  EXPECT_EQ(Locks->UnlockAction(), tltNone);
}

TEST_F(TableLockGuardTest, AMovedLockIsGivenBackOnceByItsLastHolder) {
  TVxbTableLockGuard outer;
  EXPECT_FALSE(outer.Held());
  {
    TVxbTableLockGuard inner = TVxbTableLockGuard::Write(*Locks);
    ASSERT_TRUE(inner);
    outer = std::move(inner);
    EXPECT_FALSE(inner.Held());
  }
  EXPECT_EQ(Locks->WriteLocks(), 1) << "the guard moved from gave nothing back";
  EXPECT_EQ(outer.Kind(), TVxbTableLockKind::Write);
  outer.Release();
  EXPECT_EQ(Locks->WriteLocks(), 0);
  outer.Release();
  EXPECT_EQ(Locks->WriteLocks(), 0);
}

TEST_F(TableLockGuardTest, MovingALockIntoAGuardGivesBackTheOneItHeld) {
  TVxbTableLockGuard lock = TVxbTableLockGuard::Read(*Locks);
  ASSERT_TRUE(lock);
  lock = TVxbTableLockGuard::Exclusive(*Locks);
  EXPECT_EQ(Locks->ReadLocks(), 0);
  EXPECT_EQ(Locks->ExclusiveLocks(), 1);
}

TEST_F(TableLockGuardTest, ARefusedLockReportsItsErrorAndGivesNothingBack) {
  // One write lock is held by hand; a flush failure of an immediate release
  // makes the next write request fail.
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  Clock.immediateRelease = true;
  Table.flushError = 3;
  Locks->EndWrite();
  ASSERT_EQ(Locks->WriteError(), 3);
  Table.flushError = 0;
  Clock.immediateRelease = false;
  {
    const TVxbTableLockGuard refused = TVxbTableLockGuard::Write(*Locks);
    EXPECT_FALSE(refused.Held());
    EXPECT_EQ(refused.Result(), -3);
    EXPECT_EQ(Services.LastErrorCode(), 3);
  }
  EXPECT_EQ(Locks->WriteLocks(), 1) << "the write lock held by hand is still held";
  Locks->EndWrite();
}

}  // namespace
}  // namespace vexilo::storage::testing
