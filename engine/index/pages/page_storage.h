// TVxbStorage and TVxbStoragePage: one open file of the page cache and one
// cached buffer of it. Both belong to the page manager (page_manager.h),
// which creates, links and frees them under its critical section; clients
// reach files only through client storages (client_storage.h) and page sites
// (page_site.h). A page site reads a pinned buffer's bytes and state without
// the lock: a pinned buffer is never freed, moved or resized.
//
// A storage keeps
// - its cached buffers in a hash table of max(tiles at opening / 10, 64)
//   chains, a buffer's chain being its first tile modulo the chain count (new
//   buffers go to the end of their chain). Stale buffers stay in the table
//   while pinned; a lookup only ever matches a buffer of the current size.
// - the list of modified buffers, newest first. A buffer is on it exactly
//   while its state is "modified".
// - the tile count: the number of tiles of the file as the cache sees it. The
//   file on disk is made that long (by truncation) and filled up (by writing
//   whole tiles) when the storage is flushed.
//
// The cache imposes no format of its own; it sees a file as tiles and pages:
//
//   file offset          size   meaning
//   n * T                T      tile n (T: the file system's page size)
//   N * P                P      page N of the storage's page size P
//
// Every write of the cache covers whole tiles below the tile count, so a file
// the cache has flushed is a whole number of tiles long (a reader of the
// formats above must still accept any length that holds its data).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/pages/page_cipher.h"
#include "engine/index/pages/page_geometry.h"
#include "fs/file_system.h"

namespace vexilo::index {

// A storage's number in the page manager: its slot in the list of storages
// plus 1; 0 stands for no storage.
using TVxbStorageHdl = int32_t;
// A user of the page cache, as a rule a session; positive.
using TVxbClientHdl = int32_t;

class TVxbPageManager;

// One cached buffer: one or more consecutive tiles of one storage.
//
// State (ClientHdl()):
//   0   clean: equal to the file
//   >0  modified by the client with that handle, not yet written
//   -1  stale: must be read again from the file before its bytes are used
class TVxbStoragePage {
 public:
  static constexpr int32_t kClean = 0;
  static constexpr int32_t kStale = -1;

  explicit TVxbStoragePage(size_t memorySize);
  TVxbStoragePage(const TVxbStoragePage&) = delete;
  TVxbStoragePage& operator=(const TVxbStoragePage&) = delete;

  uint8_t* Memory() const { return FMemory.get(); }
  // Bytes in the buffer, a multiple of the tile size.
  size_t MemorySize() const { return FMemorySize; }
  int32_t ClientHdl() const { return FClientHdl.load(std::memory_order_relaxed); }
  bool IsStale() const { return ClientHdl() == kStale; }
  bool IsModified() const { return ClientHdl() > 0; }
  TVxbStorageHdl StorageHdl() const { return FStorageHdl; }
  // The first tile the buffer holds.
  int64_t TileNo() const { return FTileNo; }
  // Number of page sites pinning the buffer.
  int32_t Locks() const { return FLocks; }

 private:
  friend class TVxbPageManager;
  friend class TVxbStorage;

  void SetClientHdl(int32_t value) { FClientHdl.store(value, std::memory_order_relaxed); }

  std::unique_ptr<uint8_t[]> FMemory;
  size_t FMemorySize;
  std::atomic<int32_t> FClientHdl{kClean};
  TVxbStorageHdl FStorageHdl = 0;
  int64_t FTileNo = 0;
  std::unique_ptr<TVxbStoragePage> FNextInHash;
  int32_t FLocks = 0;
  TVxbStoragePage* FNextModified = nullptr;
};

// One open file, shared by every client storage of the process that opened
// it. Not thread-safe by itself: the page manager serializes its use.
class TVxbStorage {
 public:
  struct TOptions {
    std::u16string Name;
    fs::TvwFileSystem* FileSystem = nullptr;  // not owned
    bool ReadOnly = false;
    bool Exclusive = false;
    uint32_t OpenMode = 0;  // the mode the file handle was opened with
    int32_t FileHdl = -1;   // owned: closed with the storage
    std::unique_ptr<TVxbEncryption> Encryption;
    int64_t TileCount = 0;
    int32_t PageSize = 0;
  };

  TVxbStorage(TVxbStorageHdl hdl, TOptions options);
  // Closes the file handle. Cached buffers must have been taken out before.
  ~TVxbStorage();
  TVxbStorage(const TVxbStorage&) = delete;
  TVxbStorage& operator=(const TVxbStorage&) = delete;

  TVxbStorageHdl Hdl() const { return FHdl; }
  const std::u16string& Name() const { return FName; }
  fs::TvwFileSystem& FileSystem() const { return *FFileSystem; }
  bool ReadOnly() const { return FReadOnly; }
  bool Exclusive() const { return FExclusive; }
  int32_t FileHdl() const { return FFileHdl; }
  TVxbEncryption* Encryption() const { return FEncryption.get(); }
  int32_t TileSize() const { return FGeometry.TileSize(); }
  int64_t TileCount() const { return FTileCount; }
  int32_t PageSize() const { return FPageSize; }
  const TVxbPageGeometry& Geometry() const { return FGeometry; }
  int32_t RefCounter() const { return FRefCounter; }
  int64_t PageCount() const { return FGeometry.PageCount(FTileCount); }

  void SetTileCount(int64_t value) { FTileCount = value; }
  // The caller has checked that `geometry` is valid.
  void SetGeometry(const TVxbPageGeometry& geometry);
  void AddReference() { ++FRefCounter; }
  // Returns the number of references left.
  int32_t DropReference() { return --FRefCounter; }
  // Re-reads the tile count from the file's size.
  void ReadTileCount();
  // Forgets the file handle without closing it (its file system may be gone;
  // it closes its own handles).
  void AbandonFile();
  // Closes the file handle and opens the file again with the same mode.
  // False (handle -1) when it cannot be opened again.
  bool ReopenFile();

  // The buffer of `size` bytes whose first tile is `tileNo`, stale or not;
  // nullptr when there is none.
  TVxbStoragePage* FindPage(int64_t tileNo, size_t size) const;
  // Enters `page` at the end of its chain.
  void AddPage(std::unique_ptr<TVxbStoragePage> page);
  // Takes `page` out of the hash table (and the modified list).
  std::unique_ptr<TVxbStoragePage> RemovePage(TVxbStoragePage* page);
  // Takes every buffer for which `select` is true out of the hash table and
  // the modified list; `select` may change a buffer it keeps (mark it stale).
  std::vector<std::unique_ptr<TVxbStoragePage>> ExtractPages(
      const std::function<bool(TVxbStoragePage&)>& select);
  // Number of cached buffers, stale ones included.
  size_t CachedPageCount() const;

  // Puts a clean buffer at the front of the modified list as modified by
  // `clientHdl`.
  void MarkModified(TVxbStoragePage& page, TVxbClientHdl clientHdl);
  // Marks `page` stale, taking it off the modified list.
  void MarkStale(TVxbStoragePage& page);
  bool HasModifiedPages() const { return FFirstModified != nullptr; }

  // Reads the buffer's tiles from the file and decrypts them; the part
  // beyond the end of the file is zeroed. False when the read fails.
  bool ReadTiles(TVxbStoragePage& page);
  // Writes every modified buffer (the tiles of it below the tile count) and
  // marks it clean. Returns false at the first failed write; that buffer and
  // the ones after it stay modified.
  bool WriteModifiedPages();

 private:
  size_t Bucket(int64_t tileNo) const { return static_cast<size_t>(tileNo % static_cast<int64_t>(FCachedPages.size())); }
  void UnlinkModified(TVxbStoragePage& page);
  // Four times the buckets, every cached page rehashed.
  void GrowBuckets();
  bool WritePage(TVxbStoragePage& page);

  TVxbStorageHdl FHdl;
  std::u16string FName;
  fs::TvwFileSystem* FFileSystem;
  bool FReadOnly;
  bool FExclusive;
  uint32_t FOpenMode;
  int32_t FFileHdl;
  std::unique_ptr<TVxbEncryption> FEncryption;
  int64_t FTileCount;
  int32_t FPageSize;
  TVxbPageGeometry FGeometry;
  int32_t FRefCounter = 1;
  // The cached pages hashed by tile number, a chain per bucket; the buckets
  // grow as pages are added so that chains stay short.
  std::vector<std::unique_ptr<TVxbStoragePage>> FCachedPages;
  size_t FPageCount = 0;
  TVxbStoragePage* FFirstModified = nullptr;
};

}  // namespace vexilo::index
