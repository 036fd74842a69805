#include "engine/index/pages/page_storage.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vexilo::index {

namespace {

constexpr int64_t kMinBuckets = 64;

}  // namespace

TVxbStoragePage::TVxbStoragePage(size_t memorySize)
    : FMemory(std::make_unique_for_overwrite<uint8_t[]>(memorySize)), FMemorySize(memorySize) {}

TVxbStorage::TVxbStorage(TVxbStorageHdl hdl, TOptions options)
    : FHdl(hdl),
      FName(std::move(options.Name)),
      FFileSystem(options.FileSystem),
      FReadOnly(options.ReadOnly),
      FExclusive(options.Exclusive),
      FOpenMode(options.OpenMode),
      FFileHdl(options.FileHdl),
      FEncryption(std::move(options.Encryption)),
      FTileCount(options.TileCount),
      FPageSize(options.PageSize),
      FGeometry(options.PageSize, options.FileSystem->GetPageSize()),
      FCachedPages(static_cast<size_t>(std::max(options.TileCount / 10, kMinBuckets))) {}

void TVxbStorage::AbandonFile() { FFileHdl = -1; }

TVxbStorage::~TVxbStorage() {
  // Pages still cached here are dropped with their chains, iteratively.
  for (auto& head : FCachedPages) {
    while (head) head = std::move(head->FNextInHash);
  }
  if (fs::IsValidHandle(FFileHdl)) FFileSystem->CloseFile(FFileHdl);
}

void TVxbStorage::SetGeometry(const TVxbPageGeometry& geometry) {
  FGeometry = geometry;
  FPageSize = geometry.PageSize();
}

void TVxbStorage::ReadTileCount() {
  const int64_t size = FFileSystem->GetFileSize(FFileHdl);
  const int64_t tile = TileSize();
  FTileCount = (size + tile - 1) / tile;
}

bool TVxbStorage::ReopenFile() {
  if (fs::IsValidHandle(FFileHdl)) FFileSystem->CloseFile(FFileHdl);
  FFileHdl = FFileSystem->OpenFile(FName, FOpenMode);
  return fs::IsValidHandle(FFileHdl);
}

TVxbStoragePage* TVxbStorage::FindPage(int64_t tileNo, size_t size) const {
  for (TVxbStoragePage* page = FCachedPages[Bucket(tileNo)].get(); page; page = page->FNextInHash.get()) {
    if (page->FTileNo == tileNo && page->FMemorySize == size) return page;
  }
  return nullptr;
}

void TVxbStorage::AddPage(std::unique_ptr<TVxbStoragePage> page) {
  page->FStorageHdl = FHdl;
  if (++FPageCount > 2 * FCachedPages.size()) GrowBuckets();
  std::unique_ptr<TVxbStoragePage>* link = &FCachedPages[Bucket(page->FTileNo)];
  page->FNextInHash = std::move(*link);
  *link = std::move(page);
}

void TVxbStorage::GrowBuckets() {
  std::vector<std::unique_ptr<TVxbStoragePage>> old(FCachedPages.size() * 4);
  old.swap(FCachedPages);
  for (auto& head : old) {
    while (head) {
      std::unique_ptr<TVxbStoragePage> page = std::move(head);
      head = std::move(page->FNextInHash);
      std::unique_ptr<TVxbStoragePage>& bucket = FCachedPages[Bucket(page->FTileNo)];
      page->FNextInHash = std::move(bucket);
      bucket = std::move(page);
    }
  }
}

std::unique_ptr<TVxbStoragePage> TVxbStorage::RemovePage(TVxbStoragePage* page) {
  std::unique_ptr<TVxbStoragePage>* link = &FCachedPages[Bucket(page->FTileNo)];
  while (*link && link->get() != page) link = &(*link)->FNextInHash;
  if (!*link) return nullptr;
  if (page->IsModified()) UnlinkModified(*page);
  std::unique_ptr<TVxbStoragePage> removed = std::move(*link);
  *link = std::move(removed->FNextInHash);
  removed->FStorageHdl = 0;
  --FPageCount;
  return removed;
}

std::vector<std::unique_ptr<TVxbStoragePage>> TVxbStorage::ExtractPages(
    const std::function<bool(TVxbStoragePage&)>& select) {
  std::vector<std::unique_ptr<TVxbStoragePage>> extracted;
  for (auto& head : FCachedPages) {
    std::unique_ptr<TVxbStoragePage>* link = &head;
    while (*link) {
      TVxbStoragePage& page = **link;
      if (!select(page)) {
        link = &page.FNextInHash;
        continue;
      }
      if (page.IsModified()) UnlinkModified(page);
      std::unique_ptr<TVxbStoragePage> removed = std::move(*link);
      *link = std::move(removed->FNextInHash);
      removed->FStorageHdl = 0;
      --FPageCount;
      extracted.push_back(std::move(removed));
    }
  }
  return extracted;
}

size_t TVxbStorage::CachedPageCount() const {
  size_t count = 0;
  for (const auto& head : FCachedPages) {
    for (const TVxbStoragePage* page = head.get(); page; page = page->FNextInHash.get()) ++count;
  }
  return count;
}

void TVxbStorage::MarkModified(TVxbStoragePage& page, TVxbClientHdl clientHdl) {
  page.FNextModified = FFirstModified;
  FFirstModified = &page;
  page.SetClientHdl(clientHdl);
}

void TVxbStorage::MarkStale(TVxbStoragePage& page) {
  if (page.IsModified()) UnlinkModified(page);
  page.SetClientHdl(TVxbStoragePage::kStale);
}

void TVxbStorage::UnlinkModified(TVxbStoragePage& page) {
  TVxbStoragePage** link = &FFirstModified;
  while (*link && *link != &page) link = &(*link)->FNextModified;
  if (*link) *link = page.FNextModified;
  page.FNextModified = nullptr;
}

bool TVxbStorage::ReadTiles(TVxbStoragePage& page) {
  const int32_t tile = TileSize();
  const int64_t size = static_cast<int64_t>(page.FMemorySize);
  const int32_t read = FFileSystem->FileRead(FFileHdl, page.FTileNo * tile, page.FMemory.get(),
                                             static_cast<int32_t>(size));
  if (read < 0) return false;
  if (FEncryption) {
    for (int64_t ofs = 0; ofs < read; ofs += tile) FEncryption->DecryptBlock(page.FMemory.get() + ofs, tile);
  }
  // Bytes beyond the end of the file read as zeros, never as what a recycled
  // buffer held before.
  if (read < size) std::memset(page.FMemory.get() + read, 0, static_cast<size_t>(size - read));
  return true;
}

bool TVxbStorage::WritePage(TVxbStoragePage& page) {
  const int32_t tile = TileSize();
  // Only the tiles inside the file are written: the file is always a whole
  // number of tiles, tile count x tile size at most.
  const int64_t tiles = std::min<int64_t>(static_cast<int64_t>(page.FMemorySize) / tile,
                                          FTileCount - page.FTileNo);
  if (tiles <= 0) return true;
  const int32_t size = static_cast<int32_t>(tiles * tile);
  uint8_t* memory = page.FMemory.get();
  if (FEncryption) {
    for (int32_t ofs = 0; ofs < size; ofs += tile) FEncryption->EncryptBlock(memory + ofs, tile);
  }
  const int32_t written = FFileSystem->FileWrite(FFileHdl, page.FTileNo * tile, memory, size);
  if (FEncryption) {
    for (int32_t ofs = 0; ofs < size; ofs += tile) FEncryption->DecryptBlock(memory + ofs, tile);
  }
  return written == size;
}

bool TVxbStorage::WriteModifiedPages() {
  const size_t bufferSize = static_cast<size_t>(FGeometry.BufferSize());
  while (FFirstModified) {
    TVxbStoragePage& page = *FFirstModified;
    if (page.FMemorySize >= bufferSize && !WritePage(page)) return false;
    FFirstModified = page.FNextModified;
    page.FNextModified = nullptr;
    page.SetClientHdl(TVxbStoragePage::kClean);
  }
  return true;
}

}  // namespace vexilo::index
