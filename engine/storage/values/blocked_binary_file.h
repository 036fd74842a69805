// TVxbBlockedBinaryFile: the chain store under a table's memo and blob files.
// Values of variable length live outside the record as singly linked chains
// of fixed-size blocks; the record keeps only the number of a value's first
// block (0 for no value). Unused blocks form a free list that new values take
// before the file grows.
//
// File layout (every integer int32 little-endian; block n occupies bytes
// n * B to (n + 1) * B - 1 for block size B):
//
//   Block 0, the header, never enciphered:
//   | Offset | Size | Meaning                                                |
//   |--------|------|--------------------------------------------------------|
//   | 0      | 4    | NextBlock: the first free block. Above LastBlock the   |
//   |        |      | free list is empty and new blocks are appended. Below |
//   |        |      | 1 the file is damaged (block 0 is the header).         |
//   | 4      | 4    | LastBlock: the highest block of the file (0: empty)    |
//   | 8      | 4    | BlockSize (memo files: always 256 and never read back; |
//   |        |      | blob files: 0 means 4096; below 12, above 65768 or a   |
//   |        |      | size the page cache cannot hold marks the file damaged)|
//   | 12     | B-12 | unused                                                 |
//
//   Blocks 1 .. LastBlock, each enciphered as a whole with the table's
//   cipher (when it has one):
//   | Offset | Size | Meaning                                                |
//   |--------|------|--------------------------------------------------------|
//   | 0      | 4    | NextBlock: the next block of the chain, -1 in the last |
//   |        |      | block of a value; in a free block the next free block, |
//   |        |      | LastBlock + 1 at the end of the free list              |
//   | 4      | B-4  | the value's bytes; how the kind of file uses them is   |
//   |        |      | laid out in memo_file.h and blob_file.h                |
//
// Block numbers stay at or below 268435455 (0x0FFFFFFF).
//
// A new block of a chain takes the head of the free list, else the block
// after LastBlock; a block's NextBlock is written before its successor is
// taken, so it names the block the next allocation will hand out. A freed
// chain goes in front of the free list as a whole. From level 5 on a chain
// ends at the block holding -1; below level 5 the value itself tells which
// block is its last (the subclasses know how).
//
// Damage: a link outside the file, a chain or free list that runs in a
// circle, a chain being freed that holds a block already free, a header that
// contradicts itself or a length the file cannot hold marks the file
// damaged. The mark stays until the file is closed; while it is set every
// write is refused. Nothing read from the file is followed without a bound,
// and no buffer is sized from a stored number the file cannot back.
//
// A value is written before the value it replaces is freed, so a write that
// fails leaves the record's old value intact; the blocks the failed write
// took go back to the free list.
//
// Results: 0 or a positive result for success; a failure records the engine
// error as the session's last error and returns the number negated:
//   damage                 112 (memo) / 113 (blob), with the table's name
//   file cannot be opened  31 (memo) / 111 (blob), with the file's name
//   file cannot be created 3, with the table's name
//   block read fails       2, with the file's name
//   block write fails      33 (memo) / 3 with the file's name (blob)
//   block number too high  156, with the table's name
//
// One object per table and file; used by one thread at a time (the table's
// write lock guards writes between sessions and processes).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_cipher.h"
#include "engine/index/pages/page_site.h"
#include "engine/storage/values/chain_visitor.h"

namespace vexilo::storage {

// Receives one finding of a consistency check: the kind word ("Memo" or
// "Blob") and the message.
using TVxbCheckReport = std::function<void(std::u16string_view kind, std::u16string_view message)>;

// What tells a kind of file apart: its errors and the word naming it.
struct TVxbBlockedFileKind {
  int16_t DamageError;   // 112 / 113
  int16_t OpenError;     // 31 / 111
  int16_t WriteError;    // 33 / 3
  bool WriteErrorNamesFile;  // the write error's message takes the file name
  std::u16string_view Word;  // "Memo" / "Blob"
};

class TVxbBlockedBinaryFile {
 public:
  static constexpr int32_t kHeaderBlock = 0;
  static constexpr int32_t kEndOfChain = -1;
  static constexpr int32_t kMaxBlockNo = 0x0FFFFFFF;
  static constexpr int32_t kMaxStoredBlockSize = 65768;
  // The block size a stored 0 stands for.
  static constexpr int32_t kZeroBlockSizeMeans = 4096;
  // The smallest block that holds the header's three numbers (a smaller one
  // would share bytes of the header with block 1).
  static constexpr int32_t kMinBlockSize = 12;
  // Offsets of the header fields and of a data block's link.
  static constexpr int32_t kNextBlockOffset = 0;
  static constexpr int32_t kLastBlockOffset = 4;
  static constexpr int32_t kBlockSizeOffset = 8;
  static constexpr int32_t kLinkSize = 4;

  virtual ~TVxbBlockedBinaryFile();
  TVxbBlockedBinaryFile(const TVxbBlockedBinaryFile&) = delete;
  TVxbBlockedBinaryFile& operator=(const TVxbBlockedBinaryFile&) = delete;

  // The file's name as the file system resolves it; set while closed.
  void SetFileName(std::u16string_view fileName);
  const std::u16string& GetFileName() const { return FFileName; }
  // The name that damage and size errors carry: the table's. Defaults to the
  // file name without directory and extension.
  void SetTableName(std::u16string_view tableName) { FTableName = tableName; }
  const std::u16string& GetTableName() const { return FTableName; }

  // Creates (or truncates) the file as an empty store: NextBlock 1,
  // LastBlock 0, the block size. Error 3 when it cannot be created.
  int16_t NewFile();
  // Opens the file, reads and validates its header; a header that
  // contradicts itself marks the file damaged but opens it. Error 31 / 111
  // when the file cannot be opened.
  int16_t Open(bool readOnly, bool exclusive);
  // Lets go of the file; changes not flushed are lost. Clears the damage mark.
  void Close();
  bool IsOpen() const { return FStorage->IsOpen(); }
  // Writes every changed block to the file. Error 3 on failure.
  int16_t Flush();
  // Discards the changes not yet flushed and reads the header again.
  int16_t Undo();
  // Drops the cached blocks and reads the header again (after another
  // session changed the file).
  int16_t Update();
  // Closes the file handle and opens it again.
  int16_t UpdateDir();
  // The file's size in bytes as the cache sees it; 0 when closed.
  int64_t GetFileSize() const;

  // The block size for NewFile (blob files; memo files keep theirs). Takes
  // effect on the next NewFile; an open file keeps the size it has.
  void SetBlockSize(int32_t blockSize);
  int32_t GetBlockSize() const { return FBlockSize; }
  // The table's cipher (not owned; nullptr for none); it must outlive its
  // use here.
  void SetEncryption(index::TVxbEncryption* encryption) { FEncryption = encryption; }
  // Takes the cipher, the fixed-size flag, the block size and the damage
  // mark of `other`.
  void Assign(const TVxbBlockedBinaryFile& other);

  // Reads the value whose chain starts at `blockIdx` as bytes; 0 gives the
  // empty value without touching the file.
  virtual int16_t ReadString(int32_t blockIdx, std::string& s) = 0;
  // Writes `s` as a new value, then frees the chain at `blockIdx` (0 for
  // none). Returns the new first block (0 for an empty value).
  virtual int32_t WriteString(int32_t blockIdx, std::string_view s) = 0;
  // Reads the value at `blockIdx` of `other` and writes it here as a new
  // value; returns its first block.
  int32_t CopyFrom(TVxbBlockedBinaryFile& other, int32_t blockIdx);
  // Puts the chain at `blockIdx` in front of the free list (0: nothing).
  int16_t FreeValue(int32_t blockIdx);
  // Resets the file to an empty store cut to its header block (all records
  // of the table deleted at once).
  int16_t Empty();

  // Checks the file against the values of `chains` and reports each finding
  // through `report`. Findings are data: the result is 0 unless a block
  // cannot be read.
  int16_t Check(const TVxbChainSource& chains, const TVxbCheckReport& report);

  bool IsDamaged() const { return FDamaged; }
  int16_t GetVersion() const { return FVersion; }
  // The head of the free list and the highest block, as kept in memory.
  int32_t GetNextBlock() const { return FNextBlock; }
  int32_t GetLastBlock() const { return FLastBlock; }

 protected:
  // How a chain ends in a file below level 5, where the value shows it.
  enum class TChainEnd { kGoOn, kLast, kInvalid };
  // The internal failure that the public operations turn into engine errors.
  enum class TFailure { kDamaged, kReadFailed, kWriteFailed, kTooLarge };
  struct EBlockedFileFailure {
    TFailure What;
  };

  // A closed file of `kind` for a table of level `version` on `storage`
  // (owned; opened without a cipher: blocks are enciphered here).
  TVxbBlockedBinaryFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage,
                        int16_t version, bool fixedBlockSize, int32_t blockSize, const TVxbBlockedFileKind& kind);

  // For chains below level 5: whether `block` (deciphered), the block at
  // `position` (0 for the first) of its chain, is the value's last. `state`
  // starts at 0 for each chain and is the subclass's to keep.
  virtual TChainEnd EndsValueByContent(const uint8_t* block, int32_t position, int64_t& state) const = 0;

  // --- for the subclasses; these throw EBlockedFileFailure ---
  // Reads data block `blockNo` (1 .. LastBlock, inside the file) into
  // `buffer` (one block) and deciphers it; any other number is damage.
  void ReadBlock(int32_t blockNo, uint8_t* buffer);
  // Takes the next block of a chain, sets the link of `buffer` (the
  // following block, or -1 when `last`), writes it and returns its number.
  int32_t AllocateBlock(uint8_t* buffer, bool last);
  // Frees the chain at `blockIdx` (> 0); its end is found by the links when
  // `byLink` is set or from level 5 on, else by the value.
  void FreeChain(int32_t blockIdx, bool byLink);
  // Writes NextBlock and LastBlock into the header block.
  void WriteHeader();
  // Marks the file damaged and fails.
  [[noreturn]] void Damage();
  // Fails unless the file is open, usable and not damaged.
  void RequireWritable();
  // Fails unless the file is open and its blocks can be read.
  void RequireReadable() const;
  // Notes one more block of a chain being walked; a block met twice means
  // the chain runs in a circle: damage.
  void VisitChainBlock(std::unordered_set<int32_t>& visited, int32_t blockNo);
  // Blocks 1 .. n that exist both in the header and in the file.
  int32_t UsableBlockCount() const;

  // Runs `body` and turns a failure into the recorded engine error.
  int32_t Guard(const std::function<int32_t()>& body);
  // Writes a value through `fill`, which calls AllocateBlock for each block,
  // then frees the chain at `oldBlockIdx`; the header is written in any case.
  // A failed write frees the blocks it took.
  int32_t WriteValue(int32_t oldBlockIdx, const std::function<int32_t()>& fill);
  // Records `failure` as the session's last error; returns the number negated.
  int16_t Record(TFailure failure);

  uint8_t* WorkBlock() { return FWorkBlock.data(); }
  uint8_t* TempBlock() { return FTempBlock.data(); }
  // Bytes of a block after its link.
  int32_t DataSize() const { return FBlockSize - kLinkSize; }
  errors::TVxbServices& Services() const { return FServices; }

 private:
  // Reads and validates the header; sets the damage mark when it is wrong.
  void ReadHeader();
  // Walks the free list once before its first block is reused or a chain
  // is added to it, so a list that runs in a circle or out of the file is
  // found before any block of it is handed out twice; notes its blocks.
  void VerifyFreeList();
  // The last block of the chain at `blockIdx` (FreeChain's rules); the
  // chain's blocks are added to `visited`.
  int32_t FindChainEnd(int32_t blockIdx, bool byLink, std::unordered_set<int32_t>& visited);
  // After a failed write: ends the chain written so far and frees it.
  void AbandonNewChain();
  void WriteBlock(int32_t blockNo, uint8_t* buffer);
  void AllocateBuffers();
  // True when the file's block size can be used for blocks at all.
  bool IsUsableBlockSize(int32_t blockSize) const;

  errors::TVxbServices& FServices;
  std::unique_ptr<index::TVxbClientStorage> FStorage;
  std::unique_ptr<index::TVxbStoragePageSite> FPage;
  index::TVxbEncryption* FEncryption = nullptr;
  bool FFixedBlockSize;
  int32_t FBlockSize;
  int16_t FVersion;
  int32_t FNextBlock = 1;
  int32_t FLastBlock = 0;
  bool FDamaged = false;
  // The block size stored in the file cannot be used: nothing can be read.
  bool FUnusable = false;
  // The free list was walked since the header was last read; FFreeBlocks
  // then holds its blocks and follows every change.
  bool FFreeListVerified = false;
  std::unordered_set<int32_t> FFreeBlocks;
  // The first and last block the value being written has taken so far.
  int32_t FChainFirst = 0;
  int32_t FChainLast = 0;
  std::vector<uint8_t> FWorkBlock;
  std::vector<uint8_t> FTempBlock;
  TVxbBlockedFileKind FKind;
  std::u16string FFileName;
  std::u16string FTableName;
};

}  // namespace vexilo::storage
