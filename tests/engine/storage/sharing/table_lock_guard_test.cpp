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
  int32_t Count(const KindCase& c) const { return (locks_.get()->*c.Counter)(); }
};

TEST_F(TableLockGuardTest, EachKindIsHeldForTheScopeAndGivenBackAtItsEnd) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.Name);
    {
      const TVxbTableLockGuard lock(*locks_, c.Kind);
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
          const TVxbTableLockGuard lock(*locks_, c.Kind);
          EXPECT_EQ(Count(c), 1);
          throw std::runtime_error("the guarded work failed");
        },
        std::runtime_error);
    EXPECT_EQ(Count(c), 0);
  }
  // Nothing is held any more: another session may have the table alone once
  // this one lets the lazily held lock go.
  LetLazyReleaseRun();
  EXPECT_EQ(locks_->UnlockAction(), tltNone);
}

TEST_F(TableLockGuardTest, AMovedLockIsGivenBackOnceByItsLastHolder) {
  TVxbTableLockGuard outer;
  EXPECT_FALSE(outer.Held());
  {
    TVxbTableLockGuard inner = TVxbTableLockGuard::Write(*locks_);
    ASSERT_TRUE(inner);
    outer = std::move(inner);
    EXPECT_FALSE(inner.Held());
  }
  EXPECT_EQ(locks_->WriteLocks(), 1) << "the guard moved from gave nothing back";
  EXPECT_EQ(outer.Kind(), TVxbTableLockKind::Write);
  outer.Release();
  EXPECT_EQ(locks_->WriteLocks(), 0);
  outer.Release();
  EXPECT_EQ(locks_->WriteLocks(), 0);
}

TEST_F(TableLockGuardTest, MovingALockIntoAGuardGivesBackTheOneItHeld) {
  TVxbTableLockGuard lock = TVxbTableLockGuard::Read(*locks_);
  ASSERT_TRUE(lock);
  lock = TVxbTableLockGuard::Exclusive(*locks_);
  EXPECT_EQ(locks_->ReadLocks(), 0);
  EXPECT_EQ(locks_->ExclusiveLocks(), 1);
}

TEST_F(TableLockGuardTest, ARefusedLockReportsItsErrorAndGivesNothingBack) {
  // One write lock is held by hand; a flush failure of an immediate release
  // makes the next write request fail.
  ASSERT_EQ(locks_->BeginWrite(true), 0);
  ASSERT_EQ(locks_->BeginWrite(true), 0);
  clock_.immediateRelease = true;
  table_.flushError = 3;
  locks_->EndWrite();
  ASSERT_EQ(locks_->WriteError(), 3);
  table_.flushError = 0;
  clock_.immediateRelease = false;
  {
    const TVxbTableLockGuard refused = TVxbTableLockGuard::Write(*locks_);
    EXPECT_FALSE(refused.Held());
    EXPECT_EQ(refused.Result(), -3);
    EXPECT_EQ(services_.LastErrorCode(), 3);
  }
  EXPECT_EQ(locks_->WriteLocks(), 1) << "the write lock held by hand is still held";
  locks_->EndWrite();
}

}  // namespace
}  // namespace vexilo::storage::testing
