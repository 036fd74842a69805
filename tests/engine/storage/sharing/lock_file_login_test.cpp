// Logging in to and out of a table's lock file: the file is created with its
// header, each session gets a slot, the last session removes the lock and
// move files, and foreign or unusable lock files are refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/errors/engine_exception.h"
#include "tests/engine/storage/sharing/lock_fixture.h"

namespace vexilo::storage::testing {
namespace {

TEST_F(LockFileTest, FirstLogInCreatesLockFileWithHeaderAndOwnSlot) {
  auto session = LogIn(42, u"Anna");
  const std::vector<uint8_t> bytes = LockBytes();
  ASSERT_EQ(bytes.size(), 30u + 56u);
  EXPECT_EQ((std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4)), (std::vector<uint8_t>{0x55, 0xCF, 0x4B, 0x83}));
  EXPECT_EQ(RawNumber(bytes, kRawVersion, 2), 7);
  EXPECT_EQ(RawNumber(bytes, kRawItemCount, 2), 1);
  EXPECT_EQ(RawNumber(bytes, kRawSessionCount, 2), 1);
  EXPECT_EQ(RawNumber(bytes, 30, 8), 42);
  EXPECT_EQ(bytes[38], 4);  // name length
  EXPECT_EQ(std::string(bytes.begin() + 39, bytes.begin() + 43), "Anna");
  EXPECT_EQ(bytes[30 + 55], 255);  // vital sign
  EXPECT_TRUE(std::filesystem::exists(MovePath()));
  EXPECT_EQ(session->TableLock(), tltNone);
  EXPECT_EQ(session->SessionChangeCount(), 0);
}

TEST_F(LockFileTest, LastLogOutDeletesLockAndMoveFiles) {
  auto first = LogIn(1);
  auto second = LogIn(2);
  first->LogOut();
  EXPECT_TRUE(std::filesystem::exists(LockPath()));
  EXPECT_EQ(Header(kRawSessionCount), 1);

  second->LogOut();
  EXPECT_FALSE(std::filesystem::exists(LockPath()));
  EXPECT_FALSE(std::filesystem::exists(MovePath()));

  auto third = LogIn(3);
  EXPECT_EQ(Header(kRawVersion), 7);
  EXPECT_EQ(Header(kRawSessionCount), 1);
}

TEST_F(LockFileTest, SessionGoneWithoutLogOutCallLogsOutOnDestruction) {
  { auto session = LogIn(1); }
  EXPECT_FALSE(std::filesystem::exists(LockPath()));
}

TEST_F(LockFileTest, FreedSlotIsTakenByTheNextSession) {
  auto a = LogIn(1, u"A");
  auto b = LogIn(2, u"B");
  auto c = LogIn(3, u"C");
  b->LogOut();
  auto d = LogIn(4, u"D");
  const TVxbTableUsage usage = Usage(*d);
  ASSERT_EQ(usage.ItemCount, 3);
  EXPECT_EQ(usage.UserCount, 3);
  EXPECT_EQ(usage.Sessions[1].StationNo, 4u);
  EXPECT_EQ(usage.Sessions[1].Name, u"D");
  EXPECT_TRUE(usage.Sessions[1].InUse);
}

TEST_F(LockFileTest, SessionNamesAreCutToFortyCharactersInTheAnsiCodePage) {
  auto session = LogIn(5, u"Árvíztűrő tükörfúrógép és még sok más betű, 45 karakter");
  const TVxbTableUsage usage = Usage(*session);
  ASSERT_EQ(usage.Sessions.size(), 1u);
  EXPECT_EQ(usage.Sessions[0].Name.size(), 40u);
  EXPECT_EQ(usage.Sessions[0].Name.substr(0, 3), u"Árv");
}

TEST_F(LockFileTest, UnnamedSessionIsCalledConnWithANumber) {
  auto session = LogIn(7);
  const std::u16string name = session->SessionName();
  ASSERT_EQ(name.substr(0, 4), u"Conn");
  const int number = std::stoi(fs::Utf16ToUtf8(name.substr(4)));
  EXPECT_GE(number, 1);
  EXPECT_LE(number, 999);
}

TEST_F(LockFileTest, SessionWithoutStationNumberIsRefused) {
  TVxbLockFile session(FileSystem, 0, u"Nobody");
  try {
    session.LogIn(BaseName(), kLevel, false);
    FAIL() << "log-in succeeded";
  } catch (const errors::EVxbEngine& error) {
    EXPECT_EQ(error.Code(), 107);
    EXPECT_EQ(error.Message(), u"Invalid connection id");
  }
  EXPECT_FALSE(session.LoggedIn());
}

TEST_F(LockFileTest, LockFileThatCannotBeCreatedIsReported) {
  std::ofstream(Dir.File("plain")) << "a file, not a directory";
  TVxbLockFile session(FileSystem, 1, u"A");
  try {
    session.LogIn(fs::u16(Dir.File("plain/Eng_hun")), kLevel, false);
    FAIL() << "log-in succeeded";
  } catch (const errors::EVxbEngine& error) {
    EXPECT_EQ(error.Code(), 115);
  }
  EXPECT_FALSE(session.LoggedIn());
}

TEST_F(LockFileTest, LockFileInAMissingDirectoryIsCreatedWithIt) {
  TVxbLockFile session(FileSystem, 1, u"A");
  session.LogIn(fs::u16(Dir.File("sub/dir/Eng_hun")), kLevel, false);
  EXPECT_TRUE(std::filesystem::exists(Dir.File("sub/dir/Eng_hun.vxbl")));
}

TEST_F(LockFileTest, ForeignLockFileIsRefusedAndLeftAlone) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"wrong tag", {0x55, 0xCF, 0x4B, 0x84, 7, 0}},
      {"older version", {0x55, 0xCF, 0x4B, 0x83, 6, 0}},
      {"shorter than a header", {0x55, 0xCF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = c.bytes;
    if (bytes.size() > 4) bytes.resize(30, 0);
    {
      std::ofstream out(LockPath(), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TVxbLockFile session(FileSystem, 1, u"A");
    try {
      session.LogIn(BaseName(), kLevel, false);
      FAIL() << "log-in succeeded";
    } catch (const errors::EVxbEngine& error) {
      EXPECT_EQ(error.Code(), 185);
      EXPECT_NE(error.Message().find(u"Eng_hun.vxbl"), std::u16string::npos);
    }
    EXPECT_FALSE(session.LoggedIn());
    EXPECT_EQ(ReadFileBytes(LockPath()), bytes);
  }
}

TEST_F(LockFileTest, FileNamesFollowLevelAndRelationTables) {
  struct Case {
    int16_t level;
    bool relation;
    const char16_t* lock;
    const char16_t* move;
    const char16_t* redo;
  };
  const Case cases[] = {
      {4, false, u"T.net", u"T.mov", u"T.tra"},
      {5, false, u"T.net", u"T.mov", u"T.tra"},
      {6, false, u"T.vxbl", u"T.vxbv", u"T.vxbr"},
      {4, true, u"T.rnt", u"T.rmv", u"T.rtr"},
      {6, true, u"T.rnt", u"T.rmv", u"T.rtr"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LockFileName(u"T", c.level, c.relation), c.lock);
    EXPECT_EQ(MoveFileName(u"T", c.level, c.relation), c.move);
    EXPECT_EQ(RedoLogName(u"T", c.level, c.relation), c.redo);
  }
}

TEST_F(LockFileTest, SessionsOfSeveralProcessesShareOneFile) {
  TChildProcess child(ChildSession(BaseName(), 9, [](TVxbLockFile&, const TChannel& channel) {
    channel.Send('i');
    return channel.Receive() == 'o' ? 0 : 1;
  }));
  ASSERT_NE(child.Receive(), 0);
  auto session = LogIn(1);
  EXPECT_EQ(Usage(*session).UserCount, 2);
  child.Send('o');
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(session->ReadSessionCount(), 1);
}

}  // namespace
}  // namespace vexilo::storage::testing

namespace vexilo::storage::testing {
namespace {

// Processes that find no lock file at the same moment end up in one file:
// none replaces the file another created, and none is refused.
TEST_F(LockFileTest, SimultaneousFirstLogInsShareOneFile) {
  constexpr int kChildren = 4;
  std::vector<std::unique_ptr<TChildProcess>> children;
  for (int i = 0; i < kChildren; ++i) {
    const std::u16string baseName = BaseName();
    children.push_back(std::make_unique<TChildProcess>([baseName, i](const TChannel& channel) {
      if (channel.Receive() != 'g') return 1;
      fs::TvwOSFileSystem fileSystem;
      TVxbLockFile session(fileSystem, static_cast<uint32_t>(10 + i), u"Racer");
      session.LogIn(baseName, 6, false);
      channel.Send('i');
      return channel.Receive() == 'q' ? 0 : 2;
    }));
  }
  for (auto& child : children) child->Send('g');
  for (auto& child : children) ASSERT_EQ(child->Receive(), 'i');
  auto session = LogIn(1);
  EXPECT_EQ(Usage(*session).UserCount, kChildren + 1);
  for (auto& child : children) child->Send('q');
  for (auto& child : children) EXPECT_EQ(child->Wait(), 0);
  EXPECT_EQ(session->ReadSessionCount(), 1);
  session->LogOut();
  EXPECT_FALSE(std::filesystem::exists(LockPath()));
  for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
    ADD_FAILURE() << "left behind: " << entry.path();
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
