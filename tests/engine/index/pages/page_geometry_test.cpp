// Where pages lie in the cached tiles, and what reaches the file when pages
// smaller or larger than a tile are read, modified and flushed.
#include <gtest/gtest.h>

#include "engine/index/pages/page_geometry.h"
#include "tests/engine/index/pages/page_test_fixture.h"

namespace vexilo::index::testing {
namespace {

struct PlacementCase {
  int32_t PageSize;
  int32_t PageNo;
  int64_t FirstTile;
  int32_t TilesPerPage;
  int32_t Offset;
};

TEST(PageGeometry, PlacesEachPageInItsBuffer) {
  const PlacementCase cases[] = {
      {4096, 6, 3, 1, 0},     {4096, 7, 3, 1, 4096},  {8192, 5, 5, 1, 0},    {256, 33, 1, 1, 256},
      {512, 16, 1, 1, 0},     {16384, 1, 2, 2, 0},    {24576, 1, 3, 3, 0},   {16777216, 2, 4096, 2048, 0},
      // Uneven sizes: a buffer of lcm(P, T) bytes holds whole pages.
      {1000, 8, 0, 125, 8000}, {1000, 1024, 125, 125, 0}, {12288, 1, 0, 3, 12288}, {12288, 2, 3, 3, 0},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "P=" << c.PageSize << " page " << c.PageNo);
    const TVxbPageGeometry geometry(c.PageSize, kTile);
    ASSERT_TRUE(geometry.IsValid());
    EXPECT_EQ(geometry.FirstTile(c.PageNo), c.FirstTile);
    EXPECT_EQ(geometry.TilesPerPage(), c.TilesPerPage);
    EXPECT_EQ(geometry.OffsetInBuffer(c.PageNo), c.Offset);
    EXPECT_LE(geometry.OffsetInBuffer(c.PageNo) + c.PageSize, geometry.BufferSize());
  }
}

TEST(PageGeometry, CountsPagesOfWholeTiles) {
  struct {
    int32_t PageSize;
    int64_t Tiles;
    int64_t Pages;
  } const cases[] = {{4096, 3, 6}, {8192, 3, 3}, {16384, 3, 2}, {1000, 1, 9}, {256, 0, 0}};
  for (const auto& c : cases) {
    const TVxbPageGeometry geometry(c.PageSize, kTile);
    EXPECT_EQ(geometry.PageCount(c.Tiles), c.Pages) << "P=" << c.PageSize;
    EXPECT_GE(geometry.PageCount(geometry.TileCount(c.Pages)), c.Pages) << "P=" << c.PageSize;
  }
}

TEST(PageGeometry, RefusesSizesThatFitNoBuffer) {
  for (int32_t size : {0, -4096}) EXPECT_FALSE(TVxbPageGeometry(size, kTile).IsValid()) << size;
  // lcm(65767, 8192) would need a buffer of over 500 MiB, lcm(65768, 8192)
  // one of 64 MiB.
  for (int32_t size : {65767, 65768}) EXPECT_FALSE(TVxbPageGeometry(size, kTile).IsValid()) << size;
  for (int32_t size : {1, 256, 1000, 65536, 16777216}) EXPECT_TRUE(TVxbPageGeometry(size, kTile).IsValid()) << size;
}

using PageGeometryFileTest = PageCacheFixture;

TEST_F(PageGeometryFileTest, PagesSharingATileAreFlushedAsTheWholeTile) {
  std::string content = MakeFile("t.dat", 4 * kTile);
  auto client = Opened("t.dat", 4096);
  ASSERT_EQ(client->GetPageCount(), 8);
  auto page6 = client->ReadPage(6);
  auto page7 = client->ReadPage(7);
  EXPECT_EQ(PageBytes(*page6), content.substr(3 * kTile, 4096));
  EXPECT_EQ(PageBytes(*page7), content.substr(3 * kTile + 4096, 4096));
  EXPECT_EQ(page6->GetMemory() + 4096, page7->GetMemory()) << "one buffer for tile 3";

  // Someone changes page 6 on disk behind the cache; writing page 7 then
  // writes the cached tile whole, page 6 included.
  std::string changed = content;
  changed[3 * kTile + 10] = 'X';
  WriteAll(Path("t.dat"), changed);
  page7->WriteInt32(100, 0x01020304);
  client->Flush();

  std::string expected = content;
  expected[3 * kTile + 4096 + 100] = 0x04;
  expected[3 * kTile + 4096 + 101] = 0x03;
  expected[3 * kTile + 4096 + 102] = 0x02;
  expected[3 * kTile + 4096 + 103] = 0x01;
  EXPECT_EQ(FileBytes("t.dat"), expected);
}

TEST_F(PageGeometryFileTest, LargePageIsOneBufferOfConsecutiveTiles) {
  std::string content = MakeFile("t.dat", 4 * kTile);
  auto client = Opened("t.dat", 16384);
  ASSERT_EQ(client->GetPageCount(), 2);
  auto page = client->ReadPage(1);
  EXPECT_EQ(PageBytes(*page), content.substr(2 * kTile, 2 * kTile));
  EXPECT_EQ(client->GetReadCount(), 2) << "tiles 2 and 3 fetched";
  EXPECT_EQ(Manager.CachedPageCount(client->GetStorageHdl()), 1u);

  page->WriteInt8(kTile + 5, 'Z');  // in the second tile of the buffer
  client->Flush();
  content[3 * kTile + 5] = 'Z';
  EXPECT_EQ(FileBytes("t.dat"), content);
}

TEST_F(PageGeometryFileTest, LargePageOnlyPartlyInTheFileIsFlushedWhole) {
  std::string content = MakeFile("t.dat", kTile);
  auto client = Opened("t.dat", 16384);
  ASSERT_EQ(client->GetPageCount(), 1);
  auto page = client->ReadPage(0);
  EXPECT_EQ(PageBytes(*page), content + std::string(kTile, '\0'));
  page->WriteInt8(12000, 'Q');
  client->Flush();
  client->Flush();  // a second flush must not cut the page back to one tile

  std::string expected = content + std::string(kTile, '\0');
  expected[12000] = 'Q';
  EXPECT_EQ(FileBytes("t.dat"), expected);
  EXPECT_EQ(client->GetSize(), 16384);
}

TEST_F(PageGeometryFileTest, UnevenPageStraddlingATileBoundaryIsServedAndSaved) {
  std::string content = MakeFile("t.dat", 20000);
  auto client = Opened("t.dat", 1000);
  EXPECT_EQ(client->GetPageCount(), 25) << "3 tiles of 8192 bytes";
  auto page = client->ReadPage(8);  // bytes 8000 to 8999, across tiles 0 and 1
  EXPECT_EQ(PageBytes(*page), content.substr(8000, 1000));
  page->WriteInt16(998, 0x4142);
  client->Flush();

  std::string expected = content + std::string(3 * kTile - 20000, '\0');
  expected[8998] = 0x42;
  expected[8999] = 0x41;
  EXPECT_EQ(FileBytes("t.dat"), expected) << "whole tiles, up to the tile count only";
}

}  // namespace
}  // namespace vexilo::index::testing
