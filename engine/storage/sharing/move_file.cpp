#include "engine/storage/sharing/move_file.h"

#include <algorithm>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/memory.h"
#include "fs/file_system_stream.h"
#include "fs/fs_errors.h"

namespace vexilo::storage {

using fs::TvwFileSystemStream;
using types::TvwMemory;

namespace {

constexpr uint32_t kSharedMode = fs::kOpenReadWrite | fs::kShareDenyNone;

std::unique_ptr<TvwFileSystemStream> OpenOrCreate(fs::TvwFileSystem& fileSystem, std::u16string_view fileName) {
  for (int attempt = 0;; ++attempt) {
    try {
      return std::make_unique<TvwFileSystemStream>(fileName, kSharedMode, fileSystem);
    } catch (const fs::EvwFileNotFoundError&) {
      if (attempt > 0) throw;
    }
    // Missing: create it empty and open it shared. Creating fails while
    // someone else has just created and opened it; the next open finds it.
    try {
      TvwFileSystemStream created(fileName, fs::kStreamCreate, fileSystem);
    } catch (const fs::EvwFileCreateError&) {
    }
  }
}

}  // namespace

TVxbMoveFile::TVxbMoveFile(fs::TvwFileSystem& fileSystem, std::u16string_view fileName)
    : FFileSystem(fileSystem), FFile(OpenOrCreate(fileSystem, fileName)) {
  FMovePos = FFile->Size();
}

TVxbMoveFile::~TVxbMoveFile() = default;

void TVxbMoveFile::Append(int32_t fromRecNo, int32_t toRecNo) {
  uint8_t entry[kMoveEntrySize];
  TvwMemory::WriteInt32(entry, 0, toRecNo);
  TvwMemory::WriteInt32(entry, 4, fromRecNo);
  const int64_t end = FFile->Size();
  FFile->Seek(end, fs::TvwSeekOrigin::soBeginning);
  if (FFile->Write(entry, kMoveEntrySize) != kMoveEntrySize) {
    throw errors::EVxbEngine(errors::vxbErrWriteFile, FFile->FileName());
  }
  if (end == FMovePos) {
    FMovePos = end + kMoveEntrySize;  // everything before was read already
  } else {
    FOwnEntries.push_back(end);
  }
}

bool TVxbMoveFile::ReadNext(int32_t& fromRecNo, int32_t& toRecNo) {
  const int64_t size = FFile->Size();
  while (FMovePos + kMoveEntrySize <= size) {
    const int64_t pos = FMovePos;
    FMovePos += kMoveEntrySize;
    auto own = std::find(FOwnEntries.begin(), FOwnEntries.end(), pos);
    if (own != FOwnEntries.end()) {
      FOwnEntries.erase(own);
      continue;
    }
    uint8_t entry[kMoveEntrySize];
    FFile->Seek(pos, fs::TvwSeekOrigin::soBeginning);
    if (FFile->Read(entry, kMoveEntrySize) != kMoveEntrySize) {
      throw errors::EVxbEngine(errors::vxbErrReadFile, FFile->FileName());
    }
    toRecNo = TvwMemory::ReadInt32(entry, 0);
    fromRecNo = TvwMemory::ReadInt32(entry, 4);
    if (toRecNo < 1 || fromRecNo < 1) {
      throw errors::EVxbEngine(errors::vxbErrUnknown, u"invalid record move in \"" + FFile->FileName() + u"\"");
    }
    return true;
  }
  return false;
}

}  // namespace vexilo::storage
