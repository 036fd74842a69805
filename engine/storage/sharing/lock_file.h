// TVxbLockFile: one session's view of a shared table's lock file, through
// which separate processes that open the same table co-ordinate: a
// read/upgrade/write lock on the whole table, one record edit lock per
// session, the table's change counter and index count, and per-session
// liveness. It also owns the session's handle on the table's move file
// (move_file.h).
//
// Lock file layout (little-endian). Header, 30 bytes:
//
//   offset size  meaning
//   0      4     tag: bytes 55 CF 4B 83
//   4      2     version: 7
//   6      8     ChangeCount (int64): incremented whenever an upgrade or
//                write lock is given up
//   14     2     IndexCount (int16): indexes the table has
//   16     2     ReadLocks (int16): sessions holding a read lock
//   18     2     UpgradeLocks (int16): 0 or 1
//   20     2     WriteLocks (int16): 0 or 1
//   22     2     LockWaiters (int16): sessions waiting for a table lock
//   24     2     WriteWaiters (int16): those among them waiting to write
//   26     2     ItemCount (int16): number of session slots
//   28     2     SessionCount (int16): live sessions
//
// Session slot i, 56 bytes at 30 + 56 * i:
//
//   offset size  meaning
//   0      8     Id (int64): station number in the low 32 bits, 0 in the high
//                32 bits; 0 marks a free slot
//   8      41    Name: length byte and up to 40 ANSI (code page 1252) bytes
//   49     1     TableLock: 0 none, 1 read, 2 upgrade, 3 write
//   50     1     DesiredLock: the lock the session waits for, 0 when none
//   51     4     EditRecNo (int32): the record the session edits, 0 when none
//   55     1     VitalSign: written 255 at log-in; its live owner keeps this
//                byte locked, so an unlocked byte means the session is dead
//
// Slots are read and written as their first 55 bytes, except at log-in.
//
// Protocol. Every read-modify-write of the header or a slot happens inside
// the lock-file mutex (the functions that read or write them check that it
// is entered): an exclusive byte-range lock on bytes 0-3, retried
// after a 2-6 ms wait for as long as it takes (never blocking in the
// operating system). Entering nests within one object. A session found dead
// (slot in use, vital-sign byte not locked) is cleared by the next sweep of
// any session, the counts are rebuilt from the live slots, and OnHijack is
// called once the mutex has been left, so the table can roll back the dead
// session's transaction.
//
// Errors raise EVxbEngine: 107 for a session without station number, 115
// when the lock file cannot be created, 106 for other stream failures at
// log-in, 185 for a foreign tag or version, 109 when the slots hold an
// impossible lock combination, 52 for an invalid record move; a failing
// write of the lock or move file raises EVxbEngine 3, a failing byte-range
// lock the fs stream error. Refused locks are reported by results.
//
// An object is one session's and is used by one thread at a time (the
// table's critical section serialises its users). Copying is disabled.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/sharing/lock_types.h"
#include "fs/file_system.h"

namespace vexilo::fs {
class TvwFileSystemStream;
}

namespace vexilo::storage {

class TVxbMoveFile;

// The lock file's header as last read.
struct TVxbTableLockData {
  uint8_t Tag[4] = {0, 0, 0, 0};
  int16_t Version = 0;
  int64_t ChangeCount = 0;
  int16_t IndexCount = 0;
  int16_t ReadLocks = 0;
  int16_t UpgradeLocks = 0;
  int16_t WriteLocks = 0;
  int16_t LockWaiters = 0;
  int16_t WriteWaiters = 0;
  int16_t ItemCount = 0;
  int16_t SessionCount = 0;
};

// One session slot of the lock file.
struct TVxbSessionLockData {
  int64_t Id = 0;
  std::string Name;  // ANSI bytes, at most 40
  uint8_t TableLock = tltNone;
  uint8_t DesiredLock = tltNone;
  int32_t EditRecNo = 0;
  uint8_t VitalSign = 0;
};

inline constexpr uint8_t kLockFileTag[4] = {0x55, 0xCF, 0x4B, 0x83};
inline constexpr int16_t kLockFileVersion = 7;
inline constexpr int32_t kLockHeaderSize = 30;
inline constexpr int32_t kLockSlotSize = 56;
inline constexpr int32_t kLockSlotStoredSize = 55;
inline constexpr int32_t kLockSlotNameSize = 40;

// The header (kLockHeaderSize bytes) and a session slot (kLockSlotStoredSize
// bytes, or kLockSlotSize with the vital-sign byte when `withVitalSign`)
// decoded from the lock file's bytes; a negative item count reads as 0.
TVxbTableLockData DecodeLockHeader(const uint8_t* bytes);
TVxbSessionLockData DecodeLockSlot(const uint8_t* bytes, bool withVitalSign);

// The lock, move and redo file names of a table: `baseName` is the table's
// directory (with its separator) and name, without extension. Relation
// tables use .rnt/.rmv/.rtr, level 6 .vxbl/.vxbv/.vxbr, other levels
// .net/.mov/.tra.
std::u16string LockFileName(std::u16string_view baseName, int16_t tableLevel, bool isRelTable);
std::u16string MoveFileName(std::u16string_view baseName, int16_t tableLevel, bool isRelTable);
std::u16string RedoLogName(std::u16string_view baseName, int16_t tableLevel, bool isRelTable);

class TVxbLockFile {
 public:
  // A session (station number `sessionId`, name `sessionName`) not yet logged
  // in. `clock` (not owned, must outlive the object) defaults to the real
  // one; `tableLockAttempts` is the waiting limit of LockTable.
  TVxbLockFile(fs::TvwFileSystem& fileSystem, uint32_t sessionId, std::u16string sessionName,
               TVxbLockClock* clock = nullptr, int32_t tableLockAttempts = kTableLockAttempts);
  // Logs out when still logged in; never throws.
  ~TVxbLockFile();
  TVxbLockFile(const TVxbLockFile&) = delete;
  TVxbLockFile& operator=(const TVxbLockFile&) = delete;

  // Joins the table `baseName` (directory and name without extension):
  // opens or creates the lock file, takes a slot, keeps the vital sign
  // locked and opens the move file. Raises EVxbEngine 107, 115, 106 or 185;
  // the object is then not logged in.
  void LogIn(std::u16string_view baseName, int16_t tableLevel, bool isRelTable);
  // Leaves the table: frees the slot, closes both files and deletes them when
  // no live session remains. Nothing when not logged in.
  void LogOut();
  bool LoggedIn() const { return FSessionDataPos >= 0; }

  // Moves this session's table lock from `fromLock` to `toLock` when the
  // grant rules allow it; unless `immediate`, waits up to the attempt limit.
  bool LockTable(TVxbTableLockType fromLock, TVxbTableLockType toLock, bool immediate);
  // Gives up `fromLock` and takes `toLock` (none, read or upgrade) without a
  // check. Giving up an upgrade or write lock increments the change count.
  void UnlockTable(TVxbTableLockType fromLock, TVxbTableLockType toLock);
  // UnlockTable, but only when some session waits for a table lock; true
  // when it released.
  bool UnlockTableIfRequired(TVxbTableLockType fromLock, TVxbTableLockType toLock);
  // True when this is the only live session; the mutex then stays entered
  // (blocking every other session's lock-file work) until UnlockExclusive.
  bool LockExclusive();
  void UnlockExclusive();

  // Takes the edit lock on `recordNo` (a session holds at most one). False
  // when another session edits it or holds the write lock.
  bool LockRecord(int32_t recordNo);
  void UnlockRecord(int32_t recordNo);
  // Moves every session's edit lock on `fromRecNo` to `toRecNo` (a deletion
  // moved the record).
  void SwitchRecordLock(int32_t fromRecNo, int32_t toRecNo);
  // The record this session holds the edit lock on, 0 when none.
  int32_t GetLockedRecord() const { return FSessionLockData.EditRecNo; }

  // Appends "the record at `fromRecNo` moved to `toRecNo`"; this session will
  // not read its own entry back.
  void AddRecordMove(int32_t fromRecNo, int32_t toRecNo);
  // The next move appended by another session since the last read; false at
  // the end. Raises EVxbEngine 52 for an entry with a number below 1.
  bool ReadRecordMove(int32_t& fromRecNo, int32_t& toRecNo);

  // Reads the header again; true when the table's change count is higher
  // than the one this session knows.
  bool CheckUpdate();
  void WriteIndexCount(int16_t indexCount);
  // The number of sessions waiting for a table lock, read now.
  int16_t ReadLockWaiters();
  // The number of live sessions, read now.
  int16_t ReadSessionCount();
  // The header and every slot, read now.
  void GetLockInfo(TVxbTableUsage& tableUsage);

  uint32_t SessionId() const { return FSessionId; }
  const std::u16string& SessionName() const { return FSessionName; }
  int64_t SessionChangeCount() const { return FChangeCount; }
  // Called by the table after it refreshed to the change count it saw.
  void SetSessionChangeCount(int64_t value) { FChangeCount = value; }
  // Values of the header as last read.
  int64_t TableChangeCount() const { return FTableLockData.ChangeCount; }
  int32_t TableRecordCount() const { return 0; }
  int16_t TableIndexCount() const { return FTableLockData.IndexCount; }
  int16_t SessionCount() const { return FTableLockData.SessionCount; }
  TVxbTableLockType TableLock() const { return FTableLock; }
  const TVxbTableLockData& TableLockData() const { return FTableLockData; }

  // Called at the end of LogIn, outside the mutex, so the table can look for
  // a redo log left behind by a dead session.
  const std::function<void()>& OnCheckRollback() const { return FOnCheckRollback; }
  void SetOnCheckRollback(std::function<void()> handler) { FOnCheckRollback = std::move(handler); }
  // Called after a sweep reclaimed slots of dead sessions, once the mutex has
  // been left.
  const std::function<void()>& OnHijack() const { return FOnHijack; }
  void SetOnHijack(std::function<void()> handler) { FOnHijack = std::move(handler); }
  // When set, only LogIn and RunPendingHijack call OnHijack, so a caller can
  // run it once its own state is consistent again.
  void SetDeferHijack(bool value) { FDeferHijack = value; }
  // Calls OnHijack when a sweep reclaimed slots since the last call and the
  // mutex is not entered.
  void RunPendingHijack();

 private:
  class TMutexGuard;

  void OpenOrCreateLockFile(const std::u16string& fileName);
  // Enters the lock-file mutex (nesting) and reads the header and the own
  // slot; Leave gives one level back.
  void Enter();
  void Leave();
  // Whether this object has entered the lock-file mutex.
  bool InMutex() const { return FEntered > 0; }

  // Everything below reads or writes the header or slots as one step of a
  // read-modify-write, or decides on what it read. REQUIRES: the mutex is
  // entered (InMutex()); checked.
  void ReadHeader();
  void WriteHeader();
  TVxbSessionLockData ReadSlot(int32_t slot);
  void WriteSlot(int32_t slot, const TVxbSessionLockData& data, bool withVitalSign = false);
  void WriteOwnSlot() { WriteSlot(FSessionDataPos, FSessionLockData); }
  // Clears the slots of dead sessions and rebuilds the header's counts.
  bool Sweep();
  bool TryTableLock(TVxbTableLockType fromLock, TVxbTableLockType toLock);
  void GiveUp(TVxbTableLockType lock);
  bool TryRecordLock(int32_t recordNo);
  void SetWaiting(TVxbTableLockType desired);

  void CloseFiles() noexcept;

  fs::TvwFileSystem& FFileSystem;
  uint32_t FSessionId;
  std::u16string FSessionName;
  std::unique_ptr<fs::TvwFileSystemStream> FNetFile;
  std::unique_ptr<TVxbMoveFile> FMovFile;
  int64_t FChangeCount = 0;
  TVxbTableLockData FTableLockData;
  TVxbTableLockType FTableLock = tltNone;
  int32_t FSessionDataPos = -1;
  TVxbSessionLockData FSessionLockData;
  // Levels of the lock-file mutex entered; the byte-range lock is held
  // while above 0.
  int32_t FEntered = 0;
  std::function<void()> FOnCheckRollback;
  std::function<void()> FOnHijack;

  TVxbLockClock& FClock;
  int32_t FTableLockAttempts;
  std::u16string FLockFileName;
  std::u16string FMoveFileName;
  bool FHijackPending = false;
  bool FDeferHijack = false;
  bool FExclusive = false;
};

}  // namespace vexilo::storage
