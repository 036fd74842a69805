// The vocabulary shared by the lock file, the redo log and the table-side
// lock state: table lock levels, redo-log action kinds, the lock usage report
// of a table, the waiting constants, and the one seam through which waiting
// sleeps, draws random numbers and reads the clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexilo::storage {

// The table lock a session holds in a lock file; the numbers are stored in
// the session slots.
enum TVxbTableLockType : uint8_t {
  tltNone = 0,
  tltRead = 1,
  tltUpgrade = 2,
  tltWrite = 3,
};

// Kinds of redo-log entries; the numbers are stored in the log.
enum TVxbTableActionKind : uint8_t {
  takInsert = 0,
  takUpdate = 1,
  takDelete = 2,
  takBlob = 3,
  takWideMemo = 4,
};

// Transaction isolation of a session: none outside a transaction.
enum class TVxbIsolationLevel : uint8_t {
  None,
  DirtyRead,
  ReadCommitted,
  RepeatableRead,
};

// One session slot of a lock file as reported by GetLockInfo.
struct TVxbSessionUsage {
  std::u16string Name;
  uint32_t StationNo = 0;
  bool InUse = false;
  int8_t Lock = 0;  // 1 read, 2 upgrade, -1 write, 0 none
  int32_t EditRecNo = 0;
};

// Who uses a shared table and how: the lock file's counts and its slots.
struct TVxbTableUsage {
  int32_t ItemCount = 0;
  int32_t UserCount = 0;  // live sessions
  int32_t ReadCount = 0;
  int32_t UpgradeCount = 0;
  int32_t WriteCount = 0;
  int32_t WaitCount = 0;
  int32_t WaitWriteCount = 0;
  int64_t UpdateCount = 0;  // the table's change count
  std::vector<TVxbSessionUsage> Sessions;  // one per slot, ItemCount entries
};

// Waiting constants of the lock protocol, in milliseconds and attempts.
inline constexpr int32_t kLockWaitStep = 5;
inline constexpr int32_t kTableLockAttempts = 20000 / kLockWaitStep;  // 4000
inline constexpr int32_t kLazyUnlockDelay = 10;
inline constexpr int32_t kImmediateUnlockChance = 3000;  // one lock end in this many

// How waiting passes time. The default sleeps for real, draws from a
// process-wide random generator and reads a monotonic millisecond clock;
// tests may pass their own. Implementations must be safe to call from any
// thread.
class TVxbLockClock {
 public:
  virtual ~TVxbLockClock() = default;
  virtual void Sleep(int32_t milliseconds);
  // A random number from 0 to `below` - 1 (`below` > 0).
  virtual int32_t Random(int32_t below);
  // Milliseconds of a monotonic clock.
  virtual int64_t Ticks();
  // One wait of the lock protocol: a random 2 to 6 ms sleep.
  void Wait() { Sleep(Random(kLockWaitStep) + 2); }

  // The shared default clock.
  static TVxbLockClock& Default();
};

}  // namespace vexilo::storage
