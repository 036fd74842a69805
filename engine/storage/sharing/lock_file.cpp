#include "engine/storage/sharing/lock_file.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/sharing/move_file.h"
#include "engine/types/code_page.h"
#include "engine/types/memory.h"
#include "fs/contract.h"
#include "fs/file_system_stream.h"
#include "fs/fs_errors.h"
#include "fs/text.h"

namespace vexilo::storage {

using errors::EVxbEngine;
using fs::TvwFileSystemStream;
using types::TvwMemory;

namespace {

constexpr uint32_t kSharedMode = fs::kOpenReadWrite | fs::kShareDenyNone;
constexpr int32_t kOpenAttempts = 200;   // sharing conflicts with a deletion in progress
constexpr int32_t kCreateAttempts = 3;  // another session may create it meanwhile

const types::TVxbCodePage& NameCodePage() {
  static const types::TVxbCodePage codePage(1252);
  return codePage;
}

int64_t SlotPos(int32_t slot) { return kLockHeaderSize + int64_t{kLockSlotSize} * slot; }
int64_t VitalSignPos(int32_t slot) { return SlotPos(slot) + kLockSlotStoredSize; }

int32_t ReadAt(TvwFileSystemStream& stream, int64_t pos, uint8_t* buffer, int32_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count));
  stream.Seek(pos, fs::TvwSeekOrigin::soBeginning);
  return stream.Read(buffer, count);
}

void WriteAt(TvwFileSystemStream& stream, int64_t pos, const uint8_t* buffer, int32_t count) {
  stream.Seek(pos, fs::TvwSeekOrigin::soBeginning);
  if (stream.Write(buffer, count) != count) throw EVxbEngine(errors::vxbErrWriteFile, stream.FileName());
}

std::u16string DirectoryOf(std::u16string_view fileName, char16_t delimiter) {
  const size_t cut = fileName.find_last_of(delimiter == u'/' ? u"/" : u"\\/");
  return cut == std::u16string_view::npos ? std::u16string() : std::u16string(fileName.substr(0, cut + 1));
}

}  // namespace

std::u16string LockFileName(std::u16string_view baseName, int16_t tableLevel, bool isRelTable) {
  return std::u16string(baseName) += index::LockFileExtension(tableLevel, isRelTable);
}

std::u16string MoveFileName(std::u16string_view baseName, int16_t tableLevel, bool isRelTable) {
  return std::u16string(baseName) += index::MoveFileExtension(tableLevel, isRelTable);
}

std::u16string RedoLogName(std::u16string_view baseName, int16_t tableLevel, bool isRelTable) {
  return std::u16string(baseName) += index::RedoLogExtension(tableLevel, isRelTable);
}

// Holds the lock-file mutex for a scope.
class TVxbLockFile::TMutexGuard {
 public:
  explicit TMutexGuard(TVxbLockFile& lockFile) : FLockFile(lockFile) { FLockFile.Enter(); }
  ~TMutexGuard() {
    try {
      FLockFile.Leave();
    } catch (...) {
    }
  }
  TMutexGuard(const TMutexGuard&) = delete;
  TMutexGuard& operator=(const TMutexGuard&) = delete;

 private:
  TVxbLockFile& FLockFile;
};

TVxbLockFile::TVxbLockFile(fs::TvwFileSystem& fileSystem, uint32_t sessionId, std::u16string sessionName,
                           TVxbLockClock* clock, int32_t tableLockAttempts)
    : FFileSystem(fileSystem),
      FSessionId(sessionId),
      FSessionName(std::move(sessionName)),
      FClock(clock != nullptr ? *clock : TVxbLockClock::Default()),
      FTableLockAttempts(tableLockAttempts) {}

TVxbLockFile::~TVxbLockFile() {
  try {
    LogOut();
  } catch (...) {
  }
  CloseFiles();
}

void TVxbLockFile::CloseFiles() noexcept {
  FMovFile.reset();
  FNetFile.reset();
  FEntered = 0;
  FExclusive = false;
  FSessionDataPos = -1;
  FTableLock = tltNone;
}

void TVxbLockFile::OpenOrCreateLockFile(const std::u16string& fileName) {
  int32_t createAttempts = 0;
  for (int32_t attempt = 0;; ++attempt) {
    try {
      FNetFile = std::make_unique<TvwFileSystemStream>(fileName, kSharedMode, FFileSystem);
      return;
    } catch (const fs::EvwFileSystemError& error) {
      if (error.ErrorCode() == fs::kErrorSharingViolation && attempt < kOpenAttempts) {
        FClock.Wait();
        continue;
      }
      // Missing, or its directory is; a file that exists and still cannot be
      // opened fails the next attempts as well.
      if (++createAttempts > kCreateAttempts) {
        throw EVxbEngine(errors::vxbErrLogin, std::initializer_list<fs::FormatArg>{});
      }
    }

    // The file appears under its name only complete with its header: it is
    // written under a name of this session's own and renamed, which never
    // replaces a lock file another session created meanwhile.
    static std::atomic<int32_t> tempCounter{0};
    const std::u16string tempName =
        fileName + u"." + fs::u16(std::to_string(FSessionId)) + u"-" + fs::u16(std::to_string(++tempCounter)) +
        u"-" + fs::u16(std::to_string(FClock.Random(1000000))) + u".tmp";
    try {
      FFileSystem.ForcePath(DirectoryOf(fileName, FFileSystem.GetPathDelimiter()));
      {
        TvwFileSystemStream created(tempName, fs::kStreamCreate, FFileSystem);
        uint8_t header[kLockHeaderSize] = {};
        std::memcpy(header, kLockFileTag, 4);
        TvwMemory::WriteInt16(header, 4, kLockFileVersion);
        WriteAt(created, 0, header, kLockHeaderSize);
      }
    } catch (const std::exception&) {
      FFileSystem.DeleteFile(tempName);
      throw EVxbEngine(errors::vxbErrNoWriteAccess, fileName);
    }
    if (!FFileSystem.RenameFile(tempName, fileName)) FFileSystem.DeleteFile(tempName);
  }
}

void TVxbLockFile::LogIn(std::u16string_view baseName, int16_t tableLevel, bool isRelTable) {
  if (LoggedIn()) return;
  if (FSessionId == 0) throw EVxbEngine(errors::vxbErrInvalidConnection, std::initializer_list<fs::FormatArg>{});
  if (FSessionName.empty()) FSessionName = u"Conn" + fs::u16(std::to_string(FClock.Random(999) + 1));
  FLockFileName = LockFileName(baseName, tableLevel, isRelTable);
  FMoveFileName = MoveFileName(baseName, tableLevel, isRelTable);
  FHijackPending = false;

  try {
    OpenOrCreateLockFile(FLockFileName);
    TMutexGuard guard(*this);
    if (std::memcmp(FTableLockData.Tag, kLockFileTag, 4) != 0 || FTableLockData.Version != kLockFileVersion) {
      throw EVxbEngine(errors::vxbErrInvalidLockFile, FLockFileName);
    }
    Sweep();
    int32_t slot = 0;
    while (slot < FTableLockData.ItemCount && ReadSlot(slot).Id != 0) ++slot;
    if (slot == FTableLockData.ItemCount) ++FTableLockData.ItemCount;

    TVxbSessionLockData own;
    own.Id = static_cast<int64_t>(FSessionId);
    std::string name = NameCodePage().FromWide(FSessionName);
    if (name.size() > static_cast<size_t>(kLockSlotNameSize)) name.resize(kLockSlotNameSize);
    own.Name = std::move(name);
    own.VitalSign = 255;
    WriteSlot(slot, own, true);
    ++FTableLockData.SessionCount;
    WriteHeader();
    if (!FNetFile->LockRange(VitalSignPos(slot), 1, true)) {
      WriteSlot(slot, TVxbSessionLockData{});
      --FTableLockData.SessionCount;
      WriteHeader();
      throw EVxbEngine(errors::vxbErrLogin, std::initializer_list<fs::FormatArg>{});
    }
    FSessionDataPos = slot;
    FSessionLockData = own;
    try {
      FMovFile = std::make_unique<TVxbMoveFile>(FFileSystem, FMoveFileName);
    } catch (const fs::EvwFileSystemError&) {
      FNetFile->UnlockRange(VitalSignPos(slot), 1, true);
      WriteSlot(slot, TVxbSessionLockData{});
      --FTableLockData.SessionCount;
      WriteHeader();
      FSessionDataPos = -1;
      throw EVxbEngine(errors::vxbErrLogin, std::initializer_list<fs::FormatArg>{});
    }
  } catch (const EVxbEngine&) {
    CloseFiles();
    throw;
  } catch (const fs::EvwFileSystemError&) {
    CloseFiles();
    throw EVxbEngine(errors::vxbErrLogin, std::initializer_list<fs::FormatArg>{});
  }
  FTableLock = tltNone;
  FChangeCount = 0;
  RunPendingHijack();
  if (FOnCheckRollback) FOnCheckRollback();
}

void TVxbLockFile::LogOut() {
  if (!LoggedIn()) {
    CloseFiles();
    return;
  }
  bool lastSession = false;
  {
    TMutexGuard guard(*this);
    if (FExclusive) {
      FExclusive = false;
      Leave();  // the level LockExclusive kept; the guard still holds one
    }
    const int32_t slot = FSessionDataPos;
    FNetFile->UnlockRange(VitalSignPos(slot), 1, true);
    WriteSlot(slot, TVxbSessionLockData{});
    FSessionDataPos = -1;
    FSessionLockData = TVxbSessionLockData{};
    FTableLockData.SessionCount = static_cast<int16_t>(std::max(0, FTableLockData.SessionCount - 1));
    WriteHeader();
    Sweep();
    lastSession = FTableLockData.SessionCount == 0;
    FMovFile.reset();
    if (lastSession) FFileSystem.DeleteFile(FMoveFileName);
  }
  FHijackPending = false;
  CloseFiles();
  // Fails, and leaves the file, when another session opened it meanwhile.
  if (lastSession) FFileSystem.DeleteFile(FLockFileName);
}

void TVxbLockFile::Enter() {
  if (FNetFile == nullptr) throw EVxbEngine(errors::vxbErrLocking, std::initializer_list<fs::FormatArg>{});
  if (FEntered == 0) {
    while (!FNetFile->LockRange(0, 4, true)) FClock.Wait();
  }
  ++FEntered;
  try {
    ReadHeader();
    if (FSessionDataPos >= 0) FSessionLockData = ReadSlot(FSessionDataPos);
  } catch (...) {
    Leave();
    throw;
  }
}

void TVxbLockFile::Leave() {
  if (FEntered <= 0) return;
  if (--FEntered == 0) FNetFile->UnlockRange(0, 4, true);
}

TVxbTableLockData DecodeLockHeader(const uint8_t* bytes) {
  TVxbTableLockData h;
  std::memcpy(h.Tag, bytes, 4);
  h.Version = TvwMemory::ReadInt16(bytes, 4);
  h.ChangeCount = TvwMemory::ReadInt64(bytes, 6);
  h.IndexCount = TvwMemory::ReadInt16(bytes, 14);
  h.ReadLocks = TvwMemory::ReadInt16(bytes, 16);
  h.UpgradeLocks = TvwMemory::ReadInt16(bytes, 18);
  h.WriteLocks = TvwMemory::ReadInt16(bytes, 20);
  h.LockWaiters = TvwMemory::ReadInt16(bytes, 22);
  h.WriteWaiters = TvwMemory::ReadInt16(bytes, 24);
  h.ItemCount = std::max<int16_t>(0, TvwMemory::ReadInt16(bytes, 26));
  h.SessionCount = TvwMemory::ReadInt16(bytes, 28);
  return h;
}

TVxbSessionLockData DecodeLockSlot(const uint8_t* bytes, bool withVitalSign) {
  TVxbSessionLockData data;
  data.Id = TvwMemory::ReadInt64(bytes, 0);
  data.Name = TvwMemory::ReadBPAnsiString(bytes, 8, kLockSlotNameSize + 1);
  data.TableLock = bytes[49];
  data.DesiredLock = bytes[50];
  data.EditRecNo = TvwMemory::ReadInt32(bytes, 51);
  if (withVitalSign) data.VitalSign = bytes[55];
  return data;
}

void TVxbLockFile::ReadHeader() {
  VEXILO_REQUIRE(InMutex());
  uint8_t buffer[kLockHeaderSize];
  ReadAt(*FNetFile, 0, buffer, kLockHeaderSize);
  FTableLockData = DecodeLockHeader(buffer);
}

void TVxbLockFile::WriteHeader() {
  VEXILO_REQUIRE(InMutex());
  const TVxbTableLockData& h = FTableLockData;
  uint8_t buffer[kLockHeaderSize];
  std::memcpy(buffer, h.Tag, 4);
  TvwMemory::WriteInt16(buffer, 4, h.Version);
  TvwMemory::WriteInt64(buffer, 6, h.ChangeCount);
  TvwMemory::WriteInt16(buffer, 14, h.IndexCount);
  TvwMemory::WriteInt16(buffer, 16, h.ReadLocks);
  TvwMemory::WriteInt16(buffer, 18, h.UpgradeLocks);
  TvwMemory::WriteInt16(buffer, 20, h.WriteLocks);
  TvwMemory::WriteInt16(buffer, 22, h.LockWaiters);
  TvwMemory::WriteInt16(buffer, 24, h.WriteWaiters);
  TvwMemory::WriteInt16(buffer, 26, h.ItemCount);
  TvwMemory::WriteInt16(buffer, 28, h.SessionCount);
  WriteAt(*FNetFile, 0, buffer, kLockHeaderSize);
}

TVxbSessionLockData TVxbLockFile::ReadSlot(int32_t slot) {
  VEXILO_REQUIRE(InMutex());
  uint8_t buffer[kLockSlotStoredSize];
  ReadAt(*FNetFile, SlotPos(slot), buffer, kLockSlotStoredSize);
  return DecodeLockSlot(buffer, false);
}

void TVxbLockFile::WriteSlot(int32_t slot, const TVxbSessionLockData& data, bool withVitalSign) {
  VEXILO_REQUIRE(InMutex());
  VEXILO_REQUIRE(slot >= 0);
  uint8_t buffer[kLockSlotSize] = {};
  TvwMemory::WriteInt64(buffer, 0, data.Id);
  TvwMemory::WriteBPAnsiString(buffer, 8, data.Name, kLockSlotNameSize);
  buffer[49] = data.TableLock;
  buffer[50] = data.DesiredLock;
  TvwMemory::WriteInt32(buffer, 51, data.EditRecNo);
  buffer[55] = data.VitalSign;
  WriteAt(*FNetFile, SlotPos(slot), buffer, withVitalSign ? kLockSlotSize : kLockSlotStoredSize);
}

bool TVxbLockFile::Sweep() {
  VEXILO_REQUIRE(InMutex());
  TVxbTableLockData& h = FTableLockData;
  bool headerChanged = false;
  const int64_t size = FNetFile->Size();
  const int64_t wholeSlots = size < kLockHeaderSize ? 0 : (size - kLockHeaderSize) / kLockSlotSize;
  if (h.ItemCount > wholeSlots) {
    h.ItemCount = static_cast<int16_t>(wholeSlots);
    FFileSystem.SetFileSize(FNetFile->Handle(), SlotPos(h.ItemCount));
    headerChanged = true;
  }

  bool reclaimed = false;
  int16_t sessions = 0, reads = 0, upgrades = 0, writes = 0, waiters = 0, writeWaiters = 0;
  for (int32_t slot = 0; slot < h.ItemCount; ++slot) {
    const TVxbSessionLockData data = ReadSlot(slot);
    if (data.Id == 0) continue;
    if (slot != FSessionDataPos && !FNetFile->IsRangeLocked(VitalSignPos(slot), 1)) {
      WriteSlot(slot, TVxbSessionLockData{});
      reclaimed = true;
      continue;
    }
    ++sessions;
    if (data.TableLock == tltRead) ++reads;
    if (data.TableLock == tltUpgrade) ++upgrades;
    if (data.TableLock == tltWrite) ++writes;
    if (data.DesiredLock != tltNone) ++waiters;
    if (data.DesiredLock == tltWrite) ++writeWaiters;
  }
  if (upgrades > 1 || (upgrades > 0 && writes > 0)) {
    throw EVxbEngine::CreateMsg(errors::vxbErrNetwork,
                                u"Unknown network error: net file contains upgrade and write locks");
  }
  if (writes > 1 || (writes > 0 && reads > 0)) {
    throw EVxbEngine::CreateMsg(errors::vxbErrNetwork,
                                u"Unknown network error: net file contains read and write locks");
  }
  if (h.SessionCount != sessions || h.ReadLocks != reads || h.UpgradeLocks != upgrades ||
      h.WriteLocks != writes || h.LockWaiters != waiters || h.WriteWaiters != writeWaiters) {
    h.SessionCount = sessions;
    h.ReadLocks = reads;
    h.UpgradeLocks = upgrades;
    h.WriteLocks = writes;
    h.LockWaiters = waiters;
    h.WriteWaiters = writeWaiters;
    headerChanged = true;
  }
  if (headerChanged) WriteHeader();
  if (reclaimed) FHijackPending = true;
  return reclaimed;
}

void TVxbLockFile::RunPendingHijack() {
  if (!FHijackPending || FEntered > 0) return;
  FHijackPending = false;
  if (FOnHijack) FOnHijack();
}

void TVxbLockFile::GiveUp(TVxbTableLockType lock) {
  VEXILO_REQUIRE(InMutex());
  TVxbTableLockData& h = FTableLockData;
  switch (lock) {
    case tltRead:
      h.ReadLocks = static_cast<int16_t>(std::max(0, h.ReadLocks - 1));
      break;
    case tltUpgrade:
    case tltWrite:
      if (lock == tltUpgrade) {
        h.UpgradeLocks = 0;
      } else {
        h.WriteLocks = 0;
      }
      ++h.ChangeCount;
      FChangeCount = h.ChangeCount;
      break;
    case tltNone:
      break;
  }
}

bool TVxbLockFile::TryTableLock(TVxbTableLockType fromLock, TVxbTableLockType toLock) {
  VEXILO_REQUIRE(InMutex());
  if (fromLock == toLock) return true;
  const TVxbTableLockData& h = FTableLockData;
  bool granted = false;
  switch (toLock) {
    case tltRead:
      granted = h.WriteLocks == 0 && h.WriteWaiters == 0;
      break;
    case tltUpgrade:
      granted = h.UpgradeLocks == 0 && h.WriteLocks == 0;
      break;
    case tltWrite: {
      const int32_t others = h.ReadLocks - (fromLock == tltRead ? 1 : 0) + h.UpgradeLocks -
                             (fromLock == tltUpgrade ? 1 : 0) + h.WriteLocks;
      granted = others <= 0;
      break;
    }
    case tltNone:
      granted = true;
      break;
  }
  if (!granted) return false;
  GiveUp(fromLock);
  TVxbTableLockData& w = FTableLockData;
  if (toLock == tltRead) ++w.ReadLocks;
  if (toLock == tltUpgrade) w.UpgradeLocks = 1;
  if (toLock == tltWrite) w.WriteLocks = 1;
  FTableLock = toLock;
  FSessionLockData.TableLock = toLock;
  WriteOwnSlot();
  WriteHeader();
  return true;
}

void TVxbLockFile::SetWaiting(TVxbTableLockType desired) {
  VEXILO_REQUIRE(InMutex());
  TVxbTableLockData& h = FTableLockData;
  const int16_t step = desired != tltNone ? 1 : -1;
  const TVxbTableLockType counted =
      desired != tltNone ? desired : static_cast<TVxbTableLockType>(FSessionLockData.DesiredLock);
  h.LockWaiters = static_cast<int16_t>(std::max(0, h.LockWaiters + step));
  if (counted == tltWrite) h.WriteWaiters = static_cast<int16_t>(std::max(0, h.WriteWaiters + step));
  FSessionLockData.DesiredLock = desired;
  WriteOwnSlot();
  WriteHeader();
}

bool TVxbLockFile::LockTable(TVxbTableLockType fromLock, TVxbTableLockType toLock, bool immediate) {
  bool granted = false;
  {
    TMutexGuard guard(*this);
    granted = TryTableLock(fromLock, toLock);
    if (!granted && !immediate) {
      SetWaiting(toLock);
      try {
        for (int32_t attempt = 0; attempt < FTableLockAttempts && !granted; ++attempt) {
          Leave();
          FClock.Wait();
          Enter();
          granted = TryTableLock(fromLock, toLock);
        }
        if (!granted && Sweep()) granted = TryTableLock(fromLock, toLock);
      } catch (...) {
        if (FEntered > 0) SetWaiting(tltNone);
        throw;
      }
      SetWaiting(tltNone);
    }
  }
  if (!FDeferHijack) RunPendingHijack();
  return granted;
}

void TVxbLockFile::UnlockTable(TVxbTableLockType fromLock, TVxbTableLockType toLock) {
  {
    TMutexGuard guard(*this);
    GiveUp(fromLock);
    TVxbTableLockData& h = FTableLockData;
    if (toLock == tltRead) ++h.ReadLocks;
    if (toLock == tltUpgrade) h.UpgradeLocks = 1;
    if (toLock == tltWrite) h.WriteLocks = 1;
    FTableLock = toLock;
    FSessionLockData.TableLock = toLock;
    WriteOwnSlot();
    WriteHeader();
  }
  if (!FDeferHijack) RunPendingHijack();
}

bool TVxbLockFile::UnlockTableIfRequired(TVxbTableLockType fromLock, TVxbTableLockType toLock) {
  TMutexGuard guard(*this);
  if (FTableLockData.LockWaiters <= 0) return false;
  UnlockTable(fromLock, toLock);
  return true;
}

bool TVxbLockFile::LockExclusive() {
  if (FExclusive) return true;
  bool granted = false;
  Enter();
  try {
    Sweep();
    granted = FTableLockData.SessionCount == 1;
  } catch (...) {
    Leave();
    throw;
  }
  if (granted) {
    FExclusive = true;  // the mutex stays entered
  } else {
    Leave();
  }
  if (!FDeferHijack) RunPendingHijack();
  return granted;
}

void TVxbLockFile::UnlockExclusive() {
  if (!FExclusive) return;
  FExclusive = false;
  Leave();
  if (!FDeferHijack) RunPendingHijack();
}

bool TVxbLockFile::TryRecordLock(int32_t recordNo) {
  VEXILO_REQUIRE(InMutex());
  if (FTableLockData.WriteLocks > 0 && FTableLock != tltWrite) return false;
  for (int32_t slot = 0; slot < FTableLockData.ItemCount; ++slot) {
    if (slot == FSessionDataPos) continue;
    const TVxbSessionLockData data = ReadSlot(slot);
    if (data.Id != 0 && data.EditRecNo == recordNo) return false;
  }
  FSessionLockData.EditRecNo = recordNo;
  WriteOwnSlot();
  return true;
}

bool TVxbLockFile::LockRecord(int32_t recordNo) {
  bool granted = false;
  {
    TMutexGuard guard(*this);
    granted = TryRecordLock(recordNo);
    if (!granted) {
      Leave();
      FClock.Wait();
      Enter();
      granted = TryRecordLock(recordNo);
    }
    if (!granted && Sweep()) granted = TryRecordLock(recordNo);
  }
  if (!FDeferHijack) RunPendingHijack();
  return granted;
}

void TVxbLockFile::UnlockRecord(int32_t) {
  TMutexGuard guard(*this);
  FSessionLockData.EditRecNo = 0;
  WriteOwnSlot();
}

void TVxbLockFile::SwitchRecordLock(int32_t fromRecNo, int32_t toRecNo) {
  TMutexGuard guard(*this);
  for (int32_t slot = 0; slot < FTableLockData.ItemCount; ++slot) {
    TVxbSessionLockData data = ReadSlot(slot);
    if (data.Id == 0 || data.EditRecNo != fromRecNo) continue;
    data.EditRecNo = toRecNo;
    WriteSlot(slot, data);
    if (slot == FSessionDataPos) FSessionLockData.EditRecNo = toRecNo;
  }
}

void TVxbLockFile::AddRecordMove(int32_t fromRecNo, int32_t toRecNo) {
  TMutexGuard guard(*this);
  FMovFile->Append(fromRecNo, toRecNo);
}

bool TVxbLockFile::ReadRecordMove(int32_t& fromRecNo, int32_t& toRecNo) {
  TMutexGuard guard(*this);
  return FMovFile->ReadNext(fromRecNo, toRecNo);
}

bool TVxbLockFile::CheckUpdate() {
  TMutexGuard guard(*this);
  return FTableLockData.ChangeCount > FChangeCount;
}

void TVxbLockFile::WriteIndexCount(int16_t indexCount) {
  TMutexGuard guard(*this);
  FTableLockData.IndexCount = indexCount;
  WriteHeader();
}

int16_t TVxbLockFile::ReadLockWaiters() {
  TMutexGuard guard(*this);
  return FTableLockData.LockWaiters;
}

int16_t TVxbLockFile::ReadSessionCount() {
  TMutexGuard guard(*this);
  return FTableLockData.SessionCount;
}

void TVxbLockFile::GetLockInfo(TVxbTableUsage& tableUsage) {
  TMutexGuard guard(*this);
  const TVxbTableLockData& h = FTableLockData;
  tableUsage.ItemCount = h.ItemCount;
  tableUsage.UserCount = h.SessionCount;
  tableUsage.ReadCount = h.ReadLocks;
  tableUsage.UpgradeCount = h.UpgradeLocks;
  tableUsage.WriteCount = h.WriteLocks;
  tableUsage.WaitCount = h.LockWaiters;
  tableUsage.WaitWriteCount = h.WriteWaiters;
  tableUsage.UpdateCount = h.ChangeCount;
  tableUsage.Sessions.clear();
  for (int32_t slot = 0; slot < h.ItemCount; ++slot) {
    const TVxbSessionLockData data = ReadSlot(slot);
    TVxbSessionUsage usage;
    usage.Name = NameCodePage().ToWide(data.Name);
    usage.StationNo = static_cast<uint32_t>(data.Id & 0xFFFFFFFF);
    usage.InUse = data.Id != 0;
    switch (data.TableLock) {
      case tltRead: usage.Lock = 1; break;
      case tltUpgrade: usage.Lock = 2; break;
      case tltWrite: usage.Lock = -1; break;
      default: usage.Lock = 0; break;
    }
    usage.EditRecNo = data.EditRecNo;
    tableUsage.Sessions.push_back(std::move(usage));
  }
}

}  // namespace vexilo::storage
