// TVxbTableLocks: the lock state one table object keeps for its session: how
// many read, upgrade, write, exclusive and edit locks its accessors hold, and
// which table lock it holds in the lock file. Table locks are released
// lazily: ending the last lock only remembers the time, and CheckUnlock
// (called every few milliseconds by the catalog's unlock thread) gives the
// lock-file lock back once 10 ms have passed. During a transaction the last
// lock is kept as the isolation level demands.
//
// What belongs to the table (flushing, refreshing after other sessions'
// changes, the redo log, asking accessors about edits, the isolation level)
// comes through ITableLockOwner. Without a lock file (a table opened
// exclusively or shared read-only) every request succeeds at once.
//
// The begin operations return 0 or a negated engine error number, recorded
// as the session's last error first (104 table locked, 103 in use, 105
// record edited elsewhere, or the error of the lock file or the owner).
//
// Thread safety: every operation runs inside the object's critical section,
// a recursive mutex that the table may also use for its own lock-file work.
// CheckUnlock enters it only by non-blocking attempts.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/storage/sharing/lock_types.h"

namespace vexilo::errors {
class TVxbServices;
class EVxbEngine;
}

namespace vexilo::storage {

class TVxbLockFile;

// What the lock state needs of the table that owns it.
class ITableLockOwner {
 public:
  virtual ~ITableLockOwner() = default;
  // Writes the table's buffered changes before its upgrade or write lock is
  // given back. Raises EVxbEngine on failure.
  virtual void FlushForUnlock() = 0;
  // A lock was just obtained from the lock file (not from one held lazily):
  // compare the change count and index count and refresh when needed.
  // Raises EVxbEngine on failure.
  virtual void OnLockObtained() = 0;
  // BeginWrite succeeded while a transaction runs: create the redo log unless
  // the table already has one (or is temporary). Raises EVxbEngine on failure.
  virtual void OnWriteLockInTransaction() = 0;
  // True when an accessor of this table object other than `excludedAccessor`
  // edits `recordNo`.
  virtual bool IsEditedByOtherAccessor(int32_t recordNo, const void* excludedAccessor) = 0;
  // The session's isolation level; None outside a transaction.
  virtual TVxbIsolationLevel IsolationLevel() const = 0;
  // The table's name for error messages.
  virtual std::u16string TableName() const = 0;
};

class TVxbTableLocks {
 public:
  // Lock state of `owner` (not owned, must outlive the object). `lockFile` is
  // the logged-in lock file, or null for a table that needs none.
  // `useEditLocks` tells whether record edits take lock-file edit locks.
  TVxbTableLocks(ITableLockOwner& owner, errors::TVxbServices& services, TVxbLockFile* lockFile,
                 bool useEditLocks = true, TVxbLockClock* clock = nullptr);
  TVxbTableLocks(const TVxbTableLocks&) = delete;
  TVxbTableLocks& operator=(const TVxbTableLocks&) = delete;

  // Replaces the lock file (null: none), e.g. after the table was reopened.
  // Nothing may be held. The lock file's OnHijack is then run at the end of
  // the begin operations and CheckEdit, when the counters are consistent,
  // instead of inside the lock-file calls.
  void SetLockFile(TVxbLockFile* lockFile);
  TVxbLockFile* LockFile() const { return FLockFile; }

  // Begin operations: 0 or a negated error number. Wait false refuses at
  // once what is not granted at once (104).
  int16_t BeginRead(bool wait);
  int16_t BeginUpgrade(bool wait);
  int16_t BeginWrite(bool wait);
  // 103 while another session has the table open.
  int16_t BeginExclusive();
  int16_t CheckRead() { return BeginRead(false); }
  int16_t CheckUpgrade() { return BeginUpgrade(false); }
  int16_t CheckWrite() { return BeginWrite(false); }
  int16_t WaitRead() { return BeginRead(true); }
  int16_t WaitUpgrade() { return BeginUpgrade(true); }
  int16_t WaitWrite() { return BeginWrite(true); }
  // End operations: the lock-file lock stays until CheckUnlock gives it back
  // (one end in 3000 gives it back at once and pauses; a read end that leaves
  // the lock-file lock needed, inside another lock, never does). EndExclusive
  // flushes on its last level.
  void EndRead();
  void EndUpgrade();
  void EndWrite();
  void EndExclusive();

  // Takes the edit lock on `recordNo` for an accessor: 0, or -105 when
  // another accessor (other than `excludedAccessor`) or session edits it or
  // this table already edits another record.
  int16_t CheckEdit(int32_t recordNo, const void* excludedAccessor);
  // Ends one edit; the last one releases the record lock.
  void EndEdit(int32_t recordNo);
  // A deletion moved the edited record from `recNoFrom` to `recNoTo`.
  void SwitchEdit(int32_t recNoFrom, int32_t recNoTo);

  // Gives the lock-file lock back to what the counters need when it has been
  // held lazily for at least 10 ms since the last end (`ticks`: the clock's
  // milliseconds). Never blocks on the critical section; never throws.
  void CheckUnlock(int64_t ticks);
  // Gives back the locks kept for the transaction that just ended; the
  // lock-file lock is then released lazily.
  void EndTransaction();
  // Gives back every lock-file lock at once (before closing the table);
  // flushes first when an upgrade or write lock is held.
  void ReleaseAll();

  // Number of sessions that have the table open (1 without a lock file).
  int32_t NetUsers();
  // Read locks held by accessors (a read lock kept for a transaction is not
  // counted).
  int32_t CountReadLocks();
  // Write locks held, a write lock kept for a transaction counting as one.
  int32_t CountWriteLocks();

  // Switches record edit locks in the lock file on or off; refused (false,
  // nothing changes) while an edit lock is held, whose release must match
  // how it was taken.
  bool SetUseEditLocks(bool use);
  bool UseEditLocks() const { return FUseEditLocks; }

  // The counters, for the table and for tests.
  int32_t ReadLocks() const { return FReadLocks; }
  int32_t UpgradeLocks() const { return FUpgradeLocks; }
  int32_t WriteLocks() const { return FWriteLocks; }
  int32_t ExclusiveLocks() const { return FExclusiveLocks; }
  int32_t EditLocks() const { return FEditLocks; }
  // The lock currently held in the lock file.
  TVxbTableLockType UnlockAction() const { return FUnlockAction; }
  // The lock kept for the running transaction (none outside one).
  TVxbTableLockType KeptLock() const { return FKeptLock; }
  bool UnlockActive() const { return FUnlockActive; }
  // A flush failure met while giving back a lock lazily; reported (and
  // cleared) by the next BeginWrite.
  int16_t WriteError() const { return FWriteError; }

  // The critical section around the counters and the lock-file calls.
  std::recursive_mutex& CriticalSection() { return FCriticalSection; }

 private:
  TVxbTableLockType CountedLevel() const;
  TVxbTableLockType NeededLevel() const;
  bool HoldsOnlyReadLocks() const;
  int16_t DoBeginRead(bool wait);
  int16_t BeginStrong(TVxbTableLockType lock, bool wait);
  int16_t DoBeginExclusive();
  int16_t DoCheckEdit(int32_t recordNo, const void* excludedAccessor);
  int16_t AfterLockFileWork(int16_t result);
  void EndLock(TVxbTableLockType lock);
  void ReleaseTo(TVxbTableLockType level);
  void ArmLazyRelease();
  void KeepForTransaction(TVxbTableLockType lock);
  int16_t Fail(int16_t code);
  int16_t Fail(const errors::EVxbEngine& error);

  ITableLockOwner& FOwner;
  errors::TVxbServices& FServices;
  TVxbLockFile* FLockFile;
  bool FUseEditLocks;
  TVxbLockClock& FClock;
  std::recursive_mutex FCriticalSection;

  int32_t FReadLocks = 0;
  int32_t FUpgradeLocks = 0;
  int32_t FWriteLocks = 0;
  int32_t FExclusiveLocks = 0;
  int32_t FEditLocks = 0;
  int32_t FEditRecNo = 0;
  TVxbTableLockType FUnlockAction = tltNone;
  TVxbTableLockType FKeptLock = tltNone;
  // Read by CheckUnlock before it tries the critical section.
  std::atomic<bool> FUnlockActive{false};
  std::atomic<int64_t> FUnlockTime{0};
  int16_t FWriteError = 0;
};

}  // namespace vexilo::storage
