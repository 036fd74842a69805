#include "engine/index/pages/client_storage.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "engine/index/pages/page_manager_errors.h"
#include "engine/index/pages/page_site.h"

namespace vexilo::index {

TVxbClientStorage::TVxbClientStorage(TVxbPageManager& pageManager, fs::TvwFileSystem& fileSystem,
                                     TVxbClientHdl clientHdl, const TvwCryptor* cryptor)
    : FPageManager(pageManager), FFileSystem(fileSystem), FCryptor(cryptor), FPageManClientHdl(clientHdl) {}

std::unique_ptr<TVxbClientStorage> TVxbClientStorage::CreateSibling(const TVxbClientStorage& storage) {
  return std::make_unique<TVxbClientStorage>(storage.FPageManager, storage.FFileSystem, storage.FPageManClientHdl,
                                             storage.FCryptor);
}

TVxbClientStorage::~TVxbClientStorage() {
  try {
    Close();
  } catch (const std::exception&) {
    // Closing never fails for a storage that was opened; nothing to report.
  }
  FWorkPage.reset();
  while (FFirstSite) {
    TVxbStoragePageSite* site = FFirstSite;
    DetachSite(*site);
    site->FClientStorage = nullptr;
  }
}

TVxbStorage& TVxbClientStorage::OpenStorage(std::u16string_view actionPattern) const {
  if (!FStorage) {
    FPageManager.Raise<EVxbPageManager>(fs::FormatMessage(actionPattern, {fs::FormatArg(FName)}),
                                        u"Storage is not open");
  }
  return *FStorage;
}

void TVxbClientStorage::NewStorage() {
  Close();
  std::lock_guard lock(FPageManager.CriticalSection());
  const int32_t pageSize = FPageSize > 0 ? FPageSize : FFileSystem.GetPageSize();
  FStorageHdl = FPageManager.CreateStorage(FFileSystem, FName, FCryptor, pageSize);
  FStorage = FPageManager.Storage(FStorageHdl);
  FPageSize = FStorage->PageSize();
}

void TVxbClientStorage::Open(bool readOnly, bool exclusive) {
  Close();
  std::lock_guard lock(FPageManager.CriticalSection());
  int32_t pageSize = FPageSize;
  FStorageHdl = FPageManager.OpenStorage(FFileSystem, FName, readOnly, exclusive, FCryptor, pageSize);
  FStorage = FPageManager.Storage(FStorageHdl);
  FPageSize = pageSize;
}

void TVxbClientStorage::Close() {
  if (!FStorage) return;
  std::lock_guard lock(FPageManager.CriticalSection());
  UnloadSites();
  FWorkPage.reset();
  FPageSize = FStorage->PageSize();
  const TVxbStorageHdl storageHdl = FStorageHdl;
  FStorage = nullptr;
  FStorageHdl = 0;
  FPageManager.CloseStorage(storageHdl);
}

void TVxbClientStorage::Flush() {
  if (!FStorage) return;
  FPageManager.FlushStorage(FStorageHdl);
}

void TVxbClientStorage::Undo() {
  if (!FStorage) return;
  FPageManager.UndoStorage(FStorageHdl);
}

void TVxbClientStorage::Invalidate() {
  if (!FStorage) return;
  FPageManager.InvalidateStorage(FStorageHdl);
}

void TVxbClientStorage::UpdateDir() {
  if (!FStorage) return;
  FPageManager.UpdateStorageDir(FStorageHdl);
}

void TVxbClientStorage::SetPageCount(int32_t pageCount) {
  if (!FStorage) return;
  std::lock_guard lock(FPageManager.CriticalSection());
  const int64_t tileCount = FStorage->Geometry().TileCount(std::max(pageCount, 0));
  if (tileCount == FStorage->TileCount()) return;
  if (FWorkPage) FWorkPage->UnloadPage();
  FPageManager.SetStorageTileCount(FStorageHdl, tileCount);
}

void TVxbClientStorage::SetPageSize(int32_t pageSize) {
  const int32_t tileSize = FFileSystem.GetPageSize();
  const TVxbPageGeometry geometry(pageSize, tileSize);
  if (!geometry.IsValid()) {
    FPageManager.Raise<EVxbPageManager>(
        fs::FormatMessage(u"Setting page size of storage \"%s\"", {fs::FormatArg(FName)}),
        fs::FormatMessage(u"Page size %d does not fit tiles of %d bytes",
                             {fs::FormatArg(pageSize), fs::FormatArg(tileSize)}));
  }
  if (FStorage) FPageManager.SetStoragePageSize(FStorageHdl, geometry);
  FPageSize = pageSize;
}

int32_t TVxbClientStorage::GetPageCount() const {
  if (!FStorage) return 0;
  std::lock_guard lock(FPageManager.CriticalSection());
  return static_cast<int32_t>(std::min<int64_t>(FStorage->PageCount(), std::numeric_limits<int32_t>::max()));
}

int32_t TVxbClientStorage::GetPageSize() const { return FStorage ? FStorage->PageSize() : FPageSize; }

int64_t TVxbClientStorage::GetSize() const {
  if (!FStorage) return 0;
  std::lock_guard lock(FPageManager.CriticalSection());
  return FStorage->TileCount() * FStorage->TileSize();
}

bool TVxbClientStorage::GetReadOnly() const { return FStorage && FStorage->ReadOnly(); }

bool TVxbClientStorage::GetExclusive() const { return FStorage && FStorage->Exclusive(); }

std::unique_ptr<TVxbStoragePageSite> TVxbClientStorage::ReadPage(int32_t pageNo) {
  auto site = std::make_unique<TVxbStoragePageSite>(*this);
  site->LoadPage(pageNo);
  return site;
}

std::unique_ptr<TVxbStoragePageSite> TVxbClientStorage::NewPage(int32_t pageNo) {
  auto site = std::make_unique<TVxbStoragePageSite>(*this);
  site->InitPage(pageNo);
  return site;
}

std::unique_ptr<TVxbStoragePageSite> TVxbClientStorage::CreatePageSite() {
  return std::make_unique<TVxbStoragePageSite>(*this);
}

int32_t TVxbClientStorage::ReadDirect(int64_t pos, void* buffer, int32_t size) {
  std::lock_guard lock(FPageManager.CriticalSection());
  TVxbStorage& storage = OpenStorage(u"Reading storage \"%s\"");
  return FFileSystem.FileRead(storage.FileHdl(), pos, buffer, size);
}

int32_t TVxbClientStorage::WriteDirect(int64_t pos, const void* buffer, int32_t size) {
  std::lock_guard lock(FPageManager.CriticalSection());
  TVxbStorage& storage = OpenStorage(u"Writing storage \"%s\"");
  const int32_t written = FFileSystem.FileWrite(storage.FileHdl(), pos, buffer, size);
  if (written > 0) {
    // A flush cuts the file at tile count x tile size; bytes written here
    // must lie inside it.
    const int64_t tileSize = storage.TileSize();
    const int64_t tiles = (pos + written + tileSize - 1) / tileSize;
    if (tiles > storage.TileCount()) storage.SetTileCount(tiles);
  }
  return written;
}

void TVxbClientStorage::AttachSite(TVxbStoragePageSite& site) {
  site.FPrevSite = nullptr;
  site.FNextSite = FFirstSite;
  if (FFirstSite) FFirstSite->FPrevSite = &site;
  FFirstSite = &site;
}

void TVxbClientStorage::DetachSite(TVxbStoragePageSite& site) {
  if (site.FPrevSite) site.FPrevSite->FNextSite = site.FNextSite;
  else if (FFirstSite == &site) FFirstSite = site.FNextSite;
  if (site.FNextSite) site.FNextSite->FPrevSite = site.FPrevSite;
  site.FPrevSite = site.FNextSite = nullptr;
}

void TVxbClientStorage::UnloadSites() {
  for (TVxbStoragePageSite* site = FFirstSite; site; site = site->FNextSite) site->UnloadPage();
}

}  // namespace vexilo::index
