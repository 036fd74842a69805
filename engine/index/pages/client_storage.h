// TVxbClientStorage: one user's handle on a file of the page cache. A table,
// index or memo/blob file owns one; through it the file is created or opened,
// its pages are read and written (through page sites), and its changes are
// flushed, undone or dropped after another process changed the file.
//
// All client storages of one file in a process share one storage (one file
// handle, one cache): a page modified through one is seen at once through
// the others, and a flush through any of them writes all modifications.
// While open, the page size is the storage's, shared by all its clients.
//
// Page sites created by a client storage (ReadPage, NewPage, CreatePageSite)
// belong to their callers; closing the client storage unloads them, and
// destroying it detaches them, so a site never pins a page of a closed file.
// A client storage and its sites are used by one thread at a time; the page
// manager serializes what they share with other clients.
//
// Failures raise EVxbPageManager and its subclasses (page_manager_errors.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/index/pages/page_cipher.h"
#include "engine/index/pages/page_geometry.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/pages/page_storage.h"
#include "fs/file_system.h"

namespace vexilo::index {

class TVxbStoragePageSite;

class TVxbClientStorage {
 public:
  // A closed client storage of `clientHdl` (> 0) over files of `fileSystem`;
  // `cryptor` (nullptr for none) enciphers the file. None of them is owned;
  // all must outlive this object.
  TVxbClientStorage(TVxbPageManager& pageManager, fs::TvwFileSystem& fileSystem, TVxbClientHdl clientHdl,
                    const TvwCryptor* cryptor = nullptr);
  // A closed client storage with the same manager, file system, client and
  // cipher factory as `storage`.
  static std::unique_ptr<TVxbClientStorage> CreateSibling(const TVxbClientStorage& storage);
  // Closes the storage (unflushed changes of its last client are lost) and
  // detaches the sites still alive.
  ~TVxbClientStorage();
  TVxbClientStorage(const TVxbClientStorage&) = delete;
  TVxbClientStorage& operator=(const TVxbClientStorage&) = delete;

  // The file's name, resolved by the file system; set before opening.
  void SetName(std::u16string_view name) { FName = name; }
  const std::u16string& GetName() const { return FName; }

  // Creates (or truncates) the file and opens it as a new storage of its
  // own. The page size is the one set before, else the tile size. Raises
  // EVxbPageManager "Cannot create storage <name>: Error <code>".
  void NewStorage();
  // Opens the file, sharing the storage when this process has it open.
  // Raises EVxbPMStorageAccessDenied when it or the earlier opener wants
  // exclusive use, when the ciphers differ ("Wrong encryption") or when the
  // file system refuses; EVxbPMStorageNotFound when the file does not exist.
  // The page size becomes the storage's if it had one, else the one set
  // before, else the tile size.
  void Open(bool readOnly, bool exclusive);
  // Unloads this client's sites and lets go of the storage; the last client
  // of a storage closes its file, and modifications not flushed are lost.
  // Nothing when closed.
  void Close();

  // Writes every modified page of the storage and makes the file tile count
  // x tile size long. Raises EVxbPageManager "Saving tile: Cannot write tile
  // to storage"; the page that failed stays modified.
  void Flush();
  // Discards all modifications not yet written: pinned pages are read again
  // from the file on their next use. The page count is read from the file.
  void Undo();
  // Drops every cached page of the storage (after another process changed
  // the file); pinned pages are read again on their next use.
  void Invalidate();
  // Closes the file handle and opens it again.
  void UpdateDir();

  // Makes the file hold ceil(pageCount x page size / tile size) tiles;
  // cached pages beyond are dropped, and the file is cut at the next flush.
  void SetPageCount(int32_t pageCount);
  // Sets the page size (of the storage when open). When the tiles per buffer
  // change, modified pages are written first and every cached page of the
  // storage is dropped. Raises EVxbPageManager for a size that fits no tile
  // geometry (page_geometry.h).
  void SetPageSize(int32_t pageSize);

  // Pages in the file: ceil(tile count x tile size / page size); 0 when closed.
  int32_t GetPageCount() const;
  int32_t GetPageSize() const;
  // The file's size as the cache sees it: tile count x tile size.
  int64_t GetSize() const;
  bool GetReadOnly() const;
  bool GetExclusive() const;
  bool IsOpen() const { return FStorage != nullptr; }

  // A new site showing existing page `pageNo` (LoadPage rules).
  std::unique_ptr<TVxbStoragePageSite> ReadPage(int32_t pageNo);
  // A new site showing page `pageNo`, which may lie beyond the end of the
  // file (InitPage rules).
  std::unique_ptr<TVxbStoragePageSite> NewPage(int32_t pageNo);
  // A new site showing nothing.
  std::unique_ptr<TVxbStoragePageSite> CreatePageSite();

  // Reads `size` bytes at file position `pos` past the cache; returns the
  // bytes read (fewer at the end of the file), -1 on failure. For headers
  // outside the pages used through the cache.
  int32_t ReadDirect(int64_t pos, void* buffer, int32_t size);
  // Writes `size` bytes at `pos` past the cache; returns the bytes written,
  // -1 on failure. The tile count grows to cover them, so a flush keeps them.
  int32_t WriteDirect(int64_t pos, const void* buffer, int32_t size);

  TVxbPageManager& GetPageManager() const { return FPageManager; }
  fs::TvwFileSystem& GetFileSystem() const { return FFileSystem; }
  const TvwCryptor* GetCryptor() const { return FCryptor; }
  TVxbClientHdl GetClientHdl() const { return FPageManClientHdl; }
  // 0 when closed.
  TVxbStorageHdl GetStorageHdl() const { return FStorageHdl; }
  // Tiles this client had fetched into the cache (statistics).
  int64_t GetReadCount() const { return FReadCount; }

 private:
  friend class TVxbStoragePageSite;

  // The storage; when closed raises EVxbPageManager with the action
  // `actionPattern` (one %s: the name) and "Storage is not open".
  TVxbStorage& OpenStorage(std::u16string_view actionPattern) const;
  void AttachSite(TVxbStoragePageSite& site);
  void DetachSite(TVxbStoragePageSite& site);
  void UnloadSites();

  TVxbPageManager& FPageManager;
  fs::TvwFileSystem& FFileSystem;
  const TvwCryptor* FCryptor;
  int32_t FPageSize = 0;  // the page size asked for while closed; 0 for none
  TVxbClientHdl FPageManClientHdl;
  TVxbStorageHdl FStorageHdl = 0;
  TVxbStorage* FStorage = nullptr;  // the storage of FStorageHdl while open
  std::u16string FName;
  std::unique_ptr<TVxbStoragePageSite> FWorkPage;
  int64_t FReadCount = 0;
  TVxbStoragePageSite* FFirstSite = nullptr;  // sites of this client, linked
};

}  // namespace vexilo::index
