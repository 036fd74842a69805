// The table-side lock state: counted locks over the lock file, lazy release,
// locks kept for a transaction, edit locks and exclusive access, with a
// small table stand-in as owner and real lock files.
#include <gtest/gtest.h>

#include <set>

#include "engine/errors/engine_exception.h"
#include "engine/storage/sharing/table_locks.h"
#include "tests/engine/storage/sharing/table_locks_fixture.h"

namespace vexilo::storage::testing {
namespace {

TEST_F(TableLocksTest, WithoutLockFileEveryRequestSucceeds) {
  TVxbTableLocks local(Table, Services, nullptr, true, &Clock);
  EXPECT_EQ(local.BeginRead(false), 0);
  EXPECT_EQ(local.BeginExclusive(), 0);
  local.EndExclusive();
  local.EndRead();
  EXPECT_EQ(local.BeginWrite(false), 0);
  EXPECT_EQ(local.BeginUpgrade(false), 0);
  EXPECT_EQ(local.CheckEdit(4, nullptr), 0);
  EXPECT_EQ(local.NetUsers(), 1);
  EXPECT_EQ(local.WriteLocks(), 1);
  EXPECT_EQ(local.UnlockAction(), tltNone);
  EXPECT_EQ(Table.lockChecks, 0);
}

TEST_F(TableLocksTest, ReadLockIsTakenOnceAndKeptLazily) {
  ASSERT_EQ(Locks->BeginRead(true), 0);
  ASSERT_EQ(Locks->BeginRead(true), 0);
  EXPECT_EQ(Table.lockChecks, 1);
  EXPECT_EQ(Header(kRawReadLocks), 1);
  Locks->EndRead();
  Locks->EndRead();
  EXPECT_EQ(Locks->UnlockAction(), tltRead);
  EXPECT_TRUE(Locks->UnlockActive());

  // Held lazily: taken again without asking the lock file.
  ASSERT_EQ(Locks->BeginRead(false), 0);
  EXPECT_EQ(Table.lockChecks, 1);
  Locks->EndRead();

  // Nobody waits: a lazily held read lock is kept.
  LetLazyReleaseRun();
  EXPECT_EQ(Locks->UnlockAction(), tltRead);
}

TEST_F(TableLocksTest, LazyReadLockGoesWhenAnotherProcessWaits) {
  ASSERT_EQ(Locks->BeginRead(true), 0);
  Locks->EndRead();
  TChildProcess writer(ChildSession(BaseName(), 2, [](TVxbLockFile& other, const TChannel&) {
    return other.LockTable(tltNone, tltWrite, false) ? 0 : 1;
  }));
  ASSERT_TRUE(Eventually([&] { return LockFile->ReadLockWaiters() == 1; }));
  Clock.now += kLazyUnlockDelay - 1;
  Locks->CheckUnlock(Clock.now);
  EXPECT_EQ(Locks->UnlockAction(), tltRead);  // not yet 10 ms
  LetLazyReleaseRun();
  EXPECT_EQ(Locks->UnlockAction(), tltNone);
  EXPECT_EQ(writer.Wait(), 0);
}

TEST_F(TableLocksTest, LazyWriteLockIsFlushedAndGivenBack) {
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  Locks->EndWrite();
  EXPECT_EQ(Locks->UnlockAction(), tltWrite);
  EXPECT_EQ(Table.flushes, 0);
  LetLazyReleaseRun();
  EXPECT_EQ(Table.flushes, 1);
  EXPECT_EQ(Locks->UnlockAction(), tltNone);
  EXPECT_FALSE(Locks->UnlockActive());
  EXPECT_EQ(Header(kRawWriteLocks), 0);
  EXPECT_EQ(Header(kRawChangeCount), 1);
}

TEST_F(TableLocksTest, UpgradeOrWriteOutOfAReadSectionIsRefusedAtOnce) {
  ASSERT_EQ(Locks->BeginRead(true), 0);
  EXPECT_EQ(Locks->BeginWrite(true), -104);
  EXPECT_EQ(Services.LastErrorCode(), 104);
  EXPECT_EQ(Locks->BeginUpgrade(true), -104);
  EXPECT_EQ(Header(kRawLockWaiters), 0);
  EXPECT_EQ(Locks->UnlockAction(), tltRead);
}

TEST_F(TableLocksTest, LazyReadLockIsUpgradedWithoutChangeCheck) {
  ASSERT_EQ(Locks->BeginRead(true), 0);
  Locks->EndRead();
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  EXPECT_EQ(Table.lockChecks, 1);
  EXPECT_EQ(Locks->UnlockAction(), tltWrite);
  EXPECT_EQ(Header(kRawReadLocks), 0);
  EXPECT_EQ(Header(kRawWriteLocks), 1);
}

TEST_F(TableLocksTest, RequestsWithoutWaitingAreRefusedWhenTheLockFileMustBeAsked) {
  EXPECT_EQ(Locks->CheckWrite(), -104);
  EXPECT_EQ(Locks->CheckUpgrade(), -104);
  auto other = LogIn(2);
  ASSERT_TRUE(other->LockTable(tltNone, tltWrite, true));
  EXPECT_EQ(Locks->CheckRead(), -104);
  EXPECT_EQ(Locks->ReadLocks(), 0);
  other->UnlockTable(tltWrite, tltNone);
  EXPECT_EQ(Locks->CheckRead(), 0);
}

TEST_F(TableLocksTest, WaitingWriteGetsTheLockWhenAnotherProcessLetsGo) {
  TChildProcess reader(ChildSession(BaseName(), 2, [](TVxbLockFile& other, const TChannel& channel) {
    if (!other.LockTable(tltNone, tltRead, true)) return 1;
    channel.Send('r');
    for (int i = 0; i < 5000 && other.ReadLockWaiters() == 0; ++i) usleep(1000);
    other.UnlockTable(tltRead, tltNone);
    return 0;
  }));
  ASSERT_EQ(reader.Receive(), 'r');
  EXPECT_EQ(Locks->WaitWrite(), 0);
  EXPECT_EQ(reader.Wait(), 0);
  EXPECT_EQ(Locks->WriteLocks(), 1);
  EXPECT_EQ(Table.lockChecks, 1);
}

TEST_F(TableLocksTest, TransactionsKeepTheLastLockByIsolationLevel) {
  struct Case {
    const char* name;
    TVxbIsolationLevel isolation;
    TVxbTableLockType lock;
    TVxbTableLockType kept;
  };
  using L = TVxbIsolationLevel;
  const Case cases[] = {
      {"no transaction, write", L::None, tltWrite, tltNone},
      {"read committed, read", L::ReadCommitted, tltRead, tltNone},
      {"repeatable read, read", L::RepeatableRead, tltRead, tltRead},
      {"read committed, upgrade", L::ReadCommitted, tltUpgrade, tltNone},
      {"repeatable read, upgrade", L::RepeatableRead, tltUpgrade, tltRead},
      {"dirty read, write", L::DirtyRead, tltWrite, tltRead},
      {"read committed, write", L::ReadCommitted, tltWrite, tltWrite},
      {"repeatable read, write", L::RepeatableRead, tltWrite, tltWrite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Table.isolation = c.isolation;
    const int requests = Table.redoLogRequests;
    const int16_t begun = c.lock == tltRead ? Locks->WaitRead()
                          : c.lock == tltUpgrade ? Locks->WaitUpgrade() : Locks->WaitWrite();
    ASSERT_EQ(begun, 0);
    EXPECT_EQ(Table.redoLogRequests - requests,
              c.lock == tltWrite && c.isolation != L::None ? 1 : 0);
    if (c.lock == tltRead) Locks->EndRead();
    if (c.lock == tltUpgrade) Locks->EndUpgrade();
    if (c.lock == tltWrite) Locks->EndWrite();
    LetLazyReleaseRun();
    EXPECT_EQ(Locks->KeptLock(), c.kept);
    // A kept read lock is kept; otherwise a read lock nobody waits for may
    // stay lazily, but nothing stronger than the kept lock.
    EXPECT_LE(Locks->UnlockAction(), std::max(c.kept, tltRead));
    EXPECT_GE(Locks->UnlockAction(), c.kept);
    EXPECT_EQ(Locks->CountReadLocks(), 0);
    EXPECT_EQ(Locks->CountWriteLocks(), c.kept == tltWrite ? 1 : 0);

    Table.isolation = L::None;
    Locks->EndTransaction();
    Locks->ReleaseAll();
    EXPECT_EQ(Locks->UnlockAction(), tltNone);
    EXPECT_EQ(Header(kRawReadLocks) + Header(kRawUpgradeLocks) + Header(kRawWriteLocks), 0);
  }
}

TEST_F(TableLocksTest, OneLockEndInThousandsReleasesAtOnce) {
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  Clock.immediateRelease = true;
  Locks->EndWrite();  // another write lock remains: flushed only
  EXPECT_EQ(Table.flushes, 1);
  EXPECT_EQ(Locks->UnlockAction(), tltWrite);
  Locks->EndWrite();
  EXPECT_EQ(Table.flushes, 2);
  EXPECT_EQ(Locks->UnlockAction(), tltNone);
  EXPECT_EQ(Header(kRawWriteLocks), 0);
}

// Read ends with the one-in-thousands draw always won: an end inside
// another lock of the session (a read or an upgrade lock still counted)
// gives nothing back and does not pause; the end of the last lock releases
// at once and pauses once.
TEST_F(TableLocksTest, OnlyReadEndsThatCanGiveTheLockBackReleaseAtOnce) {
  struct Case {
    const char* name;
    bool outerUpgrade;  // the read lock is taken inside an upgrade lock
  };
  for (const Case c : {Case{"inside a read lock", false}, Case{"inside an upgrade lock", true}}) {
    SCOPED_TRACE(c.name);
    Clock.immediateRelease = false;
    ASSERT_EQ(c.outerUpgrade ? Locks->BeginUpgrade(true) : Locks->BeginRead(true), 0);
    ASSERT_EQ(Locks->BeginRead(true), 0);
    const TVxbTableLockType held = c.outerUpgrade ? tltUpgrade : tltRead;
    Clock.immediateRelease = true;
    Clock.sleeps = 0;
    Locks->EndRead();
    EXPECT_EQ(Clock.sleeps, 0);
    EXPECT_EQ(Locks->UnlockAction(), held);
    if (c.outerUpgrade) Locks->EndUpgrade();
    else Locks->EndRead();
    EXPECT_EQ(Clock.sleeps, 1);
    EXPECT_EQ(Locks->UnlockAction(), tltNone);
    EXPECT_EQ(Header(kRawReadLocks) + Header(kRawUpgradeLocks), 0);
  }
}

TEST_F(TableLocksTest, FlushFailureOfALazyReleaseIsReportedByTheNextWrite) {
  ASSERT_EQ(Locks->BeginWrite(true), 0);
  Locks->EndWrite();
  Table.flushError = 3;
  LetLazyReleaseRun();
  EXPECT_EQ(Locks->WriteError(), 3);
  Table.flushError = 0;
  EXPECT_EQ(Locks->BeginWrite(true), -3);
  EXPECT_EQ(Locks->WriteError(), 0);
  EXPECT_EQ(Locks->BeginWrite(true), 0);
}

TEST_F(TableLocksTest, EditLocksAreRefusedWhileSomeoneElseEdits) {
  // Another accessor of the same table edits record 4.
  Table.editedByOther.insert(4);
  EXPECT_EQ(Locks->CheckEdit(4, nullptr), -105);
  EXPECT_EQ(Services.LastErrorCode(), 105);
  EXPECT_EQ(Locks->CheckEdit(4, &Table.editedByOther), 0);  // that accessor excluded
  Locks->EndEdit(4);
  Table.editedByOther.clear();

  // Only one record at a time; nested edits of it are counted.
  ASSERT_EQ(Locks->CheckEdit(6, nullptr), 0);
  EXPECT_EQ(Locks->CheckEdit(7, nullptr), -105);
  ASSERT_EQ(Locks->CheckEdit(6, nullptr), 0);
  EXPECT_EQ(LockFile->GetLockedRecord(), 6);
  Locks->EndEdit(6);
  EXPECT_EQ(LockFile->GetLockedRecord(), 6);
  Locks->EndEdit(6);
  EXPECT_EQ(LockFile->GetLockedRecord(), 0);

  // A record another process edits.
  TChildProcess editor(ChildSession(BaseName(), 2, [](TVxbLockFile& other, const TChannel& channel) {
    if (!other.LockRecord(9)) return 1;
    channel.Send('e');
    return channel.Receive() == 'q' ? 0 : 2;
  }));
  ASSERT_EQ(editor.Receive(), 'e');
  EXPECT_EQ(Locks->CheckEdit(9, nullptr), -105);
  EXPECT_EQ(Locks->EditLocks(), 0);
  editor.Send('q');
  EXPECT_EQ(editor.Wait(), 0);
  EXPECT_EQ(Locks->CheckEdit(9, nullptr), 0);
}

TEST_F(TableLocksTest, SwitchedEditFollowsTheMovedRecord) {
  ASSERT_EQ(Locks->CheckEdit(10, nullptr), 0);
  Locks->SwitchEdit(10, 3);
  EXPECT_EQ(LockFile->GetLockedRecord(), 3);
  EXPECT_EQ(Locks->CheckEdit(3, nullptr), 0);
  Locks->EndEdit(3);
  Locks->EndEdit(3);
  EXPECT_EQ(LockFile->GetLockedRecord(), 0);
}

TEST_F(TableLocksTest, TablesWithoutEditLocksOnlyCount) {
  TVxbTableLocks plain(Table, Services, LockFile.get(), false, &Clock);
  EXPECT_EQ(plain.CheckEdit(1, nullptr), 0);
  EXPECT_EQ(plain.CheckEdit(2, nullptr), 0);
  EXPECT_EQ(plain.EditLocks(), 2);
  EXPECT_EQ(LockFile->GetLockedRecord(), 0);
}

TEST_F(TableLocksTest, ExclusiveUseOnlyWhenNoOtherSessionHasTheTable) {
  auto other = LogIn(2);
  EXPECT_EQ(Locks->NetUsers(), 2);
  EXPECT_EQ(Locks->BeginExclusive(), -103);
  EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun"), std::u16string::npos);
  other->LogOut();

  ASSERT_EQ(Locks->BeginExclusive(), 0);
  ASSERT_EQ(Locks->BeginExclusive(), 0);
  EXPECT_EQ(Locks->BeginWrite(false), 0);  // everything is granted inside
  Locks->EndWrite();
  Locks->EndExclusive();
  EXPECT_EQ(Table.flushes, 0);
  Locks->EndExclusive();
  EXPECT_EQ(Table.flushes, 1);

  // The lock-file mutex was left: another process can log in.
  TChildProcess later(ChildSession(BaseName(), 3, [](TVxbLockFile&, const TChannel&) { return 0; }));
  EXPECT_EQ(later.Wait(), 0);
}


// A session killed while writing is recovered by the table once the lock
// that found it is counted, not in the middle of taking it.
TEST_F(TableLocksTest, DeadSessionIsRecoveredAfterTheLockIsCounted) {
  TChildProcess writer(ChildSession(BaseName(), 66, [](TVxbLockFile& other, const TChannel& channel) {
    if (!other.LockTable(tltNone, tltWrite, true)) return 1;
    channel.Send('h');
    channel.Receive(60000);
    return 0;
  }));
  ASSERT_EQ(writer.Receive(), 'h');
  TVxbLockFile lockFile(FileSystem, 5, u"Reader", nullptr, 30);
  lockFile.LogIn(BaseName(), kLevel, false);
  TVxbTableLocks locks(Table, Services, &lockFile, true, &Clock);
  int readLocksSeen = -1;
  lockFile.SetOnHijack([&] { readLocksSeen = locks.ReadLocks(); });
  writer.Kill();

  EXPECT_EQ(locks.WaitRead(), 0);
  EXPECT_EQ(readLocksSeen, 1);
  EXPECT_EQ(locks.UnlockAction(), tltRead);
  locks.EndRead();
  locks.ReleaseAll();
}

}  // namespace
}  // namespace vexilo::storage::testing
