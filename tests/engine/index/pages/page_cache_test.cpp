// The shared cache: what clients see of each other's changes, page counts and
// the file's length, undo, invalidation after another process wrote the
// file, and the cache limit with its free lists.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/index/pages/page_manager_errors.h"
#include "engine/types/memory.h"
#include "fs/log.h"
#include "tests/engine/index/pages/page_test_fixture.h"

namespace vexilo::index::testing {
namespace {

using fs::u16;
using fs::u8;

using PageCacheTest = PageCacheFixture;

TEST_F(PageCacheTest, ClientsOfOneFileSeeEachOthersChangesAndEitherFlushWritesThem) {
  const std::string content = MakeFile("t.dat", 2 * kTile);
  auto first = Opened("t.dat", 4096, 1);
  auto second = Opened("t.dat", 0, 2);
  auto mine = first->ReadPage(3);
  auto theirs = second->ReadPage(3);
  mine->WriteInt32(8, 123456789);
  EXPECT_EQ(theirs->ReadInt32(8), 123456789) << "no private copies";
  theirs->WriteInt16(100, -2);
  EXPECT_EQ(mine->ReadInt16(100), -2);
  EXPECT_EQ(FileBytes("t.dat"), content) << "nothing written before a flush";

  second->Flush();
  const std::string file = FileBytes("t.dat");
  EXPECT_EQ(types::TvwMemory::ReadInt32(file.data(), kTile + 4096 + 8), 123456789);
  EXPECT_EQ(types::TvwMemory::ReadInt16(file.data(), kTile + 4096 + 100), -2);
}

TEST_F(PageCacheTest, OnlyExistingPagesLoadWhileInitPageGrowsTheFile) {
  MakeFile("t.dat", kTile);
  auto client = Opened("t.dat", 4096);
  ASSERT_EQ(client->GetPageCount(), 2);
  auto site = client->CreatePageSite();
  for (int32_t pageNo : {2, 5, -1}) {
    try {
      site->LoadPage(pageNo);
      ADD_FAILURE() << "loaded page " << pageNo;
    } catch (const EVxbPageManager& e) {
      EXPECT_EQ(u8(e.Message()),
                "Loading page " + std::to_string(pageNo) + " of storage \"t.dat\": Page no is invalid");
    }
    EXPECT_FALSE(site->IsLoaded());
  }

  site->InitPage(5);
  EXPECT_EQ(PageBytes(*site), std::string(4096, '\0'));
  EXPECT_EQ(client->GetPageCount(), 6);
  site->WriteInt8(4095, 7);
  client->Flush();
  const std::string file = FileBytes("t.dat");
  ASSERT_EQ(file.size(), static_cast<size_t>(3 * kTile));
  EXPECT_EQ(file[5 * 4096 + 4095], 7);
  EXPECT_EQ(file.substr(kTile, kTile - 1), std::string(kTile - 1, '\0'));
}

TEST_F(PageCacheTest, FewerPagesCutTheFileAtTheNextFlush) {
  MakeFile("t.dat", 8 * kTile);
  auto client = Opened("t.dat");
  auto beyond = client->ReadPage(5);
  auto kept = client->ReadPage(2);
  beyond->WriteInt8(0, 1);
  client->SetPageCount(3);
  EXPECT_EQ(client->GetPageCount(), 3);
  EXPECT_EQ(client->GetSize(), 3 * kTile);
  EXPECT_THROW(beyond->ReadInt8(0), EVxbPageManager) << "a page beyond the end is gone";
  EXPECT_NO_THROW(kept->ReadInt8(0));
  EXPECT_EQ(std::filesystem::file_size(Path("t.dat")), 8u * kTile);

  client->Flush();
  EXPECT_EQ(std::filesystem::file_size(Path("t.dat")), 3u * kTile);
}

TEST_F(PageCacheTest, UndoMakesAPinnedModifiedPageShowTheFileAgain) {
  const std::string content = MakeFile("t.dat", 2 * kTile);
  auto client = Opened("t.dat", 4096);
  auto site = client->ReadPage(1);
  auto created = client->NewPage(7);
  site->WriteInt32(0, 0x7FFFFFFF);
  created->WriteInt32(0, 1);
  ASSERT_EQ(client->GetPageCount(), 8);

  client->Undo();
  EXPECT_EQ(PageBytes(*site), content.substr(4096, 4096));
  EXPECT_EQ(client->GetPageCount(), 4) << "the tile count is read from the file";
  EXPECT_EQ(PageBytes(*created), std::string(4096, '\0')) << "a created page starts afresh";
  created->UnloadPage();
  client->Flush();
  EXPECT_EQ(FileBytes("t.dat"), content) << "nothing was left to write";
}

TEST_F(PageCacheTest, InvalidateReadsAgainWhatAnotherProcessWrote) {
  MakeFile("t.dat", 2 * kTile);
  auto client = Opened("t.dat", 4096);
  auto site = client->ReadPage(2);
  const int32_t before = site->ReadInt32(16);

  fs::testing::TChildProcess child([&](fs::testing::TChildChannel& channel) {
    fs::TvwOSFileSystem fileSystem;
    fileSystem.SetBaseDirectory(u16(Dir.Path().string()));
    TVxbPageManager manager;
    TVxbClientStorage storage(manager, fileSystem, 1);
    storage.SetName(u"t.dat");
    storage.SetPageSize(4096);
    storage.Open(false, false);
    storage.ReadPage(2)->WriteInt32(16, before + 1000);
    storage.NewPage(4)->WriteInt32(0, 4444);
    storage.Flush();
    storage.Close();
    channel.Report('w');
    channel.WaitForRelease();
  });
  ASSERT_EQ(child.Result(), 'w');
  child.Release();

  EXPECT_EQ(site->ReadInt32(16), before) << "the cache still holds the old tile";
  EXPECT_EQ(client->GetPageCount(), 4);
  client->Invalidate();
  EXPECT_EQ(site->ReadInt32(16), before + 1000);
  EXPECT_EQ(client->GetPageCount(), 6);
  EXPECT_EQ(client->ReadPage(4)->ReadInt32(0), 4444);
}

TEST_F(PageCacheTest, StaleBufferPinnedBySeveralSitesIsReadAgainOnce) {
  MakeFile("t.dat", kTile);
  auto first = Opened("t.dat", 0, 1);
  auto second = Opened("t.dat", 0, 2);
  auto a = first->ReadPage(0);
  auto b = second->ReadPage(0);
  std::string changed = Pattern(kTile);
  changed[0] = 'N';
  WriteAll(Path("t.dat"), changed);
  first->Invalidate();
  EXPECT_EQ(a->ReadInt8(0), 'N');
  EXPECT_EQ(b->ReadInt8(0), 'N');
  EXPECT_EQ(a->GetMemory(), b->GetMemory()) << "still one buffer for the tile";
  EXPECT_EQ(Manager.CachedPageCount(first->GetStorageHdl()), 1u);
}

TEST_F(PageCacheTest, ChangingThePageSizeKeepsModifications) {
  const std::string content = MakeFile("t.dat", 4 * kTile);
  auto client = Opened("t.dat");
  auto site = client->ReadPage(1);
  site->WriteInt32(0, 42);
  client->SetPageSize(16384);
  std::string expected = content;
  expected[kTile] = 42;
  expected[kTile + 1] = expected[kTile + 2] = expected[kTile + 3] = 0;
  EXPECT_EQ(FileBytes("t.dat"), expected) << "written before the buffers were re-shaped";
  EXPECT_EQ(site->GetPageSize(), 16384);
  EXPECT_EQ(PageBytes(*site), expected.substr(16384, 16384)) << "page 1 of the new size";
  EXPECT_EQ(client->ReadPage(0)->ReadInt32(kTile), 42);
}

TEST_F(PageCacheTest, MovePageCopiesTheShownPage) {
  const std::string content = MakeFile("t.dat", 2 * kTile);
  auto client = Opened("t.dat", 4096);
  auto site = client->ReadPage(1);
  site->MovePage(1);
  EXPECT_EQ(site->GetPageNo(), 1);
  site->MovePage(6);
  EXPECT_EQ(site->GetPageNo(), 6);
  EXPECT_EQ(PageBytes(*site), content.substr(4096, 4096));
  client->Flush();
  const std::string file = FileBytes("t.dat");
  ASSERT_EQ(file.size(), static_cast<size_t>(4 * kTile));
  EXPECT_EQ(file.substr(6 * 4096, 4096), content.substr(4096, 4096));
}

TEST_F(PageCacheTest, FailedWriteRaisesAndKeepsThePageModified) {
  MakeFile("t.dat", kTile);
  auto client = Client("t.dat");
  client->Open(true, false);
  auto site = client->ReadPage(0);
  site->WriteInt8(0, 'W');
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      client->Flush();
      ADD_FAILURE() << "wrote through a read-only handle";
    } catch (const EVxbPageManager& e) {
      EXPECT_EQ(u8(e.Message()), "Saving tile: Cannot write tile to storage");
    }
  }
  EXPECT_EQ(site->ReadInt8(0), 'W') << "the buffer holds plain bytes again";
}

// A file system whose reads fail, to see how the cache reports them.
class FailingReadFileSystem : public fs::TvwOSFileSystem {
 public:
  int32_t FileRead(int32_t, int64_t, void*, int32_t) override { return -1; }
};

TEST_F(PageCacheTest, FailedReadRaisesAndPinsNothing) {
  MakeFile("t.dat", kTile);
  FailingReadFileSystem fileSystem;
  fileSystem.SetBaseDirectory(u16(Dir.Path().string()));
  TVxbClientStorage client(Manager, fileSystem, 1);
  client.SetName(u"t.dat");
  client.Open(false, false);
  auto site = client.CreatePageSite();
  try {
    site->LoadPage(0);
    ADD_FAILURE() << "a failed read served a page";
  } catch (const EVxbPageManager& e) {
    EXPECT_EQ(u8(e.Message()), "Loading tile: Cannot read tile from storage");
  }
  EXPECT_FALSE(site->IsLoaded());
  EXPECT_EQ(Manager.CachedPageCount(client.GetStorageHdl()), 0u);
}

TEST_F(PageCacheTest, WithoutRoomEveryNewBufferTrimsWarnsAndIsStillServed) {
  fs::TvwLog log;
  log.SetFilePath(u16(Dir.File("log/Log.txt")));
  log.SetSeverityThreshold(3);
  Manager.SetLog(&log);
  const std::string content = MakeFile("t.dat", 4 * kTile);
  auto client = Opened("t.dat");
  ASSERT_EQ(Manager.CacheLimit(), 0);
  auto pinned = client->ReadPage(0);
  for (int32_t pageNo = 1; pageNo < 4; ++pageNo) {
    EXPECT_EQ(PageBytes(*client->ReadPage(pageNo)), content.substr(pageNo * kTile, kTile));
    // The page read before was recounted into the free list and trimmed.
    EXPECT_EQ(Manager.CachedPageCount(client->GetStorageHdl()), 2u);
    EXPECT_EQ(Manager.FreeBufferCount(), 0u);
    EXPECT_EQ(Manager.CacheSize(), 2 * kTile);
  }
  EXPECT_EQ(PageBytes(*pinned), content.substr(0, kTile));
  Manager.SetLog(nullptr);

  const std::string text = ReadAll(u8(log.CurrentFileName()));
  EXPECT_NE(text.find("Cache size is over limit (8192) but cannot be reduced"), std::string::npos) << text;
  EXPECT_NE(text.find("Storage \"t.dat\" opened."), std::string::npos);
  EXPECT_NE(text.find("There are 1 open storages"), std::string::npos);
}

TEST_F(PageCacheTest, CleanPagesStayCachedUntilTheLimitAndGoWhenClientsLeave) {
  Manager.RegisterClient(1, 64);
  Manager.RegisterClient(2, 16);
  ASSERT_EQ(Manager.CacheLimit(), 10 * kTile);
  MakeFile("t.dat", 20 * kTile);
  auto client = Opened("t.dat");
  const TVxbStorageHdl storageHdl = client->GetStorageHdl();
  for (int32_t pageNo = 0; pageNo < 10; ++pageNo) client->ReadPage(pageNo);
  EXPECT_EQ(Manager.CachedPageCount(storageHdl), 10u) << "unpinned, but kept while there is room";
  EXPECT_EQ(Manager.CacheSize(), 10 * kTile);

  // At the limit: the ten clean pages go to the free list, which is halved.
  auto pinned = client->ReadPage(10);
  EXPECT_EQ(Manager.CachedPageCount(storageHdl), 1u);
  EXPECT_EQ(Manager.FreeBufferCount(), 4u) << "five kept, one of them taken again";
  EXPECT_EQ(Manager.CacheSize(), 5 * kTile);

  auto modified = client->ReadPage(11);
  modified->WriteInt8(0, 1);
  modified->UnloadPage();
  EXPECT_EQ(Manager.FreeBufferCount(), 3u);

  Manager.UnregisterClient(1, 64);
  Manager.UnregisterClient(2, 100);  // never below 0
  EXPECT_EQ(Manager.CacheLimit(), 0);
  EXPECT_EQ(Manager.FreeBufferCount(), 0u);
  EXPECT_EQ(Manager.CachedPageCount(storageHdl), 2u) << "a pinned and a modified page stay";
  EXPECT_EQ(Manager.CacheSize(), 2 * kTile);
  client->Flush();
  EXPECT_EQ(FileBytes("t.dat")[11 * kTile], 1);
}

TEST_F(PageCacheTest, FreedBuffersAreReusedWithoutLeakingTheirBytes) {
  Manager.RegisterClient(1, 1024);
  MakeFile("a.dat", kTile);
  auto a = Opened("a.dat");
  a->ReadPage(0);
  a->Close();
  ASSERT_EQ(Manager.FreeBufferCount(), 1u);
  const int64_t size = Manager.CacheSize();

  WriteAll(Path("b.dat"), "short");
  auto b = Opened("b.dat");
  auto site = b->ReadPage(0);
  EXPECT_EQ(Manager.FreeBufferCount(), 0u);
  EXPECT_EQ(Manager.CacheSize(), size) << "no new allocation";
  EXPECT_EQ(PageBytes(*site), "short" + std::string(kTile - 5, '\0'));
}

}  // namespace
}  // namespace vexilo::index::testing
