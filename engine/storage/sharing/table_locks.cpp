#include "engine/storage/sharing/table_locks.h"

#include <algorithm>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/errors/services.h"
#include "engine/storage/sharing/lock_file.h"
#include "fs/fs_errors.h"

namespace vexilo::storage {

using errors::EVxbEngine;
using Guard = std::lock_guard<std::recursive_mutex>;

TVxbTableLocks::TVxbTableLocks(ITableLockOwner& owner, errors::TVxbServices& services, TVxbLockFile* lockFile,
                               bool useEditLocks, TVxbLockClock* clock)
    : FOwner(owner),
      FServices(services),
      FLockFile(lockFile),
      FUseEditLocks(useEditLocks),
      FClock(clock != nullptr ? *clock : TVxbLockClock::Default()) {
  if (FLockFile != nullptr) FLockFile->SetDeferHijack(true);
}

void TVxbTableLocks::SetLockFile(TVxbLockFile* lockFile) {
  Guard guard(FCriticalSection);
  FLockFile = lockFile;
  if (FLockFile != nullptr) FLockFile->SetDeferHijack(true);
  FUnlockAction = tltNone;
  FUnlockActive = false;
}

TVxbTableLockType TVxbTableLocks::CountedLevel() const {
  if (FWriteLocks > 0) return tltWrite;
  if (FUpgradeLocks > 0) return tltUpgrade;
  if (FReadLocks > 0) return tltRead;
  return tltNone;
}

TVxbTableLockType TVxbTableLocks::NeededLevel() const { return std::max(CountedLevel(), FKeptLock); }

bool TVxbTableLocks::HoldsOnlyReadLocks() const {
  return FReadLocks > 0 && FUpgradeLocks == 0 && FWriteLocks == 0 && FKeptLock < tltUpgrade;
}

int16_t TVxbTableLocks::Fail(int16_t code) { return FServices.SetLastError(code, FOwner.TableName()); }

int16_t TVxbTableLocks::Fail(const EVxbEngine& error) { return FServices.SetLastError(error); }

void TVxbTableLocks::ArmLazyRelease() {
  // The time counts only while there is something to give back (CheckUnlock
  // looks at it then alone); ends inside other locks skip the clock. It is
  // set before the flag, which the unlock thread reads first.
  const bool active = FLockFile != nullptr && FUnlockAction > NeededLevel();
  if (active) FUnlockTime = FClock.Ticks();
  FUnlockActive = active;
}

// Runs the table's recovery of dead sessions found by the lock-file calls of
// an operation, once the counters are consistent again.
int16_t TVxbTableLocks::AfterLockFileWork(int16_t result) {
  if (FLockFile == nullptr) return result;
  try {
    FLockFile->RunPendingHijack();
  } catch (const EVxbEngine& error) {
    FServices.SetLastError(error);
  } catch (...) {
    FServices.SetLastError(errors::vxbErrLocking, FOwner.TableName());
  }
  return result;
}

int16_t TVxbTableLocks::BeginRead(bool wait) {
  Guard guard(FCriticalSection);
  return AfterLockFileWork(DoBeginRead(wait));
}

int16_t TVxbTableLocks::DoBeginRead(bool wait) {
  if (FLockFile != nullptr && FExclusiveLocks == 0 && FUnlockAction == tltNone) {
    try {
      if (!FLockFile->LockTable(tltNone, tltRead, !wait)) return Fail(errors::vxbErrTableLocked);
      FUnlockAction = tltRead;
      FOwner.OnLockObtained();
    } catch (const EVxbEngine& error) {
      ArmLazyRelease();
      return Fail(error);
    } catch (const fs::EvwFileSystemError&) {
      ArmLazyRelease();
      return Fail(errors::vxbErrLocking);
    }
  }
  ++FReadLocks;
  FUnlockActive = false;
  return 0;
}

int16_t TVxbTableLocks::BeginUpgrade(bool wait) {
  Guard guard(FCriticalSection);
  return AfterLockFileWork(BeginStrong(tltUpgrade, wait));
}

int16_t TVxbTableLocks::BeginWrite(bool wait) {
  Guard guard(FCriticalSection);
  return AfterLockFileWork(BeginStrong(tltWrite, wait));
}

// Upgrade and write locks: refused out of a read-only section; taken from a
// lazily held lock at once when possible, otherwise asked of the lock file.
int16_t TVxbTableLocks::BeginStrong(TVxbTableLockType lock, bool wait) {
  Guard guard(FCriticalSection);
  if (lock == tltWrite && FWriteError != 0) {
    const int16_t code = FWriteError;
    FWriteError = 0;
    return Fail(code);
  }
  if (HoldsOnlyReadLocks()) return Fail(errors::vxbErrTableLocked);
  try {
    if (FLockFile != nullptr && FExclusiveLocks == 0 && FUnlockAction < lock) {
      if (!wait) return Fail(errors::vxbErrTableLocked);
      bool fromLazyLock = false;
      if (FUnlockAction != tltNone) {
        fromLazyLock = FLockFile->LockTable(FUnlockAction, lock, true);
        if (!fromLazyLock) {
          // Give the lazily held lock back, so a waiting writer can proceed.
          const TVxbTableLockType level = NeededLevel();
          if (level < FUnlockAction) {
            if (FUnlockAction >= tltUpgrade) FOwner.FlushForUnlock();
            FLockFile->UnlockTable(FUnlockAction, level);
            FUnlockAction = level;
          }
        }
      }
      if (fromLazyLock) {
        FUnlockAction = lock;
      } else {
        if (!FLockFile->LockTable(FUnlockAction, lock, false)) {
          ArmLazyRelease();
          return Fail(errors::vxbErrTableLocked);
        }
        FUnlockAction = lock;
        FOwner.OnLockObtained();
      }
    }
    if (lock == tltWrite && FOwner.IsolationLevel() != TVxbIsolationLevel::None) {
      FOwner.OnWriteLockInTransaction();
    }
  } catch (const EVxbEngine& error) {
    ArmLazyRelease();
    return Fail(error);
  } catch (const fs::EvwFileSystemError&) {
    ArmLazyRelease();
    return Fail(errors::vxbErrLocking);
  }
  if (lock == tltWrite) {
    ++FWriteLocks;
  } else {
    ++FUpgradeLocks;
  }
  FUnlockActive = false;
  return 0;
}

int16_t TVxbTableLocks::BeginExclusive() {
  Guard guard(FCriticalSection);
  return AfterLockFileWork(DoBeginExclusive());
}

int16_t TVxbTableLocks::DoBeginExclusive() {
  if (FLockFile != nullptr && FExclusiveLocks == 0) {
    try {
      if (!FLockFile->LockExclusive()) return Fail(errors::vxbErrTableInUse);
    } catch (const EVxbEngine& error) {
      return Fail(error);
    } catch (const fs::EvwFileSystemError&) {
      return Fail(errors::vxbErrLocking);
    }
  }
  ++FExclusiveLocks;
  return 0;
}

void TVxbTableLocks::EndRead() { EndLock(tltRead); }
void TVxbTableLocks::EndUpgrade() { EndLock(tltUpgrade); }
void TVxbTableLocks::EndWrite() { EndLock(tltWrite); }

// During a transaction the last lock of a kind stays: repeatable read keeps
// reading, dirty read keeps a read lock after writing, read committed and
// repeatable read keep the write lock until the transaction ends.
void TVxbTableLocks::KeepForTransaction(TVxbTableLockType lock) {
  const TVxbIsolationLevel level = FOwner.IsolationLevel();
  if (level == TVxbIsolationLevel::None) return;
  TVxbTableLockType kept = tltNone;
  if (lock == tltRead && FReadLocks == 0 && level == TVxbIsolationLevel::RepeatableRead) kept = tltRead;
  if (lock == tltUpgrade && FUpgradeLocks == 0 && level == TVxbIsolationLevel::RepeatableRead) kept = tltRead;
  if (lock == tltWrite && FWriteLocks == 0) {
    kept = level == TVxbIsolationLevel::DirtyRead ? tltRead : tltWrite;
  }
  FKeptLock = std::max(FKeptLock, kept);
}

void TVxbTableLocks::EndLock(TVxbTableLockType lock) {
  Guard guard(FCriticalSection);
  int32_t& counter = lock == tltRead ? FReadLocks : (lock == tltUpgrade ? FUpgradeLocks : FWriteLocks);
  if (counter == 0) return;
  --counter;
  KeepForTransaction(lock);
  ArmLazyRelease();
  if (FLockFile == nullptr) return;
  // A read lock ended inside another lock of the session leaves nothing the
  // lock file could be given back; the release at once, and the pause after
  // it that lets the other sessions in, belong to the ends that can.
  if (lock == tltRead && !FUnlockActive) return;
  if (FClock.Random(kImmediateUnlockChance) != 0) return;

  // Now and then the lock goes back at once, so a busy session cannot keep
  // others out for long.
  try {
    if (lock != tltRead && counter > 0) {
      FOwner.FlushForUnlock();
    } else if (FExclusiveLocks == 0) {
      ReleaseTo(NeededLevel());
    }
  } catch (const EVxbEngine& error) {
    FWriteError = error.Code();
    FServices.SetLastError(error);
  } catch (const fs::EvwFileSystemError&) {
    FWriteError = errors::vxbErrWriteFile;
  }
  FClock.Sleep(kLockWaitStep);
}

// Gives the lock-file lock back down to `level` (none, read or upgrade),
// flushing first when an upgrade or write lock goes.
void TVxbTableLocks::ReleaseTo(TVxbTableLockType level) {
  if (FLockFile == nullptr || FUnlockAction <= level) return;
  if (FUnlockAction >= tltUpgrade) FOwner.FlushForUnlock();
  FLockFile->UnlockTable(FUnlockAction, level);
  FUnlockAction = level;
  FUnlockActive = false;
}

void TVxbTableLocks::EndExclusive() {
  Guard guard(FCriticalSection);
  if (FExclusiveLocks == 0) return;
  if (--FExclusiveLocks > 0) return;
  try {
    FOwner.FlushForUnlock();
  } catch (const EVxbEngine& error) {
    FWriteError = error.Code();
    FServices.SetLastError(error);
  }
  try {
    if (FLockFile != nullptr) FLockFile->UnlockExclusive();
  } catch (...) {
  }
  ArmLazyRelease();
}

void TVxbTableLocks::CheckUnlock(int64_t ticks) {
  if (!FUnlockActive || ticks - FUnlockTime < kLazyUnlockDelay) return;
  std::unique_lock<std::recursive_mutex> lock(FCriticalSection, std::defer_lock);
  for (int attempt = 0; attempt < 3 && !lock.try_lock(); ++attempt) FClock.Sleep(kLockWaitStep);
  if (!lock.owns_lock() || !FUnlockActive || FLockFile == nullptr || FExclusiveLocks > 0) return;

  const TVxbTableLockType level = NeededLevel();
  try {
    if (FUnlockAction >= tltUpgrade && FUnlockAction > level) ReleaseTo(level);
    // A read lock nobody waits for costs nothing to keep.
    if (FUnlockAction == tltRead && level == tltNone && FLockFile->UnlockTableIfRequired(tltRead, tltNone)) {
      FUnlockAction = tltNone;
    }
  } catch (const EVxbEngine& error) {
    FWriteError = error.Code();
    FServices.SetLastError(error);
  } catch (...) {
    FWriteError = errors::vxbErrLocking;
  }
  FUnlockActive = FUnlockAction > NeededLevel();
}

void TVxbTableLocks::EndTransaction() {
  Guard guard(FCriticalSection);
  FKeptLock = tltNone;
  ArmLazyRelease();
}

void TVxbTableLocks::ReleaseAll() {
  Guard guard(FCriticalSection);
  FReadLocks = FUpgradeLocks = FWriteLocks = 0;
  FKeptLock = tltNone;
  if (FLockFile != nullptr) {
    if (FEditLocks > 0 && FUseEditLocks) FLockFile->UnlockRecord(FEditRecNo);
    if (FExclusiveLocks > 0) {
      FOwner.FlushForUnlock();
      FLockFile->UnlockExclusive();
    }
    ReleaseTo(tltNone);
  }
  FEditLocks = 0;
  FEditRecNo = 0;
  FExclusiveLocks = 0;
  FUnlockActive = false;
}

bool TVxbTableLocks::SetUseEditLocks(bool use) {
  Guard guard(FCriticalSection);
  if (FEditLocks > 0 && use != FUseEditLocks) return false;
  FUseEditLocks = use;
  return true;
}

int16_t TVxbTableLocks::CheckEdit(int32_t recordNo, const void* excludedAccessor) {
  Guard guard(FCriticalSection);
  return AfterLockFileWork(DoCheckEdit(recordNo, excludedAccessor));
}

int16_t TVxbTableLocks::DoCheckEdit(int32_t recordNo, const void* excludedAccessor) {
  if (!FUseEditLocks) {
    ++FEditLocks;
    return 0;
  }
  if (FOwner.IsEditedByOtherAccessor(recordNo, excludedAccessor)) return Fail(errors::vxbErrRecordLocked);
  if (FEditLocks > 0) {
    if (FEditRecNo != recordNo) return Fail(errors::vxbErrRecordLocked);
    ++FEditLocks;
    return 0;
  }
  try {
    if (FLockFile != nullptr && !FLockFile->LockRecord(recordNo)) return Fail(errors::vxbErrRecordLocked);
  } catch (const EVxbEngine& error) {
    return Fail(error);
  } catch (const fs::EvwFileSystemError&) {
    return Fail(errors::vxbErrLocking);
  }
  FEditRecNo = recordNo;
  ++FEditLocks;
  return 0;
}

void TVxbTableLocks::EndEdit(int32_t recordNo) {
  Guard guard(FCriticalSection);
  if (FEditLocks == 0 || --FEditLocks > 0) return;
  if (FUseEditLocks && FLockFile != nullptr) {
    try {
      FLockFile->UnlockRecord(recordNo);
    } catch (...) {
      // The slot is cleared at the latest when the session logs out.
    }
  }
  FEditRecNo = 0;
}

void TVxbTableLocks::SwitchEdit(int32_t recNoFrom, int32_t recNoTo) {
  Guard guard(FCriticalSection);
  if (FLockFile != nullptr) FLockFile->SwitchRecordLock(recNoFrom, recNoTo);
  if (FEditLocks > 0 && FEditRecNo == recNoFrom) FEditRecNo = recNoTo;
}

int32_t TVxbTableLocks::NetUsers() {
  Guard guard(FCriticalSection);
  if (FLockFile == nullptr) return 1;
  return FLockFile->ReadSessionCount();
}

int32_t TVxbTableLocks::CountReadLocks() {
  Guard guard(FCriticalSection);
  return FReadLocks;
}

int32_t TVxbTableLocks::CountWriteLocks() {
  Guard guard(FCriticalSection);
  return FWriteLocks + (FKeptLock == tltWrite ? 1 : 0);
}

}  // namespace vexilo::storage
