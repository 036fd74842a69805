#include "engine/storage/sharing/redo_log.h"

#include <algorithm>
#include <cstring>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/types/memory.h"
#include "fs/file_system_stream.h"
#include "fs/fs_errors.h"

namespace vexilo::storage {

using errors::EVxbEngine;
using fs::TvwFileSystemStream;
using types::TvwMemory;

namespace {

constexpr int32_t kLogStart = 8;       // magic and the int32 0
constexpr int32_t kEntryPrefix = 5;    // kind and record or column number
constexpr int32_t kLengthField = 4;

}  // namespace

TVxbRedoLog::TVxbRedoLog(fs::TvwFileSystem& fileSystem, int32_t recordSize, bool isRelTable, int16_t level,
                         std::u16string_view baseName)
    : FFileSystem(fileSystem), FRecordSize(recordSize), FFileName(RedoLogName(baseName, level, isRelTable)) {}

TVxbRedoLog::~TVxbRedoLog() = default;

void TVxbRedoLog::NewFile() {
  Close();
  FLogFile = std::make_unique<TvwFileSystemStream>(FFileName, fs::kStreamCreate, FFileSystem);
  uint8_t start[kLogStart] = {};
  std::memcpy(start, kRedoLogMagic, 4);
  if (FLogFile->Write(start, kLogStart) != kLogStart) {
    Close();
    throw EVxbEngine(errors::vxbErrWriteFile, FFileName);
  }
  FPosition = kLogStart;
}

int32_t TVxbRedoLog::Open() {
  Close();
  try {
    FLogFile = std::make_unique<TvwFileSystemStream>(FFileName, fs::kOpenReadWrite | fs::kShareExclusive,
                                                     FFileSystem);
  } catch (const fs::EvwFileSystemError& error) {
    return error.ErrorCode() > 0 ? error.ErrorCode() : fs::kErrorFileNotFound;
  }
  uint8_t start[kLogStart] = {};
  if (FLogFile->Read(start, kLogStart) != kLogStart || std::memcmp(start, kRedoLogMagic, 4) != 0) {
    Close();
    return -1;
  }
  FPosition = FLogFile->Size();
  return 0;
}

void TVxbRedoLog::Close() {
  FLogFile.reset();
  FPosition = 0;
}

void TVxbRedoLog::Erase() {
  Close();
  FFileSystem.DeleteFile(FFileName);
}

void TVxbRedoLog::Append(TVxbTableActionKind kind, int32_t number, const uint8_t* data, size_t size) {
  std::vector<uint8_t> entry(kEntryPrefix + size + kLengthField);
  entry[0] = kind;
  TvwMemory::WriteInt32(entry.data(), 1, number);
  TvwMemory::Copy(entry.data(), kEntryPrefix, data, 0, size);
  TvwMemory::WriteInt32(entry.data(), kEntryPrefix + size, static_cast<int32_t>(kEntryPrefix + size));
  const int32_t count = static_cast<int32_t>(entry.size());
  FLogFile->Seek(0, fs::TvwSeekOrigin::soEnd);
  if (FLogFile->Write(entry.data(), count) != count) throw EVxbEngine(errors::vxbErrWriteFile, FFileName);
  FPosition = FLogFile->Position();
}

void TVxbRedoLog::LogInsert(int32_t recordNo) { Append(takInsert, recordNo, nullptr, 0); }

void TVxbRedoLog::LogUpdate(int32_t recordNo, const uint8_t* recBuffer, const TVxbBlobDataList& blobs) {
  LogRecord(takUpdate, recordNo, recBuffer, blobs);
}

void TVxbRedoLog::LogDelete(int32_t recordNo, const uint8_t* recBuffer, const TVxbBlobDataList& blobs) {
  LogRecord(takDelete, recordNo, recBuffer, blobs);
}

void TVxbRedoLog::LogRecord(TVxbTableActionKind kind, int32_t recordNo, const uint8_t* recBuffer,
                            const TVxbBlobDataList& blobs) {
  Append(kind, recordNo, recBuffer, static_cast<size_t>(FRecordSize));
  for (const TVxbBlobData& blob : blobs) {
    if (!blob.IsWide) {
      Append(takBlob, blob.FieldNo, reinterpret_cast<const uint8_t*>(blob.AnsiData.data()), blob.AnsiData.size());
      continue;
    }
    std::vector<uint8_t> units(blob.WideData.size() * 2);
    for (size_t i = 0; i < blob.WideData.size(); ++i) {
      TvwMemory::WriteUInt16(units.data(), i * 2, static_cast<uint16_t>(blob.WideData[i]));
    }
    Append(takWideMemo, blob.FieldNo, units.data(), units.size());
  }
}

bool TVxbRedoLog::ReadPriorAction() {
  if (FLogFile == nullptr) return false;
  const auto damaged = [this]() { return EVxbEngine(errors::vxbErrReadFile, FFileName); };
  TVxbBlobDataList blobs;  // gathered backwards
  while (true) {
    if (FPosition == kLogStart) {
      if (!blobs.empty()) throw damaged();
      return false;
    }
    if (FPosition < kLogStart + kEntryPrefix + kLengthField) throw damaged();
    uint8_t field[kLengthField];
    FLogFile->Seek(FPosition - kLengthField, fs::TvwSeekOrigin::soBeginning);
    if (FLogFile->Read(field, kLengthField) != kLengthField) throw damaged();
    const int64_t length = TvwMemory::ReadInt32(field, 0);
    const int64_t entryStart = FPosition - kLengthField - length;
    if (length < kEntryPrefix || entryStart < kLogStart) throw damaged();

    std::vector<uint8_t> entry(static_cast<size_t>(length));
    FLogFile->Seek(entryStart, fs::TvwSeekOrigin::soBeginning);
    if (FLogFile->Read(entry.data(), static_cast<int32_t>(length)) != length) throw damaged();
    const uint8_t kind = entry[0];
    const int32_t number = TvwMemory::ReadInt32(entry.data(), 1);
    const size_t dataSize = static_cast<size_t>(length - kEntryPrefix);
    const uint8_t* data = entry.data() + kEntryPrefix;

    switch (kind) {
      case takBlob:
      case takWideMemo: {
        TVxbBlobData blob;
        blob.FieldNo = number;
        if (kind == takBlob) {
          blob.AnsiData.assign(reinterpret_cast<const char*>(data), dataSize);
        } else {
          if (dataSize % 2 != 0) throw damaged();
          blob.IsWide = true;
          blob.WideData.resize(dataSize / 2);
          for (size_t i = 0; i < blob.WideData.size(); ++i) {
            blob.WideData[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(data, i * 2));
          }
        }
        blobs.push_back(std::move(blob));
        FPosition = entryStart;
        continue;
      }
      case takInsert:
        if (dataSize != 0 || !blobs.empty()) throw damaged();
        FLastActionRecBuffer.clear();
        break;
      case takUpdate:
      case takDelete:
        if (dataSize != static_cast<size_t>(FRecordSize)) throw damaged();
        FLastActionRecBuffer.assign(data, data + dataSize);
        break;
      default:
        throw damaged();
    }
    FPosition = entryStart;
    FLastActionKind = static_cast<TVxbTableActionKind>(kind);
    FLastActionRecordNo = number;
    std::reverse(blobs.begin(), blobs.end());
    FLastActionBlobs = std::move(blobs);
    return true;
  }
}

const TVxbBlobData* TVxbRedoLog::LastActionBlob(int32_t fieldNo) const {
  for (const TVxbBlobData& blob : FLastActionBlobs) {
    if (blob.FieldNo == fieldNo) return &blob;
  }
  return nullptr;
}

}  // namespace vexilo::storage
