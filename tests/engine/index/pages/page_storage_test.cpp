// Opening, creating, sharing and closing storages; file system registration;
// direct transfers past the cache.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/index/pages/page_manager_errors.h"
#include "tests/engine/index/pages/page_test_fixture.h"

namespace vexilo::index::testing {
namespace {

using fs::u16;
using fs::u8;

using PageStorageTest = PageCacheFixture;

// A cipher that flips bits with its key; two of them agree when their keys do.
class XorEncryption : public TVxbEncryption {
 public:
  explicit XorEncryption(uint8_t key) : FKey(key) {}
  void EncryptBlock(uint8_t* block, size_t size) override { Apply(block, size); }
  void DecryptBlock(uint8_t* block, size_t size) override { Apply(block, size); }
  uint8_t Key() const { return FKey; }

 private:
  void Apply(uint8_t* block, size_t size) {
    for (size_t i = 0; i < size; ++i) block[i] ^= FKey;
  }
  uint8_t FKey;
};

class XorCryptor : public TvwCryptor {
 public:
  explicit XorCryptor(uint8_t key) : FKey(key) {}
  std::unique_ptr<TVxbEncryption> CreateEncryption() const override { return std::make_unique<XorEncryption>(FKey); }
  bool IsCorrectEncryption(const TVxbEncryption& encryption) const override {
    auto* xored = dynamic_cast<const XorEncryption*>(&encryption);
    return xored && xored->Key() == FKey;
  }

 private:
  uint8_t FKey;
};

TEST_F(PageStorageTest, SameFileOpenedTwiceSharesOneStorage) {
  MakeFile("t.dat", kTile);
  auto first = Opened("t.dat", 0, 1);
  auto second = Client("./t.dat", 2);
  second->Open(false, false);
  EXPECT_EQ(second->GetStorageHdl(), first->GetStorageHdl());
  EXPECT_EQ(Manager.StorageReferences(first->GetStorageHdl()), 2);
  EXPECT_EQ(Manager.StorageSlotCount(), 1);

  second->Close();
  EXPECT_EQ(Manager.StorageReferences(first->GetStorageHdl()), 1);
  EXPECT_TRUE(first->IsOpen());
  EXPECT_FALSE(second->IsOpen());
}

TEST_F(PageStorageTest, ExclusiveUseRefusesASecondOpener) {
  MakeFile("t.dat", kTile);
  const struct {
    bool FirstExclusive;
    bool SecondExclusive;
  } cases[] = {{false, true}, {true, false}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.FirstExclusive << "/" << c.SecondExclusive);
    auto first = Client("t.dat", 1);
    first->Open(false, c.FirstExclusive);
    auto second = Client("t.dat", 2);
    try {
      second->Open(false, c.SecondExclusive);
      ADD_FAILURE() << "second open succeeded";
    } catch (const EVxbPMStorageAccessDenied& e) {
      EXPECT_EQ(u8(e.Message()), "Cannot open storage \"t.dat\": May not be opened twice if one is exclusive");
    }
    EXPECT_FALSE(second->IsOpen());
    EXPECT_EQ(Manager.StorageReferences(first->GetStorageHdl()), 1);
  }
}

TEST_F(PageStorageTest, MissingFileIsNotFound) {
  auto client = Client("none.dat");
  try {
    client->Open(false, false);
    ADD_FAILURE() << "opened a missing file";
  } catch (const EVxbPMStorageNotFound& e) {
    EXPECT_EQ(u8(e.Message()), "Storage \"none.dat\" not found");
  }
  EXPECT_FALSE(client->IsOpen());
  EXPECT_EQ(client->GetPageCount(), 0);
}

TEST_F(PageStorageTest, FileTheFileSystemRefusesIsAccessDenied) {
  MakeFile("t.dat", kTile);
  const int32_t held = FileSystem.OpenFile(u"t.dat", fs::kOpenReadWrite | fs::kShareExclusive);
  ASSERT_TRUE(fs::IsValidHandle(held));
  auto client = Client("t.dat");
  try {
    client->Open(false, false);
    ADD_FAILURE() << "opened a file held exclusively";
  } catch (const EVxbPMStorageAccessDenied& e) {
    EXPECT_EQ(u8(e.Action()), "Cannot open storage \"t.dat\"");
    EXPECT_FALSE(e.Reason().empty());
  }
  FileSystem.CloseFile(held);
}

TEST_F(PageStorageTest, SharersMustBringTheSameCipher) {
  MakeFile("t.dat", kTile);
  const XorCryptor keyA(0x5A), keyA2(0x5A), keyB(0x33);
  const struct {
    const TvwCryptor* First;
    const TvwCryptor* Second;
    bool Accepted;
  } cases[] = {{&keyA, nullptr, false}, {nullptr, &keyA, false}, {&keyA, &keyB, false}, {&keyA, &keyA2, true},
               {nullptr, nullptr, true}};
  for (const auto& c : cases) {
    auto first = Client("t.dat", 1, c.First);
    first->Open(false, false);
    auto second = Client("t.dat", 2, c.Second);
    if (c.Accepted) {
      EXPECT_NO_THROW(second->Open(false, false));
    } else {
      try {
        second->Open(false, false);
        ADD_FAILURE() << "a different cipher was accepted";
      } catch (const EVxbPMStorageAccessDenied& e) {
        EXPECT_EQ(u8(e.Message()), "Wrong encryption");
      }
    }
  }
}

TEST_F(PageStorageTest, CipheredFileHoldsEncryptedTilesAndTheCachePlainOnes) {
  const XorCryptor key(0xFF);
  auto client = Client("t.dat", 1, &key);
  client->NewStorage();
  client->NewPage(0)->WriteWPAnsiString(0, "secret");
  client->Flush();
  const std::string file = FileBytes("t.dat");
  ASSERT_EQ(file.size(), static_cast<size_t>(kTile));
  EXPECT_EQ(static_cast<uint8_t>(file[0]), 6 ^ 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(file[2]), 's' ^ 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(file[kTile - 1]), 0xFF) << "every byte of the tile is enciphered";
  client->Close();

  client->SetPageSize(2 * kTile);
  client->Open(false, false);
  auto site = client->ReadPage(0);
  EXPECT_EQ(site->ReadWPAnsiString(0), "secret");
  EXPECT_EQ(PageBytes(*site).substr(kTile), std::string(kTile, '\0')) << "beyond the file: zeros, not deciphered";
}

TEST_F(PageStorageTest, StorageHandlesReuseTheLastEmptySlot) {
  std::unique_ptr<TVxbClientStorage> clients[6];
  const char* names[] = {"a", "b", "c", "d", "e", "f"};
  for (int i = 0; i < 6; ++i) {
    MakeFile(names[i], 0);
    clients[i] = Client(names[i]);
  }
  for (int i = 0; i < 3; ++i) clients[i]->Open(false, false);
  EXPECT_EQ(clients[0]->GetStorageHdl(), 1);
  EXPECT_EQ(clients[2]->GetStorageHdl(), 3);
  clients[0]->Close();
  clients[1]->Close();
  clients[3]->Open(false, false);
  clients[4]->Open(false, false);
  clients[5]->Open(false, false);
  EXPECT_EQ(clients[3]->GetStorageHdl(), 2);
  EXPECT_EQ(clients[4]->GetStorageHdl(), 1);
  EXPECT_EQ(clients[5]->GetStorageHdl(), 4);
  EXPECT_EQ(Manager.StorageSlotCount(), 4);
}

TEST_F(PageStorageTest, ClosingTheLastClientDropsTheStorageAndUnflushedChanges) {
  const std::string content = MakeFile("t.dat", 2 * kTile);
  auto first = Opened("t.dat", 0, 1);
  auto second = Opened("t.dat", 0, 2);
  const TVxbStorageHdl storageHdl = first->GetStorageHdl();
  first->ReadPage(1)->WriteInt32(0, -1);
  first->Close();
  EXPECT_EQ(second->ReadPage(1)->ReadInt32(0), -1) << "the storage lives on with its second client";

  second->Close();
  EXPECT_EQ(Manager.StorageReferences(storageHdl), 0);
  EXPECT_EQ(Manager.CachedPageCount(storageHdl), 0u);
  EXPECT_EQ(Manager.FreeBufferCount(), 1u) << "the buffer went to the free list";
  EXPECT_EQ(FileBytes("t.dat"), content);

  first->Open(false, false);
  EXPECT_EQ(PageBytes(*first->ReadPage(1)), content.substr(kTile));
}

TEST_F(PageStorageTest, ClosingUnloadsTheClientsSites) {
  MakeFile("t.dat", kTile);
  auto client = Opened("t.dat");
  auto site = client->ReadPage(0);
  client->Close();
  EXPECT_FALSE(site->IsLoaded());
  EXPECT_THROW(site->ReadInt8(0), EVxbPageManager);
  EXPECT_THROW(site->LoadPage(0), EVxbPageManager);
}

TEST_F(PageStorageTest, SiteOutlivingItsClientStorageIsDetached) {
  MakeFile("t.dat", kTile);
  auto client = Opened("t.dat");
  auto site = client->ReadPage(0);
  client.reset();
  EXPECT_EQ(site->GetClientStorage(), nullptr);
  EXPECT_THROW(site->LoadPage(0), EVxbPageManager);
  site.reset();  // must not touch the gone client storage
  EXPECT_EQ(Manager.StorageSlotCount(), 1);
  EXPECT_EQ(Manager.StorageReferences(1), 0);
}

TEST_F(PageStorageTest, NewStorageCreatesAnEmptyFileWithItsPageSize) {
  const struct {
    int32_t Asked;
    int32_t Expected;
  } cases[] = {{0, kTile}, {4096, 4096}, {16384, 16384}};
  for (const auto& c : cases) {
    auto client = Client("new.dat");
    if (c.Asked) client->SetPageSize(c.Asked);
    client->NewStorage();
    EXPECT_TRUE(client->IsOpen());
    EXPECT_EQ(client->GetPageSize(), c.Expected);
    EXPECT_EQ(client->GetPageCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(Path("new.dat")));
    EXPECT_EQ(std::filesystem::file_size(Path("new.dat")), 0u);
  }
}

TEST_F(PageStorageTest, NewStorageFailureNamesTheOperatingSystemError) {
  auto client = Client("missing/dir.dat");
  try {
    client->NewStorage();
    ADD_FAILURE() << "created a file in a missing directory";
  } catch (const EVxbPageManager& e) {
    EXPECT_EQ(u8(e.Action()), "Cannot create storage missing/dir.dat");
    EXPECT_EQ(u8(e.Reason()), "Error 2") << "the directory does not exist";
  }
  EXPECT_FALSE(client->IsOpen());
}

TEST_F(PageStorageTest, LaterOpenerAdoptsTheStoragesPageSize) {
  MakeFile("t.dat", 4 * kTile);
  auto first = Opened("t.dat", 4096, 1);
  auto second = Client("t.dat", 2);
  second->SetPageSize(16384);
  second->Open(false, false);
  EXPECT_EQ(second->GetPageSize(), 4096);
  EXPECT_EQ(second->GetPageCount(), 8);

  // A page size set while open is the storage's, for every client.
  second->SetPageSize(kTile);
  EXPECT_EQ(first->GetPageSize(), kTile);
  EXPECT_EQ(first->GetPageCount(), 4);
}

TEST_F(PageStorageTest, PageSizeThatFitsNoBufferIsRefused) {
  MakeFile("t.dat", kTile);
  auto client = Opened("t.dat", 4096);
  EXPECT_THROW(client->SetPageSize(0), EVxbPageManager);
  EXPECT_THROW(client->SetPageSize(65767), EVxbPageManager);
  EXPECT_EQ(client->GetPageSize(), 4096);
}

TEST_F(PageStorageTest, ReadOnlyAndExclusiveAreTheStoragesModes) {
  MakeFile("t.dat", kTile);
  auto client = Client("t.dat");
  client->Open(true, true);
  EXPECT_TRUE(client->GetReadOnly());
  EXPECT_TRUE(client->GetExclusive());
  client->Close();
  client->Open(false, false);
  EXPECT_FALSE(client->GetReadOnly());
  EXPECT_FALSE(client->GetExclusive());
}

TEST_F(PageStorageTest, DirectTransfersBypassTheCacheAndSurviveAFlush) {
  MakeFile("t.dat", 100);
  auto client = Opened("t.dat");
  const char header[] = "HEADER";
  const int64_t far = 3 * kTile + 10;
  EXPECT_EQ(client->WriteDirect(far, header, 6), 6);
  EXPECT_EQ(client->GetSize(), 4 * kTile) << "the tile count covers what was written";
  client->Flush();
  const std::string file = FileBytes("t.dat");
  ASSERT_EQ(file.size(), static_cast<size_t>(far + 6));
  EXPECT_EQ(file.substr(far), "HEADER");

  char back[6] = {};
  EXPECT_EQ(client->ReadDirect(far, back, 6), 6);
  EXPECT_EQ(std::string(back, 6), "HEADER");
  EXPECT_EQ(client->ReadDirect(far + 4, back, 6), 2) << "short at the end of the file";
  client->Close();
  EXPECT_THROW(client->ReadDirect(0, back, 1), EVxbPageManager);
}

TEST_F(PageStorageTest, UpdateDirKeepsTheStorageUsable) {
  const std::string content = MakeFile("t.dat", 2 * kTile);
  auto client = Opened("t.dat");
  client->UpdateDir();
  auto site = client->ReadPage(1);
  EXPECT_EQ(PageBytes(*site), content.substr(kTile));
  site->WriteInt8(0, 'U');
  client->Flush();
  EXPECT_EQ(FileBytes("t.dat")[kTile], 'U');
}

// A file system whose Close the test can see.
class CountingFileSystem : public fs::TvwOSFileSystem {
 public:
  void Close() override { ++Closes; }
  int Closes = 0;
};

TEST_F(PageStorageTest, FileSystemsAreRegisteredByNameAndCounted) {
  CountingFileSystem data;
  data.SetBaseDirectory(u"/base/data");
  CountingFileSystem other;
  EXPECT_TRUE(Manager.AddFileSystem(u"Data", data));
  EXPECT_FALSE(Manager.AddFileSystem(u"DATA", other)) << "the name is taken, whatever its case";

  EXPECT_EQ(Manager.GetFileSystem(u"data"), &data);
  EXPECT_EQ(Manager.GetFileSystem(u"Data"), &data);
  EXPECT_EQ(Manager.GetFileSystem(u"none"), nullptr);
  Manager.ReleaseFileSystem(data);
  EXPECT_EQ(data.Closes, 0) << "one reference left";
  Manager.ReleaseFileSystem(data);
  EXPECT_EQ(data.Closes, 1);
  EXPECT_EQ(Manager.GetFileSystem(u"Data"), nullptr) << "forgotten at the last release";

  try {
    Manager.ReleaseFileSystem(data);
    ADD_FAILURE() << "released an unregistered file system";
  } catch (const EVxbPageManager& e) {
    EXPECT_EQ(u8(e.Message()), "Releasing file system: File system \"/base/data\" not fond");
  }
  EXPECT_TRUE(Manager.AddFileSystem(u"data", other)) << "the name is free again";
}

}  // namespace
}  // namespace vexilo::index::testing
