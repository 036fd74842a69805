#include "engine/index/pages/page_manager.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/index/pages/page_manager_errors.h"
#include "fs/contract.h"

namespace vexilo::index {

namespace {

// Case-insensitive comparison of registration names (ASCII letters).
bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
    if (x != y) return false;
  }
  return true;
}

std::u16string Format(std::u16string_view pattern, std::initializer_list<fs::FormatArg> args) {
  return fs::FormatMessage(pattern, fs::FormatArgs(args.begin(), args.size()));
}

}  // namespace

TVxbPageManager& TVxbPageManager::Instance() {
  static TVxbPageManager instance;
  return instance;
}

TVxbPageManager::TVxbPageManager() = default;

TVxbPageManager::~TVxbPageManager() {
  // Storages still open at shutdown let go of their buffers. Their file
  // handles belong to file systems that may be gone already; those close
  // their own handles.
  for (auto& storage : FStorages) {
    if (storage) storage->AbandonFile();
  }
  FStorages.clear();
  FTileCaches.clear();
}

// --- file systems ---

bool TVxbPageManager::AddFileSystem(std::u16string_view name, fs::TvwFileSystem& fileSystem) {
  std::lock_guard lock(FCriticalSection);
  for (const TVxbFileSystemEntry& entry : FFileSystems) {
    if (SameName(entry.FName, name)) return false;
  }
  FFileSystems.push_back({std::u16string(name), &fileSystem, 0});
  return true;
}

fs::TvwFileSystem* TVxbPageManager::GetFileSystem(std::u16string_view name) {
  std::lock_guard lock(FCriticalSection);
  for (TVxbFileSystemEntry& entry : FFileSystems) {
    if (SameName(entry.FName, name)) {
      ++entry.FReferenceCounter;
      return entry.FFileSystem;
    }
  }
  return nullptr;
}

void TVxbPageManager::ReleaseFileSystem(fs::TvwFileSystem& fileSystem) {
  std::lock_guard lock(FCriticalSection);
  auto entry = std::find_if(FFileSystems.begin(), FFileSystems.end(),
                            [&](const TVxbFileSystemEntry& e) { return e.FFileSystem == &fileSystem; });
  if (entry == FFileSystems.end()) {
    Raise<EVxbPageManager>(u"Releasing file system",
                           Format(u"File system \"%s\" not fond", {fileSystem.GetBaseDirectory()}));
  }
  if (--entry->FReferenceCounter > 0) return;
  FFileSystems.erase(entry);
  fileSystem.Close();
}

// --- clients, log, figures ---

void TVxbPageManager::RegisterClient(TVxbClientHdl, int32_t cacheSizeKiB) {
  std::lock_guard lock(FCriticalSection);
  FCacheLimit += int64_t{cacheSizeKiB} * 1024;
}

void TVxbPageManager::UnregisterClient(TVxbClientHdl, int32_t cacheSizeKiB) {
  std::lock_guard lock(FCriticalSection);
  FCacheLimit = std::max<int64_t>(FCacheLimit - int64_t{cacheSizeKiB} * 1024, 0);
  MakeRoom();
}

void TVxbPageManager::SetLog(fs::TvwLog* log) {
  std::lock_guard lock(FCriticalSection);
  FLog = log;
}

int64_t TVxbPageManager::CacheLimit() const {
  std::lock_guard lock(FCriticalSection);
  return FCacheLimit;
}

int64_t TVxbPageManager::CacheSize() const {
  std::lock_guard lock(FCriticalSection);
  return FCacheSize;
}

size_t TVxbPageManager::FreeBufferCount() const {
  std::lock_guard lock(FCriticalSection);
  size_t count = 0;
  for (const auto& [size, buffers] : FTileCaches) count += buffers.size();
  return count;
}

int32_t TVxbPageManager::StorageSlotCount() const {
  std::lock_guard lock(FCriticalSection);
  return static_cast<int32_t>(FStorages.size());
}

int32_t TVxbPageManager::StorageReferences(TVxbStorageHdl storageHdl) const {
  std::lock_guard lock(FCriticalSection);
  const TVxbStorage* storage = Storage(storageHdl);
  return storage ? storage->RefCounter() : 0;
}

size_t TVxbPageManager::CachedPageCount(TVxbStorageHdl storageHdl) const {
  std::lock_guard lock(FCriticalSection);
  const TVxbStorage* storage = Storage(storageHdl);
  return storage ? storage->CachedPageCount() : 0;
}

void TVxbPageManager::Log(int32_t severity, std::u16string_view msg,
                          std::initializer_list<fs::FormatArg> args) const {
  if (!FLog) return;
  try {
    FLog->Log(severity, kLogSubsystem, msg, args);
  } catch (const std::exception&) {
    // A log that cannot be written must not fail the page cache.
  }
}

template <class E>
void TVxbPageManager::Raise(std::u16string_view action, std::u16string_view reason) const {
  Log(3, u"%s", {action});
  throw E(action, reason);
}

template <class E>
void TVxbPageManager::Raise(std::u16string_view message) const {
  Log(3, u"%s", {message});
  throw E(message);
}

template void TVxbPageManager::Raise<EVxbPageManager>(std::u16string_view, std::u16string_view) const;
template void TVxbPageManager::Raise<EVxbPageManager>(std::u16string_view) const;
template void TVxbPageManager::Raise<EVxbPMStorageNotFound>(std::u16string_view) const;
template void TVxbPageManager::Raise<EVxbPMStorageAccessDenied>(std::u16string_view, std::u16string_view) const;
template void TVxbPageManager::Raise<EVxbPMStorageAccessDenied>(std::u16string_view) const;

// --- storages ---

TVxbStorage* TVxbPageManager::Storage(TVxbStorageHdl storageHdl) const {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  if (storageHdl < 1 || storageHdl > static_cast<TVxbStorageHdl>(FStorages.size())) return nullptr;
  return FStorages[static_cast<size_t>(storageHdl - 1)].get();
}

TVxbStorage& TVxbPageManager::CheckedStorage(TVxbStorageHdl storageHdl) const {
  TVxbStorage* storage = Storage(storageHdl);
  if (!storage) {
    Raise<EVxbPageManager>(u"Using storage", Format(u"Storage handle %d is not open", {storageHdl}));
  }
  return *storage;
}

TVxbStorageHdl TVxbPageManager::OpenStorage(fs::TvwFileSystem& fileSystem, std::u16string_view name,
                                            bool readOnly, bool exclusive, const TvwCryptor* cryptor,
                                            int32_t& pageSize) {
  std::lock_guard lock(FCriticalSection);
  const std::u16string path = fileSystem.ExpandFileName(name);
  for (const auto& slot : FStorages) {
    if (!slot || &slot->FileSystem() != &fileSystem || fileSystem.ExpandFileName(slot->Name()) != path) continue;
    TVxbStorage& storage = *slot;
    if (exclusive || storage.Exclusive()) {
      Raise<EVxbPMStorageAccessDenied>(Format(u"Cannot open storage \"%s\"", {name}),
                                       u"May not be opened twice if one is exclusive");
    }
    const bool sameCipher = cryptor ? storage.Encryption() && cryptor->IsCorrectEncryption(*storage.Encryption())
                                    : storage.Encryption() == nullptr;
    if (!sameCipher) Raise<EVxbPMStorageAccessDenied>(u"Wrong encryption");
    storage.AddReference();
    pageSize = storage.PageSize();
    return storage.Hdl();
  }

  if (!fileSystem.FileExists(name)) {
    Raise<EVxbPMStorageNotFound>(Format(u"Storage \"%s\" not found", {name}));
  }
  const uint32_t mode = (exclusive ? fs::kShareExclusive : fs::kShareDenyNone) |
                        (readOnly ? fs::kOpenRead : fs::kOpenReadWrite);
  const int32_t fileHdl = fileSystem.OpenFile(name, mode);
  if (!fs::IsValidHandle(fileHdl)) {
    Raise<EVxbPMStorageAccessDenied>(Format(u"Cannot open storage \"%s\"", {name}),
                                     fileSystem.GetErrorMessage(fileSystem.GetLastError()));
  }
  const int32_t tileSize = fileSystem.GetPageSize();
  int64_t fileSize = 0;
  try {
    fileSize = fileSystem.GetFileSize(fileHdl);
  } catch (...) {
    fileSystem.CloseFile(fileHdl);
    throw;
  }

  TVxbStorage::TOptions options;
  options.Name = std::u16string(name);
  options.FileSystem = &fileSystem;
  options.ReadOnly = readOnly;
  options.Exclusive = exclusive;
  options.OpenMode = mode;
  options.FileHdl = fileHdl;
  options.TileCount = (fileSize + tileSize - 1) / tileSize;
  options.PageSize = pageSize > 0 ? pageSize : tileSize;
  if (cryptor) options.Encryption = cryptor->CreateEncryption();

  const size_t slot = NewSlot();
  FStorages[slot] = std::make_unique<TVxbStorage>(static_cast<TVxbStorageHdl>(slot + 1), std::move(options));
  Log(1, u"Storage \"%s\" opened.", {name});
  pageSize = FStorages[slot]->PageSize();
  return FStorages[slot]->Hdl();
}

TVxbStorageHdl TVxbPageManager::CreateStorage(fs::TvwFileSystem& fileSystem, std::u16string_view name,
                                              const TvwCryptor* cryptor, int32_t pageSize) {
  std::lock_guard lock(FCriticalSection);
  const int32_t fileHdl = fileSystem.CreateFile(name);
  if (!fs::IsValidHandle(fileHdl)) {
    const int32_t code = fileSystem.GetLastError();
    Raise<EVxbPageManager>(u"Cannot create storage " + std::u16string(name), Format(u"Error %d", {code}));
  }
  TVxbStorage::TOptions options;
  options.Name = std::u16string(name);
  options.FileSystem = &fileSystem;
  options.OpenMode = fs::kShareDenyNone | fs::kOpenReadWrite;
  options.FileHdl = fileHdl;
  options.PageSize = pageSize > 0 ? pageSize : fileSystem.GetPageSize();
  if (cryptor) options.Encryption = cryptor->CreateEncryption();

  const size_t slot = NewSlot();
  FStorages[slot] = std::make_unique<TVxbStorage>(static_cast<TVxbStorageHdl>(slot + 1), std::move(options));
  return FStorages[slot]->Hdl();
}

size_t TVxbPageManager::NewSlot() {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  for (size_t i = FStorages.size(); i-- > 0;) {
    if (!FStorages[i]) return i;
  }
  FStorages.emplace_back();
  Log(2, u"There are %d open storages", {FStorages.size()});
  return FStorages.size() - 1;
}

void TVxbPageManager::CloseStorage(TVxbStorageHdl storageHdl) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  if (storage.DropReference() > 0) return;
  // Every client has unloaded its sites by now, so no buffer is pinned.
  ReleaseBuffers(storage.ExtractPages([](TVxbStoragePage&) { return true; }));
  FStorages[static_cast<size_t>(storageHdl - 1)].reset();
}

void TVxbPageManager::FlushStorage(TVxbStorageHdl storageHdl) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  if (!storage.ReadOnly()) {
    storage.FileSystem().SetFileSize(storage.FileHdl(), storage.TileCount() * storage.TileSize());
  }
  if (!storage.WriteModifiedPages()) Raise<EVxbPageManager>(u"Saving tile", u"Cannot write tile to storage");
}

void TVxbPageManager::UndoStorage(TVxbStorageHdl storageHdl) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  DropPages(storage, [](const TVxbStoragePage& page) { return page.IsModified(); });
  storage.ReadTileCount();
}

void TVxbPageManager::InvalidateStorage(TVxbStorageHdl storageHdl) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  DropPages(storage, [](const TVxbStoragePage&) { return true; });
  storage.ReadTileCount();
}

void TVxbPageManager::SetStorageTileCount(TVxbStorageHdl storageHdl, int64_t tileCount) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  if (tileCount == storage.TileCount()) return;
  storage.SetTileCount(tileCount);
  DropPages(storage, [&](const TVxbStoragePage& page) { return page.TileNo() >= tileCount; });
}

void TVxbPageManager::SetStoragePageSize(TVxbStorageHdl storageHdl, const TVxbPageGeometry& geometry) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  if (geometry.PageSize() == storage.PageSize()) return;
  if (geometry.TilesPerPage() != storage.Geometry().TilesPerPage()) {
    // Buffers of the old shape cannot serve the new one. Modifications are
    // written before the buffers go, so re-shaping never loses them.
    if (!storage.WriteModifiedPages()) Raise<EVxbPageManager>(u"Saving tile", u"Cannot write tile to storage");
    DropPages(storage, [](const TVxbStoragePage&) { return true; });
  }
  storage.SetGeometry(geometry);
  ++FLastGeneration;
}

void TVxbPageManager::UpdateStorageDir(TVxbStorageHdl storageHdl) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  if (!storage.ReopenFile()) {
    fs::TvwFileSystem& fileSystem = storage.FileSystem();
    Raise<EVxbPageManager>(Format(u"Cannot open storage \"%s\"", {storage.Name()}),
                           fileSystem.GetErrorMessage(fileSystem.GetLastError()));
  }
}

// --- buffers ---

TVxbStoragePage* TVxbPageManager::ReadStorageTile(TVxbClientHdl, TVxbStorageHdl storageHdl, int64_t tileNo,
                                                  int32_t tileCount) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  const size_t size = static_cast<size_t>(tileCount) * static_cast<size_t>(storage.TileSize());
  if (TVxbStoragePage* page = storage.FindPage(tileNo, size)) {
    if (!page->IsStale()) return page;
    // Read again in place: every site pinning it sees the file's bytes.
    if (!storage.ReadTiles(*page)) Raise<EVxbPageManager>(u"Reloading tile", u"Cannot read tile from storage");
    page->SetClientHdl(TVxbStoragePage::kClean);
    return page;
  }
  MakeRoom();
  std::unique_ptr<TVxbStoragePage> page = AcquireBuffer(size);
  page->FTileNo = tileNo;
  if (!storage.ReadTiles(*page)) {
    ReleaseBuffer(std::move(page));
    Raise<EVxbPageManager>(u"Loading tile", u"Cannot read tile from storage");
  }
  TVxbStoragePage* cached = page.get();
  storage.AddPage(std::move(page));
  return cached;
}

TVxbStoragePage* TVxbPageManager::NewStorageTile(TVxbClientHdl, TVxbStorageHdl storageHdl, int64_t tileNo,
                                                 int32_t tileCount) {
  std::lock_guard lock(FCriticalSection);
  TVxbStorage& storage = CheckedStorage(storageHdl);
  const size_t size = static_cast<size_t>(tileCount) * static_cast<size_t>(storage.TileSize());
  TVxbStoragePage* page = storage.FindPage(tileNo, size);
  if (page && page->IsStale()) {
    std::memset(page->Memory(), 0, page->MemorySize());
    page->SetClientHdl(TVxbStoragePage::kClean);
  } else if (!page) {
    MakeRoom();
    std::unique_ptr<TVxbStoragePage> buffer = AcquireBuffer(size);
    std::memset(buffer->Memory(), 0, size);
    buffer->FTileNo = tileNo;
    page = buffer.get();
    storage.AddPage(std::move(buffer));
  }
  if (tileNo >= storage.TileCount()) storage.SetTileCount(tileNo + tileCount);
  return page;
}

TVxbStoragePage* TVxbPageManager::PinTile(TVxbClientHdl clientHdl, TVxbStorage& storage, int64_t tileNo,
                                          bool create, TVxbStoragePage* held, bool& fetched) {
  std::lock_guard lock(FCriticalSection);
  const TVxbPageGeometry& geometry = storage.Geometry();
  const size_t size = static_cast<size_t>(geometry.BufferSize());
  if (held) {
    if (held->TileNo() == tileNo && held->MemorySize() == size && !held->IsStale()) return held;
    Unpin(*held);
  }
  TVxbStoragePage* page;
  fetched = false;
  if (tileNo < storage.TileCount()) {
    page = ReadStorageTile(clientHdl, storage.Hdl(), tileNo, geometry.TilesPerPage());
    fetched = true;
  } else if (create) {
    page = NewStorageTile(clientHdl, storage.Hdl(), tileNo, geometry.TilesPerPage());
  } else {
    return nullptr;
  }
  ++page->FLocks;
  return page;
}

void TVxbPageManager::Unpin(TVxbStoragePage& page) {
  std::lock_guard lock(FCriticalSection);
  VEXILO_REQUIRE(page.FLocks > 0);
  if (--page.FLocks > 0) return;
  TVxbStorage* storage = Storage(page.StorageHdl());
  if (!storage) return;
  // A stale or re-shaped buffer nobody pins serves nobody any more.
  if (page.IsStale() || page.MemorySize() != static_cast<size_t>(storage->Geometry().BufferSize())) {
    ReleaseBuffer(storage->RemovePage(&page));
  }
}

std::unique_ptr<TVxbStoragePage> TVxbPageManager::AcquireBuffer(size_t size) {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  auto list = FTileCaches.find(size);
  if (list != FTileCaches.end() && !list->second.empty()) {
    std::unique_ptr<TVxbStoragePage> page = std::move(list->second.back());
    list->second.pop_back();
    return page;
  }
  FCacheSize += static_cast<int64_t>(size);
  return std::make_unique<TVxbStoragePage>(size);
}

void TVxbPageManager::ReleaseBuffer(std::unique_ptr<TVxbStoragePage> page) {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  if (!page) return;
  page->SetClientHdl(TVxbStoragePage::kClean);
  page->FLocks = 0;
  page->FNextModified = nullptr;
  page->FStorageHdl = 0;
  page->FTileNo = 0;
  FTileCaches[page->MemorySize()].push_back(std::move(page));
}

void TVxbPageManager::ReleaseBuffers(std::vector<std::unique_ptr<TVxbStoragePage>> pages) {
  for (auto& page : pages) ReleaseBuffer(std::move(page));
}

void TVxbPageManager::DropPages(TVxbStorage& storage,
                                const std::function<bool(const TVxbStoragePage&)>& select) {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  ReleaseBuffers(storage.ExtractPages([&](TVxbStoragePage& page) {
    if (!select(page)) return false;
    if (page.Locks() == 0) return true;
    storage.MarkStale(page);
    return false;
  }));
}

void TVxbPageManager::MakeRoom() {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  if (FCacheSize < FCacheLimit) return;
  TrimFreeLists();
  if (FCacheSize >= FCacheLimit && FCacheSize >= FNextRecountSize) {
    // Recount: clean buffers nobody pins go to the free lists, and the size
    // is summed afresh from what stays cached and what is free.
    int64_t cached = 0;
    for (const auto& slot : FStorages) {
      if (!slot) continue;
      ReleaseBuffers(slot->ExtractPages([&](TVxbStoragePage& page) {
        if (page.ClientHdl() == TVxbStoragePage::kClean && page.Locks() == 0) return true;
        cached += static_cast<int64_t>(page.MemorySize());
        return false;
      }));
    }
    for (const auto& [size, buffers] : FTileCaches) cached += static_cast<int64_t>(size * buffers.size());
    FCacheSize = cached;
    TrimFreeLists();
    if (FCacheSize >= FCacheLimit) {
      FNextRecountSize = FCacheSize + std::max<int64_t>(FCacheLimit / 4, 1);
      Log(2, u"Cache size is over limit (%d) but cannot be reduced", {FCacheSize});
    } else {
      FNextRecountSize = 0;
    }
  }
}

void TVxbPageManager::TrimFreeLists() {
  VEXILO_REQUIRE(FCriticalSection.IsHeldByThisThread());
  // Down to 70 % of the limit, halving the longest free list each time.
  while (FCacheSize * 10 >= FCacheLimit * 7) {
    auto longest = FTileCaches.end();
    for (auto it = FTileCaches.begin(); it != FTileCaches.end(); ++it) {
      if (!it->second.empty() && (longest == FTileCaches.end() || it->second.size() > longest->second.size())) {
        longest = it;
      }
    }
    if (longest == FTileCaches.end()) return;
    std::vector<std::unique_ptr<TVxbStoragePage>>& buffers = longest->second;
    const size_t keep = buffers.size() / 2;
    FCacheSize -= static_cast<int64_t>(longest->first * (buffers.size() - keep));
    buffers.resize(keep);
  }
}

}  // namespace vexilo::index
