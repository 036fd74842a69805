// Reading a shared table's lock file from outside: who has the table open
// and which table and record locks they hold, for vxbtool locks. The reader
// does not join the table (it takes no session slot and changes no byte of
// the file). For a consistent picture it enters the lock file's mutex
// (bytes 0-3) for the moment of reading, as every user of the file does;
// while it holds the mutex no session can log in or out, so probing a
// session's vital-sign byte (a momentary lock, given back at once) cannot
// meet a session taking its slot. A session with exclusive access keeps the
// mutex for as long as it has it; the file is then read without the mutex.
//
// The file's layout is lock_file.h's: a 30-byte header (tag 55 CF 4B 83,
// version 7, change count, index count, lock and waiter counts, slot count,
// live session count) and 56-byte session slots (id, name, table lock,
// desired lock, edited record, vital sign).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/storage/sharing/lock_file.h"

namespace vexilo::tools {

// One session slot as found.
struct TLockSlotReport {
  storage::TVxbSessionLockData Data;
  // The slot is taken (its id is not 0).
  bool InUse = false;
  // A taken slot's owner still runs (its vital-sign byte is locked); unknown
  // when the file could not be probed.
  std::optional<bool> Alive;
};

struct TLockFileReport {
  std::filesystem::path FileName;
  storage::TVxbTableLockData Header;
  std::vector<TLockSlotReport> Slots;
  // The mutex could not be entered (a session holds the table exclusively)
  // and the file was read without it.
  bool ReadWithoutMutex = false;
};

// The lock file of the table file `tableFile` (a .vxbt, .dat or .rel file).
std::filesystem::path LockFileOf(const std::filesystem::path& tableFile);

// Reads the lock file `fileName`; none when it does not exist. Raises
// EVxbEngine 185 for a file of another tag or version, fs errors when it
// cannot be read.
std::optional<TLockFileReport> ReadLockFileReport(const std::filesystem::path& fileName);

}  // namespace vexilo::tools
