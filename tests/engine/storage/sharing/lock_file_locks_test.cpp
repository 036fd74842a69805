// Table locks, record edit locks, change detection, record moves and
// exclusive access through the lock file, between sessions of separate
// processes and, for the plain grant rules, between two sessions of one
// process (each has its own handle, so the operating system keeps them apart
// just the same).
#include <gtest/gtest.h>

#include <chrono>

#include "engine/errors/engine_exception.h"

#include "tests/engine/storage/sharing/lock_fixture.h"

namespace vexilo::storage::testing {
namespace {

TEST_F(LockFileTest, TableLocksAreGrantedByTheRules) {
  struct Case {
    const char* name;
    TVxbTableLockType otherHolds;  // the other session's lock
    TVxbTableLockType from;        // what this session holds
    TVxbTableLockType to;
    bool granted;
  };
  const Case cases[] = {
      {"read beside read", tltRead, tltNone, tltRead, true},
      {"read beside upgrade", tltUpgrade, tltNone, tltRead, true},
      {"read beside write", tltWrite, tltNone, tltRead, false},
      {"upgrade beside read", tltRead, tltNone, tltUpgrade, true},
      {"upgrade from own read beside read", tltRead, tltRead, tltUpgrade, true},
      {"upgrade beside upgrade", tltUpgrade, tltNone, tltUpgrade, false},
      {"upgrade beside write", tltWrite, tltNone, tltUpgrade, false},
      {"write alone", tltNone, tltNone, tltWrite, true},
      {"write from own read alone", tltNone, tltRead, tltWrite, true},
      {"write from own upgrade alone", tltNone, tltUpgrade, tltWrite, true},
      {"write beside read", tltRead, tltNone, tltWrite, false},
      {"write from own read beside read", tltRead, tltRead, tltWrite, false},
      {"write from own upgrade beside read", tltRead, tltUpgrade, tltWrite, false},
      {"write beside upgrade", tltUpgrade, tltNone, tltWrite, false},
      {"write beside write", tltWrite, tltNone, tltWrite, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto other = LogIn(1);
    auto self = LogIn(2);
    if (c.from != tltNone) {
      ASSERT_TRUE(self->LockTable(tltNone, c.from, true));
    }
    if (c.otherHolds != tltNone) {
      ASSERT_TRUE(other->LockTable(tltNone, c.otherHolds, true));
    }
    EXPECT_EQ(self->LockTable(c.from, c.to, true), c.granted);
    EXPECT_EQ(self->TableLock(), c.granted ? c.to : c.from);
    const TVxbTableUsage usage = Usage(*self);
    const auto held = [&](TVxbTableLockType lock) {
      return (c.otherHolds == lock ? 1 : 0) + ((c.granted ? c.to : c.from) == lock ? 1 : 0);
    };
    EXPECT_EQ(usage.ReadCount, held(tltRead));
    EXPECT_EQ(usage.UpgradeCount, held(tltUpgrade));
    EXPECT_EQ(usage.WriteCount, held(tltWrite));
    EXPECT_EQ(usage.WaitCount, 0);
  }
}

TEST_F(LockFileTest, GivingUpUpgradeOrWriteCountsAChange) {
  auto session = LogIn(1);
  ASSERT_TRUE(session->LockTable(tltNone, tltRead, true));
  session->UnlockTable(tltRead, tltNone);
  EXPECT_EQ(Header(kRawChangeCount), 0);

  ASSERT_TRUE(session->LockTable(tltNone, tltUpgrade, true));
  ASSERT_TRUE(session->LockTable(tltUpgrade, tltWrite, true));  // gives the upgrade lock up
  session->UnlockTable(tltWrite, tltRead);
  EXPECT_EQ(Header(kRawChangeCount), 2);
  EXPECT_EQ(session->SessionChangeCount(), 2);
  EXPECT_EQ(Header(kRawReadLocks), 1);
  EXPECT_EQ(Header(kRawWriteLocks), 0);
  EXPECT_FALSE(session->CheckUpdate());
}

// A holds a read lock; B waits for a write lock and is counted as a waiting
// writer; C's read request is then refused; when A lets go, B gets its lock.
TEST_F(LockFileTest, ReadersYieldToAWaitingWriter) {
  auto a = LogIn(1, u"A");
  ASSERT_TRUE(a->LockTable(tltNone, tltRead, true));

  TChildProcess b(ChildSession(BaseName(), 2, [](TVxbLockFile& session, const TChannel& channel) {
    channel.Send('w');
    const bool granted = session.LockTable(tltNone, tltWrite, false);
    channel.Send(granted ? 'g' : 'r');
    return channel.Receive() == 'q' ? 0 : 1;
  }));
  ASSERT_EQ(b.Receive(), 'w');
  ASSERT_TRUE(Eventually([&] { return Usage(*a).WaitWriteCount == 1; }));
  const TVxbTableUsage waiting = Usage(*a);
  EXPECT_EQ(waiting.WaitCount, 1);
  EXPECT_EQ(a->ReadLockWaiters(), 1);

  TChildProcess c(ChildSession(BaseName(), 3, [](TVxbLockFile& session, const TChannel&) {
    return session.LockTable(tltNone, tltRead, true) ? 1 : 0;
  }));
  EXPECT_EQ(c.Wait(), 0);

  a->UnlockTable(tltRead, tltNone);
  EXPECT_EQ(b.Receive(), 'g');
  const TVxbTableUsage after = Usage(*a);
  EXPECT_EQ(after.WriteCount, 1);
  EXPECT_EQ(after.WaitCount, 0);
  EXPECT_EQ(after.WaitWriteCount, 0);
  b.Send('q');
  EXPECT_EQ(b.Wait(), 0);
  EXPECT_EQ(Header(kRawWriteLocks), 0);  // cleared by the sweep of B's log-out
}

TEST_F(LockFileTest, UnlockIfRequiredReleasesOnlyForWaitingSessions) {
  auto a = LogIn(1);
  ASSERT_TRUE(a->LockTable(tltNone, tltRead, true));
  EXPECT_FALSE(a->UnlockTableIfRequired(tltRead, tltNone));
  EXPECT_EQ(a->TableLock(), tltRead);

  TChildProcess writer(ChildSession(BaseName(), 2, [](TVxbLockFile& session, const TChannel&) {
    return session.LockTable(tltNone, tltWrite, false) ? 0 : 1;
  }));
  ASSERT_TRUE(Eventually([&] { return a->ReadLockWaiters() == 1; }));
  EXPECT_TRUE(a->UnlockTableIfRequired(tltRead, tltNone));
  EXPECT_EQ(a->TableLock(), tltNone);
  EXPECT_EQ(writer.Wait(), 0);
}

TEST_F(LockFileTest, WaitingRequestGivesUpAfterItsAttempts) {
  auto holder = LogIn(1);
  ASSERT_TRUE(holder->LockTable(tltNone, tltWrite, true));
  auto waiter = LogIn(2, u"", 20);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(waiter->LockTable(tltNone, tltRead, false));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(20 * 2));
  EXPECT_EQ(Header(kRawLockWaiters), 0);
  EXPECT_EQ(Header(kRawWriteWaiters), 0);
  EXPECT_EQ(Usage(*holder).Sessions[1].Lock, 0);
}

TEST_F(LockFileTest, ChangesOfAnotherProcessAreSeen) {
  auto session = LogIn(1);
  EXPECT_FALSE(session->CheckUpdate());
  TChildProcess writer(ChildSession(BaseName(), 2, [](TVxbLockFile& other, const TChannel& channel) {
    if (!other.LockTable(tltNone, tltWrite, true)) return 1;
    other.WriteIndexCount(3);
    other.UnlockTable(tltWrite, tltNone);
    channel.Send('c');
    return channel.Receive() == 'q' ? 0 : 2;
  }));
  ASSERT_EQ(writer.Receive(), 'c');
  EXPECT_TRUE(session->CheckUpdate());
  EXPECT_EQ(session->TableChangeCount(), 1);
  EXPECT_EQ(session->TableIndexCount(), 3);
  session->SetSessionChangeCount(session->TableChangeCount());
  EXPECT_FALSE(session->CheckUpdate());
  writer.Send('q');
  EXPECT_EQ(writer.Wait(), 0);
}

TEST_F(LockFileTest, RecordEditedInAnotherProcessIsRefused) {
  TChildProcess editor(ChildSession(BaseName(), 2, [](TVxbLockFile& other, const TChannel& channel) {
    if (!other.LockRecord(7)) return 1;
    channel.Send('e');
    if (channel.Receive() != 's') return 2;
    other.SwitchRecordLock(7, 3);  // a deletion moved the record
    channel.Send('m');
    if (channel.Receive() != 'u') return 3;
    other.UnlockRecord(3);
    channel.Send('f');
    return channel.Receive() == 'q' ? 0 : 4;
  }));
  auto session = LogIn(1);
  ASSERT_EQ(editor.Receive(), 'e');
  EXPECT_FALSE(session->LockRecord(7));
  EXPECT_TRUE(session->LockRecord(8));
  EXPECT_EQ(session->GetLockedRecord(), 8);
  session->UnlockRecord(8);
  EXPECT_EQ(session->GetLockedRecord(), 0);

  editor.Send('s');
  ASSERT_EQ(editor.Receive(), 'm');
  EXPECT_TRUE(session->LockRecord(7));
  session->UnlockRecord(7);
  EXPECT_FALSE(session->LockRecord(3));

  editor.Send('u');
  ASSERT_EQ(editor.Receive(), 'f');
  EXPECT_TRUE(session->LockRecord(3));
  editor.Send('q');
  EXPECT_EQ(editor.Wait(), 0);
}

TEST_F(LockFileTest, RecordLockWaitsForNoOtherSessionsWriteLock) {
  auto writer = LogIn(1);
  auto editor = LogIn(2);
  ASSERT_TRUE(writer->LockTable(tltNone, tltWrite, true));
  EXPECT_FALSE(editor->LockRecord(5));
  EXPECT_TRUE(writer->LockRecord(5));  // the write lock's holder may edit
}

TEST_F(LockFileTest, RecordMovesReachOtherSessionsButNotTheirAuthor) {
  auto reader = LogIn(1);
  TChildProcess deleter(ChildSession(BaseName(), 2, [](TVxbLockFile& other, const TChannel& channel) {
    other.AddRecordMove(10, 3);
    other.AddRecordMove(9, 4);
    int32_t from = 0, to = 0;
    const bool ownSeen = other.ReadRecordMove(from, to);
    channel.Send('d');
    return ownSeen ? 1 : (channel.Receive() == 'q' ? 0 : 2);
  }));
  ASSERT_EQ(deleter.Receive(), 'd');
  int32_t from = 0, to = 0;
  ASSERT_TRUE(reader->ReadRecordMove(from, to));
  EXPECT_EQ(from, 10);
  EXPECT_EQ(to, 3);
  ASSERT_TRUE(reader->ReadRecordMove(from, to));
  EXPECT_EQ(from, 9);
  EXPECT_EQ(to, 4);
  EXPECT_FALSE(reader->ReadRecordMove(from, to));
  // Stored as "moved to" then "moved from".
  const std::vector<uint8_t> bytes = ReadFileBytes(MovePath());
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(RawNumber(bytes, 0, 4), 3);
  EXPECT_EQ(RawNumber(bytes, 4, 4), 10);
  deleter.Send('q');
  EXPECT_EQ(deleter.Wait(), 0);
}

TEST_F(LockFileTest, OwnMovesAreSkippedEvenAfterUnreadMovesOfOthers) {
  auto a = LogIn(1);
  auto b = LogIn(2);
  b->AddRecordMove(8, 2);
  a->AddRecordMove(7, 1);  // a has not read b's move yet
  int32_t from = 0, to = 0;
  ASSERT_TRUE(a->ReadRecordMove(from, to));
  EXPECT_EQ(from, 8);
  EXPECT_FALSE(a->ReadRecordMove(from, to));
  ASSERT_TRUE(b->ReadRecordMove(from, to));
  EXPECT_EQ(from, 7);
  EXPECT_FALSE(b->ReadRecordMove(from, to));
}

TEST_F(LockFileTest, MovesBeforeLogInAreNotReplayed) {
  auto a = LogIn(1);
  a->AddRecordMove(5, 2);
  auto b = LogIn(2);
  int32_t from = 0, to = 0;
  EXPECT_FALSE(b->ReadRecordMove(from, to));
}

TEST_F(LockFileTest, InvalidRecordMoveIsAnError) {
  auto a = LogIn(1);
  auto b = LogIn(2);
  a->AddRecordMove(0, 2);
  int32_t from = 0, to = 0;
  try {
    b->ReadRecordMove(from, to);
    FAIL() << "an invalid move was accepted";
  } catch (const errors::EVxbEngine& error) {
    EXPECT_EQ(error.Code(), 52);
  }
}

TEST_F(LockFileTest, ExclusiveAccessOnlyForTheOnlySession) {
  auto session = LogIn(1);
  TChildProcess other(ChildSession(BaseName(), 2, [](TVxbLockFile&, const TChannel& channel) {
    channel.Send('i');
    return channel.Receive() == 'q' ? 0 : 1;
  }));
  ASSERT_EQ(other.Receive(), 'i');
  EXPECT_FALSE(session->LockExclusive());
  other.Send('q');
  ASSERT_EQ(other.Wait(), 0);

  ASSERT_TRUE(session->LockExclusive());
  // Its own lock-file work goes on while the mutex is held.
  EXPECT_TRUE(session->LockTable(tltNone, tltWrite, true));
  session->UnlockTable(tltWrite, tltNone);
  session->UnlockExclusive();

  // With the mutex left, another process can log in again.
  TChildProcess later(ChildSession(BaseName(), 3, [](TVxbLockFile&, const TChannel&) { return 0; }));
  EXPECT_EQ(later.Wait(), 0);
}

}  // namespace
}  // namespace vexilo::storage::testing
