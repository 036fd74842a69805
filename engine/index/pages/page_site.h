// TVxbStoragePageSite: a view of one page of a client storage. While it shows
// a page it pins that page's buffer in the cache, so the buffer is neither
// freed nor moved; unloading the page or destroying the site lets it go.
//
// Byte access goes to offsets inside the page (0 to page size - 1); numbers
// are little-endian, strings carry a uint16 length ("WP" strings: that many
// ANSI bytes or UTF-16 units). Every access first pins the page again when its
// buffer went stale (undone, invalidated, cut off or re-shaped), so it always
// sees current bytes; every write marks the page modified by the site's
// client. An access outside the page raises EVxbPageManager instead of
// touching memory beyond it, so damaged offsets read from a file are caught.
//
// Showing the page a site already shows costs a few comparisons; reading a
// cached page allocates nothing. Byte access takes no lock. A site is used by
// one thread at a time. When its client storage closes, the site is unloaded;
// when the client storage is destroyed, the site is detached, and any later
// access raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_storage.h"

namespace vexilo::index {

class TVxbStoragePageSite {
 public:
  // A site of `clientStorage` showing nothing.
  explicit TVxbStoragePageSite(TVxbClientStorage& clientStorage);
  // Unpins the page shown.
  ~TVxbStoragePageSite();
  TVxbStoragePageSite(const TVxbStoragePageSite&) = delete;
  TVxbStoragePageSite& operator=(const TVxbStoragePageSite&) = delete;

  // Shows existing page `pageNo`; raises EVxbPageManager "Loading page %d of
  // storage "%s": Page no is invalid" unless 0 <= pageNo < page count.
  void LoadPage(int32_t pageNo) {
    if (!IsCurrent(pageNo)) Pin(pageNo, false);
  }
  // Shows page `pageNo`, which may lie beyond the end of the file; a page
  // there gets a zeroed buffer and the file grows at the next flush.
  void InitPage(int32_t pageNo) {
    if (!IsCurrent(pageNo)) Pin(pageNo, true);
  }
  // Lets go of the page; the site shows nothing.
  void UnloadPage();
  // Copies the page shown to page `pageNo` and shows that one (modified);
  // nothing when it is the page shown.
  void MovePage(int32_t pageNo);
  // Marks the page modified by this site's client (unless some client has
  // modified it already).
  void Modify() {
    Current();
    if (FStorageTile->ClientHdl() == TVxbStoragePage::kClean) MarkModified();
  }

  // -1 when nothing is shown.
  int32_t GetPageNo() const { return FPageNo; }
  bool IsLoaded() const { return FPageNo >= 0; }
  int32_t GetPageSize() const { return FClientStorage ? FClientStorage->GetPageSize() : 0; }
  TVxbClientStorage* GetClientStorage() const { return FClientStorage; }
  // The page's bytes; valid until the page is let go or goes stale. A caller
  // that writes through them calls Modify.
  uint8_t* GetMemory() { return Bytes(0, 0); }
  uint8_t* GetAddress(int32_t offset) { return Bytes(offset, 0); }

  int8_t ReadInt8(int32_t offset);
  int16_t ReadInt16(int32_t offset);
  int32_t ReadInt32(int32_t offset);
  // A uint16 length at `offset`, then that many bytes / UTF-16 units; a
  // length reaching past the page is cut at its end.
  std::string ReadWPAnsiString(int32_t offset);
  std::u16string ReadWPWideString(int32_t offset);

  void WriteInt8(int32_t offset, int8_t value);
  void WriteInt16(int32_t offset, int16_t value);
  void WriteInt32(int32_t offset, int32_t value);
  // Raise EVxbPageManager when the string does not fit in the page.
  void WriteWPAnsiString(int32_t offset, std::string_view value);
  void WriteWPWideString(int32_t offset, std::u16string_view value);
  // The same, advancing `offset` past what they wrote.
  void WriteNextInt8(int32_t& offset, int8_t value);
  void WriteNextInt16(int32_t& offset, int16_t value);
  void WriteNextInt32(int32_t& offset, int32_t value);
  void WriteNextWPAnsiString(int32_t& offset, std::string_view value);
  void WriteNextWPWideString(int32_t& offset, std::u16string_view value);

  // Moves `count` bytes inside the page (the ranges may overlap).
  void Copy(int32_t offsetFrom, int32_t offsetTo, int32_t count);
  // Copies `count` bytes of `source` into the page at `offsetTo`.
  void CopyFrom(const void* source, int32_t offsetTo, int32_t count);
  // Copies `count` bytes at `offsetFrom` of the page `source` shows.
  void CopyFrom(TVxbStoragePageSite& source, int32_t offsetFrom, int32_t offsetTo, int32_t count);
  // Copies `count` bytes at `offsetFrom` to `dest` + `offsetTo`.
  void CopyTo(int32_t offsetFrom, void* dest, int32_t offsetTo, int32_t count);
  // Copies `count` bytes at `offsetFrom` into the page `dest` shows.
  void CopyTo(int32_t offsetFrom, TVxbStoragePageSite& dest, int32_t offsetTo, int32_t count);

 private:
  friend class TVxbClientStorage;

  // True when the site shows `pageNo` through a fresh buffer of the
  // storage's current geometry.
  bool IsCurrent(int32_t pageNo) const {
    return FStorageTile != nullptr && pageNo == FPageNo && !FStorageTile->IsStale() &&
           FPageSize == FClientStorage->FStorage->PageSize();
  }
  // Pins the shown page again when its buffer went stale or was re-shaped;
  // raises when nothing is shown.
  void Current() {
    if (!IsCurrent(FPageNo)) Repin();
  }
  // The address of `count` bytes at `offset` of the current page; raises
  // when they do not lie inside the page.
  uint8_t* Bytes(int32_t offset, int32_t count) {
    Current();
    if (offset < 0 || count < 0 || offset > FPageSize - count) OutOfPage(offset, count);
    return FStorageTile->Memory() + FTileOffset + offset;
  }
  uint8_t* WritableBytes(int32_t offset, int32_t count) {
    uint8_t* address = Bytes(offset, count);
    if (FStorageTile->ClientHdl() == TVxbStoragePage::kClean) MarkModified();
    return address;
  }

  void Pin(int32_t pageNo, bool create);
  void Repin();
  void MarkModified();
  // Lets go of the pinned buffer without the manager's lock being taken by
  // the caller.
  void Release();
  [[noreturn]] void OutOfPage(int32_t offset, int32_t count);
  [[noreturn]] void NotLoaded();

  TVxbClientStorage* FClientStorage;  // nullptr once detached
  int32_t FPageNo = -1;
  int32_t FPageSize = 0;  // the page size the shown page was pinned with
  int32_t FTileOffset = 0;
  TVxbStoragePage* FStorageTile = nullptr;
  bool FCreated = false;  // shown through InitPage
  // This client's sites, linked.
  TVxbStoragePageSite* FPrevSite = nullptr;
  TVxbStoragePageSite* FNextSite = nullptr;
};

}  // namespace vexilo::index
