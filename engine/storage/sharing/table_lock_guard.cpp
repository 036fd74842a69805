#include "engine/storage/sharing/table_lock_guard.h"

#include <utility>

#include "engine/storage/sharing/table_locks.h"

namespace vexilo::storage {

TVxbTableLockGuard::TVxbTableLockGuard(TVxbTableLocks& locks, TVxbTableLockKind kind, bool wait)
    : FKind(kind), FUncaughtAtStart(std::uncaught_exceptions()) {
  switch (kind) {
    case TVxbTableLockKind::Read:
      FResult = locks.BeginRead(wait);
      break;
    case TVxbTableLockKind::Upgrade:
      FResult = locks.BeginUpgrade(wait);
      break;
    case TVxbTableLockKind::Write:
      FResult = locks.BeginWrite(wait);
      break;
    case TVxbTableLockKind::Exclusive:
      FResult = locks.BeginExclusive();
      break;
  }
  if (FResult >= 0) FLocks = &locks;
}

TVxbTableLockGuard::TVxbTableLockGuard(TVxbTableLockGuard&& other) noexcept
    : FLocks(std::exchange(other.FLocks, nullptr)),
      FKind(other.FKind),
      FResult(other.FResult),
      FUncaughtAtStart(std::uncaught_exceptions()) {}

TVxbTableLockGuard::~TVxbTableLockGuard() noexcept(false) {
  if (std::uncaught_exceptions() <= FUncaughtAtStart) {
    Release();
    return;
  }
  try {
    Release();
  } catch (...) {
    // The exception leaving the scope is the one to report.
  }
}

TVxbTableLockGuard& TVxbTableLockGuard::operator=(TVxbTableLockGuard&& other) {
  if (this != &other) {
    Release();
    FLocks = std::exchange(other.FLocks, nullptr);
    FKind = other.FKind;
    FResult = other.FResult;
  }
  return *this;
}

void TVxbTableLockGuard::Release() {
  TVxbTableLocks* locks = std::exchange(FLocks, nullptr);
  if (locks == nullptr) return;
  switch (FKind) {
    case TVxbTableLockKind::Read:
      locks->EndRead();
      break;
    case TVxbTableLockKind::Upgrade:
      locks->EndUpgrade();
      break;
    case TVxbTableLockKind::Write:
      locks->EndWrite();
      break;
    case TVxbTableLockKind::Exclusive:
      locks->EndExclusive();
      break;
  }
}

}  // namespace vexilo::storage
