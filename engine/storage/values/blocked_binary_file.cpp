#include "engine/storage/values/blocked_binary_file.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "engine/errors/error_codes.h"
#include "engine/index/pages/page_geometry.h"
#include "engine/types/memory.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

// The file name without directory and extension.
std::u16string FileStem(std::u16string_view fileName) {
  const size_t slash = fileName.find_last_of(u"/\\");
  std::u16string_view stem = slash == std::u16string_view::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = stem.rfind(u'.');
  if (dot != std::u16string_view::npos && dot > 0) stem = stem.substr(0, dot);
  return std::u16string(stem);
}

}  // namespace

TVxbBlockedBinaryFile::TVxbBlockedBinaryFile(errors::TVxbServices& services,
                                             std::unique_ptr<index::TVxbClientStorage> storage, int16_t version,
                                             bool fixedBlockSize, int32_t blockSize, const TVxbBlockedFileKind& kind)
    : FServices(services),
      FStorage(std::move(storage)),
      FFixedBlockSize(fixedBlockSize),
      FBlockSize(blockSize == 0 ? kZeroBlockSizeMeans : blockSize),
      FVersion(version),
      FKind(kind) {
  if (!FStorage->GetName().empty()) SetFileName(FStorage->GetName());
}

TVxbBlockedBinaryFile::~TVxbBlockedBinaryFile() { Close(); }

void TVxbBlockedBinaryFile::SetFileName(std::u16string_view fileName) {
  FFileName = fileName;
  FStorage->SetName(fileName);
  if (FTableName.empty()) FTableName = FileStem(fileName);
}

void TVxbBlockedBinaryFile::SetBlockSize(int32_t blockSize) {
  if (IsOpen()) return;
  FBlockSize = blockSize == 0 ? kZeroBlockSizeMeans : blockSize;
}

void TVxbBlockedBinaryFile::Assign(const TVxbBlockedBinaryFile& other) {
  FEncryption = other.FEncryption;
  FFixedBlockSize = other.FFixedBlockSize;
  FBlockSize = other.FBlockSize;
  FDamaged = other.FDamaged;
}

bool TVxbBlockedBinaryFile::IsUsableBlockSize(int32_t blockSize) const {
  if (blockSize < kMinBlockSize || blockSize > kMaxStoredBlockSize) return false;
  return index::TVxbPageGeometry(blockSize, FStorage->GetFileSystem().GetPageSize()).IsValid();
}

void TVxbBlockedBinaryFile::AllocateBuffers() {
  FWorkBlock.assign(static_cast<size_t>(FBlockSize), 0);
  FTempBlock.assign(static_cast<size_t>(FBlockSize), 0);
}

// --- creating, opening, closing ---

int16_t TVxbBlockedBinaryFile::NewFile() {
  Close();
  if (!IsUsableBlockSize(FBlockSize)) return FServices.SetLastError(errors::vxbErrWriteFile, {FTableName});
  try {
    FStorage->SetPageSize(FBlockSize);
    FStorage->NewStorage();
    FPage = FStorage->CreatePageSite();
    FPage->InitPage(kHeaderBlock);
    FPage->WriteInt32(kNextBlockOffset, 1);
    FPage->WriteInt32(kLastBlockOffset, 0);
    FPage->WriteInt32(kBlockSizeOffset, FBlockSize);
  } catch (const std::exception&) {
    Close();
    return FServices.SetLastError(errors::vxbErrWriteFile, {FTableName});
  }
  FNextBlock = 1;
  FLastBlock = 0;
  FFreeListVerified = true;
  FFreeBlocks.clear();
  AllocateBuffers();
  return 0;
}

int16_t TVxbBlockedBinaryFile::Open(bool readOnly, bool exclusive) {
  Close();
  try {
    if (!FStorage->IsOpen()) FStorage->SetPageSize(IsUsableBlockSize(FBlockSize) ? FBlockSize : 512);
    FStorage->Open(readOnly, exclusive);
    FPage = FStorage->CreatePageSite();
  } catch (const std::exception&) {
    Close();
    return FServices.SetLastError(FKind.OpenError, {FFileName});
  }
  ReadHeader();
  if (!FUnusable) AllocateBuffers();
  return 0;
}

void TVxbBlockedBinaryFile::ReadHeader() {
  FFreeListVerified = false;
  FFreeBlocks.clear();
  int32_t nextBlock = 0;
  int32_t lastBlock = 0;
  int32_t storedBlockSize = 0;
  try {
    FPage->LoadPage(kHeaderBlock);
    nextBlock = FPage->ReadInt32(kNextBlockOffset);
    lastBlock = FPage->ReadInt32(kLastBlockOffset);
    storedBlockSize = FPage->ReadInt32(kBlockSizeOffset);
  } catch (const std::exception&) {
    // Not even a header: nothing in the file can be found.
    FDamaged = FUnusable = true;
    return;
  }
  if (!FFixedBlockSize) {
    const int32_t blockSize = storedBlockSize == 0 ? kZeroBlockSizeMeans : storedBlockSize;
    bool usable = IsUsableBlockSize(blockSize);
    if (usable && blockSize != FStorage->GetPageSize()) {
      try {
        FStorage->SetPageSize(blockSize);
      } catch (const std::exception&) {
        usable = false;
      }
    }
    if (!usable) {
      FDamaged = FUnusable = true;
      return;
    }
    FBlockSize = blockSize;
  }
  FLastBlock = lastBlock;
  FNextBlock = nextBlock;
  const int32_t fileBlocks = FStorage->GetPageCount();
  if (lastBlock < 0 || lastBlock > kMaxBlockNo || nextBlock < 1 || nextBlock > std::max(fileBlocks, 1)) {
    FDamaged = true;
    FLastBlock = std::clamp(lastBlock, 0, kMaxBlockNo);
  }
  // Any number above LastBlock ends the free list; keep the one allocation
  // expects, so a freed chain never links to a number it would refuse.
  if (FNextBlock > FLastBlock || FNextBlock < 1) FNextBlock = FLastBlock + 1;
}

void TVxbBlockedBinaryFile::Close() {
  FPage.reset();
  try {
    FStorage->Close();
  } catch (const std::exception&) {
    // Closing gives nothing back to report.
  }
  FDamaged = false;
  FUnusable = false;
  FFreeListVerified = false;
  FFreeBlocks.clear();
}

int16_t TVxbBlockedBinaryFile::Flush() {
  if (!IsOpen()) return 0;
  try {
    FStorage->Flush();
  } catch (const std::exception&) {
    return FServices.SetLastError(errors::vxbErrWriteFile, {FFileName});
  }
  return 0;
}

int16_t TVxbBlockedBinaryFile::Undo() {
  if (!IsOpen()) return 0;
  try {
    FStorage->Undo();
  } catch (const std::exception&) {
    return Record(TFailure::kReadFailed);
  }
  ReadHeader();
  return 0;
}

int16_t TVxbBlockedBinaryFile::Update() {
  if (!IsOpen()) return 0;
  try {
    FStorage->Invalidate();
  } catch (const std::exception&) {
    return Record(TFailure::kReadFailed);
  }
  ReadHeader();
  return 0;
}

int16_t TVxbBlockedBinaryFile::UpdateDir() {
  if (!IsOpen()) return 0;
  try {
    FStorage->UpdateDir();
  } catch (const std::exception&) {
    return Record(TFailure::kReadFailed);
  }
  return 0;
}

int64_t TVxbBlockedBinaryFile::GetFileSize() const { return IsOpen() ? FStorage->GetSize() : 0; }

// --- failures ---

int16_t TVxbBlockedBinaryFile::Record(TFailure failure) {
  switch (failure) {
    case TFailure::kDamaged:
      FDamaged = true;
      return FServices.SetLastError(FKind.DamageError, {FTableName});
    case TFailure::kReadFailed:
      return FServices.SetLastError(errors::vxbErrReadFile, {FFileName});
    case TFailure::kWriteFailed:
      if (FKind.WriteErrorNamesFile) return FServices.SetLastError(FKind.WriteError, {FFileName});
      return FServices.SetLastError(FKind.WriteError, fs::FormatArgs());
    case TFailure::kTooLarge:
      return FServices.SetLastError(errors::vxbErrMemoTooLarge, {FTableName});
  }
  return FServices.SetLastError(errors::vxbErrUnknown, fs::FormatArgs());
}

int32_t TVxbBlockedBinaryFile::Guard(const std::function<int32_t()>& body) {
  try {
    return body();
  } catch (const EBlockedFileFailure& failure) {
    return Record(failure.What);
  } catch (const std::exception&) {
    return Record(TFailure::kReadFailed);
  }
}

void TVxbBlockedBinaryFile::Damage() {
  FDamaged = true;
  throw EBlockedFileFailure{TFailure::kDamaged};
}

void TVxbBlockedBinaryFile::RequireReadable() const {
  if (!IsOpen() || !FPage) throw EBlockedFileFailure{TFailure::kReadFailed};
  if (FUnusable) throw EBlockedFileFailure{TFailure::kDamaged};
}

void TVxbBlockedBinaryFile::RequireWritable() {
  if (!IsOpen() || !FPage || FStorage->GetReadOnly()) throw EBlockedFileFailure{TFailure::kWriteFailed};
  if (FDamaged || FUnusable) throw EBlockedFileFailure{TFailure::kDamaged};
}

int32_t TVxbBlockedBinaryFile::UsableBlockCount() const {
  if (!IsOpen()) return 0;
  return std::max(0, std::min(FLastBlock, FStorage->GetPageCount() - 1));
}

void TVxbBlockedBinaryFile::VisitChainBlock(std::unordered_set<int32_t>& visited, int32_t blockNo) {
  if (!visited.insert(blockNo).second) Damage();
}

// --- block transfer ---

void TVxbBlockedBinaryFile::ReadBlock(int32_t blockNo, uint8_t* buffer) {
  RequireReadable();
  if (blockNo < 1 || blockNo > FLastBlock || blockNo >= FStorage->GetPageCount()) Damage();
  try {
    FPage->LoadPage(blockNo);
    FPage->CopyTo(0, buffer, 0, FBlockSize);
  } catch (const std::exception&) {
    throw EBlockedFileFailure{TFailure::kReadFailed};
  }
  if (FEncryption) FEncryption->DecryptBlock(buffer, static_cast<size_t>(FBlockSize));
}

void TVxbBlockedBinaryFile::WriteBlock(int32_t blockNo, uint8_t* buffer) {
  const size_t size = static_cast<size_t>(FBlockSize);
  if (FEncryption) FEncryption->EncryptBlock(buffer, size);
  bool written = true;
  try {
    FPage->InitPage(blockNo);
    FPage->CopyFrom(buffer, 0, FBlockSize);
  } catch (const std::exception&) {
    written = false;
  }
  // The caller keeps using its plain bytes.
  if (FEncryption) FEncryption->DecryptBlock(buffer, size);
  if (!written) throw EBlockedFileFailure{TFailure::kWriteFailed};
}

void TVxbBlockedBinaryFile::WriteHeader() {
  try {
    FPage->InitPage(kHeaderBlock);
    FPage->WriteInt32(kNextBlockOffset, FNextBlock);
    FPage->WriteInt32(kLastBlockOffset, FLastBlock);
  } catch (const std::exception&) {
    throw EBlockedFileFailure{TFailure::kWriteFailed};
  }
}

// --- chains and the free list ---

int32_t TVxbBlockedBinaryFile::AllocateBlock(uint8_t* buffer, bool last) {
  if (FNextBlock > kMaxBlockNo) throw EBlockedFileFailure{TFailure::kTooLarge};
  int32_t blockNo;
  if (FNextBlock > FLastBlock) {
    // Free list empty: append.
    blockNo = FLastBlock + 1;
    TvwMemory::WriteInt32(buffer, kNextBlockOffset, last ? kEndOfChain : blockNo + 1);
    WriteBlock(blockNo, buffer);
    FLastBlock = blockNo;
    FNextBlock = FLastBlock + 1;
  } else {
    if (!FFreeListVerified) VerifyFreeList();
    blockNo = FNextBlock;
    ReadBlock(blockNo, TempBlock());
    const int32_t following = TvwMemory::ReadInt32(TempBlock(), kNextBlockOffset);
    if (following < 1 || following > FLastBlock + 1) {
      FNextBlock = FLastBlock + 1;
      Damage();
    }
    TvwMemory::WriteInt32(buffer, kNextBlockOffset, last ? kEndOfChain : following);
    WriteBlock(blockNo, buffer);
    FNextBlock = following;
    FFreeBlocks.erase(blockNo);
  }
  if (FChainFirst == 0) FChainFirst = blockNo;
  FChainLast = blockNo;
  return blockNo;
}

void TVxbBlockedBinaryFile::VerifyFreeList() {
  const int32_t usable = UsableBlockCount();
  std::unordered_set<int32_t> freeBlocks;
  int32_t blockNo = FNextBlock;
  while (blockNo <= FLastBlock) {
    if (blockNo < 1 || blockNo > usable || !freeBlocks.insert(blockNo).second) Damage();
    ReadBlock(blockNo, TempBlock());
    const int32_t following = TvwMemory::ReadInt32(TempBlock(), kNextBlockOffset);
    if (following < 1 || following > FLastBlock + 1) Damage();
    blockNo = following;
  }
  FFreeBlocks = std::move(freeBlocks);
  FFreeListVerified = true;
}

int32_t TVxbBlockedBinaryFile::FindChainEnd(int32_t blockIdx, bool byLink, std::unordered_set<int32_t>& visited) {
  if (blockIdx < 1 || blockIdx > FLastBlock) Damage();
  int32_t blockNo = blockIdx;
  int64_t state = 0;
  for (int32_t position = 0;; ++position) {
    VisitChainBlock(visited, blockNo);
    ReadBlock(blockNo, TempBlock());
    const int32_t following = TvwMemory::ReadInt32(TempBlock(), kNextBlockOffset);
    if (byLink || FVersion >= 5) {
      if (following == kEndOfChain) return blockNo;
    } else {
      const TChainEnd end = EndsValueByContent(TempBlock(), position, state);
      if (end == TChainEnd::kLast) return blockNo;
      if (end == TChainEnd::kInvalid) Damage();
    }
    if (following < 1 || following > FLastBlock) Damage();
    blockNo = following;
  }
}

void TVxbBlockedBinaryFile::FreeChain(int32_t blockIdx, bool byLink) {
  if (!FFreeListVerified) VerifyFreeList();
  std::unordered_set<int32_t> chain;
  const int32_t last = FindChainEnd(blockIdx, byLink, chain);
  // A block both in the chain and free already would close the free list
  // into a circle.
  for (const int32_t blockNo : chain) {
    if (FFreeBlocks.count(blockNo) != 0) Damage();
  }
  FFreeBlocks.insert(chain.begin(), chain.end());
  ReadBlock(last, TempBlock());
  TvwMemory::WriteInt32(TempBlock(), kNextBlockOffset, FNextBlock);
  WriteBlock(last, TempBlock());
  FNextBlock = blockIdx;
  WriteHeader();
}

int32_t TVxbBlockedBinaryFile::WriteValue(int32_t oldBlockIdx, const std::function<int32_t()>& fill) {
  return Guard([&]() -> int32_t {
    RequireWritable();
    FChainFirst = FChainLast = 0;
    int32_t first = 0;
    try {
      first = fill();
      // The old value goes only once the new one is complete, so a failure
      // leaves the record's value as it was.
      if (oldBlockIdx != 0) FreeChain(oldBlockIdx, false);
      WriteHeader();
    } catch (const EBlockedFileFailure&) {
      AbandonNewChain();
      throw;
    }
    return first;
  });
}

void TVxbBlockedBinaryFile::AbandonNewChain() {
  // Best effort: the failure already reported is the one that counts.
  try {
    if (FChainLast > 0) {
      ReadBlock(FChainLast, TempBlock());
      TvwMemory::WriteInt32(TempBlock(), kNextBlockOffset, kEndOfChain);
      WriteBlock(FChainLast, TempBlock());
      FreeChain(FChainFirst, true);
    }
  } catch (const EBlockedFileFailure&) {
  }
  try {
    WriteHeader();
  } catch (const EBlockedFileFailure&) {
  }
  FChainFirst = FChainLast = 0;
}

int16_t TVxbBlockedBinaryFile::FreeValue(int32_t blockIdx) {
  if (blockIdx == 0) return 0;
  return static_cast<int16_t>(Guard([&] {
    RequireWritable();
    FreeChain(blockIdx, false);
    return 0;
  }));
}

int32_t TVxbBlockedBinaryFile::CopyFrom(TVxbBlockedBinaryFile& other, int32_t blockIdx) {
  std::string value;
  const int16_t result = other.ReadString(blockIdx, value);
  if (result < 0) return result;
  return WriteString(0, value);
}

int16_t TVxbBlockedBinaryFile::Empty() {
  return static_cast<int16_t>(Guard([&] {
    RequireWritable();
    try {
      FStorage->SetPageCount(1);
    } catch (const std::exception&) {
      throw EBlockedFileFailure{TFailure::kWriteFailed};
    }
    FNextBlock = 1;
    FLastBlock = 0;
    WriteHeader();
    FFreeListVerified = true;
    FFreeBlocks.clear();
    return 0;
  }));
}

}  // namespace vexilo::storage
