// TVxbPageManager: the process-wide page cache. Every file of a table, an
// index or a memo/blob store is read and written in pages through it. It
// opens each file once for the whole process (one storage, one file handle,
// however many tables and sessions use it), keeps one shared cache of the
// files' contents in tile-sized buffers, tracks which buffers were modified
// and by which client, writes them back on flush, discards them on undo and
// reloads them after another process changed a file.
//
// Users reach storages through client storages (client_storage.h) and pages
// through page sites (page_site.h); this class holds what they share:
// - file systems registered by name, with reference counts;
// - the storages, numbered by handle (slot + 1; a closed storage leaves its
//   slot empty, and the last empty slot is reused before the list grows);
// - free buffers, one list per buffer size, recycled instead of freed;
// - the cache limit: the sum of the registered clients' cache sizes. Before
//   each new buffer the cache makes room (free lists trimmed, clean unpinned
//   buffers recounted into them) but it never refuses a buffer; it logs a
//   warning instead, and recounts again only after the cache has grown by a
//   quarter of its limit. Until some client registers, the limit is 0 and every
//   new buffer makes room.
//
// There is one manager per process (Instance(), created on first use and
// freed at shutdown); tests may build their own. Every operation that touches
// shared state runs under the manager's re-entrant critical section, so any
// thread may call it; the private helpers that rely on it being held by
// their caller say so (REQUIRES) and check it (fs/contract.h). Failures
// raise EVxbPageManager (page_manager_errors.h) after logging what was
// being done at severity 3.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/index/pages/page_cipher.h"
#include "engine/index/pages/page_storage.h"
#include "fs/file_system.h"
#include "fs/format.h"
#include "fs/log.h"
#include "fs/owned_mutex.h"

namespace vexilo::index {

class TVxbClientStorage;
class TVxbStoragePageSite;

class TVxbPageManager {
 public:
  // The subsystem name of the manager's log lines.
  static constexpr std::u16string_view kLogSubsystem = u"Page Manager";

  // The manager of the process, created on first use.
  static TVxbPageManager& Instance();

  // A manager of its own (tests); the process's one is Instance().
  TVxbPageManager();
  // Frees every buffer. File handles of storages still open are left to
  // their file systems.
  ~TVxbPageManager();
  TVxbPageManager(const TVxbPageManager&) = delete;
  TVxbPageManager& operator=(const TVxbPageManager&) = delete;

  // Registers `fileSystem` (not owned) under `name`, with no reference yet;
  // false when the name is taken.
  bool AddFileSystem(std::u16string_view name, fs::TvwFileSystem& fileSystem);
  // The file system registered under `name` (case-insensitive), counting a
  // reference; nullptr when there is none.
  fs::TvwFileSystem* GetFileSystem(std::u16string_view name);
  // Drops a reference; at none left calls the file system's Close and forgets
  // it. Raises EVxbPageManager "Releasing file system: File system "%s" not
  // fond" when `fileSystem` is not registered.
  void ReleaseFileSystem(fs::TvwFileSystem& fileSystem);

  // Adds `cacheSizeKiB` KiB to the cache limit.
  void RegisterClient(TVxbClientHdl clientHdl, int32_t cacheSizeKiB);
  // Takes `cacheSizeKiB` KiB from the cache limit (not below 0) and makes
  // room within the new limit.
  void UnregisterClient(TVxbClientHdl clientHdl, int32_t cacheSizeKiB);
  // The diagnostic log (not owned; nullptr for none). It must outlive its use
  // here.
  void SetLog(fs::TvwLog* log);

  // The buffer of `tileCount` tiles from `tileNo` on: the cached one (a stale
  // one is read again), else a new one read from the file and cached. The
  // caller pins it before it calls the manager again.
  TVxbStoragePage* ReadStorageTile(TVxbClientHdl clientHdl, TVxbStorageHdl storageHdl, int64_t tileNo,
                                   int32_t tileCount);
  // A zeroed buffer for tiles beyond the end of the file, cached; the tile
  // count grows to tileNo + tileCount when tileNo was at or beyond it.
  TVxbStoragePage* NewStorageTile(TVxbClientHdl clientHdl, TVxbStorageHdl storageHdl, int64_t tileNo,
                                  int32_t tileCount);
  // Closes the storage's file handle and opens the file again (same mode).
  void UpdateStorageDir(TVxbStorageHdl storageHdl);

  // Figures for diagnostics and tests.
  int64_t CacheLimit() const;
  // Bytes of every buffer allocated: cached, pinned or free.
  int64_t CacheSize() const;
  // Buffers waiting in the free lists.
  size_t FreeBufferCount() const;
  // Slots in the storage list, empty ones included.
  int32_t StorageSlotCount() const;
  // Client storages using storage `storageHdl`; 0 for an empty slot.
  int32_t StorageReferences(TVxbStorageHdl storageHdl) const;
  // Buffers cached for storage `storageHdl`.
  size_t CachedPageCount(TVxbStorageHdl storageHdl) const;

  // The re-entrant lock held by every operation on shared state.
  fs::TvwOwnedMutex& CriticalSection() const { return FCriticalSection; }

 private:
  friend class TVxbClientStorage;
  friend class TVxbStoragePageSite;

  struct TVxbFileSystemEntry {
    std::u16string FName;
    fs::TvwFileSystem* FFileSystem;
    int32_t FReferenceCounter;
  };

  // --- storages (client_storage.cpp calls these under the lock) ---
  // REQUIRES: the critical section is held (the storage list may change
  // under anyone else).
  TVxbStorage* Storage(TVxbStorageHdl storageHdl) const;
  TVxbStorage& CheckedStorage(TVxbStorageHdl storageHdl) const;
  // Opens or shares the storage of `name`; returns its handle. `pageSize` is
  // the client's (0 for none) and becomes the storage's.
  TVxbStorageHdl OpenStorage(fs::TvwFileSystem& fileSystem, std::u16string_view name, bool readOnly,
                             bool exclusive, const TvwCryptor* cryptor, int32_t& pageSize);
  TVxbStorageHdl CreateStorage(fs::TvwFileSystem& fileSystem, std::u16string_view name,
                               const TvwCryptor* cryptor, int32_t pageSize);
  // The slot for a new storage: the last empty one, else a new one.
  // REQUIRES: the critical section is held.
  size_t NewSlot();
  // Drops a reference; the last one frees the buffers and closes the file.
  void CloseStorage(TVxbStorageHdl storageHdl);
  void FlushStorage(TVxbStorageHdl storageHdl);
  void UndoStorage(TVxbStorageHdl storageHdl);
  void InvalidateStorage(TVxbStorageHdl storageHdl);
  void SetStorageTileCount(TVxbStorageHdl storageHdl, int64_t tileCount);
  void SetStoragePageSize(TVxbStorageHdl storageHdl, const TVxbPageGeometry& geometry);

  // --- buffers ---
  // The free lists, the cache size and the storages' page lists below are
  // shared by every thread. REQUIRES (each of these helpers): the critical
  // section is held by the calling thread.
  // Pins the buffer that starts at `tileNo` for a site that holds `held`
  // (nullptr for none; unpinned here when it is not the right one).
  TVxbStoragePage* PinTile(TVxbClientHdl clientHdl, TVxbStorage& storage, int64_t tileNo, bool create,
                           TVxbStoragePage* held, bool& fetched);
  void Unpin(TVxbStoragePage& page);
  // A buffer of `size` bytes from the free lists or newly allocated.
  std::unique_ptr<TVxbStoragePage> AcquireBuffer(size_t size);
  void ReleaseBuffer(std::unique_ptr<TVxbStoragePage> page);
  void ReleaseBuffers(std::vector<std::unique_ptr<TVxbStoragePage>> pages);
  // Frees unpinned buffers that `select` picks and marks the pinned ones
  // stale.
  void DropPages(TVxbStorage& storage, const std::function<bool(const TVxbStoragePage&)>& select);
  void MakeRoom();
  void TrimFreeLists();

  // --- failures and log ---
  void Log(int32_t severity, std::u16string_view msg, std::initializer_list<fs::FormatArg> args = {}) const;
  // Logs `action` at severity 3 and raises E(action, reason).
  template <class E>
  [[noreturn]] void Raise(std::u16string_view action, std::u16string_view reason) const;
  template <class E>
  [[noreturn]] void Raise(std::u16string_view message) const;

  mutable fs::TvwOwnedMutex FCriticalSection;
  std::vector<TVxbFileSystemEntry> FFileSystems;
  std::vector<std::unique_ptr<TVxbStorage>> FStorages;
  // Free buffers by size in bytes; the most recently freed last.
  std::map<size_t, std::vector<std::unique_ptr<TVxbStoragePage>>> FTileCaches;
  fs::TvwLog* FLog = nullptr;
  int64_t FCacheLimit = 0;
  int64_t FCacheSize = 0;
  // After a recount that could not bring the cache under its limit (every
  // buffer modified or pinned), the next one waits until the cache has
  // grown to this size: recounting before every new buffer would make
  // filling a cache of modified pages quadratic.
  int64_t FNextRecountSize = 0;
  // Counts changes of a storage's page size.
  int32_t FLastGeneration = 0;
};

}  // namespace vexilo::index
