// Dead sessions: a process killed while holding locks leaves its slot behind;
// the next sweep of any session clears it, repairs the counts and reports
// the reclaimed slot. Counts that contradict the slots are repaired, and
// impossible lock combinations are reported.
#include <gtest/gtest.h>

#include "engine/errors/engine_exception.h"
#include "tests/engine/storage/sharing/lock_fixture.h"

namespace vexilo::storage::testing {
namespace {

// A child that logs in, takes the write lock and the edit lock on record 5,
// reports, and then waits to be killed.
TChildProcess StartDoomedWriter(const std::u16string& baseName) {
  return TChildProcess(ChildSession(baseName, 66, [](TVxbLockFile& session, const TChannel& channel) {
    if (!session.LockTable(tltNone, tltWrite, true) || !session.LockRecord(5)) return 1;
    channel.Send('h');
    channel.Receive(60000);
    return 0;
  }));
}

TEST_F(LockFileTest, KilledWritersSlotIsClearedByTheNextLogIn) {
  TChildProcess writer = StartDoomedWriter(BaseName());
  ASSERT_EQ(writer.Receive(), 'h');
  EXPECT_EQ(Header(kRawWriteLocks), 1);
  writer.Kill();

  int hijacks = 0;
  TVxbLockFile session(FileSystem, 1, u"Survivor");
  session.SetOnHijack([&] { ++hijacks; });
  session.LogIn(BaseName(), kLevel, false);
  EXPECT_EQ(hijacks, 1);
  const TVxbTableUsage usage = Usage(session);
  EXPECT_EQ(usage.UserCount, 1);
  EXPECT_EQ(usage.WriteCount, 0);
  EXPECT_EQ(usage.ItemCount, 1);  // the dead slot was reused
  EXPECT_EQ(usage.Sessions[0].StationNo, 1u);
  EXPECT_TRUE(session.LockTable(tltNone, tltWrite, true));
  EXPECT_TRUE(session.LockRecord(5));
}

// A session already waiting when the writer dies gets the lock after its
// attempts, by the sweep that follows them.
TEST_F(LockFileTest, WaitingSessionSweepsAKilledWriterAfterItsAttempts) {
  TChildProcess writer = StartDoomedWriter(BaseName());
  ASSERT_EQ(writer.Receive(), 'h');
  int hijacks = 0;
  TVxbLockFile session(FileSystem, 1, u"Waiter", nullptr, 30);
  session.SetOnHijack([&] { ++hijacks; });
  session.LogIn(BaseName(), kLevel, false);
  EXPECT_EQ(hijacks, 0);
  writer.Kill();

  EXPECT_TRUE(session.LockTable(tltNone, tltRead, false));
  EXPECT_EQ(hijacks, 1);
  const TVxbTableUsage usage = Usage(session);
  EXPECT_EQ(usage.UserCount, 1);
  EXPECT_EQ(usage.ReadCount, 1);
  EXPECT_EQ(usage.WriteCount, 0);
  EXPECT_EQ(usage.WaitCount, 0);
  EXPECT_FALSE(usage.Sessions[0].InUse);
}

TEST_F(LockFileTest, RecordLockOfAKilledSessionIsSweptAfterOneRetry) {
  TChildProcess writer = StartDoomedWriter(BaseName());
  ASSERT_EQ(writer.Receive(), 'h');
  int hijacks = 0;
  TVxbLockFile session(FileSystem, 1, u"Editor");
  session.SetOnHijack([&] { ++hijacks; });
  session.LogIn(BaseName(), kLevel, false);
  writer.Kill();
  EXPECT_TRUE(session.LockRecord(5));
  EXPECT_EQ(hijacks, 1);
}

TEST_F(LockFileTest, SweepRebuildsCountsFromTheLiveSlots) {
  auto a = LogIn(1);
  ASSERT_TRUE(a->LockTable(tltNone, tltRead, true));
  // Counts that no slot supports: three readers, a writer, waiters.
  PatchFile(LockPath(), kRawReadLocks, {3, 0, 0, 0, 1, 0, 2, 0, 1, 0});
  PatchFile(LockPath(), kRawSessionCount, {9, 0});
  auto b = LogIn(2);
  EXPECT_EQ(Header(kRawReadLocks), 1);
  EXPECT_EQ(Header(kRawWriteLocks), 0);
  EXPECT_EQ(Header(kRawLockWaiters), 0);
  EXPECT_EQ(Header(kRawWriteWaiters), 0);
  EXPECT_EQ(Header(kRawSessionCount), 2);
}

TEST_F(LockFileTest, SlotsBeyondTheFileAreDropped) {
  auto a = LogIn(1);
  PatchFile(LockPath(), kRawItemCount, {5, 0});  // the file holds one slot
  auto b = LogIn(2);
  EXPECT_EQ(Header(kRawItemCount), 2);
  EXPECT_EQ(LockBytes().size(), 30u + 2 * 56u);
  EXPECT_EQ(Usage(*b).UserCount, 2);
}

TEST_F(LockFileTest, ImpossibleLockCombinationsAreReported) {
  struct Case {
    const char* name;
    uint8_t firstLock;
    uint8_t secondLock;
    const char16_t* detail;
  };
  const Case cases[] = {
      {"read beside write", tltRead, tltWrite, u"net file contains read and write locks"},
      {"two writers", tltWrite, tltWrite, u"net file contains read and write locks"},
      {"upgrade beside write", tltUpgrade, tltWrite, u"net file contains upgrade and write locks"},
      {"two upgrades", tltUpgrade, tltUpgrade, u"net file contains upgrade and write locks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto a = LogIn(1);
    auto b = LogIn(2);
    PatchFile(LockPath(), 30 + 49, {c.firstLock});
    PatchFile(LockPath(), 30 + 56 + 49, {c.secondLock});
    TVxbLockFile third(FileSystem, 3, u"C");
    try {
      third.LogIn(BaseName(), kLevel, false);
      FAIL() << "log-in succeeded";
    } catch (const errors::EVxbEngine& error) {
      EXPECT_EQ(error.Code(), 109);
      EXPECT_NE(error.Message().find(c.detail), std::u16string::npos);
    }
    EXPECT_FALSE(third.LoggedIn());
    // Make the slots consistent again so the sessions can log out.
    PatchFile(LockPath(), 30 + 49, {0});
    PatchFile(LockPath(), 30 + 56 + 49, {0});
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
