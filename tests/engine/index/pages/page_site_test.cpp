// Byte access through a page site: little-endian numbers and counted strings
// at page offsets, copies, the bounds of a page, and re-pinning.
#include <gtest/gtest.h>

#include <functional>

#include "engine/index/pages/page_manager_errors.h"
#include "tests/engine/index/pages/page_test_fixture.h"

namespace vexilo::index::testing {
namespace {

using fs::u8;

class PageSiteTest : public PageCacheFixture {
 protected:
  static constexpr int32_t kPage = 4096;

  PageSiteTest() {
    Content = MakeFile("t.dat", 2 * kTile);
    Storage = Opened("t.dat", kPage);
  }

  // The bytes of page `pageNo` in the file after a flush.
  std::string FlushedPage(int32_t pageNo) {
    Storage->Flush();
    return FileBytes("t.dat").substr(static_cast<size_t>(pageNo) * kPage, kPage);
  }

  std::string Content;
  std::unique_ptr<TVxbClientStorage> Storage;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

TEST_F(PageSiteTest, NumbersAreStoredLittleEndianAtPageOffsets) {
  const struct {
    const char* Name;
    std::function<void(TVxbStoragePageSite&)> Write;
    int32_t Offset;
    std::string Expected;
  } cases[] = {
      {"int8", [](TVxbStoragePageSite& s) { s.WriteInt8(0, -2); }, 0, Bytes({0xFE})},
      {"int16", [](TVxbStoragePageSite& s) { s.WriteInt16(10, 0x1234); }, 10, Bytes({0x34, 0x12})},
      {"int32", [](TVxbStoragePageSite& s) { s.WriteInt32(kPage - 4, -0x789ABCDF); }, kPage - 4,
       Bytes({0x21, 0x43, 0x65, 0x87})},
      {"ansi", [](TVxbStoragePageSite& s) { s.WriteWPAnsiString(20, "abc"); }, 20, Bytes({3, 0, 'a', 'b', 'c'})},
      {"wide", [](TVxbStoragePageSite& s) { s.WriteWPWideString(30, u"\u0150k"); }, 30,
       Bytes({2, 0, 0x50, 0x01, 'k', 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto site = Storage->ReadPage(3);
    c.Write(*site);
    const std::string page = FlushedPage(3);
    EXPECT_EQ(page.substr(static_cast<size_t>(c.Offset), c.Expected.size()), c.Expected);
  }
}

TEST_F(PageSiteTest, ReadsGiveBackWhatTheFileHolds) {
  std::string file = Content;
  const size_t base = 2 * kPage;  // page 2
  file.replace(base, 4, Bytes({0x01, 0x02, 0x03, 0x84}));
  file.replace(base + 100, 6, Bytes({4, 0, 'w', 'o', 'r', 'd'}));
  file.replace(base + 200, 6, Bytes({2, 0, 'h', 0, 0x71, 0x01}));
  WriteAll(Path("t.dat"), file);
  auto site = Storage->ReadPage(2);
  EXPECT_EQ(site->ReadInt32(0), static_cast<int32_t>(0x84030201));
  EXPECT_EQ(site->ReadInt16(2), static_cast<int16_t>(0x8403));
  EXPECT_EQ(site->ReadInt8(3), static_cast<int8_t>(0x84));
  EXPECT_EQ(site->ReadWPAnsiString(100), "word");
  EXPECT_EQ(site->ReadWPWideString(200), u"h\u0171");
}

TEST_F(PageSiteTest, AdvancingWritesLayValuesOneAfterAnother) {
  auto site = Storage->ReadPage(0);
  int32_t offset = 8;
  site->WriteNextInt8(offset, 1);
  site->WriteNextInt16(offset, 2);
  site->WriteNextInt32(offset, 3);
  site->WriteNextWPAnsiString(offset, "xy");
  site->WriteNextWPWideString(offset, u"z");
  EXPECT_EQ(offset, 8 + 1 + 2 + 4 + 4 + 4);
  EXPECT_EQ(FlushedPage(0).substr(8, 15), Bytes({1, 2, 0, 3, 0, 0, 0, 2, 0, 'x', 'y', 1, 0, 'z', 0}));
}

TEST_F(PageSiteTest, DamagedLengthIsCutAtTheEndOfThePage) {
  auto site = Storage->ReadPage(1);
  site->WriteInt16(kPage - 5, -1);  // a length of 65535 three bytes before the end
  EXPECT_EQ(site->ReadWPAnsiString(kPage - 5).size(), 3u);
  EXPECT_EQ(site->ReadWPWideString(kPage - 5).size(), 1u);
}

TEST_F(PageSiteTest, AccessOutsideThePageRaisesInsteadOfTouchingMemory) {
  auto site = Storage->ReadPage(1);
  const std::string before = PageBytes(*site);
  const struct {
    const char* Name;
    std::function<void(TVxbStoragePageSite&)> Access;
  } cases[] = {
      {"int8 before", [](TVxbStoragePageSite& s) { s.ReadInt8(-1); }},
      {"int32 across the end", [](TVxbStoragePageSite& s) { s.ReadInt32(kPage - 3); }},
      {"int16 write at the end", [](TVxbStoragePageSite& s) { s.WriteInt16(kPage - 1, 1); }},
      {"string too long", [](TVxbStoragePageSite& s) { s.WriteWPAnsiString(kPage - 3, "ab"); }},
      {"wide string too long", [](TVxbStoragePageSite& s) { s.WriteWPWideString(kPage - 4, u"ab"); }},
      {"string length unreadable", [](TVxbStoragePageSite& s) { s.ReadWPAnsiString(kPage - 1); }},
      {"copy across the end", [](TVxbStoragePageSite& s) { s.Copy(0, kPage - 10, 20); }},
      {"negative count", [](TVxbStoragePageSite& s) { s.Copy(0, 10, -1); }},
      {"copy to a buffer", [](TVxbStoragePageSite& s) {
         char buffer[16];
         s.CopyTo(kPage - 8, buffer, 0, 16);
       }},
      {"offset far away", [](TVxbStoragePageSite& s) { s.WriteInt32(2 * kTile, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      c.Access(*site);
      ADD_FAILURE() << "no exception";
    } catch (const EVxbPageManager& e) {
      EXPECT_EQ(u8(e.Action()), "Accessing page 1 of storage \"t.dat\"");
    }
  }
  EXPECT_EQ(PageBytes(*site), before);
  EXPECT_EQ(site->ReadInt32(kPage - 4), site->ReadInt32(kPage - 4)) << "the last whole number is fine";
  EXPECT_EQ(FlushedPage(1), Content.substr(kPage, kPage)) << "failed writes did not modify the page";
}

TEST_F(PageSiteTest, CopiesWithinAndBetweenPages) {
  auto first = Storage->ReadPage(0);
  auto second = Storage->ReadPage(3);
  first->Copy(0, 2, 10);  // overlapping ranges
  second->CopyFrom(*first, 100, 0, 8);
  second->CopyFrom("ABCD", 50, 4);
  first->CopyTo(2, *second, 60, 3);
  char out[6] = {};
  second->CopyTo(50, out, 1, 4);

  std::string page0 = Content.substr(0, kPage);
  page0.replace(2, 10, Content.substr(0, 10));
  std::string page3 = Content.substr(3 * kPage, kPage);
  page3.replace(0, 8, page0.substr(100, 8));
  page3.replace(50, 4, "ABCD");
  page3.replace(60, 3, page0.substr(2, 3));
  EXPECT_EQ(std::string(out + 1, 4), "ABCD");
  EXPECT_EQ(FlushedPage(0), page0);
  EXPECT_EQ(FlushedPage(3), page3);
}

TEST_F(PageSiteTest, SiteWithoutAPageRaises) {
  auto site = Storage->CreatePageSite();
  EXPECT_FALSE(site->IsLoaded());
  EXPECT_EQ(site->GetPageNo(), -1);
  EXPECT_THROW(site->ReadInt8(0), EVxbPageManager);
  EXPECT_THROW(site->Modify(), EVxbPageManager);
  site->LoadPage(2);
  site->UnloadPage();
  EXPECT_THROW(site->GetMemory(), EVxbPageManager);
}

TEST_F(PageSiteTest, ShowingTheSamePageAgainFetchesNothing) {
  auto site = Storage->CreatePageSite();
  site->LoadPage(1);
  uint8_t* memory = site->GetMemory();
  EXPECT_EQ(Storage->GetReadCount(), 1);
  for (int i = 0; i < 3; ++i) site->LoadPage(1);
  site->LoadPage(0);  // same tile: the buffer the site holds
  EXPECT_EQ(site->GetMemory() + kPage, memory);
  EXPECT_EQ(Storage->GetReadCount(), 1);
  EXPECT_EQ(Manager.CachedPageCount(Storage->GetStorageHdl()), 1u);
}

TEST_F(PageSiteTest, ModifiedPageIsAttributedToItsFirstWriter) {
  auto other = Client("t.dat", 7);
  other->Open(false, false);
  auto mine = Storage->ReadPage(2);
  auto theirs = other->ReadPage(2);
  theirs->Modify();
  mine->WriteInt8(0, 1);
  // Undo through either client discards every client's modifications.
  Storage->Undo();
  EXPECT_EQ(theirs->ReadInt8(0), static_cast<int8_t>(Content[2 * kPage]));
}

}  // namespace
}  // namespace vexilo::index::testing
