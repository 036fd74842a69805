#include "engine/index/pages/page_site.h"

#include <cstring>
#include <mutex>

#include "engine/index/pages/page_manager_errors.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

TVxbStoragePageSite::TVxbStoragePageSite(TVxbClientStorage& clientStorage) : FClientStorage(&clientStorage) {
  clientStorage.AttachSite(*this);
}

TVxbStoragePageSite::~TVxbStoragePageSite() {
  if (!FClientStorage) return;
  Release();
  FClientStorage->DetachSite(*this);
}

void TVxbStoragePageSite::Release() {
  if (FStorageTile) FClientStorage->FPageManager.Unpin(*FStorageTile);
  FStorageTile = nullptr;
  FPageNo = -1;
}

void TVxbStoragePageSite::UnloadPage() {
  if (FStorageTile) Release();
  FPageNo = -1;
}

void TVxbStoragePageSite::Pin(int32_t pageNo, bool create) {
  if (!FClientStorage) NotLoaded();
  TVxbClientStorage& client = *FClientStorage;
  TVxbPageManager& manager = client.FPageManager;
  std::lock_guard lock(manager.CriticalSection());
  const auto invalid = [&] {
    manager.Raise<EVxbPageManager>(
        fs::FormatMessage(u"Loading page %d of storage \"%s\"", {fs::FormatArg(pageNo), fs::FormatArg(client.FName)}),
        client.FStorage ? u"Page no is invalid" : u"Storage is not open");
  };
  if (!client.FStorage) invalid();
  TVxbStorage& storage = *client.FStorage;
  const TVxbPageGeometry& geometry = storage.Geometry();
  if (pageNo < 0 || (!create && pageNo >= storage.PageCount())) invalid();

  // Whatever happens below, the site lets go of what it showed first.
  TVxbStoragePage* held = FStorageTile;
  FStorageTile = nullptr;
  FPageNo = -1;
  bool fetched = false;
  TVxbStoragePage* page =
      manager.PinTile(client.FPageManClientHdl, storage, geometry.FirstTile(pageNo), create, held, fetched);
  if (!page) invalid();
  if (fetched) client.FReadCount += geometry.TilesPerPage();
  FStorageTile = page;
  FPageNo = pageNo;
  FPageSize = geometry.PageSize();
  FTileOffset = geometry.OffsetInBuffer(pageNo);
  FCreated = create;
}

void TVxbStoragePageSite::Repin() {
  if (FPageNo < 0) NotLoaded();
  Pin(FPageNo, FCreated);
}

void TVxbStoragePageSite::MarkModified() {
  TVxbClientStorage& client = *FClientStorage;
  std::lock_guard lock(client.FPageManager.CriticalSection());
  if (FStorageTile->ClientHdl() != TVxbStoragePage::kClean) return;
  TVxbStorage& storage = *client.FStorage;
  storage.MarkModified(*FStorageTile, client.FPageManClientHdl);
  // A modified page lies wholly inside the file, so that a flush writes all
  // of it (a last page may have been only partly covered by the file).
  const int64_t endTile = storage.Geometry().TileCount(int64_t{FPageNo} + 1);
  if (endTile > storage.TileCount()) storage.SetTileCount(endTile);
}

void TVxbStoragePageSite::MovePage(int32_t pageNo) {
  Current();
  if (pageNo == FPageNo) return;
  TVxbClientStorage& client = *FClientStorage;
  if (!client.FWorkPage) client.FWorkPage = std::make_unique<TVxbStoragePageSite>(client);
  TVxbStoragePageSite& work = *client.FWorkPage;
  work.Pin(FPageNo, FCreated);
  InitPage(pageNo);
  CopyFrom(work, 0, 0, FPageSize);
  work.UnloadPage();
}

[[noreturn]] void TVxbStoragePageSite::OutOfPage(int32_t offset, int32_t count) {
  TVxbClientStorage& client = *FClientStorage;
  client.FPageManager.Raise<EVxbPageManager>(
      fs::FormatMessage(u"Accessing page %d of storage \"%s\"", {fs::FormatArg(FPageNo), fs::FormatArg(client.FName)}),
      fs::FormatMessage(u"%d bytes at offset %d do not lie inside the page",
                        {fs::FormatArg(count), fs::FormatArg(offset)}));
}

[[noreturn]] void TVxbStoragePageSite::NotLoaded() {
  const std::u16string name = FClientStorage ? FClientStorage->FName : std::u16string();
  const std::u16string action = fs::FormatMessage(u"Accessing page of storage \"%s\"", {fs::FormatArg(name)});
  const char16_t* reason = FClientStorage ? u"No page is loaded" : u"The client storage is gone";
  if (FClientStorage) FClientStorage->FPageManager.Raise<EVxbPageManager>(action, reason);
  throw EVxbPageManager(action, reason);
}

// --- reading ---

int8_t TVxbStoragePageSite::ReadInt8(int32_t offset) { return TvwMemory::ReadInt8(Bytes(offset, 1), 0); }

int16_t TVxbStoragePageSite::ReadInt16(int32_t offset) { return TvwMemory::ReadInt16(Bytes(offset, 2), 0); }

int32_t TVxbStoragePageSite::ReadInt32(int32_t offset) { return TvwMemory::ReadInt32(Bytes(offset, 4), 0); }

std::string TVxbStoragePageSite::ReadWPAnsiString(int32_t offset) {
  const uint8_t* bytes = Bytes(offset, 2);
  return TvwMemory::ReadWPAnsiString(bytes, 0, static_cast<size_t>(FPageSize - offset));
}

std::u16string TVxbStoragePageSite::ReadWPWideString(int32_t offset) {
  const uint8_t* bytes = Bytes(offset, 2);
  return TvwMemory::ReadWPWideString(bytes, 0, static_cast<size_t>(FPageSize - offset));
}

// --- writing ---

void TVxbStoragePageSite::WriteInt8(int32_t offset, int8_t value) {
  TvwMemory::WriteInt8(WritableBytes(offset, 1), 0, value);
}

void TVxbStoragePageSite::WriteInt16(int32_t offset, int16_t value) {
  TvwMemory::WriteInt16(WritableBytes(offset, 2), 0, value);
}

void TVxbStoragePageSite::WriteInt32(int32_t offset, int32_t value) {
  TvwMemory::WriteInt32(WritableBytes(offset, 4), 0, value);
}

void TVxbStoragePageSite::WriteWPAnsiString(int32_t offset, std::string_view value) {
  int32_t next = offset;
  WriteNextWPAnsiString(next, value);
}

void TVxbStoragePageSite::WriteWPWideString(int32_t offset, std::u16string_view value) {
  int32_t next = offset;
  WriteNextWPWideString(next, value);
}

void TVxbStoragePageSite::WriteNextInt8(int32_t& offset, int8_t value) {
  WriteInt8(offset, value);
  offset += 1;
}

void TVxbStoragePageSite::WriteNextInt16(int32_t& offset, int16_t value) {
  WriteInt16(offset, value);
  offset += 2;
}

void TVxbStoragePageSite::WriteNextInt32(int32_t& offset, int32_t value) {
  WriteInt32(offset, value);
  offset += 4;
}

void TVxbStoragePageSite::WriteNextWPAnsiString(int32_t& offset, std::string_view value) {
  const size_t length = std::min<size_t>(value.size(), 0xFFFF);
  uint8_t* bytes = WritableBytes(offset, static_cast<int32_t>(2 + length));
  offset += static_cast<int32_t>(TvwMemory::WriteWPAnsiString(bytes, 0, value.substr(0, length)));
}

void TVxbStoragePageSite::WriteNextWPWideString(int32_t& offset, std::u16string_view value) {
  const size_t length = std::min<size_t>(value.size(), 0xFFFF);
  uint8_t* bytes = WritableBytes(offset, static_cast<int32_t>(2 + 2 * length));
  offset += static_cast<int32_t>(TvwMemory::WriteWPWideString(bytes, 0, value.substr(0, length)));
}

// --- copying ---

void TVxbStoragePageSite::Copy(int32_t offsetFrom, int32_t offsetTo, int32_t count) {
  uint8_t* to = WritableBytes(offsetTo, count);
  const uint8_t* from = Bytes(offsetFrom, count);
  if (count > 0) std::memmove(to, from, static_cast<size_t>(count));
}

void TVxbStoragePageSite::CopyFrom(const void* source, int32_t offsetTo, int32_t count) {
  uint8_t* to = WritableBytes(offsetTo, count);
  if (count > 0) std::memmove(to, source, static_cast<size_t>(count));
}

void TVxbStoragePageSite::CopyFrom(TVxbStoragePageSite& source, int32_t offsetFrom, int32_t offsetTo,
                                   int32_t count) {
  // Both pages stay pinned, so neither address can go away while the other
  // is taken.
  uint8_t* to = WritableBytes(offsetTo, count);
  const uint8_t* from = source.Bytes(offsetFrom, count);
  if (count > 0) std::memmove(to, from, static_cast<size_t>(count));
}

void TVxbStoragePageSite::CopyTo(int32_t offsetFrom, void* dest, int32_t offsetTo, int32_t count) {
  const uint8_t* from = Bytes(offsetFrom, count);
  if (count > 0) std::memmove(static_cast<uint8_t*>(dest) + offsetTo, from, static_cast<size_t>(count));
}

void TVxbStoragePageSite::CopyTo(int32_t offsetFrom, TVxbStoragePageSite& dest, int32_t offsetTo, int32_t count) {
  dest.CopyFrom(*this, offsetFrom, offsetTo, count);
}

}  // namespace vexilo::index
