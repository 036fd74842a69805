// TVxbTableLockGuard: one lock of a table's lock state (table_locks.h) — a
// read, upgrade, write or exclusive lock — held by an object for a scope.
// The guard asks for the lock when it is made and gives it back when it
// goes, on every path, exceptions included.
//
// It gives back only what it was granted: the begin operation's result is
// kept (0, or the negated engine error the lock state recorded as the
// session's last error), and a refused guard holds nothing. The usual shape:
//
//   const TVxbTableLockGuard lock = TVxbTableLockGuard::Write(FLocks);
//   if (!lock) return lock.Result();
//
// The end operations report their failures through the lock state (a flush
// failure is kept for the next BeginWrite); should one raise all the same,
// the exception goes on to the guard's owner as it would from a hand-written
// end call — except while the scope is left by another exception, which
// then wins and the end's own is dropped.
//
// Moving hands the lock on to another guard (the one moved from then holds
// nothing); copying is disabled. A guard is used by the thread that made it,
// like the lock state's begin and end operations themselves.
#pragma once

#include <cstdint>
#include <exception>

namespace vexilo::storage {

class TVxbTableLocks;

enum class TVxbTableLockKind : uint8_t { Read, Upgrade, Write, Exclusive };

class TVxbTableLockGuard {
 public:
  // Holds nothing (a place for a lock taken later by moving one in).
  TVxbTableLockGuard() = default;
  // The lock of `kind` from `locks` (not owned, must outlive the guard).
  // `wait` false refuses at once what is not granted at once; an exclusive
  // lock never waits.
  TVxbTableLockGuard(TVxbTableLocks& locks, TVxbTableLockKind kind, bool wait = true);
  static TVxbTableLockGuard Read(TVxbTableLocks& locks, bool wait = true) {
    return {locks, TVxbTableLockKind::Read, wait};
  }
  static TVxbTableLockGuard Upgrade(TVxbTableLocks& locks, bool wait = true) {
    return {locks, TVxbTableLockKind::Upgrade, wait};
  }
  static TVxbTableLockGuard Write(TVxbTableLocks& locks, bool wait = true) {
    return {locks, TVxbTableLockKind::Write, wait};
  }
  static TVxbTableLockGuard Exclusive(TVxbTableLocks& locks) { return {locks, TVxbTableLockKind::Exclusive}; }

  // Gives the lock back when it holds one.
  ~TVxbTableLockGuard() noexcept(false);
  TVxbTableLockGuard(const TVxbTableLockGuard&) = delete;
  TVxbTableLockGuard& operator=(const TVxbTableLockGuard&) = delete;
  TVxbTableLockGuard(TVxbTableLockGuard&& other) noexcept;
  // Gives back what this guard holds, then takes over `other`'s lock.
  TVxbTableLockGuard& operator=(TVxbTableLockGuard&& other);

  // The begin operation's result: 0 when granted, else the negated error
  // (0 as well for a guard that never asked).
  int16_t Result() const { return FResult; }
  // Whether the guard holds its lock now.
  bool Held() const { return FLocks != nullptr; }
  explicit operator bool() const { return Held(); }
  TVxbTableLockKind Kind() const { return FKind; }

  // Gives the lock back before the scope ends; nothing when none is held.
  void Release();

 private:
  // Null when nothing is held.
  TVxbTableLocks* FLocks = nullptr;
  TVxbTableLockKind FKind = TVxbTableLockKind::Read;
  int16_t FResult = 0;
  // Exceptions in flight when the guard was made: more of them at its end
  // means the scope is being left by one.
  int FUncaughtAtStart = 0;
};

}  // namespace vexilo::storage
