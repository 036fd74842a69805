#include "tools/lock_file_report.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "fs/file_system_stream.h"
#include "fs/fs_errors.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::tools {

namespace {


// How long to try for the mutex before reading without it: sessions hold
// it for a few milliseconds at a time, except with exclusive access.
constexpr int kMutexAttempts = 200;
constexpr auto kMutexWait = std::chrono::milliseconds(5);

int64_t SlotPos(int32_t slot) { return storage::kLockHeaderSize + int64_t{storage::kLockSlotSize} * slot; }

void ReadAt(fs::TvwFileSystemStream& stream, int64_t pos, uint8_t* buffer, int32_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count));
  stream.Seek(pos, fs::TvwSeekOrigin::soBeginning);
  stream.Read(buffer, count);
}

// Holds the lock file's mutex for the time of reading.
class TMutexHold {
 public:
  explicit TMutexHold(fs::TvwFileSystemStream* stream) : FStream(stream) {
    if (FStream == nullptr) return;
    for (int attempt = 0; attempt < kMutexAttempts; ++attempt) {
      if (FStream->LockRange(0, 4, true)) {
        FHeld = true;
        return;
      }
      std::this_thread::sleep_for(kMutexWait);
    }
  }
  ~TMutexHold() {
    if (FHeld) FStream->UnlockRange(0, 4, true);
  }
  TMutexHold(const TMutexHold&) = delete;
  TMutexHold& operator=(const TMutexHold&) = delete;

  bool Held() const { return FHeld; }

 private:
  fs::TvwFileSystemStream* FStream;
  bool FHeld = false;
};

}  // namespace

std::filesystem::path LockFileOf(const std::filesystem::path& tableFile) {
  const std::u16string fileName = fs::u16(tableFile.string());
  const int16_t level = fs::EndsWithIgnoringAsciiCase(fileName, index::TableFileExtension(6)) ? 6 : 5;
  const std::string stem = tableFile.stem().string();
  const bool isRelTable = index::IsRelationTableFile(fileName, fs::u16(stem), level);
  const std::filesystem::path base = tableFile.parent_path() / stem;
  return fs::u8(storage::LockFileName(fs::u16(base.string()), level, isRelTable));
}

std::optional<TLockFileReport> ReadLockFileReport(const std::filesystem::path& fileName) {
  if (!std::filesystem::exists(fileName)) return std::nullopt;
  fs::TvwOSFileSystem fileSystem;
  const std::u16string name = fs::u16(fileName.string());
  // Read and write access is what the byte-range locks need; a file this
  // user may only read is read as it is, without them.
  std::unique_ptr<fs::TvwFileSystemStream> stream;
  bool canLock = true;
  try {
    stream = std::make_unique<fs::TvwFileSystemStream>(name, fs::kOpenReadWrite | fs::kShareDenyNone, fileSystem);
  } catch (const fs::EvwFileNotFoundError&) {
    return std::nullopt;  // the last session left meanwhile
  } catch (const fs::EvwFileSystemError&) {
    stream = std::make_unique<fs::TvwFileSystemStream>(name, fs::kOpenRead | fs::kShareDenyNone, fileSystem);
    canLock = false;
  }

  TLockFileReport report;
  report.FileName = fileName;
  const TMutexHold mutex(canLock ? stream.get() : nullptr);
  report.ReadWithoutMutex = !mutex.Held();

  uint8_t header[storage::kLockHeaderSize];
  ReadAt(*stream, 0, header, storage::kLockHeaderSize);
  report.Header = storage::DecodeLockHeader(header);
  const storage::TVxbTableLockData& h = report.Header;
  if (std::memcmp(h.Tag, storage::kLockFileTag, 4) != 0 || h.Version != storage::kLockFileVersion)
    throw errors::EVxbEngine(errors::vxbErrInvalidLockFile, name);

  // Only the slots the file holds entirely.
  const int64_t wholeSlots = (stream->Size() - storage::kLockHeaderSize) / storage::kLockSlotSize;
  const int32_t slots = static_cast<int32_t>(std::clamp<int64_t>(wholeSlots, 0, h.ItemCount));
  for (int32_t slot = 0; slot < slots; ++slot) {
    uint8_t buffer[storage::kLockSlotSize];
    ReadAt(*stream, SlotPos(slot), buffer, storage::kLockSlotSize);
    TLockSlotReport entry;
    entry.Data = storage::DecodeLockSlot(buffer, true);
    entry.InUse = entry.Data.Id != 0;
    if (entry.InUse && canLock) entry.Alive = stream->IsRangeLocked(SlotPos(slot) + storage::kLockSlotStoredSize, 1);
    report.Slots.push_back(std::move(entry));
  }
  return report;
}

}  // namespace vexilo::tools
